#pragma once
// One running copy at a time. The desktop program and the updater both take
// this lock for their whole life, so neither starts while the other works on
// the installation. It is an advisory lock on a file named after the lock in
// the user's runtime folder; the kernel drops it when the process ends, even
// after a crash, so a stale lock can never keep the program from starting.

#include <optional>
#include <string>
#include <string_view>

namespace imbrino {

inline constexpr std::string_view kInstanceLockName = "app_update_imbrino";

class InstanceLock {
 public:
  InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  ~InstanceLock();

 private:
  friend std::optional<InstanceLock> acquireInstanceLock(std::string_view, const std::string&);
  explicit InstanceLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// $XDG_RUNTIME_DIR when set, else a per-user folder in /tmp.
std::string instanceLockFolder();

// Takes the lock, or nothing when another holder has it. When the lock file
// cannot even be created the program still runs (a lock that cannot be
// taken must not lock the user out), and the result holds no lock.
std::optional<InstanceLock> acquireInstanceLock(std::string_view name = kInstanceLockName,
                                                const std::string& folder = instanceLockFolder());

}  // namespace imbrino
