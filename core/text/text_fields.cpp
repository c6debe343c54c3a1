#include "text/text_fields.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace imbrino {
namespace {

// The longest padding "{index:N}" takes; more is a typing slip, kept as written.
constexpr int kMaxPadding = 32;

struct FieldReference {
  TextField field;
  int padding = 0;  // 0: none
};

// "name" or "index:4" (without braces) as a field; nothing when it names none.
std::optional<FieldReference> parseReference(std::string_view inside) {
  int padding = 0;
  if (const auto colon = inside.find(':'); colon != std::string_view::npos) {
    const std::string_view digits = inside.substr(colon + 1);
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), padding);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() ||
        padding < 1 || padding > kMaxPadding)
      return std::nullopt;
    inside = inside.substr(0, colon);
  }
  for (const TextFieldName& name : textFieldNames()) {
    if (inside != name.english && inside != name.chinese) continue;
    const bool numeric = name.field == TextField::Index || name.field == TextField::Count ||
                         name.field == TextField::Width || name.field == TextField::Height;
    if (padding != 0 && !numeric) return std::nullopt;
    return FieldReference{name.field, padding};
  }
  return std::nullopt;
}

std::string padded(long long number, int digits) {
  std::string text = std::to_string(number < 0 ? -number : number);
  if (static_cast<int>(text.size()) < digits)
    text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  return number < 0 ? "-" + text : text;
}

std::string valueOf(const FieldReference& reference, const PictureFields& fields) {
  switch (reference.field) {
    case TextField::Name:
      return fields.name;
    case TextField::File:
      return fields.file;
    case TextField::Folder:
      return fields.folder;
    case TextField::Date:
      return fields.date;
    case TextField::Time:
      return fields.time;
    case TextField::Year:
      return fields.year;
    case TextField::Camera:
      return fields.camera;
    case TextField::Index:
      return padded(fields.index, reference.padding);
    case TextField::Count:
      return padded(fields.count, reference.padding);
    case TextField::Width:
      return padded(fields.width, reference.padding);
    case TextField::Height:
      return padded(fields.height, reference.padding);
  }
  return {};
}

// Walks `text`, handing each literal piece and each field reference to the
// callbacks in order.
template <typename Literal, typename Field>
void scanFields(std::string_view text, Literal&& literal, Field&& field) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
      literal(text.substr(i, 1));
      i += 2;
      continue;
    }
    if (c == '{') {
      const std::size_t close = text.find('}', i + 1);
      if (close != std::string_view::npos) {
        const std::string_view inside = text.substr(i + 1, close - i - 1);
        // A brace inside starts a reference of its own: "{a{name}" keeps "{a".
        if (inside.find('{') == std::string_view::npos) {
          if (const auto reference = parseReference(inside)) {
            field(*reference);
            i = close + 1;
            continue;
          }
        }
      }
    }
    literal(text.substr(i, 1));
    ++i;
  }
}

}  // namespace

const std::vector<TextFieldName>& textFieldNames() {
  static const std::vector<TextFieldName> names = {
      {TextField::Name, "name", "文件名"},     {TextField::File, "file", "文件"},
      {TextField::Folder, "folder", "文件夹"}, {TextField::Date, "date", "日期"},
      {TextField::Time, "time", "时间"},       {TextField::Year, "year", "年份"},
      {TextField::Index, "index", "序号"},     {TextField::Count, "count", "总数"},
      {TextField::Width, "width", "宽度"},     {TextField::Height, "height", "高度"},
      {TextField::Camera, "camera", "相机"},
  };
  return names;
}

std::string expandTextFields(std::string_view text, const PictureFields& fields) {
  std::string expanded;
  expanded.reserve(text.size());
  scanFields(
      text, [&](std::string_view piece) { expanded += piece; },
      [&](const FieldReference& reference) { expanded += valueOf(reference, fields); });
  return expanded;
}

std::vector<std::string> textFieldsUsed(std::string_view text) {
  std::vector<std::string> used;
  scanFields(
      text, [](std::string_view) {},
      [&](const FieldReference& reference) {
        for (const TextFieldName& name : textFieldNames()) {
          if (name.field != reference.field) continue;
          const std::string english(name.english);
          if (std::find(used.begin(), used.end(), english) == used.end()) used.push_back(english);
        }
      });
  return used;
}

bool hasTextFields(std::string_view text) {
  return !textFieldsUsed(text).empty();
}

}  // namespace imbrino
