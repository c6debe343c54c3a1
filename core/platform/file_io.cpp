#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/file_descriptor.h"

namespace imbrino {
namespace {

std::string directoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A name in the target's folder that no other writer, thread or process, picks.
std::string temporaryNameFor(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string suffix = ".imbrino-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + "-" +
                             std::to_string(tick % 1000000) + ".tmp";
  return folder + "." + nameLeavingRoom(name, suffix.size() + 1) + suffix;
}

// Where a write to `path` must land: a symbolic link is followed to its target
// (through any chain of links, each relative to its own folder), so replacing
// the file keeps the link a link. A link whose target does not exist yet names
// the file to create. A loop of links is reported as the system reports it.
Expected<std::string> resolveLinks(std::string path) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit on a chain of links
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return fail(path + ": " + systemErrorText(errno));
    target.resize(static_cast<std::size_t>(length));
    if (target.empty()) return fail(path + ": the symbolic link is empty");
    if (target.front() != '/') {
      const auto slash = path.find_last_of('/');
      if (slash != std::string::npos) target = path.substr(0, slash + 1) + target;
    }
    path = std::move(target);
  }
  return fail(path + ": " + systemErrorText(ELOOP));
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string nameLeavingRoom(std::string_view name, std::size_t room) {
  if (room >= kMaxFileNameBytes) return {};
  std::size_t keep = std::min(name.size(), kMaxFileNameBytes - room);
  // Back over continuation bytes (10xxxxxx) to the start of a character.
  if (keep < name.size())
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  return std::string(name.substr(0, keep));
}

std::string systemErrorText(int errorNumber) {
  return std::strerror(errorNumber);
}

Expected<std::vector<std::uint8_t>> readFileBytes(const std::string& path, std::uint64_t maxBytes) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return fail(path + ": " + systemErrorText(errno));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return fail(path + ": " + systemErrorText(errno));
  if (S_ISDIR(info.st_mode)) return fail(path + ": is a folder, not a file");
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
    return fail(path + ": the file is too large (" + std::to_string(info.st_size) + " bytes)");

  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    for (;;) {
      if (done == bytes.size()) {
        // The file may have grown since fstat, or report no size at all (a pipe).
        if (bytes.size() >= maxBytes) break;
        bytes.resize(std::min<std::uint64_t>(maxBytes, bytes.size() * 2 + 65536));
      }
      const ssize_t n = ::read(file.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(path + ": " + systemErrorText(errno));
      }
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
  } catch (const std::bad_alloc&) {
    return fail(path + ": not enough memory to read the file");
  }
  return bytes;
}

Status writeFileAtomically(const std::string& requestedPath, std::span<const std::uint8_t> bytes) {
  const auto resolved = resolveLinks(requestedPath);
  if (!resolved) return fail(resolved.reason());
  const std::string& path = *resolved;
  struct stat existing {};
  const bool replacing = ::stat(path.c_str(), &existing) == 0;
  if (replacing && S_ISDIR(existing.st_mode)) return fail(path + ": is a folder");

  const std::string temporary = temporaryNameFor(path);
  FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (file.get() < 0) {
    const int error = errno;
    return fail("cannot write to the folder " + directoryOf(path) + ": " + systemErrorText(error));
  }

  auto abandon = [&](int error) {
    ::unlink(temporary.c_str());
    return fail(path + ": " + systemErrorText(error));
  };
  if (!writeAll(file.get(), bytes)) return abandon(errno);
  if (replacing && ::fchmod(file.get(), existing.st_mode & 07777) != 0) return abandon(errno);
  if (::fdatasync(file.get()) != 0) return abandon(errno);
  if (!file.close()) return abandon(errno);
  if (::rename(temporary.c_str(), path.c_str()) != 0) return abandon(errno);
  return {};
}

Status makeFolders(const std::string& path) {
  if (path.empty()) return fail("no folder given");
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) return fail(path + ": " + error.message());
  // create_directories accepts a path that already names a folder, and says
  // nothing when a file stands there under a name ending in a slash.
  if (!std::filesystem::is_directory(path, error)) return fail(path + ": is not a folder");
  return {};
}

}  // namespace imbrino
