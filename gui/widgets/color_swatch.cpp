#include "widgets/color_swatch.h"

#include <QPainter>

namespace imbrino {

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setColour(ColorRef colour) {
  colour_ = colour;
  update();
}

void ColorSwatch::refresh() {
  repaint();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor::fromRgb(pixelFromColorRef(colour_)));
  painter.setPen(QPen(Qt::black, 0));
  painter.setBrush(Qt::NoBrush);
  // The frame takes the outermost pixels all round.
  painter.drawRect(0, 0, width() - 1, height() - 1);
}

}  // namespace imbrino
