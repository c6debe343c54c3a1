// Stamping a JPEG in its coefficients: every block the stamp does not reach
// must come out exactly as it went in, the stamp must decode close to the
// composite a full decode and encode would make, and the file's markers must
// survive. Each case makes its JPEG with libjpeg, as cameras lay them out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include <jpeglib.h>

#include "core/image/exif_block.h"
#include "image/jpeg_keep/jpeg_keep.h"
#include "image/picture_metadata.h"
#include "support/libjpeg_writer.h"

namespace imbrino {
namespace {

enum class Kind { Colour, Grey, Cmyk, Rgb };

struct Source {
  int width = 96;
  int height = 64;
  int lumaH = 2, lumaV = 2;  // chroma is 1 x 1: 2 x 2 is 4:2:0, 2 x 1 4:2:2, 1 x 1 4:4:4
  Kind kind = Kind::Colour;
  bool progressive = false;
  int restartInterval = 0;
  bool jfif = true;
  int orientation = 1;
  bool optimize = false;  // Huffman tables fitted to the picture: they lack codes it does not use
  bool acWithoutTheirLastBit = false;  // progressive, the AC refinement scans left out
};

// A profile split over two APP2 markers, so their order matters too.
const Bytes& iccProfile() {
  static const Bytes profile = [] {
    Bytes bytes(70000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31);
    std::copy_n("RGB ", 4, bytes.begin() + 16);
    return bytes;
  }();
  return profile;
}

// The picture `s` describes, or `picture` laid out as `s` says.
Bytes makeJpeg(const Source& s, const Surface* picture = nullptr) {
  std::vector<Pixel> pixels(static_cast<std::size_t>(s.width) * s.height);
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      const auto r = static_cast<std::uint8_t>(128 + 100 * std::sin(x / 7.0));
      const auto g = static_cast<std::uint8_t>(128 + 100 * std::cos(y / 5.0));
      const auto b = static_cast<std::uint8_t>((x * 5 + y * 3) % 256);
      pixels[static_cast<std::size_t>(y) * s.width + x] =
          picture ? picture->pixel(x, y) : makePixel(r, g, b);
    }
  // A scan script that never refines the AC coefficients' last bit: libjpeg
  // smooths such blocks when it decodes them.
  static const jpeg_scan_info acHalf[] = {{3, {0, 1, 2}, 0, 0, 0, 0},
                                          {1, {0}, 1, 63, 0, 1},
                                          {1, {1}, 1, 63, 0, 1},
                                          {1, {2}, 1, 63, 0, 1}};
  return test::writeLibjpegFile(
      s.width, s.height, 4, s.kind == Kind::Cmyk ? JCS_CMYK : JCS_EXT_BGRX,
      test::bgrxSamples(pixels.data()),
      [&](jpeg_compress_struct& info) {
        if (s.kind == Kind::Grey) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
        if (s.kind == Kind::Cmyk) jpeg_set_colorspace(&info, JCS_YCCK);
        if (s.kind == Kind::Rgb) jpeg_set_colorspace(&info, JCS_RGB);
        info.comp_info[0].h_samp_factor = s.lumaH;
        info.comp_info[0].v_samp_factor = s.lumaV;
        jpeg_set_quality(&info, 92, TRUE);
        if (s.progressive) jpeg_simple_progression(&info);
        if (s.acWithoutTheirLastBit) {
          info.scan_info = acHalf;
          info.num_scans = 4;
        }
        info.optimize_coding = s.optimize ? TRUE : FALSE;
        info.restart_interval = static_cast<unsigned>(s.restartInterval);
        info.write_JFIF_header = s.jfif ? TRUE : FALSE;
      },
      [&](jpeg_compress_struct& info) {
        const Bytes exif = test::exifOrientationBlock(s.orientation);
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
        for (const Bytes& chunk : iccMarkerPayloads(iccProfile()))
          jpeg_write_marker(&info, JPEG_APP0 + 2, chunk.data(),
                            static_cast<unsigned>(chunk.size()));
        const std::string comment = "shot on a test bench";
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                          static_cast<unsigned>(comment.size()));
      });
}

