// The program's first moments: one copy at a time, the splash, the about box.
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include "app/about_dialog.h"
#include "app/application.h"
#include "app/main_window.h"
#include "app/program_info.h"
#include "app/splash_dialog.h"
#include "gui/support/app_fixture.h"
#include "widgets/caption_button_bar.h"

using namespace imbrino;

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void aSecondCopyIsRefusedWithTheMessage() {
    test::AppFixture app;
    qputenv("XDG_RUNTIME_DIR", app.folder.path().toUtf8());
    {
      const auto first = takeInstanceLock(app.prompts);
      QVERIFY(first.has_value());
      QVERIFY(app.prompts.messages.empty());

      QVERIFY(!takeInstanceLock(app.prompts).has_value());
      QCOMPARE(app.prompts.messages.size(), std::size_t{1});
      const AskedMessage& refused = app.prompts.messages.front();
      QCOMPARE(refused.text, QStringLiteral("程序正在运行,请先关闭相应的程序再执行"));
      QCOMPARE(refused.caption, QString::fromUtf8(kProgramTitle));
      QCOMPARE(refused.icon, MessageIcon::Error);
      QVERIFY(!refused.hadOwner);
    }
    QVERIFY(takeInstanceLock(app.prompts).has_value());  // free again once the first ended
    QVERIFY(!QFile::exists(app.file(QStringLiteral("SetupInfor.ini"))));
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
    QVERIFY(labels.contains(QStringLiteral("软件名: Imbrino\n\n版本: 3.7")));
    for (const char* text : {"作者: ", "官方网站:", "客服邮箱:", "私人QQ:", "私人MSN:"})
      QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
    for (int id : {1084, 1083, 1078, 1081, 1082}) {
      const auto* field = about.findChild<QLineEdit*>(QStringLiteral("c%1").arg(id));
      QVERIFY(field);
      QVERIFY(field->isReadOnly());
      QVERIFY(!field->text().isEmpty());
    }
    // The messenger address is the support mailbox.
    QCOMPARE(about.findChild<QLineEdit*>(QStringLiteral("c1082"))->text(),
             about.findChild<QLineEdit*>(QStringLiteral("c1078"))->text());

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
