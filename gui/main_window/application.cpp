#include "main_window/application.h"

#include <QApplication>

#include "batch_window/batch_dialog.h"
#include "editor/template_editor.h"
#include "main_window/main_window.h"
#include "main_window/picture_canvas.h"
#include "main_window/splash_dialog.h"
#include "main_window/update_check.h"
#include "platform/memory_policy.h"
#include "platform/program_location.h"
#include "shared/app_context.h"
#include "shared/program_start.h"
#include "shared/program_texts.h"
#include "shared/qt_prompts.h"
#include "shared/resources.h"

namespace imbrino {

std::optional<InstanceLock> takeInstanceLock(Prompts& prompts) {
  auto lock = acquireInstanceLock();
  if (!lock)
    prompts.message(nullptr, programTitle(),
                    QStringLiteral("程序正在运行,请先关闭相应的程序再执行"), MessageIcon::Error,
                    MessageButtons::Ok);
  return lock;
}

MainWindowSeams programSeams(AppContext& context) {
  MainWindowSeams seams;
  seams.runTemplateEditor = [&context](QWidget* owner) {
    // Every change shows at once in the main window's picture too.
    auto* mainWindow = qobject_cast<MainWindow*>(owner);
    TemplateEditor editor(context, owner, [mainWindow] {
      if (mainWindow) mainWindow->canvas().refresh();
    });
    editor.exec();
  };
  seams.runBatchDialog = [&context](QWidget* owner) {
    BatchDialog dialog(context, owner);
    dialog.exec();
  };
  seams.startUpdateCheck = [&context](QMainWindow& window) {
    UpdateCheck::start(window, context.prompts, programUpdateCheckSetup(context.programDirectory));
  };
  return seams;
}

int runProgram(Prompts& prompts, const std::string& programFolder, const QString& commandLine) {
  // Nothing else is touched, settings included, when a copy already runs.
  const auto lock = takeInstanceLock(prompts);
  if (!lock) return 1;

  {
    SplashDialog splash;
    splash.exec();
  }

  EditingTemplate editing;
  PictureState picture;
  AppContext context{prompts,
                     SettingsFile(settingsFilePath(programFolder)),
                     editing,
                     picture,
                     configuredWebLinks(),
                     QString::fromStdString(programLayoutAt(programFolder).dataFolder),
                     QString::fromStdString(programFolder)};
  loadStartupTemplate(editing, context.settings);

  int result = 0;
  {
    MainWindow window(context, programSeams(context));
    window.showMaximized();
    window.start(commandLine);
    result = QApplication::exec();
  }

  picture.releasePicture();
  storeEditingTemplate(editing, context.settings);
  return result;
}

int runImbrino(int argc, char** argv) {
  // A batch run stamps picture after picture as the command line does, and
  // as fast: with the same allocator policy, before any thread starts.
  keepPictureMemoryForReuse();
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("Imbrino"));
  loadProgramResources();
  loadChineseTranslations(application);
  application.setWindowIcon(QIcon(QStringLiteral(":/app/icon.png")));
  // The dialog font belongs to the program's own windows and messages; the
  // toolkit's standard dialogs keep the desktop's font, in which they are
  // laid out.
  QtPrompts prompts;
  return runProgram(prompts, programDirectory(), commandLineOf(application.arguments()));
}

}  // namespace imbrino