struct Component {
  int h = 0, v = 0, blocksWide = 0, blocksHigh = 0;
  std::vector<JCOEF> coefficients;  // block by block, 64 each
  std::vector<UINT16> quant;
};

// Everything a file holds besides its entropy coding.
struct Coefficients {
  int maxH = 0, maxV = 0;
  bool progressive = false;
  unsigned restartInterval = 0;
  std::vector<Component> components;
  std::vector<std::pair<int, Bytes>> markers;

  const JCOEF* block(std::size_t c, int bx, int by) const {
    const Component& k = components[c];
    return &k.coefficients[(static_cast<std::size_t>(by) * k.blocksWide + bx) * 64];
  }
};

Coefficients readCoefficients(const Bytes& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = test::throwingJpegErrors(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  for (int n = 0; n < 16; ++n) jpeg_save_markers(&info, JPEG_APP0 + n, 0xFFFF);
  jpeg_save_markers(&info, JPEG_COM, 0xFFFF);
  jpeg_read_header(&info, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
  Coefficients result;
  result.maxH = info.max_h_samp_factor;
  result.maxV = info.max_v_samp_factor;
  result.progressive = info.progressive_mode;
  result.restartInterval = info.restart_interval;
  for (int c = 0; c < info.num_components; ++c) {
    const jpeg_component_info& from = info.comp_info[c];
    Component k{from.h_samp_factor, from.v_samp_factor, static_cast<int>(from.width_in_blocks),
                static_cast<int>(from.height_in_blocks)};
    k.quant.assign(from.quant_table->quantval, from.quant_table->quantval + 64);
    for (JDIMENSION by = 0; by < from.height_in_blocks; ++by) {
      JBLOCKARRAY row = (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info),
                                                        arrays[c], by, 1, FALSE);
      for (JDIMENSION bx = 0; bx < from.width_in_blocks; ++bx)
        k.coefficients.insert(k.coefficients.end(), row[0][bx], row[0][bx] + 64);
    }
    result.components.push_back(std::move(k));
  }
  for (const jpeg_marker_struct* m = info.marker_list; m; m = m->next)
    result.markers.emplace_back(m->marker, Bytes(m->data, m->data + m->data_length));
  jpeg_destroy_decompress(&info);
  return result;
}

// A stamp like a caption: a light box with dark strokes, in grey or colour.
RegionPainter stamp(Rect area, bool colour) {
  return [area, colour](Surface& region, int left, int top) {
    const Rect box = intersect(translate(area, -left, -top), region.bounds());
    const Pixel ground = colour ? makePixel(250, 240, 200) : makePixel(235, 235, 235);
    const Pixel stroke = colour ? makePixel(20, 30, 120) : makePixel(30, 30, 30);
    for (int y = box.y; y < box.bottom(); ++y)
      for (int x = box.x; x < box.right(); ++x)
        region.setPixel(x, y, ((x + left) / 3 + (y + top) / 4) % 3 == 0 ? stroke : ground);
  };
}

double psnr(const Surface& a, const Surface& b, Rect area) {
  double squares = 0;
  int count = 0;
  for (int y = area.y; y < area.bottom(); ++y)
    for (int x = area.x; x < area.right(); ++x) {
      const Pixel p = a.pixel(x, y), q = b.pixel(x, y);
      for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF);
        squares += d * d;
        ++count;
      }
    }
  if (squares == 0) return 99;
  return 10 * std::log10(255.0 * 255.0 / (squares / count));
}

struct Case {
  std::string name;
  Source source;
  Rect area;
};

