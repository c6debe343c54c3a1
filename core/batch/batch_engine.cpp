#include "batch/batch_engine.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "batch/mark_stamp.h"
#include "image/image_io.h"
#include "platform/file_io.h"
#include "template/template_fields.h"

namespace imbrino {

std::string batchStatusText(int rowCount, int finished) {
  return "文件总数为:" + std::to_string(rowCount) + "   正在处理第" + std::to_string(finished) +
         "个文件";
}

std::string batchStatusText(int rowCount) {
  return "文件总数为:" + std::to_string(rowCount);
}

namespace {

struct FileResult {
  FileOutcome outcome = FileOutcome::Failed;
  std::string reason;
  StampReport stamp;
};

// A row whose result replaces a listed picture writes only after the rows
// before it that read that picture have read it. Those rows were taken
// first and reading never waits, so the wait always ends, with one worker
// too; the plan gives such a file to the last row reading it.
class ReadBeforeWrite {
 public:
  explicit ReadBeforeWrite(const OutputPlan& plan)
      : readersBefore_(plan.readersBefore), read_(plan.readersBefore.size(), false) {}

  void read(int row) {
    {
      std::lock_guard lock(mutex_);
      if (read_[row]) return;
      read_[row] = true;
    }
    readDone_.notify_all();
  }

  void waitForReaders(int row) {
    if (readersBefore_[row].empty()) return;
    std::unique_lock lock(mutex_);
    readDone_.wait(lock, [&] {
      return std::all_of(readersBefore_[row].begin(), readersBefore_[row].end(),
                         [&](int reader) { return static_cast<bool>(read_[reader]); });
    });
  }

 private:
  const std::vector<std::vector<int>>& readersBefore_;
  std::vector<bool> read_;
  std::mutex mutex_;
  std::condition_variable readDone_;
};

// Looked up once a run: most templates name no field and draw alike
// everywhere, and few need the pictures' metadata.
struct FieldUse {
  explicit FieldUse(const Template& document)
      : any(templateUsesFields(document)), facts(templateNeedsPictureOrigin(document)) {}
  PictureFields of(const std::string& path, ByteView bytes, int width, int height,
                   PicturePlace place) const {
    return pictureFieldsFor(path, facts ? readPictureOrigin(bytes) : PictureOrigin{}, width, height,
                            place);
  }
  bool any;
  bool facts;
};

FileResult stampFile(const BatchJob& job, const std::string& path, const OutputPlan& plan,
                     ReadBeforeWrite& order, int row, const FieldUse& fieldUse,
                     const MarkStamper& stamper) {
  const PicturePlace place{row + 1, static_cast<long long>(job.files.size())};
  const std::string& output = plan.outputs[row];
  if (output.empty())
    return {FileOutcome::Failed, path + ": not saved: no output folder was given"};
  if (plan.replacesListed[row] && !job.replaceListed)
    return {FileOutcome::Failed, path + ": not saved: the result would replace the picture itself"};
  auto bytes = readFileBytes(path);
  order.read(row);
  if (!bytes) return {FileOutcome::Failed, bytes.reason()};
  const CodecFormat format = codecFormatOf(imageTypeOfPath(path));
  // The output has the source's name, so a JPEG goes to a JPEG. When the
  // coefficient path does not apply it says why, and the file takes the
  // usual path, which reports any real fault itself.
  if (job.jpeg == JpegWriting::Keep && format == CodecFormat::Jpg) {
    std::optional<PictureFields> fields;
    if (fieldUse.any) fields = fieldUse.of(path, *bytes, 0, 0, place);
    StampReport report;
    if (auto kept = stamper.stampKeepingBlocks(*bytes, std::move(fields), &report)) {
      bytes->clear();
      bytes->shrink_to_fit();
      order.waitForReaders(row);
      const Status saved = writeFileAtomically(output, *kept);
      if (!saved) return {FileOutcome::Failed, saved.reason()};
      return {FileOutcome::Saved, {}, report};
    }
  }
  PictureMetadata metadata;
  auto picture = decodePicture(*bytes, format, &metadata);
  if (!picture) return {FileOutcome::Failed, path + ": " + picture.reason()};
  std::optional<PictureFields> fields;
  if (fieldUse.any) fields = fieldUse.of(path, *bytes, picture->width(), picture->height(), place);
  bytes->clear();
  bytes->shrink_to_fit();

  auto stamped = stamper.stamp(*picture, fields ? &*fields : nullptr);
  if (!stamped) return {FileOutcome::Failed, path + ": " + stamped.reason()};

  // A picture read as BMP for want of a known extension is composed but has
  // no format to be written in.
  if (imageTypeOfPath(path) == ImageType::Unknown)
    return {FileOutcome::Failed, path + ": not saved: the file name has no picture extension"};
  order.waitForReaders(row);
  const Status saved = saveBitmapByExtension(*picture, output, {}, &metadata);
  if (!saved) return {FileOutcome::Failed, saved.reason()};
  return {FileOutcome::Saved, {}, *stamped};
}

}  // namespace

BatchResult runBatch(const BatchJob& job, BatchProgress& progress, std::atomic<bool>& running) {
  BatchResult result;
  const int rowCount = static_cast<int>(job.files.size());
  result.rowCount = rowCount;
  if (rowCount < 1 || job.document == nullptr) {
    running = false;
    return result;
  }
  // A range of (0, 0) would be a busy bar: the bar counts finished files.
  progress.setRange(0, rowCount);

  const OutputPlan plan = planOutputs(job.files, job.outputFolder);
  const FieldUse fieldUse(*job.document);
  const MarkStamper stamper(*job.document, job.mode, job.values, job.mark);
  ReadBeforeWrite order(plan);

  // Rows are handed out in list order and every row taken is finished, so
  // the rows done always form the front of the list, and a stop leaves
  // exactly the rest pending.
  std::vector<FileResult> results(job.files.size());
  std::atomic<int> nextRow{0};
  std::mutex progressMutex;
  int finished = 0;
  auto work = [&] {
    for (;;) {
      if (!running.load()) return;
      const int row = nextRow.fetch_add(1);
      if (row >= rowCount) return;
      results[row] = stampFile(job, job.files[row], plan, order, row, fieldUse, stamper);
      order.read(row);  // a row that failed before reading
      std::lock_guard lock(progressMutex);
      ++finished;
      if (results[row].outcome == FileOutcome::Saved)
        progress.markPlaced(row, job.files[row], results[row].stamp);
      progress.fileFinished(row, job.files[row], results[row].outcome, results[row].reason);
      progress.setPosition(finished);
      progress.setStatus(batchStatusText(rowCount, finished));
    }
  };

  const int workers = std::clamp(job.workers, 1, rowCount);
  std::vector<std::thread> helpers;
  for (int i = 1; i < workers; ++i) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();

  const int done = std::min(nextRow.load(), rowCount);
  for (int row = 0; row < rowCount; ++row) {
    if (row >= done)
      result.lists.pendingFiles.push_back(job.files[row]);
    else if (results[row].outcome == FileOutcome::Saved) {
      result.lists.savedFiles.push_back(job.files[row]);
      if (plan.renamed[row])
        result.lists.renamedFiles.push_back({job.files[row], plan.outputs[row]});
    } else
      result.lists.failedFiles.push_back(job.files[row]);
  }
  result.stopped = !result.lists.pendingFiles.empty();
  running = false;
  progress.setStatus(batchStatusText(rowCount));
  return result;
}

}  // namespace imbrino
