#include "json_report.h"

#include <cerrno>
#include <cstring>
#include <nlohmann/json.hpp>

#include "cli_support.h"

namespace imbrino::cli {
namespace {

using nlohmann::json;

const char* statusName(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Saved:
      return "saved";
    case FileOutcome::Skipped:
      return "skipped";
    case FileOutcome::Failed:
      break;
  }
  return "failed";
}

json orNull(const std::string& text) {
  return text.empty() ? json(nullptr) : json(text);
}

}  // namespace

JsonLinesReport::~JsonLinesReport() {
  close();
}

bool JsonLinesReport::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    reportFailure("cannot write the JSON report: " + path + ": " + std::strerror(errno));
    return false;
  }
  return true;
}

void JsonLinesReport::write(const FileReport& report, long long listIndex) {
  const bool read = report.width > 0 && report.height > 0;
  json line = {
      {"index", listIndex},
      {"input", report.input},
      {"output", orNull(report.output)},
      {"status", statusName(report.outcome)},
      {"reason", orNull(report.reason)},
      {"width", read ? json(report.width) : json(nullptr)},
      {"height", read ? json(report.height) : json(nullptr)},
      {"bytes_in", report.bytesIn},
      {"bytes_out", report.bytesOut},
      {"milliseconds", static_cast<long long>(report.milliseconds + 0.5)},
      {"jpeg",
       report.jpeg ? json(*report.jpeg == JpegWriting::Keep ? "keep" : "reencode") : json(nullptr)},
  };
  // Paths are bytes; those that are not UTF-8 show U+FFFD where JSON cannot
  // hold them, and "index" still tells the picture.
  writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
}

void JsonLinesReport::writeNotProcessed(const std::string& input, const std::string& output,
                                        long long listIndex) {
  json line = {{"index", listIndex},        {"input", input},    {"output", orNull(output)},
               {"status", "not-processed"}, {"reason", nullptr}, {"width", nullptr},
               {"height", nullptr},         {"bytes_in", 0},     {"bytes_out", 0},
               {"milliseconds", 0},         {"jpeg", nullptr}};
  writeLine(line.dump(-1, ' ', false, json::error_handler_t::replace));
}

void JsonLinesReport::writeLine(const std::string& line) {
  if (file_ == nullptr) return;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() ||
      std::fputc('\n', file_) == EOF || std::fflush(file_) != 0)
    failed_ = true;
}

bool JsonLinesReport::close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

}  // namespace imbrino::cli
