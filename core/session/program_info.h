#pragma once
// The program's name as every window caption and message box shows it. The
// three trailing blanks part it from the file path the main window appends.

#include <string_view>

#include "build_config.h"

namespace imbrino {

inline constexpr std::string_view kProgramTitle = "Imbrino " IMBRINO_VERSION_SHORT "   ";

}  // namespace imbrino
