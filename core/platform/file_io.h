#pragma once
// Whole-file reading and the one way the program writes files: to a temporary
// name beside the target, renamed over it only once complete and flushed, so a
// failed write never leaves a damaged or half-written file behind.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expected.h"

namespace imbrino {

// Reads a whole file. Refuses files larger than `maxBytes` without reading them.
Expected<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                  std::uint64_t maxBytes = std::uint64_t{1} << 31);

// Writes `bytes` to `path` atomically. An existing file keeps its permissions;
// on failure it is left untouched and no temporary file remains. When `path`
// is a symbolic link, the file it points to is replaced and the link stays.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

// Makes `path` a folder, with any missing parents. Fails when something else
// stands there or a folder cannot be made.
Status makeFolders(const std::string& path);

// The longest name of one file (the part between slashes), in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// `name` cut, never inside a UTF-8 character, so that `room` more bytes still
// fit in one file name: the temporary name beside a file with a long name
// must be a valid name too.
std::string nameLeavingRoom(std::string_view name, std::size_t room);

// The reason of the last failed system call, for messages ("No such file or directory").
std::string systemErrorText(int errorNumber);

}  // namespace imbrino
