#include "updater/updater_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <system_error>

#include "shared/prompts.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"

namespace imbrino {

namespace {

// Layout in dialog units.
constexpr int kDialogWidth = 239;
constexpr int kDialogHeight = 61;

QString updaterTitle() {
  return QString::fromUtf8(kUpdaterTitle);
}

// Why the cancel button is greyed once the installation has begun.
const QString kInstallingLabel = QStringLiteral("正在安装新文件,不能取消:");
const QString kCannotCancel =
    QStringLiteral("正在安装新文件,中途取消会使程序的文件新旧混杂,请等待安装完成");

MessageIcon messageIconOf(UpdaterUi::Icon icon) {
  switch (icon) {
    case UpdaterUi::Icon::Error:
      return MessageIcon::Error;
    case UpdaterUi::Icon::Warning:
      return MessageIcon::Warning;
    case UpdaterUi::Icon::None:
      break;
  }
  return MessageIcon::None;
}

}  // namespace

UpdaterRun installingRun(std::string installFolder, UpdateTrust trust) {
  return [installFolder = std::move(installFolder), trust = std::move(trust)](
             const UpdaterArguments& arguments, UpdaterUi& ui) {
    // A cancel ends the download under way at once, not after its time-out.
    CurlDownloader downloader({}, [&ui] { return ui.cancelled(); });
    return runUpdate(arguments, installFolder, userPrivateFolder().value_or(std::string()),
                     downloader, ui, trust);
  };
}

// What the worker sees of the window. Calls come from the worker and are
// carried to the window's thread as queued calls; those that need an answer
// (or, like a message, must be seen before the run goes on) wait for it.
// Once the window lets go (`detach`), nothing more is sent; a call that was
// sent and never ran breaks its promise, which the worker takes as Cancel.
class UpdaterDialog::Bridge final : public UpdaterUi {
 public:
  explicit Bridge(UpdaterDialog* dialog) : dialog_(dialog) {}

  void setRange(int low, int high) override {
    post([low, high](UpdaterDialog& d) { d.progress_->setRange(low, high); });
  }
  void setPosition(int position) override {
    post([position](UpdaterDialog& d) { d.progress_->setValue(position); });
  }
  void message(const std::string& text, Icon icon) override {
    ask<bool>(
        [text = QString::fromStdString(text), icon](UpdaterDialog& d) {
          d.showRunMessage(text, icon);
          return true;
        },
        false);
  }
  bool askRetry(const std::string& text) override {
    return ask<bool>(
        [text = QString::fromStdString(text)](UpdaterDialog& d) { return d.askRetry(text); },
        false);
  }
  bool cancelled() const override { return state_ == State::Cancelled; }
  bool beginInstalling() override {
    State running = State::Running;
    if (!state_.compare_exchange_strong(running, State::Installing)) return false;
    post([](UpdaterDialog& d) { d.showInstalling(); });
    return true;
  }

  // False once the installation has begun: the run then finishes.
  bool cancel() {
    State running = State::Running;
    return state_.compare_exchange_strong(running, State::Cancelled) || state_ == State::Cancelled;
  }
  bool installing() const { return state_ == State::Installing; }

  // The window ends: nothing is sent to it any more.
  void detach() {
    std::lock_guard lock(mutex_);
    dialog_ = nullptr;
  }

  // The worker, when the run has returned.
  void runEnded(int result) {
    post([result](UpdaterDialog& d) { d.runEnded(result); });
    std::lock_guard lock(mutex_);
    ended_ = true;
    endedChanged_.notify_all();
  }
  bool waitUntilEnded(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return endedChanged_.wait_for(lock, timeout, [this] { return ended_; });
  }

 private:
  // False when the window has let go.
  bool post(std::function<void(UpdaterDialog&)> call) {
    std::lock_guard lock(mutex_);
    if (dialog_ == nullptr) return false;
    UpdaterDialog* dialog = dialog_;
    QMetaObject::invokeMethod(
        dialog, [dialog, call = std::move(call)] { call(*dialog); }, Qt::QueuedConnection);
    return true;
  }

  template <class T>
  T ask(std::function<T(UpdaterDialog&)> call, T unanswered) {
    if (cancelled()) return unanswered;
    auto promise = std::make_shared<std::promise<T>>();
    std::future<T> answer = promise->get_future();
    if (!post([promise, call = std::move(call)](UpdaterDialog& d) { promise->set_value(call(d)); }))
      return unanswered;
    try {
      return answer.get();
    } catch (const std::future_error&) {
      return unanswered;  // the window ended before it could ask
    }
  }

