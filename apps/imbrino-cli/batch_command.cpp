// `imbrino-cli batch`: the batch run from a terminal, with a progress bar,
// the summary at the end, an optional report, and Ctrl-C as the stop button.

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <thread>

#include "batch/batch_engine.h"
#include "cli_support.h"
#include "commands.h"
#include "platform/file_io.h"

namespace imbrino::cli {
namespace {

// The run's stop flag; the signal handler clears it, as the stop button does.
std::atomic<bool> running{false};

extern "C" void stopOnInterrupt(int) {
  running = false;
  // A second Ctrl-C ends the process at once; the files already written are
  // complete either way, since every write is a rename of a finished file.
  std::signal(SIGINT, SIG_DFL);
}

// A bar that redraws itself on a terminal, or one status line per file
// where the output is a file or a pipe.
class TerminalProgress : public BatchProgress {
 public:
  TerminalProgress(int rowCount, bool verbose)
      : rowCount_(rowCount), onTerminal_(::isatty(STDERR_FILENO) != 0), verbose_(verbose) {}

  void markPlaced(int, const std::string& path, const StampReport& report) override {
    if (!verbose_) return;
    if (onTerminal_) std::cerr << "\r\033[K";
    std::cerr << stampReportLine(path, report) << "\n";
  }

  // Only the status of a file just finished: the run's closing status adds
  // nothing to the summary that follows.
  void setStatus(const std::string& text) override {
    if (!onTerminal_ && fileJustFinished_) std::cerr << text << "\n";
    fileJustFinished_ = false;
  }

  void fileFinished(int, const std::string& path, FileOutcome outcome,
                    const std::string& reason) override {
    ++finished_;
    fileJustFinished_ = true;
    if (onTerminal_) std::cerr << "\r\033[K";
    if (outcome == FileOutcome::Failed) std::cerr << "imbrino-cli: " << reason << "\n";
    if (onTerminal_) drawBar(path);
  }

  void finish() {
    if (onTerminal_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  void drawBar(const std::string& path) {
    constexpr int kWidth = 30;
    const int filled = rowCount_ > 0 ? finished_ * kWidth / rowCount_ : kWidth;
    const auto slash = path.find_last_of('/');
    std::cerr << "[" << std::string(filled, '#') << std::string(kWidth - filled, '.') << "] "
              << finished_ << "/" << rowCount_ << "  "
              << (slash == std::string::npos ? path : path.substr(slash + 1)) << std::flush;
  }

  int rowCount_;
  int finished_ = 0;
  bool fileJustFinished_ = false;
  bool onTerminal_;
  bool verbose_;
};

// The summary as the batch window words it, less its question: here the
// report is asked for with --report.
std::string summaryWithoutQuestion(const BatchResult& result) {
  std::string text = batchSummaryText(result.rowCount, result.lists);
  text.erase(text.rfind(kSummaryQuestion));
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// A run whose results would replace listed pictures goes ahead only when
// asked for, and is otherwise refused before anything is written.
bool mayReplaceListed(const OutputPlan& plan, bool overwriteSources) {
  const int replaced = plan.replacedCount();
  if (replaced == 0 || overwriteSources) return true;
  reportFailure(std::to_string(replaced) +
                (replaced == 1 ? " listed picture would be replaced by its stamped copy (it is"
                               : " listed pictures would be replaced by their stamped copies "
                                 "(they are") +
                " in the output folder); give --overwrite-sources to allow it");
  return false;
}

}  // namespace

int runBatch(const BatchOptions& options) {
  Template document;
  if (!loadTemplate(options.templatePath, document)) return kExitUsage;
  if (!mayReplaceListed(planOutputs(options.files, options.outputFolder), options.overwriteSources))
    return kExitUsage;
  if (!prepareOutputFolder(options.outputFolder)) return kExitUsage;

  BatchJob job;
  job.files = options.files;
  job.mode = options.mode;
  job.values = options.values;
  job.document = &document;
  job.outputFolder = options.outputFolder;
  job.jpeg = options.jpeg;
  job.mark = options.mark;
  job.replaceListed = options.overwriteSources;
  job.workers = options.jobs > 0
                    ? options.jobs
                    : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  TerminalProgress progress(static_cast<int>(job.files.size()), options.verbose);
  running = true;
  std::signal(SIGINT, stopOnInterrupt);
  const BatchResult result = imbrino::runBatch(job, progress, running);
  std::signal(SIGINT, SIG_DFL);
  progress.finish();

  for (const RenamedOutput& renamed : result.lists.renamedFiles)
    std::cerr << "imbrino-cli: " << renamed.picture << ": written as " << renamed.output << "\n";
  std::cout << summaryWithoutQuestion(result) << "\n";
  int exitCode = result.lists.savedFiles.size() == job.files.size() ? kExitOk : kExitFailed;
  if (!options.reportPath.empty()) {
    const std::string report = composeReport(result.lists);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(report.data());
    if (const Status written = writeFileAtomically(options.reportPath, {bytes, report.size()});
        !written) {
      reportFailure("cannot write the report: " + written.reason());
      exitCode = kExitFailed;
    }
  }
  return exitCode;
}

}  // namespace imbrino::cli
