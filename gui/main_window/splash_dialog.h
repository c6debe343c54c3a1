#pragma once
// The picture shown while the program starts: borderless, centred, above
// every other window, gone after about three seconds or at a double click.

#include <QDialog>
#include <QPixmap>
#include <QTimer>

namespace imbrino {

class SplashDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SplashDialog(QWidget* parent = nullptr);

  // Ticks still to wait before the window closes.
  int countdown() const { return countdown_; }
  // One beat of the one-second timer (public so the countdown can be
  // checked without waiting for it).
  void tick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void done(int result) override;

 private:
  QPixmap picture_;
  QTimer timer_;
  int countdown_ = 2;
};

}  // namespace imbrino
