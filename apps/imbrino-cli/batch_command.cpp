// `imbrino-cli batch`: the batch run from a terminal or a script, with
// progress, the summary at the end, optional reports, runs that resume and
// lists split over many jobs, and Ctrl-C as the stop button.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <thread>

#include "batch/batch_engine.h"
#include "cli_support.h"
#include "commands.h"
#include "file_list.h"
#include "json_report.h"
#include "platform/file_io.h"

namespace imbrino::cli {
namespace {

using Clock = std::chrono::steady_clock;

// The run's stop flag; the signal handler clears it, as the stop button does.
std::atomic<bool> running{false};
volatile std::sig_atomic_t interrupted = 0;

extern "C" void stopOnInterrupt(int) {
  running = false;
  interrupted = 1;
  // A second Ctrl-C ends the process at once; the files already written are
  // complete either way, since every write is a rename of a finished file.
  std::signal(SIGINT, SIG_DFL);
}

std::string minutesAndSeconds(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

// What the run shows while it goes: on a terminal one line redrawn in place
// (done / total, rate, time left, failures so far); elsewhere a line every
// few seconds; with --quiet nothing but failures. Failures are always
// printed as they happen, and with --verbose where each mark went.
class RunProgress : public BatchProgress {
 public:
  RunProgress(int rowCount, const BatchOptions& options, JsonLinesReport& json,
              const std::vector<long long>& listIndex)
      : rowCount_(rowCount),
        onTerminal_(::isatty(STDERR_FILENO) != 0),
        quiet_(options.quiet),
        verbose_(options.verbose),
        json_(json),
        listIndex_(listIndex) {}

  void markPlaced(int, const std::string& path, const StampReport& report) override {
    if (!verbose_) return;
    clearLine();
    std::cerr << stampReportLine(path, report) << "\n";
  }

  void fileFinished(int, const std::string&, FileOutcome outcome,
                    const std::string& reason) override {
    ++finished_;
    if (outcome == FileOutcome::Failed) {
      ++failed_;
      clearLine();
      std::cerr << "imbrino-cli: " << reason << "\n";
    }
    show();
  }

  void fileReported(const FileReport& report) override {
    json_.write(report, listIndex_[static_cast<std::size_t>(report.row)]);
  }

  void finish() { clearLine(); }

 private:
  void clearLine() {
    if (onTerminal_ && drawn_) std::cerr << "\r\033[K";
    drawn_ = false;
  }

  void show() {
    if (quiet_) return;
    const Clock::time_point now = Clock::now();
    // A terminal is redrawn ten times a second at most; a log gets a line
    // every five seconds, and one for the last file.
    const auto gap = onTerminal_ ? std::chrono::milliseconds(100) : std::chrono::seconds(5);
    if (finished_ < rowCount_ && now - lastShown_ < gap) return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const double rate = seconds > 0 ? finished_ / seconds : 0;
    std::string line = std::to_string(finished_) + "/" + std::to_string(rowCount_);
    if (rate > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "  %.1f/s", rate);
      line += text;
      if (finished_ < rowCount_)
        line += "  " + minutesAndSeconds((rowCount_ - finished_) / rate) + " left";
    }
    if (failed_ > 0) line += "  " + std::to_string(failed_) + " failed";
    if (onTerminal_) {
      constexpr int kWidth = 24;
      const int filled = rowCount_ > 0 ? finished_ * kWidth / rowCount_ : kWidth;
      std::cerr << "\r\033[K[" << std::string(filled, '#') << std::string(kWidth - filled, '.')
                << "] " << line << std::flush;
      drawn_ = true;
    } else {
      std::cerr << "[" << line << "]\n";
    }
  }

  const int rowCount_;
  const bool onTerminal_, quiet_, verbose_;
  JsonLinesReport& json_;
  const std::vector<long long>& listIndex_;
  int finished_ = 0;
  int failed_ = 0;
  bool drawn_ = false;
  const Clock::time_point started_ = Clock::now();
  Clock::time_point lastShown_{};
};

// The summary as the batch window words it, less its question (here the
// report is asked for with --report), and the pictures skipped as done.
std::string summaryOf(const BatchResult& result) {
  std::string text = batchSummaryText(result.rowCount, result.lists);
  text.erase(text.rfind(kSummaryQuestion));
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (!result.lists.skippedFiles.empty())
    text += "\n\n\t已完成而跳过的有" + std::to_string(result.lists.skippedFiles.size()) + "个";
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

// The rows of `plan` at the 1-based places `listIndex`, for a job that
// takes only those. Such a plan replaces no listed picture.
OutputPlan planShare(const OutputPlan& plan, const std::vector<long long>& listIndex) {
  OutputPlan share;
  for (const long long index : listIndex) {
    const auto row = static_cast<std::size_t>(index - 1);
    share.outputs.push_back(plan.outputs[row]);
    share.renamed.push_back(plan.renamed[row]);
    share.replacesListed.push_back(false);
    share.readersBefore.emplace_back();
  }
  return share;
}

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

// FILES, then the list --files-from reads; false with the reason reported.
bool gatherFiles(const BatchOptions& options, std::vector<std::string>& files) {
  files = options.files;
  if (options.filesFrom.empty()) return true;
  std::vector<std::string> listed;
  if (options.filesFrom == "-") {
    listed = readFileList(std::cin, options.nulSeparated);
  } else {
    std::ifstream in(options.filesFrom, std::ios::binary);
    if (!in) {
      reportFailure("cannot read the list: " + options.filesFrom + ": " + systemErrorText(errno));
      return false;
    }
    listed = readFileList(in, options.nulSeparated);
  }
  files.insert(files.end(), std::make_move_iterator(listed.begin()),
               std::make_move_iterator(listed.end()));
  return true;
}

}  // namespace

BatchJob batchJobFor(const StampChoices& choices, const Template& document,
                     const std::string& templatePath, const std::string& outputFolder) {
  BatchJob job;
  job.mode = choices.mode;
  job.values = choices.values;
  job.jpeg = choices.jpeg;
  job.mark = choices.mark;
  job.document = &document;
  job.templatePath = templatePath;
  job.outputFolder = outputFolder;
  return job;
}

int runBatch(const BatchOptions& options) {
  Template document;
  if (!loadTemplate(options.templatePath, document)) return kExitTemplate;
  std::vector<std::string> files;
  if (!gatherFiles(options, files)) return kExitUsage;
  if (files.empty() && options.filesFrom.empty()) {
    reportFailure("no pictures given: list them, or give --files-from");
    return kExitUsage;
  }

  // This job's share of the list; each keeps its place in the whole list,
  // which the JSON report gives.
  const Shard shard =
      options.shard ? *options.shard : shardFromEnvironment(environmentValue).value_or(Shard{});
  std::vector<long long> listIndex;
  for (long long i = shard.index; i <= static_cast<long long>(files.size()); i += shard.count)
    listIndex.push_back(i);
  // Names are planned on the whole list, so every job of a split run
  // writes the very files one run would.
  OutputPlan plan = planOutputs(files, options.outputFolder);
  if (!mayReplaceListed(plan, options.overwriteSources)) return kExitUsage;
  if (shard.count > 1) {
    if (plan.replacedCount() > 0) {
      reportFailure(
          "--shard: this run's results replace listed pictures, which other jobs may "
          "still be reading; run it as one job");
      return kExitUsage;
    }
    plan = planShare(plan, listIndex);
    files = takeShard(files, shard);
  }
  if (!prepareOutputFolder(options.outputFolder)) return kExitFolder;
  JsonLinesReport json;
  if (!options.jsonReportPath.empty() && !json.open(options.jsonReportPath)) return kExitUsage;

  BatchJob job = batchJobFor(options, document, options.templatePath, options.outputFolder);
  job.files = std::move(files);
  job.replaceListed = options.overwriteSources;
  job.skipExisting = options.skipExisting;
  job.plan = &plan;
  job.workers = options.jobs > 0
                    ? options.jobs
                    : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));

