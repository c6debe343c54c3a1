// Stamping a JPEG in its own coefficients; see jpeg_keep.h.
//
// `source_` reads the header. A file of one sequential Huffman scan (what
// cameras write) goes the quick way, spliced in its coded data (see
// jpeg_scan_splice.h). Any other file, or one whose coded data is not clean,
// has all its coefficients read by `source_` and changed in place; the rows
// the stamp lies on are decoded as decodeJpeg decodes them, and `output_`
// writes the coefficients with the source's critical parameters and markers.

#include "image/jpeg_keep/jpeg_keep.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "graphics/picture_limits.h"
#include "image/jpeg_errors.h"
#include "image/jpeg_keep/jpeg_block_pixels.h"
#include "image/jpeg_keep/jpeg_block_recompute.h"
#include "image/jpeg_keep/jpeg_scan_splice.h"

namespace imbrino {
namespace {

class CoefficientStamper {
 public:
  explicit CoefficientStamper(ByteView file) : file_(file) {
    jpeg_error_mgr* errors = useJpegErrors(errors_);
    source_.err = errors;
    output_.err = errors;
    progress_.progress_monitor = refuseTooManyScans;
  }
  CoefficientStamper(const CoefficientStamper&) = delete;
  CoefficientStamper& operator=(const CoefficientStamper&) = delete;
  ~CoefficientStamper() {
    if (sourceMade_) jpeg_destroy_decompress(&source_);
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
    const auto right = std::min<std::int64_t>((inside.right() + mcuWidth - 1) / mcuWidth * mcuWidth,
                                              picture.width);
    const auto bottom = std::min<std::int64_t>(
        (inside.bottom() + mcuHeight - 1) / mcuHeight * mcuHeight, picture.height);
    return {left, top, static_cast<int>(right - left), static_cast<int>(bottom - top)};
  }

  // Where the first scan's coded data starts in the file.
  std::size_t scanStart() const {
    return static_cast<std::size_t>(source_.src->next_input_byte - file_.data());
  }

  // The pixels of `region`, as decodeJpeg gives them: from the blocks around
  // it when libjpeg would decode them as they are, else from the file's rows.
  Status decodeRegion(Rect region, Surface& into) {
    const Rect window = blockWindowAround(
        region, 8 * source_.max_h_samp_factor, 8 * source_.max_v_samp_factor,
        static_cast<int>(source_.image_width), static_cast<int>(source_.image_height));
    if (!coefficientsComplete()) return decodeJpegRegion(file_, region, into);
    if (!fetchBlockRows(window)) return fail(reason());
    const BlockSource blocks = [&](int c, int bx, int by) -> const JCOEF* {
      const std::vector<JBLOCKROW>& rows = blockRows_[c];
      if (by < 0 || by >= static_cast<int>(rows.size()) || rows[by] == nullptr) return nullptr;
      return rows[by][bx];
    };
    return decodeBlocksInWindow(source_, blocks, window, region, into);
  }

