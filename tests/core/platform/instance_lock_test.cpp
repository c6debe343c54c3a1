#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"

namespace imbrino {
namespace {

TEST(InstanceLock, OneHolderAtATimeAndFreedWithTheHolder) {
  test::TempFolder folder;
  const std::string runtime = folder.path().string();
  {
    auto first = acquireInstanceLock(kInstanceLockName, runtime);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(acquireInstanceLock(kInstanceLockName, runtime).has_value());

    // Another process (the updater, or a second copy) is refused as well.
    const pid_t child = ::fork();
    if (child == 0) _exit(acquireInstanceLock(kInstanceLockName, runtime) ? 1 : 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // The file stays behind, but the lock went with its holder.
  EXPECT_TRUE(acquireInstanceLock(kInstanceLockName, runtime).has_value());
}

TEST(InstanceLock, AFolderWhereNoLockCanBeMadeDoesNotLockTheUserOut) {
  EXPECT_TRUE(acquireInstanceLock(kInstanceLockName, "/no/such/runtime/folder").has_value());
}

}  // namespace
}  // namespace imbrino
