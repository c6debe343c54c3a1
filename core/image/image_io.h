#pragma once
// Reading and writing picture files by their extension, on top of the codecs.
// Pictures always come back upright on a white ground; saving picks the format
// from the target's extension and writes atomically.

#include <cstdint>
#include <functional>
#include <string>

#include "image/codecs.h"
#include "image/image_types.h"

namespace imbrino {

// What adding a picture to a list needs to know of its file.
struct PictureFacts {
  int width = 0;  // upright, as loadPictureFile would give the picture
  int height = 0;
  std::uint64_t fileSize = 0;  // in bytes
};

// Decodes a picture held in memory with the given format; with `metadata`,
// also returns what the file carries besides its pixels.
Expected<Surface> decodePicture(ByteView file, CodecFormat format,
                                PictureMetadata* metadata = nullptr);

// Loads a picture file with the format its extension announces (an unknown
// extension is read as BMP).
Expected<Surface> loadPictureFile(const std::string& path, PictureMetadata* metadata = nullptr);

// The size of a picture held in memory as it would be decoded (upright), read
// from its header: whether the rest decodes is not looked at.
Expected<ImageSize> readPictureSize(ByteView file, CodecFormat format);
// The same for a picture file, by its extension.
Expected<ImageSize> readImageSize(const std::string& path);

// Checks a picture held in memory with the given format's check: succeeds
// exactly when decodePicture would, with the decoded picture's size.
Expected<ImageSize> checkPicture(ByteView file, CodecFormat format);

// Whether loadPictureFile would load this file, found with the least work that
// still reads all of it (see the codecs' checks), and the facts a list of
// pictures shows. Fails exactly when loadPictureFile fails, with its reasons;
// safe to call from several threads at once.
Expected<PictureFacts> checkPictureFile(const std::string& path);

// Encodes a surface in the given format, with the metadata the format can hold.
Expected<Bytes> encodePicture(const Surface& picture, CodecFormat format,
                              const PictureMetadata* metadata = nullptr);

// Asked before a picture is reduced to the 256 colours of a GIF; false means
// "do not save".
using AskBeforeGif = std::function<bool()>;

// Saves in the format the target's extension announces: BMP 24-bit, JPEG
// quality 99, GIF 8-bit, PNG. An unknown extension writes nothing and fails; so
// does a "no" from `askBeforeGif` (when given). JPEG and PNG files keep
// `metadata` when given.
Status saveBitmapByExtension(const Surface& picture, const std::string& path,
                             const AskBeforeGif& askBeforeGif = {},
                             const PictureMetadata* metadata = nullptr);

}  // namespace imbrino
