#pragma once
// The settings file format: Windows-style INI text. Sections in square
// brackets, one "key=value" per line, names compared without regard to case,
// values trimmed and cut to 259 characters (counted in the Chinese code
// page's widths), an empty value the same as none.
// Lines this reader does not understand are kept as they stand, so a file
// edited by hand loses nothing when the program writes one value into it.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace imbrino {

// Longest value a read gives back: the 260-byte buffer of the original
// settings calls, less its terminating zero. That buffer held the Chinese
// code page, so the length is counted in its widths (settingWidth), not in
// UTF-8 bytes: a Chinese path fits exactly as long a path as it always did.
inline constexpr std::size_t kMaxSettingLength = 259;

// Widths of UTF-8 text in the Chinese code page: one for each ASCII
// character, two for any other. `cutToWidth` gives the longest front of
// `utf8` no wider than `width`, never ending inside a character.
std::string_view cutToWidth(std::string_view utf8, std::size_t width);
bool fitsWidth(std::string_view utf8, std::size_t width);

class IniDocument {
 public:
  IniDocument() = default;
  // Never fails: every line is either a section, a key, or kept as text.
  static IniDocument parse(std::string_view text);

  // The value of `key` in `section`, trimmed and cut to kMaxSettingLength wide;
  // absent when the section or key is missing or the value is empty.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;

  // Every entry of `section` in file order, each value as value() gives it
  // (an empty value stays empty here). One pass over the file, for readers of
  // many keys: value() looks each key up from the top.
  std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

  // Sets `key` in `section`, appending the section and the key when missing.
  // The first of duplicate keys is the one read and written.
  void setValue(std::string_view section, std::string_view key, std::string_view value);

  std::string serialize() const;

 private:
  struct Line {
    enum class Kind { Other, Section, Entry } kind = Kind::Other;
    std::string text;   // the whole line as read (Other), or the section name
    std::string key;    // Entry only
    std::string value;  // Entry only
  };
  // Index of the section's header line, or npos.
  std::size_t findSection(std::string_view section) const;
  std::size_t findEntry(std::size_t sectionLine, std::string_view key) const;

  std::vector<Line> lines_;
};

// Decimal conversion that stops at the first non-digit, as the settings have
// always been read: optional blanks, an optional sign, then digits. "12px"
// is 12, "abc" is 0. Values beyond the int range are clamped.
int leadingNumber(std::string_view text);

}  // namespace imbrino