std::vector<Case> cases() {
  const Source s420;
  Source s422 = s420;
  s422.lumaV = 1;
  Source s444 = s420;
  s444.lumaH = s444.lumaV = 1;
  Source grey = s444;
  grey.kind = Kind::Grey;
  // Sizes that are no multiple of the MCU leave partial blocks and MCUs at
  // the right and bottom.
  auto odd = [](Source s) {
    s.width = 203;
    s.height = 77;
    return s;
  };
  Source progressive = odd(s420);
  progressive.progressive = true;
  Source smoothed = odd(s420);
  smoothed.acWithoutTheirLastBit = true;
  Source restarts = odd(s420);
  restarts.restartInterval = 3;
  Source exifFirst = s422;
  exifFirst.jfif = false;
  Source greyOdd = odd(grey);
  greyOdd.lumaH = greyOdd.lumaV = 2;  // one component: its MCU is still one block
  return {
      {"4:2:0 centre", s420, {37, 21, 30, 17}},
      {"4:2:0 top-left corner", s420, {0, 0, 16, 16}},
      {"4:2:0 partly outside top-left", s420, {-10, -7, 29, 20}},
      {"4:2:0 odd size bottom-right", odd(s420), {180, 60, 40, 40}},
      {"4:2:0 odd size, the last pixel", odd(s420), {202, 76, 1, 1}},
      {"4:2:0 covering everything", odd(s420), {-5, -5, 300, 100}},
      {"4:2:2 odd size right edge", odd(s422), {190, 5, 13, 9}},
      {"4:2:2 without JFIF", exifFirst, {33, 17, 7, 30}},
      {"4:4:4 odd size bottom edge", odd(s444), {3, 70, 50, 30}},
      {"grey odd size", odd(grey), {100, 30, 60, 60}},
      {"grey sampled 2 x 2", greyOdd, {9, 9, 20, 20}},
      {"progressive", progressive, {120, 10, 40, 50}},
      {"progressive at the bottom edge", progressive, {0, 70, 203, 7}},
      {"restart intervals", restarts, {60, 30, 51, 33}},
      {"progressive, a refinement left out", smoothed, {60, 30, 51, 33}},
  };
}

TEST(JpegKeep, StampsOnlyTheBlocksUnderTheStamp) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const bool colour = c.source.kind != Kind::Grey;
    const Bytes input = makeJpeg(c.source);
    const Surface decoded = decodeJpeg(input).value();
    // The painter is handed the pixels a full decode gives at that place.
    Rect handed;
    auto output = stampJpegKeepingBlocks(input, c.area, [&](Surface& region, int left, int top) {
      handed = {left, top, region.width(), region.height()};
      for (int y = 0; y < region.height(); ++y)
        for (int x = 0; x < region.width(); ++x)
          ASSERT_EQ(region.pixel(x, y), decoded.pixel(left + x, top + y)) << x << ", " << y;
      stamp(c.area, colour)(region, left, top);
    });
    ASSERT_TRUE(output) << output.reason();
    EXPECT_EQ(handed, jpegMcuRectangle(input, c.area));

    const Coefficients before = readCoefficients(input), after = readCoefficients(*output);
    EXPECT_EQ(after.markers, before.markers);
    EXPECT_EQ(after.progressive, before.progressive);
    EXPECT_EQ(after.restartInterval, before.restartInterval);
    ASSERT_EQ(after.components.size(), before.components.size());

    // Blocks the stamp does not reach keep every coefficient; those it
    // reaches lie in the MCUs around it.
    const Rect picture{0, 0, c.source.width, c.source.height};
    const Rect painted = intersect(c.area, picture);
    const Rect mcus = jpegMcuRectangle(input, c.area);
    EXPECT_EQ(intersect(painted, mcus), painted);
    int changed = 0;
    for (std::size_t k = 0; k < before.components.size(); ++k) {
      const Component& was = before.components[k];
      const Component& is = after.components[k];
      ASSERT_EQ(is.quant, was.quant);
      ASSERT_EQ(is.h, was.h);
      ASSERT_EQ(is.v, was.v);
      const int w = 8 * before.maxH / was.h, h = 8 * before.maxV / was.v;
      for (int by = 0; by < was.blocksHigh; ++by)
        for (int bx = 0; bx < was.blocksWide; ++bx) {
          const Rect footprint = intersect({bx * w, by * h, w, h}, picture);
          const bool same = std::equal(before.block(k, bx, by), before.block(k, bx, by) + 64,
                                       after.block(k, bx, by));
          changed += !same;
          if (intersect(footprint, painted).empty()) {
            ASSERT_TRUE(same) << "component " << k << " block " << bx << ", " << by;
          }
          if (!same) {
            ASSERT_EQ(intersect(footprint, mcus), footprint);
          }
        }
    }
    EXPECT_GT(changed, 0);

    // The stamp decodes close to the composite of the decoded picture, and
    // the picture away from it exactly as it did.
    Surface composite = decoded;
    const Surface& original = decoded;
    stamp(c.area, colour)(composite, 0, 0);
    const Surface result = decodeJpeg(*output).value();
    // As close as encoding the whole composite in the picture's own layout
    // and quality comes.
    const Surface reference = decodeJpeg(makeJpeg(c.source, &composite)).value();
    EXPECT_GT(psnr(result, composite, painted), psnr(reference, composite, painted) - 1.0);
    // A file missing refinement scans is written with all of them (holding
    // the same coefficients), so libjpeg no longer smooths its blocks.
    if (c.source.acWithoutTheirLastBit) continue;
    // Chroma is upsampled from its neighbours, so the MCUs next to the
    // stamp's may shift a little; beyond them nothing does.
    const int mcuW = 8 * before.maxH, mcuH = 8 * before.maxV;
    const Rect near = intersect(
        {mcus.x - mcuW, mcus.y - mcuH, mcus.width + 2 * mcuW, mcus.height + 2 * mcuH}, picture);
    for (int y = 0; y < picture.height; ++y)
      for (int x = 0; x < picture.width; ++x)
        if (x < near.x || x >= near.right() || y < near.y || y >= near.bottom()) {
          ASSERT_EQ(result.pixel(x, y), original.pixel(x, y)) << x << ", " << y;
        }
  }
}

