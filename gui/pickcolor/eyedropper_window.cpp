#include "pickcolor/eyedropper_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "pickcolor/magnifier.h"

namespace imbrino::pickcolor {
namespace {

constexpr int kCaptionHeight = 18;
constexpr int kCaptionPadding = 6;

}  // namespace

EyedropperWindow::EyedropperWindow(QImage screenshot, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      screenshot_(std::move(screenshot)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setCursor(Qt::CrossCursor);
  setFocusPolicy(Qt::StrongFocus);
}

std::uint32_t EyedropperWindow::colourAt(QPoint local) const {
  return colourRefAt(screenshot_,
                     screenshotPixelAt(screenshot_, local, screenshot_.devicePixelRatio()));
}

void EyedropperWindow::setCursorPosition(QPoint local) {
  cursor_ = local;
  update();
}

void EyedropperWindow::showEvent(QShowEvent* event) {
  // Until the mouse moves, the magnifier shows where the cursor already is.
  cursor_ = mapFromGlobal(QCursor::pos());
  QWidget::showEvent(event);
}

void EyedropperWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  painter.drawImage(QPoint(0, 0), screenshot_);
  if (rect().contains(cursor_)) paintMagnifier(painter);
}

void EyedropperWindow::paintMagnifier(QPainter& painter) {
  const QPoint pixel = screenshotPixelAt(screenshot_, cursor_, screenshot_.devicePixelRatio());
  const QImage view = renderMagnifier(screenshot_, pixel);
  const QString text = colourCaption(colourRefAt(screenshot_, pixel));
  // The value's box is as wide as the view, or wider when the text needs it.
  const int boxWidth =
      std::max(view.width(), painter.fontMetrics().horizontalAdvance(text) + 2 * kCaptionPadding);
  const QRect place =
      magnifierPlacement(cursor_, QSize(boxWidth, view.height() + kCaptionHeight), rect());

  painter.drawImage(place.topLeft(), view);
  const QRect caption(place.left(), place.top() + view.height(), boxWidth, kCaptionHeight);
  painter.fillRect(caption, QColor(32, 32, 32));
  painter.setPen(Qt::black);
  painter.drawRect(caption.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::white);
  painter.drawText(caption, Qt::AlignCenter, text);
}

void EyedropperWindow::mouseMoveEvent(QMouseEvent* event) {
  setCursorPosition(event->position().toPoint());
}

void EyedropperWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  emit picked(colourAt(event->position().toPoint()));
}

void EyedropperWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit abandoned();
    return;
  }
  QWidget::keyPressEvent(event);
}

void EyedropperWindow::closeEvent(QCloseEvent* event) {
  // The picker closes its windows itself once it has a colour; anything else
  // asking counts as giving up.
  event->ignore();
  emit abandoned();
}

}  // namespace imbrino::pickcolor
