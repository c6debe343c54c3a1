#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

struct PngLayout {
  int width = 0;
  int height = 0;
  int colourType = PNG_COLOR_TYPE_RGB;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;         // tRNS of a palette picture
  const png_color_16* transparent = nullptr;  // tRNS of a grey or RGB picture
};

// Writes a PNG with libpng itself; `rows` holds the packed rows as stored
// (16-bit samples big-endian).
Bytes libpngFile(const PngLayout& layout, std::vector<std::vector<png_byte>> rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Bytes file;
  png_set_write_fn(
      png, &file,
      [](png_structp p, png_bytep data, png_size_t size) {
        auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
        out->insert(out->end(), data, data + size);
      },
      nullptr);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty())
    png_set_PLTE(png, info, layout.palette.data(), static_cast<int>(layout.palette.size()));
  if (!layout.paletteAlpha.empty() || layout.transparent)
    png_set_tRNS(png, info, layout.paletteAlpha.data(),
                 static_cast<int>(layout.paletteAlpha.size()), layout.transparent);
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  for (auto& row : rows) pointers.push_back(row.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return file;
}

Surface pictureOf(int width, const std::vector<Pixel>& pixels) {
  Surface picture = Surface::create(width, static_cast<int>(pixels.size()) / width).value();
  std::copy(pixels.begin(), pixels.end(), picture.pixels().begin());
  return picture;
}

Pixel grey(int v) {
  return makePixel(std::uint8_t(v), std::uint8_t(v), std::uint8_t(v));
}

TEST(PngCodec, RoundTripIsExactAndWritesEightBitRgb) {
  const Surface picture = test::makeTestPicture(37, 21);
  auto file = encodePng(picture);
  ASSERT_TRUE(file.ok()) << file.reason();
  EXPECT_EQ((*file)[24], 8);                   // bit depth in IHDR
  EXPECT_EQ((*file)[25], PNG_COLOR_TYPE_RGB);  // colour type
  auto decoded = decodePng(*file);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_EQ(*decoded, picture);
  EXPECT_FALSE(encodePng(Surface()).ok());
}

