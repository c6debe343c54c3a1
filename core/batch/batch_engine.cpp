#include "batch/batch_engine.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
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
  FileReport file;
  StampReport stamp;
};

// True when `output` exists and was written after both `input` and the
// template file (when there is one) last changed.
bool outputIsDone(const std::string& output, const std::string& input,
                  const std::string& templatePath) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(output, error);
  if (error) return false;
  for (const std::string* source : {&input, &templatePath}) {
    if (source->empty()) continue;
    const auto changed = std::filesystem::last_write_time(*source, error);
    if (error || changed >= written) return false;
  }
  return true;
}

std::uint64_t sizeOf(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::uint64_t>(size);
}

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

// Stamps one row; `result.file` already names the row, its input and output.
void stampFile(const BatchJob& job, const OutputPlan& plan, ReadBeforeWrite& order,
               const FieldUse& fieldUse, const MarkStamper& stamper, FileResult& result) {
  FileReport& file = result.file;
  const int row = file.row;
  const std::string& path = file.input;
  const std::string& output = file.output;
  auto failed = [&](std::string reason) {
    file.outcome = FileOutcome::Failed;
    file.reason = std::move(reason);
  };
  const PicturePlace place{row + 1, static_cast<long long>(job.files.size())};
  if (output.empty()) return failed(path + ": not saved: no output folder was given");
  if (plan.replacesListed[row] && !job.replaceListed)
    return failed(path + ": not saved: the result would replace the picture itself");
  if (job.skipExisting && outputIsDone(output, path, job.templatePath)) {
    file.outcome = FileOutcome::Skipped;
    return;
  }
  auto bytes = readFileBytes(path);
  order.read(row);
  if (!bytes) return failed(bytes.reason());
  file.bytesIn = bytes->size();
  const CodecFormat format = codecFormatOf(imageTypeOfPath(path));
  auto saved = [&](JpegWriting writing) {
    file.outcome = FileOutcome::Saved;
    file.width = result.stamp.pictureWidth;
    file.height = result.stamp.pictureHeight;
    file.bytesOut = sizeOf(output);
    if (format == CodecFormat::Jpg) file.jpeg = writing;
  };
  // The output has the source's name, so a JPEG goes to a JPEG. When the
  // coefficient path does not apply it says why, and the file takes the
  // usual path, which reports any real fault itself.
  if (job.jpeg == JpegWriting::Keep && format == CodecFormat::Jpg) {
    std::optional<PictureFields> fields;
    if (fieldUse.any) fields = fieldUse.of(path, *bytes, 0, 0, place);
    if (auto kept = stamper.stampKeepingBlocks(*bytes, std::move(fields), &result.stamp)) {
      bytes->clear();
      bytes->shrink_to_fit();
      order.waitForReaders(row);
      if (const Status written = writeFileAtomically(output, *kept); !written)
        return failed(written.reason());
      return saved(JpegWriting::Keep);
    }
  }
  PictureMetadata metadata;
  auto picture = decodePicture(*bytes, format, &metadata);
  if (!picture) return failed(path + ": " + picture.reason());
  file.width = picture->width();
  file.height = picture->height();
  std::optional<PictureFields> fields;
  if (fieldUse.any) fields = fieldUse.of(path, *bytes, picture->width(), picture->height(), place);
  bytes->clear();
  bytes->shrink_to_fit();

  auto stamped = stamper.stamp(*picture, fields ? &*fields : nullptr);
  if (!stamped) return failed(path + ": " + stamped.reason());
  result.stamp = *stamped;

  // A picture read as BMP for want of a known extension is composed but has
  // no format to be written in.
  if (imageTypeOfPath(path) == ImageType::Unknown)
    return failed(path + ": not saved: the file name has no picture extension");
  order.waitForReaders(row);
  if (const Status written = saveBitmapByExtension(*picture, output, {}, &metadata); !written)
    return failed(written.reason());
  saved(JpegWriting::Reencode);
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

  std::optional<OutputPlan> ownPlan;
  const OutputPlan& plan =
      job.plan ? *job.plan : ownPlan.emplace(planOutputs(job.files, job.outputFolder));
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
      FileResult& result = results[row];
      result.file.row = row;
      result.file.input = job.files[row];
      result.file.output = plan.outputs[row];
      const auto started = std::chrono::steady_clock::now();
      stampFile(job, plan, order, fieldUse, stamper, result);
      result.file.milliseconds =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
              .count();
      order.read(row);  // a row that failed or was skipped before reading
      std::lock_guard lock(progressMutex);
      ++finished;
      const FileReport& file = result.file;
      if (file.outcome == FileOutcome::Saved) progress.markPlaced(row, file.input, result.stamp);
      progress.fileFinished(row, file.input, file.outcome, file.reason);
      progress.fileReported(file);
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
    else if (results[row].file.outcome == FileOutcome::Saved) {
      result.lists.savedFiles.push_back(job.files[row]);
      if (plan.renamed[row])
        result.lists.renamedFiles.push_back({job.files[row], plan.outputs[row]});
    } else if (results[row].file.outcome == FileOutcome::Skipped)
      result.lists.skippedFiles.push_back(job.files[row]);
    else
      result.lists.failedFiles.push_back(job.files[row]);
  }
  result.stopped = !result.lists.pendingFiles.empty();
  running = false;
  progress.setStatus(batchStatusText(rowCount));
  return result;
}

}  // namespace imbrino
