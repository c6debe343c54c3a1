#include "batch_window/placement_pickers.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/dialog_units.h"

namespace imbrino {
namespace {

constexpr int kLabelCellHeight = 12;
constexpr ColorRef kTemplateSquareColour = 0x00FF00;  // green

QColor colourOf(ColorRef colour) {
  return QColor::fromRgb(pixelFromColorRef(colour));
}

// A one-pixel outline inside `r`, as a rectangle with a null brush draws it.
void drawFrame(QPainter& painter, const QRect& r, const QColor& colour) {
  if (r.isEmpty()) return;
  painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
  painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
  painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
  painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

// The blank picker: white with a black outline.
void drawGround(QPainter& painter, const QSize& size) {
  const QRect whole(QPoint(0, 0), size);
  painter.fillRect(whole, Qt::white);
  drawFrame(painter, whole, Qt::black);
}

// Black lettering centred in `box` by its advance width and cell height (so
// the text box is centred, not the ink), in the picker's font.
void drawCentredLabel(QPainter& painter, const QFont& font, const QRect& box, const QString& text) {
  const QFontMetrics metrics(font);
  const int x = box.left() + (box.width() - metrics.horizontalAdvance(text)) / 2;
  const int y = box.top() + (box.height() - metrics.height()) / 2;
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

// The dialog face at a size whose cell (ascent + descent) is `cellHeight`
// pixels, as a font asked for by its cell height comes out.
QFont fontOfCellHeight(int cellHeight) {
  QFont font = DialogUnits::dialogFont();
  font.setWeight(QFont::Normal);
  // Crisp black strokes, as the small face is drawn from its bitmaps; smoothed
  // at this size on a red cell it reads as a smudge.
  font.setStyleStrategy(QFont::NoAntialias);
  int pixels = cellHeight;
  font.setPixelSize(pixels);
  while (pixels > 1 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--pixels);
  return font;
}

}  // namespace

PlacementPicker::PlacementPicker(PlacementValues initial, QWidget* parent)
    : QWidget(parent), values_(initial), labelFont_(fontOfCellHeight(kLabelCellHeight)) {
  // A move with Shift or Ctrl held picks as a drag does, so the mouse is
  // followed even with no button down.
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlacementPicker::setPickerEnabled(bool enabled) {
  enabled_ = enabled;
  repaint();
}

void PlacementPicker::pick(QPoint position) {
  const PlacementValues picked = valuesAt(position);
  const bool changed = picked != values_;
  values_ = picked;
  repaint();
  if (changed) emit valuesChanged();
}

void PlacementPicker::mousePressEvent(QMouseEvent* event) {
  // A disabled picker swallows the mouse: nothing reaches the window below.
  event->accept();
  if (enabled_ && event->button() == Qt::LeftButton) pick(event->position().toPoint());
}

void PlacementPicker::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  const bool dragging = event->buttons() != Qt::NoButton ||
                        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
  if (enabled_ && dragging) pick(event->position().toPoint());
}

// -- PositionPicker ----------------------------------------------------------

PositionPicker::PositionPicker(QWidget* parent) : PlacementPicker(kDefaultAnchor, parent) {}

QRect PositionPicker::cellRect(int column, int row, QSize client) {
  const int c = client.width() / 3;
  const int e = client.height() / 3;
  return {c * column, e * row, c, e};
}

PlacementValues PositionPicker::valuesAt(QPoint position) const {
  return {cellFromClick(position.x(), width()), cellFromClick(position.y(), height())};
}

void PositionPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawGround(painter, size());

  const int c = width() / 3;
  const int e = height() / 3;
  for (int i = 0; i < 3; ++i) {
    painter.fillRect(QRect(c * i, 0, 1, height()), Qt::black);
    painter.fillRect(QRect(0, e * i, width(), 1), Qt::black);
  }

  const PlacementValues cell = placementValues();
  const QRect marked = cellRect(cell.horizontal, cell.vertical, size());
  painter.fillRect(marked, colourOf(markColour()));
  drawFrame(painter, marked, Qt::black);

  const std::string_view name = kAnchorCellNames[cell.horizontal + 3 * cell.vertical];
  drawCentredLabel(painter, labelFont(), marked,
                   QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

// -- PercentPicker -----------------------------------------------------------

PercentPicker::PercentPicker(QWidget* parent) : PlacementPicker(kDefaultPercent, parent) {}

QPoint PercentPicker::markPosition(QSize client) const {
  const PlacementValues values = placementValues();
  return {percentMarkPosition(values.horizontal, client.width()),
          percentMarkPosition(values.vertical, client.height())};
}

PlacementValues PercentPicker::valuesAt(QPoint position) const {
  return {percentFromClick(position.x(), width()), percentFromClick(position.y(), height())};
}

void PercentPicker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawGround(painter, size());

  const QColor line = colourOf(markColour());
  const QColor fill = colourOf(pickerEnabled() ? kTemplateSquareColour : inactiveColour());
  const QPoint mark = markPosition(size());
  painter.fillRect(QRect(mark.x(), 0, 1, height()), line);
  painter.fillRect(QRect(0, mark.y(), width(), 1), line);

  const QRect square(mark, QSize(kMarkSize, kMarkSize));
  painter.fillRect(square, fill);
  drawFrame(painter, square, line);
  drawCentredLabel(painter, labelFont(), square, QStringLiteral("模板"));
}

}  // namespace imbrino
