#pragma once
// A program context for window tests: scripted answers, a settings file and
// pictures in a temporary folder.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "shared/app_context.h"
#include "gui/support/scripted_prompts.h"

namespace imbrino::test {

class AppFixture {
 public:
  AppFixture();

  QString file(const QString& name) const { return folder.filePath(name); }
  // Writes a picture of the given size (any supported extension).
  QString writePicture(const QString& name, int width, int height) const;
  // Writes a template with a background of the given size and colour.
  QString writeTemplate(const QString& name, int width, int height, ColorRef colour) const;

  QTemporaryDir folder;
  ScriptedPrompts prompts;
  EditingTemplate editing;
  PictureState picture;
  AppContext context;
};

// Runs `action` on the next modal dialog once it is open (for dialogs a
// command opens with exec()).
void whenDialogOpens(std::function<void(QWidget* dialog)> action);

// A file's bytes; empty when it cannot be read.
QByteArray bytesOf(const QString& path);

}  // namespace imbrino::test
