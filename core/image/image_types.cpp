#include "image/image_types.h"


namespace imbrino {

std::string fileExtension(std::string_view path) {
  const auto slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const auto dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot, 255));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

std::string patternExtension(std::string_view pattern) {
  if (!pattern.starts_with("*.")) return {};
  const std::string_view extension = pattern.substr(1);
  if (extension.size() < 2 || extension.find_first_of("*?[/", 1) != std::string_view::npos)
    return {};
  return std::string(extension);
}

std::string withExtensionIfNone(std::string_view path, std::string_view extension) {
  std::string named(path);
  const bool isFolder = !path.empty() && path.back() == '/';
  if (!extension.empty() && !isFolder && fileExtension(path).empty()) named += extension;
  return named;
}

ImageType imageTypeOfPath(std::string_view path) {
  const std::string extension = fileExtension(path);
  if (extension == ".bmp") return ImageType::Bmp;
  if (extension == ".gif") return ImageType::Gif;
  if (extension == ".jpg") return ImageType::Jpg;
  if (extension == ".jpeg") return ImageType::Jpeg;
  if (extension == ".png") return ImageType::Png;
  return ImageType::Unknown;
}

CodecFormat codecFormatOf(ImageType type) { return codecFormatOf(static_cast<std::uint32_t>(type)); }

CodecFormat codecFormatOf(std::uint32_t storedImageType) {
  switch (storedImageType) {
    case 1:
    case 2:
      return CodecFormat::Jpg;
    case 3:
      return CodecFormat::Gif;
    case 4:
      return CodecFormat::Png;
    default:
      return CodecFormat::Bmp;
  }
}

}  // namespace imbrino
