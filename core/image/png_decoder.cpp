// PNG reading through libpng, from memory. Writing is in png_encoder.cpp.
//
// Reading keeps the pixels as stored and ignores gAMA, cHRM, sRGB and iCCP,
// as most viewers do: a picture that was stamped and saved
// again must not change its colours. Every colour type and bit depth comes
// out of libpng as 8-bit B, G, R, A straight into the picture's rows; the
// alpha is then laid on white.
//
// The pixels are not turned by an EXIF orientation either: viewers disagree
// on whether a PNG's eXIf chunk counts, and the rest of the program takes the
// stored pixels as upright. The record handed on says so (orientation 1), so
// that a copy written with it shows the way the picture was stamped.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "graphics/picture_limits.h"
#include "image/codecs.h"
#include "image/exif_orientation.h"
#include "image/png_errors.h"

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libpng writes pixels as B, G, R, A bytes, which is 0xAARRGGBB in memory");

struct PngSource {
  ByteView file;
  std::size_t position = 0;

  static void read(png_structp png, png_bytep out, png_size_t length) {
    auto* self = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > self->file.size() - self->position) png_error(png, "the file is truncated");
    std::memcpy(out, self->file.data() + self->position, length);
    self->position += length;
  }
};

// The most memory libpng may take for one chunk's data: a palette and its
// transparency are far below the first; an ICC profile may reach a few
// megabytes (those of printers do). A larger profile is left out, and the
// picture is still read.
constexpr png_alloc_size_t kChunkMemoryLimit = 1 << 20;
constexpr png_alloc_size_t kProfileMemoryLimit = 16 << 20;

constexpr png_byte kIccpChunk[] = {'i', 'C', 'C', 'P', 0};

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
         std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// What the file's chunks say about its metadata, read straight from its
// bytes. libpng uses an iCCP chunk whose CRC fails (with a warning only) and
// lets a second iCCP chunk replace the first; its eXIf reader would take
// memory for any length a chunk announces, and an eXIf chunk after the pixels
// would only be found by reading on past them.
struct MetadataChunks {
  ByteView exif;  // the first eXIf chunk's data, when its CRC holds
  // One iCCP chunk at most, with its CRC holding, in its place after IHDR and
  // before PLTE and IDAT: which of two profiles is meant cannot be told, and
  // libpng refuses the whole file for a profile before the header, where
  // without the profile it would read the picture.
  bool profileSound = true;
};

MetadataChunks scanMetadataChunks(ByteView file) {
  MetadataChunks found;
  bool exifSeen = false, profileSeen = false, headerSeen = false, profileMayCome = false;
  for (std::size_t at = 8; at <= file.size() && file.size() - at >= 12;) {
    const std::uint32_t size = bigEndian32(file.data() + at);
    if (size > file.size() - at - 12) break;  // cut short; libpng has judged the file
    const ByteView chunk = file.subspan(at + 4, 4 + std::size_t{size});  // type and data
    auto crcHolds = [&] {
      return crc32(0, chunk.data(), static_cast<uInt>(chunk.size())) ==
             bigEndian32(chunk.data() + chunk.size());
    };
    if (std::memcmp(chunk.data(), "eXIf", 4) == 0 && !exifSeen) {
      exifSeen = true;
      if (crcHolds()) found.exif = chunk.subspan(4);
    } else if (std::memcmp(chunk.data(), "iCCP", 4) == 0) {
      found.profileSound = found.profileSound && !profileSeen && profileMayCome && crcHolds();
      profileSeen = true;
    } else if (std::memcmp(chunk.data(), "IHDR", 4) == 0) {
      profileMayCome = !headerSeen;
      headerSeen = true;
    } else if (std::memcmp(chunk.data(), "PLTE", 4) == 0 ||
               std::memcmp(chunk.data(), "IDAT", 4) == 0) {
      profileMayCome = false;
    } else if (std::memcmp(chunk.data(), "IEND", 4) == 0) {
      break;
    }
    at += 12 + std::size_t{size};
  }
  return found;
}

// Bytes of pixel data before compression: every row as stored plus its
// filter byte.
std::uint64_t rawPixelDataSize(std::uint64_t width, std::uint64_t height, unsigned channels,
                               unsigned bitDepth) {
  return height * ((width * channels * bitDepth + 7) / 8 + 1);
}

class PngDecoder {
 public:
  explicit PngDecoder(ByteView file) : source_{file} {}
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;
  ~PngDecoder() { png_destroy_read_struct(&png_, &info_, nullptr); }

