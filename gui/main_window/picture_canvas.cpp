#include "main_window/picture_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/dialog_keys.h"
#include "widgets/surface_image.h"

namespace imbrino {

namespace {
const QColor kClientGrey(0x80, 0x80, 0x80);
}  // namespace

PictureCanvas::PictureCanvas(PictureState& picture, const Template& editingTemplate,
                             QWidget* parent)
    : PixelScrollArea(parent), picture_(picture), template_(editingTemplate) {
  setObjectName(QStringLiteral("PictureCanvas"));
  setFocusPolicy(Qt::StrongFocus);
  // A move with no button held must reach us to end a drag whose release
  // happened elsewhere.
  viewport()->setMouseTracking(true);
}

QSize PictureCanvas::contentSize() const {
  return {picture_.pictureWidth(), picture_.pictureHeight()};
}

void PictureCanvas::setUpScrollBars() {
  setUpAxes();
  refresh();
}

void PictureCanvas::resetDrag() {
  drag_.reset();
  viewport()->update();
}

void PictureCanvas::refresh() {
  stampStale_ = true;
  viewport()->update();
}

PicturePoint PictureCanvas::picturePoint(QPoint client) const {
  const QPoint scroll = scrollOffset();
  return {client.x() + scroll.x(), client.y() + scroll.y()};
}

bool PictureCanvas::onTemplate(PicturePoint p) const {
  return picture_.templateContains(p, template_.background);
}

void PictureCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), kClientGrey);
  if (!picture_.pictureOpen()) return;

  if (stampStale_) {
    picture_.stamp(template_, /*frameWhole=*/true);
    stampStale_ = false;
  }
  const QPoint scroll = scrollOffset();
  painter.translate(-scroll.x(), -scroll.y());
  painter.drawImage(0, 0, imageOfSurface(picture_.compositeSurface()));

  if (drag_.dragging()) {
    // The outline that follows the mouse, on the picture only; the template
    // itself stays put until the button is released.
    const PicturePoint origin = drag_.outlineOrigin(picture_);
    painter.setClipRect(0, 0, picture_.pictureWidth(), picture_.pictureHeight());
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(origin.x, origin.y, template_.background.width, template_.background.height);
  }
}

void PictureCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (drag_.dragging()) {
      drag_.cancel();
      viewport()->update();
    }
    return;
  }
  if (event->button() != Qt::LeftButton || !picture_.pictureOpen()) return;
  const PicturePoint p = picturePoint(event->position().toPoint());
  drag_.press(p, onTemplate(p));
  viewport()->update();
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event) {
  const bool held = event->buttons() != Qt::NoButton || event->modifiers() != Qt::NoModifier;
  const bool wasDragging = drag_.dragging();
  drag_.move(picturePoint(event->position().toPoint()), held);
  if (held || wasDragging) viewport()->update();
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !drag_.dragging()) return;
  const auto distance = drag_.release(picturePoint(event->position().toPoint()), picture_);
  if (distance) {
    picture_.moveTemplateBy(distance->x, distance->y);
    stampStale_ = true;
    emit templateMoved();
  }
  viewport()->update();
}

void PictureCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !picture_.pictureOpen()) return;
  if (onTemplate(picturePoint(event->position().toPoint()))) {
    emit editTemplateRequested();
  } else {
    drag_.cancel();
    viewport()->update();
  }
}

void PictureCanvas::keyPressEvent(QKeyEvent* event) {
  const std::optional<QPoint> step = arrowKeyStep(*event);
  if (!step) {
    // Enter and Escape included: the window does nothing with them.
    event->ignore();
    return;
  }
  // No bounds: the template may go entirely off the picture and come back.
  picture_.moveTemplateBy(step->x(), step->y());
  drag_.cancel();
  stampStale_ = true;
  emit templateMoved();
  viewport()->update();
}

}  // namespace imbrino
