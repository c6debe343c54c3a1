#pragma once
// `--report-json`: one JSON object per picture, a line each (JSON Lines),
// written and flushed as each picture ends, so a run killed half-way leaves
// a report of everything it finished. The fields are listed in the README.

#include <cstdio>
#include <string>

#include "batch/batch_engine.h"

namespace imbrino::cli {

class JsonLinesReport {
 public:
  JsonLinesReport() = default;
  JsonLinesReport(const JsonLinesReport&) = delete;
  JsonLinesReport& operator=(const JsonLinesReport&) = delete;
  ~JsonLinesReport();

  // Creates (or empties) the file; false with the reason reported.
  bool open(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }

  // `listIndex` is the picture's 1-based place in the list as given, before
  // a shard was taken of it.
  void write(const FileReport& report, long long listIndex);
  // A picture the run never reached (it was stopped).
  void writeNotProcessed(const std::string& input, const std::string& output, long long listIndex);
  // False when any line could not be written.
  bool close();

 private:
  void writeLine(const std::string& line);

  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace imbrino::cli
