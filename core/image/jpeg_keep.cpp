// Stamping a JPEG in its own coefficients; see jpeg_keep.h.
//
// Three libjpeg objects over the same bytes: `source_` reads the coefficients
// (which are changed in place and written out), `pixels_` decodes the rows
// the stamp lies on exactly as decodeJpeg does, and `output_` writes the
// coefficients with the source's critical parameters and markers.

#include "image/jpeg_keep.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "graphics/picture_limits.h"
#include "image/exif_orientation.h"
#include "image/jpeg_errors.h"
#include "image/picture_metadata.h"

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libjpeg writes pixels as B, G, R, A bytes, which is 0xAARRGGBB in memory");

// As in the reader: a file of thousands of tiny scans only costs time.
constexpr int kMaxScans = 500;

void limitScans(j_common_ptr codec) {
  const auto* info = reinterpret_cast<j_decompress_ptr>(codec);
  if (info->input_scan_number > kMaxScans) failJpeg(codec, "the file holds too many scans");
}

// Where a component's blocks lie in pixels: each sample covers `stepX` x
// `stepY` pixels, each block 8 x 8 samples.
struct ComponentGrid {
  int stepX = 1;
  int stepY = 1;
  int blocksWide = 0;  // real blocks, without the dummy ones that pad the last MCU
  int blocksHigh = 0;
};

// libjpeg's colour conversion (jccolor.c): 16-bit fixed point, Cb and Cr
// rounded a hair down.
struct YCbCr {
  std::uint8_t y, cb, cr;
};
YCbCr toYCbCr(Pixel p) {
  constexpr int kShift = 16;
  constexpr std::int32_t kHalf = 1 << (kShift - 1);
  constexpr std::int32_t kOffset = 128 << kShift;
  auto fix = [](double v) { return static_cast<std::int32_t>(v * (1 << kShift) + 0.5); };
  static const std::int32_t yr = fix(0.29900), yg = fix(0.58700), yb = fix(0.11400);
  static const std::int32_t cbr = fix(0.16874), cbg = fix(0.33126), half = fix(0.5);
  static const std::int32_t crg = fix(0.41869), crb = fix(0.08131);
  const std::int32_t r = redOf(p), g = greenOf(p), b = blueOf(p);
  return {static_cast<std::uint8_t>((yr * r + yg * g + yb * b + kHalf) >> kShift),
          static_cast<std::uint8_t>((-cbr * r - cbg * g + half * b + kOffset + kHalf - 1) >> kShift),
          static_cast<std::uint8_t>((half * r - crg * g - crb * b + kOffset + kHalf - 1) >> kShift)};
}

// The forward DCT in double precision (libjpeg's integer transform scaled the
// same way: a coefficient divided by its quantisation step is the stored
// value), then rounded to the nearest step, halves away from zero.
class BlockTransform {
 public:
  BlockTransform() {
    for (int u = 0; u < 8; ++u)
      for (int x = 0; x < 8; ++x)
        basis_[u][x] = (u == 0 ? std::numbers::sqrt2 / 4 : 0.5) *
                       std::cos((2 * x + 1) * u * std::numbers::pi / 16);
  }

  // `samples` row by row, `quant` and the result in natural order.
  void quantise(const std::array<int, 64>& samples, const UINT16* quant, JCOEF* out) const {
    double rows[8][8];  // [y][u]
    for (int y = 0; y < 8; ++y)
      for (int u = 0; u < 8; ++u) {
        double sum = 0;
        for (int x = 0; x < 8; ++x) sum += basis_[u][x] * (samples[y * 8 + x] - 128);
        rows[y][u] = sum;
      }
    for (int v = 0; v < 8; ++v)
      for (int u = 0; u < 8; ++u) {
        double sum = 0;
        for (int y = 0; y < 8; ++y) sum += basis_[v][y] * rows[y][u];
        const int k = v * 8 + u;
        const double q = std::max<double>(quant[k], 1);
        const double steps = std::floor(std::abs(sum) / q + 0.5);
        const double value = std::min(steps, 32767.0);
        out[k] = static_cast<JCOEF>(sum < 0 ? -value : value);
      }
  }

 private:
  double basis_[8][8];
};

