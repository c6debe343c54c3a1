#pragma once
// The two small pickers of the batch window that choose where the template
// goes on every picture: a 3 x 3 grid of anchor cells, and a cross marking the
// template's top-left corner in percent of the picture's size. A disabled
// picker stays visible, greyed, and ignores the mouse; it is not a disabled
// widget, so the window keeps its tooltips and focus rules.

#include <QFont>
#include <QWidget>

#include "batch/placement.h"
#include "graphics/colour.h"

namespace imbrino {

class PlacementPicker : public QWidget {
  Q_OBJECT

 public:
  // Column and row (0..2), or horizontal and vertical percent (0..100).
  PlacementValues placementValues() const { return values_; }

  // Stores the flag and repaints at once.
  void setPickerEnabled(bool enabled);
  bool pickerEnabled() const { return enabled_; }

  ColorRef activeColour() const { return activeColour_; }
  ColorRef inactiveColour() const { return inactiveColour_; }

 signals:
  // The user picked other values.
  void valuesChanged();

 protected:
  PlacementPicker(PlacementValues initial, QWidget* parent);

  // The values under a click or a drag at `position` (widget pixels).
  virtual PlacementValues valuesAt(QPoint position) const = 0;

  // The colour the marked cell or the template square is drawn in.
  ColorRef markColour() const { return enabled_ ? activeColour_ : inactiveColour_; }
  // The pickers' own lettering: "宋体" 12 pixels high, normal weight.
  const QFont& labelFont() const { return labelFont_; }

  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void pick(QPoint position);

  PlacementValues values_;
  ColorRef activeColour_ = 0x0000FF;    // red
  ColorRef inactiveColour_ = 0x808080;  // grey
  bool enabled_ = true;
  QFont labelFont_;
};

// The nine anchor cells; the marked one is filled and carries its name.
class PositionPicker final : public PlacementPicker {
  Q_OBJECT

 public:
  explicit PositionPicker(QWidget* parent = nullptr);

  // The cell at (column, row) in a picker of `client` size: a third of it
  // each way, rounded down. The pixels the division leaves over at the right
  // and bottom belong to no cell's drawing, but a click there picks the last
  // column or row.
  static QRect cellRect(int column, int row, QSize client);

 protected:
  PlacementValues valuesAt(QPoint position) const override;
  void paintEvent(QPaintEvent* event) override;
};

// Two lines crossing at the chosen point and a 40-pixel square hanging from it
// for the template.
class PercentPicker final : public PlacementPicker {
  Q_OBJECT

 public:
  static constexpr int kMarkSize = 40;

  explicit PercentPicker(QWidget* parent = nullptr);

  // Where the lines cross in a picker of `client` size.
  QPoint markPosition(QSize client) const;

 protected:
  PlacementValues valuesAt(QPoint position) const override;
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace imbrino
