#include "batch/picture_check_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace imbrino {
namespace {

using namespace std::chrono_literals;

// Paths are their numbers in the list, for checkers that go by them.
std::vector<std::string> numbered(int count) {
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) paths.push_back(std::to_string(i));
  return paths;
}

// What a run handed on, gathered from the workers.
struct Seen {
  std::mutex mutex;
  std::vector<std::size_t> indices;
  std::vector<int> widths;  // -1 for a refused picture
  std::vector<std::size_t> progress;

  PictureCheckPipeline::Delivery delivery() {
    return [this](std::size_t index, const Expected<PictureFacts>& result) {
      const std::lock_guard lock(mutex);
      indices.push_back(index);
      widths.push_back(result ? result->width : -1);
    };
  }
  PictureCheckPipeline::Progress counter() {
    return [this](std::size_t checked, std::size_t) {
      const std::lock_guard lock(mutex);
      progress.push_back(checked);
    };
  }
};

TEST(PictureCheckPipeline, DeliversEveryResultInListOrderWhateverFinishesFirst) {
  // Earlier paths take longer, so with several workers later ones finish
  // first; every third path is refused and must keep its place all the same.
  PictureCheckPipeline pipeline([](const std::string& path) -> Expected<PictureFacts> {
    const int number = std::stoi(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * (12 - number)));
    if (number % 3 == 2) return fail("refused");
    return PictureFacts{number, 1, 0};
  });
  for (const int count : {0, 1, 12})
    for (const int workers : {0, 1, 4, 50}) {
      SCOPED_TRACE(std::to_string(count) + " paths, " + std::to_string(workers) + " workers");
      Seen seen;
      pipeline.start(numbered(count), workers, seen.delivery(), seen.counter());
      pipeline.wait();
      ASSERT_EQ(seen.indices.size(), std::size_t(count));
      ASSERT_EQ(seen.progress.size(), std::size_t(count));
      for (int i = 0; i < count; ++i) {
        EXPECT_EQ(seen.indices[i], std::size_t(i));
        EXPECT_EQ(seen.widths[i], i % 3 == 2 ? -1 : i);
        EXPECT_EQ(seen.progress[i], std::size_t(i + 1));
      }
      EXPECT_EQ(pipeline.delivered(), std::size_t(count));
    }
}

TEST(PictureCheckPipeline, StopEndsTheWorkersPromptlyAndNothingIsDeliveredAfter) {
  std::atomic<int> inside{0};
  PictureCheckPipeline pipeline([&](const std::string&) -> Expected<PictureFacts> {
    ++inside;
    std::this_thread::sleep_for(5ms);
    --inside;
    return PictureFacts{1, 1, 0};
  });
  Seen seen;
  pipeline.start(numbered(1000), 4, seen.delivery(), seen.counter());
  while (pipeline.delivered() < 3) std::this_thread::sleep_for(1ms);

  const auto before = std::chrono::steady_clock::now();
  pipeline.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);  // the whole list takes 1.25 s
  EXPECT_EQ(inside, 0);                                      // no worker is left checking
  std::size_t delivered = 0;
  {
    const std::lock_guard lock(seen.mutex);
    delivered = seen.indices.size();
  }
  std::this_thread::sleep_for(30ms);
  const std::lock_guard lock(seen.mutex);
  EXPECT_EQ(seen.indices.size(), delivered);
  EXPECT_LT(delivered, std::size_t{1000});
  EXPECT_EQ(pipeline.delivered(), delivered);

  // Stopping again is harmless.
  pipeline.stop();
}

}  // namespace
}  // namespace imbrino