  std::mutex mutex_;
  std::condition_variable endedChanged_;
  UpdaterDialog* dialog_;
  bool ended_ = false;
  enum class State { Running, Cancelled, Installing };
  std::atomic<State> state_ = State::Running;
};

UpdaterDialog::UpdaterDialog(Prompts& prompts, QString commandLine, UpdaterRun run, QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      commandLine_(std::move(commandLine)),
      run_(std::move(run)),
      bridge_(std::make_shared<Bridge>(this)) {
  setObjectName(QStringLiteral("UpdaterDialog"));
  setWindowTitle(updaterTitle());
  // A window of its own on the task bar, with a caption but no close box:
  // it ends when the run does, or by its cancel button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowIcon(QIcon(QStringLiteral(":/app/update.png")));
  setFont(DialogUnits::dialogFont());

  const DialogUnits du(font());
  setFixedSize(du.size(kDialogWidth, kDialogHeight));
  label_ = new QLabel(QStringLiteral("总进度:"), this);
  label_->setGeometry(du.rect(7, 7, 29, 8));
  progress_ = new QProgressBar(this);
  setControlId(progress_, kProgressId);
  progress_->setGeometry(du.rect(7, 23, 225, 12));
  progress_->setTextVisible(false);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  cancelButton_ =
      addDialogButton(this, kCancelId, QStringLiteral("取消升级(&C)"), du.rect(94, 40, 50, 14));

  // The window's message map.
  connect(cancelButton_, &QPushButton::clicked, this, &UpdaterDialog::cancelUpdate);
}

UpdaterDialog::~UpdaterDialog() {
  finishWorker(std::chrono::milliseconds(0));
}

int UpdaterDialog::exec() {
  const auto arguments = parseUpdaterCommandLine(commandLine_.toStdString());
  if (!arguments) {
    prompts_.message(nullptr, updaterTitle(), QStringLiteral("输入命令参数有误"),
                     MessageIcon::Error, MessageButtons::Ok);
    return -1;
  }
  try {
    worker_ = std::thread([bridge = bridge_, run = run_, arguments = *arguments] {
      bridge->runEnded(run(arguments, *bridge));
    });
  } catch (const std::system_error&) {
    prompts_.message(nullptr, updaterTitle(), QStringLiteral("开起下载线程失败"),
                     MessageIcon::Error, MessageButtons::Ok);
    return -1;
  }
  return QDialog::exec();
}

bool UpdaterDialog::finishWorker(std::chrono::milliseconds grace) {
  bridge_->cancel();
  bridge_->detach();
  // Calls sent but not yet run are dropped here; a worker waiting on one
  // gets its broken promise.
  QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
  if (!worker_.joinable()) return true;
  // An installation under way is never abandoned halfway, however long it
  // takes; with nobody to answer, its questions are answered Cancel.
  if (bridge_->installing() || bridge_->waitUntilEnded(grace)) {
    worker_.join();
    return true;
  }
  // The bridge (shared with the worker) outlives the window, so the worker
  // may finish its step and return to nobody.
  worker_.detach();
  return false;
}

void UpdaterDialog::cancelUpdate() {
  if (ended_) return;
  if (!bridge_->installing()) {
    const MessageAnswer answer =
        prompts_.message(this, updaterTitle(), QStringLiteral("是否要退出升级程序?"),
                         MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes || ended_) return;
    // The installation may have begun while the question was open.
    if (bridge_->cancel()) {
      ended_ = true;
      done(-1);
      return;
    }
  }
  prompts_.message(this, updaterTitle(), kCannotCancel, MessageIcon::Warning, MessageButtons::Ok);
}

void UpdaterDialog::showInstalling() {
  cancelButton_->setEnabled(false);
  label_->setText(kInstallingLabel);
  label_->setGeometry(DialogUnits(font()).rect(7, 7, 225, 8));
}

void UpdaterDialog::showRunMessage(const QString& text, UpdaterUi::Icon icon) {
  prompts_.message(this, updaterTitle(), text, messageIconOf(icon), MessageButtons::Ok);
}

bool UpdaterDialog::askRetry(const QString& text) {
  return prompts_.message(this, updaterTitle(), text, MessageIcon::None,
                          MessageButtons::RetryCancel) == MessageAnswer::Retry;
}

void UpdaterDialog::runEnded(int result) {
  if (ended_) return;
  ended_ = true;
  done(result);
}

void UpdaterDialog::keyPressEvent(QKeyEvent* event) {
  // Neither Enter nor Escape ends the window.
  if (isEnterOrEscape(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void UpdaterDialog::closeEvent(QCloseEvent* event) {
  // The window manager's close (Alt+F4) is no way out either.
  event->ignore();
}

}  // namespace imbrino
