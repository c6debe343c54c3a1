#pragma once
// The rules of the batch window's file list that need no window: the size
// text of a row and which added files go in when some are listed already.

#include <cstdint>
#include <string>

namespace imbrino {

// A file's size as the list shows it: "%d Byte" below 1024, "%.2f KB" below
// 1048576, "%.2f MB" from there on, always with a decimal point.
std::string fileSizeText(std::uint64_t bytes);

// The answers of the question asked about a file that is listed already, in
// the order the question returns them.
enum class DuplicateAnswer : int { Yes = 0, YesToAll = 1, No = 2, NoToAll = 3 };

// One round of adding files: a file not yet listed goes in; a listed one goes
// in or not by the question's answer, until an answer "for all" is given,
// which then holds for every further listed file of the round.
class DuplicateRule {
 public:
  enum class Decision { Add, Skip, Ask };

  // What to do with the next file, given whether it is listed already.
  Decision decide(bool listed) const;
  // The answer to the question about the current file; true when it goes in.
  bool answer(DuplicateAnswer given);

 private:
  enum class Sticky { Ask, YesToAll, NoToAll };
  Sticky sticky_ = Sticky::Ask;
};

}  // namespace imbrino
