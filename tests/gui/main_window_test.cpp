// The main window driven as a user drives it, every question answered by a
// script.
#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "editor/template_editor.h"
#include "gui/support/app_fixture.h"
#include "image/image_io.h"
#include "main_window/application.h"
#include "main_window/main_window.h"
#include "main_window/new_picture_dialog.h"
#include "main_window/picture_canvas.h"
#include "shared/program_texts.h"
#include "widgets/control_id.h"

using namespace imbrino;

namespace {

const QString kTitle = programTitle();

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::AppFixture> app;
  std::unique_ptr<MainWindow> window;

  void openWindow(MainWindowSeams seams = {}) {
    window = std::make_unique<MainWindow>(app->context, std::move(seams));
    window->resize(640, 480);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  QWidget* viewport() const { return window->canvas().viewport(); }
  // The viewport point showing picture point (x, y).
  QPoint at(int x, int y) const {
    const PicturePoint origin = window->canvas().picturePoint({0, 0});
    return {x - origin.x, y - origin.y};
  }
  void openPicture(const QString& path) {
    app->prompts.fileAnswers.push_back(path);
    window->openPicture();
    QCOMPARE(app->picture.picturePath(), path.toStdString());
  }

 private slots:
  void init() {
    app = std::make_unique<test::AppFixture>();
    app->editing.document.background.width = 100;
    app->editing.document.background.height = 50;
    openWindow();
  }
  void cleanup() {
    window.reset();
    app.reset();
  }

  void menuHasItsTextsIdsAndKeys() {
    const QList<QAction*> menus = window->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("文件(&F)"));
    QCOMPARE(menus[1]->text(), QStringLiteral("模板(&M)"));
    QCOMPARE(menus[2]->text(), QStringLiteral("关于(&A)"));
    QStringList file;
    for (QAction* a : menus[0]->menu()->actions())
      file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(file, (QStringList{"新建(&N)...\tCtrl+N", "-", "打开(&O)...\tCtrl+O", "另存为(&A)...",
                                "关闭当前文件(&C)", "-", "批量处理文件(&P)...\tCtrl+P", "-",
                                "退出程序(&X)"}));
    QStringList about;
    for (QAction* a : menus[2]->menu()->actions())
      about << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(about, (QStringList{"帮助(&H)...\tF1", "关于(&B)...", "-", "查看更新(&N)..."}));
    QCOMPARE(window->action(kCommandNew)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    QCOMPARE(window->action(kCommandHelp)->shortcut(), QKeySequence(Qt::Key_F1));
    QCOMPARE(window->action(kCommandEditTemplate)->objectName(), controlName(kCommandEditTemplate));
    QCOMPARE(window->windowTitle(), kTitle);
  }

  void openingShowsThePathAndCentresTheTemplate() {
    const QString path = app->writePicture(QStringLiteral("photo.png"), 300, 200);
    openPicture(path);
    QCOMPARE(window->windowTitle(), kTitle + path);
    QCOMPARE(app->picture.templateX(), 100);
    QCOMPARE(app->picture.templateY(), 75);
    QVERIFY(!window->pictureModified());
    const std::vector<FileFilter>& filters = app->prompts.fileDialogFilters.back();
    QCOMPARE(filters.size(), std::size_t{6});
    QCOMPARE(filters[0].label, QStringLiteral("所有图片文件"));
    QCOMPARE(filters[0].patterns, (QStringList{"*.gif", "*.bmp", "*.jpg", "*.jpeg", "*.png"}));

    // A file that is no picture: the message, and no picture afterwards.
    const QString broken = app->file(QStringLiteral("broken.png"));
    QFile(broken).open(QIODevice::WriteOnly);
    app->prompts.fileAnswers.push_back(broken);
    window->openPicture();
    QCOMPARE(app->prompts.messageTexts().back(),
             QStringLiteral("读取文件: ") + broken + QStringLiteral(" 失败"));
    QCOMPARE(app->prompts.messages.back().icon, MessageIcon::Error);
    QCOMPARE(app->prompts.messages.back().caption, kTitle);
    QVERIFY(!app->picture.pictureOpen());
    QCOMPARE(window->windowTitle(), kTitle);
  }

  void draggingMovesOnlyWhenReleasedOnThePicture() {
    openPicture(app->writePicture(QStringLiteral("photo.png"), 300, 200));
    // Template at (100, 75), 100 x 50. Press on it, move, release.
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at(110, 80));
    QVERIFY(window->canvas().drag().dragging());
    QMouseEvent move(QEvent::MouseMove, at(140, 100), viewport()->mapToGlobal(at(140, 100)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport(), &move);
    QCOMPARE(app->picture.templateX(), 100);  // only the outline follows
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(140, 100));
    QCOMPARE(app->picture.templateX(), 130);
    QCOMPARE(app->picture.templateY(), 95);
    QVERIFY(window->pictureModified());

    // Released beyond the picture's right edge: cancelled.
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at(140, 100));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(301, 100));
    QCOMPARE(app->picture.templateX(), 130);
    // Released one past the last column: still moves.
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at(140, 100));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(300, 100));
    QCOMPARE(app->picture.templateX(), 290);

    // The right button cancels a drag; a press off the template starts none.
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at(295, 100));
    QTest::mousePress(viewport(), Qt::RightButton, {}, at(10, 10));
    QVERIFY(!window->canvas().drag().dragging());
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, at(10, 10));
    QCOMPARE(app->picture.templateX(), 290);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, at(5, 5));
    QVERIFY(!window->canvas().drag().dragging());
  }

  void arrowKeysMoveWithoutLimitAndEscapeKeepsTheWindow() {
    openPicture(app->writePicture(QStringLiteral("photo.png"), 300, 200));
    window->canvas().setFocus();
    for (int i = 0; i < 250; ++i) QTest::keyClick(&window->canvas(), Qt::Key_Left);
    QTest::keyClick(&window->canvas(), Qt::Key_Down);
    QCOMPARE(app->picture.templateX(), -150);
    QCOMPARE(app->picture.templateY(), 76);
    QVERIFY(window->pictureModified());
    QTest::keyClick(&window->canvas(), Qt::Key_Escape);
    QTest::keyClick(&window->canvas(), Qt::Key_Return);
    QVERIFY(window->isVisible());
    QVERIFY(app->prompts.messages.empty());
  }

  void closingAsksAndCancelKeepsThePicture() {
    const QString path = app->writePicture(QStringLiteral("photo.png"), 300, 200);
    openPicture(path);
    QVERIFY(window->closePicture());  // unmodified: no question
    QVERIFY(app->prompts.messages.empty());

    openPicture(path);
    QTest::keyClick(&window->canvas(), Qt::Key_Right);
    app->prompts.messageAnswers.push_back(MessageAnswer::Cancel);
    QVERIFY(!window->closePicture());
    QCOMPARE(app->prompts.messageTexts().back(), QStringLiteral("是否要保存当前文件: ") + path);
    QCOMPARE(app->prompts.messages.back().buttons, MessageButtons::YesNoCancel);
    QVERIFY(app->picture.pictureOpen());

    // Yes, then the file dialog cancelled: closed without saving.
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    QVERIFY(window->closePicture());
    QVERIFY(!app->picture.pictureOpen());
    QCOMPARE(app->prompts.messages.size(), std::size_t{2});
  }

  void aNewPictureAsksAsANewFileAndYesSavesIt() {
    test::whenDialogOpens([](QWidget* dialog) {
      findControl<QLineEdit>(*dialog, kNewPictureWidth)->setText(QStringLiteral("64"));
      findControl<QLineEdit>(*dialog, kNewPictureHeight)->setText(QStringLiteral("48"));
      findControl<QPushButton>(*dialog, kNewPictureCreate)->click();
    });
    window->newPicture();
    QVERIFY(app->picture.pictureOpen());
    QCOMPARE(app->picture.pictureWidth(), 64);
    QCOMPARE(window->windowTitle(), kTitle + QStringLiteral("  新建图片"));
    QVERIFY(window->pictureModified());

    const QString target = app->file(QStringLiteral("new.png"));
    app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    app->prompts.fileAnswers.push_back(target);
    QVERIFY(window->closePicture());
    QCOMPARE(app->prompts.messageTexts(),
             (QStringList{"是否要保存当前新建文件?", "文件: " + target + " 保存成功"}));
    QCOMPARE(app->prompts.messages.back().icon, MessageIcon::None);
    QVERIFY(QFileInfo::exists(target));
  }

  void saveAsWritesEachTypeAndReopensTheResult() {
    app->editing.document.background.colour = 0x000000FF;  // red, opaque
    openPicture(app->writePicture(QStringLiteral("photo.png"), 300, 200));
    for (const char* ext : {"bmp", "jpg", "jpeg", "png", "gif"}) {
      const QString target = app->file(QStringLiteral("out.") + QLatin1String(ext));
      app->prompts.fileAnswers.push_back(target);
      if (QLatin1String(ext) == QLatin1String("gif"))
        app->prompts.messageAnswers.push_back(MessageAnswer::Yes);
      window->saveAs();
      QCOMPARE(app->prompts.messageTexts().back(),
               QStringLiteral("文件: ") + target + QStringLiteral(" 保存成功"));
      QCOMPARE(window->windowTitle(), kTitle + target);
      QCOMPARE(app->picture.picturePath(), target.toStdString());
      // The reopened picture carries the stamp; the template is centred again.
      const Pixel stamped = app->picture.originalSurface().pixel(150, 100);
      QVERIFY2(redOf(stamped) > 200 && greenOf(stamped) < 60, ext);
      QVERIFY(!window->pictureModified());
    }
    const auto& filters = app->prompts.fileDialogFilters.back();
    QCOMPARE(filters.size(), std::size_t{5});
    QCOMPARE(filters[3].label, QStringLiteral("GIF文件(*.gif)"));
  }

  void failedSavesSayWhyAndKeepThePicture() {
    openPicture(app->writePicture(QStringLiteral("photo.png"), 30, 20));
    const QString unknown = app->file(QStringLiteral("out.tiff"));
    app->prompts.fileAnswers.push_back(unknown);
    window->saveAs();
    QCOMPARE(app->prompts.messageTexts().back(),
             QStringLiteral("文件: ") + unknown + QStringLiteral(" 保存不成功"));
    QCOMPARE(app->prompts.messages.back().icon, MessageIcon::Error);
    QVERIFY(app->picture.pictureOpen());
    QCOMPARE(app->picture.picturePath(), unknown.toStdString());

    const QString gif = app->file(QStringLiteral("out.gif"));
    app->prompts.fileAnswers.push_back(gif);
    app->prompts.messageAnswers.push_back(MessageAnswer::No);
    window->saveAs();
    QCOMPARE(app->prompts.messageTexts().mid(1),
             (QStringList{"保存为GIF文件时,图片可能失去部分颜色,是否要保存?",
                          "文件: " + gif + " 保存不成功"}));
    QVERIFY(!QFileInfo::exists(gif));
  }

  void dropsOpenTheFirstPictureOnly() {
    const QString text = app->file(QStringLiteral("notes.txt"));
    openPicture(app->writePicture(QStringLiteral("a.png"), 30, 20));
    QTest::keyClick(&window->canvas(), Qt::Key_Right);  // modified
    window->dropFiles({text});
    QVERIFY(app->prompts.messages.empty());  // not even the question
    QCOMPARE(app->picture.picturePath(), app->file(QStringLiteral("a.png")).toStdString());

    const QString b = app->writePicture(QStringLiteral("b.BMP"), 40, 30);
    const QString c = app->writePicture(QStringLiteral("c.png"), 50, 30);
    app->prompts.messageAnswers.push_back(MessageAnswer::No);
    window->dropFiles({b, c, text});
    QCOMPARE(app->picture.picturePath(), b.toStdString());
    QCOMPARE(app->picture.pictureWidth(), 40);
  }

  void aFileOnTheCommandLineOpensWhereItBelongs() {
    const QString path = app->writeTemplate(QStringLiteral("mark.src"), 80, 20, 0x00FF0000);
    app->context.dataDirectory = QStringLiteral(IMBRINO_SOURCE_DIR "/assets/editor/");
    openWindow(programSeams(app->context));
    int editorWidth = 0;
    test::whenDialogOpens([&editorWidth](QWidget* dialog) {
      if (auto* editor = qobject_cast<TemplateEditor*>(dialog)) {
        editorWidth = editor->editing().document().background.width;
        editor->close();
      }
    });
    window->start(QStringLiteral("\"") + path + QStringLiteral("\""));
    QCOMPARE(editorWidth, 80);
    QCOMPARE(app->editing.path, path.toStdString());

    // A picture opens in the window, as "open with" gives it: unquoted.
    const QString photo = app->writePicture(QStringLiteral("my photo.jpg"), 10, 10);
    editorWidth = 0;
    window->start(photo);
    QCOMPARE(editorWidth, 0);
    QCOMPARE(app->picture.picturePath(), photo.toStdString());
  }

  void scrollBarsFollowThePictureAndResetOnShrink() {
    openPicture(app->writePicture(QStringLiteral("big.png"), 2000, 300));
    QScrollBar* h = window->canvas().horizontalScrollBar();
    const int client = window->canvas().viewport()->width();
    QVERIFY(h->isEnabled());
    QCOMPARE(h->maximum(), 2000 - client);
    QVERIFY(!window->canvas().verticalScrollBar()->isEnabled() ||
            window->canvas().viewport()->height() < 300);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(window->canvas().horizontalAxis().position(), 1);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);  // page steps move nothing
    QCOMPARE(window->canvas().horizontalAxis().position(), 1);
    h->setValue(h->maximum());
    QCOMPARE(window->canvas().horizontalAxis().position(), 2000 - client);
    window->resize(window->width() + 100, window->height());
    QTRY_COMPARE(window->canvas().horizontalAxis().position(), 0);
  }

  void theCloseBoxAsksFirstAndCancelKeepsTheWindowOpen() {
    openPicture(app->writePicture(QStringLiteral("photo.png"), 30, 20));
    QTest::keyClick(&window->canvas(), Qt::Key_Up);
    app->prompts.messageAnswers.push_back(MessageAnswer::Cancel);
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    QVERIFY(app->picture.pictureOpen());
    app->prompts.messageAnswers.push_back(MessageAnswer::No);
    window->action(kCommandExit)->trigger();
    QVERIFY(!window->isVisible());
    QVERIFY(!app->picture.pictureOpen());
    QCOMPARE(app->prompts.messages.size(), std::size_t{2});
  }

  void helpAndPagesGoToTheDesktop() {
    window->action(kCommandHelp)->trigger();
    QCOMPARE(
        app->prompts.messageTexts().back(),
        QStringLiteral("帮助文件 ") + app->context.dataDirectory +
            QStringLiteral("help.html 不存在,请检查安装是否正确.同时您可以上官方网站上下载相应的"
                           "帮助文件!"));
    QFile manual(app->file(QStringLiteral("help.html")));
    QVERIFY(manual.open(QIODevice::WriteOnly));
    manual.close();
    window->action(kCommandHelp)->trigger();
    window->action(kCommandHomePage)->trigger();
    QCOMPARE(app->prompts.openedUrls,
             (QStringList{app->file(QStringLiteral("help.html")), "https://home.example/"}));
    QCOMPARE(app->prompts.messages.size(), std::size_t{1});
  }

  void theManualDescribesTheCommandsThatWorkAndNoOthers() {
    openWindow(programSeams(app->context));
    QFile file(QStringLiteral(IMBRINO_SOURCE_DIR "/assets/help/help.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(file.readAll());
    // The window as the program opens it today: a command whose window is
    // not built yet is greyed out and has no place in the manual.
    for (QAction* item : window->findChildren<QAction*>()) {
      if (!item->objectName().startsWith(u'c')) continue;
      const QString name = item->text().section(u'(', 0, 0);
      QVERIFY2(manual.contains(name) == item->isEnabled(), qPrintable(name));
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
