#pragma once
// A client area that scrolls its content one pixel per line step: both bars
// always shown and greyed while the content fits, page steps doing nothing,
// the thumb followed as it is dragged. The main window's picture and the
// template editor's canvas scroll this way.

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

#include "session/scroll_axis.h"

namespace imbrino {

class PixelScrollArea : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit PixelScrollArea(QWidget* parent = nullptr);

  const ScrollAxis& horizontalAxis() const { return horizontal_; }
  const ScrollAxis& verticalAxis() const { return vertical_; }

 protected:
  // The size of what is scrolled, in pixels.
  virtual QSize contentSize() const = 0;

  // After new content: both bars start at 0, enabled only on an axis where
  // the content is larger than the client area.
  void setUpAxes();
  // After the client area or the content changed size: each position is kept
  // while it is below the new maximum, else it goes back to 0.
  void resizeAxes();
  // How far the content is scrolled.
  QPoint scrollOffset() const;

  void resizeEvent(QResizeEvent* event) override;
  // Painting reads the positions itself; nothing is scrolled in place.
  void scrollContentsBy(int, int) override {}

 private:
  void syncScrollBars();
  void onScrolled(ScrollAxis& axis, int value);

  ScrollAxis horizontal_;
  ScrollAxis vertical_;
  bool syncing_ = false;
};

}  // namespace imbrino
