// Any bytes as an update manifest, and as the updater's command line, give a
// plan or a refusal, never a crash, in bounded time. Every path a plan holds
// stays below its folder, and a command line that is accepted is written
// back the same way by the desktop program's side.
#include <cstdlib>
#include <string_view>
#include <variant>

#include "update/install_plan.h"

namespace {

bool staysBelow(const std::string& path) {
  return !path.empty() && path.front() == '/' && path.find("/../") == std::string::npos &&
         path.find(':') == std::string::npos && path.find('\\') == std::string::npos &&
         !(path.size() >= 3 && path.compare(path.size() - 3, 3, "/..") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const IniDocument manifest = parseManifest(bytes);
  (void)manifestVersion(manifest);
  for (bool requireHashes : {false, true}) {
    const auto plan = readInstallPlan(manifest, requireHashes);
    if (const auto* accepted = std::get_if<InstallPlan>(&plan)) {
      for (const auto& file : accepted->files) {
        if (!staysBelow(file.destination)) std::abort();
        if (requireHashes && !file.sha256) std::abort();
      }
      for (const auto* list :
           {&accepted->newFolders, &accepted->deletedFiles, &accepted->deletedFolders})
        for (const std::string& path : *list)
          if (!staysBelow(path)) std::abort();
    }
  }

  if (const auto arguments = parseUpdaterCommandLine(bytes)) {
    for (std::int32_t part : arguments->version.parts)
      if (part < 0) std::abort();
    if (arguments->manifestUrl.empty()) std::abort();
    const auto again =
        parseUpdaterCommandLine(updaterCommandLine(arguments->version, arguments->manifestUrl));
    if (!again || again->version != arguments->version ||
        again->manifestUrl != arguments->manifestUrl)
      std::abort();
  }
  return 0;
}
