#include "widgets/hover_bitmap_button.h"

#include <QEnterEvent>
#include <QPainter>

namespace imbrino {

HoverBitmapButton::HoverBitmapButton(Prompts& prompts, QWidget* parent)
    : QAbstractButton(parent), strip_(prompts, parent) {
  // The button never paints its own background: key-coloured pixels are
  // meant to show whatever lies behind it.
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_Hover);
}

bool HoverBitmapButton::setBitmap(const QString& path, ColorRef colourKey) {
  const bool loaded = strip_.load(path);
  transparentColour_ = colourKey;
  imageRect_ = QRect(0, 0, strip_.frameWidth(), strip_.stripHeight());
  setGeometry(QRect(geometry().topLeft(), imageRect_.size()));
  updateGeometry();
  update();
  return loaded;
}

void HoverBitmapButton::setToolTipText(const QString& text) {
  setToolTip(text);
}

HoverBitmapButton::Frame HoverBitmapButton::currentFrame() const {
  if (isDown()) return PressedFrame;
  if (hovering_) return HoverFrame;
  return NormalFrame;
}

QSize HoverBitmapButton::sizeHint() const {
  return imageRect_.size();
}

void HoverBitmapButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  strip_.draw(painter, currentFrame(), 0, 0, transparentColour_);
}

void HoverBitmapButton::enterEvent(QEnterEvent* event) {
  hovering_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void HoverBitmapButton::leaveEvent(QEvent* event) {
  hovering_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

}  // namespace imbrino
