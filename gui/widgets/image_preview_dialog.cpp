#include "widgets/image_preview_dialog.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "image/image_io.h"
#include "widgets/surface_image.h"

namespace imbrino {

ImagePreviewDialog::ImagePreviewDialog(const QString& path, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
  // The title is the path as it is; a literal "[*]" in a file name would
  // otherwise be taken for the modified-marker placeholder.
  QString title = path;
  setWindowTitle(title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
  setMouseTracking(true);

  auto loaded = loadPictureFile(path.toStdString());
  if (loaded) picture_ = std::move(*loaded);
  if (hasPicture()) {
    setFixedSize(pictureSize());
    centreOnScreen();
  }
}

void ImagePreviewDialog::centreOnScreen() {
  QScreen* screen =
      parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

int ImagePreviewDialog::exec() {
  if (!hasPicture()) {
    setResult(QDialog::Rejected);
    return QDialog::Rejected;
  }
  return QDialog::exec();
}

void ImagePreviewDialog::setVisible(bool visible) {
  // Shown without a picture (open() or show()), the dialog closes instead.
  if (visible && !hasPicture()) {
    done(QDialog::Rejected);
    return;
  }
  QDialog::setVisible(visible);
}

void ImagePreviewDialog::paintEvent(QPaintEvent*) {
  if (!hasPicture()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, imageOfSurface(picture_));
}

void ImagePreviewDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QDialog::mousePressEvent(event);
    return;
  }
  setCursor(Qt::SizeAllCursor);
  // The window system moves the window as if its caption had been grabbed;
  // where it cannot, the window follows the mouse by hand.
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) {
    dragging_ = false;
  } else {
    dragging_ = true;
    dragStartMouse_ = event->globalPosition().toPoint();
    dragStartWindow_ = pos();
  }
  event->accept();
}

void ImagePreviewDialog::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) {
    move(dragStartWindow_ + (event->globalPosition().toPoint() - dragStartMouse_));
  } else if (event->buttons() == Qt::NoButton) {
    // A system move ends without a release reaching us.
    dragging_ = false;
    unsetCursor();
  }
  event->accept();
}

void ImagePreviewDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
    unsetCursor();
  }
  event->accept();
}

void ImagePreviewDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragging_ = false;
    unsetCursor();
    accept();
    return;
  }
  QDialog::mouseDoubleClickEvent(event);
}

}  // namespace imbrino
