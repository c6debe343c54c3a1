#include "image/exif_orientation.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "image/picture_metadata.h"

namespace imbrino {
namespace {

constexpr std::uint16_t kTiffMagic = 42;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kEntrySize = 12;

// Reads the numbers of a TIFF block in the order its first two bytes name.
class TiffReader {
 public:
  explicit TiffReader(ByteView tiff, bool bigEndian) : tiff_(tiff), bigEndian_(bigEndian) {}

  // Callers check that the bytes are there.
  std::uint16_t u16(std::size_t at) const {
    const unsigned first = tiff_[at], second = tiff_[at + 1];
    return static_cast<std::uint16_t>(bigEndian_ ? (first << 8) | second : (second << 8) | first);
  }
  std::uint32_t u32(std::size_t at) const {
    const std::uint32_t first = u16(at), second = u16(at + 2);
    return bigEndian_ ? (first << 16) | second : (second << 16) | first;
  }

 private:
  ByteView tiff_;
  bool bigEndian_;
};

}  // namespace

std::optional<ExifOrientationEntry> findExifOrientation(ByteView tiff) {
  if (tiff.size() < 8) return std::nullopt;
  bool bigEndian = false;
  if (tiff[0] == 'M' && tiff[1] == 'M')
    bigEndian = true;
  else if (tiff[0] != 'I' || tiff[1] != 'I')
    return std::nullopt;
  const TiffReader read(tiff, bigEndian);
  if (read.u16(2) != kTiffMagic) return std::nullopt;

  // Only the first IFD describes the main picture; the second one belongs to
  // the thumbnail and may be turned differently.
  const std::uint32_t ifd = read.u32(4);
  if (ifd > tiff.size() - 2) return std::nullopt;
  const std::size_t entries = read.u16(ifd);
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t entry = ifd + 2 + i * kEntrySize;
    if (entry + kEntrySize > tiff.size()) return std::nullopt;
    if (read.u16(entry) != kOrientationTag) continue;
    // A single SHORT sits in the first two bytes of the value field.
    if (read.u16(entry + 2) != kShortType || read.u32(entry + 4) != 1) return std::nullopt;
    return ExifOrientationEntry{entry + 8, read.u16(entry + 8)};
  }
  return std::nullopt;
}

int readExifOrientation(ByteView app1Payload) {
  if (!isJpegExifPayload(app1Payload)) return 1;
  const auto entry = findExifOrientation(app1Payload.subspan(kJpegExifHeader.size()));
  return entry && entry->value >= 1 && entry->value <= 8 ? entry->value : 1;
}

int resetExifOrientation(Bytes& tiff) {
  const auto entry = findExifOrientation(tiff);
  if (!entry || entry->value < 2 || entry->value > 8) return 1;
  // 1 in either byte order: the byte that matters comes first in "II".
  const bool bigEndian = tiff[0] == 'M';
  tiff[entry->valueOffset] = bigEndian ? 0 : 1;
  tiff[entry->valueOffset + 1] = bigEndian ? 1 : 0;
  return entry->value;
}

Expected<Surface> applyExifOrientation(Surface stored, int orientation) {
  const int width = stored.width();
  const int height = stored.height();
  switch (orientation) {
    case 2:  // mirrored left to right
      for (int y = 0; y < height; ++y) std::reverse(stored.row(y), stored.row(y) + width);
      return stored;
    case 3:  // turned by half a turn: the pixel order reversed as a whole
      std::reverse(stored.pixels().begin(), stored.pixels().end());
      return stored;
    case 4:  // mirrored top to bottom
      for (int y = 0; y < height / 2; ++y)
        std::swap_ranges(stored.row(y), stored.row(y) + width, stored.row(height - 1 - y));
      return stored;
    case 5:
    case 6:
    case 7:
    case 8:
      break;
    default:
      return stored;
  }

  // The stored rows become the upright picture's columns: upright (x, y) is
  // stored (column, row) with column = y or width-1-y and row = x or
  // height-1-x. 5 is the transposition, 6 a quarter turn clockwise, 7 the
  // transposition across the other diagonal, 8 a quarter turn anticlockwise.
  auto upright = Surface::create(height, width);
  if (!upright) return fail(upright.reason());
  const bool columnsReversed = orientation == 7 || orientation == 8;
  const bool rowsReversed = orientation == 6 || orientation == 7;
  // Tiles keep both the rows read and the rows written in the cache.
  constexpr int kTile = 64;
  for (int tileY = 0; tileY < width; tileY += kTile) {
    const int tileBottom = std::min(tileY + kTile, width);
    for (int tileX = 0; tileX < height; tileX += kTile) {
      const int tileRight = std::min(tileX + kTile, height);
      for (int y = tileY; y < tileBottom; ++y) {
        Pixel* out = upright->row(y);
        const int column = columnsReversed ? width - 1 - y : y;
        for (int x = tileX; x < tileRight; ++x)
          out[x] = stored.pixel(column, rowsReversed ? height - 1 - x : x);
      }
    }
  }
  return upright;
}

Expected<Surface> undoExifOrientation(Surface upright, int orientation) {
  // Mirrors, the half turn and both transpositions undo themselves; the
  // quarter turns undo each other.
  const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
  return applyExifOrientation(std::move(upright), inverse);
}

namespace {

bool turnsQuarter(int orientation) { return orientation >= 5 && orientation <= 8; }

// The stored pixel that upright pixel (x, y) shows, as applyExifOrientation
// lays them out.
void storedPointOf(int orientation, int storedWidth, int storedHeight, int& x, int& y) {
  const int ux = x, uy = y;
  switch (orientation) {
    case 2: x = storedWidth - 1 - ux; break;
    case 3: x = storedWidth - 1 - ux; y = storedHeight - 1 - uy; break;
    case 4: y = storedHeight - 1 - uy; break;
    case 5: x = uy; y = ux; break;
    case 6: x = uy; y = storedHeight - 1 - ux; break;
    case 7: x = storedWidth - 1 - uy; y = storedHeight - 1 - ux; break;
    case 8: x = storedWidth - 1 - uy; y = ux; break;
    default: break;
  }
}

}  // namespace

Rect storedRectOf(Rect upright, int orientation, int storedWidth, int storedHeight) {
  const bool swapped = turnsQuarter(orientation);
  const Rect picture{0, 0, swapped ? storedHeight : storedWidth,
                     swapped ? storedWidth : storedHeight};
  const Rect inside = intersect(upright, picture);
  if (inside.empty()) return {};
  int x0 = inside.x, y0 = inside.y;
  int x1 = static_cast<int>(inside.right() - 1), y1 = static_cast<int>(inside.bottom() - 1);
  storedPointOf(orientation, storedWidth, storedHeight, x0, y0);
  storedPointOf(orientation, storedWidth, storedHeight, x1, y1);
  return {std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0) + 1, std::abs(y1 - y0) + 1};
}

Rect uprightRectOf(Rect stored, int orientation, int storedWidth, int storedHeight) {
  // Undoing an orientation is applying its inverse to the upright picture.
  const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
  const bool swapped = turnsQuarter(orientation);
  return storedRectOf(stored, inverse, swapped ? storedHeight : storedWidth,
                      swapped ? storedWidth : storedHeight);
}

}  // namespace imbrino
