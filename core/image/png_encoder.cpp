// PNG writing: 8-bit RGB (pictures are opaque) through libpng, into memory,
// with the picture's ICC profile and EXIF record as iCCP and eXIf chunks.

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <new>
#include <string>

#include "image/codecs.h"
#include "image/png_errors.h"

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "rows are handed to libpng as B, G, R, X bytes");

struct PngSink {
  Bytes bytes;

  static void write(png_structp png, png_bytep data, png_size_t length) {
    auto* self = static_cast<PngSink*>(png_get_io_ptr(png));
    bool written = true;
    try {
      self->bytes.insert(self->bytes.end(), data, data + length);
    } catch (const std::bad_alloc&) {
      written = false;
    }
    // Outside the handler: the jump must not leave an exception behind.
    if (!written) png_error(png, "not enough memory for the file");
  }
  static void flush(png_structp) {}
};

// zlib level 4 with libpng's adaptive row filters. On photographs, which
// most stamped pictures are, the filters save about a quarter of the file;
// level 4 then comes within one percent of level 6 in little more than half
// the time, and the levels below it lose several percent.
constexpr int kCompressionLevel = 4;

class PngEncoder {
 public:
  PngEncoder() = default;
  PngEncoder(const PngEncoder&) = delete;
  PngEncoder& operator=(const PngEncoder&) = delete;
  ~PngEncoder() { png_destroy_write_struct(&png_, &info_); }

  bool encode(const Surface& picture, const PictureMetadata* metadata) {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors_, PngErrors::error,
                                   PngErrors::warning);
    if (png_ == nullptr) {
      std::snprintf(errors_.message, sizeof errors_.message, "not enough memory");
      return false;
    }
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    info_ = png_create_info_struct(png_);
    if (info_ == nullptr) png_error(png_, "not enough memory");
    png_set_write_fn(png_, &sink_, PngSink::write, PngSink::flush);
    png_set_IHDR(png_, info_, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png_, kCompressionLevel);
    if (metadata && !metadata->empty()) addMetadata(*metadata);
    png_write_info(png_, info_);
    // The rows are handed over as they are in memory, B, G, R and a fourth
    // byte that libpng drops.
    png_set_bgr(png_);
    png_set_filler(png_, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < picture.height(); ++y)
      png_write_row(png_, reinterpret_cast<png_const_bytep>(picture.row(y)));
    png_write_end(png_, nullptr);
    return true;
  }

  std::string reason() const { return errors_.reason(); }
  Bytes takeBytes() { return std::move(sink_.bytes); }

 private:
  // Called under the jump armed by encode().
  void addMetadata(const PictureMetadata& metadata) {
    // libpng checks a profile (its header, that it is an RGB one for our RGB
    // picture, its tag table) and reports a bad one as an application error,
    // which would end the writing. Made a warning, it only leaves the profile
    // out, and the picture is written without it.
    png_set_benign_errors(png_, 1);
    if (!metadata.icc.empty() && metadata.icc.size() <= PNG_UINT_31_MAX)
      png_set_iCCP(png_, info_, "ICC profile", PNG_COMPRESSION_TYPE_BASE, metadata.icc.data(),
                   static_cast<png_uint_32>(metadata.icc.size()));
    // libpng copies the record; it only takes it through a pointer to change.
    if (!metadata.exif.empty() && metadata.exif.size() <= PNG_UINT_31_MAX)
      png_set_eXIf_1(png_, info_, static_cast<png_uint_32>(metadata.exif.size()),
                     const_cast<png_bytep>(metadata.exif.data()));
  }

  PngErrors errors_;
  PngSink sink_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

}  // namespace

Expected<Bytes> encodePng(const Surface& picture, const PictureMetadata* metadata) {
  if (picture.empty()) return fail("PNG: cannot write a picture without pixels");
  PngEncoder encoder;
  if (!encoder.encode(picture, metadata)) return fail(encoder.reason());
  return encoder.takeBytes();
}

}  // namespace imbrino
