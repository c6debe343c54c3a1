#include "widgets/kbc_bmp.h"

#include <QPainter>

#include "widgets/bitmap_helpers.h"

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
  return keyedTransparent(picture_.image().copy(index * frameWidth_, 0, frameWidth_, stripHeight_),
                          colourKey);
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
