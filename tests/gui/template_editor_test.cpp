// The template editor window: what it opens with, its menu and keys, the save
// question's paths, the file commands, the delete question, the mouse reaching
// the panels, and every change reaching the main window's picture.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "editor/editor_canvas.h"
#include "editor/property_bk.h"
#include "editor/property_image.h"
#include "editor/property_text.h"
#include "editor/template_editor.h"
#include "editor/tool_dialog.h"
#include "gui/support/app_fixture.h"
#include "shared/program_texts.h"
#include "template/template_file.h"
#include "widgets/control_id.h"
#include "widgets/four_way_question.h"

using namespace imbrino;
using namespace imbrino::test;

namespace {

// Clicks the button of a four-way question once it is open.
void answerQuestion(const QString& buttonText) {
  whenDialogOpens([buttonText](QWidget* dialog) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
      if (button->text() == buttonText) return button->click();
    QFAIL(qPrintable("no button " + buttonText));
  });
}

}  // namespace

class TemplateEditorTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppFixture> app_;
  std::unique_ptr<TemplateEditor> editor_;
  int changes_ = 0;

  Template& document() { return app_->editing.document; }
  void open() {
    editor_ = std::make_unique<TemplateEditor>(app_->context, nullptr, [this] { ++changes_; });
    editor_->show();
    QVERIFY(QTest::qWaitForWindowExposed(editor_.get()));
  }
  // A client point of the canvas over canvas point (x, y) (nothing scrolled).
  QPoint at(int x, int y) const { return QPoint(x, y); }
  QWidget* canvasViewport() const { return editor_->canvas().viewport(); }

 private slots:
  void init() {
    app_ = std::make_unique<AppFixture>();
    // The tool window's pictures, as they lie beside the program.
    app_->context.dataDirectory = QStringLiteral(IMBRINO_SOURCE_DIR "/assets/editor/");
    changes_ = 0;
  }
  void cleanup() {
    editor_.reset();
    app_.reset();
  }

  void opensOnTheEditingTemplateWithNothingSelected() {
    app_->editing.path = app_->writeTemplate(QStringLiteral("t.src"), 300, 200, 0xFF).toStdString();
    QVERIFY(readTemplateFile(app_->editing.path, document()));
    addTextObject(document());
    open();
    QCOMPARE(editor_->windowTitle(),
             QStringLiteral("模板修改 ") + QString::fromStdString(app_->editing.path));
    QVERIFY(editor_->windowState().testFlag(Qt::WindowMaximized));
    QCOMPARE(countSelected(document()), 0);
    QVERIFY(!editor_->modified());
    QVERIFY(editor_->toolWindow()->isVisible());
    QVERIFY(!editor_->backgroundPanel()->isVisible());
    // Escape and Enter leave it open and unchanged.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
      QTest::keyClick(editor_.get(), key);
    QVERIFY(editor_->isVisible());
    QVERIFY(app_->prompts.messages.empty());
  }

  void theMenuHasEveryCommandWithItsKeys() {
    open();
    const struct {
      EditorCommand id;
      const char* text;
      QList<QKeySequence> keys;
    } commands[] = {
        {kEditorNew, "新建模板(&N)\tCtrl+N", {QKeySequence(Qt::CTRL | Qt::Key_N)}},
        {kEditorOpen, "打开模板(&O)...\tCtrl+O", {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {kEditorSave, "保存模板(&S)\tCtrl+S", {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {kEditorSaveAs, "模板另存为(&A)...", {}},
        {kEditorClose, "关闭窗口(&C)", {}},
        {kEditorSelectAll, "全选(&A)\tCtrl+A", {QKeySequence(Qt::CTRL | Qt::Key_A)}},
        {kEditorInvert, "反选(&I)", {}},
        {kEditorDelete,
         "删除选中项(&D)...\tCtrl+D",
         {QKeySequence(Qt::CTRL | Qt::Key_D), QKeySequence(Qt::Key_Delete)}},
        {kEditorForward, "选中项置前(&F)\tCtrl+F", {QKeySequence(Qt::CTRL | Qt::Key_F)}},
        {kEditorBackward, "选中项置后(&B)\tCtrl+B", {QKeySequence(Qt::CTRL | Qt::Key_B)}},
        {kEditorInsertText, "插入文字(&T)\tCtrl+T", {QKeySequence(Qt::CTRL | Qt::Key_T)}},
        {kEditorInsertPicture, "插入图片(&P)...\tCtrl+P", {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {kEditorShowTools, "显示工具栏(&S)", {}},
    };
    for (const auto& command : commands) {
      QAction* item = editor_->action(command.id);
      QVERIFY2(item, command.text);
      QCOMPARE(item->text(), QString::fromUtf8(command.text));
      QCOMPARE(item->shortcuts(), command.keys);
    }
    QStringList menus;
    for (QAction* menu : editor_->findChild<QMenuBar*>()->actions()) menus << menu->text();
    QCOMPARE(menus, (QStringList{"文件(&F)", "编辑(&E)", "插入(&I)", "工具栏(&T)"}));

    // The keys run the commands: Ctrl+T inserts a text, Delete asks about it.
    QTest::keyClick(editor_.get(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(document().textObjects.size(), std::size_t{1});
    answerQuestion(QStringLiteral("是(&Y)"));
    QTest::keyClick(editor_.get(), Qt::Key_Delete);
    QVERIFY(document().textObjects.empty());
  }

  // The save question, by the path the template has and the answers given.
  void theSaveQuestion_data() {
    QTest::addColumn<bool>("named");
    QTest::addColumn<QList<int>>("answers");  // MessageAnswer values
    QTest::addColumn<QString>("saveAs");      // the save dialog's answer ("" = cancelled)
    QTest::addColumn<bool>("goesOn");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QStringList>("asked");
    const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No),
              cancel = int(MessageAnswer::Cancel);
    QTest::newRow("named, cancel") << true << QList<int>{cancel} << QString() << false << false
                                   << QStringList{"是否要保存当前文件: %1"};
    QTest::newRow("named, no") << true << QList<int>{no} << QString() << true << false
                               << QStringList{"是否要保存当前文件: %1"};
    QTest::newRow("named, yes") << true << QList<int>{yes} << QString() << true << true
                                << QStringList{"是否要保存当前文件: %1"};
    QTest::newRow("new, yes, dialog cancelled") << false << QList<int>{yes} << QString() << true
                                                << false << QStringList{"是否要保存当前新建模板?"};
    QTest::newRow("new, yes, saved")
        << false << QList<int>{yes} << QStringLiteral("new.src") << true << true
        << QStringList{"是否要保存当前新建模板?", "文件: %1 保存成功"};
    QTest::newRow("new, yes, cannot be written")
        << false << QList<int>{yes} << QStringLiteral("no/such/folder/new.src") << false << false
        << QStringList{"是否要保存当前新建模板?", "文件: %1 保存不成功"};
  }
  void theSaveQuestion() {
    QFETCH(bool, named);
    QFETCH(QList<int>, answers);
    QFETCH(QString, saveAs);
    QFETCH(bool, goesOn);
    QFETCH(bool, written);
    QFETCH(QStringList, asked);
    QString path;
    if (named) {
      path = app_->writeTemplate(QStringLiteral("named.src"), 120, 80, 0xFF0000);
      QVERIFY(readTemplateFile(path.toStdString(), document()));
      app_->editing.path = path.toStdString();
    }
    const QByteArray before = bytesOf(path);
    open();
    QTest::keyClick(editor_.get(), Qt::Key_T, Qt::ControlModifier);  // modified now
    for (int answer : answers) app_->prompts.messageAnswers.push_back(MessageAnswer(answer));
    if (!named) {
      path = saveAs.isEmpty() ? QString() : app_->file(saveAs);
      app_->prompts.fileAnswers.push_back(saveAs.isEmpty() ? std::nullopt
                                                           : std::optional<QString>(path));
    }
    QCOMPARE(editor_->confirmDiscard(), goesOn);
    QStringList expected;
    for (const QString& text : asked) expected << (text.contains("%1") ? text.arg(path) : text);
    QCOMPARE(app_->prompts.messageTexts(), expected);
    if (written) {
      Template saved;
      QVERIFY(readTemplateFile(path.toStdString(), saved));
      QCOMPARE(saved.textObjects.size(), std::size_t{1});
    } else if (named) {
      QCOMPARE(bytesOf(path), before);
    }
    // Only a completed question clears the mark; "No" goes on still modified.
    const bool cleared = goesOn && answers.front() != int(MessageAnswer::No);
    QCOMPARE(editor_->modified(), !cleared);
    if (cleared) QCOMPARE(editor_->windowTitle(), QStringLiteral("模板修改 "));
  }

  void closingRunsTheSaveQuestion() {
    open();
    QTest::keyClick(editor_.get(), Qt::Key_T, Qt::ControlModifier);
    app_->prompts.messageAnswers.push_back(MessageAnswer::Cancel);
    editor_->close();
    QVERIFY(editor_->isVisible());
    app_->prompts.messageAnswers.push_back(MessageAnswer::No);
    editor_->action(kEditorClose)->trigger();
    QVERIFY(!editor_->isVisible());
  }

  void saveAsThenSaveWritesTheNewNameWithoutADialog() {
    open();
    QTest::keyClick(editor_.get(), Qt::Key_T, Qt::ControlModifier);
    const QString path = app_->file(QStringLiteral("as.src"));
    app_->prompts.fileAnswers.push_back(path);
    editor_->saveTemplateAs();
    QCOMPARE(editor_->windowTitle(), QStringLiteral("模板修改 ") + path);
    QCOMPARE(QString::fromStdString(app_->editing.path), path);
    QVERIFY(!editor_->modified());
    // The new template's background is what New starts from next time.
    QCOMPARE(app_->context.settings.readNumber("EditTemplate", "TemplateWidth"), 250);
    document().background.width = 600;
    editor_->saveTemplate();
    Template saved;
    QVERIFY(readTemplateFile(path.toStdString(), saved));
    QCOMPARE(saved.background.width, 600);
    QCOMPARE(app_->prompts.messageTexts(),
             (QStringList{"文件: " + path + " 保存成功", "文件: " + path + " 保存成功"}));
    // New starts from that background.
    editor_->newTemplate();
    QCOMPARE(document().background.width, 600);
    QCOMPARE(editor_->windowTitle(), QStringLiteral("模板修改 "));
    QVERIFY(app_->editing.path.empty());
  }

  void aFileMadeElsewhereSavesBackByteForByte() {
    const QString original = QStringLiteral(IMBRINO_SOURCE_DIR "/assets/samples/showcase.src");
    const QString copy = app_->file(QStringLiteral("showcase.src"));
    QVERIFY(QFile::copy(original, copy));
    open();
    app_->prompts.fileAnswers.push_back(copy);
    editor_->openTemplate();
    QCOMPARE(QString::fromStdString(app_->editing.path), copy);
    QCOMPARE(countSelected(document()), 0);
    editor_->saveTemplate();
    QCOMPARE(bytesOf(copy), bytesOf(original));
    // Once it changed, the file holds the editor's selection.
    editor_->selectAll();
    QTest::keyClick(&editor_->canvas(), Qt::Key_Right);
    editor_->saveTemplate();
    Template saved;
    QVERIFY(readTemplateFile(copy.toStdString(), saved));
    QCOMPARE(countSelected(saved), saved.objectCount());
  }

  void failuresSayWhat() {
    open();
    const QString broken = app_->file(QStringLiteral("broken.src"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a template");
    file.close();
    app_->prompts.fileAnswers.push_back(broken);
    editor_->openTemplate();
    const QString notAPicture = app_->file(QStringLiteral("broken.png"));
    QVERIFY(QFile::copy(broken, notAPicture));
    app_->prompts.fileAnswers.push_back(notAPicture);
    editor_->insertPicture();
    QCOMPARE(app_->prompts.messageTexts(), (QStringList{"打开SRC文件时发生错误,请保证文件的完整性!",
                                                        "图片: " + notAPicture + "插入不成功"}));
    QCOMPARE(app_->prompts.messages[0].caption, programTitle());
    QVERIFY(app_->editing.path.empty());
  }

  // A file that cannot be read leaves the open template, its path and its
  // mark exactly as they were: a save afterwards writes what was open.
  void aFailedOpenKeepsTheOpenTemplate_data() {
    QTest::addColumn<QByteArray>("damaged");
    QTest::addColumn<bool>("modified");
    Template withBadPicture;
    auto picture = std::make_unique<PictureObject>();
    picture->imageType = 4;
    picture->data.assign(40, 0x42);
    withBadPicture.pictureObjects.push_back(std::move(picture));
    const Bytes badPicture = serializeTemplate(withBadPicture).value();
    const QByteArray good =
        bytesOf(QStringLiteral(IMBRINO_SOURCE_DIR "/assets/samples/showcase.src"));
    QByteArray tooManyTexts = good.left(28);
    tooManyTexts[20] = char(0x7F);
    for (bool modified : {false, true}) {
      const char* mark = modified ? ", modified" : "";
      QTest::addRow("not a template%s", mark) << QByteArray("not a template") << modified;
      QTest::addRow("cut short%s", mark) << good.left(good.size() / 2) << modified;
      QTest::addRow("more texts than bytes%s", mark) << tooManyTexts << modified;
      QTest::addRow("a picture that does not decode%s", mark)
          << QByteArray(reinterpret_cast<const char*>(badPicture.data()),
                        qsizetype(badPicture.size()))
          << modified;
    }
  }
  void aFailedOpenKeepsTheOpenTemplate() {
    QFETCH(QByteArray, damaged);
    QFETCH(bool, modified);
    const QString good = app_->file(QStringLiteral("showcase.src"));
    QVERIFY(QFile::copy(QStringLiteral(IMBRINO_SOURCE_DIR "/assets/samples/showcase.src"), good));
    const QString broken = app_->file(QStringLiteral("broken.src"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    open();
    app_->prompts.fileAnswers.push_back(good);
    editor_->openTemplate();
    if (modified) editor_->insertText();
    const Bytes before = serializeTemplate(document()).value();
    const QString title = editor_->windowTitle();

    if (modified) app_->prompts.messageAnswers.push_back(MessageAnswer::No);
    app_->prompts.fileAnswers.push_back(broken);
    editor_->openTemplate();
    QVERIFY(app_->prompts.messageTexts().contains(
        QStringLiteral("打开SRC文件时发生错误,请保证文件的完整性!")));
    QCOMPARE(serializeTemplate(document()).value(), before);
    QCOMPARE(QString::fromStdString(app_->editing.path), good);
    QCOMPARE(editor_->windowTitle(), title);
    QCOMPARE(editor_->modified(), modified);

    editor_->saveTemplate();
    if (!modified)
      QCOMPARE(bytesOf(good),
               bytesOf(QStringLiteral(IMBRINO_SOURCE_DIR "/assets/samples/showcase.src")));
    Template saved;
    QVERIFY(readTemplateFile(good.toStdString(), saved));
    QCOMPARE(saved.objectCount(), document().objectCount());
  }

  // Undo and redo from the keys, greyed when there is nothing to take back;
  // the main window's picture follows.
  void undoAndRedo() {
    open();
    QAction* undo = editor_->action(kEditorUndo);
    QAction* redo = editor_->action(kEditorRedo);
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QTest::keyClick(editor_.get(), Qt::Key_T, Qt::ControlModifier);
    QVERIFY(undo->isEnabled() && !redo->isEnabled());
    int changes = changes_;
    QTest::keyClick(editor_.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(document().textObjects.empty());
    QVERIFY(changes_ > changes);
    QVERIFY(!undo->isEnabled() && redo->isEnabled());
    QTest::keyClick(editor_.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(document().textObjects.size(), std::size_t{1});
    QTest::keyClick(editor_.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(editor_.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(document().textObjects.size(), std::size_t{1});

    // Typing into a panel's field is one step, and an undo hides the panel.
    const Rect box = objectBox(document().textObjects[0]);
    QTest::mouseDClick(canvasViewport(), Qt::LeftButton, {}, at(box.x + 2, box.y + 2));
    auto* field = findControl<QLineEdit>(*editor_->textPanel(), kTextContent);
    QVERIFY(field);
    QTest::keyClicks(field, QStringLiteral("ab"));
    QCOMPARE(document().textObjects[0].textBytes(), kDefaultTextGbk.data() + std::string("ab"));
    undo->trigger();
    QCOMPARE(document().textObjects[0].textBytes(), kDefaultTextGbk);
    QVERIFY(!editor_->textPanel()->isVisible());
  }

  // A background the editor cannot show whole is shown as far as it can be,
  // and the editor says why.
  void aBackgroundBeyondTheEditorsSizesIsExplained_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("said");
    QTest::newRow("within") << 4000 << 3000 << QString();
    QTest::newRow("negative") << -5 << 100 << QStringLiteral("无法显示");
    QTest::newRow("no height") << 100 << 0 << QStringLiteral("无法显示");
    QTest::newRow("too wide") << 5000 << 100 << QStringLiteral("只显示它左上角 4000 × 100 的部分");
  }
  void aBackgroundBeyondTheEditorsSizesIsExplained() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QString, said);
    const QString path = app_->writeTemplate(QStringLiteral("odd.src"), width, height, 0xFF);
    open();
    app_->prompts.fileAnswers.push_back(path);
    editor_->openTemplate();
    const QStringList texts = app_->prompts.messageTexts();
    if (said.isEmpty()) {
      QVERIFY(texts.isEmpty());
    } else {
      QCOMPARE(texts.size(), 1);
      QVERIFY2(texts[0].contains(said), qPrintable(texts[0]));
    }
    QCOMPARE(document().background.width, width);  // kept as the file has it
  }

  void deleteAsksAboutEachSelectedObject() {
    open();
    for (int i = 0; i < 3; ++i) editor_->insertText();
    editor_->selectAll();
    // No, then yes to all: the first stays, after two questions.
    answerQuestion(QStringLiteral("否(&N)"));
    QTimer::singleShot(0, [] { answerQuestion(QStringLiteral("全部皆是(&L)")); });
    editor_->deleteSelection();
    QCOMPARE(document().textObjects.size(), std::size_t{1});
    QVERIFY(editor_->modified());
  }

  void theMouseShowsThePanels() {
    document().background.width = 200;
    document().background.height = 150;
    open();
    editor_->insertText();
    const Rect box = objectBox(document().textObjects[0]);
    QTest::mouseDClick(canvasViewport(), Qt::LeftButton, {}, at(box.x + 2, box.y + 2));
    QVERIFY(editor_->textPanel()->isVisible());
    QVERIFY(!editor_->backgroundPanel()->isVisible());
    // A press anywhere hides it; a double click on empty canvas shows the background's.
    QTest::mousePress(canvasViewport(), Qt::LeftButton, {}, at(5, 5));
    QTest::mouseRelease(canvasViewport(), Qt::LeftButton, {}, at(5, 5));
    QVERIFY(!editor_->textPanel()->isVisible());
    QTest::mouseDClick(canvasViewport(), Qt::LeftButton, {}, at(5, 5));
    QVERIFY(editor_->backgroundPanel()->isVisible());
    QCOMPARE(countSelected(document()), 0);
  }

  void dragsMoveTheSelectionAndReachTheMainWindow() {
    open();
    editor_->insertText();
    const TextObject before = document().textObjects[0];
    const Rect box = objectBox(before);
    const int changesBefore = changes_;
    QTest::mousePress(canvasViewport(), Qt::LeftButton, {}, at(box.x + 1, box.y + 1));
    QTest::mouseMove(canvasViewport(), at(box.x + 11, box.y + 6));
    QTest::mouseRelease(canvasViewport(), Qt::LeftButton, {}, at(box.x + 11, box.y + 6));
    QCOMPARE(document().textObjects[0].x, before.x + 10);
    QCOMPARE(document().textObjects[0].y, before.y + 5);
    QVERIFY(changes_ > changesBefore);
    // The arrow keys move it too, one pixel each.
    editor_->canvas().setFocus();
    QTest::keyClick(&editor_->canvas(), Qt::Key_Left);
    QCOMPARE(document().textObjects[0].x, before.x + 9);
  }

  void theToolWindowRunsTheCommands() {
    open();
    QVERIFY(document().textObjects.empty());
    auto* text = findControl<QAbstractButton>(*editor_->toolWindow(), kToolInsertText);
    QVERIFY(text);
    text->click();
    QCOMPARE(document().textObjects.size(), std::size_t{1});
    editor_->toolWindow()->close();
    QVERIFY(!editor_->toolWindow()->isVisible());
    editor_->action(kEditorShowTools)->trigger();
    QVERIFY(editor_->toolWindow()->isVisible());
  }
};

QTEST_MAIN(TemplateEditorTest)
#include "template_editor_test.moc"
