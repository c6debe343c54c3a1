// The program's version and the command line the desktop program hands the
// updater: "[3.7.0.0.] [address]".

#include <string>

#include "settings/ini_file.h"
#include "update/updater.h"

namespace imbrino {

bool isNewerVersion(const ProgramVersion& announced, const ProgramVersion& running) {
  for (std::size_t i = 0; i < 3; ++i)
    if (announced.parts[i] != running.parts[i]) return announced.parts[i] > running.parts[i];
  return false;
}

std::string updaterCommandLine(const ProgramVersion& version, std::string_view manifestUrl) {
  std::string line = "[";
  for (const std::int32_t part : version.parts) line += std::to_string(part) + ".";
  line += "] [";
  line += manifestUrl;
  line += "]";
  return line;
}

std::optional<UpdaterArguments> parseUpdaterCommandLine(std::string_view commandLine) {
  if (commandLine.empty()) return std::nullopt;
  const std::size_t open = commandLine.find('[');
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t close = commandLine.find(']', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  const std::string_view versionText = commandLine.substr(open + 1, close - open - 1);
  if (versionText.empty()) return std::nullopt;

  UpdaterArguments arguments;
  std::size_t at = 0;
  for (std::int32_t& part : arguments.version.parts) {
    const std::size_t dot = versionText.find('.', at);
    if (dot == std::string_view::npos) return std::nullopt;
    const int number = leadingNumber(versionText.substr(at, dot - at));
    if (number < 0) return std::nullopt;
    part = number;
    at = dot + 1;
  }

  // The address runs to the last "]", not the first: a loopback address
  // written "http://[::1]:8080/..." holds one of its own.
  const std::size_t addressOpen = commandLine.find('[', close + 1);
  if (addressOpen == std::string_view::npos) return std::nullopt;
  const std::size_t addressClose = commandLine.rfind(']');
  if (addressClose == std::string_view::npos || addressClose <= addressOpen) return std::nullopt;
  arguments.manifestUrl =
      std::string(commandLine.substr(addressOpen + 1, addressClose - addressOpen - 1));
  if (arguments.manifestUrl.empty()) return std::nullopt;
  return arguments;
}

}  // namespace imbrino
