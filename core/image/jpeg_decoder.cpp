// JPEG reading through libjpeg-turbo, straight into the picture's rows, turned
// upright by the EXIF orientation. Writing is in jpeg_encoder.cpp.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/picture_limits.h"
#include "image/codecs.h"
#include "image/exif_orientation.h"
#include "image/jpeg_errors.h"
#include "image/picture_metadata.h"

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libjpeg writes pixels as B, G, R, A bytes, which is 0xAARRGGBB in memory");

// Photoshop writes CMYK (and YCCK, which libjpeg turns back into CMYK) with
// every value inverted, 255 meaning no ink, and says so with an Adobe marker.
// The conversion is the plain one: each ink takes away from its complementary
// light in proportion to the black.
void cmykToPixels(const JSAMPLE* cmyk, Pixel* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    auto mix = [k](unsigned v) { return static_cast<std::uint8_t>((v * k + 127) / 255); };
    out[x] = makePixel(mix(c), mix(m), mix(y));
  }
}

// Walks coded data as libjpeg reads it: 0xFF 0x00 is a data byte, more
// 0xFF bytes before a marker are fill, the restart markers RST0..RST7 belong
// to the data. True at the first other marker from SOF0 (0xC0) up, which the
// decoder never reads past; false when the data runs to the end of the file.
// (A marker below SOF0 makes the restart hunt read on, to the next marker; it
// is passed over here the same way.)
bool codedDataEndsAtMarker(const JOCTET* data, std::size_t size) {
  const JOCTET* end = data + size;
  for (const JOCTET* at = data; at < end;) {
    at = static_cast<const JOCTET*>(std::memchr(at, 0xFF, static_cast<std::size_t>(end - at)));
    if (!at) return false;
    while (at < end && *at == 0xFF) ++at;
    if (at == end) return false;
    const JOCTET code = *at++;
    const bool restart = code >= 0xD0 && code <= 0xD7;
    if (code >= 0xC0 && !restart) return true;
  }
  return false;
}

class JpegDecoder {
 public:
  explicit JpegDecoder(ByteView file) : file_(file) {
    info_.err = useJpegErrors(errors_);
    progress_.progress_monitor = refuseTooManyScans;
  }
  JpegDecoder(const JpegDecoder&) = delete;
  JpegDecoder& operator=(const JpegDecoder&) = delete;
  ~JpegDecoder() { jpeg_destroy_decompress(&info_); }

