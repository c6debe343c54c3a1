// Shows the template editor's tool window over a stand-in editor, so its
// buttons can be tried under a real window manager and photographed:
//   imbrino-show-tool-dialog [PROGRAM-FOLDER]
// PROGRAM-FOLDER holds "ButtonPic" (by default the folder of the built
// program). Each command a button runs prints as it runs. The settings live in
// the temporary folder, so the window's place is remembered from one run to
// the next. The stand-in editor's "显示工具栏" button (or F2) shows the tool
// window again after it was closed.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cstdio>

#include "shared/app_context.h"
#include "editor/panel_host.h"
#include "editor/tool_dialog.h"
#include "shared/qt_prompts.h"
#include "widgets/dialog_units.h"

using namespace imbrino;

namespace {

const char* commandName(ToolCommand command) {
  switch (command) {
    case ToolCommand::New:
      return "new";
    case ToolCommand::Open:
      return "open";
    case ToolCommand::Save:
      return "save";
    case ToolCommand::InsertText:
      return "insert text";
    case ToolCommand::InsertPicture:
      return "insert picture";
    case ToolCommand::Forward:
      return "forward";
    case ToolCommand::Backward:
      return "backward";
    case ToolCommand::Delete:
      return "delete";
  }
  return "?";
}

// A plain window standing in for the editor: its client area is where the
// tool window places itself by default.
class StandInEditor : public QWidget, public PanelHost {
 public:
  StandInEditor() {
    setWindowTitle(QStringLiteral("模板编辑器 (stand-in)"));
    setFont(DialogUnits::dialogFont());
    resize(720, 480);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("The editor's canvas"), this);
    label->setAlignment(Qt::AlignCenter);
    showTools_ = new QPushButton(QStringLiteral("显示工具栏"), this);
    layout->addWidget(label, 1);
    layout->addWidget(showTools_, 0, Qt::AlignRight);
  }

  QPushButton* showToolsButton() const { return showTools_; }

  void templateChangedByPanel(MergeKey) override {}
  void backgroundSizeChanged() override {}
  QRect editorClientOnScreen() const override { return {mapToGlobal(QPoint(0, 0)), size()}; }
  void giveKeyboardToCanvas() override {
    activateWindow();
    setFocus(Qt::OtherFocusReason);
  }

 private:
  QPushButton* showTools_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1])
               : QCoreApplication::applicationDirPath() + QStringLiteral("/../apps/imbrino");
  folder = QDir(folder).absolutePath() + u'/';

  QtPrompts prompts;
  EditingTemplate editing;
  PictureState picture;
  const QString settings =
      QDir::tempPath() + QStringLiteral("/imbrino-show-tool-dialog/SetupInfor.ini");
  AppContext context{
      prompts, SettingsFile(settings.toStdString()), editing, picture, configuredWebLinks(),
      folder};

  StandInEditor editor;
  editor.show();
  auto* tools = new ToolDialog(context, editor, &editor, [](ToolCommand command) {
    std::printf("%s\n", commandName(command));
    std::fflush(stdout);
  });
  QObject::connect(editor.showToolsButton(), &QPushButton::clicked, tools, &QWidget::show);
  auto* f2 = new QShortcut(QKeySequence(Qt::Key_F2), &editor);
  QObject::connect(f2, &QShortcut::activated, tools, &QWidget::show);
  tools->show();
  return application.exec();
}
