#pragma once
// Picture kinds are decided by the file name's extension alone. The numbers are
// stored in template files, so they never change.

#include <cstdint>
#include <string>
#include <string_view>

namespace imbrino {

enum class ImageType : std::uint32_t { Bmp = 0, Jpg = 1, Jpeg = 2, Gif = 3, Png = 4, Unknown = 5 };

// The codec format a picture is loaded and saved with.
enum class CodecFormat : int { Bmp = 1, Gif = 2, Jpg = 3, Png = 4 };

// The extension of a path's file name (its last component): from the last "."
// to the end, dot included, ASCII letters lower-cased, at most 255 bytes;
// empty when the name has no dot.
std::string fileExtension(std::string_view path);

// The extension a file type's pattern gives a name: "*.png" gives ".png".
// Patterns that name no one extension ("*", "*.*", "*.jp*g", "") give nothing.
std::string patternExtension(std::string_view pattern);

// A name as typed into a save dialog, with `extension` (".png") added when its
// file name has none of its own; a name that has one, or an empty extension,
// leaves it as typed. A trailing "." counts as an extension the user chose.
std::string withExtensionIfNone(std::string_view path, std::string_view extension);

// From the last "." of the file name (the last path component) to its end,
// ASCII letters lower-cased; no dot gives Unknown.
ImageType imageTypeOfPath(std::string_view path);

// Unknown, and any value outside the enumeration (a template file may carry
// one), is read as BMP.
CodecFormat codecFormatOf(ImageType type);
CodecFormat codecFormatOf(std::uint32_t storedImageType);

}  // namespace imbrino
