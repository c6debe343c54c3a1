// The pixels of part of a JPEG; see jpeg_block_pixels.h.

#include "image/jpeg_keep/jpeg_block_pixels.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/jpeg_errors.h"

namespace imbrino {
namespace {

constexpr int kBlockSize = 64;

// The blocks of a window of the picture as a JPEG of their own, with the
// picture's sampling and tables.
class WindowJpeg {
 public:
  WindowJpeg() { info_.err = useJpegErrors(errors_); }
  WindowJpeg(const WindowJpeg&) = delete;
  WindowJpeg& operator=(const WindowJpeg&) = delete;
  ~WindowJpeg() {
    if (made_) jpeg_destroy_compress(&info_);
    std::free(buffer_);
  }

  bool write(const jpeg_decompress_struct& header, const BlockSource& blocks, Rect window) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_compress(&info_);
    made_ = true;
    jpeg_mem_dest(&info_, &buffer_, &size_);
    // Only reads the header's tables and sampling.
    jpeg_copy_critical_parameters(const_cast<j_decompress_ptr>(&header), &info_);
    info_.image_width = static_cast<JDIMENSION>(window.width);
    info_.image_height = static_cast<JDIMENSION>(window.height);
    info_.write_JFIF_header = FALSE;
    info_.write_Adobe_marker = FALSE;
    std::array<jvirt_barray_ptr, MAX_COMPONENTS> arrays{};
    std::array<int, MAX_COMPONENTS> wide{}, high{};
    auto common = reinterpret_cast<j_common_ptr>(&info_);
    // Blocks as libjpeg lays them out: whole MCUs of each component.
    auto blocksFor = [](int pixels, int factor, int maxFactor) {
      const int inBlocks = (pixels * factor + maxFactor * 8 - 1) / (maxFactor * 8);
      return (inBlocks + factor - 1) / factor * factor;
    };
    for (int c = 0; c < header.num_components; ++c) {
      const jpeg_component_info& component = header.comp_info[c];
      wide[c] = blocksFor(window.width, component.h_samp_factor, header.max_h_samp_factor);
      high[c] = blocksFor(window.height, component.v_samp_factor, header.max_v_samp_factor);
      arrays[c] = (*info_.mem->request_virt_barray)(
          common, JPOOL_IMAGE, TRUE, static_cast<JDIMENSION>(wide[c]),
          static_cast<JDIMENSION>(high[c]), static_cast<JDIMENSION>(component.v_samp_factor));
    }
    (*info_.mem->realize_virt_arrays)(common);
    for (int c = 0; c < header.num_components; ++c) {
      const jpeg_component_info& component = header.comp_info[c];
      const int firstX = window.x / (8 * (header.max_h_samp_factor / component.h_samp_factor));
      const int firstY = window.y / (8 * (header.max_v_samp_factor / component.v_samp_factor));
      for (int by = 0; by < high[c]; ++by) {
        JBLOCKARRAY row = (*info_.mem->access_virt_barray)(common, arrays[c],
                                                           static_cast<JDIMENSION>(by), 1, TRUE);
        for (int bx = 0; bx < wide[c]; ++bx)
          if (const JCOEF* block = blocks(c, firstX + bx, firstY + by))
            std::copy(block, block + kBlockSize, row[0][bx]);
      }
    }
    jpeg_write_coefficients(&info_, arrays.data());
    jpeg_finish_compress(&info_);
    return true;
  }

  ByteView bytes() const { return ByteView(buffer_, size_); }
  std::string reason() const { return std::string("JPEG: ") + errors_.message; }

 private:
  JpegErrors errors_{};
  jpeg_compress_struct info_{};
  bool made_ = false;
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

// Decodes rows as decodeJpeg does and keeps the pixels of one rectangle.
class RegionDecoder {
 public:
  RegionDecoder() {
    info_.err = useJpegErrors(errors_);
    progress_.progress_monitor = refuseTooManyScans;
  }
  RegionDecoder(const RegionDecoder&) = delete;
  RegionDecoder& operator=(const RegionDecoder&) = delete;
  ~RegionDecoder() {
    if (made_) jpeg_destroy_decompress(&info_);
  }

  bool decode(ByteView jpeg, Rect region, Surface& into) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_decompress(&info_);
    made_ = true;
    info_.progress = &progress_;
    jpeg_mem_src(&info_, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info_, TRUE);
    info_.out_color_space = JCS_EXT_BGRA;
    // The callers have checked the picture's size; this bounds what a
    // many-scan file could ask for.
    const auto pixels = std::uint64_t{info_.image_width} * info_.image_height;
    info_.mem->max_memory_to_use = static_cast<long>(pixels * 8 + (std::uint64_t{16} << 20));
    jpeg_start_decompress(&info_);
    if (info_.output_components != 4 || static_cast<int>(info_.output_width) < region.right() ||
        static_cast<int>(info_.output_height) < region.bottom())
      failJpeg(reinterpret_cast<j_common_ptr>(&info_), "unexpected output layout");
    JSAMPARRAY row = (*info_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info_), JPOOL_IMAGE,
                                                info_.output_width * 4, 1);
    const auto bottom = static_cast<JDIMENSION>(region.bottom());
    while (info_.output_scanline < bottom) {
      const int y = static_cast<int>(info_.output_scanline);
      jpeg_read_scanlines(&info_, row, 1);
      if (y >= region.y) {
        const Pixel* decoded = reinterpret_cast<const Pixel*>(row[0]) + region.x;
        std::copy(decoded, decoded + region.width, into.row(y - region.y));
      }
    }
    jpeg_abort_decompress(&info_);
    return true;
  }

  std::string reason() const { return std::string("JPEG: ") + errors_.message; }

 private:
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
  jpeg_decompress_struct info_{};
  bool made_ = false;
};

}  // namespace

Rect blockWindowAround(Rect region, int unitWidth, int unitHeight, int pictureWidth,
                       int pictureHeight) {
  const int left = std::max(0, region.x / unitWidth - 1) * unitWidth;
  const int top = std::max(0, region.y / unitHeight - 1) * unitHeight;
  const auto right = std::min<std::int64_t>(
      (static_cast<std::int64_t>(region.right() - 1) / unitWidth + 2) * unitWidth, pictureWidth);
  const auto bottom = std::min<std::int64_t>(
      (static_cast<std::int64_t>(region.bottom() - 1) / unitHeight + 2) * unitHeight,
      pictureHeight);
  return {left, top, static_cast<int>(right - left), static_cast<int>(bottom - top)};
}

Status decodeBlocksInWindow(const jpeg_decompress_struct& header, const BlockSource& blocks,
                            Rect window, Rect region, Surface& into) {
  WindowJpeg jpeg;
  if (!jpeg.write(header, blocks, window)) return fail(jpeg.reason());
  return decodeJpegRegion(
      jpeg.bytes(), {region.x - window.x, region.y - window.y, region.width, region.height}, into);
}

Status decodeJpegRegion(ByteView jpeg, Rect region, Surface& into) {
  RegionDecoder decoder;
  if (!decoder.decode(jpeg, region, into)) return fail(decoder.reason());
  return {};
}

}  // namespace imbrino