// The same coefficients coded again by libjpeg: progressively (a file the
// quick way, which splices a single scan, never takes, so libjpeg's way
// stamps it), or in one scan with the standard tables and the file's restart
// interval, as the splice codes them.
Bytes codedAgain(const Bytes& file, bool progressive) {
  jpeg_decompress_struct in{};
  jpeg_compress_struct out{};
  jpeg_error_mgr errors{};
  in.err = out.err = test::throwingJpegErrors(&errors);
  jpeg_create_decompress(&in);
  jpeg_create_compress(&out);
  jpeg_mem_src(&in, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&in, TRUE);
  jvirt_barray_ptr* arrays = jpeg_read_coefficients(&in);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&out, &buffer, &size);
  jpeg_copy_critical_parameters(&in, &out);
  if (progressive) jpeg_simple_progression(&out);
  out.restart_interval = in.restart_interval;
  jpeg_write_coefficients(&out, arrays);
  jpeg_finish_compress(&out);
  jpeg_destroy_compress(&out);
  jpeg_destroy_decompress(&in);
  Bytes result(buffer, buffer + size);
  std::free(buffer);
  return result;
}

Bytes asProgressive(const Bytes& file) {
  return codedAgain(file, true);
}

// How many warnings (damaged data, stray bytes) libjpeg gives decoding `file`.
long decodingWarnings(const Bytes& file) {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = test::throwingJpegErrors(&errors);
  errors.emit_message = [](j_common_ptr codec, int level) {
    if (level < 0) ++codec->err->num_warnings;
  };
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  std::vector<JSAMPLE> row(info.output_width * info.output_components);
  JSAMPROW rows[] = {row.data()};
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
  jpeg_finish_decompress(&info);
  const long warnings = errors.num_warnings;
  jpeg_destroy_decompress(&info);
  return warnings;
}

