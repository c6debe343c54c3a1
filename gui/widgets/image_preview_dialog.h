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
  // Hands the drag under way to the window system's own move, as if the
  // caption had been grabbed. False where there is none (the window then
  // follows the mouse by hand).
  virtual bool startWindowSystemMove();

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Centres the window, frame and caption included, on its screen.
  void centreOnScreen();
  void endDrag();

  Surface picture_;
  // A press only arms a move: it begins once the mouse has gone the
  // desktop's drag distance with the button down. Handing every press to the
  // window system at once would let it swallow the second click of a double
  // click.
  enum class Drag { None, Armed, ByHand, BySystem };
  Drag drag_ = Drag::None;
  // Where the mouse and the window were when the button went down, in screen
  // coordinates.
  QPoint pressMouse_;
  QPoint pressWindow_;
  // Until the user moves it, the window stays centred as its frame becomes
  // known (the window manager adds it after the window is shown).
  bool movedByUser_ = false;
  QSize centredFrame_;
};

}  // namespace imbrino
