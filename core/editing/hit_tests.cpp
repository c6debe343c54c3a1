// What a canvas point hits: object boxes, picture handles, background grips;
// and what a drag of a handle or grip makes of a picture or the background.

#include <algorithm>
#include <cstdint>

#include "editing/editing_detail.h"
#include "editing/template_editing.h"

namespace imbrino {

using editing_detail::clampToInt;
using editing_detail::movesBottomEdge;
using editing_detail::movesLeftEdge;
using editing_detail::movesRightEdge;
using editing_detail::movesTopEdge;

Rect objectBox(const TextObject& text) {
  const TextExtent extent = measureTextObject(text);
  return {text.x, text.y, extent.width, extent.height};
}

Rect objectBox(const PictureObject& picture) {
  return {picture.x, picture.y, picture.width, picture.height};
}

bool boxContains(Rect box, Point p) {
  return box.x <= p.x && p.x <= box.right() && box.y <= p.y && p.y <= box.bottom();
}

std::optional<ObjectRef> hitObjectAt(const Template& document, Point canvas) {
  for (const ObjectRef ref : editing_detail::stackingOrder(document)) {
    const Rect box = ref.kind == ObjectRef::Kind::Text
                         ? objectBox(document.textObjects[static_cast<std::size_t>(ref.index)])
                         : objectBox(*document.pictureObjects[static_cast<std::size_t>(ref.index)]);
    if (boxContains(box, canvas)) return ref;
  }
  return std::nullopt;
}

namespace {

// Inclusive on both ends, as the handle and grip areas are.
bool within(std::int64_t v, std::int64_t low, std::int64_t high) {
  return low <= v && v <= high;
}

}  // namespace

int hitPictureHandle(const PictureObject& picture, Point canvas) {
  const std::int64_t x = picture.x;
  const std::int64_t y = picture.y;
  const std::int64_t w = picture.width;
  const std::int64_t h = picture.height;
  // The middle handles sit at half the box less half a square; the division
  // truncates toward zero, also for boxes narrower than a square.
  const std::int64_t hx = x + (w - 4) / 2;
  const std::int64_t hy = y + (h - 4) / 2;
  const std::int64_t px = canvas.x;
  const std::int64_t py = canvas.y;

  const bool left = within(px, x - 4, x);
  const bool middleX = within(px, hx, hx + 4);
  const bool right = within(px, x + w, x + w + 4);
  const bool top = within(py, y - 4, y);
  const bool middleY = within(py, hy, hy + 4);
  const bool bottom = within(py, y + h, y + h + 4);

  if (left && top) return 1;
  if (middleX && top) return 2;
  if (right && top) return 3;
  if (left && middleY) return 4;
  if (right && middleY) return 5;
  if (left && bottom) return 6;
  if (middleX && bottom) return 7;
  if (right && bottom) return 8;
  return -1;
}

int hitBackgroundGrip(const TemplateBackground& background, Point canvas) {
  const std::int64_t w = background.width;
  const std::int64_t h = background.height;
  const std::int64_t px = canvas.x;
  const std::int64_t py = canvas.y;
  const bool nearRight = within(px, w - 4, w + 4);
  const bool nearBottom = within(py, h - 4, h + 4);
  if (nearRight && within(py, 0, h)) return 5;
  if (nearBottom && within(px, 0, w)) return 7;
  if (nearRight && nearBottom) return 8;
  return -1;
}

EditorCursor handleCursor(int handle) {
  switch (handle) {
    case 1:
    case 8:
      return EditorCursor::SizeNwSe;
    case 3:
    case 6:
      return EditorCursor::SizeNeSw;
    case 2:
    case 7:
      return EditorCursor::SizeNorthSouth;
    case 4:
    case 5:
      return EditorCursor::SizeWestEast;
    default:
      return EditorCursor::Arrow;
  }
}

namespace {

// One side of a picture after a drag of `delta`: a dragged start edge moves
// by it while it stays before the end edge, else one pixel is left at the
// end edge; a dragged end edge moves by it, leaving at least one pixel.
void resizeSpan(std::int64_t& start, std::int64_t& length, bool movesStart, bool movesEnd,
                std::int64_t delta) {
  if (movesStart) {
    if (length - delta > 0) {
      start += delta;
      length -= delta;
    } else {
      start += length;
      length = 1;
    }
  }
  if (movesEnd) length = std::max<std::int64_t>(length + delta, 1);
}

}  // namespace

Rect resizedPictureBox(const PictureObject& picture, int handle, std::int64_t dx, std::int64_t dy) {
  std::int64_t x = picture.x;
  std::int64_t y = picture.y;
  std::int64_t width = picture.width;
  std::int64_t height = picture.height;
  resizeSpan(x, width, movesLeftEdge(handle), movesRightEdge(handle), dx);
  resizeSpan(y, height, movesTopEdge(handle), movesBottomEdge(handle), dy);
  return {clampToInt(x), clampToInt(y), clampToInt(width), clampToInt(height)};
}

Rect resizedBackground(const TemplateBackground& background, int grip, std::int64_t dx,
                       std::int64_t dy) {
  // Only the side the grip moves is kept in range: the other may be anything
  // a file held, and stays so.
  Rect r{0, 0, background.width, background.height};
  if (grip == 5 || grip == 8)
    r.width = static_cast<int>(std::clamp<std::int64_t>(r.width + dx, 1, kMaxBackgroundWidth));
  if (grip == 7 || grip == 8)
    r.height = static_cast<int>(std::clamp<std::int64_t>(r.height + dy, 1, kMaxBackgroundHeight));
  return r;
}

Rect shownBackground(const TemplateBackground& background) {
  if (background.width < 1 || background.height < 1) return {};
  return {0, 0, std::min(background.width, kMaxBackgroundWidth),
          std::min(background.height, kMaxBackgroundHeight)};
}

}  // namespace imbrino
