#include "widgets/image_preview_dialog.h"

#include <QApplication>
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
  // Before the window manager has framed the window the frame is the window.
  const QSize whole = frameGeometry().size();
  centredFrame_ = whole;
  const QPoint centred(area.x() + (area.width() - whole.width()) / 2,
                       area.y() + (area.height() - whole.height()) / 2);
  if (pos() != centred) move(centred);
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

bool ImagePreviewDialog::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  // The frame's size is known once the window manager has framed the window,
  // which moves it. Centred again then, once: a manager that keeps the
  // window elsewhere (one larger than the screen, say) has the last word.
  if (event->type() == QEvent::Move && !movedByUser_ && hasPicture() && isVisible() &&
      frameGeometry().size() != centredFrame_)
    centreOnScreen();
  return handled;
}

bool ImagePreviewDialog::startWindowSystemMove() {
  QWindow* window = windowHandle();
  return window != nullptr && window->startSystemMove();
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
  drag_ = Drag::Armed;
  pressMouse_ = event->globalPosition().toPoint();
  pressWindow_ = pos();
  event->accept();
}

void ImagePreviewDialog::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!(event->buttons() & Qt::LeftButton)) {
    // A system move ends without a release reaching us.
    if (drag_ != Drag::None) endDrag();
    return;
  }
  const QPoint travelled = event->globalPosition().toPoint() - pressMouse_;
  if (drag_ == Drag::Armed) {
    if (travelled.manhattanLength() < QApplication::startDragDistance()) return;
    movedByUser_ = true;
    // The window system moves the window as if its caption had been grabbed
    // here; where it cannot, the window follows the mouse by hand.
    drag_ = startWindowSystemMove() ? Drag::BySystem : Drag::ByHand;
  }
  if (drag_ == Drag::ByHand) move(pressWindow_ + travelled);
}

void ImagePreviewDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) endDrag();
  event->accept();
}

void ImagePreviewDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    endDrag();
    accept();
    return;
  }
  QDialog::mouseDoubleClickEvent(event);
}

void ImagePreviewDialog::endDrag() {
  drag_ = Drag::None;
  unsetCursor();
}

}  // namespace imbrino
