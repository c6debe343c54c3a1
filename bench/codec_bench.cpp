// Decode and encode of a 12-megapixel picture, through the core and through the
// bare libraries at the same settings (JPEG quality 99, 4:4:4; PNG 8-bit RGB).
// The picture is made here: smooth gradients with fine noise, so it compresses
// like a photograph rather than like a flat test card.

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include <cstdio>
#include <random>
#include <string>

#include "image/codecs.h"

namespace imbrino {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const Surface& photo() {
  static const Surface picture = [] {
    Surface s = Surface::create(kWidth, kHeight).value();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        auto channel = [&](int base) {
          return static_cast<std::uint8_t>(std::clamp(base + noise(random), 0, 255));
        };
        s.setPixel(x, y, makePixel(channel(x * 255 / kWidth), channel(y * 255 / kHeight),
                                   channel(((x + y) / 16) % 256)));
      }
    return s;
  }();
  return picture;
}

const Bytes& photoJpeg() {
  static const Bytes file = encodeJpeg(photo()).value();
  return file;
}

const Bytes& photoPng() {
  static const Bytes file = encodePng(photo()).value();
  return file;
}

void BM_CoreDecodeJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(decodeJpeg(photoJpeg()));
  state.SetLabel(std::to_string(photoJpeg().size() / 1024) + " KiB");
}

void BM_LibjpegDecode(benchmark::State& state) {
  std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
  for (auto _ : state) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, photoJpeg().data(), photoJpeg().size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.data() + std::size_t{info.output_scanline} * kWidth * 4;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_CoreEncodeJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodeJpeg(photo()));
}

void BM_LibjpegEncode(benchmark::State& state) {
  for (auto _ : state) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 4;
    info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 99, TRUE);
    for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(photo().pixels().data());
    while (info.next_scanline < info.image_height) {
      auto row = const_cast<JSAMPROW>(bytes + std::size_t{info.next_scanline} * kWidth * 4);
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::free(out);
  }
}

void BM_CoreDecodePng(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(decodePng(photoPng()));
  state.SetLabel(std::to_string(photoPng().size() / 1024) + " KiB");
}

void BM_LibpngDecode(benchmark::State& state) {
  std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
  for (auto _ : state) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, photoPng().data(), photoPng().size());
    image.format = PNG_FORMAT_BGRA;
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_CoreEncodePng(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePng(photo()));
}

// The classic libpng API at the settings the core writes with: 8-bit RGB from
// the 32-bit rows, zlib level 4, adaptive filters.
void BM_LibpngEncode(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
          auto* sink = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
          sink->insert(sink->end(), data, data + size);
        },
        nullptr);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 4);
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < kHeight; ++y)
      png_write_row(png, reinterpret_cast<png_const_bytep>(photo().row(y)));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    benchmark::DoNotOptimize(out.data());
  }
}

BENCHMARK(BM_CoreDecodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreEncodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreDecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoreEncodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngEncode)->Unit(benchmark::kMillisecond);

}  // namespace imbrino

// `codec_bench --write-samples DIR` writes the benchmark's picture as DIR/photo.ppm
// and DIR/photo.jpg, so the libraries' own command-line tools can be timed on it.
int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--write-samples") {
    using namespace imbrino;
    const std::string folder = argv[2];
    Bytes ppm;
    const std::string header = "P6 " + std::to_string(kWidth) + " " + std::to_string(kHeight) + " 255\n";
    ppm.insert(ppm.end(), header.begin(), header.end());
    for (Pixel p : photo().pixels()) ppm.insert(ppm.end(), {redOf(p), greenOf(p), blueOf(p)});
    std::FILE* out = std::fopen((folder + "/photo.ppm").c_str(), "wb");
    std::FILE* jpeg = std::fopen((folder + "/photo.jpg").c_str(), "wb");
    if (!out || !jpeg) return 1;
    std::fwrite(ppm.data(), 1, ppm.size(), out);
    std::fwrite(photoJpeg().data(), 1, photoJpeg().size(), jpeg);
    std::fclose(out);
    std::fclose(jpeg);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  // Make the picture and its files before any timing starts.
  imbrino::photoJpeg();
  imbrino::photoPng();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
