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

TEST(UpdaterFolders, TheWorkFolderIsInTheTemporaryFolder) {
  test::TempFolder root;
  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("TMPDIR", (root.path().string() + "//").c_str(), 1);
  EXPECT_EQ(updaterWorkFolder("/opt/imbrino"), root.path().string() + "/UpwrightDir");
  ::setenv("TMPDIR", root.file("missing").c_str(), 1);
  EXPECT_EQ(updaterWorkFolder("/opt/imbrino"), "/tmp/UpwrightDir");
  if (saved)
    ::setenv("TMPDIR", savedValue.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

TEST(UpdaterFolders, AWorkFolderPlantedAsALinkIsReplacedNotUsed) {
  test::TempFolder root;
  const std::string outside = root.file("outside");
  const std::string install = root.file("install");
  fs::create_directories(outside);
  fs::create_directories(install);
  writeText(outside + "/a", "precious");
  const std::string work = root.file("UpwrightDir");
  fs::create_symlink(outside, work);

  test::FakeDownloader downloader;
  test::RecordingUi ui;
  const std::string url = "https://u/Update.ini";
  downloader.served[url] =
      "[Version]\nVersion1=9\nVersion2=0\nVersion3=0\nVersion4=0\n"
      "[AddFiles]\nAddFilesLen=1\nAddFilesSrc1=https://u/a\nAddFilesDest1=\\a\n";
  downloader.served["https://u/a"] = "new";
  EXPECT_EQ(runUpdate({kBuiltInVersion, url}, install, work, downloader, ui), 0);
  EXPECT_EQ(readText(outside + "/a"), "precious");
  EXPECT_FALSE(fs::exists(outside + "/Update.ini"));
  EXPECT_EQ(readText(install + "/a"), "new");
  EXPECT_FALSE(fs::exists(fs::symlink_status(work)));
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
      "AddFilesSrc2=u2\nAddFilesDest2=\\a\\y\nAddFilesSha2562=" + std::string(64, 'A') + "\n"
      "[DelFiles]\nDelFilesLen=-4\nDelFiles1=\\gone\n"
      "[DelDirs]\nDelDirsLen=2\nDelDirs2=\\old\nDelDirs2=\\ignored\n");
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
  EXPECT_EQ(std::get<PlanProblem>(readInstallPlan(parseManifest("[AddFiles]\nAddFilesLen=\n"), false)),
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
