#pragma once
// The program's pictures (icon, splash, donation button) are compiled into
// the gui library; a static library's resources must be registered by hand
// before the first window asks for one.

namespace imbrino {

// Safe to call more than once.
void loadProgramResources();

}  // namespace imbrino
