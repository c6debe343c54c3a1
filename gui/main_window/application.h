#pragma once
// The program's life: one copy at a time, the splash, the editing template
// from the settings, the main window, and what is remembered at the end.

#include <QString>
#include <optional>
#include <string>

#include "main_window/main_window.h"
#include "platform/instance_lock.h"

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

// main() of the desktop program.
int runImbrino(int argc, char** argv);

}  // namespace imbrino
