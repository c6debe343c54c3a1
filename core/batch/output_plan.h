#pragma once
// Where every result of a batch run goes, worked out before anything is
// written, so that no result replaces another one and no row reads a file
// another row is writing. The batch window and the command line ask their
// questions from the same plan the run then follows.
//
// Paths are compared as the file system sees them: relative paths, "." and
// "..", folder links and a link at the file itself are resolved, so two names
// of one file are one output. Letter case counts ("x.JPG" and "x.jpg" are two
// files).

#include <string>
#include <vector>

namespace imbrino {

// Where a picture's result goes: the output folder and the picture's file
// name; nothing ("") when no folder is given.
std::string outputPathFor(const std::string& outputFolder, const std::string& picturePath);

// "x.jpg" with number 2 is "x (2).jpg"; "x" is "x (2)".
std::string numberedFileName(const std::string& fileName, int number);

struct OutputPlan {
  // Per row: the file its result is written to; "" when no folder is given.
  // A name without a picture extension keeps its own output: it is never
  // written, so it takes no name from another row.
  std::vector<std::string> outputs;
  // Per row: the output got a numbered name because another row keeps the
  // picture's own name.
  std::vector<bool> renamed;
  // Per row: the output is a listed picture, which the result replaces.
  std::vector<bool> replacesListed;
  // Per row: the rows before it that read the file it writes. It writes only
  // after they have read.
  std::vector<std::vector<int>> readersBefore;

  // The listed pictures the run would replace.
  int replacedCount() const;
};

// The rules, for rows that share an output file:
// - When that file is a listed picture, it is only ever replaced by its own
//   stamped copy: the last row listing it keeps the name (every other row
//   reading it comes before it). Should a later row read it under another
//   name (a link elsewhere), no row keeps the name.
// - Otherwise the first row keeps the name.
// Every other row gets the first numbered name ("x (2).jpg", "x (3).jpg", …)
// that is no listed picture, no row's own output and no name given before.
// Files of earlier runs in the folder are no obstacle: they are replaced.
OutputPlan planOutputs(const std::vector<std::string>& files, const std::string& outputFolder);

}  // namespace imbrino
