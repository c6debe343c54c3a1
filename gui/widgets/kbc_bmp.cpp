#include "widgets/kbc_bmp.h"

#include <QPainter>

namespace imbrino {

CKbcBmp::CKbcBmp(Prompts& prompts, QWidget* owner) : picture_(prompts, owner) {}

bool CKbcBmp::load(const QString& path) {
  const bool loaded = picture_.load(path);
  stripWidth_ = picture_.width();
  stripHeight_ = picture_.height();
  frameWidth_ = stripWidth_ / kFrameCount;
  return loaded;
}

QImage CKbcBmp::keyedFrame(int index, ColorRef colourKey) const {
  if (index < 0 || index >= kFrameCount || frameWidth_ <= 0 || stripHeight_ <= 0) return {};
  const QImage& strip = picture_.image();
  QImage frame(frameWidth_, stripHeight_, QImage::Format_ARGB32);
  // Compared on the colour bits only: the strip is opaque RGB32.
  const QRgb key = pixelFromColorRef(colourKey) & 0x00FFFFFFu;
  const int left = index * frameWidth_;
  for (int y = 0; y < stripHeight_; ++y) {
    const auto* source = reinterpret_cast<const QRgb*>(strip.constScanLine(y)) + left;
    auto* target = reinterpret_cast<QRgb*>(frame.scanLine(y));
    for (int x = 0; x < frameWidth_; ++x) {
      const QRgb colour = source[x] & 0x00FFFFFFu;
      target[x] = colour == key ? 0u : (colour | 0xFF000000u);
    }
  }
  return frame;
}

void CKbcBmp::draw(QPainter& painter, int index, int x, int y, ColorRef colourKey) const {
  const QImage frame = keyedFrame(index, colourKey);
  if (frame.isNull()) return;
  painter.save();
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QPoint(x, y), frame);
  painter.restore();
}

}  // namespace imbrino