  bool readHeader(bool withMetadata) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors_, PngErrors::error,
                                  PngErrors::warning);
    if (png_ == nullptr) return failWith("not enough memory");
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) png_error(png_, "not enough memory");
    png_set_user_limits(png_, kMaxPictureSide, kMaxPictureSide);
    // We need no ancillary chunk but tRNS; the others are skipped unread,
    // which also spares us inflating compressed text and profiles. The limit
    // on a chunk's memory then only concerns PLTE and tRNS.
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(png_, kChunkMemoryLimit);
    if (withMetadata) {
      // libpng's own iCCP reader inflates the profile and checks it (a bad one
      // is dropped with a warning), holding it to the chunk memory limit.
      // eXIf is taken from the file's bytes (scanMetadataChunks).
      png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_AS_DEFAULT, kIccpChunk, 1);
      png_set_chunk_malloc_max(png_, kProfileMemoryLimit);
    }
    png_set_read_fn(png_, &source_, PngSource::read);
    png_read_info(png_, info_);
    return true;
  }

  std::uint32_t width() const { return png_get_image_width(png_, info_); }
  std::uint32_t height() const { return png_get_image_height(png_, info_); }
  std::uint64_t rawDataSize() const {
    return rawPixelDataSize(width(), height(), png_get_channels(png_, info_),
                            png_get_bit_depth(png_, info_));
  }

  // Asks libpng for 8-bit B, G, R, A whatever the colour type and depth:
  // palettes and low depths expanded, tRNS made alpha, 16-bit samples scaled
  // (rounded, not cut), grey copied to the three colours, a 255 alpha added
  // where there is none. Interlaced pictures are put together by libpng.
  bool start() {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_set_expand(png_);
    png_set_scale_16(png_);
    png_set_gray_to_rgb(png_);
    png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png_);
    passes_ = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    if (png_get_bit_depth(png_, info_) != 8 || png_get_channels(png_, info_) != 4 ||
        png_get_rowbytes(png_, info_) != png_size_t{width()} * 4)
      png_error(png_, "unexpected row layout");
    return true;
  }

  // Each pass of an interlaced picture fills in more pixels of the same rows.
  // Without a picture every row is still inflated, unfiltered and
  // transformed, in libpng's own row buffer, and then dropped.
  bool readPixels(Surface* picture) {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    const auto rows = static_cast<int>(height());
    for (int pass = 0; pass < passes_; ++pass)
      for (int y = 0; y < rows; ++y)
        png_read_row(png_, picture ? reinterpret_cast<png_bytep>(picture->row(y)) : nullptr,
                     nullptr);
    return true;
  }

  Bytes icc() const {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 size = 0;
    if (png_get_iCCP(png_, info_, &name, &compression, &profile, &size) == 0 || profile == nullptr)
      return {};
    return Bytes(profile, profile + size);
  }

  bool failWith(const char* message) {
    std::snprintf(errors_.message, sizeof errors_.message, "%s", message);
    return false;
  }
  std::string reason() const { return errors_.reason(); }

 private:
  PngErrors errors_;
  PngSource source_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  int passes_ = 1;
};

// Pixels are B, G, R, A in memory, so each reads as 0xAARRGGBB.
void layAlphaOnWhite(Surface& picture) {
  for (Pixel& p : picture.pixels()) {
    const auto alpha = static_cast<std::uint8_t>(p >> 24);
    if (alpha != 0xFF) p = overWhite(redOf(p), greenOf(p), blueOf(p), alpha);
  }
}

// The reading decodePng and checkPng share up to the first row: the header,
// the limits and the row layout.
Status startPng(PngDecoder& decoder, std::size_t fileSize, bool withProfile) {
  if (!decoder.readHeader(withProfile)) return fail(decoder.reason());
  if (auto refused = checkPictureSize(decoder.width(), decoder.height()))
    return fail("PNG: " + *refused);
  // zlib packs at most about 1032 bytes into one, so a file smaller than the
  // raw rows / 1032 cannot hold them; refusing below / 1100 leaves a margin
  // and keeps a few bytes of header from announcing gigabytes.
  if (auto refused = checkDataAvailable(decoder.rawDataSize() / 1100, fileSize))
    return fail("PNG: " + *refused);
  if (!decoder.start()) return fail(decoder.reason());
  return {};
}

}  // namespace

Expected<Surface> decodePng(ByteView file, PictureMetadata* metadata) {
  if (metadata) *metadata = {};
  // The profile is read only where it is sound, so asking for metadata never
  // changes whether or how the picture decodes.
  const MetadataChunks chunks = metadata ? scanMetadataChunks(file) : MetadataChunks{};
  PngDecoder decoder(file);
  if (Status started = startPng(decoder, file.size(), metadata != nullptr && chunks.profileSound);
      !started)
    return fail(started.reason());

  auto picture =
      Surface::create(static_cast<int>(decoder.width()), static_cast<int>(decoder.height()));
  if (!picture) return fail("PNG: " + picture.reason());
  if (!decoder.readPixels(&*picture)) return fail(decoder.reason());
  // The rest of the file (text, time stamps, IEND) cannot change the picture.
  layAlphaOnWhite(*picture);
  if (metadata) {
    if (chunks.profileSound) metadata->icc = decoder.icc();
    metadata->exif.assign(chunks.exif.begin(), chunks.exif.end());
    resetExifOrientation(metadata->exif);
  }
  return picture;
}

Expected<ImageSize> checkPng(ByteView file) {
  PngDecoder decoder(file);
  if (Status started = startPng(decoder, file.size(), false); !started)
    return fail(started.reason());
  if (!decoder.readPixels(nullptr)) return fail(decoder.reason());
  return ImageSize{static_cast<int>(decoder.width()), static_cast<int>(decoder.height())};
}

Expected<ImageSize> readPngSize(ByteView file) {
  PngDecoder decoder(file);
  if (Status started = startPng(decoder, file.size(), false); !started)
    return fail(started.reason());
  return ImageSize{static_cast<int>(decoder.width()), static_cast<int>(decoder.height())};
}

}  // namespace imbrino
