#pragma once
// Where the running program lies, and where its own files are found. A
// portable folder (and the build tree) keeps everything beside the program;
// an installed layout has the program in bin/ and its manual and pictures in
// share/imbrino/.

#include <string>

namespace imbrino {

// The folder of the running executable, ending with a slash ("/opt/imbrino/").
// Empty when the kernel cannot tell.
std::string programDirectory();

struct ProgramLayout {
  // The folder holding the manual and "ButtonPic", ending with a slash.
  std::string dataFolder;
  // Installed the usual way ("/usr/bin/Imbrino" with "/usr/share/imbrino/"):
  // the package manager updates such a program, the updater does not.
  bool installed = false;
};

// The layout around a program in `programFolder` (ending with a slash). The
// data lies beside the program when the manual or "ButtonPic" is there, else
// in ../share/imbrino/ when it is there; with neither, beside the program, so
// that a missing manual is reported where a portable copy would keep it.
ProgramLayout programLayoutAt(const std::string& programFolder);

}  // namespace imbrino
