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

// Every writer goes through here: saving through a link must change the file
// it points to and leave the link in place, whichever way the link is written.
TEST(FileIo, AtomicWriteThroughSymbolicLinksReplacesTheirTarget) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder.file("real"));
  struct Case {
    const char* link;
    std::string target;  // what the link holds
    const char* file;    // the file that must receive the bytes
  } cases[] = {
      {"relative.src", "real/a.src", "real/a.src"},
      {"absolute.src", folder.file("real/b.src"), "real/b.src"},
      {"chain.src", "relative.src", "real/a.src"},       // a link to a link
      {"dangling.png", "real/new.png", "real/new.png"},  // the target is made
      {"real/up.png", "../top.png", "top.png"},          // relative to the link's own folder
  };
  ASSERT_TRUE(writeFileAtomically(folder.file("real/a.src"), Bytes{0}));
  ASSERT_TRUE(writeFileAtomically(folder.file("real/b.src"), Bytes{0}));
  ASSERT_TRUE(writeFileAtomically(folder.file("top.png"), Bytes{0}));
  std::uint8_t value = 1;
  for (const Case& c : cases) {
    std::filesystem::create_symlink(c.target, folder.file(c.link));
    ASSERT_TRUE(writeFileAtomically(folder.file(c.link), Bytes{value})) << c.link;
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file(c.link))) << c.link;
    EXPECT_EQ(readFileBytes(folder.file(c.file)).value(), Bytes{value}) << c.link;
    ++value;
  }
  // A loop of links is refused and creates nothing.
  std::filesystem::create_symlink("loop-b", folder.file("loop-a"));
  std::filesystem::create_symlink("loop-a", folder.file("loop-b"));
  EXPECT_FALSE(writeFileAtomically(folder.file("loop-a"), Bytes{1}));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.file("loop-a")));
}

TEST(FileIo, MakeFoldersMakesParentsAndRefusesWhatIsNoFolder) {
  test::TempFolder folder;
  EXPECT_TRUE(makeFolders(folder.file("a/b/c")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.file("a/b/c")));
  EXPECT_TRUE(makeFolders(folder.file("a/b/c")));  // already there
  ASSERT_TRUE(writeFileAtomically(folder.file("file"), Bytes{1}));
  EXPECT_FALSE(makeFolders(folder.file("file")));
  EXPECT_FALSE(makeFolders(folder.file("file/")));
  EXPECT_FALSE(makeFolders(folder.file("file/below")));
  EXPECT_FALSE(makeFolders(""));
}

}  // namespace
}  // namespace imbrino