  RunProgress progress(static_cast<int>(job.files.size()), options, json, listIndex);
  running = true;
  interrupted = 0;
  std::signal(SIGINT, stopOnInterrupt);
  const BatchResult result =
      job.files.empty() ? BatchResult{} : imbrino::runBatch(job, progress, running);
  std::signal(SIGINT, SIG_DFL);
  progress.finish();

  // The pictures a stop left, in order after those done.
  const std::size_t done = job.files.size() - result.lists.pendingFiles.size();
  for (std::size_t row = done; row < job.files.size(); ++row)
    json.writeNotProcessed(job.files[row], plan.outputs[row], listIndex[row]);

  if (!options.quiet)
    for (const RenamedOutput& renamed : result.lists.renamedFiles)
      std::cerr << "imbrino-cli: " << renamed.picture << ": written as " << renamed.output << "\n";
  std::cout << summaryOf(result) << "\n";
  int exitCode =
      result.lists.failedFiles.empty() && result.lists.pendingFiles.empty() ? kExitOk : kExitFailed;
  if (!options.reportPath.empty()) {
    const std::string report = composeReport(result.lists);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(report.data());
    if (const Status written = writeFileAtomically(options.reportPath, {bytes, report.size()});
        !written) {
      reportFailure("cannot write the report: " + written.reason());
      exitCode = kExitFailed;
    }
  }
  if (!json.close()) {
    reportFailure("cannot write the JSON report: " + options.jsonReportPath);
    exitCode = kExitFailed;
  }
  return interrupted ? kExitInterrupted : exitCode;
}

}  // namespace imbrino::cli
