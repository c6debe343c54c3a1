#include "image/picture_metadata.h"

#include <algorithm>
#include <cstring>

namespace imbrino {
namespace {

constexpr char kIccMarkerTag[] = "ICC_PROFILE";  // with its NUL: 12 bytes
constexpr std::size_t kIccProfileHeaderSize = 128;

bool isIccPayload(ByteView payload) {
  return payload.size() >= sizeof kIccMarkerTag &&
         std::memcmp(payload.data(), kIccMarkerTag, sizeof kIccMarkerTag) == 0;
}

}  // namespace

bool isJpegExifPayload(ByteView app1Payload) {
  return app1Payload.size() >= kJpegExifHeader.size() &&
         std::equal(kJpegExifHeader.begin(), kJpegExifHeader.end(), app1Payload.begin());
}

std::vector<Bytes> iccMarkerPayloads(ByteView profile) {
  const std::size_t count = (profile.size() + kIccMarkerDataSize - 1) / kIccMarkerDataSize;
  if (count == 0 || count > kMaxIccMarkers) return {};
  std::vector<Bytes> payloads(count);
  for (std::size_t i = 0; i < count; ++i) {
    const ByteView piece =
        profile.subspan(i * kIccMarkerDataSize,
                        std::min(kIccMarkerDataSize, profile.size() - i * kIccMarkerDataSize));
    Bytes& payload = payloads[i];
    payload.reserve(kIccMarkerHeaderSize + piece.size());
    payload.assign(kIccMarkerTag, kIccMarkerTag + sizeof kIccMarkerTag);
    payload.push_back(static_cast<std::uint8_t>(i + 1));
    payload.push_back(static_cast<std::uint8_t>(count));
    payload.insert(payload.end(), piece.begin(), piece.end());
  }
  return payloads;
}

Bytes joinIccMarkerPayloads(std::span<const ByteView> app2Payloads) {
  // Indexed by sequence number; a number is one byte.
  std::array<ByteView, 256> pieces{};
  std::array<bool, 256> seen{};
  unsigned count = 0;
  std::size_t size = 0;
  for (const ByteView payload : app2Payloads) {
    if (!isIccPayload(payload)) continue;
    if (payload.size() < kIccMarkerHeaderSize) return {};
    const unsigned sequence = payload[12], ofCount = payload[13];
    if (ofCount == 0 || sequence == 0 || sequence > ofCount) return {};
    if (count != 0 && ofCount != count) return {};
    if (seen[sequence]) return {};
    count = ofCount;
    seen[sequence] = true;
    pieces[sequence] = payload.subspan(kIccMarkerHeaderSize);
    size += pieces[sequence].size();
  }
  for (unsigned sequence = 1; sequence <= count; ++sequence)
    if (!seen[sequence]) return {};
  Bytes profile;
  profile.reserve(size);
  for (unsigned sequence = 1; sequence <= count; ++sequence)
    profile.insert(profile.end(), pieces[sequence].begin(), pieces[sequence].end());
  return profile;
}

std::string_view iccColourSpace(ByteView profile) {
  if (profile.size() < kIccProfileHeaderSize) return {};
  return {reinterpret_cast<const char*>(profile.data()) + 16, 4};
}

}  // namespace imbrino
