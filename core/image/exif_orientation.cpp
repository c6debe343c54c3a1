#include "image/exif_orientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace imbrino {
namespace {

struct ExifDataRelease {
  void operator()(ExifData* data) const { exif_data_unref(data); }
};

}  // namespace

int readExifOrientation(ByteView app1Payload) {
  static constexpr unsigned char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
  if (app1Payload.size() < sizeof kExifHeader ||
      std::memcmp(app1Payload.data(), kExifHeader, sizeof kExifHeader) != 0 ||
      app1Payload.size() > std::numeric_limits<unsigned int>::max())
    return 1;

  std::unique_ptr<ExifData, ExifDataRelease> exif(exif_data_new());
  if (!exif) return 1;
  // As read: following the specification would make libexif add and correct
  // entries, work that tells us nothing about the orientation.
  exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(exif.get(), app1Payload.data(),
                      static_cast<unsigned int>(app1Payload.size()));

  // Only the first IFD describes the main picture; the second one belongs to
  // the thumbnail and may be turned differently.
  const ExifEntry* entry = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 ||
      entry->data == nullptr || entry->size < 2)
    return 1;
  const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(exif.get()));
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
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

}  // namespace imbrino
