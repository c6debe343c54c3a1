#include "batch/batch_list.h"

#include <cstdio>

namespace imbrino {

std::string fileSizeText(std::uint64_t bytes) {
  char text[64];
  if (bytes < 1024)
    std::snprintf(text, sizeof text, "%d Byte", static_cast<int>(bytes));
  else if (bytes < 1048576)
    std::snprintf(text, sizeof text, "%.2f KB", static_cast<double>(bytes) / 1024.0);
  else
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / 1048576.0);
  return text;
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