  // The functions that call into libjpeg arm the jump first and hold nothing
  // with a destructor; see jpeg_errors.h.
  // APP1 markers are always kept for the orientation; the APP2 markers that
  // carry an ICC profile only when the caller wants the metadata, since libjpeg
  // holds every kept marker in memory.
  bool readHeader(bool keepProfile) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_decompress(&info_);
    info_.progress = &progress_;
    jpeg_mem_src(&info_, file_.data(), static_cast<unsigned long>(file_.size()));
    jpeg_save_markers(&info_, JPEG_APP0 + 1, 0xFFFF);
    if (keepProfile) jpeg_save_markers(&info_, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&info_, TRUE);
    return true;
  }

  // `eighth` asks for the picture at an eighth of its size, the cheapest
  // decode libjpeg offers that still decodes every coefficient of every scan:
  // the inverse transform shrinks to the DC term and upsampling to copying.
  bool start(J_COLOR_SPACE output, long maxMemory, bool eighth) {
    if (setjmp(errors_.jump) != 0) return false;
    info_.out_color_space = output;
    info_.mem->max_memory_to_use = maxMemory;
    if (eighth) {
      info_.scale_num = 1;
      info_.scale_denom = 8;
      info_.dct_method = JDCT_IFAST;
      info_.do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(&info_);
    const JDIMENSION expectedWidth = eighth ? (info_.image_width + 7) / 8 : info_.image_width;
    const JDIMENSION expectedHeight = eighth ? (info_.image_height + 7) / 8 : info_.image_height;
    if (info_.output_width != expectedWidth || info_.output_height != expectedHeight ||
        info_.output_components != 4)
      failJpeg(reinterpret_cast<j_common_ptr>(&info_), "unexpected output layout");
    return true;
  }

  // Decodes every row into one small buffer that is used over and over: the
  // whole file is read and judged, and nothing of the picture is kept.
  bool skimPixels() {
    if (setjmp(errors_.jump) != 0) return false;
    const JDIMENSION rowsAtOnce = static_cast<JDIMENSION>(std::max(info_.rec_outbuf_height, 1));
    JSAMPARRAY rows = (*info_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info_),
                                                 JPOOL_IMAGE, info_.output_width * 4, rowsAtOnce);
    while (info_.output_scanline < info_.output_height)
      jpeg_read_scanlines(&info_, rows, rowsAtOnce);
    return true;
  }

  bool readPixels(Surface& picture) {
    if (setjmp(errors_.jump) != 0) return false;
    if (info_.out_color_space == JCS_CMYK) {
      JSAMPARRAY cmyk = (*info_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info_),
                                                   JPOOL_IMAGE, info_.output_width * 4, 1);
      while (info_.output_scanline < info_.output_height) {
        const int y = static_cast<int>(info_.output_scanline);
        if (jpeg_read_scanlines(&info_, cmyk, 1) == 1)
          cmykToPixels(cmyk[0], picture.row(y), picture.width(), info_.saw_Adobe_marker);
      }
      return true;
    }
    // libjpeg writes B, G, R and an alpha of 255 straight into the rows.
    constexpr JDIMENSION kRowsAtOnce = 16;
    JSAMPROW rows[kRowsAtOnce];
    while (info_.output_scanline < info_.output_height) {
      const JDIMENSION first = info_.output_scanline;
      JDIMENSION count = 0;
      for (; count < kRowsAtOnce && first + count < info_.output_height; ++count)
        rows[count] = reinterpret_cast<JSAMPROW>(picture.row(static_cast<int>(first + count)));
      jpeg_read_scanlines(&info_, rows, count);
    }
    return true;
  }

  // True when the rest of the picture cannot change the verdict: a file
  // whose one scan holds every component, Huffman-coded, and whose coded data
  // ends at a marker that stops the decoder for good. Damaged codes in that
  // data only draw warnings, and neither the entropy decoder nor the hunt for
  // a restart marker ever reads past such a marker, so the early end of the
  // file, the one failure the data can cause, cannot happen. Only valid after
  // start(), before any row is read.
  bool dataEndsBeforeTheFileDoes() const {
    if (info_.progressive_mode || info_.arith_code || info_.comps_in_scan <= 0 ||
        info_.comps_in_scan != info_.num_components)
      return false;
    return codedDataEndsAtMarker(info_.src->next_input_byte, info_.src->bytes_in_buffer);
  }

  const jpeg_decompress_struct& info() const { return info_; }
  std::string reason() const { return std::string("JPEG: ") + errors_.message; }

  // The memory libjpeg took for the kept markers; it counts against the limit
  // given to start(), which is meant for the picture data alone.
  long keptMarkerMemory() const {
    long bytes = 0;
    for (const jpeg_marker_struct* marker = info_.marker_list; marker; marker = marker->next)
      bytes += static_cast<long>(sizeof *marker + marker->data_length);
    return bytes;
  }

  // The orientation recorded in the first EXIF block among the kept markers.
  int exifOrientation() const {
    const ByteView exif = exifPayload();
    return exif.empty() ? 1 : readExifOrientation(exif);
  }

  // The metadata of the upright picture, from the kept markers: the first
  // EXIF block saying "as stored" where exifOrientation() turned the pixels,
  // and the ICC profile when `withProfile`.
  PictureMetadata metadata(bool withProfile) const {
    PictureMetadata metadata;
    if (const ByteView exif = exifPayload(); !exif.empty()) {
      metadata.exif.assign(exif.begin() + kJpegExifHeader.size(), exif.end());
      resetExifOrientation(metadata.exif);
    }
    if (withProfile) {
      std::vector<ByteView> app2;
      for (const jpeg_marker_struct* marker = info_.marker_list; marker; marker = marker->next)
        if (marker->marker == JPEG_APP0 + 2) app2.emplace_back(marker->data, marker->data_length);
      metadata.icc = joinIccMarkerPayloads(app2);
    }
    return metadata;
  }

 private:
  ByteView exifPayload() const {
    for (const jpeg_marker_struct* marker = info_.marker_list; marker; marker = marker->next) {
      const ByteView payload(marker->data, marker->data_length);
      if (marker->marker == JPEG_APP0 + 1 && isJpegExifPayload(payload)) return payload;
    }
    return {};
  }

  ByteView file_;
  jpeg_decompress_struct info_{};
  JpegErrors errors_{};
  jpeg_progress_mgr progress_{};
};

