#include "editor/editor_canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "render/template_compose.h"
#include "widgets/dialog_keys.h"
#include "widgets/surface_image.h"

namespace imbrino {

namespace {

constexpr Pixel kGrey = makePixel(0x80, 0x80, 0x80);
constexpr Pixel kBlack = makePixel(0, 0, 0);

Qt::CursorShape qtCursor(EditorCursor cursor) {
  switch (cursor) {
    case EditorCursor::SizeWestEast:
      return Qt::SizeHorCursor;
    case EditorCursor::SizeNorthSouth:
      return Qt::SizeVerCursor;
    case EditorCursor::SizeNwSe:
      return Qt::SizeFDiagCursor;
    case EditorCursor::SizeNeSw:
      return Qt::SizeBDiagCursor;
    case EditorCursor::Arrow:
      break;
  }
  return Qt::ArrowCursor;
}

// An outline as the editor draws boxes: the pen covers x .. x + w - 1.
void outline(QPainter& painter, const Rect& r) {
  if (r.width <= 0 || r.height <= 0) return;
  painter.drawRect(QRect(r.x, r.y, r.width - 1, r.height - 1));
}

}  // namespace

EditorCanvas::EditorCanvas(TemplateEditing& editing, EffectsHandler handler, QWidget* parent)
    : PixelScrollArea(parent), editing_(editing), handler_(std::move(handler)) {
  setObjectName(QStringLiteral("EditorCanvas"));
  setFocusPolicy(Qt::StrongFocus);
  // Moves without a button choose the cursor over handles and grips.
  viewport()->setMouseTracking(true);
}

QSize EditorCanvas::contentSize() const {
  const Rect shown = shownBackground(editing_.document().background);
  return {shown.width, shown.height};
}

void EditorCanvas::setUpScrollBars() {
  setUpAxes();
  templateChanged();
}

void EditorCanvas::updateScrollBars() {
  resizeAxes();
}

void EditorCanvas::templateChanged() {
  canvasStale_ = true;
  viewport()->update();
}

Point EditorCanvas::scroll() const {
  const QPoint offset = scrollOffset();
  return {offset.x(), offset.y()};
}

void EditorCanvas::composeCanvas() {
  canvasStale_ = false;
  // A background beyond the editor's sizes (from a file made elsewhere, or a
  // damaged one) shows as much of itself as fits, or nothing but grey; the
  // editor says why.
  const Rect shown = shownBackground(editing_.document().background);
  auto canvas = Surface::create(shown.width, shown.height, kGrey);
  if (!canvas) {
    canvas_ = Surface();
    return;
  }
  canvas_ = std::move(*canvas);
  drawTemplate(canvas_, 0, 0, editing_.document(), true, true);
  const int w = canvas_.width();
  const int h = canvas_.height();
  canvas_.fillRect({0, 0, w, 1}, kBlack);
  canvas_.fillRect({0, h - 1, w, 1}, kBlack);
  canvas_.fillRect({0, 0, 1, h}, kBlack);
  canvas_.fillRect({w - 1, 0, 1, h}, kBlack);
}

void EditorCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
  if (canvasStale_) composeCanvas();
  const Point offset = scroll();
  if (!canvas_.empty()) painter.drawImage(QPoint(-offset.x, -offset.y), imageOfSurface(canvas_));

  const DragOverlay overlay = editing_.overlay(offset);
  if (overlay.cursor) setEditorCursor(*overlay.cursor);
  // Outlines in canvas coordinates, cut at the canvas as they are drawn on it.
  painter.save();
  painter.translate(-offset.x, -offset.y);
  if (!canvas_.empty()) painter.setClipRect(0, 0, canvas_.width(), canvas_.height());
  painter.setBrush(Qt::NoBrush);
  if (overlay.rubberBand) {
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    outline(painter, *overlay.rubberBand);
  }
  painter.setPen(QPen(Qt::black, 0));
  for (const Rect& box : overlay.moveOutlines) outline(painter, box);
  if (overlay.resizeOutline) outline(painter, *overlay.resizeOutline);
  painter.restore();
  // The background's new edges, in client coordinates, over the whole client.
  if (overlay.backgroundLines.size() >= 2) {
    painter.setPen(QPen(Qt::black, 0));
    for (std::size_t i = 1; i < overlay.backgroundLines.size(); ++i) {
      const Point a = overlay.backgroundLines[i - 1];
      const Point b = overlay.backgroundLines[i];
      painter.drawLine(a.x, a.y, b.x, b.y);
    }
  }
}

void EditorCanvas::setEditorCursor(EditorCursor cursor) {
  viewport()->setCursor(qtCursor(cursor));
}

void EditorCanvas::apply(const EditorEffects& effects) {
  if (effects.cursor) setEditorCursor(*effects.cursor);
  if (effects.updateScrollBars) updateScrollBars();
  if (effects.redraw) templateChanged();
  if (handler_) handler_(effects);
}

void EditorCanvas::mousePressEvent(QMouseEvent* event) {
  const Point client{event->position().toPoint().x(), event->position().toPoint().y()};
  if (event->button() == Qt::LeftButton)
    apply(editing_.leftButtonDown(client, scroll(),
                                  event->modifiers().testFlag(Qt::ControlModifier)));
  else if (event->button() == Qt::RightButton)
    apply(editing_.rightButtonDown());
}

void EditorCanvas::mouseMoveEvent(QMouseEvent* event) {
  const Point client{event->position().toPoint().x(), event->position().toPoint().y()};
  const bool keyState = event->buttons() != Qt::NoButton || event->modifiers() != Qt::NoModifier;
  const EditorEffects effects = editing_.mouseMove(client, scroll(), keyState);
  if (effects.cursor) setEditorCursor(*effects.cursor);
  // A move only moves the outlines: the composed template stays.
  if (effects.redraw) viewport()->update();
}

void EditorCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Point client{event->position().toPoint().x(), event->position().toPoint().y()};
  apply(editing_.leftButtonUp(client, scroll()));
}

void EditorCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Point client{event->position().toPoint().x(), event->position().toPoint().y()};
  apply(editing_.doubleClick(client, scroll()));
}

void EditorCanvas::keyPressEvent(QKeyEvent* event) {
  const std::optional<QPoint> step = arrowKeyStep(*event);
  if (!step) {
    event->ignore();  // Enter and Escape reach the editor, which ignores them
    return;
  }
  editing_.moveSelection(step->x(), step->y(), event->isAutoRepeat());
  EditorEffects effects;
  effects.redraw = true;
  apply(effects);
}

}  // namespace imbrino