class CoefficientStamper {
 public:
  explicit CoefficientStamper(ByteView file) : file_(file) {
    jpeg_error_mgr* errors = useJpegErrors(errors_);
    source_.err = errors;
    pixels_.err = errors;
    output_.err = errors;
    progress_.progress_monitor = limitScans;
  }
  CoefficientStamper(const CoefficientStamper&) = delete;
  CoefficientStamper& operator=(const CoefficientStamper&) = delete;
  ~CoefficientStamper() {
    if (sourceMade_) jpeg_destroy_decompress(&source_);
    if (pixelsMade_) jpeg_destroy_decompress(&pixels_);
    if (outputMade_) jpeg_destroy_compress(&output_);
    std::free(outBuffer_);
  }

  // The functions that call into libjpeg arm the jump first and hold nothing
  // with a destructor; see jpeg_errors.h.
  bool readHeader() {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_decompress(&source_);
    sourceMade_ = true;
    source_.progress = &progress_;
    jpeg_mem_src(&source_, file_.data(), static_cast<unsigned long>(file_.size()));
    // Every marker that carries something besides the picture data: they are
    // written back as they were, in the same order.
    for (int n = 0; n < 16; ++n) jpeg_save_markers(&source_, JPEG_APP0 + n, 0xFFFF);
    jpeg_save_markers(&source_, JPEG_COM, 0xFFFF);
    jpeg_read_header(&source_, TRUE);
    return true;
  }

  // Why this picture cannot take the stamp in its coefficients, or nothing.
  std::optional<std::string> unsuitable() {
    const jpeg_decompress_struct& info = source_;
    if (auto refused = checkPictureSize(info.image_width, info.image_height)) return refused;
    const auto pixels = std::uint64_t{info.image_width} * info.image_height;
    if (auto refused = checkDataAvailable(pixels / 1024, file_.size())) return refused;
    if (info.data_precision != 8) return "the picture is not 8 bits a sample";
    const bool colour = info.jpeg_color_space == JCS_YCbCr && info.num_components == 3;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE && info.num_components == 1;
    if (!colour && !grey) return "the picture is neither YCbCr nor greyscale";
    for (int c = 0; c < info.num_components; ++c) {
      const jpeg_component_info& component = info.comp_info[c];
      if (component.h_samp_factor <= 0 || component.v_samp_factor <= 0 ||
          info.max_h_samp_factor % component.h_samp_factor != 0 ||
          info.max_v_samp_factor % component.v_samp_factor != 0)
        return "the picture's sampling is not integral";
    }
    for (const jpeg_marker_struct* marker = info.marker_list; marker; marker = marker->next) {
      const ByteView payload(marker->data, marker->data_length);
      if (marker->marker == JPEG_APP0 + 1 && isJpegExifPayload(payload)) {
        if (readExifOrientation(payload) != 1) return "the picture is turned by its EXIF orientation";
        break;
      }
    }
    return std::nullopt;
  }

  // Reads every coefficient of the picture into memory, progressive or not.
  bool readCoefficients() {
    if (setjmp(errors_.jump) != 0) return false;
    const auto pixels = std::uint64_t{source_.image_width} * source_.image_height;
    // Three full-size components at 2 bytes a sample at most, and room for
    // libjpeg's tables; the kept markers are bytes of the file.
    source_.mem->max_memory_to_use =
        static_cast<long>(pixels * 6 + (std::uint64_t{16} << 20) + file_.size());
    coefficients_ = jpeg_read_coefficients(&source_);
    return true;
  }

  Rect mcuRectangle(Rect area) const {
    const Rect picture{0, 0, static_cast<int>(source_.image_width),
                       static_cast<int>(source_.image_height)};
    const Rect inside = intersect(area, picture);
    if (inside.empty()) return {};
    const int mcuWidth = 8 * source_.max_h_samp_factor;
    const int mcuHeight = 8 * source_.max_v_samp_factor;
    const int left = inside.x / mcuWidth * mcuWidth;
    const int top = inside.y / mcuHeight * mcuHeight;
    const auto right = std::min<std::int64_t>(
        (inside.right() + mcuWidth - 1) / mcuWidth * mcuWidth, picture.width);
    const auto bottom = std::min<std::int64_t>(
        (inside.bottom() + mcuHeight - 1) / mcuHeight * mcuHeight, picture.height);
    return {left, top, static_cast<int>(right - left), static_cast<int>(bottom - top)};
  }

