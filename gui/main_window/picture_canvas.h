#pragma once
// The main window's client area: the picture with the template stamped on it,
// grey where there is no picture. The template is moved here, with the left
// mouse button or the arrow keys; the scroll bars move the picture one pixel
// per step.

#include "session/picture_state.h"
#include "widgets/pixel_scroll_area.h"

namespace imbrino {

class PictureCanvas : public PixelScrollArea {
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
  // A client point in picture coordinates.
  PicturePoint picturePoint(QPoint client) const;

 signals:
  // The template moved (by a finished drag or an arrow key).
  void templateMoved();
  // The template was double-clicked.
  void editTemplateRequested();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QSize contentSize() const override;
  bool onTemplate(PicturePoint p) const;

  PictureState& picture_;
  const Template& template_;
  TemplateDrag drag_;
  bool stampStale_ = true;
};

}  // namespace imbrino
