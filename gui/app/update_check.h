#pragma once
// The look for a newer version each time the main window opens. The manifest
// is fetched on a thread of its own, so the window works meanwhile; only when
// a newer version is announced does the user hear of it: the question, and on
// Yes the updater is started and the program ends so that the updater can
// replace its files. Every failure on the way is silent.

#include <QObject>
#include <QString>
#include <QStringList>
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
  // package manager updates, not we: then there is no check at all.
  QString programFolder;
  // Where the manifest is downloaded to, ending with "/".
  std::string tempFolder;
  std::string manifestUrl;
  UpdateTrust trust;
  // The downloader the check's thread uses; made here, used only there.
  std::function<std::unique_ptr<Downloader>()> makeDownloader;
  // Starts `program` with `arguments`, detached; whether it started is not
  // asked (a missing updater still ends the program).
  std::function<void(const QString& program, const QStringList& arguments)> startUpdater;
  // Ends the main window's run with -1, without its save question.
  std::function<void(QMainWindow& window)> endProgram;
};

// The updater program beside the desktop program.
inline constexpr const char* kUpdaterProgramName = "update";

// The user's temporary folder ending with "/", or `fallback` when there is
// none.
std::string userTempFolder(const std::string& fallback);

// Whether the current user may create and replace files in `folder`.
bool isWritableFolder(const QString& folder);

// The program's setup: curl with short limits (a manifest is a few hundred
// bytes), the build's address and key, the updater started through
// QProcess, the event loops ended with -1.
UpdateCheckSetup programUpdateCheckSetup(const QString& programFolder);

// One check, owned by the main window. Destroying it (with the window) waits
// for its thread, so the thread never outlives the program's state. How long
// that can take is bounded by the downloader's limits: an unreachable host or
// a missing network ends within the connect time-out (15 s, DNS included), a
// server that stops sending within the stall time-out (30 s) — for each of at
// most 6 addresses when the manifest is redirected.
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
  std::thread thread_;
};

}  // namespace imbrino