TEST(PngCodec, GreyOfEveryDepthIsScaledToEightBits) {
  // Four pixels a row: the darkest, the brightest and two in between.
  struct Case {
    int depth;
    std::vector<png_byte> row;
    std::vector<Pixel> expected;
  };
  const std::vector<Case> cases = {
      {1, {0b1010'0000}, {grey(255), grey(0), grey(255), grey(0)}},
      {2, {0b00'01'10'11}, {grey(0), grey(85), grey(170), grey(255)}},
      {4, {0x0F, 0x5A}, {grey(0), grey(255), grey(85), grey(170)}},
      {8, {0, 1, 128, 255}, {grey(0), grey(1), grey(128), grey(255)}},
      {16, {0, 0, 0x80, 0x80, 0x12, 0x12, 0xFF, 0xFF}, {grey(0), grey(128), grey(18), grey(255)}},
  };
  for (const Case& test : cases) {
    auto decoded = decodePng(libpngFile({4, 1, PNG_COLOR_TYPE_GRAY, test.depth}, {test.row}));
    ASSERT_TRUE(decoded.ok()) << test.depth << ": " << decoded.reason();
    EXPECT_EQ(*decoded, pictureOf(4, test.expected)) << "depth " << test.depth;
  }
}

TEST(PngCodec, ColourTypesWithAlphaAreLaidOnWhite) {
  const Pixel half = overWhite(200, 100, 0, 128);
  // RGBA 8 and 16 bits: opaque, half transparent, fully transparent.
  auto rgba8 = decodePng(libpngFile({3, 1, PNG_COLOR_TYPE_RGBA, 8},
                                    {{10, 20, 30, 255, 200, 100, 0, 128, 1, 2, 3, 0}}));
  ASSERT_TRUE(rgba8.ok()) << rgba8.reason();
  EXPECT_EQ(*rgba8, pictureOf(3, {makePixel(10, 20, 30), half, kPixelWhite}));
  auto rgba16 = decodePng(
      libpngFile({2, 1, PNG_COLOR_TYPE_RGBA, 16},
                 {{0xC8, 0xC8, 0x64, 0x64, 0, 0, 0x80, 0x80, 9, 9, 9, 9, 9, 9, 0xFF, 0xFF}}));
  ASSERT_TRUE(rgba16.ok()) << rgba16.reason();
  EXPECT_EQ(*rgba16, pictureOf(2, {half, grey(9)}));
  auto greyAlpha = decodePng(libpngFile({2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8}, {{0, 0, 50, 255}}));
  ASSERT_TRUE(greyAlpha.ok()) << greyAlpha.reason();
  EXPECT_EQ(*greyAlpha, pictureOf(2, {kPixelWhite, grey(50)}));
}

TEST(PngCodec, PalettesAndTransparentColoursAreHonoured) {
  PngLayout palette{4, 1, PNG_COLOR_TYPE_PALETTE, 2};
  palette.palette = {{200, 100, 0}, {0, 0, 255}, {10, 20, 30}};
  palette.paletteAlpha = {128, 0};  // entry 2 has no alpha: opaque
  auto decoded = decodePng(libpngFile(palette, {{0b00'01'10'10}}));
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  const Pixel dark = makePixel(10, 20, 30);
  EXPECT_EQ(*decoded, pictureOf(4, {overWhite(200, 100, 0, 128), kPixelWhite, dark, dark}));

  const png_color_16 key{0, 7, 8, 9, 0};
  PngLayout rgb{2, 1, PNG_COLOR_TYPE_RGB, 8};
  rgb.transparent = &key;
  auto keyed = decodePng(libpngFile(rgb, {{7, 8, 9, 7, 8, 10}}));
  ASSERT_TRUE(keyed.ok()) << keyed.reason();
  EXPECT_EQ(*keyed, pictureOf(2, {kPixelWhite, makePixel(7, 8, 10)}));
}

TEST(PngCodec, InterlacedPicturesMatchTheirPlainTwins) {
  const Surface picture = test::makeTestPicture(13, 11);
  std::vector<std::vector<png_byte>> rows;
  for (int y = 0; y < 11; ++y) {
    rows.emplace_back();
    for (int x = 0; x < 13; ++x)
      rows.back().insert(
          rows.back().end(),
          {redOf(picture.pixel(x, y)), greenOf(picture.pixel(x, y)), blueOf(picture.pixel(x, y))});
  }
  PngLayout layout{13, 11, PNG_COLOR_TYPE_RGB, 8, true};
  auto decoded = decodePng(libpngFile(layout, rows));
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  EXPECT_EQ(*decoded, picture);
}

// Recomputes the CRC of the chunk whose type starts at `type`.
void fixCrc(Bytes& file, std::size_t type, std::size_t length) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = type; i < type + 4 + length; ++i) {
    crc ^= file[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFF;
  for (int i = 0; i < 4; ++i) file[type + 4 + length + i] = std::uint8_t(crc >> (24 - 8 * i));
}

TEST(PngCodec, DamagedTruncatedAndAbsurdFilesFailCleanly) {
  const Bytes file = encodePng(test::makeTestPicture(64, 64)).value();
  for (std::size_t size : {std::size_t{0}, std::size_t{8}, std::size_t{20}, std::size_t{40},
                           file.size() / 2, file.size() - 30}) {
    auto decoded = decodePng(ByteView(file).first(size));
    ASSERT_FALSE(decoded.ok()) << size;
    EXPECT_EQ(decoded.reason().rfind("PNG: ", 0), 0u) << decoded.reason();
  }
  // The pixels are complete before IEND, which cannot change them.
  EXPECT_TRUE(decodePng(ByteView(file).first(file.size() - 12)).ok());

  Bytes damaged = file;
  damaged[file.size() / 2] ^= 0x40;  // inside IDAT: its CRC no longer matches
  EXPECT_FALSE(decodePng(damaged).ok());

  auto announce = [&](std::uint32_t width, std::uint32_t height) {
    Bytes patched = file;
    for (int i = 0; i < 4; ++i) {
      patched[16 + i] = std::uint8_t(width >> (24 - 8 * i));
      patched[20 + i] = std::uint8_t(height >> (24 - 8 * i));
    }
    fixCrc(patched, 12, 13);
    return decodePng(patched);
  };
  EXPECT_NE(announce(60000, 60000).reason().find("too large"), std::string::npos);
  EXPECT_NE(announce(12000, 12000).reason().find("truncated"), std::string::npos);
  EXPECT_FALSE(announce(100000, 1).ok());
  EXPECT_FALSE(announce(0, 1).ok());
}

}  // namespace
}  // namespace imbrino
