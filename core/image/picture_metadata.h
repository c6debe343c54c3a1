#pragma once
// How the EXIF record and the ICC profile of PictureMetadata are laid out in
// the markers of a JPEG file, shared by its reader and writer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "image/codecs.h"

namespace imbrino {

// An APP1 marker holding EXIF data starts with this, the TIFF block follows.
inline constexpr std::array<std::uint8_t, 6> kJpegExifHeader = {'E', 'x', 'i', 'f', 0, 0};
// A marker holds at most 65533 bytes, so the TIFF block at most this many.
inline constexpr std::size_t kMaxJpegExifSize = 65533 - kJpegExifHeader.size();

// An ICC profile is spread over APP2 markers, each starting "ICC_PROFILE\0",
// its sequence number (from 1) and the number of markers (at most 255).
inline constexpr std::size_t kIccMarkerHeaderSize = 14;
inline constexpr std::size_t kIccMarkerDataSize = 65533 - kIccMarkerHeaderSize;
inline constexpr std::size_t kMaxIccMarkers = 255;

// Whether an APP1 payload holds EXIF data.
bool isJpegExifPayload(ByteView app1Payload);

// The APP2 payloads that carry `profile`, in order; none when the profile is
// empty or needs more than 255 markers.
std::vector<Bytes> iccMarkerPayloads(ByteView profile);

// Puts a profile back together from a file's APP2 payloads, in sequence order
// (payloads of other kinds are passed over). Empty when the file holds no
// profile or its pieces do not fit together: one missing or given twice, the
// counts differing, a sequence number of 0 or past the count.
Bytes joinIccMarkerPayloads(std::span<const ByteView> app2Payloads);

// The colour space a profile's header names ("RGB ", "GRAY", "CMYK", ...);
// empty for bytes too short to hold a profile header.
std::string_view iccColourSpace(ByteView profile);

}  // namespace imbrino