// Where a file's first scan starts coding: just past its SOS segment.
std::size_t codedDataStart(const Bytes& file) {
  for (std::size_t i = 2; i + 4 < file.size();) {
    const std::size_t length = file[i + 2] << 8 | file[i + 3];
    if (file[i + 1] == 0xDA) return i + 2 + length;  // SOS
    i += 2 + length;
  }
  return file.size();
}

void expectSameCoefficients(const Coefficients& a, const Coefficients& b) {
  ASSERT_EQ(a.components.size(), b.components.size());
  for (std::size_t k = 0; k < a.components.size(); ++k) {
    EXPECT_EQ(a.components[k].coefficients, b.components[k].coefficients) << "component " << k;
  }
}

TEST(JpegKeep, CameraFilesAreSplicedIntoTheirCodedDataAsLibjpegWouldStampThem) {
  // Single-scan files are spliced; the same coefficients coded progressively
  // go through libjpeg. Both must come out with the same blocks, at every
  // restart interval and wherever the changed MCUs begin and end: the first
  // MCU, across row and interval ends, the last one.
  Source s420;
  s420.width = 203;
  s420.height = 77;  // 13 x 5 MCUs, the last column and row partial
  Source s422 = s420, s444 = s420, s440 = s420, s411 = s420, grey = s420, fitted = s420;
  s422.lumaV = 1;
  s440.lumaH = 1;
  s411.lumaH = 4;
  s411.lumaV = 1;
  s444.lumaH = s444.lumaV = 1;
  grey.kind = Kind::Grey;
  grey.lumaH = grey.lumaV = 1;
  fitted.optimize = true;
  const std::vector<Rect> areas = {{0, 0, 3, 3},      {200, 74, 3, 3},   {60, 30, 51, 33},
                                   {190, 10, 20, 20}, {-4, 20, 210, 14}, {100, 0, 1, 77},
                                   {-9, -9, 300, 100}};
  int cases = 0;
  for (const auto& [name, base] :
       std::vector<std::pair<std::string, Source>>{{"4:2:0", s420},
                                                   {"4:2:2", s422},
                                                   {"4:4:4", s444},
                                                   {"4:4:0", s440},
                                                   {"4:1:1", s411},
                                                   {"grey", grey},
                                                   {"fitted tables", fitted}})
    for (const int interval : {0, 1, 2, 5, 13})
      for (const Rect area : areas) {
        SCOPED_TRACE(name + ", restart interval " + std::to_string(interval) + ", area " +
                     std::to_string(area.x) + ", " + std::to_string(area.y));
        Source source = base;
        source.restartInterval = interval;
        const bool colour = source.kind != Kind::Grey;
        Bytes input = makeJpeg(source);
        const Bytes tail = {0x42, 0x43, 0xFF, 0xD9};  // what some cameras append
        input.insert(input.end(), tail.begin(), tail.end());
        auto spliced = stampJpegKeepingBlocks(input, area, stamp(area, colour));
        auto libjpegs = stampJpegKeepingBlocks(asProgressive(input), area, stamp(area, colour));
        ASSERT_TRUE(spliced) << spliced.reason();
        ASSERT_TRUE(libjpegs) << libjpegs.reason();
        expectSameCoefficients(readCoefficients(*spliced), readCoefficients(*libjpegs));
        EXPECT_EQ(decodingWarnings(*spliced), 0);
        if (!source.optimize) {
          // Spliced: the header and the bytes after the picture as they were.
          const std::size_t start = codedDataStart(input);
          ASSERT_GE(spliced->size(), start + tail.size());
          EXPECT_TRUE(std::equal(input.begin(), input.begin() + start, spliced->begin()));
          EXPECT_TRUE(std::equal(tail.begin(), tail.end(), spliced->end() - 4));
        }
        ++cases;
      }
  EXPECT_EQ(cases, 7 * 5 * 7);
}

