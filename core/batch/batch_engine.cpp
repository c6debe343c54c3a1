#include "batch/batch_engine.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "image/image_io.h"
#include "platform/file_io.h"
#include "render/template_compose.h"

namespace imbrino {

std::string batchStatusText(int rowCount, int finished) {
  return "文件总数为:" + std::to_string(rowCount) + "   正在处理第" + std::to_string(finished) +
         "个文件";
}

std::string batchStatusText(int rowCount) {
  return "文件总数为:" + std::to_string(rowCount);
}

std::string outputPathFor(const std::string& outputFolder, const std::string& picturePath) {
  const auto slash = picturePath.find_last_of('/');
  const std::string name = slash == std::string::npos ? picturePath : picturePath.substr(slash + 1);
  // "" + "/" + name would be a file in the root folder.
  if (outputFolder.empty()) return {};
  if (outputFolder.back() == '/') return outputFolder + name;
  return outputFolder + "/" + name;
}

namespace {

struct FileResult {
  FileOutcome outcome = FileOutcome::Failed;
  std::string reason;
};

// Two listed pictures of the same name in different folders go to the same
// output file, and the later row must win, as it does when files are done one
// after the other. With several workers, a row writes only after the rows
// before it with the same output have finished.
class WriteOrder {
 public:
  explicit WriteOrder(const std::vector<std::string>& outputs) : done_(outputs.size(), false) {
    std::unordered_map<std::string, int> last;
    previous_.assign(outputs.size(), -1);
    for (int row = 0; row < static_cast<int>(outputs.size()); ++row) {
      auto [it, fresh] = last.try_emplace(outputs[row], row);
      if (!fresh) {
        previous_[row] = it->second;
        it->second = row;
      }
    }
  }

  void waitForTurn(int row) {
    if (previous_[row] < 0) return;
    std::unique_lock lock(mutex_);
    turn_.wait(lock, [&] { return done_[previous_[row]]; });
  }

  void finished(int row) {
    {
      std::lock_guard lock(mutex_);
      done_[row] = true;
    }
    turn_.notify_all();
  }

 private:
  std::vector<int> previous_;  // the row before with the same output, or -1
  std::vector<bool> done_;
  std::mutex mutex_;
  std::condition_variable turn_;
};

FileResult stampFile(const BatchJob& job, const std::string& path, const std::string& output,
                     WriteOrder& order, int row) {
  if (output.empty())
    return {FileOutcome::Failed, path + ": not saved: no output folder was given"};
  auto bytes = readFileBytes(path);
  if (!bytes) return {FileOutcome::Failed, bytes.reason()};
  const CodecFormat format = codecFormatOf(imageTypeOfPath(path));
  // The output has the source's name, so a JPEG goes to a JPEG. When the
  // coefficient path does not apply it says why, and the file takes the
  // usual path, which reports any real fault itself.
  if (job.jpeg == JpegWriting::Keep && format == CodecFormat::Jpg) {
    if (auto kept = stampJpegKeepingBlocks(*bytes, *job.document, job.mode, job.values)) {
      bytes->clear();
      bytes->shrink_to_fit();
      order.waitForTurn(row);
      const Status saved = writeFileAtomically(output, *kept);
      if (!saved) return {FileOutcome::Failed, saved.reason()};
      return {FileOutcome::Saved, {}};
    }
  }
  PictureMetadata metadata;
  auto picture = decodePicture(*bytes, format, &metadata);
  if (!picture) return {FileOutcome::Failed, path + ": " + picture.reason()};
  bytes->clear();
  bytes->shrink_to_fit();

  const TemplateBackground& background = job.document->background;
  const int x =
      placementOffset(job.mode, job.values.horizontal, picture->width(), background.width);
  const int y =
      placementOffset(job.mode, job.values.vertical, picture->height(), background.height);
  drawTemplate(*picture, x, y, *job.document, false, false);

  // A picture read as BMP for want of a known extension is composed but has
  // no format to be written in.
  if (imageTypeOfPath(path) == ImageType::Unknown)
    return {FileOutcome::Failed, path + ": not saved: the file name has no picture extension"};
  order.waitForTurn(row);
  const Status saved = saveBitmapByExtension(*picture, output, {}, &metadata);
  if (!saved) return {FileOutcome::Failed, saved.reason()};
  return {FileOutcome::Saved, {}};
}

}  // namespace

BatchResult runBatch(const BatchJob& job, BatchProgress& progress, std::atomic<bool>& running) {
  BatchResult result;
  const int rowCount = static_cast<int>(job.files.size());
  result.rowCount = rowCount;
  progress.setRange(0, rowCount - 1);
  if (rowCount < 1 || job.document == nullptr) {
    running = false;
    return result;
  }

  std::vector<std::string> outputs;
  outputs.reserve(job.files.size());
  for (const std::string& path : job.files)
    outputs.push_back(outputPathFor(job.outputFolder, path));
  WriteOrder order(outputs);

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
      results[row] = stampFile(job, job.files[row], outputs[row], order, row);
      order.finished(row);
      std::lock_guard lock(progressMutex);
      ++finished;
      progress.fileFinished(row, job.files[row], results[row].outcome, results[row].reason);
      progress.setPosition(finished - 1);
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
    else if (results[row].outcome == FileOutcome::Saved)
      result.lists.savedFiles.push_back(job.files[row]);
    else
      result.lists.failedFiles.push_back(job.files[row]);
  }
  result.stopped = !result.lists.pendingFiles.empty();
  running = false;
  progress.setStatus(batchStatusText(rowCount));
  progress.setPosition(0);
  return result;
}

}  // namespace imbrino
