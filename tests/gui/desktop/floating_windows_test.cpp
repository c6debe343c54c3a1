// The editor's floating windows under a real window manager, driven with the
// real mouse and keyboard (xdotool): what only frames and window focus show.
// Run by run-with-window-manager.sh on a display of its own.

#include <QApplication>
#include <QProcess>
#include <QTest>

#include "editing/template_editing.h"
#include "editor/editor_canvas.h"
#include "editor/property_text.h"
#include "editor/template_editor.h"
#include "editor/tool_dialog.h"
#include "gui/support/app_fixture.h"
#include "widgets/control_id.h"

using namespace imbrino;
using namespace imbrino::test;

namespace {

constexpr int kWait = 5000;

// Runs "xdotool COMMAND"; true when it did its work. The windows go on taking
// their events meanwhile, as they do while a user works.
bool xdotool(const QString& command) {
  QProcess process;
  process.start(QStringLiteral("xdotool"), command.split(u' '));
  const bool ended =
      QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, kWait);
  return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A click as a hand makes it, the button held for a moment, or a double click.
// (Not "mousemove --sync": it waits for ever when the pointer is there already.)
bool click(QPoint at, bool twice = false) {
  const QString move = QStringLiteral("mousemove %1 %2 ").arg(at.x()).arg(at.y());
  return xdotool(move + (twice ? QStringLiteral("click --repeat 2 --delay 80 1")
                               : QStringLiteral("mousedown 1 sleep 0.08 mouseup 1")));
}

// Shown and framed by the window manager.
bool framed(const QWidget* window) {
  return window->isVisible() && window->frameGeometry().size() != window->size();
}

}  // namespace

class FloatingWindowsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppFixture> app_;
  std::unique_ptr<TemplateEditor> editor_;

  Template& document() { return app_->editing.document; }

  void open() {
    editor_ = std::make_unique<TemplateEditor>(app_->context, nullptr);
    editor_->show();
    QVERIFY(QTest::qWaitForWindowActive(editor_.get(), kWait));
    QVERIFY(QTest::qWaitFor([this] { return framed(editor_->toolWindow()); }, kWait));
  }
  // The visible part of the canvas, on the screen.
  QRect viewport() const {
    const QWidget* viewport = editor_->canvas().viewport();
    return {viewport->mapToGlobal(QPoint(0, 0)), viewport->size()};
  }
  // A point just inside the first text, on the screen (nothing scrolled).
  QPoint onText() {
    const Rect box = objectBox(document().textObjects[0]);
    return viewport().topLeft() + QPoint(box.x + 3, box.y + 3);
  }
  PropertyText* openTextPanel() {
    PropertyText* panel = editor_->textPanel();
    if (!click(onText(), true)) return nullptr;
    return QTest::qWaitFor([panel] { return framed(panel); }, kWait) ? panel : nullptr;
  }

 private slots:
  void init() {
    app_ = std::make_unique<AppFixture>();
    app_->context.dataDirectory = QStringLiteral(IMBRINO_SOURCE_DIR "/assets/editor/");
    // Larger than the screen, so both scroll bars are in use.
    document().background.width = 2000;
    document().background.height = 1500;
    addTextObject(document());
  }
  void cleanup() {
    editor_.reset();
    app_.reset();
  }

  // After a click in the tool window the arrow keys still nudge the
  // selection: the click gave the keyboard back to the canvas.
  void arrowKeysAfterAToolWindowClick() {
    open();
    const QWidget* insertText = findControl<QWidget>(*editor_->toolWindow(), kToolInsertText);
    QVERIFY(insertText != nullptr);
    QVERIFY(click(insertText->mapToGlobal(insertText->rect().center())));
    QTRY_COMPARE_WITH_TIMEOUT(document().textObjects.size(), std::size_t{2}, kWait);
    // The window manager makes the editor active again a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), editor_.get(), kWait);
    const int y = document().textObjects[1].y;  // the new text, selected
    QVERIFY(xdotool(QStringLiteral("key Down")));
    QTRY_COMPARE_WITH_TIMEOUT(document().textObjects[1].y, y + 1, kWait);
  }

  // By default the windows stand inside the canvas, clear of its scroll
  // bars, their frames against its edges: a panel at the top-right, the tool
  // window at the bottom; the panel from its first opening.
  void defaultPlacesAreByTheCanvas() {
    open();
    const QRect canvas = viewport();
    const ToolDialog* tools = editor_->toolWindow();
    QTRY_COMPARE_WITH_TIMEOUT(tools->frameGeometry().bottom(), canvas.bottom(), kWait);
    QCOMPARE(tools->frameGeometry().left(), 0);
    const PropertyText* panel = openTextPanel();
    QVERIFY(panel != nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(panel->frameGeometry().topRight(), canvas.topRight(), kWait);
  }

  // What a window stores is where its frame stood, and the next editor puts
  // the frame exactly there again.
  void placesComeBackExactly() {
    open();
    PropertyText* panel = openTextPanel();
    QVERIFY(panel != nullptr);
    panel->move(300, 200);
    QTRY_COMPARE_WITH_TIMEOUT(panel->frameGeometry().topLeft(), QPoint(300, 200), kWait);
    // The tool window stays at its default place, once that is settled.
    const ToolDialog* toolWindow = editor_->toolWindow();
    QTRY_COMPARE_WITH_TIMEOUT(toolWindow->frameGeometry().bottom(), viewport().bottom(), kWait);
    const QPoint tools = toolWindow->frameGeometry().topLeft();
    editor_.reset();
    const SettingsFile& settings = app_->context.settings;
    QCOMPARE(settings.readNumber("PropertyText", "X"), std::optional(300));
    QCOMPARE(settings.readNumber("PropertyText", "Y"), std::optional(200));
    QCOMPARE(settings.readNumber("ToolDialog", "X"), std::optional(tools.x()));
    QCOMPARE(settings.readNumber("ToolDialog", "Y"), std::optional(tools.y()));

    open();
    QCOMPARE(editor_->toolWindow()->frameGeometry().topLeft(), tools);
    panel = openTextPanel();
    QVERIFY(panel != nullptr);
    QCOMPARE(panel->frameGeometry().topLeft(), QPoint(300, 200));
  }
};

QTEST_MAIN(FloatingWindowsTest)
#include "floating_windows_test.moc"
