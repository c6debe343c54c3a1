#pragma once
// Runs imbrino-cli as a user does, from a shell, and collects what it prints.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace imbrino {

struct CliRun {
  int exitCode = -1;
  std::string out;
};

// With `withErrors`, standard error is collected into `out` as well.
inline CliRun runCli(const std::string& arguments, bool withErrors = false) {
  const std::string command =
      std::string(IMBRINO_CLI) + " " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
  CliRun run;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    run.out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace imbrino
