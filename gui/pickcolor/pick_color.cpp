#include "pickcolor/pick_color.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QWindow>
#include <memory>
#include <optional>
#include <vector>

#include "pickcolor/eyedropper_window.h"

namespace imbrino {
namespace {

using pickcolor::EyedropperWindow;

// The eyedropper's windows, one per screen, and the choice they end with.
class EyedropperSession {
 public:
  EyedropperSession() {
    for (QScreen* screen : QGuiApplication::screens()) {
      QImage shot = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
      shot.setDevicePixelRatio(screen->devicePixelRatio());
      // The first window is modal over the whole program (the picker is often
      // called from a modal dialog); the others are its children, so that
      // modality does not block them.
      auto* window = new EyedropperWindow(std::move(shot), first_.get());
      if (!first_) {
        first_.reset(window);
        window->setWindowModality(Qt::ApplicationModal);
      }
      window->winId();
      window->windowHandle()->setScreen(screen);
      window->setGeometry(screen->geometry());
      windows_.push_back(window);

      QObject::connect(window, &EyedropperWindow::picked, &loop_,
                       [this](std::uint32_t colour) { finish(colour); });
      QObject::connect(window, &EyedropperWindow::abandoned, &loop_,
                       [this] { finish(colourUnderCursor()); });
    }
  }

  ~EyedropperSession() {
    if (first_) first_->releaseKeyboard();
    for (EyedropperWindow* window : windows_) window->hide();
  }

  EyedropperSession(const EyedropperSession&) = delete;
  EyedropperSession& operator=(const EyedropperSession&) = delete;

  std::uint32_t run() {
    if (windows_.empty()) return 0;
    for (EyedropperWindow* window : windows_) window->showFullScreen();
    EyedropperWindow* home = windowAt(QCursor::pos());
    home->raise();
    home->activateWindow();
    home->setFocus();
    // Escape must reach the picker even where the window manager keeps the
    // focus elsewhere.
    first_->grabKeyboard();
    if (!chosen_) loop_.exec();
    return chosen_.value_or(0);
  }

 private:
  EyedropperWindow* windowAt(QPoint global) const {
    for (EyedropperWindow* window : windows_)
      if (window->geometry().contains(global)) return window;
    return windows_.front();
  }

  std::uint32_t colourUnderCursor() const {
    const QPoint global = QCursor::pos();
    EyedropperWindow* window = windowAt(global);
    return window->colourAt(window->mapFromGlobal(global));
  }

  void finish(std::uint32_t colour) {
    if (chosen_) return;
    chosen_ = colour;
    loop_.quit();
  }

  QEventLoop loop_;
  std::unique_ptr<EyedropperWindow> first_;
  std::vector<EyedropperWindow*> windows_;
  std::optional<std::uint32_t> chosen_;
};

}  // namespace

std::uint32_t PickColor() {
  // Without a widget application there is no screen to pick from.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  EyedropperSession session;
  return session.run();
}

}  // namespace imbrino
