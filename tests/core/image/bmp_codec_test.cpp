#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

// Describes a hand-made BMP file; makeBmp lays it out byte by byte.
struct BmpLayout {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t coloursUsed = 0;
  std::vector<std::uint32_t> masks;    // inside headers of 52 bytes and more, else after it
  std::vector<std::uint32_t> palette;  // 0xRRGGBB
  Bytes pixels;
  std::optional<std::uint32_t> offBits;  // default: right after the palette
};

void put(Bytes& out, std::uint64_t value, int size) {
  for (int i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes makeBmp(const BmpLayout& s) {
  Bytes info;
  put(info, s.headerSize, 4);
  const int side = s.headerSize == 12 ? 2 : 4;  // OS/2 1.x sizes are 16-bit
  put(info, static_cast<std::uint32_t>(s.width), side);
  put(info, static_cast<std::uint32_t>(s.height), side);
  put(info, 1, 2);
  put(info, s.bits, 2);
  if (s.headerSize != 12) {
    for (std::uint32_t v : {s.compression, s.imageSize, 2835u, 2835u, s.coloursUsed, 0u})
      put(info, v, 4);
    if (s.headerSize > 40)
      for (std::uint32_t m : s.masks) put(info, m, 4);
    info.resize(s.headerSize, 0);
    if (s.headerSize == 40)
      for (std::uint32_t m : s.masks) put(info, m, 4);
  }
  for (std::uint32_t c : s.palette) put(info, c, s.headerSize == 12 ? 3 : 4);
  Bytes file = {'B', 'M'};
  put(file, 14 + info.size() + s.pixels.size(), 4);
  put(file, 0, 4);
  put(file, s.offBits.value_or(static_cast<std::uint32_t>(14 + info.size())), 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

// The decoded pixels, top row first; a failure shows its reason.
std::vector<Pixel> decoded(const Bytes& file, int width, int height) {
  auto picture = decodeBmp(file);
  EXPECT_TRUE(picture.ok()) << picture.reason();
  if (!picture) return {};
  EXPECT_EQ(picture->width(), width);
  EXPECT_EQ(picture->height(), height);
  return {picture->pixels().begin(), picture->pixels().end()};
}

std::string refusal(const Bytes& file) {
  auto picture = decodeBmp(file);
  EXPECT_FALSE(picture.ok());
  return picture.reason();
}

constexpr Pixel W = kPixelWhite;
constexpr Pixel kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// Palette pictures use entry i = grey 0x10 * i and are written as strings:
// a hex digit per palette index, 'W' for white.
std::vector<std::uint32_t> greys(int count) {
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < count; ++i) palette.push_back(0x101010u * static_cast<unsigned>(i));
  return palette;
}
std::vector<Pixel> indexed(const std::string& text) {
  std::vector<Pixel> pixels;
  for (char c : text)
    pixels.push_back(c == 'W' ? W : kPixelBlack | 0x101010u * (c <= '9' ? c - '0' : c - 'a' + 10));
  return pixels;
}

TEST(BmpDecode, EveryHeaderVersionReadsTheSamePicture) {
  // 2 x 2, 8 bits: bottom row indices 1 2, top row 3 4.
  BmpLayout s{
      .width = 2, .height = 2, .bits = 8, .coloursUsed = 5, .pixels = {1, 2, 0, 0, 3, 4, 0, 0}};
  for (std::uint32_t size : {12u, 16u, 24u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    s.headerSize = size;
    s.palette = greys(size < 36 ? 256 : 5);  // short headers hold no colour count
    SCOPED_TRACE(size);
    EXPECT_EQ(decoded(makeBmp(s), 2, 2), indexed("3412"));
  }
}

TEST(BmpDecode, PaletteDepthsAndShortPalettes) {
  // 1 bit, 9 pixels: the row crosses a byte.
  BmpLayout s{.width = 9, .bits = 1, .palette = greys(2), .pixels = {0xA5, 0x80, 0, 0}};
  EXPECT_EQ(decoded(makeBmp(s), 9, 1), indexed("101001011"));
  // Indices past the announced colours are black, never read past the palette.
  s = {.width = 3, .bits = 4, .coloursUsed = 4, .palette = greys(4), .pixels = {0x32, 0x90, 0, 0}};
  EXPECT_EQ(decoded(makeBmp(s), 3, 1), indexed("320"));
  s = {.width = 3, .bits = 8, .coloursUsed = 2, .palette = greys(2), .pixels = {1, 200, 1, 0}};
  EXPECT_EQ(decoded(makeBmp(s), 3, 1), indexed("101"));
}

TEST(BmpDecode, DirectColourDepths) {
  BmpLayout s{.width = 2, .bits = 24, .pixels = {0x00, 0x00, 0xFF, 0x30, 0x20, 0x10, 0, 0}};
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{kRed, 0xFF102030}));
  // 32 bits without bit fields: the fourth byte is not alpha.
  s = {.width = 2, .bits = 32, .pixels = {0x30, 0x20, 0x10, 0x00, 0xFF, 0x00, 0x00, 0x7F}};
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{0xFF102030, kBlue}));
  // 16 bits, 5-5-5 by default: 5-bit v becomes round(v * 255 / 31).
  s = {.width = 2, .bits = 16, .pixels = {0x1F, 0x7C, 0x10, 0x02}};  // 0x7C1F, 0x0210
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{0xFFFF00FF, makePixel(0, 132, 132)}));
  // 5-6-5 bit fields after a 40-byte header.
  s = {.width = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}};
  s.pixels = {0xE0, 0x07, 0x20, 0x00};  // 0x07E0 (green 63), 0x0020 (green 1)
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{kGreen, makePixel(0, 4, 0)}));
}

