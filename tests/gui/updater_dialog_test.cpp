// The updater's window over fake runs: its controls, the command line it
// refuses, the run's progress, messages and retry question reaching the
// window's thread, the cancel question, and the lock it shares with the
// desktop program.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>

#include "gui/support/app_fixture.h"
#include "platform/instance_lock.h"
#include "update/updater.h"
#include "updater/updater_dialog.h"
#include "updater/updater_program.h"
#include "widgets/control_id.h"
#include "widgets/dialog_units.h"

using namespace imbrino;
using namespace std::chrono_literals;

namespace {

const QString kCommandLine = QString::fromStdString(
    updaterCommandLine(kBuiltInVersion, "https://updates.example/Update.ini"));
const QString kTitle = QStringLiteral("升级程序");

// A run that waits (at most five seconds) for the user to cancel.
int waitForCancel(const UpdaterArguments&, UpdaterUi& ui) {
  for (int i = 0; i < 500 && !ui.cancelled(); ++i) std::this_thread::sleep_for(10ms);
  return ui.cancelled() ? -1 : 0;
}

}  // namespace

class UpdaterDialogTest : public QObject {
  Q_OBJECT

 private:
  test::AppFixture app;

  template <class T>
  static T* control(QWidget& dialog, int id) {
    return findControl<T>(dialog, id);
  }

 private slots:
  void init() { app.prompts = ScriptedPrompts(); }

