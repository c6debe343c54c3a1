#include "batch/picture_check_pipeline.h"

#include <algorithm>

namespace imbrino {

PictureCheckPipeline::PictureCheckPipeline(Checker checker) : checker_(std::move(checker)) {}

PictureCheckPipeline::~PictureCheckPipeline() {
  stop();
}

void PictureCheckPipeline::start(std::vector<std::string> paths, int workers, Delivery deliver,
                                 Progress progress) {
  stop();
  paths_ = std::move(paths);
  deliver_ = std::move(deliver);
  progress_ = std::move(progress);
  {
    const std::lock_guard lock(mutex_);
    waiting_.assign(paths_.size(), std::nullopt);
    nextToCheck_ = 0;
    nextToDeliver_ = 0;
    checked_ = 0;
    stopping_ = false;
  }
  const std::size_t threads =
      std::min(static_cast<std::size_t>(std::max(1, workers)), paths_.size());
  for (std::size_t i = 0; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

void PictureCheckPipeline::work() {
  const std::size_t total = paths_.size();
  for (;;) {
    std::size_t index = 0;
    {
      const std::lock_guard lock(mutex_);
      if (stopping_ || nextToCheck_ >= total) return;
      index = nextToCheck_++;
    }
    Expected<PictureFacts> result = checker_(paths_[index]);

    // Reporting under the lock keeps the callbacks one at a time and in order,
    // and lets stop() know that none is running once it holds the lock.
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    waiting_[index] = std::move(result);
    ++checked_;
    if (progress_) progress_(checked_, total);
    while (nextToDeliver_ < total && waiting_[nextToDeliver_]) {
      deliver_(nextToDeliver_, *waiting_[nextToDeliver_]);
      waiting_[nextToDeliver_].reset();
      ++nextToDeliver_;
    }
  }
}

void PictureCheckPipeline::wait() {
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void PictureCheckPipeline::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wait();
}

std::size_t PictureCheckPipeline::delivered() const {
  const std::lock_guard lock(mutex_);
  return nextToDeliver_;
}

}  // namespace imbrino
