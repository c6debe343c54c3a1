#include "widgets/pixel_scroll_area.h"

#include <QScrollBar>

namespace imbrino {

PixelScrollArea::PixelScrollArea(QWidget* parent) : QAbstractScrollArea(parent) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setSingleStep(1);
    bar->setPageStep(0);  // page steps move nothing
    bar->setTracking(true);
  }
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { onScrolled(horizontal_, value); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int value) { onScrolled(vertical_, value); });
  syncScrollBars();
}

void PixelScrollArea::setUpAxes() {
  const QSize content = contentSize();
  horizontal_.setUp(content.width(), viewport()->width());
  vertical_.setUp(content.height(), viewport()->height());
  syncScrollBars();
  viewport()->update();
}

void PixelScrollArea::resizeAxes() {
  const QSize content = contentSize();
  horizontal_.resize(content.width(), viewport()->width());
  vertical_.resize(content.height(), viewport()->height());
  syncScrollBars();
  viewport()->update();
}

QPoint PixelScrollArea::scrollOffset() const {
  const QSize content = contentSize();
  return {horizontal_.offset(content.width(), viewport()->width()),
          vertical_.offset(content.height(), viewport()->height())};
}

void PixelScrollArea::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  resizeAxes();
}

void PixelScrollArea::syncScrollBars() {
  syncing_ = true;
  const auto show = [](QScrollBar* bar, const ScrollAxis& axis) {
    bar->setRange(0, axis.maximum());
    bar->setValue(axis.position());
    bar->setEnabled(axis.enabled());
  };
  show(horizontalScrollBar(), horizontal_);
  show(verticalScrollBar(), vertical_);
  syncing_ = false;
}

void PixelScrollArea::onScrolled(ScrollAxis& axis, int value) {
  if (syncing_) return;
  if (axis.track(value)) viewport()->update();
}

}  // namespace imbrino
