#pragma once
// Checking the pictures a user adds to a batch list, on threads beside the
// caller's, so that a thousand photos never hold it up. Each worker takes the
// next path not yet taken; the results are handed on strictly in the order the
// paths were given, however the checks overtake one another.

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "image/image_io.h"

namespace imbrino {

class PictureCheckPipeline {
 public:
  using Checker = std::function<Expected<PictureFacts>(const std::string& path)>;
  // Each path's result with its place in the list, in the list's order.
  using Delivery = std::function<void(std::size_t index, const Expected<PictureFacts>& result)>;
  // After each check: how many of the paths have been checked so far.
  using Progress = std::function<void(std::size_t checked, std::size_t total)>;

  // `checker` must be safe to call from several threads at once.
  explicit PictureCheckPipeline(Checker checker = checkPictureFile);
  // Stops a run still going.
  ~PictureCheckPipeline();
  PictureCheckPipeline(const PictureCheckPipeline&) = delete;
  PictureCheckPipeline& operator=(const PictureCheckPipeline&) = delete;

  // Checks `paths` on `workers` threads (at least one, never more than there
  // are paths); a run still going is stopped first. The callbacks run on the
  // workers, one at a time, and must not start or stop the pipeline; a
  // progress report comes before the deliveries the check it counts makes
  // possible.
  void start(std::vector<std::string> paths, int workers, Delivery deliver, Progress progress = {});
  // Waits until every result has been delivered (or the run was stopped).
  void wait();
  // The workers end after the check in hand, whose result is dropped. Once
  // this returns no callback runs any more and the threads are gone. Harmless
  // when idle.
  void stop();

  // Results handed on in the current or last run.
  std::size_t delivered() const;

 private:
  void work();

  Checker checker_;
  Delivery deliver_;
  Progress progress_;
  std::vector<std::string> paths_;  // not changed while workers run
  std::vector<std::thread> workers_;

  mutable std::mutex mutex_;
  // Results that came in ahead of an earlier path's.
  std::vector<std::optional<Expected<PictureFacts>>> waiting_;
  std::size_t nextToCheck_ = 0;
  std::size_t nextToDeliver_ = 0;
  std::size_t checked_ = 0;
  bool stopping_ = false;
};

}  // namespace imbrino