TEST(BmpDecode, BitFieldsOfAnyWidth) {
  // 1-bit red, 14-bit green, 1-bit blue.
  BmpLayout s{.headerSize = 52, .width = 2, .bits = 16, .compression = 3};
  s.masks = {0x8000, 0x7FFE, 0x0001};
  s.pixels = {0x01, 0x80, 0x00, 0x40};  // 0x8001, 0x4000 (green 0x2000 of 0x3FFF)
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{0xFFFF00FF, makePixel(0, 128, 0)}));
  // 10-bit channels and a 32-bit-wide one.
  s = {.headerSize = 108, .width = 2, .bits = 32, .compression = 3};
  s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
  s.pixels = {0xFF, 0x03, 0xF0, 0x3F, 0x00, 0x00, 0x80, 0x00};
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{0xFFFF00FF, makePixel(2, 0, 0)}));
  s.masks = {0, 0, 0xFFFFFFFF};
  s.pixels = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80};
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{kBlue, makePixel(0, 0, 128)}));
}

TEST(BmpDecode, AlphaIsLaidOnWhiteOnlyWhenTheMasksSayAlpha) {
  const Bytes pixels = {0x00, 0x64, 0xC8, 0x80, 0x00, 0x00, 0xFF, 0xFF};  // (200,100,0,128), red
  const std::vector<Pixel> blended = {overWhite(200, 100, 0, 128), kRed};
  const std::vector<std::uint32_t> argb = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  BmpLayout s{.headerSize = 124, .width = 2, .bits = 32, .compression = 3, .masks = argb};
  s.pixels = pixels;
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), blended);
  s.headerSize = 40;
  s.compression = 6;  // alpha bit fields after the 40-byte header
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), blended);
  // Masks in a V5 header mean nothing without bit-field compression.
  s.headerSize = 124;
  s.compression = 0;
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{makePixel(200, 100, 0), kRed}));
  // An alpha channel that is zero everywhere was never meant: read as opaque.
  s.compression = 3;
  s.pixels = {0x00, 0x64, 0xC8, 0x00, 0x00, 0x00, 0xFF, 0x00};
  EXPECT_EQ(decoded(makeBmp(s), 2, 1), (std::vector<Pixel>{makePixel(200, 100, 0), kRed}));
}

TEST(BmpDecode, RleRunsEscapesAndClipping) {
  BmpLayout s{.width = 6, .height = 4, .bits = 8, .compression = 1, .coloursUsed = 5};
  s.palette = greys(5);
  s.pixels = {3, 1,              // bottom row: 3 x index 1
              0, 3, 2, 3, 7, 0,  // absolute 2 3 7 (7 past the palette), padded
              0, 0, 2, 4,        // end of line, 2 x index 4
              0, 2, 1, 1,        // delta: 1 right, 1 up
              1, 2, 0, 0,        // index 2, end of line
              9, 3,              // a run longer than the row
              0, 1, 5, 1};       // end of bitmap; what follows is ignored
  EXPECT_EQ(decoded(makeBmp(s), 6, 4), indexed("333333WWW2WW44WWWW111230"));
  // Deltas and runs past the picture, an absolute run cut short by the end
  // of the data, no end of bitmap: clipped, the rest stays white.
  s.pixels = {0, 2, 255, 0, 5, 1, 0, 0, 0, 4, 1, 1};
  EXPECT_EQ(decoded(makeBmp(s), 6, 4), indexed("WWWWWWWWWWWW11WWWWWWWWWW"));
  s.pixels = {0, 2, 0, 255, 2, 1, 0, 0, 0};
  EXPECT_EQ(decoded(makeBmp(s), 6, 4), indexed(std::string(24, 'W')));
  s.imageSize = 1000;  // more RLE data than the file holds
  EXPECT_NE(refusal(makeBmp(s)).find("truncated"), std::string::npos);

  s = {.width = 8, .height = 2, .bits = 4, .compression = 2, .palette = greys(16)};
  s.pixels = {3, 0x12,                        // 1 2 1
              0, 5,    0x34, 0x56, 0x70, 0,   // absolute 3 4 5 6 7: 3 bytes, padded
              0, 0,    0,    2,    1,    0,   // end of line, 1 right
              0, 3,    0x9A, 0xB0, 0,    1};  // absolute 9 a b: 2 bytes, not padded
  EXPECT_EQ(decoded(makeBmp(s), 8, 2), indexed("W9abWWWW12134567"));
}

