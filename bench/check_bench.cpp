// Checking a picture a user adds to a batch list against loading it: the
// check must read the whole file yet cost a fraction of the decode. Inputs are
// a 12-megapixel photo as cameras write it (4:2:0, quality 92), the same
// photo coded progressively and as a PNG, all read from files as the batch
// list reads them.

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_photo.h"
#include "image/image_io.h"
#include "platform/file_io.h"

namespace imbrino {
namespace {

// The two files, written once into a folder of their own.
struct Inputs {
  std::filesystem::path folder;
  std::string jpeg;
  std::string progressiveJpeg;
  std::string png;

  Inputs() {
    folder = std::filesystem::temp_directory_path() /
             ("imbrino-check-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    jpeg = (folder / "photo.jpg").string();
    progressiveJpeg = (folder / "progressive.jpg").string();
    png = (folder / "photo.png").string();
    const std::vector<std::uint8_t> rgb = bench::makePhoto(1);
    const Bytes jpegFile = bench::encodePhoto(rgb);
    Surface picture = Surface::create(bench::kPhotoWidth, bench::kPhotoHeight).value();
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        const std::uint8_t* p = rgb.data() + (std::size_t(y) * picture.width() + x) * 3;
        picture.setPixel(x, y, makePixel(p[0], p[1], p[2]));
      }
    if (!writeFileAtomically(jpeg, jpegFile) ||
        !writeFileAtomically(progressiveJpeg, bench::encodePhoto(rgb, true)) ||
        !writeFileAtomically(png, encodePng(picture).value())) {
      std::fprintf(stderr, "cannot write the inputs into %s\n", folder.c_str());
      std::exit(1);
    }
  }
  ~Inputs() { std::filesystem::remove_all(folder); }
};

const Inputs& inputs() {
  static const Inputs made;
  return made;
}

void label(benchmark::State& state, const std::string& path) {
  state.SetLabel(std::to_string(std::filesystem::file_size(path) / 1024) + " KiB");
}

void BM_LoadJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(loadPictureFile(inputs().jpeg));
  label(state, inputs().jpeg);
}

void checkFile(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    auto facts = checkPictureFile(path);
    if (!facts) state.SkipWithError(facts.reason().c_str());
    benchmark::DoNotOptimize(facts);
  }
  label(state, path);
}

// A camera's photo: one scan, ending at the end marker.
void BM_CheckJpeg(benchmark::State& state) {
  checkFile(state, inputs().jpeg);
}

// Every scan of a progressive file is decoded, at an eighth of the size.
void BM_LoadProgressiveJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(loadPictureFile(inputs().progressiveJpeg));
  label(state, inputs().progressiveJpeg);
}
void BM_CheckProgressiveJpeg(benchmark::State& state) {
  checkFile(state, inputs().progressiveJpeg);
}

void BM_LoadPng(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(loadPictureFile(inputs().png));
  label(state, inputs().png);
}

void BM_CheckPng(benchmark::State& state) {
  checkFile(state, inputs().png);
}

BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProgressiveJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckProgressiveJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckPng)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Make the files before any timing starts.
  imbrino::inputs();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
