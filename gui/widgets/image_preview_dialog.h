#pragma once
// One picture file at its natural size, in a window exactly that size: the
// batch dialog shows a listed file with it. The window has no other controls;
// drag anywhere to move it, double-click to close it.

#include <QDialog>
#include <QPoint>
#include <QString>

#include "graphics/surface.h"

namespace imbrino {

class ImagePreviewDialog : public QDialog {
  Q_OBJECT

 public:
  // Reads the picture at once. A file that cannot be read leaves the dialog
  // without a picture: running it then returns Rejected at once, showing
  // nothing.
  explicit ImagePreviewDialog(const QString& path, QWidget* parent = nullptr);

  bool hasPicture() const { return !picture_.empty(); }
  QSize pictureSize() const { return {picture_.width(), picture_.height()}; }

  int exec() override;
  void setVisible(bool visible) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void centreOnScreen();

  Surface picture_;
  // Moving by hand, where the window system cannot move the window for us:
  // the mouse and the window where the drag began, in screen coordinates.
  bool dragging_ = false;
  QPoint dragStartMouse_;
  QPoint dragStartWindow_;
};

}  // namespace imbrino
