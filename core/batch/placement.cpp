#include "batch/placement.h"

#include <cstdint>
#include <limits>

namespace imbrino {
namespace {

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

// Sizes come from files and settings, so nothing stops a picture or a template
// from being absurdly large or negative. Offsets past the range of int are
// pinned to its ends: such a template lies off the picture either way, and an
// overflowing conversion would be undefined.
int saturate(std::int64_t v) {
  if (v < kIntMin) return kIntMin;
  if (v > kIntMax) return kIntMax;
  return static_cast<int>(v);
}

int saturate(double v) {
  if (v <= static_cast<double>(kIntMin)) return kIntMin;
  if (v >= static_cast<double>(kIntMax)) return kIntMax;
  return static_cast<int>(v);
}

}  // namespace

int placementOffset(PlacementMode mode, int value, int pictureSize, int templateSize) {
  if (mode == PlacementMode::Percent) {
    // Multiplied in exactly this order, so that positions match the pixel the
    // templates were designed for: 29 % of 100 is 28 here, as it always was.
    return saturate(value * 0.01 * pictureSize);
  }
  const std::int64_t room = std::int64_t{pictureSize} - templateSize;
  switch (value) {
    case 1:
      return saturate(room / 2);  // always fits; truncates toward zero like the int division
    case 2:
      return saturate(room);
    default:
      return 0;
  }
}

std::optional<PlacementValues> anchorOfCellName(std::string_view name) {
  for (std::size_t i = 0; i < kAnchorCellNames.size(); ++i)
    if (kAnchorCellNames[i] == name)
      return PlacementValues{static_cast<int>(i % 3), static_cast<int>(i / 3)};
  return std::nullopt;
}

int cellFromClick(int position, int clientSize) {
  const int cellWidth = clientSize / 3;
  // A picker narrower than three pixels has no cell width to divide by. Take
  // the limit of the division instead: the first cell at or before the left
  // edge, the last one anywhere past it.
  if (cellWidth <= 0) return position <= 0 ? 0 : 2;
  const int cell = position / cellWidth;
  if (cell < 0) return 0;
  if (cell > 2) return 2;
  return cell;
}

int percentFromClick(int position, int clientSize) {
  if (clientSize <= 0) return 0;
  const double percent = static_cast<double>(position) / clientSize * 100;
  // Clamped before the conversion, which would be undefined for far-off clicks.
  if (percent <= 0) return 0;
  if (percent >= 100) return 100;
  return static_cast<int>(percent);
}

int percentMarkPosition(int value, int clientSize) {
  const float fraction = static_cast<float>(value * 0.01);
  return saturate(static_cast<double>(static_cast<float>(clientSize) * fraction));
}

}  // namespace imbrino
