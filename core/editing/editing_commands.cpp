// The editor's commands on the template: new, insert, delete, selection and
// stacking, and the background a new template starts from.

#include <cstdint>

#include "editing/template_editing.h"

namespace imbrino {

namespace {

constexpr std::string_view kNewTemplateSection = "EditTemplate";
constexpr std::string_view kWidthKey = "TemplateWidth";
constexpr std::string_view kHeightKey = "TemplateHeight";
constexpr std::string_view kColourKey = "TemplateColor";
constexpr std::string_view kTransparentKey = "TemplateTransparent";
constexpr std::string_view kAlphaKey = "TemplateAlphaBlend";

}  // namespace

void TemplateEditing::newTemplate(const SettingsFile& settings) {
  clearObjects(document_);
  TemplateBackground& background = document_.background;
  initDefaultBackground(background);
  // Sizes that could not be drawn keep the default; the colour and the
  // opacity are taken as stored, the opacity in its 16-bit field.
  if (auto width = settings.readNumber(kNewTemplateSection, kWidthKey); width && *width > 0)
    background.width = *width;
  if (auto height = settings.readNumber(kNewTemplateSection, kHeightKey); height && *height > 0)
    background.height = *height;
  if (auto colour = settings.readNumber(kNewTemplateSection, kColourKey))
    background.colour = static_cast<ColorRef>(*colour);
  if (auto transparent = settings.readNumber(kNewTemplateSection, kTransparentKey))
    background.transparent = *transparent != 0 ? 1 : 0;
  if (auto alpha = settings.readNumber(kNewTemplateSection, kAlphaKey))
    background.alpha = static_cast<std::int16_t>(*alpha);
}

void TemplateEditing::insertText() {
  addTextObject(document_);
  setAllSelected(document_, 0);
  document_.textObjects.back().selected = 1;
  modified_ = true;
}

Status TemplateEditing::insertPicture(const std::string& path) {
  Status added = addPictureObject(path, document_);
  if (!added) return added;
  setAllSelected(document_, 0);
  document_.pictureObjects.back()->selected = 1;
  modified_ = true;
  return added;
}

void TemplateEditing::deleteSelected(const DeleteQuestion& ask,
                                     const std::function<void()>& deleted) {
  bool yesToAll = false;
  // Asks about one selected object; false when the whole command stops.
  // `remove` is set when the object is to go.
  auto decide = [&](ObjectRef ref, bool& remove) {
    remove = false;
    if (yesToAll) {
      remove = true;
      return true;
    }
    switch (ask(document_, ref)) {
      case 0:
        remove = true;
        return true;
      case 1:
        remove = true;
        yesToAll = true;
        return true;
      case 3:
        return false;
      default:
        // "No", and anything the question should never answer: keep it.
        return true;
    }
  };

  auto& texts = document_.textObjects;
  for (std::size_t i = 0; i < texts.size();) {
    if (texts[i].selected == 0) {
      ++i;
      continue;
    }
    bool remove = false;
    if (!decide({ObjectRef::Kind::Text, static_cast<int>(i)}, remove)) return;
    if (!remove) {
      ++i;
      continue;
    }
    // The next object takes this one's place and is visited next.
    closeZOrderGap(document_, texts[i].zOrder);
    texts.erase(texts.begin() + static_cast<std::ptrdiff_t>(i));
    if (deleted) deleted();
  }

  auto& pictures = document_.pictureObjects;
  for (std::size_t i = 0; i < pictures.size();) {
    if (pictures[i]->selected == 0) {
      ++i;
      continue;
    }
    bool remove = false;
    if (!decide({ObjectRef::Kind::Picture, static_cast<int>(i)}, remove)) return;
    if (!remove) {
      ++i;
      continue;
    }
    closeZOrderGap(document_, pictures[i]->zOrder);
    pictures.erase(pictures.begin() + static_cast<std::ptrdiff_t>(i));
    if (deleted) deleted();
  }

  // Also when nothing was selected or everything was kept.
  modified_ = true;
}

void TemplateEditing::selectAll() {
  setAllSelected(document_, 1);
}

void TemplateEditing::invertSelection() {
  imbrino::invertSelection(document_);
}

void TemplateEditing::bringForward() {
  imbrino::bringForward(document_);
}

void TemplateEditing::sendBackward() {
  imbrino::sendBackward(document_);
}

bool saveNewTemplateDefaults(const TemplateBackground& background, const SettingsFile& settings) {
  // Each value is written even when one before it failed: every one that
  // lands is one New starts from.
  bool written = settings.writeNumber(kNewTemplateSection, kWidthKey, background.width);
  written &= settings.writeNumber(kNewTemplateSection, kHeightKey, background.height);
  written &=
      settings.writeNumber(kNewTemplateSection, kColourKey, static_cast<int>(background.colour));
  written &= settings.writeNumber(kNewTemplateSection, kTransparentKey, background.transparent);
  written &= settings.writeNumber(kNewTemplateSection, kAlphaKey, background.alpha);
  return written;
}

}  // namespace imbrino
