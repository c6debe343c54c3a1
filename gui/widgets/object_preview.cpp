#include "widgets/object_preview.h"

#include <QPainter>
#include <algorithm>

#include "render/object_render.h"
#include "render/painter.h"
#include "widgets/surface_image.h"

namespace imbrino {
namespace {

void drawOutline(Surface& surface) {
  const int w = surface.width();
  const int h = surface.height();
  surface.fillRect({0, 0, w, 1}, kPixelBlack);
  surface.fillRect({0, h - 1, w, 1}, kPixelBlack);
  surface.fillRect({0, 0, 1, h}, kPixelBlack);
  surface.fillRect({w - 1, 0, 1, h}, kPixelBlack);
}

// The text at its natural size, black on an opaque white ground, whatever
// colours and opacity the object itself has.
Expected<Surface> renderPlainText(const TextObject& text, QSize size) {
  auto surface = Surface::create(size.width(), size.height(), kPixelWhite);
  if (!surface) return surface;
  TextObject plain = text;
  plain.x = 0;
  plain.y = 0;
  plain.transparentBack = 0;
  plain.backColour = kColorRefWhite;
  plain.textColour = 0x000000;
  plain.alpha = 255;
  Painter painter(*surface);
  drawTextObject(painter, plain);
  return surface;
}

}  // namespace

ObjectPreview::ObjectPreview(QWidget* parent) : QWidget(parent) {}

void ObjectPreview::setTextObject(const TextObject* text) {
  text_ = text;
  picture_ = nullptr;
  update();
}

void ObjectPreview::setPictureObject(const PictureObject* picture) {
  picture_ = picture;
  text_ = nullptr;
  update();
}

void ObjectPreview::clear() {
  text_ = nullptr;
  picture_ = nullptr;
  update();
}

QRect ObjectPreview::previewRect(QSize object, QSize client) {
  // Sizes from a damaged template may be negative: such an object shows as
  // nothing rather than as a rectangle turned inside out.
  const int w = std::max(object.width(), 0);
  const int h = std::max(object.height(), 0);
  const int cw = std::max(client.width(), 0);
  const int ch = std::max(client.height(), 0);
  int sw = w;
  int sh = h;
  if (w > cw || h > ch) {
    const double ratio = static_cast<double>(w) / h;  // h == 0 here only with w > cw: infinite
    if (h < w) {
      sw = cw;
      sh = static_cast<int>(cw / ratio);
    } else {
      sh = ch;
      sw = static_cast<int>(ratio * ch);
    }
  }
  return {(cw - sw) / 2, (ch - sh) / 2, sw, sh};
}

QSize ObjectPreview::objectSize() const {
  if (picture_ != nullptr) return {picture_->width, picture_->height};
  if (text_ != nullptr) {
    const TextExtent extent = measureTextObject(*text_);
    return {extent.width, extent.height};
  }
  return {};
}

void ObjectPreview::paintEvent(QPaintEvent*) {
  if (text_ == nullptr && picture_ == nullptr) return;
  auto canvas = Surface::create(width(), height(), kPixelWhite);
  if (!canvas || canvas->empty()) return;
  drawOutline(*canvas);

  const QSize object = objectSize();
  const QRect shown = previewRect(object, size());
  const Rect to{shown.x(), shown.y(), shown.width(), shown.height()};
  Painter painter(*canvas);
  if (picture_ != nullptr) {
    painter.stretch(picture_->picture, {0, 0, picture_->sourceWidth, picture_->sourceHeight}, to);
  } else if (!object.isEmpty()) {
    // A text too big to draw at its natural size is left out; the frame
    // still shows.
    if (auto text = renderPlainText(*text_, object)) painter.stretch(*text, text->bounds(), to);
  }
  drawOutline(*canvas);

  QPainter widgetPainter(this);
  widgetPainter.drawImage(0, 0, imageOfSurface(*canvas));
}

}  // namespace imbrino
