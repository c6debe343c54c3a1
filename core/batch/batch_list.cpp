#include "batch/batch_list.h"

#include <charconv>

namespace imbrino {

namespace {

// Two decimals with a point whatever the process's locale: the desktop
// program runs under the user's, where printf would write "1,50".
std::string twoDecimals(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr;
  return std::string(text, end);
}

}  // namespace

std::string fileSizeText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " Byte";
  if (bytes < 1048576) return twoDecimals(static_cast<double>(bytes) / 1024.0) + " KB";
  return twoDecimals(static_cast<double>(bytes) / 1048576.0) + " MB";
}

DuplicateRule::Decision DuplicateRule::decide(bool listed) const {
  if (!listed || sticky_ == Sticky::YesToAll) return Decision::Add;
  if (sticky_ == Sticky::NoToAll) return Decision::Skip;
  return Decision::Ask;
}

bool DuplicateRule::answer(DuplicateAnswer given) {
  switch (given) {
    case DuplicateAnswer::Yes:
      return true;
    case DuplicateAnswer::YesToAll:
      sticky_ = Sticky::YesToAll;
      return true;
    case DuplicateAnswer::NoToAll:
      sticky_ = Sticky::NoToAll;
      return false;
    case DuplicateAnswer::No:
      break;
  }
  return false;
}

}  // namespace imbrino
