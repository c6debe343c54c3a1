#pragma once
// The texts a run ends with: the summary question and the detailed report.
// Both are the program's own words, so they must come out exactly so.

#include <string>
#include <vector>

namespace imbrino {

// A saved picture whose result got a numbered name, since another row kept
// the picture's own.
struct RenamedOutput {
  std::string picture;
  std::string output;
  friend bool operator==(const RenamedOutput&, const RenamedOutput&) = default;
};

// Where each file of a run ended up, in the order files were sorted.
struct BatchLists {
  std::vector<std::string> savedFiles;
  std::vector<std::string> failedFiles;
  std::vector<std::string> pendingFiles;
  std::vector<RenamedOutput> renamedFiles;  // among the saved ones
  // Left alone since their outputs were already done (BatchJob::skipExisting);
  // the windows never skip, and the report does not list them.
  std::vector<std::string> skippedFiles;
};

// The report: the total, then the saved, failed and pending sections, always
// in that order, each under a ruler of 95 underscores; CR LF line ends; a
// blank line after each failed path only. Renamed results add a last section
// ("picture -> output" per line); without any the section is left out.
std::string composeReport(const std::vector<std::string>& failedFiles,
                          const std::vector<std::string>& savedFiles,
                          const std::vector<std::string>& pendingFiles,
                          const std::vector<RenamedOutput>& renamedFiles = {});
std::string composeReport(const BatchLists& lists);

// The summary shown when a run ends: the row count of the run and the three
// list sizes, then the question whether to show the report (the last line).
std::string batchSummaryText(int rowCount, const BatchLists& lists);

// The summary's last line, for callers that offer the report another way.
inline constexpr const char* kSummaryQuestion = "是否要查看详细报告?";

// An error icon when any file failed, a question icon otherwise.
enum class SummaryIcon { Question, Error };
SummaryIcon batchSummaryIcon(const BatchLists& lists);

}  // namespace imbrino
