#pragma once
// The subcommands of imbrino-cli. Each returns the process exit code.

#include <string>

namespace imbrino::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints a template (.src) or a picture file as JSON.
int runInfo(const std::string& path);

}  // namespace imbrino::cli
