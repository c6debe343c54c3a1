#pragma once
// Fields in a text object's content: "{name}", "{date}", "{序号:4}" … stand for
// facts of the picture being stamped and are replaced when it is stamped. The
// template stores them as typed; only the stamping expands them.

#include <string>
#include <string_view>
#include <vector>

namespace imbrino {

// What the fields of one picture stand for, already in their written form
// (UTF-8). Empty strings stay empty in the text.
struct PictureFields {
  std::string name;     // the file name without its extension
  std::string file;     // the file name
  std::string folder;   // the name of the folder holding it
  std::string date;     // YYYY-MM-DD, taken (EXIF) or else last modified
  std::string time;     // HH:MM, likewise
  std::string year;     // YYYY, likewise
  std::string camera;   // EXIF make and model
  long long index = 0;  // 1-based place in the run
  long long count = 0;  // pictures in the run
  long long width = 0;  // the upright picture's size
  long long height = 0;
};

// The fields a text may name. Each has an English and a Chinese name.
enum class TextField { Name, File, Folder, Date, Time, Year, Index, Count, Width, Height, Camera };

struct TextFieldName {
  TextField field;
  std::string_view english;
  std::string_view chinese;
};
// In the order the manual lists them.
const std::vector<TextFieldName>& textFieldNames();

// `text` (UTF-8) with every known field replaced: "{{" and "}}" stand for
// single braces, "{index:N}" pads the number with zeros to N digits (N up to
// 32), and anything else in braces — an unknown name, an unclosed brace —
// stays as written.
std::string expandTextFields(std::string_view text, const PictureFields& fields);

// The fields `text` names, each once, in the order they first appear, by
// their English names.
std::vector<std::string> textFieldsUsed(std::string_view text);

// Whether `text` names any field, so a template drawn without any can be
// drawn once for every picture.
bool hasTextFields(std::string_view text);

}  // namespace imbrino
