#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/test_support.h"

namespace imbrino {
namespace {

TEST(FileIo, AtomicWriteReplacesKeepsModeAndLeavesNoTemporary) {
  test::TempFolder folder;
  const std::string path = folder.file("out.bin");
  const Bytes first{1, 2, 3};
  ASSERT_TRUE(writeFileAtomically(path, first));
  ::chmod(path.c_str(), 0640);
  const Bytes second{9, 8};
  ASSERT_TRUE(writeFileAtomically(path, second));
  EXPECT_EQ(readFileBytes(path).value(), second);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(FileIo, FailedWriteReportsAndKeepsNothing) {
  test::TempFolder folder;
  const std::string missingFolder = folder.file("no/such/folder/out.bin");
  const Status status = writeFileAtomically(missingFolder, Bytes{1});
  EXPECT_FALSE(status);
  EXPECT_NE(status.reason().find("no/such/folder"), std::string::npos);

  // A folder in the way of the target is refused, and stays a folder.
  std::filesystem::create_directory(folder.file("taken"));
  EXPECT_FALSE(writeFileAtomically(folder.file("taken"), Bytes{1}));
  EXPECT_TRUE(std::filesystem::is_directory(folder.file("taken")));
}

TEST(FileIo, ReadRefusesMissingFoldersAndOversizedFiles) {
  test::TempFolder folder;
  EXPECT_FALSE(readFileBytes(folder.file("missing")));
  EXPECT_FALSE(readFileBytes(folder.path().string()));
  ASSERT_TRUE(writeFileAtomically(folder.file("ten"), Bytes(10, 7)));
  EXPECT_FALSE(readFileBytes(folder.file("ten"), 9));
  EXPECT_EQ(readFileBytes(folder.file("ten"), 10)->size(), 10u);
}

}  // namespace
}  // namespace imbrino
