#include "render/object_render.h"

#include "platform/gbk.h"
#include "text/text_layout.h"

namespace imbrino {
namespace {

// Opacity fields are 16 bits wide in the records; only the low byte ever
// reached the blend, so a file holding 300 draws at 44.
std::uint8_t opacityOf(std::int16_t alpha) {
  return static_cast<std::uint8_t>(alpha & 0xFF);
}

// Runs `draw` on a painter whose logical (0, 0) is the box's top-left corner,
// clipped to the box, then lays the result over what was there with `alpha`.
// Documents may put a box anywhere a 32-bit field reaches; the corner is added
// to the painter's origin in 64 bits, and whatever of a box can be seen lies
// on the picture, so inside the box every coordinate is a small number. Fully
// opaque objects are drawn in place; the others through a copy of just the
// visible part of their box.
template <class Draw>
void drawInBox(const Painter& painter, Rect box, std::uint8_t alpha, Draw draw) {
  if (alpha == 0) return;
  Painter inBox = painter.within({box.x, box.y}, {0, 0, box.width, box.height});
  if (inBox.clip().empty()) return;
  if (alpha == 255) {
    draw(inBox);
    return;
  }
  Rect visible;
  auto layer = inBox.grab({0, 0, box.width, box.height}, visible);
  if (!layer || layer->empty()) return;
  Painter onLayer(*layer, {-visible.x, -visible.y}, visible);
  draw(onLayer);
  inBox.blend(*layer, layer->bounds(), {visible.x, visible.y}, alpha);
}

// The glyphs and lines of `layout`, on a painter in box coordinates. Glyphs
// that cannot reach what the painter sees are not rendered at all.
void drawGlyphs(Painter& inBox, int width, const TextLayout& layout, Pixel colour) {
  const Rect visible = inBox.clip();
  for (const LayoutGlyph& glyph : layout.glyphs) {
    auto mask = rasterizeGlyph(layout, glyph, visible);
    if (!mask || mask->width == 0) continue;
    inBox.paintMask({mask->coverage.data(), mask->width, mask->height}, {mask->x, mask->y}, colour);
  }
  if (layout.underline)
    inBox.fill({0, layout.underlineTop, width, layout.underlineThickness}, colour);
  if (layout.strikeOut)
    inBox.fill({0, layout.strikeOutTop, width, layout.strikeOutThickness}, colour);
}

}  // namespace

void paintBackground(Painter& painter, const TemplateBackground& background) {
  if (background.transparent != 0) return;
  painter.fill({0, 0, background.width, background.height}, pixelFromColorRef(background.colour),
               opacityOf(background.alpha));
}

Rect drawTextObject(Painter& painter, const TextObject& text, const PictureFields* fields) {
  std::string content = gbkToUtf8(text.textBytes());
  if (fields) content = expandTextFields(content, *fields);
  auto layout = layoutText(content, text.font);
  // The box the editor measures, even when no font could be used and there
  // is nothing to draw in it.
  const TextExtent extent = textExtent(layout, text.font);
  const Rect box{text.x, text.y, extent.width, extent.height};
  if (!layout || box.empty()) return box;
  drawInBox(painter, box, opacityOf(text.alpha), [&](Painter& inBox) {
    if (text.transparentBack == 0)
      inBox.fill({0, 0, box.width, box.height}, pixelFromColorRef(text.backColour));
    drawGlyphs(inBox, box.width, *layout, pixelFromColorRef(text.textColour));
  });
  return box;
}

Rect drawPictureObject(Painter& painter, const PictureObject& picture) {
  const Rect box{picture.x, picture.y, picture.width, picture.height};
  const Rect source{0, 0, picture.sourceWidth, picture.sourceHeight};
  // Stretching over the box with the opacity is the same as stretching onto a
  // copy of the box and blending that back, without the copy: keyed pixels
  // blend a pixel with itself, which leaves it exactly as it was.
  Painter inBox = painter.within({0, 0}, box);
  const std::uint8_t alpha = opacityOf(picture.alpha);
  if (picture.transparent != 0)
    inBox.stretchKeyed(picture.picture, source, box, pixelFromColorRef(picture.transparentColour),
                       alpha);
  else
    inBox.stretch(picture.picture, source, box, alpha);
  return box;
}

std::array<Rect, 8> selectionHandleRects(Rect box) {
  const std::int64_t x = box.x, y = box.y, w = box.width, h = box.height;
  const std::int64_t mx = x + (w - 4) / 2;
  const std::int64_t my = y + (h - 4) / 2;
  // A square at (left, top), kept in the 32-bit range for boxes at its edge.
  auto square = [](std::int64_t left, std::int64_t top) {
    return translate({0, 0, 4, 4}, left, top);
  };
  return {square(x - 4, y - 4), square(mx, y - 4),    square(x + w, y - 4), square(x - 4, my),
          square(x + w, my),    square(x - 4, y + h), square(mx, y + h),    square(x + w, y + h)};
}

void drawSelectionHandles(Painter& painter, Rect box) {
  for (const Rect& square : selectionHandleRects(box)) painter.fill(square, kPixelBlack);
}

}  // namespace imbrino
