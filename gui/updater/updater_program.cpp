#include "updater/updater_program.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/instance_lock.h"
#include "platform/program_location.h"
#include "shared/program_start.h"
#include "shared/prompts.h"
#include "shared/qt_prompts.h"
#include "shared/resources.h"
#include "update/update_config.h"

namespace imbrino {

UpdaterOutcome runUpdaterProgram(Prompts& prompts, const QString& commandLine, UpdaterRun run,
                                 std::chrono::milliseconds startDelay) {
  // The desktop program starts us just before it ends.
  std::this_thread::sleep_for(startDelay);
  // Held until we exit, so the desktop program cannot start mid-update.
  const auto lock = acquireInstanceLock();
  if (!lock) {
    prompts.message(nullptr, QString::fromUtf8(kUpdaterTitle),
                    QStringLiteral("程序已经在运行,请先关闭相应的程序,再执行升级"),
                    MessageIcon::Error, MessageButtons::Ok);
    return {1, true};
  }
  UpdaterDialog dialog(prompts, commandLine, std::move(run));
  const int result = dialog.exec();
  const bool ended = dialog.finishWorker(kUpdaterWorkerGrace);
  return {result == 0 ? 0 : 1, ended};
}

int runUpdater(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setApplicationName(QStringLiteral("update"));
  loadProgramResources();
  loadChineseTranslations(application);
  application.setWindowIcon(QIcon(QStringLiteral(":/app/update.png")));
  QtPrompts prompts;

  // The installation is the folder this program lies in. Should the kernel
  // not tell it, the manifest's paths would be taken from the root: refuse.
  std::string installFolder = programDirectory();
  while (!installFolder.empty() && installFolder.back() == '/') installFolder.pop_back();
  if (installFolder.empty()) {
    prompts.message(nullptr, QString::fromUtf8(kUpdaterTitle),
                    QStringLiteral("找不到升级程序所在的文件夹"), MessageIcon::Error,
                    MessageButtons::Ok);
    return 1;
  }

  const UpdaterOutcome outcome =
      runUpdaterProgram(prompts, commandLineOf(application.arguments()),
                        installingRun(std::move(installFolder), configuredUpdateTrust()));
  if (!outcome.workerEnded) {
    // A worker stuck in a download cannot be stopped from outside; leave
    // without the destructors it might still need. It had not begun to
    // install (that is always waited for), so the installation is as it was.
    std::fflush(nullptr);
    std::_Exit(outcome.exitCode);
  }
  return outcome.exitCode;
}

}  // namespace imbrino
