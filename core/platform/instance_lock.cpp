#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace imbrino {

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::string instanceLockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
    return runtime;
  std::string folder = "/tmp/imbrino-" + std::to_string(::getuid());
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

std::optional<InstanceLock> acquireInstanceLock(std::string_view name, const std::string& folder) {
  const std::string path = folder + "/" + std::string(name);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return InstanceLock(-1);
  // flock locks belong to the open file description, so a second open() in
  // this very process conflicts too, as a second program would.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) return std::nullopt;
    return InstanceLock(-1);
  }
  return InstanceLock(fd);
}

}  // namespace imbrino
