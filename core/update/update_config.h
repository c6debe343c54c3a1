#pragma once
// What this build was configured with for updates: where the manifest lies
// and which key, if any, it must be signed with.

#include <optional>
#include <string>
#include <string_view>

#include "update/updater.h"

namespace imbrino {

// The manifest's path on the update host.
inline constexpr std::string_view kManifestPath = "/software/IMB/Update.ini";

// `host` + the manifest's path, with no doubled slash between them.
std::string manifestUrlOnHost(std::string_view host);

// The manifest address: IMBRINO_UPDATE_URL from the environment when it is
// set and not empty (tests, mirrors), else the build's host.
std::string configuredManifestUrl();

// The build's key, when it was given one.
UpdateTrust configuredUpdateTrust();

}  // namespace imbrino
