// `imbrino-cli watch`: a hot folder. Each picture closed after writing in the
// watched folder, or moved into it, is stamped by the batch engine as a batch
// of one and written into the output folder, byte for byte as `batch` writes
// it. Pictures already in the folder are stamped first, unless done.

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iostream>
#include <optional>

#include "batch/batch_engine.h"
#include "cli_support.h"
#include "commands.h"
#include "image/image_types.h"
#include "platform/file_descriptor.h"
#include "platform/file_io.h"

namespace imbrino::cli {
namespace {

// The read end gets one byte, the signal's number, per SIGINT or SIGTERM, so
// that the wait for events wakes up; pictures are never cut short.
int stopPipe[2] = {-1, -1};

extern "C" void stopOnSignal(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &number, 1);
}

// The signal caught since the last call, or 0.
int takeStopSignal() {
  unsigned char number = 0;
  return ::read(stopPipe[0], &number, 1) == 1 ? number : 0;
}

// The exit code of a watch stopped by `signal`: SIGTERM is how a service is
// stopped, so it ends the watch normally.
int exitCodeFor(int signal) {
  return signal == SIGTERM ? kExitOk : kExitInterrupted;
}

// Names the batch engine can read. Hidden names are skipped, and the names
// writers give files still being written ("x.jpg.part", "x.jpg.tmp",
// "x.jpg~") have no picture extension.
bool isPictureName(const std::string& name) {
  return !name.empty() && name.front() != '.' && imageTypeOfPath(name) != ImageType::Unknown;
}

class WatchProgress : public BatchProgress {
 public:
  explicit WatchProgress(bool verbose) : verbose_(verbose) {}

  void markPlaced(int, const std::string& path, const StampReport& report) override {
    if (verbose_) std::cerr << stampReportLine(path, report) << "\n";
  }

  void fileFinished(int, const std::string&, FileOutcome outcome,
                    const std::string& reason) override {
    if (outcome == FileOutcome::Failed) reportFailure(reason);
  }

 private:
  bool verbose_;
};

using Clock = std::chrono::steady_clock;

// A file listed that changed this recently may still be being written: it
// waits this long for its close event, and is taken then or once it has
// been left alone that long.
constexpr auto kSettleTime = std::chrono::seconds(2);

// A picture waiting its turn. `skipDone`: taken from the folder's listing
// rather than from an event, so an output newer than the picture and the
// template is kept. An event means new content, whatever the picture's time.
struct Pending {
  std::string name;
  bool skipDone = false;
  Clock::time_point notBefore{};
};

class Queue {
 public:
  explicit Queue(std::string folder) : folder_(std::move(folder)) {}

  void add(const std::string& name, bool skipDone) {
    if (!isPictureName(name)) return;
    // A listed picture still changing waits to settle; an event says the
    // writer is done.
    const Clock::time_point ready =
        skipDone && recentlyChanged(name) ? Clock::now() + kSettleTime : Clock::time_point{};
    const auto same = std::find_if(items_.begin(), items_.end(),
                                   [&](const Pending& item) { return item.name == name; });
    if (same == items_.end()) {
      items_.push_back({name, skipDone, ready});
    } else {
      same->skipDone = same->skipDone && skipDone;
      same->notBefore = skipDone ? std::max(same->notBefore, ready) : ready;
    }
  }

  // Every picture in the folder, by name.
  void addListing() {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
      std::error_code typeError;
      if (entry.is_regular_file(typeError)) names.push_back(entry.path().filename().string());
    }
    if (error) reportFailure("cannot list " + folder_ + ": " + error.message());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) add(name, true);
  }

  // The first picture whose turn has come, if any; otherwise how long until
  // one's does (-1: none is waiting).
  std::optional<Pending> take(int& waitMilliseconds) {
    const Clock::time_point now = Clock::now();
    waitMilliseconds = -1;
    for (auto item = items_.begin(); item != items_.end(); ++item) {
      if (item->notBefore <= now) {
        // Changed again while it waited: it is still being written.
        if (item->skipDone && item->notBefore != Clock::time_point{} &&
            recentlyChanged(item->name)) {
          item->notBefore = now + kSettleTime;
          continue;
        }
        Pending taken = std::move(*item);
        items_.erase(item);
        return taken;
      }
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(item->notBefore - now).count();
      if (waitMilliseconds < 0 || wait < waitMilliseconds)
        waitMilliseconds = static_cast<int>(wait);
    }
    return std::nullopt;
  }

 private:
  bool recentlyChanged(const std::string& name) const {
    std::error_code error;
    const auto changed =
        std::filesystem::last_write_time(std::filesystem::path(folder_) / name, error);
    if (error) return false;
    return std::filesystem::file_time_type::clock::now() - changed < kSettleTime;
  }

  std::string folder_;
  std::deque<Pending> items_;
};

