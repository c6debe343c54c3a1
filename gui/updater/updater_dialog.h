#pragma once
// The updater's one window: "总进度:" over a progress bar and the cancel
// button. It reads the command line, runs the update on a worker thread and
// shows what the run reports: its progress, its messages and its retry
// question, each on this window's thread while the worker waits for it. The
// window ends when the run returns, or at once when the user cancels before
// the installation begins; from then on the cancel button is greyed and the
// label says why.

#include <QDialog>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "update/updater.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace imbrino {

class Prompts;

// The run the worker makes, given the command line's values and the window.
using UpdaterRun = std::function<int(const UpdaterArguments&, UpdaterUi&)>;

// The real run: the update of `installFolder` (no trailing slash) from the
// network, through a work folder of its own in `userPrivateFolder`.
UpdaterRun installingRun(std::string installFolder, UpdateTrust trust);

// The caption of every window and message of the updater.
inline constexpr const char* kUpdaterTitle = "升级程序";

class UpdaterDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogId = 102;  // IDD of its layout
  static constexpr int kProgressId = 1000;
  static constexpr int kCancelId = 1001;

  UpdaterDialog(Prompts& prompts, QString commandLine, UpdaterRun run, QWidget* parent = nullptr);
  // Waits for the worker as `finishWorker` does with no time to spare.
  ~UpdaterDialog() override;

  // Reads the command line (a line it cannot read is refused with a message,
  // -1 at once), starts the worker and runs the window until the run ends
  // (its result) or the user cancels (-1).
  int exec() override;

  // After the window has ended: nothing more reaches it, a question the
  // worker waits on is answered Cancel, and the worker gets up to `grace` to
  // stop before its next step. True when it has ended; false when it is
  // still busy (stuck in a download, say) and has been let go. A worker that
  // has begun installing is waited for to the end.
  bool finishWorker(std::chrono::milliseconds grace);

  // The cancel button's question; Yes ends the window with -1 at once.
  // Once the installation has begun, the user is told it cannot be cancelled.
  void cancelUpdate();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Bridge;
  friend class Bridge;

  // On the window's thread, at the worker's request.
  void showRunMessage(const QString& text, UpdaterUi::Icon icon);
  bool askRetry(const QString& text);
  void runEnded(int result);
  void showInstalling();

  Prompts& prompts_;
  QString commandLine_;
  UpdaterRun run_;
  QLabel* label_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  std::shared_ptr<Bridge> bridge_;
  std::thread worker_;
  bool ended_ = false;
};

}  // namespace imbrino
