#pragma once
// One screen's part of the eyedropper: a frameless window over the whole
// screen showing the screenshot taken just before it opened, with a magnifier
// and the colour's value beside the cursor.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

namespace imbrino::pickcolor {

class EyedropperWindow : public QWidget {
  Q_OBJECT

 public:
  // `screenshot` carries its device pixel ratio. A window with a parent is a
  // window of its own (for the other screens) that the parent's modality
  // does not block.
  explicit EyedropperWindow(QImage screenshot, QWidget* parent = nullptr);

  // The colour (0x00BBGGRR) under a point in this window's coordinates.
  std::uint32_t colourAt(QPoint local) const;
  void setCursorPosition(QPoint local);

 signals:
  // A left click at a pixel of this window.
  void picked(std::uint32_t colourRef);
  // Escape, or the window system asking the window to close: the picker
  // ends with the colour under the cursor, wherever that is.
  void abandoned();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void paintMagnifier(QPainter& painter);

  QImage screenshot_;
  QPoint cursor_;
};

}  // namespace imbrino::pickcolor
