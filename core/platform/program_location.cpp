#include "platform/program_location.h"

#include <filesystem>
#include <system_error>

namespace imbrino {

namespace {

// Whether `folder` holds the program's data: its manual or its button pictures.
bool holdsProgramData(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_regular_file(folder / "help.html", ec) ||
         std::filesystem::is_directory(folder / "ButtonPic", ec);
}

}  // namespace

std::string programDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return {};
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

ProgramLayout programLayoutAt(const std::string& programFolder) {
  ProgramLayout layout{programFolder, false};
  if (programFolder.empty() || holdsProgramData(programFolder)) return layout;
  // "/usr/bin/" gives "/usr/share/imbrino/", as messages should name it.
  const std::filesystem::path shared =
      (std::filesystem::path(programFolder) / "../share/imbrino/").lexically_normal();
  if (!holdsProgramData(shared)) return layout;
  layout.dataFolder = shared.string();
  if (layout.dataFolder.back() != '/') layout.dataFolder += '/';
  layout.installed = true;
  return layout;
}

}  // namespace imbrino
