#pragma once
// The updater's life: a moment for the desktop program to end, the instance
// lock it shares with that program, then its window until the run is over.

#include <QString>
#include <chrono>

#include "updater/updater_dialog.h"

namespace imbrino {

class Prompts;

// How long the updater gives the desktop program to end before it looks.
inline constexpr std::chrono::milliseconds kUpdaterStartDelay{1000};
// How long a worker still busy after the window ended (the user cancelled
// during a download) may take to stop before its next step.
inline constexpr std::chrono::milliseconds kUpdaterWorkerGrace{5000};

struct UpdaterOutcome {
  int exitCode = 0;
  // False when the worker was still busy as the window ended and was let go:
  // the process must then end without running the program's destructors.
  bool workerEnded = true;
};

// Once the application object is set up: waits `startDelay`, takes the
// instance lock (or refuses, telling the user, when `Imbrino` still runs),
// then runs the window over `run`. Exit code 0 after a completed update,
// 1 otherwise.
UpdaterOutcome runUpdaterProgram(Prompts& prompts, const QString& commandLine, UpdaterRun run,
                                 std::chrono::milliseconds startDelay = kUpdaterStartDelay);

// main() of the updater.
int runUpdater(int argc, char** argv);

}  // namespace imbrino
