#include "update/update_config.h"

#include <cstdlib>

#include "build_config.h"
#include "update/integrity.h"

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

UpdateTrust configuredUpdateTrust() {
  // CMake refuses a key that is not 64 hexadecimal digits, so an empty value
  // is the only one that gives no key here.
  return UpdateTrust{parseHex32(IMBRINO_UPDATE_PUBLIC_KEY)};
}

}  // namespace imbrino
