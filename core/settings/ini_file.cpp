#include "settings/ini_file.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace imbrino {
namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

IniDocument IniDocument::parse(std::string_view text) {
  IniDocument doc;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    Line line;
    const std::string_view t = trim(raw);
    const std::size_t close = t.find(']');
    if (!t.empty() && t.front() == '[' && close != std::string_view::npos) {
      line.kind = Line::Kind::Section;
      line.text = std::string(trim(t.substr(1, close - 1)));
    } else if (const std::size_t eq = t.find('=');
               eq != std::string_view::npos && eq > 0 && t.front() != ';') {
      line.kind = Line::Kind::Entry;
      line.key = std::string(trim(t.substr(0, eq)));
      line.value = std::string(trim(t.substr(eq + 1)));
    } else {
      line.text = std::string(raw);
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::size_t IniDocument::findSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::Kind::Section && sameName(lines_[i].text, section)) return i;
  return std::string::npos;
}

std::size_t IniDocument::findEntry(std::size_t sectionLine, std::string_view key) const {
  for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
    if (lines_[i].kind == Line::Kind::Section) break;
    if (lines_[i].kind == Line::Kind::Entry && sameName(lines_[i].key, key)) return i;
  }
  return std::string::npos;
}

namespace {
// Bytes in the UTF-8 character that starts with `lead`; a stray or invalid
// byte stands alone.
std::size_t characterLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC0) return 2;
  return 1;
}
}  // namespace

std::string_view cutToWidth(std::string_view utf8, std::size_t width) {
  std::size_t used = 0;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t charWidth = lead < 0x80 ? 1 : 2;
    if (used + charWidth > width) break;
    used += charWidth;
    at += std::min(characterLength(lead), utf8.size() - at);
  }
  return utf8.substr(0, at);
}

bool fitsWidth(std::string_view utf8, std::size_t width) {
  return cutToWidth(utf8, width).size() == utf8.size();
}

std::optional<std::string> IniDocument::value(std::string_view section,
                                              std::string_view key) const {
  const std::size_t s = findSection(section);
  if (s == std::string::npos) return std::nullopt;
  const std::size_t e = findEntry(s, key);
  if (e == std::string::npos || lines_[e].value.empty()) return std::nullopt;
  return std::string(cutToWidth(lines_[e].value, kMaxSettingLength));
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> found;
  const std::size_t s = findSection(section);
  if (s == std::string::npos) return found;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i)
    if (lines_[i].kind == Line::Kind::Entry)
      found.emplace_back(lines_[i].key,
                         std::string(cutToWidth(lines_[i].value, kMaxSettingLength)));
  return found;
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value) {
  // A value is one line: a line break inside it would start a new entry.
  std::string clean(trim(value));
  std::replace_if(
      clean.begin(), clean.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');

  Line entry;
  entry.kind = Line::Kind::Entry;
  entry.key = std::string(trim(key));
  entry.value = std::move(clean);

  std::size_t s = findSection(section);
  if (s == std::string::npos) {
    Line header;
    header.kind = Line::Kind::Section;
    header.text = std::string(trim(section));
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
    return;
  }
  const std::size_t e = findEntry(s, key);
  if (e != std::string::npos) {
    lines_[e].value = std::move(entry.value);
    return;
  }
  // After the section's last entry, before any blank or comment lines that
  // separate it from the next section.
  std::size_t insertAt = s + 1;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Line::Kind::Section; ++i)
    if (lines_[i].kind == Line::Kind::Entry) insertAt = i + 1;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

std::string IniDocument::serialize() const {
  std::string out;
  for (const Line& line : lines_) {
    switch (line.kind) {
      case Line::Kind::Section:
        out += '[' + line.text + ']';
        break;
      case Line::Kind::Entry:
        out += line.key + '=' + line.value;
        break;
      case Line::Kind::Other:
        out += line.text;
        break;
    }
    out += '\n';
  }
  return out;
}

int leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (isBlank(text[i]) || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1)
      magnitude = static_cast<long long>(INT_MAX) + 1;
  }
  const long long v = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

}  // namespace imbrino
