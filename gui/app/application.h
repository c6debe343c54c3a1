#pragma once
// The program's life: one copy at a time, the splash, the editing template
// from the settings, the main window, and what is remembered at the end.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/main_window.h"
#include "platform/instance_lock.h"

class QApplication;

namespace imbrino {

class Prompts;
struct AppContext;

// The windows the main window opens, as the program plugs them in: the batch
// dialog (Ctrl+P), over the editing template by default, the template editor,
// and the update check as the window opens.
MainWindowSeams programSeams(AppContext& context);

// The instance lock, or nothing after telling the user that a copy (or the
// updater) is already running.
std::optional<InstanceLock> takeInstanceLock(Prompts& prompts);

// The program once its application object is set up: one copy at a time, the
// splash, the settings of the program in `programFolder` (ending with a
// slash), the main window until it closes, and what is remembered at the end.
// Every question goes through `prompts`. Returns the exit code: 1 when
// another copy runs.
int runProgram(Prompts& prompts, const std::string& programFolder, const QString& commandLine);

// The arguments after the program's name as one command line, the way a path
// with blanks arrives whether or not the shell was asked to quote it.
QString commandLineOf(const QStringList& arguments);

// The program speaks Chinese whatever the desktop's language, so the
// toolkit's own buttons and dialogs ("是", "否", "取消") do too.
void loadChineseTranslations(QApplication& application);

// main() of the desktop program.
int runImbrino(int argc, char** argv);

}  // namespace imbrino
