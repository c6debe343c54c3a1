#include "editing/stored_selection.h"

namespace imbrino {

StoredSelection selectionOf(const Template& document) {
  StoredSelection selection;
  for (const TextObject& text : document.textObjects) selection.texts.push_back(text.selected);
  for (const auto& picture : document.pictureObjects)
    selection.pictures.push_back(picture->selected);
  return selection;
}

bool restoreSelection(Template& document, const StoredSelection& selection) {
  if (selection.texts.size() != document.textObjects.size() ||
      selection.pictures.size() != document.pictureObjects.size())
    return false;
  for (std::size_t i = 0; i < selection.texts.size(); ++i)
    document.textObjects[i].selected = selection.texts[i];
  for (std::size_t i = 0; i < selection.pictures.size(); ++i)
    document.pictureObjects[i]->selected = selection.pictures[i];
  return true;
}

}  // namespace imbrino
