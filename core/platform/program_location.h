#pragma once
// Where the running program lies: its settings (for a portable install), its
// manual and its pictures are found beside it.

#include <string>

namespace imbrino {

// The folder of the running executable, ending with a slash ("/opt/imbrino/").
// Empty when the kernel cannot tell.
std::string programDirectory();

}  // namespace imbrino
