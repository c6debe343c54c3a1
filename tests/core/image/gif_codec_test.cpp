#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

const Pixel kRed = makePixel(255, 0, 0), kGreen = makePixel(0, 255, 0),
            kBlue = makePixel(0, 0, 255);

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<GifPixelType> indices;  // rows top to bottom
  bool interlaced = false;
  int transparent = NO_TRANSPARENT_COLOR;
  std::vector<GifColorType> localColours;
};

// Writes a GIF with giflib itself: a 4-colour global table (red, green, blue,
// black) unless `globalColours` is false, then the frames.
Bytes giflibFile(int screenWidth, int screenHeight, const std::vector<GifFrame>& frames,
                 bool globalColours = true) {
  Bytes file;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &file,
      [](GifFileType* g, const GifByteType* data, int size) {
        auto* out = static_cast<Bytes*>(g->UserData);
        out->insert(out->end(), data, data + size);
        return size;
      },
      &error);
  const GifColorType colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
  ColorMapObject* global = globalColours ? GifMakeMapObject(4, colours) : nullptr;
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, global);
  for (const GifFrame& frame : frames) {
    if (frame.transparent != NO_TRANSPARENT_COLOR) {
      GraphicsControlBlock control{0, false, 0, frame.transparent};
      GifByteType extension[4];
      EGifGCBToExtension(&control, extension);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
    }
    ColorMapObject* local =
        frame.localColours.empty()
            ? nullptr
            : GifMakeMapObject(int(frame.localColours.size()), frame.localColours.data());
    EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                     local);
    std::vector<int> order;
    for (int y = 0; y < frame.height; ++y) order.push_back(y);
    if (frame.interlaced) {
      order.clear();
      for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < frame.height; y += step) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> row(frame.indices.begin() + y * frame.width,
                                    frame.indices.begin() + (y + 1) * frame.width);
      EGifPutLine(gif, row.data(), frame.width);
    }
    GifFreeMapObject(local);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(global);
  return file;
}

Surface pictureOf(int width, const std::vector<Pixel>& pixels) {
  Surface picture = Surface::create(width, static_cast<int>(pixels.size()) / width).value();
  std::copy(pixels.begin(), pixels.end(), picture.pixels().begin());
  return picture;
}

TEST(GifCodec, FrameIsDrawnAtItsPlaceWithTransparencyAndOutsideWhite) {
  // A 2 x 2 frame at (1, 1) of a 4 x 3 screen; index 3 is transparent.
  const GifFrame frame{1, 1, 2, 2, {0, 1, 2, 3}, false, 3};
  auto decoded = decodeGif(giflibFile(4, 3, {frame}));
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  const Pixel w = kPixelWhite;
  EXPECT_EQ(*decoded, pictureOf(4, {w, w, w, w, w, kRed, kGreen, w, w, kBlue, w, w}));
}

TEST(GifCodec, LocalColoursInterlaceAndOnlyTheFirstFrameCount) {
  GifFrame first{0, 0, 1, 11, {}, true};
  for (int y = 0; y < 11; ++y) first.indices.push_back(GifPixelType(y % 2));
  first.localColours = {{9, 9, 9}, {200, 200, 200}};
  // A local table here too: giflib's writer loses the first frame's copy
  // when a later frame has none.
  GifFrame second{0, 0, 1, 11, std::vector<GifPixelType>(11, 1)};
  second.localColours = {{50, 60, 70}, {80, 90, 100}};
  Bytes file = giflibFile(1, 11, {first, second});
  file.resize(file.size() - 8);  // the second frame is damaged too: it must not matter
  auto decoded = decodeGif(file);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  for (int y = 0; y < 11; ++y)
    EXPECT_EQ(decoded->pixel(0, y), y % 2 ? makePixel(200, 200, 200) : makePixel(9, 9, 9)) << y;
}

TEST(GifCodec, CanvasGrowsToHoldAFrameBeyondTheScreen) {
  const GifFrame frame{2, 1, 2, 1, {0, 1}};
  auto beyond = decodeGif(giflibFile(3, 1, {frame}));
  ASSERT_TRUE(beyond.ok()) << beyond.reason();
  const Pixel w = kPixelWhite;
  EXPECT_EQ(*beyond, pictureOf(4, {w, w, w, w, w, w, kRed, kGreen}));
  auto noScreen = decodeGif(giflibFile(0, 0, {frame}));
  ASSERT_TRUE(noScreen.ok()) << noScreen.reason();
  EXPECT_EQ(*noScreen, *beyond);
}

