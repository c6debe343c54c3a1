#include "main_window/splash_dialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace imbrino {

namespace {
constexpr int kSplashWidth = 583;
constexpr int kSplashHeight = 243;
constexpr int kTickMilliseconds = 1000;
}  // namespace

SplashDialog::SplashDialog(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(QStringLiteral(":/app/splash.bmp")) {
  setObjectName(QStringLiteral("SplashDialog"));
  setFixedSize(kSplashWidth, kSplashHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - kSplashWidth) / 2,
         area.y() + (area.height() - kSplashHeight) / 2);
  }

  timer_.setInterval(kTickMilliseconds);
  connect(&timer_, &QTimer::timeout, this, &SplashDialog::tick);
  timer_.start();
}

void SplashDialog::tick() {
  // Counting 2, 1, 0 and closing on the tick after 0: the third tick.
  if (countdown_ <= 0) {
    accept();
    return;
  }
  --countdown_;
}

void SplashDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, picture_);
}

void SplashDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) accept();
}

void SplashDialog::done(int result) {
  timer_.stop();
  QDialog::done(result);
}

}  // namespace imbrino
