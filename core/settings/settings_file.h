#pragma once
// "SetupInfor.ini", the program's settings. Every read and write is a separate
// trip to the file (it is never held open), so two windows writing their own
// keys never overwrite each other's, and a hand edit between two writes stays.

#include <optional>
#include <string>
#include <string_view>

namespace imbrino {

inline constexpr std::string_view kSettingsFileName = "SetupInfor.ini";

class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // Absent when the file, the section or the key is missing, or the value is
  // empty. A missing file is not created by reading.
  std::optional<std::string> readSetting(std::string_view section, std::string_view key) const;

  // The value converted by leading digits ("12px" = 12, "abc" = 0); absent as above.
  std::optional<int> readNumber(std::string_view section, std::string_view key) const;

  // Writes one value, creating the folder, the file and the section as needed,
  // by atomic replace. False when the file could not be written, or exists but
  // could not be read (writing then would lose its other values), and when the
  // value is wider than a read gives back: nothing is written then.
  bool writeSetting(std::string_view section, std::string_view key, std::string_view value) const;
  bool writeNumber(std::string_view section, std::string_view key, int value) const;

 private:
  std::string path_;
};

// Where the settings live: beside the program when its folder is writable (a
// portable install), otherwise $XDG_CONFIG_HOME/imbrino/ (~/.config/imbrino/).
// `programDirectory` ends with a slash.
std::string settingsFilePath(const std::string& programDirectory);

}  // namespace imbrino
