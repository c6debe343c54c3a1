#include "editor/floating_window.h"

#include <QEvent>
#include <QWindow>

namespace imbrino {

FloatingWindow::FloatingWindow(const SettingsFile& settings, QWidget* editor, std::string section)
    : QDialog(editor), settings_(settings), section_(std::move(section)) {}

FloatingWindow::~FloatingWindow() {
  if (!shown_) return;
  const QPoint frame = frameGeometry().topLeft();
  settings_.writeNumber(section_, "X", frame.x());
  settings_.writeNumber(section_, "Y", frame.y());
}

void FloatingWindow::place() {
  const QPoint corner = placement(frameGeometry().size());
  placedAt_ = corner;
  move(corner);
  // A position given before the window is first shown is where the window
  // manager puts the frame. A window made native before then would have its
  // client put there instead, a title bar lower, unless told that the
  // position includes the frame.
  if (!shown_ && !isVisible() && windowHandle() != nullptr)
    windowHandle()->setFramePosition(corner);
}

void FloatingWindow::setVisible(bool visible) {
  if (visible && !shown_) {
    // Placed again: the editor stands where it stays by now, and it may not
    // have been on the screen yet when this window was made. A window its
    // owner moved meanwhile stays where it was put.
    const bool ownPlace = pos() == placedAt_;
    if (ownPlace) place();
    shown_ = true;
    awaitingFrame_ = ownPlace;
  }
  QDialog::setVisible(visible);
}

bool FloatingWindow::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  // The frame's size is known once the window manager has framed the window,
  // which moves the window within its frame. A default place measured from
  // the editor's right or bottom edge is put right then, once; a window the
  // window manager put elsewhere stays there.
  const QEvent::Type type = event->type();
  if (awaitingFrame_ && isVisible() &&
      (type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show)) {
    const QRect frame = frameGeometry();
    if (frame.size() != size()) {
      awaitingFrame_ = false;
      // Still where it was put: by its frame, or by the window itself where
      // the frame is not in place yet.
      if (frame.topLeft() == placedAt_ || geometry().topLeft() == placedAt_) {
        const QPoint corner = placement(frame.size());
        if (corner != placedAt_) {
          placedAt_ = corner;
          move(corner);
        }
      }
    }
  }
  return handled;
}

}  // namespace imbrino
