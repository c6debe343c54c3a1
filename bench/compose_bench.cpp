// drawTemplate's cost: a 300 x 100 half-transparent logo (text and a keyed
// picture) stamped onto a 12-megapixel picture, and a 1000 x 1000 template with
// 20 objects painted with every frame, as the editor repaints its canvas.

#include <benchmark/benchmark.h>

#include "bench_templates.h"
#include "render/template_compose.h"

namespace imbrino {
namespace {

using bench::busyTemplate;
using bench::keyedPicture;
using bench::textObject;

void BM_StampLogoOn12Megapixels(benchmark::State& state) {
  Template logo;
  logo.background = {300, 100, 0, 0x00FFFFFF, 128, 0, 0};
  logo.pictureObjects.push_back(keyedPicture(80, {10, 10, 80, 80}, 1, 255));
  logo.textObjects.push_back(textObject("Imbrino 样张", 32, 100, 30, 2, 255));
  Surface picture = Surface::create(4000, 3000, makePixel(90, 120, 60)).value();
  for (auto _ : state) {
    drawTemplate(picture, (4000 - 300) / 2, (3000 - 100) / 2, logo, false, false);
    benchmark::DoNotOptimize(picture.pixels().data());
  }
}

void BM_EditorRepaint1000x1000With20Objects(benchmark::State& state) {
  const Template document = busyTemplate();
  Surface canvas = Surface::create(1000, 1000).value();
  for (auto _ : state) {
    canvas.fill(kPixelWhite);
    drawTemplate(canvas, 0, 0, document, true, true);
    benchmark::DoNotOptimize(canvas.pixels().data());
  }
}

BENCHMARK(BM_StampLogoOn12Megapixels)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorRepaint1000x1000With20Objects)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace imbrino

BENCHMARK_MAIN();
