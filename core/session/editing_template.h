#pragma once
// The template the program works on: edited by the template editor, stamped by
// the main window, used by a batch unless it is given another file. It lives
// for the whole run; `path` names the file it was read from or last saved to,
// empty while it exists only in memory.

#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_file.h"
#include "template/template_document.h"

namespace imbrino {

struct EditingTemplate {
  Template document;
  std::string path;
};

// Start-up: the file named by [EditTemplate] FileName, silently falling back to
// the default 250 x 250 white template (and no path) when the key is absent or
// the file cannot be read.
void loadStartupTemplate(EditingTemplate& editing, const SettingsFile& settings);

// Exit: empties the object lists and remembers the path for the next start.
// With no path nothing is written, so the path of an earlier run stays.
void storeEditingTemplate(EditingTemplate& editing, const SettingsFile& settings);

// After the editor closes: the file at `path` is what the user last saved, so
// it is read again (dropping unsaved edits). Failure leaves what is there.
void reloadEditingTemplate(EditingTemplate& editing);

// A template named on the command line. On success it becomes the editing
// template, its path made absolute, and true is returned (the editor opens next); on failure the
// editing template is reread from its own path, or reset to the default.
bool loadCommandLineTemplate(EditingTemplate& editing, const std::string& templatePath);

// Resets to the default background with no objects.
void resetEditingTemplate(Template& document);

// The path a command line names: the line itself, or without the double
// quotes around it. Nothing for an empty line or a lone quote.
std::optional<std::string> pathFromCommandLine(std::string_view commandLine);

// The path of a template on a command line: at most kMaxSettingLength wide (as
// settings count them), a leading double quote dropped with the last
// character, and only a ".src" file (any case). Anything else gives nothing.
std::optional<std::string> templatePathFromCommandLine(std::string_view commandLine);

}  // namespace imbrino
