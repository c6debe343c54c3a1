#pragma once
// The updater's pieces below `runUpdate`: reading a manifest into the plan of
// what changes, the paths a manifest may name, and the file operations that
// stay inside a folder whatever links stand in it.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/expected.h"
#include "settings/ini_file.h"
#include "update/integrity.h"
#include "update/updater.h"

namespace imbrino {

// Longer lists than this are not a real update but a hostile or damaged manifest.
inline constexpr int kMaxManifestListCount = 10000;

// A path from a manifest ("\sub\file" or "/sub/file") as "/sub/file", or
// nothing when it could lead anywhere but below its folder: no leading
// separator, an empty part (so "\\server" and a bare "\"), a "." or ".." part,
// a drive or stream colon, a control character (NUL, CR, ...). A folder may
// end with a separator; a file may not.
std::optional<std::string> manifestRelativePath(std::string_view value, bool isFolder);

// The four version keys of section "Version", each converted as settings are;
// nothing when one is missing.
std::optional<ProgramVersion> manifestVersion(const IniDocument& manifest);

// Manifest text from a file's bytes: a UTF-8 byte order mark is dropped.
IniDocument parseManifest(std::string_view bytes);

struct InstallPlan {
  struct File {
    std::string url;
    std::string destination;  // "/sub/file"
    std::optional<Sha256> sha256;
  };
  std::vector<std::string> newFolders;  // made in the work folder, then in the installation
  std::vector<File> files;              // downloaded, then copied in this order
  std::vector<std::string> deletedFiles;
  std::vector<std::string> deletedFolders;
};

enum class PlanProblem {
  NoFileList,  // no "AddFilesLen"
  Invalid,     // a missing entry, a path that leaves its folder, a count too large,
               // a malformed hash, or a file without one when hashes are required
};

// Every list of the manifest, every path checked, before anything changes.
std::variant<InstallPlan, PlanProblem> readInstallPlan(const IniDocument& manifest,
                                                       bool requireHashes);

// Whether `path` lies in `folder` (both made absolute and their links
// resolved, as far as they exist); `folder` itself counts as inside.
bool staysInside(const std::string& folder, const std::string& path);

// Copies `source` over `target` through a temporary file beside the target,
// flushed and renamed, so the target is always either the old or the whole
// new file. A link at `target` that leads inside `folder` is written through;
// one that leads out of it is replaced by the file. The target's folder must
// be inside `folder`. A replaced file keeps its permissions; a new one that
// is a program (ELF, or "#!") is made executable. A failure's reason is what
// the user is told: why the file cannot be written (no permission, a
// read-only disk, a folder leading out, ...).
Status installFile(const std::string& source, const std::string& target, const std::string& folder);

}  // namespace imbrino
