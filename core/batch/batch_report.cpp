#include "batch/batch_report.h"

namespace imbrino {
namespace {

const std::string kRuler = std::string(95, '_') + "\r\n";

void appendSection(std::string& report, const char* heading, const std::vector<std::string>& paths,
                   const char* afterEachPath) {
  report += kRuler;
  report += heading + std::to_string(paths.size()) + "个\r\n\r\n";
  if (paths.empty()) return;
  report += "文件如下:\r\n";
  for (const std::string& path : paths) report += path + afterEachPath;
}

}  // namespace

std::string composeReport(const std::vector<std::string>& failedFiles,
                          const std::vector<std::string>& savedFiles,
                          const std::vector<std::string>& pendingFiles,
                          const std::vector<RenamedOutput>& renamedFiles) {
  const std::size_t total = failedFiles.size() + savedFiles.size() + pendingFiles.size();
  std::string report = "当前处理的总文件数为:" + std::to_string(total) + "\r\n\r\n";
  appendSection(report, "保存成功的文件有", savedFiles, "\r\n");
  report += "\r\n\r\n";
  appendSection(report, "保存时发生错误的文件有", failedFiles, "\r\n\r\n");
  report += "\r\n\r\n";
  appendSection(report, "尚未进行保存的文件有", pendingFiles, "\r\n");
  if (renamedFiles.empty()) return report;
  std::vector<std::string> renamed;
  for (const RenamedOutput& file : renamedFiles)
    renamed.push_back(file.picture + " -> " + file.output);
  report += "\r\n\r\n";
  appendSection(report, "因重名而改名保存的文件有", renamed, "\r\n");
  return report;
}

std::string composeReport(const BatchLists& lists) {
  return composeReport(lists.failedFiles, lists.savedFiles, lists.pendingFiles, lists.renamedFiles);
}

std::string batchSummaryText(int rowCount, const BatchLists& lists) {
  return "处理完成!\n\n当前处理的文件有" + std::to_string(rowCount) + "个\n\n\t保存成功的有" +
         std::to_string(lists.savedFiles.size()) + "个\n\n\t保存时发生错误的有" +
         std::to_string(lists.failedFiles.size()) + "个\n\n\t尚未进行保存处理的有" +
         std::to_string(lists.pendingFiles.size()) + "个\n\n" + kSummaryQuestion;
}

SummaryIcon batchSummaryIcon(const BatchLists& lists) {
  return lists.failedFiles.empty() ? SummaryIcon::Question : SummaryIcon::Error;
}

}  // namespace imbrino
