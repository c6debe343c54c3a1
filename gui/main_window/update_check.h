#pragma once
// The look for a newer version each time the main window opens. The manifest
// is fetched on a thread of its own, so the window works meanwhile; only when
// a newer version is announced does the user hear of it: the question, and on
// Yes (after the picture's save question) the updater is started and the
// program ends so that the updater can replace its files. Every failure of
// the check itself is silent.

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "update/updater.h"

class QMainWindow;

namespace imbrino {

class Prompts;

// What the check works with; the program's own come from
// `programUpdateCheckSetup`, tests put in fakes.
struct UpdateCheckSetup {
  // The folder of the running program, ending with "/": the updater lies
  // there. A folder the user cannot write to is a system install, which the
  // package manager updates, not we: then there is no check at all. Empty
  // for an installed layout (data in ../share/imbrino/), for the same reason.
  QString programFolder;
  // Where the manifest is downloaded to: a folder of the user's own
  // (`isPrivateFolder`), ending with "/". Empty: no check.
  std::string tempFolder;
  std::string manifestUrl;
  UpdateTrust trust;
  // The downloader the check's thread uses; made on the window's thread,
  // used only on the check's. It ends a download once `stopRequested` says
  // so: the window is closing.
  std::function<std::unique_ptr<Downloader>(std::function<bool()> stopRequested)> makeDownloader;
  // Starts `program` with `arguments`, detached; false when it could not.
  std::function<bool(const QString& program, const QStringList& arguments)> startUpdater;
  // Ends the main window's run with -1 (its save question has been asked).
  std::function<void(QMainWindow& window)> endProgram;
};

// The updater program beside the desktop program.
inline constexpr const char* kUpdaterProgramName = "update";

// Whether the current user may create and replace files in `folder`.
bool isWritableFolder(const QString& folder);

// The program's setup: no folder for an installed layout, the user's private
// folder, curl with short limits (the manifest's size limit, which the updater
// shares), the build's address and key, the updater started through
// QProcess, the event loops ended with -1.
UpdateCheckSetup programUpdateCheckSetup(const QString& programFolder);

// One check, owned by the main window. Destroying it (with the window) stops
// its download and waits for its thread, so the thread never outlives the
// program's state and a closed program does not linger on the network.
class UpdateCheck : public QObject {
  Q_OBJECT

 public:
  // Starts the check for `window` unless the program's folder is not
  // writable; null then.
  static UpdateCheck* start(QMainWindow& window, Prompts& prompts, UpdateCheckSetup setup);
  ~UpdateCheck() override;

  // Waits until the check's thread has ended. Its question, if any, comes
  // through the window's event loop afterwards.
  void wait();

 private:
  UpdateCheck(QMainWindow& window, Prompts& prompts, UpdateCheckSetup setup);
  // On the user-interface thread, once a newer version was found.
  void offerUpdate();

  QMainWindow& window_;
  Prompts& prompts_;
  UpdateCheckSetup setup_;
  // Set as the window goes; shared with the downloader on the check's thread.
  std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
  std::thread thread_;
};

}  // namespace imbrino