TEST(JpegKeep, CodedDataStartingWithAStuffedByteIsSplicedCleanly) {
  // All black at quality 100: the first DC difference codes as 0xFF, so the
  // coded data begins FF 00.
  const int width = 64, height = 32;
  const std::vector<JSAMPLE> black(static_cast<std::size_t>(width) * height, 0);
  for (const int interval : {0, 1}) {
    const Bytes input = test::writeLibjpegFile(
        width, height, 1, JCS_GRAYSCALE, black.data(), [&](jpeg_compress_struct& info) {
          jpeg_set_quality(&info, 100, TRUE);
          info.restart_interval = static_cast<unsigned>(interval);
        });
    const std::size_t start = codedDataStart(input);
    ASSERT_EQ(input[start], 0xFF);
    ASSERT_EQ(input[start + 1], 0x00);
    for (const Rect area : {Rect{0, 0, 2, 2}, Rect{8, 0, 2, 2}, Rect{20, 9, 2, 2}}) {
      SCOPED_TRACE("restart interval " + std::to_string(interval) + ", stamp at " +
                   std::to_string(area.x) + ", " + std::to_string(area.y));
      auto spliced = stampJpegKeepingBlocks(input, area, stamp(area, false));
      auto libjpegs = stampJpegKeepingBlocks(asProgressive(input), area, stamp(area, false));
      ASSERT_TRUE(spliced) << spliced.reason();
      ASSERT_TRUE(libjpegs) << libjpegs.reason();
      expectSameCoefficients(readCoefficients(*spliced), readCoefficients(*libjpegs));
      EXPECT_EQ(decodingWarnings(*spliced), 0);
    }
  }
}

TEST(JpegKeep, SplicedMcusAreCodedByteForByteAsLibjpegCodesThem) {
  // A dot in every MCU: the whole scan is coded by the splice, and must be
  // what libjpeg writes for the same coefficients, down to the bits that pad
  // a byte before each marker.
  Source noisy;
  noisy.width = 256;
  noisy.height = 128;
  const Rect everything{0, 0, noisy.width, noisy.height};
  const RegionPainter dots = [](Surface& region, int left, int top) {
    for (int y = 0; y < region.height(); ++y)
      for (int x = 0; x < region.width(); ++x)
        if ((x + left) % 16 < 2 && (y + top) % 16 < 2)
          region.setPixel(x, y, makePixel(static_cast<std::uint8_t>(x * 7), 250, 10));
  };
  Surface noise = Surface::create(noisy.width, noisy.height, 0).value();
  std::uint32_t seed = 12345;
  for (int y = 0; y < noisy.height; ++y)
    for (int x = 0; x < noisy.width; ++x) {
      seed = seed * 1664525 + 1013904223;
      noise.setPixel(
          x, y,
          makePixel(static_cast<std::uint8_t>(seed >> 24), static_cast<std::uint8_t>(seed >> 16),
                    static_cast<std::uint8_t>(seed >> 8)));
    }
  for (const int interval : {0, 3}) {
    SCOPED_TRACE("restart interval " + std::to_string(interval));
    noisy.restartInterval = interval;
    const Bytes input = makeJpeg(noisy, &noise);
    auto spliced = stampJpegKeepingBlocks(input, everything, dots);
    ASSERT_TRUE(spliced) << spliced.reason();
    const Bytes libjpegs = codedAgain(*spliced, false);
    ASSERT_TRUE(std::equal(
        spliced->begin() + static_cast<std::ptrdiff_t>(codedDataStart(*spliced)), spliced->end(),
        libjpegs.begin() + static_cast<std::ptrdiff_t>(codedDataStart(libjpegs)), libjpegs.end()));
  }
}

