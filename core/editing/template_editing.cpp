// The editor's mouse: selection by click and rubber band, moving the
// selection, resizing one picture or the background, and what is drawn while
// a drag lasts.

#include "editing/template_editing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "editing/editing_detail.h"

namespace imbrino {

using editing_detail::canvasPoint;
using editing_detail::clampToInt;
using editing_detail::stackingOrder;

namespace {

PictureObject& pictureOf(Template& document, ObjectRef ref) {
  return *document.pictureObjects[static_cast<std::size_t>(ref.index)];
}

std::uint8_t& selectedFlag(Template& document, ObjectRef ref) {
  if (ref.kind == ObjectRef::Kind::Text)
    return document.textObjects[static_cast<std::size_t>(ref.index)].selected;
  return pictureOf(document, ref).selected;
}

Rect boxOf(const Template& document, ObjectRef ref) {
  if (ref.kind == ObjectRef::Kind::Text)
    return objectBox(document.textObjects[static_cast<std::size_t>(ref.index)]);
  return objectBox(*document.pictureObjects[static_cast<std::size_t>(ref.index)]);
}

void selectAlone(Template& document, ObjectRef ref) {
  setAllSelected(document, 0);
  selectedFlag(document, ref) = 1;
}

void moveBy(std::int32_t& x, std::int32_t& y, std::int64_t dx, std::int64_t dy) {
  x = clampToInt(x + dx);
  y = clampToInt(y + dy);
}

// Only one picture is resized at a time: the first selected in list order.
PictureObject* firstSelectedPicture(Template& document) {
  for (auto& picture : document.pictureObjects)
    if (picture->selected != 0) return picture.get();
  return nullptr;
}
const PictureObject* firstSelectedPicture(const Template& document) {
  for (const auto& picture : document.pictureObjects)
    if (picture->selected != 0) return picture.get();
  return nullptr;
}

}  // namespace

EditorEffects TemplateEditing::leftButtonDown(Point client, Point scroll, bool control) {
  const EditorEffects effects = press(client, scroll, control);
  // The selection the press made is what an undo comes back to.
  history_.record(document_);
  return effects;
}

EditorEffects TemplateEditing::press(Point client, Point scroll, bool control) {
  EditorEffects effects;
  effects.hidePanels = true;
  effects.redraw = true;
  const Point p = canvasPoint(client, scroll);
  auto startDrag = [&](DragMode mode) {
    dragMode_ = mode;
    dragStart_ = dragCurrent_ = client;
  };

  for (const ObjectRef ref : stackingOrder(document_)) {
    if (boxContains(boxOf(document_, ref), p)) {
      if (control) {
        std::uint8_t& selected = selectedFlag(document_, ref);
        selected = selected == 0 ? 1 : 0;
        dragMode_ = DragMode::None;
        return effects;
      }
      // With several objects selected, a click on any object drags them all
      // as they are, whether or not it is one of them.
      if (countSelected(document_) <= 1) selectAlone(document_, ref);
      startDrag(DragMode::Move);
      return effects;
    }
    if (ref.kind == ObjectRef::Kind::Picture && pictureOf(document_, ref).selected != 0) {
      const int handle = hitPictureHandle(pictureOf(document_, ref), p);
      if (handle > 0) {
        selectAlone(document_, ref);
        startDrag(DragMode::ResizePicture);
        dragHandle_ = handle;
        effects.cursor = handleCursor(handle);
        return effects;
      }
    }
  }

  const TemplateBackground& background = document_.background;
  if (const int grip = hitBackgroundGrip(background, p); grip > 0) {
    startDrag(DragMode::ResizeBackground);
    dragHandle_ = grip;
    effects.cursor = handleCursor(grip);
    return effects;
  }
  if (p.x > background.width || p.y > background.height) {
    dragMode_ = DragMode::None;
    setAllSelected(document_, 0);
  } else {
    // The selection stays until the band is released.
    startDrag(DragMode::RubberBand);
  }
  return effects;
}

EditorEffects TemplateEditing::mouseMove(Point client, Point scroll, bool anyKeyState) {
  EditorEffects effects;
  if (anyKeyState) {
    dragCurrent_ = client;
    effects.redraw = true;
    return effects;
  }
  const Point p = canvasPoint(client, scroll);
  if (const int grip = hitBackgroundGrip(document_.background, p); grip > 0) {
    effects.cursor = handleCursor(grip);
    return effects;
  }
  if (dragMode_ == DragMode::None) {
    for (const ObjectRef ref : stackingOrder(document_)) {
      if (ref.kind != ObjectRef::Kind::Picture) continue;
      const PictureObject& picture = pictureOf(document_, ref);
      if (picture.selected == 0) continue;
      if (const int handle = hitPictureHandle(picture, p); handle > 0) {
        effects.cursor = handleCursor(handle);
        return effects;
      }
    }
  }
  effects.cursor = EditorCursor::Arrow;
  return effects;
}

EditorEffects TemplateEditing::leftButtonUp(Point client, Point scroll) {
  EditorEffects effects;
  const DragMode mode = dragMode_;
  if (mode == DragMode::None) return effects;
  effects.redraw = true;
  dragMode_ = DragMode::None;
  const TemplateBackground& background = document_.background;

  switch (mode) {
    case DragMode::None:
      break;

    case DragMode::RubberBand: {
      setAllSelected(document_, 0);
      if (dragStart_ == dragCurrent_) break;
      touched_ = true;
      const std::int64_t left = std::int64_t{std::min(dragStart_.x, dragCurrent_.x)} + scroll.x;
      const std::int64_t right = std::int64_t{std::max(dragStart_.x, dragCurrent_.x)} + scroll.x;
      const std::int64_t top = std::int64_t{std::min(dragStart_.y, dragCurrent_.y)} + scroll.y;
      const std::int64_t bottom = std::int64_t{std::max(dragStart_.y, dragCurrent_.y)} + scroll.y;
      auto inside = [&](Rect box) {
        return left <= box.x && box.right() <= right && top <= box.y && box.bottom() <= bottom;
      };
      for (TextObject& text : document_.textObjects)
        if (inside(objectBox(text))) text.selected = 1;
      for (auto& picture : document_.pictureObjects)
        if (inside(objectBox(*picture))) picture->selected = 1;
      break;
    }

    case DragMode::Move: {
      const Point p = canvasPoint(client, scroll);
      // Let go beyond the background, the move is called off.
      if (p.x > background.width || p.y > background.height || p.x < 0 || p.y < 0) break;
      dragCurrent_ = client;
      const std::int64_t dx = std::int64_t{client.x} - dragStart_.x;
      const std::int64_t dy = std::int64_t{client.y} - dragStart_.y;
      for (TextObject& text : document_.textObjects)
        if (text.selected != 0) moveBy(text.x, text.y, dx, dy);
      for (auto& picture : document_.pictureObjects)
        if (picture->selected != 0) moveBy(picture->x, picture->y, dx, dy);
      // Even a click that did not move counts as a change.
      touched_ = true;
      break;
    }

    case DragMode::ResizePicture: {
      if (dragStart_ == dragCurrent_) break;
      if (PictureObject* picture = firstSelectedPicture(document_)) {
        const Rect box =
            resizedPictureBox(*picture, dragHandle_, std::int64_t{dragCurrent_.x} - dragStart_.x,
                              std::int64_t{dragCurrent_.y} - dragStart_.y);
        picture->x = box.x;
        picture->y = box.y;
        picture->width = box.width;
        picture->height = box.height;
      }
      touched_ = true;
      break;
    }

    case DragMode::ResizeBackground: {
      if (dragStart_ == dragCurrent_) break;
      TemplateBackground& target = document_.background;
      const Rect resized =
          resizedBackground(target, dragHandle_, std::int64_t{dragCurrent_.x} - dragStart_.x,
                            std::int64_t{dragCurrent_.y} - dragStart_.y);
      target.width = resized.width;
      target.height = resized.height;
      touched_ = true;
      effects.updateScrollBars = true;
      break;
    }
  }
  // A whole drag is one step; a band or a click changes only the selection.
  history_.record(document_);
  return effects;
}

EditorEffects TemplateEditing::rightButtonDown() {
  dragMode_ = DragMode::None;
  EditorEffects effects;
  effects.redraw = true;
  return effects;
}

EditorEffects TemplateEditing::doubleClick(Point client, Point scroll) {
  const EditorEffects effects = bindAt(client, scroll);
  history_.record(document_);
  return effects;
}

EditorEffects TemplateEditing::bindAt(Point client, Point scroll) {
  EditorEffects effects;
  if (topZOrder(document_) == 0) {
    effects.showPanel = EditorEffects::Panel::Background;
    return effects;
  }
  effects.redraw = true;
  const Point p = canvasPoint(client, scroll);
  for (const ObjectRef ref : stackingOrder(document_)) {
    if (!boxContains(boxOf(document_, ref), p)) continue;
    selectAlone(document_, ref);
    effects.showPanel = ref.kind == ObjectRef::Kind::Text ? EditorEffects::Panel::Text
                                                          : EditorEffects::Panel::Picture;
    effects.bound = ref;
    return effects;
  }
  setAllSelected(document_, 0);
  effects.showPanel = EditorEffects::Panel::Background;
  return effects;
}

DragOverlay TemplateEditing::overlay(Point scroll) const {
  DragOverlay result;
  switch (dragMode_) {
    case DragMode::None:
      break;

    case DragMode::RubberBand: {
      const Point a = canvasPoint(dragStart_, scroll);
      const Point b = canvasPoint(dragCurrent_, scroll);
      result.rubberBand = Rect{std::min(a.x, b.x), std::min(a.y, b.y),
                               clampToInt(std::llabs(std::int64_t{b.x} - a.x)),
                               clampToInt(std::llabs(std::int64_t{b.y} - a.y))};
      break;
    }

    case DragMode::Move: {
      const std::int64_t dx = std::int64_t{dragCurrent_.x} - dragStart_.x;
      const std::int64_t dy = std::int64_t{dragCurrent_.y} - dragStart_.y;
      for (const TextObject& text : document_.textObjects)
        if (text.selected != 0) result.moveOutlines.push_back(translate(objectBox(text), dx, dy));
      for (const auto& picture : document_.pictureObjects)
        if (picture->selected != 0)
          result.moveOutlines.push_back(translate(objectBox(*picture), dx, dy));
      break;
    }

    case DragMode::ResizePicture:
      result.cursor = handleCursor(dragHandle_);
      if (const PictureObject* picture = firstSelectedPicture(std::as_const(document_)))
        result.resizeOutline =
            resizedPictureBox(*picture, dragHandle_, std::int64_t{dragCurrent_.x} - dragStart_.x,
                              std::int64_t{dragCurrent_.y} - dragStart_.y);
      break;

    case DragMode::ResizeBackground: {
      result.cursor = handleCursor(dragHandle_);
      // The edges the background will have when the button is let go, drawn
      // after the canvas has been copied into the window: client points.
      const Rect resized = resizedBackground(document_.background, dragHandle_,
                                             std::int64_t{dragCurrent_.x} - dragStart_.x,
                                             std::int64_t{dragCurrent_.y} - dragStart_.y);
      const int right = clampToInt(std::int64_t{resized.width} - scroll.x);
      const int bottom = clampToInt(std::int64_t{resized.height} - scroll.y);
      switch (dragHandle_) {
        case 5:
          result.backgroundLines = {{right, 0}, {right, bottom}, {0, bottom}};
          break;
        case 7:
          result.backgroundLines = {{0, bottom}, {right, bottom}, {right, 0}};
          break;
        case 8:
          result.backgroundLines = {{right, 0}, {right, bottom}, {0, bottom}};
          break;
        default:
          break;
      }
      break;
    }
  }
  return result;
}

void TemplateEditing::moveSelection(int dx, int dy, bool repeated) {
  for (TextObject& text : document_.textObjects)
    if (text.selected != 0) moveBy(text.x, text.y, dx, dy);
  for (auto& picture : document_.pictureObjects)
    if (picture->selected != 0) moveBy(picture->x, picture->y, dx, dy);
  if (!repeated) history_.breakMerge();
  constexpr MergeKey kHeldArrowKey{1};
  changedAndTouched(kHeldArrowKey);
}

void TemplateEditing::setModified(bool modified) {
  if (modified) {
    touched_ = true;
    return;
  }
  // What the file holds now is the template as it stands, whichever way it
  // came to be so.
  history_.record(document_);
  history_.markSaved();
  touched_ = false;
}

void TemplateEditing::startHistory() {
  touched_ = modified();
  history_.reset(document_);
}

void TemplateEditing::changed(MergeKey key) {
  changedAndTouched(key);
}

void TemplateEditing::changedAndTouched(MergeKey key) {
  history_.record(document_, key);
  touched_ = true;
}

bool TemplateEditing::undo() {
  dragMode_ = DragMode::None;
  if (!history_.undo(document_)) return false;
  // Back to another state: whether that is the file's, the history says.
  touched_ = false;
  return true;
}

bool TemplateEditing::redo() {
  dragMode_ = DragMode::None;
  if (!history_.redo(document_)) return false;
  touched_ = false;
  return true;
}

}  // namespace imbrino
