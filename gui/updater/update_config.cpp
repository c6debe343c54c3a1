#include "updater/update_config.h"

#include <cstdlib>

#include "build_config.h"

namespace imbrino {

std::string manifestUrlOnHost(std::string_view host) {
  while (!host.empty() && host.back() == '/') host.remove_suffix(1);
  return std::string(host) + std::string(kManifestPath);
}

std::string configuredManifestUrl() {
  const char* overridden = std::getenv("IMBRINO_UPDATE_URL");
  if (overridden != nullptr && *overridden != '\0') return overridden;
  return manifestUrlOnHost(IMBRINO_UPDATE_HOST_URL);
}

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::array<std::uint8_t, 32>> parsePublicKeyHex(std::string_view hex) {
  std::array<std::uint8_t, 32> key{};
  if (hex.size() != key.size() * 2) return std::nullopt;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const int high = hexDigit(hex[2 * i]), low = hexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return key;
}

UpdateTrust configuredUpdateTrust() {
  // CMake refuses a key that is not 64 hexadecimal digits, so an empty value
  // is the only one that gives no key here.
  return UpdateTrust{parsePublicKeyHex(IMBRINO_UPDATE_PUBLIC_KEY)};
}

}  // namespace imbrino
