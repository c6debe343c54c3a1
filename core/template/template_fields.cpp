#include "template/template_fields.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "platform/gbk.h"

namespace imbrino {
namespace {

std::vector<std::string> fieldsOfTexts(const Template& document) {
  std::vector<std::string> used;
  for (const TextObject& text : document.textObjects)
    for (std::string& field : textFieldsUsed(gbkToUtf8(text.textBytes())))
      if (std::find(used.begin(), used.end(), field) == used.end()) used.push_back(field);
  return used;
}

bool needsFacts(const std::vector<std::string>& used) {
  return std::any_of(used.begin(), used.end(), [](const std::string& field) {
    return field == "date" || field == "time" || field == "year" || field == "camera";
  });
}

std::optional<TakenTime> lastChangeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  std::tm local{};
  const std::time_t seconds = info.st_mtim.tv_sec;
  if (!::localtime_r(&seconds, &local)) return std::nullopt;
  return TakenTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min};
}

std::string formatted(const char* pattern, int a, int b = 0, int c = 0) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

}  // namespace

std::vector<std::string> templateFieldsUsed(const Template& document) {
  return fieldsOfTexts(document);
}

bool templateUsesFields(const Template& document) {
  return !fieldsOfTexts(document).empty();
}

bool templateNeedsPictureOrigin(const Template& document) {
  return needsFacts(fieldsOfTexts(document));
}

PictureFields pictureFieldsFor(const std::string& path, const PictureOrigin& facts, int width,
                               int height, PicturePlace place) {
  PictureFields fields;
  const std::filesystem::path file(path);
  fields.file = file.filename().string();
  fields.name = file.stem().string();
  fields.folder = file.parent_path().filename().string();
  fields.index = place.index;
  fields.count = place.count;
  fields.width = width;
  fields.height = height;
  fields.camera = facts.camera;
  const std::optional<TakenTime> when = facts.taken ? facts.taken : lastChangeOf(path);
  if (when) {
    fields.date = formatted("%04d-%02d-%02d", when->year, when->month, when->day);
    fields.time = formatted("%02d:%02d", when->hour, when->minute);
    fields.year = formatted("%04d", when->year);
  }
  return fields;
}

}  // namespace imbrino
