#include "app/application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/picture_canvas.h"
#include "app/program_info.h"
#include "app/splash_dialog.h"
#include "app/update_check.h"
#include "batch/batch_dialog.h"
#include "editor/template_editor.h"
#include "platform/memory_policy.h"
#include "platform/program_location.h"
#include "qt_prompts.h"
#include "resources.h"

namespace imbrino {

std::optional<InstanceLock> takeInstanceLock(Prompts& prompts) {
  auto lock = acquireInstanceLock();
  if (!lock)
    prompts.message(nullptr, QString::fromUtf8(kProgramTitle),
                    QStringLiteral("程序正在运行,请先关闭相应的程序再执行"), MessageIcon::Error,
                    MessageButtons::Ok);
  return lock;
}

QString commandLineOf(const QStringList& arguments) {
  return arguments.mid(1).join(u' ');
}

void loadChineseTranslations(QApplication& application) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(&application);
  if (translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(translator);
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
