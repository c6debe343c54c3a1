#include "app/update_check.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>

#include "app/program_info.h"
#include "prompts.h"
#include "updater/update_config.h"

namespace imbrino {

std::string userTempFolder(const std::string& fallback) {
  std::string folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation).toStdString();
  if (folder.empty()) return fallback;
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool isWritableFolder(const QString& folder) {
  // access() asks the kernel, so a read-only mount and a folder owned by
  // root both count as not writable, as they are.
  return !folder.isEmpty() && ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
}

UpdateCheckSetup programUpdateCheckSetup(const QString& programFolder) {
  UpdateCheckSetup setup;
  setup.programFolder = programFolder;
  setup.tempFolder = userTempFolder(programFolder.toStdString());
  setup.manifestUrl = configuredManifestUrl();
  setup.trust = configuredUpdateTrust();
  setup.makeDownloader = [] {
    DownloadLimits limits;
    limits.maxBytes = std::uint64_t{1} << 20;  // a manifest is far smaller
    // The program waits for the check when it closes: a server that trickles
    // bytes must not hold it for long.
    limits.totalTimeoutSeconds = 20;
    return std::make_unique<CurlDownloader>(limits);
  };
  setup.startUpdater = [](const QString& program, const QStringList& arguments) {
    QProcess::startDetached(program, arguments);
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
  thread_ = std::thread([this, downloader = setup_.makeDownloader(), folder = setup_.tempFolder,
                         url = setup_.manifestUrl, trust = setup_.trust] {
    if (!checkForUpdate(*downloader, folder, url, kBuiltInVersion, trust)) return;
    // Dropped, unasked, if the window has gone meanwhile.
    QMetaObject::invokeMethod(
        this, [this] { offerUpdate(); }, Qt::QueuedConnection);
  });
}

UpdateCheck::~UpdateCheck() {
  wait();
}

void UpdateCheck::wait() {
  if (thread_.joinable()) thread_.join();
}

void UpdateCheck::offerUpdate() {
  const MessageAnswer answer = prompts_.message(&window_, QString::fromUtf8(kProgramTitle),
                                                QStringLiteral("有新版本,是否要升级?"),
                                                MessageIcon::None, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) return;
  // The command line goes over as one argument; the updater joins its
  // arguments with blanks, so the line arrives whole either way.
  const QString commandLine =
      QString::fromStdString(updaterCommandLine(kBuiltInVersion, setup_.manifestUrl));
  setup_.startUpdater(setup_.programFolder + QString::fromUtf8(kUpdaterProgramName),
                      QStringList{commandLine});
  setup_.endProgram(window_);
}

}  // namespace imbrino
