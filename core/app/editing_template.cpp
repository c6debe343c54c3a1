#include "app/editing_template.h"

#include "image/image_types.h"
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
  (void)readTemplateFile(editing.path, editing.document);
}

bool loadCommandLineTemplate(EditingTemplate& editing, const std::string& templatePath) {
  if (readTemplateFile(templatePath, editing.document)) {
    editing.path = templatePath;
    return true;
  }
  if (editing.path.empty() || !readTemplateFile(editing.path, editing.document))
    resetEditingTemplate(editing.document);
  return false;
}

std::optional<std::string> templatePathFromCommandLine(std::string_view commandLine) {
  constexpr std::size_t kMaxCommandLine = 259;
  if (commandLine.empty() || commandLine.size() > kMaxCommandLine) return std::nullopt;
  std::string path(commandLine);
  if (path.front() == '"') {
    if (path.size() < 2) return std::nullopt;
    path = path.substr(1, path.size() - 2);
  }
  if (fileExtension(path) != ".src") return std::nullopt;
  return path;
}

}  // namespace imbrino
