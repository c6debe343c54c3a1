#include "session/editing_template.h"

#include <filesystem>

#include "image/image_types.h"
#include "settings/ini_file.h"
#include "template/template_file.h"

namespace imbrino {

void resetEditingTemplate(Template& document) {
  clearObjects(document);
  initDefaultBackground(document.background);
}

void loadStartupTemplate(EditingTemplate& editing, const SettingsFile& settings) {
  editing.path.clear();
  const auto fileName = settings.readSetting("EditTemplate", "FileName");
  if (!fileName) return;
  if (readTemplateFile(*fileName, editing.document)) {
    editing.path = *fileName;
  } else {
    resetEditingTemplate(editing.document);
  }
}

void storeEditingTemplate(EditingTemplate& editing, const SettingsFile& settings) {
  clearObjects(editing.document);
  if (!editing.path.empty()) (void)settings.writeSetting("EditTemplate", "FileName", editing.path);
}

void reloadEditingTemplate(EditingTemplate& editing) {
  if (editing.path.empty()) return;
  // A file gone or damaged since it was saved leaves the template in memory,
  // not what the reader could make of the file.
  if (auto read = readTemplate(editing.path)) editing.document = std::move(*read);
}

bool loadCommandLineTemplate(EditingTemplate& editing, const std::string& templatePath) {
  if (readTemplateFile(templatePath, editing.document)) {
    // Remembered for the next start, which may run in another folder.
    std::error_code error;
    const auto absolute = std::filesystem::absolute(templatePath, error);
    editing.path = error ? templatePath : absolute.lexically_normal().string();
    return true;
  }
  if (editing.path.empty() || !readTemplateFile(editing.path, editing.document))
    resetEditingTemplate(editing.document);
  return false;
}

std::optional<std::string> pathFromCommandLine(std::string_view commandLine) {
  if (commandLine.empty()) return std::nullopt;
  std::string path(commandLine);
  if (path.front() == '"') {
    if (path.size() < 2) return std::nullopt;
    path = path.substr(1, path.size() - 2);
  }
  return path;
}

std::optional<std::string> templatePathFromCommandLine(std::string_view commandLine) {
  // As long as a setting, counted the same way.
  if (!fitsWidth(commandLine, kMaxSettingLength)) return std::nullopt;
  auto path = pathFromCommandLine(commandLine);
  if (!path || fileExtension(*path) != ".src") return std::nullopt;
  return path;
}

}  // namespace imbrino
