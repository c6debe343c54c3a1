#include "settings/settings_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/file_io.h"
#include "settings/ini_file.h"

namespace imbrino {
namespace {

// Settings are a few hundred bytes; anything past this is not ours to parse.
constexpr std::uint64_t kMaxSettingsBytes = 1 << 20;

enum class ReadResult { Read, Missing, Unreadable };

ReadResult readDocument(const std::string& path, IniDocument& doc) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? ReadResult::Unreadable : ReadResult::Missing;
  auto bytes = readFileBytes(path, kMaxSettingsBytes);
  if (!bytes) return ReadResult::Unreadable;
  doc = IniDocument::parse(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  return ReadResult::Read;
}

}  // namespace

std::optional<std::string> SettingsFile::readSetting(std::string_view section,
                                                     std::string_view key) const {
  IniDocument doc;
  if (readDocument(path_, doc) != ReadResult::Read) return std::nullopt;
  return doc.value(section, key);
}

std::optional<int> SettingsFile::readNumber(std::string_view section, std::string_view key) const {
  auto text = readSetting(section, key);
  if (!text) return std::nullopt;
  return leadingNumber(*text);
}

bool SettingsFile::writeSetting(std::string_view section, std::string_view key,
                                std::string_view value) const {
  // A value too wide would read back cut short, a broken path; the value
  // stored before is better than that.
  if (!fitsWidth(value, kMaxSettingLength)) return false;
  IniDocument doc;
  if (readDocument(path_, doc) == ReadResult::Unreadable) return false;
  doc.setValue(section, key, value);

  const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  const std::string text = doc.serialize();
  return writeFileAtomically(
             path_, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()))
      .ok();
}

bool SettingsFile::writeNumber(std::string_view section, std::string_view key, int value) const {
  return writeSetting(section, key, std::to_string(value));
}

std::string settingsFilePath(const std::string& programDirectory) {
  if (!programDirectory.empty() && ::access(programDirectory.c_str(), W_OK) == 0)
    return programDirectory + std::string(kSettingsFileName);

  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/imbrino/" + std::string(kSettingsFileName);
}

}  // namespace imbrino
