#pragma once
// The main window's client area: the picture with the template stamped on it,
// grey where there is no picture. The template is moved here, with the left
// mouse button or the arrow keys; the scroll bars move the picture one pixel
// per step.

#include <QAbstractScrollArea>

#include "app/picture_state.h"
#include "app/scroll_axis.h"

namespace imbrino {

class PictureCanvas : public QAbstractScrollArea {
  Q_OBJECT

 public:
  PictureCanvas(PictureState& picture, const Template& editingTemplate, QWidget* parent = nullptr);

  // After a picture was opened or created: both bars start at 0, enabled
  // only on an axis where the picture is larger than the window.
  void setUpScrollBars();
  // After the picture was closed.
  void resetDrag();
  // The picture or the template changed: stamp again before the next paint.
  void refresh();

  const TemplateDrag& drag() const { return drag_; }
  const ScrollAxis& horizontalAxis() const { return horizontal_; }
  // A client point in picture coordinates.
  PicturePoint picturePoint(QPoint client) const;

 signals:
  // The template moved (by a finished drag or an arrow key).
  void templateMoved();
  // The template was double-clicked.
  void editTemplateRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void syncScrollBars();
  void onScrolled(ScrollAxis& axis, int value);
  bool onTemplate(PicturePoint p) const;

  PictureState& picture_;
  const Template& template_;
  TemplateDrag drag_;
  ScrollAxis horizontal_;
  ScrollAxis vertical_;
  bool stampStale_ = true;
  bool syncing_ = false;
};

}  // namespace imbrino
