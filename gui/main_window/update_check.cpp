#include "main_window/update_check.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>

#include "main_window/main_window.h"
#include "platform/program_location.h"
#include "shared/program_texts.h"
#include "shared/prompts.h"
#include "update/update_config.h"

namespace imbrino {

bool isWritableFolder(const QString& folder) {
  // access() asks the kernel, so a read-only mount and a folder owned by
  // root both count as not writable, as they are.
  return !folder.isEmpty() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

UpdateCheckSetup programUpdateCheckSetup(const QString& programFolder) {
  UpdateCheckSetup setup;
  // An installed layout is the package manager's to update: the updater
  // replaces the files of its own folder, which there is not the program's.
  // Without a folder there is no check, as for one the user cannot write.
  if (!programLayoutAt(programFolder.toStdString()).installed) setup.programFolder = programFolder;
  // Not the shared temporary folder, where another user's "Update.ini" or a
  // link in its place would stand in the way.
  if (const auto folder = userPrivateFolder()) setup.tempFolder = *folder + '/';
  setup.manifestUrl = configuredManifestUrl();
  setup.trust = configuredUpdateTrust();
  setup.makeDownloader = [](std::function<bool()> stopRequested) {
    DownloadLimits limits;
    limits.maxBytes = kMaxManifestBytes;  // what the updater reads too
    limits.totalTimeoutSeconds = 20;
    return std::make_unique<CurlDownloader>(limits, std::move(stopRequested));
  };
  setup.startUpdater = [](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
  };
  setup.endProgram = [](QMainWindow&) {
    // Ends every running event loop, a dialog's over the window included;
    // the window is never closed, so it asks nothing.
    QCoreApplication::exit(-1);
  };
  return setup;
}

UpdateCheck* UpdateCheck::start(QMainWindow& window, Prompts& prompts, UpdateCheckSetup setup) {
  if (!isWritableFolder(setup.programFolder)) return nullptr;
  return new UpdateCheck(window, prompts, std::move(setup));
}

UpdateCheck::UpdateCheck(QMainWindow& window, Prompts& prompts, UpdateCheckSetup setup)
    : QObject(&window), window_(window), prompts_(prompts), setup_(std::move(setup)) {
  // The thread gets copies of all it needs and shares nothing with the
  // window; its one way back is the queued call below.
  auto downloader = setup_.makeDownloader([closing = closing_] { return closing->load(); });
  thread_ = std::thread([this, downloader = std::move(downloader), folder = setup_.tempFolder,
                         url = setup_.manifestUrl, trust = setup_.trust] {
    if (!checkForUpdate(*downloader, folder, url, kBuiltInVersion, trust)) return;
    // Dropped, unasked, if the window has gone meanwhile.
    QMetaObject::invokeMethod(
        this, [this] { offerUpdate(); }, Qt::QueuedConnection);
  });
}

UpdateCheck::~UpdateCheck() {
  *closing_ = true;
  wait();
}

void UpdateCheck::wait() {
  if (thread_.joinable()) thread_.join();
}

void UpdateCheck::offerUpdate() {
  const MessageAnswer answer =
      prompts_.message(&window_, programTitle(), QStringLiteral("有新版本,是否要升级?"),
                       MessageIcon::None, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return;
  const QString title = programTitle();
  const QString program = setup_.programFolder + QString::fromUtf8(kUpdaterProgramName);
  const QFileInfo updater(program);
  if (!updater.isFile() || !updater.isExecutable()) {
    prompts_.message(&window_, title, QStringLiteral("找不到升级程序: ") + program,
                     MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  // The program ends for the updater as it would on closing: an unsaved
  // picture is asked about first, and 取消 there cancels the update.
  if (auto* main = qobject_cast<MainWindow*>(&window_); main && !main->closePicture()) return;
  // The command line goes over as one argument; the updater joins its
  // arguments with blanks, so the line arrives whole either way.
  const QString commandLine =
      QString::fromStdString(updaterCommandLine(kBuiltInVersion, setup_.manifestUrl));
  if (!setup_.startUpdater(program, QStringList{commandLine})) {
    prompts_.message(&window_, title, QStringLiteral("升级程序无法启动: ") + program,
                     MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  setup_.endProgram(window_);
}

}  // namespace imbrino
