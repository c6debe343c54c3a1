#pragma once
// The program's name as every window caption and message box shows it. The
// three trailing blanks part it from the file path the main window appends.

#include <array>
#include <string_view>

namespace imbrino {

inline constexpr std::string_view kProgramTitle = "Imbrino 3.7   ";

// The version the updater compares against the one a manifest announces.
inline constexpr std::array<int, 4> kBuiltInVersion = {3, 7, 0, 0};

}  // namespace imbrino
