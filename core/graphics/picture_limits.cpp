#include "graphics/picture_limits.h"

#include <atomic>

namespace imbrino {
namespace {
std::atomic<std::int64_t> pixelLimit{kMaxPicturePixels};
}

std::int64_t maxPicturePixels() { return pixelLimit.load(std::memory_order_relaxed); }

void setMaxPicturePixels(std::int64_t limit) {
  pixelLimit.store(limit < kMaxPicturePixels ? limit : kMaxPicturePixels,
                   std::memory_order_relaxed);
}

std::optional<std::string> checkPictureSize(std::int64_t width, std::int64_t height) {
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  if (width <= 0 || height <= 0) return "the picture has no pixels (" + size + ")";
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    return "the picture is too large (" + size + "; at most 65535 pixels a side)";
  if (width * height > maxPicturePixels())
    return "the picture is too large (" + size + "; at most " +
           std::to_string(maxPicturePixels()) + " pixels)";
  return std::nullopt;
}

std::optional<std::string> checkDataAvailable(std::uint64_t minimumBytes, std::uint64_t available) {
  if (minimumBytes > available)
    return "the file is truncated: its header announces at least " + std::to_string(minimumBytes) +
           " bytes of picture data, the file holds " + std::to_string(available);
  return std::nullopt;
}

}  // namespace imbrino