TEST(BmpDecode, TopDownAndDataOffsets) {
  BmpLayout s{.width = 1, .height = -2, .bits = 24, .pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0}};
  EXPECT_EQ(decoded(makeBmp(s), 1, 2), (std::vector<Pixel>{kRed, kBlue}));
  // Data placed after a gap is found through the offset field.
  s.height = 2;
  s.offBits = 54 + 3;
  s.pixels.insert(s.pixels.begin(), {9, 9, 9});
  EXPECT_EQ(decoded(makeBmp(s), 1, 2), (std::vector<Pixel>{kBlue, kRed}));
  // An offset of 0, or one inside the palette, means "after the palette".
  BmpLayout p{.width = 2, .bits = 8, .coloursUsed = 4, .palette = greys(4), .pixels = {3, 1, 0, 0}};
  for (std::uint32_t offset : {0u, 14u + 40u + 8u}) {
    p.offBits = offset;
    EXPECT_EQ(decoded(makeBmp(p), 2, 1), indexed("31"));
  }
}

TEST(BmpDecode, RefusesWhatItCannotRead) {
  EXPECT_EQ(refusal({}), "not a BMP file");
  EXPECT_EQ(refusal({'P', 'K', 3, 4}), "not a BMP file");
  const BmpLayout ok{.width = 3, .height = 4, .pixels = Bytes(48)};
  auto with = [&](auto change) {
    BmpLayout s = ok;
    change(s);
    return makeBmp(s);
  };
  const std::pair<Bytes, std::string> cases[] = {
      {with([](BmpLayout& s) { s.compression = 4; }),
       "unsupported BMP compression 4 (JPEG inside BMP)"},
      {with([](BmpLayout& s) { s.compression = 5; }),
       "unsupported BMP compression 5 (PNG inside BMP)"},
      {with([](BmpLayout& s) { s = {.headerSize = 64, .bits = 1, .compression = 3}; }),
       "unsupported BMP compression 3 (OS/2 Huffman 1D)"},
      {with([](BmpLayout& s) { s.bits = 2; }), "unsupported BMP bit depth 2"},
      {with([](BmpLayout& s) { s.headerSize = 100; }), "unsupported BMP header size 100"},
      {with([](BmpLayout& s) { s.compression = 1; }),
       "RLE8 compression needs 8 bits per pixel, the file has 24"},
      {with([](BmpLayout& s) { s = {.height = -4, .bits = 8, .compression = 1}; }),
       "a top-down BMP cannot be RLE compressed"},
      {with([](BmpLayout& s) { s.height = INT32_MIN; }), "invalid BMP height -2147483648"},
      {with([](BmpLayout& s) { s.width = 70000; }), "the picture is too large"},
      // A header announcing far more pixels than the file holds is refused
      // before the picture is allocated.
      {with([](BmpLayout& s) { s.width = s.height = 16000; }), "the file is truncated"},
  };
  for (const auto& [file, reason] : cases) EXPECT_THAT(refusal(file), testing::StartsWith(reason));

  // The last row may lack its padding, but not a pixel.
  Bytes file = makeBmp(ok);
  file.resize(file.size() - 1);
  EXPECT_TRUE(decodeBmp(file).ok());
  file.resize(file.size() - 3);
  EXPECT_NE(refusal(file).find("truncated"), std::string::npos);
  file.resize(30);
  EXPECT_EQ(refusal(file), "the file is truncated");
}

TEST(BmpEncode, WritesA24BitFileThatReadsBackExactly) {
  const Surface picture = test::makeTestPicture(7, 5);
  auto file = encodeBmp(picture);
  ASSERT_TRUE(file.ok()) << file.reason();
  const Bytes& b = *file;
  auto field = [&](std::size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16; };
  ASSERT_EQ(b.size(), 54u + 24u * 5u);  // rows of 21 bytes padded to 24
  EXPECT_EQ(field(2), static_cast<int>(b.size()));
  EXPECT_EQ(field(10), 54);
  EXPECT_EQ(field(22), 5);  // positive height: bottom-up
  EXPECT_EQ(field(34), 24 * 5);
  EXPECT_EQ(field(38), 2835);
  auto back = decodeBmp(b);
  ASSERT_TRUE(back.ok()) << back.reason();
  EXPECT_EQ(*back, picture);
  EXPECT_FALSE(encodeBmp(Surface()).ok());
}

}  // namespace
}  // namespace imbrino
