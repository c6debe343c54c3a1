#pragma once
// Versions named by how they stand to this build's own, so that no test
// changes when the project's version does.

#include <cstddef>
#include <string>

#include "update/updater.h"

namespace imbrino::test {

// This build's version with one of its first three parts one higher and the
// parts after it 0: newerVersion(1) after 3.7.0.0 is 3.8.0.0.
inline ProgramVersion newerVersion(std::size_t part) {
  ProgramVersion version = kBuiltInVersion;
  ++version.parts[part];
  for (std::size_t i = part + 1; i < version.parts.size(); ++i) version.parts[i] = 0;
  return version;
}

// This build's version with only the fourth part higher, which counts as the same.
inline ProgramVersion sameVersionLaterBuild() {
  ProgramVersion version = kBuiltInVersion;
  version.parts[3] += 9;
  return version;
}

// A version below this build's: one of the first three parts one lower and
// the parts after it 99; by default the last non-zero one, which gives the
// version just below (3.6.99.0 before 3.7.0.0).
inline ProgramVersion olderVersion(int part = -1) {
  ProgramVersion version = kBuiltInVersion;
  if (part < 0)
    for (part = 2; part > 0 && version.parts[static_cast<std::size_t>(part)] == 0;) --part;
  --version.parts[static_cast<std::size_t>(part)];
  for (auto i = static_cast<std::size_t>(part) + 1; i < 3; ++i) version.parts[i] = 99;
  version.parts[3] = 0;
  return version;
}

// "3.7.0.0"
inline std::string versionText(const ProgramVersion& version) {
  std::string text;
  for (std::size_t i = 0; i < version.parts.size(); ++i)
    text += (i > 0 ? "." : "") + std::to_string(version.parts[i]);
  return text;
}

// A manifest's "[Version]" section, one "VersionN=" line for each of the
// first `parts` parts.
inline std::string versionSection(const ProgramVersion& version, std::size_t parts = 4) {
  std::string text = "[Version]\n";
  for (std::size_t i = 0; i < parts; ++i)
    text += "Version" + std::to_string(i + 1) + "=" + std::to_string(version.parts[i]) + "\n";
  return text;
}

}  // namespace imbrino::test
