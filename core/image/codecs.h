#pragma once
// The format codecs. Every decoder returns the picture the way the rest of the
// program wants it: upright, fully opaque, transparent areas laid on white, and
// refused (with a one-line reason) when damaged or beyond the decode limits.
// Each decoder has a check beside it that reads the whole file through the
// same code, limits and failures, but keeps no picture: it accepts exactly the
// files its decoder accepts and gives the upright size the decoder would.
// The size readers stop at the header: they give the same size, refuse a
// header the decoder refuses (beyond the limits, announcing more pixels than
// the file can hold), and decode no pixels.
// Encoders turn a surface into the bytes of a complete file.

#include <cstdint>
#include <span>
#include <vector>

#include "graphics/surface.h"
#include "platform/expected.h"

namespace imbrino {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

struct ImageSize {
  int width = 0;
  int height = 0;

  friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

// What a photo carries besides its pixels that users expect a stamped copy to
// keep: the camera's EXIF record and the colour profile. Only JPEG and PNG
// files hold them here.
struct PictureMetadata {
  // The TIFF block of an EXIF record (without the "Exif\0\0" of a JPEG APP1
  // marker). Its orientation is already 1: the decoded pixels are upright.
  Bytes exif;
  // An ICC colour profile, whole.
  Bytes icc;

  bool empty() const { return exif.empty() && icc.empty(); }
};

// BMP: every header version (OS/2 core, 40-byte info and its 52/56-byte
// extensions, V4, V5), 1/4/8/16/24/32 bits, RLE4/RLE8, bit fields, top-down.
Expected<Surface> decodeBmp(ByteView file);
// Every way a BMP can fail is found by the header parser (the pixel decoders
// cannot fail on what it lets through), so this parses the headers only.
Expected<ImageSize> checkBmp(ByteView file);
// A 24-bit bottom-up BMP with a 40-byte info header.
Expected<Bytes> encodeBmp(const Surface& picture);

// JPEG through libjpeg-turbo; the EXIF orientation is applied. CMYK and YCCK
// pictures are converted to RGB.
// With `metadata`, also returns the file's EXIF record and ICC profile.
Expected<Surface> decodeJpeg(ByteView file, PictureMetadata* metadata = nullptr);
// Decodes every scan at an eighth of the size into one reused row buffer.
Expected<ImageSize> checkJpeg(ByteView file);
// The header and its EXIF orientation.
Expected<ImageSize> readJpegSize(ByteView file);
// The orientation (1..8) the JPEG reader turns this file by: the one recorded
// in its first EXIF block. Only the header is read (the markers before the
// picture data, where EXIF blocks belong); 1 when there is none or the header
// cannot be read.
int jpegExifOrientation(ByteView file);

struct JpegOptions {
  int quality = 99;
};
// Baseline JPEG, 4:4:4; one grey channel when every pixel is grey, otherwise
// three colour channels. `metadata`, when given, is written as an APP1 EXIF
// marker and APP2 ICC_PROFILE markers.
Expected<Bytes> encodeJpeg(const Surface& picture, const JpegOptions& options = {},
                           const PictureMetadata* metadata = nullptr);

// PNG through libpng; every colour type and bit depth, tRNS and alpha laid on
// white, 16-bit samples scaled to 8 bits.
// With `metadata`, also returns the eXIf and iCCP chunks' contents.
Expected<Surface> decodePng(ByteView file, PictureMetadata* metadata = nullptr);
// Inflates and unfilters every row (CRCs checked) into libpng's own row buffer.
Expected<ImageSize> checkPng(ByteView file);
// IHDR, and the chunks before the first IDAT.
Expected<ImageSize> readPngSize(ByteView file);
// An 8-bit RGB PNG; `metadata`, when given, is written as eXIf and iCCP chunks.
Expected<Bytes> encodePng(const Surface& picture, const PictureMetadata* metadata = nullptr);

// GIF through giflib: the first frame, drawn at its place on the logical
// screen; pixels the frame leaves out or marks transparent are white.
Expected<Surface> decodeGif(ByteView file);
// Decompresses the first frame's rows into one line, drawing nothing.
Expected<ImageSize> checkGif(ByteView file);
// The logical screen and the first frame's descriptor.
Expected<ImageSize> readGifSize(ByteView file);
// An 8-bit GIF: the palette is chosen by libimagequant and the colours are
// reduced with Floyd-Steinberg error diffusion.
Expected<Bytes> encodeGif(const Surface& picture);

}  // namespace imbrino
