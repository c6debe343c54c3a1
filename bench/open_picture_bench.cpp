// Opening a picture in the main window against one plain decode of the same
// file: opening must cost one decode and little more. The input is a
// 24-megapixel picture of noise at quality 90, which keeps the decoder as busy
// as the busiest photo.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <string>

#include "image/image_io.h"
#include "platform/file_io.h"
#include "session/picture_state.h"

namespace imbrino {
namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

struct Input {
  std::string path;

  Input() {
    path = (std::filesystem::temp_directory_path() /
            ("imbrino-open-bench-" + std::to_string(::getpid()) + ".jpg"))
               .string();
    Surface picture = Surface::create(kWidth, kHeight).value();
    std::uint32_t state = 2463534242u;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        picture.setPixel(x, y, makePixel(state & 0xFF, (state >> 8) & 0xFF, (state >> 16) & 0xFF));
      }
    if (!writeFileAtomically(path, encodeJpeg(picture, {90}).value())) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
  }
  ~Input() { std::filesystem::remove(path); }
};

const std::string& inputPath() {
  static const Input made;
  return made.path;
}

void OpenInMainWindow(benchmark::State& state) {
  const std::string& path = inputPath();
  const TemplateBackground templ;
  for (auto _ : state) {
    PictureState picture;
    if (picture.openPictureFile(path, templ) != OpenPictureResult::Opened)
      state.SkipWithError("the picture did not open");
    benchmark::DoNotOptimize(picture);
  }
}
BENCHMARK(OpenInMainWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void DecodeOnce(benchmark::State& state) {
  const std::string& path = inputPath();
  for (auto _ : state) {
    auto picture = loadPictureFile(path);
    if (!picture) state.SkipWithError("the picture did not load");
    benchmark::DoNotOptimize(picture);
  }
}
BENCHMARK(DecodeOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

// What opening adds to the decode: the working copy the template is stamped
// on, a second picture's memory.
void WorkingCopy(benchmark::State& state) {
  for (auto _ : state) {
    auto copy = Surface::create(kWidth, kHeight);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(WorkingCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace imbrino

BENCHMARK_MAIN();
