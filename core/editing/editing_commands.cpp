// The editor's commands on the template: new, insert, delete, selection and
// stacking, and the background a new template starts from.

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>

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
  changedAndTouched();
}

PictureInsertion TemplateEditing::insertPicture(const std::string& path) {
  PictureInsertion result;
  result.status = addPictureObject(path, document_);
  if (!result.status) return result;
  result.sizeWithPicture = measureTemplate(document_);
  result.limit = crossedLimit(result.sizeWithPicture);
  if (result.limit != TemplateLimit::None) {
    // Saved, such a template could never be opened again.
    document_.pictureObjects.pop_back();
    result.status = fail("the template would cross a limit of the template reader");
    return result;
  }
  setAllSelected(document_, 0);
  document_.pictureObjects.back()->selected = 1;
  changedAndTouched();
  return result;
}

void TemplateEditing::deleteSelected(const DeleteQuestion& ask,
                                     const std::function<void()>& deleted) {
  bool yesToAll = false;
  // No to all ends the command as it stands: what it deleted before is still
  // one step (and a change), but nothing else counts as one.
  auto stopped = [this] { history_.record(document_); };
  // Asks about one selected object; false when the whole command stops.
  // `remove` is set when the object is to go.
  auto decide = [&](ObjectRef ref, bool& remove) {
    remove = false;
    if (yesToAll) {
      remove = true;
      return true;
    }
    switch (ask(std::as_const(document_), ref)) {
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
    if (!decide({ObjectRef::Kind::Text, static_cast<int>(i)}, remove)) return stopped();
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
    if (!decide({ObjectRef::Kind::Picture, static_cast<int>(i)}, remove)) return stopped();
    if (!remove) {
      ++i;
      continue;
    }
    closeZOrderGap(document_, pictures[i]->zOrder);
    pictures.erase(pictures.begin() + static_cast<std::ptrdiff_t>(i));
    if (deleted) deleted();
  }

  // Also when nothing was selected or everything was kept.
  changedAndTouched();
}

void TemplateEditing::selectAll() {
  setAllSelected(document_, 1);
  history_.record(document_);
}

void TemplateEditing::invertSelection() {
  imbrino::invertSelection(document_);
  history_.record(document_);
}

void TemplateEditing::bringForward() {
  restack(&imbrino::bringForward);
}

void TemplateEditing::sendBackward() {
  restack(&imbrino::sendBackward);
}

void TemplateEditing::restack(void (*move)(Template&)) {
  // With shared levels, an object moved onto a level that another is already
  // drawn on would no longer be drawn at all.
  closeUpLevels(document_);
  move(document_);
  history_.record(document_);
}

bool closeUpLevels(Template& document) {
  const auto texts = document.textObjects.size();
  const auto total = texts + document.pictureObjects.size();
  auto levelOf = [&](std::size_t i) -> std::int32_t& {
    return i < texts ? document.textObjects[i].zOrder : document.pictureObjects[i - texts]->zOrder;
  };
  // Texts come before pictures and each list keeps its order, so a stable
  // sort by level is the order the objects are drawn in.
  std::vector<std::size_t> order(total);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return levelOf(a) < levelOf(b); });
  bool changed = false;
  for (std::size_t rank = 0; rank < total; ++rank)
    changed |= levelOf(order[rank]) != static_cast<std::int32_t>(rank + 1);
  if (!changed) return false;
  for (std::size_t rank = 0; rank < total; ++rank)
    levelOf(order[rank]) = static_cast<std::int32_t>(rank + 1);
  return true;
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
