#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <variant>

#include "core/update/update_support.h"
#include "support/test_support.h"
#include "update/install_plan.h"
#include "update/updater.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::snapshot;
using test::writeText;

TEST(UpdaterFolders, DeletingATreeRemovesLinksAsLinks) {
  test::TempFolder root;
  const std::string outside = root.file("outside");
  const std::string tree = root.file("tree");
  fs::create_directories(outside + "/deep");
  writeText(outside + "/deep/keep", "keep");
  fs::create_directories(tree + "/a/b/c");
  writeText(tree + "/a/b/c/file", "x");
  writeText(tree + "/top", "y");
  fs::create_symlink(outside, tree + "/a/to-folder");
  fs::create_symlink(outside + "/deep/keep", tree + "/a/b/to-file");
  fs::create_symlink(root.file("nowhere"), tree + "/dangling");
  const auto outsideBefore = snapshot(outside);

  EXPECT_TRUE(deleteFolderTree(tree + "/"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
  EXPECT_EQ(snapshot(outside), outsideBefore);

  // A link named as the folder is removed itself; nothing it leads to is.
  fs::create_symlink(outside, root.file("link"));
  EXPECT_TRUE(deleteFolderTree(root.file("link")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(root.file("link"))));
  EXPECT_EQ(snapshot(outside), outsideBefore);

  EXPECT_FALSE(deleteFolderTree(root.file("missing")));
  EXPECT_FALSE(deleteFolderTree(outside + "/deep/keep"));  // a file is not a folder
  EXPECT_FALSE(deleteFolderTree("/"));
  EXPECT_FALSE(deleteFolderTree(""));
}

TEST(UpdaterFolders, DeletingStopsAtTheFirstFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may delete from a read-only folder";
  test::TempFolder root;
  const std::string tree = root.file("tree");
  fs::create_directories(tree + "/locked");
  writeText(tree + "/locked/file", "x");
  ::chmod((tree + "/locked").c_str(), 0555);
  EXPECT_FALSE(deleteFolderTree(tree));
  ::chmod((tree + "/locked").c_str(), 0755);
  EXPECT_TRUE(fs::exists(tree + "/locked/file"));
  EXPECT_TRUE(deleteFolderTree(tree));
}

TEST(UpdaterFolders, MakingAFolderPathMakesEachMissingPart) {
  test::TempFolder root;
  createFolderPath(root.file("a/b/c"));
  createFolderPath(root.file("a/x/"));
  EXPECT_TRUE(fs::is_directory(root.file("a/b/c")));
  EXPECT_TRUE(fs::is_directory(root.file("a/x")));
  writeText(root.file("file"), "f");
  createFolderPath(root.file("file/sub"));  // fails unreported
  EXPECT_EQ(readText(root.file("file")), "f");
}

TEST(UpdaterFolders, ThePrivateFolderIsTheUsersOwnAndNothingPlantedThere) {
  test::TempFolder root;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedRuntime = runtime ? runtime : "";
  ::setenv("XDG_CACHE_HOME", root.file("cache").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", root.file("run").c_str(), 1);
  fs::create_directories(root.file("run"));
  const std::string cache = root.file("cache/imbrino");
  auto mode = [](const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0u;
  };
  // Made, or closed to others when it was open; a link there is passed by, untouched.
  EXPECT_EQ(userPrivateFolder(), cache);
  ::chmod(cache.c_str(), 0755);
  EXPECT_EQ(userPrivateFolder(), cache);
  EXPECT_EQ(mode(cache), 0700u);
  fs::remove(cache);
  fs::create_symlink(root.file("run"), cache);
  EXPECT_EQ(userPrivateFolder(), root.file("run/imbrino"));
  EXPECT_EQ(mode(root.file("run/imbrino")), 0700u);
  EXPECT_TRUE(fs::is_symlink(cache));
  ::unsetenv("XDG_CACHE_HOME");
  if (runtime)
    ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(UpdaterFolders, LargeFilesAreCopiedWhole) {
  test::TempFolder root;
  std::string big(2 * 1024 * 1024 + 600 * 1024 + 17, '\0');  // pieces of 1 MiB and a rest
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  writeText(root.file("source"), big);
  fs::create_directories(root.file("install"));
  writeText(root.file("install/target"), "old");
  ASSERT_TRUE(installFile(root.file("source"), root.file("install/target"), root.file("install")));
  EXPECT_TRUE(readText(root.file("install/target")) == big);
  EXPECT_EQ(std::distance(fs::directory_iterator(root.file("install")), fs::directory_iterator()),
            1);  // and no temporary file beside it
  // A target whose folder is outside is refused before anything is written.
  EXPECT_FALSE(installFile(root.file("source"), root.file("elsewhere"), root.file("install")));
  EXPECT_FALSE(fs::exists(root.file("elsewhere")));
}

TEST(InstallPlanTest, ListsEveryPartInManifestOrderSkippingMissingEntries) {
  const IniDocument manifest = parseManifest(
      "[NewDirs]\nNewDirsLen=3\nnewdirs3=/c\nNewDirs1=\\a\\\n"
      "[AddFiles]\nAddFilesLen=2\nAddFilesSrc1=u1\nAddFilesDest1=\\x\n"
      "AddFilesSrc2=u2\nAddFilesDest2=\\a\\y\nAddFilesSha2562=" +
      std::string(64, 'A') +
      "\n"
      "[DelFiles]\nDelFilesLen=-4\nDelFiles1=\\gone\n"
      "[DelDirs]\nDelDirsLen=2\nDelDirs2=\\old\\\nDelDirs2=\\ignored\n");
  auto read = readInstallPlan(manifest, false);
  ASSERT_TRUE(std::holds_alternative<InstallPlan>(read));
  const InstallPlan& plan = std::get<InstallPlan>(read);
  EXPECT_EQ(plan.newFolders, (std::vector<std::string>{"/a", "/c"}));
  ASSERT_EQ(plan.files.size(), 2u);
  EXPECT_EQ(plan.files[0].url, "u1");
  EXPECT_EQ(plan.files[0].destination, "/x");
  EXPECT_FALSE(plan.files[0].sha256);
  EXPECT_EQ(plan.files[1].destination, "/a/y");
  ASSERT_TRUE(plan.files[1].sha256);
  EXPECT_EQ((*plan.files[1].sha256)[0], 0xAA);
  EXPECT_TRUE(plan.deletedFiles.empty());  // a negative count is an empty list
  EXPECT_EQ(plan.deletedFolders, std::vector<std::string>{"/old"});

  EXPECT_EQ(std::get<PlanProblem>(readInstallPlan(manifest, true)), PlanProblem::Invalid);
  EXPECT_EQ(
      std::get<PlanProblem>(readInstallPlan(parseManifest("[AddFiles]\nAddFilesLen=\n"), false)),
      PlanProblem::NoFileList);
  // The largest count a real update could have is read; one more is not.
  std::string many = "[AddFiles]\nAddFilesLen=10000\n";
  for (int i = 1; i <= 10000; ++i)
    many += "AddFilesSrc" + std::to_string(i) + "=u\nAddFilesDest" + std::to_string(i) + "=\\f" +
            std::to_string(i) + "\n";
  const auto manyRead = readInstallPlan(parseManifest(many), false);
  ASSERT_TRUE(std::holds_alternative<InstallPlan>(manyRead));
  EXPECT_EQ(std::get<InstallPlan>(manyRead).files.size(), 10000u);
  many.replace(many.find("10000"), 5, "10001");
  EXPECT_EQ(std::get<PlanProblem>(readInstallPlan(parseManifest(many), false)),
            PlanProblem::Invalid);
}

}  // namespace
}  // namespace imbrino