// The limits a read header is held to.
Status checkJpegLimits(const jpeg_decompress_struct& info, std::size_t fileSize) {
  const std::int64_t width = info.image_width;
  const std::int64_t height = info.image_height;
  if (auto refused = checkPictureSize(width, height)) return fail("JPEG: " + *refused);
  // Huffman coding spends at least one bit on every 8 x 8 block of the
  // largest component in a scan (a DC difference and the end of the block),
  // so the picture data takes at least pixels / 512 bytes. Refusing below
  // half of that keeps a few bytes of header from announcing gigabytes, with
  // room to spare for every real file. (Arithmetic coding could squeeze a
  // blank picture below that; such files are rare enough to refuse.)
  const auto pixels = static_cast<std::uint64_t>(width * height);
  if (auto refused = checkDataAvailable(pixels / 1024, fileSize)) return fail("JPEG: " + *refused);
  return {};
}

// The reading decodeJpeg and checkJpeg share up to the first row: the header,
// the limits and the colour space. Gives the colour space the rows come in.
Expected<J_COLOR_SPACE> startJpeg(JpegDecoder& decoder, std::size_t fileSize, bool keepProfile,
                                  bool eighth) {
  if (!decoder.readHeader(keepProfile)) return fail(decoder.reason());
  const jpeg_decompress_struct& info = decoder.info();
  if (Status limits = checkJpegLimits(info, fileSize); !limits) return fail(limits.reason());
  const auto pixels = std::uint64_t{info.image_width} * info.image_height;

  J_COLOR_SPACE output = JCS_EXT_BGRA;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      // libjpeg turns neither into RGB; the reader does it by hand.
      output = JCS_CMYK;
      break;
    default:
      return fail("JPEG: unsupported colour space with " + std::to_string(info.num_components) +
                  " components");
  }
  // Progressive and multi-scan files keep every coefficient of the picture in
  // memory, 2 bytes a sample. Four full-size components is the most any
  // colour space we show has, and 16 MB more covers libjpeg's working rows; a
  // file announcing more only costs memory. The kept markers are bytes of the
  // file, already bounded by its size. The limit is the same at an eighth of
  // the size: the coefficients are kept whole either way.
  const long maxMemory =
      static_cast<long>(pixels * 8 + (std::uint64_t{16} << 20)) + decoder.keptMarkerMemory();
  if (!decoder.start(output, maxMemory, eighth)) return fail(decoder.reason());
  return output;
}

// The size of the picture once its EXIF orientation is applied.
ImageSize uprightSize(const JpegDecoder& decoder) {
  const jpeg_decompress_struct& info = decoder.info();
  const int width = static_cast<int>(info.image_width);
  const int height = static_cast<int>(info.image_height);
  // Orientations 5 to 8 turn the picture a quarter: width and height swap.
  if (decoder.exifOrientation() >= 5) return ImageSize{height, width};
  return ImageSize{width, height};
}

}  // namespace

Expected<Surface> decodeJpeg(ByteView file, PictureMetadata* metadata) {
  if (metadata) *metadata = {};
  JpegDecoder decoder(file);
  auto output = startJpeg(decoder, file.size(), metadata != nullptr, false);
  if (!output) return fail(output.reason());

  const jpeg_decompress_struct& info = decoder.info();
  auto picture =
      Surface::create(static_cast<int>(info.image_width), static_cast<int>(info.image_height));
  if (!picture) return fail("JPEG: " + picture.reason());
  if (!decoder.readPixels(*picture)) return fail(decoder.reason());
  auto upright = applyExifOrientation(std::move(*picture), decoder.exifOrientation());
  if (!upright) return fail("JPEG: " + upright.reason());
  // A CMYK profile describes the inks, not the colours we made of them with
  // the plain conversion above, so it is not handed on.
  if (metadata) *metadata = decoder.metadata(*output != JCS_CMYK);
  return upright;
}

Expected<ImageSize> checkJpeg(ByteView file) {
  JpegDecoder decoder(file);
  auto output = startJpeg(decoder, file.size(), false, true);
  if (!output) return fail(output.reason());
  // Most photos end their one scan with the end marker: walking the coded
  // bytes for it costs a fraction of even an eighth-size decode, which spends
  // most of its time in Huffman decoding. Anything else is decoded.
  if (!decoder.dataEndsBeforeTheFileDoes() && !decoder.skimPixels()) return fail(decoder.reason());
  return uprightSize(decoder);
}

Expected<ImageSize> readJpegSize(ByteView file) {
  JpegDecoder decoder(file);
  if (!decoder.readHeader(false)) return fail(decoder.reason());
  if (Status limits = checkJpegLimits(decoder.info(), file.size()); !limits)
    return fail(limits.reason());
  return uprightSize(decoder);
}

int jpegExifOrientation(ByteView file) {
  JpegDecoder decoder(file);
  if (!decoder.readHeader(false)) return 1;
  return decoder.exifOrientation();
}

}  // namespace imbrino
