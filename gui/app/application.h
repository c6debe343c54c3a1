#pragma once
// The program's life: one copy at a time, the splash, the editing template
// from the settings, the main window, and what is remembered at the end.

#include <optional>

#include "platform/instance_lock.h"

namespace imbrino {

class Prompts;

// The instance lock, or nothing after telling the user that a copy (or the
// updater) is already running.
std::optional<InstanceLock> takeInstanceLock(Prompts& prompts);

// main() of the desktop program.
int runImbrino(int argc, char** argv);

}  // namespace imbrino
