#include "image/image_io.h"

#include "platform/file_io.h"

namespace imbrino {
namespace {

using SizeReader = Expected<ImageSize> (*)(ByteView);

// The format's own reader among the four.
SizeReader sizeReader(CodecFormat format, SizeReader jpeg, SizeReader png, SizeReader gif,
                      SizeReader bmp) {
  switch (format) {
    case CodecFormat::Jpg:
      return jpeg;
    case CodecFormat::Png:
      return png;
    case CodecFormat::Gif:
      return gif;
    case CodecFormat::Bmp:
      break;
  }
  return bmp;
}

}  // namespace

Expected<Surface> decodePicture(ByteView file, CodecFormat format, PictureMetadata* metadata) {
  switch (format) {
    case CodecFormat::Jpg:
      return decodeJpeg(file, metadata);
    case CodecFormat::Png:
      return decodePng(file, metadata);
    case CodecFormat::Gif:
      return decodeGif(file);
    case CodecFormat::Bmp:
      break;
  }
  return decodeBmp(file);
}

Expected<Surface> loadPictureFile(const std::string& path, PictureMetadata* metadata) {
  auto bytes = readFileBytes(path);
  if (!bytes) return fail(bytes.reason());
  auto picture = decodePicture(*bytes, codecFormatOf(imageTypeOfPath(path)), metadata);
  if (!picture) return fail(path + ": " + picture.reason());
  return picture;
}

Expected<ImageSize> readPictureSize(ByteView file, CodecFormat format) {
  // The BMP check reads the headers alone.
  return sizeReader(format, readJpegSize, readPngSize, readGifSize, checkBmp)(file);
}

Expected<ImageSize> readImageSize(const std::string& path) {
  auto bytes = readFileBytes(path);
  if (!bytes) return fail(bytes.reason());
  auto size = readPictureSize(*bytes, codecFormatOf(imageTypeOfPath(path)));
  if (!size) return fail(path + ": " + size.reason());
  return size;
}

Expected<ImageSize> checkPicture(ByteView file, CodecFormat format) {
  return sizeReader(format, checkJpeg, checkPng, checkGif, checkBmp)(file);
}

Expected<PictureFacts> checkPictureFile(const std::string& path) {
  auto bytes = readFileBytes(path);
  if (!bytes) return fail(bytes.reason());
  auto size = checkPicture(*bytes, codecFormatOf(imageTypeOfPath(path)));
  if (!size) return fail(path + ": " + size.reason());
  return PictureFacts{size->width, size->height, bytes->size()};
}

Expected<Bytes> encodePicture(const Surface& picture, CodecFormat format,
                              const PictureMetadata* metadata) {
  switch (format) {
    case CodecFormat::Jpg:
      return encodeJpeg(picture, {}, metadata);
    case CodecFormat::Png:
      return encodePng(picture, metadata);
    case CodecFormat::Gif:
      return encodeGif(picture);
    case CodecFormat::Bmp:
      break;
  }
  return encodeBmp(picture);
}

Status saveBitmapByExtension(const Surface& picture, const std::string& path,
                             const AskBeforeGif& askBeforeGif, const PictureMetadata* metadata) {
  const ImageType type = imageTypeOfPath(path);
  if (type == ImageType::Unknown)
    return fail(path + ": unknown picture type; use .bmp, .jpg, .jpeg, .gif or .png");
  if (type == ImageType::Gif && askBeforeGif && !askBeforeGif()) return fail(path + ": not saved");
  auto encoded = encodePicture(picture, codecFormatOf(type), metadata);
  if (!encoded) return fail(path + ": " + encoded.reason());
  return writeFileAtomically(path, *encoded);
}

}  // namespace imbrino