TEST(JpegKeep, CodedDataThatIsNotCleanIsLeftToLibjpeg) {
  // Data the splice would carry over as it stands, damage and all, takes
  // libjpeg's way, which writes it clean.
  Source source;
  source.restartInterval = 2;
  const Bytes clean = makeJpeg(source);
  const std::size_t start = codedDataStart(clean);
  auto withByteBeforeEnd = clean;
  withByteBeforeEnd.insert(withByteBeforeEnd.end() - 2, 0x00);
  auto wrongRestart = clean;
  for (std::size_t i = start; i + 1 < wrongRestart.size(); ++i)
    if (wrongRestart[i] == 0xFF && wrongRestart[i + 1] == JPEG_RST0 + 1) {
      wrongRestart[i + 1] = JPEG_RST0 + 5;
      break;
    }
  const Rect area{40, 20, 30, 30};
  for (const auto& [name, file] : std::vector<std::pair<std::string, Bytes>>{
           {"a stray byte before the end", withByteBeforeEnd},
           {"a restart marker out of turn", wrongRestart}}) {
    SCOPED_TRACE(name);
    auto output = stampJpegKeepingBlocks(file, area, stamp(area, true));
    ASSERT_TRUE(output) << output.reason();
    EXPECT_EQ(decodingWarnings(*output), 0);
    EXPECT_EQ(readCoefficients(*output).markers, readCoefficients(file).markers);
  }
}

TEST(JpegKeep, HalfTransparentStampOnACameraPhotoIsCloseToTheComposite) {
  // A watermark blended half over a quality-92 4:2:0 picture: what is lost is
  // one more quantisation of those blocks, nothing else.
  const Source source;
  const Rect area{20, 10, 50, 40};
  const RegionPainter watermark = [area](Surface& region, int left, int top) {
    const Rect box = intersect(translate(area, -left, -top), region.bounds());
    for (int y = box.y; y < box.bottom(); ++y)
      for (int x = box.x; x < box.right(); ++x) {
        const Pixel p = region.pixel(x, y);
        auto half = [](int a, int b) { return static_cast<std::uint8_t>((a + b + 1) / 2); };
        region.setPixel(
            x, y, makePixel(half(redOf(p), 255), half(greenOf(p), 255), half(blueOf(p), 200)));
      }
  };
  const Bytes input = makeJpeg(source);
  Surface composite = decodeJpeg(input).value();
  watermark(composite, 0, 0);
  const Surface result = decodeJpeg(stampJpegKeepingBlocks(input, area, watermark).value()).value();
  EXPECT_GT(psnr(result, composite, area), 35.0);
}

TEST(JpegKeep, NothingChangedGivesTheFileItself) {
  const Bytes input = makeJpeg(Source{});
  for (const Rect area : {Rect{96, 0, 10, 10}, Rect{-20, -20, 20, 20}, Rect{5, 5, 0, 9}}) {
    auto output = stampJpegKeepingBlocks(input, area, stamp(area, true));
    ASSERT_TRUE(output) << output.reason();
    EXPECT_EQ(*output, input);
  }
  // A painter that leaves every pixel as it was.
  auto output = stampJpegKeepingBlocks(input, {10, 10, 30, 30}, [](Surface&, int, int) {});
  ASSERT_TRUE(output) << output.reason();
  EXPECT_EQ(*output, input);
}

TEST(JpegKeep, RefusesWhatItCannotKeep) {
  Source cmyk, rgb, grey;
  cmyk.kind = Kind::Cmyk;
  rgb.kind = Kind::Rgb;
  rgb.jfif = false;  // a JFIF file is YCbCr whatever else it says
  grey.kind = Kind::Grey;
  const Rect area{10, 10, 20, 20};
  auto cut = [](Bytes file, std::size_t size) {
    file.resize(size);
    return file;
  };
  for (const auto& [name, file, colour] : std::vector<std::tuple<std::string, Bytes, bool>>{
           {"cmyk", makeJpeg(cmyk), true},
           {"rgb", makeJpeg(rgb), true},
           {"colour on grey", makeJpeg(grey), true},
           {"cut short", cut(makeJpeg(Source{}), 900), true},
           {"no JPEG", Bytes(100, 0x42), true},
       }) {
    SCOPED_TRACE(name);
    auto output = stampJpegKeepingBlocks(file, area, stamp(area, colour));
    EXPECT_FALSE(output);
    EXPECT_FALSE(output.reason().empty());
  }
}

}  // namespace
}  // namespace imbrino
