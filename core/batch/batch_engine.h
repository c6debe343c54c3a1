#pragma once
// The batch run: stamps one template onto every listed picture and writes each
// result in its own format into the output folder, under its own name or the
// numbered name the output plan gives it (output_plan.h). The run sorts every
// file into saved, failed or pending and reports its progress through
// BatchProgress, which the batch window and the command line implement.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_report.h"
#include "batch/jpeg_keep_stamp.h"
#include "batch/mark_stamp.h"
#include "batch/output_plan.h"
#include "batch/placement.h"
#include "template/template_document.h"

namespace imbrino {

struct BatchJob {
  std::vector<std::string> files;  // full paths, in list order
  PlacementMode mode = PlacementMode::Anchor;
  PlacementValues values = kDefaultAnchor;
  // Scaling, tiling and automatic placement of the mark on each picture.
  MarkOptions mark;
  // Drawn anew onto every picture; it must not change while the run lasts.
  const Template* document = nullptr;
  // Must exist: it is not created. Left empty, every file fails unwritten.
  std::string outputFolder;
  // Pictures processed at once. One worker processes the files strictly one
  // after the other; more keep the same lists, order and report.
  int workers = 1;
  // Keep: a JPEG is stamped in its own coefficients where that applies (see
  // jpeg_keep_stamp.h) and otherwise written as Reencode writes it.
  JpegWriting jpeg = JpegWriting::Reencode;
  // A picture whose output already exists and is newer than both the
  // picture and the template file (`templatePath`, when given) is skipped:
  // outputs are written whole or not at all, so such an output is done.
  bool skipExisting = false;
  std::string templatePath;
  // Where each result goes, when the caller has planned it already (for
  // these files and this folder); otherwise the run plans it.
  const OutputPlan* plan = nullptr;
  // A result whose output is a listed picture (the folder is the pictures'
  // own) replaces that picture only when this is set, once the picture has
  // been read by every row listing it; otherwise the row fails unwritten.
  bool replaceListed = false;
};

enum class FileOutcome { Saved, Failed, Skipped };

// Everything known of one file once it is done, for machine-readable reports.
struct FileReport {
  int row = 0;
  std::string input;
  std::string output;  // empty when the file had none
  FileOutcome outcome = FileOutcome::Failed;
  std::string reason;  // why it failed; empty otherwise
  int width = 0;       // the upright picture's, when it was read
  int height = 0;
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;
  double milliseconds = 0;
  // How a JPEG result was written; absent for other formats and files not
  // written.
  std::optional<JpegWriting> jpeg;
};

// Called from the workers, one call at a time.
class BatchProgress {
 public:
  virtual ~BatchProgress() = default;
  // Once, before the first file: the bar runs from low to high, the number
  // of rows.
  virtual void setRange(int /*low*/, int /*high*/) {}
  // After each file: the number of files finished. A run's bar ends where
  // its last file left it (full when every row was done).
  virtual void setPosition(int /*position*/) {}
  virtual void setStatus(const std::string& /*text*/) {}
  // After each file, with why it failed (empty when saved).
  virtual void fileFinished(int /*row*/, const std::string& /*path*/, FileOutcome /*outcome*/,
                            const std::string& /*reason*/) {}
  // After fileFinished, with all that is known of the file.
  virtual void fileReported(const FileReport& /*report*/) {}
  // Before fileFinished, for a file saved: where its mark went.
  virtual void markPlaced(int /*row*/, const std::string& /*path*/, const StampReport& /*report*/) {
  }
};

struct BatchResult {
  int rowCount = 0;
  BatchLists lists;
  bool stopped = false;  // a stop request left files pending
};

// The status line while a run goes on ("文件总数为:%d   正在处理第%d个文件") and
// after it ("文件总数为:%d").
std::string batchStatusText(int rowCount, int finished);
std::string batchStatusText(int rowCount);

// Runs the job. `running` is checked before each file: clearing it from
// another thread stops the run after the files in hand, which are always
// finished and sorted; the rest are pending, in order. The run clears it when
// it ends.
BatchResult runBatch(const BatchJob& job, BatchProgress& progress, std::atomic<bool>& running);

}  // namespace imbrino
