// The program's first moments: one copy at a time (the program itself already
// running), the splash, the about box.
#include <sys/stat.h>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "build_config.h"
#include "gui/support/app_fixture.h"
#include "main_window/about_dialog.h"
#include "main_window/application.h"
#include "main_window/main_window.h"
#include "main_window/splash_dialog.h"
#include "shared/program_texts.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"

using namespace imbrino;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inodeOf(const QString& path) {
  struct stat status {};
  return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_ino : 0;
}

// Whether process `pid` holds a whole-file lock (flock) on `path`, as the
// kernel lists them; asking this way takes no lock, so it cannot disturb the
// program it watches.
bool holdsFileLock(qint64 pid, const QString& path) {
  const ino_t inode = inodeOf(path);
  if (inode == 0) return false;
  QFile locks(QStringLiteral("/proc/locks"));
  if (!locks.open(QIODevice::ReadOnly)) return false;
  // "1: FLOCK  ADVISORY  WRITE 4711 00:2d:123456 0 EOF"; a waiter's line has
  // "->" after its number.
  for (const QByteArray& line : locks.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().replace("-> ", "").split(' ');
    if (fields.size() < 6 || fields[1] != "FLOCK") continue;
    if (fields[4].toLongLong() == pid &&
        fields[5].endsWith(':' + QByteArray::number(qulonglong(inode))))
      return true;
  }
  return false;
}

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void aSecondCopyIsRefusedAndLeavesTheSettingsAsTheyWere() {
    // A portable install of the program with settings of its own, and a
    // runtime folder of its own for the lock.
    test::AppFixture app;
    QTemporaryDir runtime;
    const QString program = app.file(QStringLiteral("Imbrino"));
    QVERIFY(QFile::copy(QStringLiteral(IMBRINO_PROGRAM), program));
    const QString settings = app.file(QStringLiteral("SetupInfor.ini"));
    // Written as no run of the program would write it, so any write shows.
    const QByteArray stored =
        "; by hand\r\n[EditTemplate]\r\nFileName =  " +
        app.writeTemplate(QStringLiteral("mark.src"), 40, 30, 0x0000FF).toUtf8() +
        "  \r\n[NewFile]\r\nWidth=640\r\n";
    writeFile(settings, stored);
    const ino_t inode = inodeOf(settings);

    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    first.setProcessEnvironment(environment);
    first.start(program, {});
    QVERIFY(first.waitForStarted());
    const QString lockFile = runtime.filePath(QString::fromUtf8(kInstanceLockName));
    QTRY_VERIFY_WITH_TIMEOUT(holdsFileLock(first.processId(), lockFile), 5000);

    // The second copy, started here so that its message is answered by
    // script; should it go on past the lock, its windows are closed for it
    // and the checks below fail rather than wait.
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QTimer closer;
    closer.callOnTimeout([] {
      for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) window->close();
    });
    closer.start(500);
    QCOMPARE(runProgram(app.prompts, app.folder.path().toStdString() + '/', QString()), 1);
    closer.stop();

    QCOMPARE(app.prompts.messages.size(), std::size_t{1});
    const AskedMessage& refused = app.prompts.messages.front();
    QCOMPARE(refused.text, QStringLiteral("程序正在运行,请先关闭相应的程序再执行"));
    QCOMPARE(refused.caption, programTitle());
    QCOMPARE(refused.icon, MessageIcon::Error);
    QVERIFY(!refused.hadOwner);
    QCOMPARE(readFile(settings), stored);
    QCOMPARE(inodeOf(settings), inode);  // not even replaced by an equal copy
    QCOMPARE(first.state(), QProcess::Running);

    first.kill();
    QVERIFY(first.waitForFinished());
    QVERIFY(takeInstanceLock(app.prompts).has_value());  // free again once the first ended
  }

  void theSplashIsCentredOnTopAndClosesOnTheThirdTick() {
    test::AppFixture app;
    SplashDialog splash;
    QCOMPARE(splash.size(), QSize(583, 243));
    QVERIFY(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(splash.pos(), QPoint((screen.width() - 583) / 2, (screen.height() - 243) / 2));

    // The picture is painted 1:1.
    const QImage shown = splash.grab().toImage();
    QCOMPARE(shown.pixelColor(5, 5), QImage(QStringLiteral(":/app/splash.bmp")).pixelColor(5, 5));

    splash.show();
    splash.tick();
    splash.tick();
    QVERIFY(splash.isVisible());
    splash.tick();
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.result(), int(QDialog::Accepted));
  }

  void aDoubleClickClosesTheSplashAtOnce() {
    test::AppFixture app;
    SplashDialog splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseDClick(&splash, Qt::LeftButton, {}, {100, 100});
    QVERIFY(!splash.isVisible());
    QCOMPARE(splash.countdown(), 2);
  }

  void theAboutBoxShowsReadOnlyContactsAndClosesWithEnter() {
    test::AppFixture app;
    AboutDialog about(app.context);
    QCOMPARE(about.windowTitle(), QStringLiteral("关于"));
    QStringList labels;
    for (const QLabel* label : about.findChildren<QLabel*>()) labels << label->text();
    QVERIFY(labels.contains(QString::fromUtf8("软件名: Imbrino\n\n版本: " IMBRINO_VERSION_SHORT)));
    for (const char* text : {"作者: ", "官方网站:", "客服邮箱:", "私人QQ:", "私人MSN:"})
      QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    for (int id : {kAboutAuthor, kAboutHomePage, kAboutEmail, kAboutQq, kAboutMsn}) {
      const auto* field = findControl<QLineEdit>(about, id);
      QVERIFY(field);
      QVERIFY(field->isReadOnly());
      QVERIFY(!field->text().isEmpty());
    }
    // The messenger address is the support mailbox.
    QCOMPARE(findControl<QLineEdit>(about, kAboutMsn)->text(),
             findControl<QLineEdit>(about, kAboutEmail)->text());

    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Return);
    QVERIFY(!about.isVisible());
  }

  void everyDonationButtonOpensTheDonationPage() {
    test::AppFixture app;
    MainWindow window(app.context, {});
    AboutDialog about(app.context);
    for (QWidget* host : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&about)}) {
      host->show();
      QVERIFY(QTest::qWaitForWindowExposed(host));
      auto* bar = host->findChild<CaptionButtonBar*>();
      QVERIFY(bar);
      QCOMPARE(bar->buttonCount(), 1);
      const QPoint centre = bar->slotRect(0).center();
      QTest::mousePress(bar, Qt::LeftButton, {}, centre);
      QTest::mouseRelease(bar, Qt::LeftButton, {}, centre);
    }
    QTRY_COMPARE(app.prompts.openedUrls,
                 (QStringList{"https://home.example/donate", "https://home.example/donate"}));
  }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
