#pragma once
// Limits every picture reader enforces before it allocates pixels, so that a
// hostile or damaged file costs a clean failure instead of the machine's
// memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace imbrino {

inline constexpr std::int64_t kMaxPictureSide = 65535;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// The pixel limit in force: kMaxPicturePixels unless lowered. Fuzz targets lower
// it so that they spend their time on parsing rather than on filling memory.
std::int64_t maxPicturePixels();
void setMaxPicturePixels(std::int64_t limit);

// Why a picture of this size is refused, or nothing when it is acceptable.
// Zero-sized pictures are refused as well: no reader can produce one.
std::optional<std::string> checkPictureSize(std::int64_t width, std::int64_t height);

// For formats whose pixel data cannot be smaller than a known fraction of the
// raw size: refuses a header that announces far more pixels than the file can
// hold. `minimumBytes` is the least the encoded data could take.
std::optional<std::string> checkDataAvailable(std::uint64_t minimumBytes, std::uint64_t available);

}  // namespace imbrino