  // The picture's pixels in `region`, decoded as decodeJpeg decodes them:
  // the same output colour space, transform and upsampling. Rows past the
  // region are never decoded.
  bool decodeRegion(Rect region, Surface& into) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_decompress(&pixels_);
    pixelsMade_ = true;
    pixels_.progress = &progress_;
    jpeg_mem_src(&pixels_, file_.data(), static_cast<unsigned long>(file_.size()));
    jpeg_read_header(&pixels_, TRUE);
    pixels_.out_color_space = JCS_EXT_BGRA;
    pixels_.mem->max_memory_to_use = source_.mem->max_memory_to_use;
    jpeg_start_decompress(&pixels_);
    if (pixels_.output_width != source_.image_width || pixels_.output_components != 4)
      failJpeg(reinterpret_cast<j_common_ptr>(&pixels_), "unexpected output layout");
    JSAMPARRAY row = (*pixels_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&pixels_),
                                                  JPOOL_IMAGE, pixels_.output_width * 4, 1);
    const auto bottom = static_cast<JDIMENSION>(region.bottom());
    while (pixels_.output_scanline < bottom) {
      const int y = static_cast<int>(pixels_.output_scanline);
      jpeg_read_scanlines(&pixels_, row, 1);
      if (y >= region.y) {
        const Pixel* decoded = reinterpret_cast<const Pixel*>(row[0]) + region.x;
        std::copy(decoded, decoded + region.width, into.row(y - region.y));
      }
    }
    jpeg_abort_decompress(&pixels_);
    return true;
  }

  // Recomputes every block, of every component, that covers a pixel where
  // `before` and `after` (the region at `region`) differ. Gives how many.
  int replaceChangedBlocks(Rect region, const Surface& before, const Surface& after) {
    if (setjmp(errors_.jump) != 0) return -1;
    const BlockTransform transform;
    const int width = static_cast<int>(source_.image_width);
    const int height = static_cast<int>(source_.image_height);
    const bool grey = source_.num_components == 1;
    int replaced = 0;
    for (int c = 0; c < source_.num_components; ++c) {
      jpeg_component_info& component = source_.comp_info[c];
      const int stepX = source_.max_h_samp_factor / component.h_samp_factor;
      const int stepY = source_.max_v_samp_factor / component.v_samp_factor;
      const int blockWidth = 8 * stepX, blockHeight = 8 * stepY;
      const int firstX = region.x / blockWidth, firstY = region.y / blockHeight;
      const int endX = std::min<int>(
          static_cast<int>((region.right() + blockWidth - 1) / blockWidth),
          static_cast<int>(component.width_in_blocks));
      const int endY = std::min<int>(
          static_cast<int>((region.bottom() + blockHeight - 1) / blockHeight),
          static_cast<int>(component.height_in_blocks));
      for (int by = firstY; by < endY; ++by) {
        JBLOCKARRAY rows = (*source_.mem->access_virt_barray)(
            reinterpret_cast<j_common_ptr>(&source_), coefficients_[c],
            static_cast<JDIMENSION>(by), 1, TRUE);
        for (int bx = firstX; bx < endX; ++bx) {
          // The block's pixels, the picture's edge repeated past it as the
          // encoder pads a picture out to whole blocks.
          const int x0 = bx * blockWidth, y0 = by * blockHeight;
          const int x1 = std::min(x0 + blockWidth, width), y1 = std::min(y0 + blockHeight, height);
          if (!differs(region, before, after, x0, y0, x1, y1)) continue;
          std::array<int, 64> samples{};
          for (int sy = 0; sy < 8; ++sy)
            for (int sx = 0; sx < 8; ++sx) {
              int sum = 0;
              for (int dy = 0; dy < stepY; ++dy)
                for (int dx = 0; dx < stepX; ++dx) {
                  const int px = std::min(x0 + sx * stepX + dx, width - 1) - region.x;
                  const int py = std::min(y0 + sy * stepY + dy, height - 1) - region.y;
                  const YCbCr value = toYCbCr(after.pixel(px, py));
                  sum += grey || c == 0 ? value.y : c == 1 ? value.cb : value.cr;
                }
              const int count = stepX * stepY;
              samples[sy * 8 + sx] = (sum + count / 2) / count;
            }
          if (component.quant_table == nullptr)
            failJpeg(reinterpret_cast<j_common_ptr>(&source_), "a component has no table");
          transform.quantise(samples, component.quant_table->quantval, rows[0][bx]);
          ++replaced;
        }
      }
    }
    return replaced;
  }

  // The coefficients with the source's tables, sampling, restart interval and
  // kind (progressive or sequential, Huffman or arithmetic), and its markers
  // in their order.
  bool write() {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_compress(&output_);
    outputMade_ = true;
    jpeg_mem_dest(&output_, &outBuffer_, &outSize_);
    jpeg_copy_critical_parameters(&source_, &output_);
    // The source's own JFIF and Adobe markers go out as they came, below.
    output_.write_JFIF_header = FALSE;
    output_.write_Adobe_marker = FALSE;
    output_.restart_interval = source_.restart_interval;
    output_.arith_code = source_.arith_code;
    output_.optimize_coding = source_.arith_code ? FALSE : TRUE;
    if (source_.progressive_mode) jpeg_simple_progression(&output_);
    jpeg_write_coefficients(&output_, coefficients_);
    for (const jpeg_marker_struct* marker = source_.marker_list; marker; marker = marker->next)
      jpeg_write_marker(&output_, marker->marker, marker->data, marker->data_length);
    jpeg_finish_compress(&output_);
    return true;
  }

  const jpeg_decompress_struct& source() const { return source_; }
  Bytes takeOutput() const { return Bytes(outBuffer_, outBuffer_ + outSize_); }
  std::string reason() const { return std::string("JPEG: ") + errors_.message; }

 private:
  static bool differs(Rect region, const Surface& before, const Surface& after, int x0, int y0,
                      int x1, int y1) {
    for (int y = y0; y < y1; ++y) {
      const Pixel* a = before.row(y - region.y) + (x0 - region.x);
      const Pixel* b = after.row(y - region.y) + (x0 - region.x);
      if (!std::equal(a, a + (x1 - x0), b)) return true;
    }
    return false;
  }

  ByteView file_;
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  jpeg_decompress_struct source_{};
  jpeg_decompress_struct pixels_{};
  jpeg_compress_struct output_{};
  bool sourceMade_ = false, pixelsMade_ = false, outputMade_ = false;
  jvirt_barray_ptr* coefficients_ = nullptr;
  unsigned char* outBuffer_ = nullptr;
  unsigned long outSize_ = 0;
};

}  // namespace

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, Rect area, const RegionPainter& paint) {
  CoefficientStamper stamper(jpeg);
  if (!stamper.readHeader()) return fail(stamper.reason());
  if (auto refused = stamper.unsuitable()) return fail("JPEG: " + *refused);
  // Read whole even when the stamp misses the picture: a damaged file is
  // refused here as the decoder would refuse it, never passed on.
  if (!stamper.readCoefficients()) return fail(stamper.reason());
  const Rect region = stamper.mcuRectangle(area);
  if (region.empty()) return Bytes(jpeg.begin(), jpeg.end());

  auto before = Surface::create(region.width, region.height);
  if (!before) return fail("JPEG: " + before.reason());
  if (!stamper.decodeRegion(region, *before)) return fail(stamper.reason());
  Surface after = *before;
  paint(after, region.x, region.y);
  if (stamper.source().num_components == 1 && !after.isGrey())
    return fail("JPEG: the stamp has colour and the picture is greyscale");

  const int replaced = stamper.replaceChangedBlocks(region, *before, after);
  if (replaced < 0) return fail(stamper.reason());
  if (replaced == 0) return Bytes(jpeg.begin(), jpeg.end());
  if (!stamper.write()) return fail(stamper.reason());
  return stamper.takeOutput();
}

Rect jpegMcuRectangle(ByteView jpeg, Rect area) {
  CoefficientStamper stamper(jpeg);
  if (!stamper.readHeader()) return {};
  return stamper.mcuRectangle(area);
}

}  // namespace imbrino