TEST(GifCodec, DamagedTruncatedAndAbsurdFilesFailCleanly) {
  const GifFrame frame{0, 0, 40, 40, std::vector<GifPixelType>(1600, 1)};
  const Bytes file = giflibFile(40, 40, {frame});
  for (std::size_t size :
       {std::size_t{0}, std::size_t{6}, std::size_t{12}, std::size_t{30}, file.size() - 6}) {
    auto decoded = decodeGif(ByteView(file).first(size));
    ASSERT_FALSE(decoded.ok()) << size;
    EXPECT_EQ(decoded.reason().rfind("GIF: ", 0), 0u) << decoded.reason();
  }
  EXPECT_EQ(decodeGif(ByteView(file).first(file.size() - 6)).reason(),
            "GIF: the file is truncated");
  EXPECT_FALSE(decodeGif(giflibFile(4, 4, {})).ok());  // no picture at all
  // giflib refuses to write a picture without colours; take the table out.
  Bytes colourless = giflibFile(2, 1, {{0, 0, 2, 1, {0, 1}}});
  colourless[10] &= 0x7F;
  colourless.erase(colourless.begin() + 13, colourless.begin() + 13 + 3 * 4);
  EXPECT_EQ(decodeGif(colourless).reason(), "GIF: the picture has no colour table");

  auto announce = [&](int width, int height) {
    Bytes patched = file;
    const std::size_t descriptor = 13 + 3 * 4;  // header, screen, 4-colour table
    for (std::size_t at : {std::size_t{6}, descriptor + 5}) {
      patched[at] = std::uint8_t(width), patched[at + 1] = std::uint8_t(width >> 8);
      patched[at + 2] = std::uint8_t(height), patched[at + 3] = std::uint8_t(height >> 8);
    }
    return decodeGif(patched);
  };
  EXPECT_NE(announce(65535, 65535).reason().find("too large"), std::string::npos);
  EXPECT_NE(announce(10000, 10000).reason().find("truncated"), std::string::npos);
}

// Reads our GIF back with giflib: the one image's indices and the palette.
struct ReadBack {
  std::string version;
  int imageCount = 0;
  std::vector<GifColorType> colours;
  std::vector<GifPixelType> indices;
};

ReadBack readBack(const Bytes& file) {
  struct Source {
    const Bytes* bytes;
    std::size_t at = 0;
  } source{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(
      &source,
      [](GifFileType* g, GifByteType* out, int size) {
        auto* s = static_cast<Source*>(g->UserData);
        const int n = std::min<int>(size, int(s->bytes->size() - s->at));
        std::copy_n(s->bytes->begin() + s->at, n, out);
        s->at += n;
        return n;
      },
      &error);
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  ReadBack result{std::string(file.begin(), file.begin() + 6), gif->ImageCount};
  result.colours.assign(gif->SColorMap->Colors,
                        gif->SColorMap->Colors + gif->SColorMap->ColorCount);
  const SavedImage& image = gif->SavedImages[0];
  result.indices.assign(image.RasterBits,
                        image.RasterBits + image.ImageDesc.Width * image.ImageDesc.Height);
  DGifCloseFile(gif, &error);
  return result;
}

TEST(GifCodec, WritesOneEightBitImageThatLooksLikeThePicture) {
  // Far more than 256 colours.
  Surface picture = Surface::create(120, 90).value();
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x)
      picture.setPixel(x, y,
                       makePixel(std::uint8_t(x * 2), std::uint8_t(y * 2), std::uint8_t(x + y)));
  auto file = encodeGif(picture);
  ASSERT_TRUE(file.ok()) << file.reason();
  const ReadBack back = readBack(*file);
  EXPECT_EQ(back.version, "GIF89a");
  EXPECT_EQ(back.imageCount, 1);
  EXPECT_EQ(back.colours.size(), 256u);
  std::set<int> used(back.indices.begin(), back.indices.end());
  EXPECT_GT(used.size(), 128u);
  EXPECT_LT(*used.rbegin(), 256);

  auto decoded = decodeGif(*file);
  ASSERT_TRUE(decoded.ok()) << decoded.reason();
  // Error diffusion trades a small error at each pixel for the right colour
  // on average.
  const auto samples = static_cast<double>(picture.pixels().size());
  for (int shift : {0, 8, 16}) {
    double error = 0, bias = 0;
    for (std::size_t i = 0; i < picture.pixels().size(); ++i) {
      const int difference =
          int((decoded->pixels()[i] >> shift) & 0xFF) - int((picture.pixels()[i] >> shift) & 0xFF);
      error += std::abs(difference);
      bias += difference;
    }
    EXPECT_LT(error / samples, 5.0) << shift;
    EXPECT_LT(std::abs(bias / samples), 1.0) << shift;
  }
}

TEST(GifCodec, FewColoursSurviveExactlyInASmallTable) {
  const Surface picture = test::makeTestPicture(30, 20);  // five colours
  auto file = encodeGif(picture);
  ASSERT_TRUE(file.ok()) << file.reason();
  EXPECT_EQ(readBack(*file).colours.size(), 8u);
  EXPECT_EQ(decodeGif(*file).value(), picture);

  auto single = encodeGif(Surface::create(1, 1, kBlue).value());
  ASSERT_TRUE(single.ok()) << single.reason();
  EXPECT_EQ(readBack(*single).colours.size(), 2u);
  EXPECT_EQ(decodeGif(*single).value().pixel(0, 0), kBlue);
  EXPECT_FALSE(encodeGif(Surface()).ok());
}

}  // namespace
}  // namespace imbrino