  // Recomputes every block whose pixels differ between `before` and `after`
  // (the picture's pixels in `region`, whose block rows decodeRegion
  // fetched). Gives how many, or -1.
  int replaceChangedBlocks(Rect region, const Surface& before, const Surface& after) {
    std::vector<ComponentBlocks> components;
    for (int c = 0; c < source_.num_components; ++c) {
      const jpeg_component_info& info = source_.comp_info[c];
      if (info.quant_table == nullptr) return -1;
      components.push_back({source_.max_h_samp_factor / info.h_samp_factor,
                            source_.max_v_samp_factor / info.v_samp_factor,
                            static_cast<int>(info.width_in_blocks),
                            static_cast<int>(info.height_in_blocks), info.quant_table->quantval});
    }
    if (!fetchBlockRows(region)) return -1;
    return recomputeChangedBlocks(components, static_cast<int>(source_.image_width),
                                  static_cast<int>(source_.image_height), region, before, after,
                                  [&](int c, int bx, int by) { return blockRows_[c][by][bx]; });
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

  // The mean of each block of the first component, from its DC coefficient
  // (eight times the mean, less the level shift). Only after readCoefficients.
  std::optional<BlockMeans> blockMeans() {
    if (setjmp(errors_.jump) != 0) return std::nullopt;
    const jpeg_component_info& info = source_.comp_info[0];
    if (info.quant_table == nullptr) return std::nullopt;
    const int dcStep = info.quant_table->quantval[0];
    const int columns = static_cast<int>(info.width_in_blocks);
    const int rows = static_cast<int>(info.height_in_blocks);
    auto grey = Surface::create(columns, rows);
    if (!grey) return std::nullopt;
    for (int y = 0; y < rows; ++y) {
      const JBLOCKROW row = (*source_.mem->access_virt_barray)(
          reinterpret_cast<j_common_ptr>(&source_), coefficients_[0], static_cast<JDIMENSION>(y), 1,
          FALSE)[0];
      for (int x = 0; x < columns; ++x) {
        const int level = std::clamp(row[x][0] * dcStep / 8 + 128, 0, 255);
        grey->setPixel(x, y,
                       makePixel(static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(level),
                                 static_cast<std::uint8_t>(level)));
      }
    }
    return BlockMeans{std::move(*grey), 8.0 * source_.max_h_samp_factor / info.h_samp_factor};
  }

  const jpeg_decompress_struct& source() const { return source_; }
  Bytes takeOutput() const { return Bytes(outBuffer_, outBuffer_ + outSize_); }
  std::string reason() const { return std::string("JPEG: ") + errors_.message; }

 private:
  // libjpeg smooths the blocks of a progressive file some of whose scans are
  // missing; only blocks it takes as they are can be decoded on their own.
  bool coefficientsComplete() const {
    if (!source_.progressive_mode) return true;
    for (int c = 0; c < source_.num_components; ++c)
      for (int k = 0; k < DCTSIZE2; ++k)
        if (source_.coef_bits[c][k] != 0) return false;
    return true;
  }

  // The block rows of every component that `area` covers (padding rows of
  // the last MCU included), asked of libjpeg before any block changes, since
  // asking may jump out.
  bool fetchBlockRows(Rect area) {
    if (setjmp(errors_.jump) != 0) return false;
    for (int c = 0; c < source_.num_components; ++c) {
      const jpeg_component_info& info = source_.comp_info[c];
      const auto stored = (info.height_in_blocks + info.v_samp_factor - 1) / info.v_samp_factor *
                          info.v_samp_factor;
      blockRows_[c].resize(stored, nullptr);
      const int blockHeight = 8 * (source_.max_v_samp_factor / info.v_samp_factor);
      const auto end = std::min<JDIMENSION>(
          static_cast<JDIMENSION>((area.bottom() + blockHeight - 1) / blockHeight), stored);
      for (auto by = static_cast<JDIMENSION>(area.y / blockHeight); by < end; ++by)
        if (blockRows_[c][by] == nullptr)
          blockRows_[c][by] = (*source_.mem->access_virt_barray)(
              reinterpret_cast<j_common_ptr>(&source_), coefficients_[c], by, 1, TRUE)[0];
    }
    return true;
  }

  ByteView file_;
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  jpeg_decompress_struct source_{};
  jpeg_compress_struct output_{};
  bool sourceMade_ = false, outputMade_ = false;
  jvirt_barray_ptr* coefficients_ = nullptr;
  std::vector<JBLOCKROW> blockRows_[MAX_COMPONENTS];
  unsigned char* outBuffer_ = nullptr;
  unsigned long outSize_ = 0;
};

}  // namespace

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, Rect area, const RegionPainter& paint) {
  return stampJpegKeepingBlocks(
      jpeg, std::vector<Rect>{area}, [](const BlockMeans&) { return std::size_t{0}; }, paint);
}

Expected<Bytes> stampJpegKeepingBlocks(ByteView jpeg, const std::vector<Rect>& areas,
                                       const RegionChoice& choose, const RegionPainter& paint) {
  if (areas.empty()) return Bytes(jpeg.begin(), jpeg.end());
  CoefficientStamper stamper(jpeg);
  if (!stamper.readHeader()) return fail(stamper.reason());
  if (auto refused = stamper.unsuitable()) return fail("JPEG: " + *refused);
  std::vector<Rect> regions;
  for (const Rect& area : areas) regions.push_back(stamper.mcuRectangle(area));
  const bool grey = stamper.source().num_components == 1;
  const RegionStamp stamp = [&](const Surface& before, Rect region) -> Expected<Surface> {
    Surface after = before;
    paint(after, region.x, region.y);
    if (grey && !after.isGrey())
      return fail("JPEG: the stamp has colour and the picture is greyscale");
    return after;
  };
  if (auto spliced =
          spliceStampIntoScan(jpeg, stamper.source(), stamper.scanStart(), regions, choose, stamp))
    return std::move(*spliced);

  // Every other file: libjpeg reads all its coefficients, even when the
  // stamp misses the picture, so a damaged file is refused here as the
  // decoder would refuse it, never passed on.
  if (!stamper.readCoefficients()) return fail(stamper.reason());
  std::size_t chosen = 0;
  if (regions.size() > 1) {
    auto means = stamper.blockMeans();
    if (!means) return fail(stamper.reason());
    chosen = std::min(choose(*means), regions.size() - 1);
  }
  const Rect region = regions[chosen];
  if (region.empty()) return Bytes(jpeg.begin(), jpeg.end());
  auto before = Surface::create(region.width, region.height);
  if (!before) return fail("JPEG: " + before.reason());
  if (const Status decoded = stamper.decodeRegion(region, *before); !decoded)
    return fail(decoded.reason());
  const Expected<Surface> after = stamp(*before, region);
  if (!after) return fail(after.reason());
  const int replaced = stamper.replaceChangedBlocks(region, *before, *after);
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