// Reads the events waiting on `inotify` into `queue`; false when the folder
// itself went away (removed, moved or unmounted) and nothing more will come.
bool readEvents(int inotify, Queue& queue) {
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  for (;;) {
    const ssize_t length = ::read(inotify, buffer, sizeof buffer);
    if (length <= 0) return true;  // EAGAIN: all read
    for (ssize_t at = 0; at < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) return false;
      // Events were lost: the listing finds the pictures they named.
      if (event->mask & IN_Q_OVERFLOW) queue.addListing();
      if (event->len > 0 && !(event->mask & IN_ISDIR)) queue.add(event->name, false);
    }
  }
}

// Why `folder` cannot be watched, or empty when it can be.
std::string folderProblem(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0) return systemErrorText(errno);
  if (!S_ISDIR(status.st_mode)) return "not a folder";
  return {};
}

}  // namespace

int runWatch(const WatchOptions& options) {
  const std::string& in = options.inputFolder;
  if (const std::string problem = folderProblem(in); !problem.empty()) {
    reportFailure("cannot watch " + in + ": " + problem);
    return kExitFolder;
  }
  std::error_code error;
  if (std::filesystem::equivalent(in, options.outputFolder, error)) {
    reportFailure("--out: the output folder is the watched folder " + in +
                  "; every result would arrive as a new picture, so choose another folder");
    return kExitUsage;
  }
  Template document;
  if (!loadTemplate(options.templatePath, document)) return kExitTemplate;
  if (!prepareOutputFolder(options.outputFolder)) return kExitFolder;

  const FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (inotify.get() < 0 || ::inotify_add_watch(inotify.get(), in.c_str(),
                                               IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF |
                                                   IN_MOVE_SELF | IN_ONLYDIR) < 0) {
    reportFailure("cannot watch " + in + ": " + systemErrorText(errno));
    return kExitFolder;
  }
  if (::pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    reportFailure("cannot watch " + in + ": " + systemErrorText(errno));
    return kExitFailed;
  }
  const FileDescriptor stopRead(stopPipe[0]), stopWrite(stopPipe[1]);
  // A second signal of the same kind ends the process at once; every output
  // already written is complete, since each is a rename of a finished file.
  struct sigaction action {};
  action.sa_handler = stopOnSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);

  BatchJob job = batchJobFor(options, document, options.templatePath, options.outputFolder);
  job.workers = 1;
  WatchProgress progress(options.verbose);
  std::atomic<bool> running{false};

  // Watched before listed, so that no picture arrives unseen in between.
  Queue queue(in);
  queue.addListing();
  int exitCode = kExitOk;
  for (;;) {
    if (const int signal = takeStopSignal()) {
      exitCode = exitCodeFor(signal);
      break;
    }
    int waitMilliseconds = -1;
    if (const std::optional<Pending> taken = queue.take(waitMilliseconds)) {
      const Pending& next = *taken;
      const std::string path = (std::filesystem::path(in) / next.name).string();
      // Gone again before its turn (moved on or removed): nothing to stamp.
      std::error_code typeError;
      if (!std::filesystem::is_regular_file(path, typeError)) continue;
      job.files = {path};
      job.skipExisting = next.skipDone;
      running = true;
      imbrino::runBatch(job, progress, running);
      continue;
    }
    pollfd waits[] = {{inotify.get(), POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
    if (::poll(waits, 2, waitMilliseconds) < 0 && errno != EINTR) {
      reportFailure("cannot watch " + in + ": " + systemErrorText(errno));
      exitCode = kExitFailed;
      break;
    }
    if (!readEvents(inotify.get(), queue)) {
      reportFailure("stopped watching " + in + ": the folder was removed or moved");
      exitCode = kExitFolder;
      break;
    }
  }
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  stopPipe[0] = stopPipe[1] = -1;
  return exitCode;
}

}  // namespace imbrino::cli
