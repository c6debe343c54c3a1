#pragma once
// Everything a window asks the user, or hands to the desktop, goes through
// this interface: message boxes, file, folder and colour dialogs, the screen
// colour picker and opening pages and documents. The program uses QtPrompts;
// tests script the answers and read back what was asked.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "graphics/colour.h"

class QWidget;

namespace imbrino {

enum class MessageIcon { None, Error, Warning, Information, Question };
// YesNoDefaultNo: yes and no with no as the default button, for a question
// whose yes cannot be taken back.
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoDefaultNo, YesNoCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Retry };

// One entry of a file dialog's type list: the label as shown and its patterns.
struct FileFilter {
  QString label;
  QStringList patterns;  // "*.bmp"
  friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Reads a filter list written as label|patterns|label|patterns...|| with
// patterns separated by ";" (the form the program's filter texts are kept in).
std::vector<FileFilter> parseFilterList(const QString& text);

class Prompts {
 public:
  virtual ~Prompts() = default;

  // A message box. `owner` may be null (a box of its own on the task bar).
  virtual MessageAnswer message(QWidget* owner, const QString& caption, const QString& text,
                                MessageIcon icon, MessageButtons buttons) = 0;

  // An existing file to open; nothing when cancelled.
  virtual std::optional<QString> openFileName(QWidget* owner, const QString& title,
                                              const std::vector<FileFilter>& filters) = 0;
  // Several existing files to open; empty when cancelled.
  virtual QStringList openFileNames(QWidget* owner, const QString& title,
                                    const std::vector<FileFilter>& filters) = 0;
  // A file to write. `confirmOverwrite` false: the caller replaces without asking.
  virtual std::optional<QString> saveFileName(QWidget* owner, const QString& title,
                                              const std::vector<FileFilter>& filters,
                                              bool confirmOverwrite) = 0;
  virtual std::optional<QString> folderName(QWidget* owner, const QString& title) = 0;

  // The colour dialog with `initial` chosen; nothing when cancelled.
  virtual std::optional<ColorRef> chooseColour(QWidget* owner, ColorRef initial) = 0;
  // The screen eyedropper: always returns a colour.
  virtual ColorRef pickColour() = 0;

  // Hands a web address or a local document to the desktop. False when the
  // desktop could not open it.
  virtual bool openUrl(const QString& address) = 0;
};

}  // namespace imbrino