  void itsWindowHasTheLayoutsTextsAndIds() {
    UpdaterDialog dialog(app.prompts, kCommandLine, waitForCancel);
    const DialogUnits du(dialog.font());
    QCOMPARE(dialog.windowTitle(), kTitle);
    QCOMPARE(dialog.size(), du.size(239, 61));
    QVERIFY(!dialog.windowIcon().isNull());
    // On the task bar (a window of its own), with no close box.
    QCOMPARE(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::CustomizeWindowHint);

    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    QCOMPARE(labels.size(), 1);
    QCOMPARE(labels[0]->text(), QStringLiteral("总进度:"));
    QCOMPARE(labels[0]->geometry(), du.rect(7, 7, 29, 8));
    auto* progress = control<QProgressBar>(dialog, UpdaterDialog::kProgressId);
    QVERIFY(progress);
    QCOMPARE(progress->geometry(), du.rect(7, 23, 225, 12));
    auto* cancel = control<QPushButton>(dialog, UpdaterDialog::kCancelId);
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("取消升级(&C)"));
    QCOMPARE(cancel->geometry(), du.rect(94, 40, 50, 14));
    QVERIFY(!cancel->isDefault() && !cancel->autoDefault());
  }

  void aCommandLineItCannotReadIsRefused_data() {
    QTest::addColumn<QString>("commandLine");
    QTest::newRow("empty") << QString();
    QTest::newRow("no dot after the fourth number")
        << QStringLiteral("[3.7.0.0] [https://u.example]");
    QTest::newRow("no address") << QStringLiteral("[3.7.0.0.] []");
    QTest::newRow("a negative number") << QStringLiteral("[3.-7.0.0.] [https://u.example]");
  }
  void aCommandLineItCannotReadIsRefused() {
    QFETCH(QString, commandLine);
    bool ran = false;
    UpdaterDialog dialog(app.prompts, commandLine, [&ran](const UpdaterArguments&, UpdaterUi&) {
      ran = true;
      return 0;
    });
    QCOMPARE(dialog.exec(), -1);
    QVERIFY(!ran);
    QCOMPARE(app.prompts.messages.size(), std::size_t{1});
    const AskedMessage& refused = app.prompts.messages.front();
    QCOMPARE(refused.text, QStringLiteral("输入命令参数有误"));
    QCOMPARE(refused.caption, kTitle);
    QCOMPARE(refused.icon, MessageIcon::Error);
    QCOMPARE(refused.buttons, MessageButtons::Ok);
  }

  void theRunsProgressMessagesAndRetriesReachTheWindow() {
    // Retry twice, then give the file up.
    app.prompts.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Retry, MessageAnswer::Retry,
                                  MessageAnswer::Cancel};
    std::atomic<bool> onWorker = false;
    std::atomic<int> retries = 0;
    UpdaterArguments given;
    const auto run = [&](const UpdaterArguments& arguments, UpdaterUi& ui) {
      given = arguments;
      onWorker = QThread::currentThread() != QCoreApplication::instance()->thread();
      ui.setRange(1, 5);
      ui.setPosition(3);
      ui.message("无升级信息", UpdaterUi::Icon::Warning);
      while (ui.askRetry("文件:/opt/imbrino/Imbrino 无法更新,请保证它没有被打开!")) ++retries;
      ui.message("升级完成", UpdaterUi::Icon::None);
      return ui.cancelled() ? -1 : 0;
    };
    UpdaterDialog dialog(app.prompts, kCommandLine, run);
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(dialog.finishWorker(5s));
    QVERIFY(onWorker);
    QCOMPARE(given.version, kBuiltInVersion);
    QCOMPARE(given.manifestUrl, std::string("https://updates.example/Update.ini"));
    QCOMPARE(retries.load(), 2);

    auto* progress = control<QProgressBar>(dialog, UpdaterDialog::kProgressId);
    QCOMPARE(progress->minimum(), 1);
    QCOMPARE(progress->maximum(), 5);
    QCOMPARE(progress->value(), 3);

    const QString retry = QStringLiteral("文件:/opt/imbrino/Imbrino 无法更新,请保证它没有被打开!");
    QCOMPARE(app.prompts.messageTexts(),
             (QStringList{"无升级信息", retry, retry, retry, "升级完成"}));
    const std::vector<AskedMessage>& asked = app.prompts.messages;
    QCOMPARE(asked[0].icon, MessageIcon::Warning);
    QCOMPARE(asked[1].icon, MessageIcon::None);
    QCOMPARE(asked[1].buttons, MessageButtons::RetryCancel);
    QCOMPARE(asked[4].icon, MessageIcon::None);
    QCOMPARE(asked[4].buttons, MessageButtons::Ok);
    for (const AskedMessage& m : asked) {
      QCOMPARE(m.caption, kTitle);
      QVERIFY(m.onUiThread);
      QVERIFY(m.hadOwner);
    }
  }

  void theCancelButtonAsksAndYesEndsTheWindowAtOnce() {
    std::atomic<bool> askedAfterCancel = false;
    UpdaterDialog dialog(app.prompts, kCommandLine, [&](const UpdaterArguments&, UpdaterUi& ui) {
      const int result = waitForCancel({}, ui);
      // Too late: the window has gone and answers nothing.
      askedAfterCancel = ui.askRetry("文件:x 无法更新,请保证它没有被打开!");
      ui.message("升级完成", UpdaterUi::Icon::None);
      return result;
    });
    bool stayed = false;
    QTimer::singleShot(50, &dialog, [&] {
      // Neither Escape, Enter nor the window manager ends it; No goes on.
      QTest::keyClick(&dialog, Qt::Key_Escape);
      QTest::keyClick(&dialog, Qt::Key_Return);
      dialog.close();
      app.prompts.messageAnswers.push_back(MessageAnswer::No);
      control<QPushButton>(dialog, UpdaterDialog::kCancelId)->click();
      stayed = dialog.isVisible();
      app.prompts.messageAnswers.push_back(MessageAnswer::Yes);
      control<QPushButton>(dialog, UpdaterDialog::kCancelId)->click();
    });
    QCOMPARE(dialog.exec(), -1);
    QVERIFY(stayed);
    QVERIFY(dialog.finishWorker(5s));
    QVERIFY(!askedAfterCancel);
    QCOMPARE(app.prompts.messageTexts(),
             (QStringList{"是否要退出升级程序?", "是否要退出升级程序?"}));
    const AskedMessage& question = app.prompts.messages.front();
    QCOMPARE(question.caption, kTitle);
    QCOMPARE(question.icon, MessageIcon::Question);
    QCOMPARE(question.buttons, MessageButtons::YesNo);
  }

  void onceTheInstallationBeginsCancelIsRefusedAndTheRunFinishes() {
    std::atomic<bool> tried = false;
    std::atomic<bool> sawCancel = false;
    UpdaterDialog dialog(app.prompts, kCommandLine, [&](const UpdaterArguments&, UpdaterUi& ui) {
      if (!ui.beginInstalling()) return -1;
      for (int i = 0; i < 500 && !tried; ++i) std::this_thread::sleep_for(10ms);  // copying
      sawCancel = ui.cancelled();
      return 0;
    });
    auto* cancel = control<QPushButton>(dialog, UpdaterDialog::kCancelId);
    QTimer poll;
    poll.callOnTimeout([&] {
      if (cancel->isEnabled()) return;
      poll.stop();
      app.prompts.messageAnswers.push_back(MessageAnswer::Yes);
      cancel->click();  // greyed: nothing happens
      dialog.cancelUpdate();
      tried = true;
    });
    poll.start(5);
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(dialog.finishWorker(0ms));
    QVERIFY(tried);
    QVERIFY(!sawCancel);
    // Told why, never asked.
    QCOMPARE(app.prompts.messages.size(), std::size_t{1});
    QCOMPARE(app.prompts.messages.front().icon, MessageIcon::Warning);
    QCOMPARE(app.prompts.messages.front().buttons, MessageButtons::Ok);
  }

  void aWorkerStillBusyWhenTheWindowEndsIsLetGo() {
    // Shared with the worker, which outlives this test's frame.
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto returned = std::make_shared<std::atomic<bool>>(false);
    UpdaterDialog dialog(app.prompts, kCommandLine, [=](const UpdaterArguments&, UpdaterUi& ui) {
      while (!*release) std::this_thread::sleep_for(5ms);  // a download that hangs
      ui.message("升级完成", UpdaterUi::Icon::None);
      *returned = true;
      return 0;
    });
    app.prompts.messageAnswers.push_back(MessageAnswer::Yes);
    QTimer::singleShot(20, &dialog,
                       [&] { control<QPushButton>(dialog, UpdaterDialog::kCancelId)->click(); });
    QCOMPARE(dialog.exec(), -1);
    QVERIFY(!dialog.finishWorker(50ms));
    *release = true;  // it ends on its own, talking to nobody
    QTRY_VERIFY(returned->load());
    QCoreApplication::sendPostedEvents();
    QCOMPARE(app.prompts.messages.size(), std::size_t{1});
  }

  void theUpdaterWaitsForTheDesktopProgramsLock() {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    bool ran = false;
    const UpdaterRun run = [&ran](const UpdaterArguments&, UpdaterUi&) {
      ran = true;
      return 0;
    };
    {
      const auto held = acquireInstanceLock();  // Imbrino still running
      QVERIFY(held.has_value());
      const UpdaterOutcome refused = runUpdaterProgram(app.prompts, kCommandLine, run, 0ms);
      QCOMPARE(refused.exitCode, 1);
    }
    QVERIFY(!ran);
    QCOMPARE(app.prompts.messages.size(), std::size_t{1});
    const AskedMessage& message = app.prompts.messages.front();
    QCOMPARE(message.text, QStringLiteral("程序已经在运行,请先关闭相应的程序,再执行升级"));
    QCOMPARE(message.caption, kTitle);
    QCOMPARE(message.icon, MessageIcon::Error);
    QVERIFY(!message.hadOwner);

    // Once it has gone, the update runs.
    const UpdaterOutcome done = runUpdaterProgram(app.prompts, kCommandLine, run, 0ms);
    QCOMPARE(done.exitCode, 0);
    QVERIFY(done.workerEnded);
    QVERIFY(ran);
    qunsetenv("XDG_RUNTIME_DIR");
  }
};

QTEST_MAIN(UpdaterDialogTest)
#include "updater_dialog_test.moc"
