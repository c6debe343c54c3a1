#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "core/update/update_support.h"
#include "support/test_support.h"
#include "support/test_versions.h"
#include "update/updater.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::snapshot;
using test::writeText;

const std::string kManifestUrl = "https://updates.test/software/IMB/Update.ini";
const std::string kDone = "message none 升级完成";
const std::string kInvalid = "message error 升级信息有误";
const std::string kFileFailed = "message error 文件下载失败";
// A version the updater installs: one newer in the second part.
const ProgramVersion kNewer = test::newerVersion(1);

// The manifest's "Version" section and an "AddFiles" list of `files`
// (destination, body), each served at its own address; `extra` is appended.
std::string manifestWith(test::FakeDownloader& downloader, const ProgramVersion& version,
                         const std::vector<std::pair<std::string, std::string>>& files,
                         const std::string& extra = "", bool withHashes = false) {
  std::string text = test::versionSection(version);
  text += "[AddFiles]\nAddFilesLen=" + std::to_string(files.size()) + "\n";
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    const std::string url = "https://updates.test/files/" + n;
    downloader.served[url] = files[i].second;
    text += "AddFilesSrc" + n + "=" + url + "\nAddFilesDest" + n + "=" + files[i].first + "\n";
    if (withHashes) text += "AddFilesSha256" + n + "=" + test::sha256Hex(files[i].second) + "\n";
  }
  return text + extra;
}

class UpdateRun : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(install + "/data");
    fs::create_directories(outside + "/folder");
    fs::create_directories(root.file("tmp"));
    writeText(install + "/Imbrino", "old program");
    writeText(install + "/data/old.txt", "old data");
    writeText(install + "/readme.txt", "read me");
    writeText(outside + "/victim", "precious");
    writeText(outside + "/folder/inner", "precious too");
    ::chmod((install + "/Imbrino").c_str(), 0755);
  }

  int run(const std::string& manifest, const UpdateTrust& trust = {},
          ProgramVersion running = kBuiltInVersion) {
    downloader.served[kManifestUrl] = manifest;
    installBefore = snapshot(install);
    outsideBefore = snapshot(outside);
    return runUpdate({running, kManifestUrl}, install, temp, downloader, ui, trust);
  }

  void expectNothingChanged() {
    EXPECT_EQ(snapshot(install), installBefore);
    EXPECT_EQ(snapshot(outside), outsideBefore);
    EXPECT_TRUE(fs::is_empty(temp)) << "the work folder is left behind";
  }

  test::TempFolder root;
  const std::string install = root.file("install");
  const std::string outside = root.file("outside");
  const std::string temp = root.file("tmp");
  test::FakeDownloader downloader;
  test::RecordingUi ui;
  std::map<std::string, std::string> installBefore, outsideBefore;
};

TEST_F(UpdateRun, InstallsInTheOrderDeleteFilesDeleteFoldersMakeFoldersCopy) {
  const std::string manifest = manifestWith(
      downloader, kNewer,
      {{"\\Imbrino", "new program"}, {"/plugins/new.dat", "new data"}, {"\\readme.txt", "new"}},
      "[NewDirs]\nNewDirsLen=2\nNewDirs1=\\plugins\nNewDirs2=\\empty\\deep\\\n"
      "[DelFiles]\nDelFilesLen=3\nDelFiles1=\\readme.txt\nDelFiles3=\\missing.txt\n"
      "[DelDirs]\nDelDirsLen=1\nDelDirs1=\\data\n");
  EXPECT_EQ(run(manifest), 0);

  EXPECT_EQ(ui.events, (std::vector<std::string>{"range 1 3", "position 0", "position 1",
                                                 "position 2", "position 3", "installing", kDone}));
  EXPECT_EQ(snapshot(install), (std::map<std::string, std::string>{{"Imbrino", "new program"},
                                                                   {"empty", "<folder>"},
                                                                   {"empty/deep", "<folder>"},
                                                                   {"plugins", "<folder>"},
                                                                   {"plugins/new.dat", "new data"},
                                                                   {"readme.txt", "new"}}));
  struct stat info {};
  ASSERT_EQ(::stat((install + "/Imbrino").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u) << "a replaced program stays executable";
  EXPECT_TRUE(fs::is_empty(temp));
  EXPECT_EQ(snapshot(outside), outsideBefore);
}

TEST_F(UpdateRun, RefusalsAndFailuresLeaveEverythingAsItWas) {
  const std::string addFiles1 = "[AddFiles]\nAddFilesLen=1\nAddFilesSrc1=https://u/1\n";
  struct Case {
    const char* name;
    std::string manifest;  // empty: built from the version and the files below
    ProgramVersion version;
    std::vector<std::pair<std::string, std::string>> files;
    std::string extra;
    std::vector<std::string> expected;
  };
  const std::vector<std::pair<std::string, std::string>> two = {{"\\a", "A"}, {"\\b", "B"}};
  const std::string same = "message none 当前版本已经是最新版本,无需升级";
  const std::string twoFolders = "[DelDirs]\nDelDirsLen=2\nDelDirs1=\\data\nDelDirs2=/../outside\n";
  const std::string badDigit = "AddFilesSha2561=" + std::string(63, 'a') + "g\n";
  const std::string wrongHash = "AddFilesSha2562=" + test::sha256Hex("something else") + "\n";
  // One case a line.
  // clang-format off
  const std::vector<Case> cases = {
      {"equal", "", test::sameVersionLaterBuild(), two, "", {same}},
      {"older", "", test::olderVersion(), two, "", {same}},
      {"missing Version4", test::versionSection(kNewer, 3), {}, {}, "", {kInvalid}},
      {"no file list", test::versionSection(kNewer) + "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\readme.txt\n", {}, {}, "", {"message warning 无升级信息"}},
      {"missing source", "", kNewer, two, "AddFilesLen=3\nAddFilesDest3=\\c\n", {kInvalid}},
      {"traversal destination", "", kNewer, {{"\\..\\outside\\victim", "evil"}}, "", {kInvalid}},
      {"traversal deletion", "", kNewer, two, "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\..\\outside\\victim\n", {kInvalid}},
      {"traversal folder deletion", "", kNewer, two, twoFolders, {kInvalid}},
      {"whole folder deletion", "", kNewer, two, "[DelDirs]\nDelDirsLen=1\nDelDirs1=\\.\n", {kInvalid}},
      {"traversal new folder", "", kNewer, two, "[NewDirs]\nNewDirsLen=1\nNewDirs1=\\..\\..\\made\n", {kInvalid}},
      {"absolute destination", "", kNewer, {{"\\\\" + outside + "/victim", "evil"}}, "", {kInvalid}},
      {"drive destination", "", kNewer, {{"C:\\victim", "evil"}}, "", {kInvalid}},
      {"drive inside destination", "", kNewer, {{"\\C:\\victim", "evil"}}, "", {kInvalid}},
      {"no leading separator", "", kNewer, {{"..\\outside\\victim", "evil"}}, "", {kInvalid}},
      {"malformed hash", "", kNewer, two, "AddFilesSha2561=abc\n", {kInvalid}},
      {"one bad low digit in a hash", "", kNewer, two, badDigit, {kInvalid}},
      {"wrong hash", "", kNewer, two, wrongHash, {kFileFailed}},
      {"huge file count", "", kNewer, two, "AddFilesLen=2000000000\n", {kInvalid}},
      {"huge deletion count", "", kNewer, two, "[DelFiles]\nDelFilesLen=2147483647\n", {kInvalid}},
      {"huge folder count", "", kNewer, two, "[NewDirs]\nNewDirsLen=99999999\n", {kInvalid}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui = {};
    downloader = {};
    std::string manifest = c.manifest;
    if (manifest.empty()) {
      manifest = manifestWith(downloader, c.version, c.files);
      if (c.extra.starts_with("["))
        manifest += c.extra;
      else  // keys of the AddFiles section, put first since the first of two keys counts
        manifest.insert(manifest.find("[AddFiles]\n") + 11, c.extra);
    }
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(run(manifest), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(ui.messages(), c.expected);
    expectNothingChanged();
  }
}

TEST_F(UpdateRun, AFailingThirdDownloadOfFiveInstallsNothing) {
  const std::string manifest =
      manifestWith(downloader, test::newerVersion(2),
                   {{"\\1", "1"}, {"\\2", "2"}, {"\\Imbrino", "new"}, {"\\4", "4"}, {"\\5", "5"}},
                   "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\readme.txt\n");
  downloader.failing.insert("https://updates.test/files/3");
  EXPECT_EQ(run(manifest), -1);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"range 1 5", "position 0", "position 1",
                                                 "position 2", kFileFailed}));
  expectNothingChanged();
  EXPECT_EQ(downloader.requested.size(), 4u);  // the manifest and three files
}

TEST_F(UpdateRun, AManifestThatCannotBeFetchedIsReported) {
  EXPECT_EQ(runUpdate({kBuiltInVersion, kManifestUrl}, install, temp, downloader, ui), -1);
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"message error 升级程序下载文件失败"});
  EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(UpdateRun, NoFilesButDeletionsStillDeletes) {
  const std::string manifest =
      manifestWith(downloader, kNewer, {}, "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\readme.txt\n");
  EXPECT_EQ(run(manifest), 0);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"range 1 0", "position 0", "installing", kDone}));
  EXPECT_FALSE(fs::exists(install + "/readme.txt"));
  EXPECT_EQ(downloader.requested.size(), 1u);
}

TEST_F(UpdateRun, LinksPlantedInTheInstallationLeadNowhereOutside) {
  fs::create_symlink(outside, install + "/linked-folder");
  fs::create_symlink(outside + "/victim", install + "/linked-file");
  fs::create_symlink(install + "/readme.txt", install + "/inner-link");
  const std::string manifest =
      manifestWith(downloader, kNewer,
                   {{"\\linked-folder\\victim", "evil"},
                    {"\\linked-file", "replaced"},
                    {"\\inner-link", "through the link"}},
                   "[NewDirs]\nNewDirsLen=1\nNewDirs1=\\linked-folder\\made\n"
                   "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\linked-folder\\victim\n"
                   "[DelDirs]\nDelDirsLen=1\nDelDirs1=\\linked-folder\\folder\n");
  ui.retryAnswers = {true};  // retrying cannot make the first copy go through the link
  EXPECT_EQ(run(manifest), -1);
  const std::string victim = install + "/linked-folder/victim";
  const std::string question =
      "retry 文件:" + victim + " 无法写入:它所在的文件夹链接到程序文件夹以外";
  EXPECT_EQ(ui.messages(),
            (std::vector<std::string>{question, question,
                                      "message error 升级未完成,2个文件无法替换或删除:\n" + victim +
                                          "\n" + install + "/linked-folder/folder"}));
  EXPECT_EQ(snapshot(outside), outsideBefore);
  // The outward link is replaced by the file; the inward one is written through.
  EXPECT_FALSE(fs::is_symlink(install + "/linked-file"));
  EXPECT_EQ(readText(install + "/linked-file"), "replaced");
  EXPECT_TRUE(fs::is_symlink(install + "/inner-link"));
  EXPECT_EQ(readText(install + "/readme.txt"), "through the link");
}

TEST_F(UpdateRun, AFolderLinkNamedForDeletionIsRemovedAsALink) {
  fs::create_symlink(outside, install + "/linked-folder");
  const std::string manifest =
      manifestWith(downloader, kNewer, {}, "[DelDirs]\nDelDirsLen=1\nDelDirs1=\\linked-folder\n");
  EXPECT_EQ(run(manifest), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(install + "/linked-folder")));
  EXPECT_EQ(snapshot(outside), outsideBefore);
}

TEST_F(UpdateRun, FilesThatCannotBeReplacedAreAskedAboutThenNamedAsAFailure) {
  // Seven targets held by folders of their name, one deletion that fails, and
  // a file that is replaced.
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 1; i <= 7; ++i) {
    fs::create_directories(install + "/busy" + std::to_string(i) + "/inner");
    files.push_back({"\\busy" + std::to_string(i), "new"});
  }
  files.push_back({"\\readme.txt", "new readme"});
  const std::string manifest =
      manifestWith(downloader, kNewer, files, "[DelFiles]\nDelFilesLen=1\nDelFiles1=\\data\n");
  ui.retryAnswers = {true, true, false};
  EXPECT_EQ(run(manifest), -1);
  const std::vector<std::string> shown = ui.messages();
  ASSERT_EQ(shown.size(), 3u + 6u + 1u);
  EXPECT_EQ(shown[0], "retry 文件:" + install + "/busy1 无法写入:同名的文件夹占着它的位置");
  EXPECT_EQ(shown[2], shown[0]);
  EXPECT_EQ(shown.back(), "message error 升级未完成,8个文件无法替换或删除:\n" + install +
                              "/data\n" + install + "/busy1\n" + install + "/busy2\n" + install +
                              "/busy3\n" + install + "/busy4\n……");
  EXPECT_EQ(readText(install + "/readme.txt"), "new readme");
  // Everything else as it was, with no temporary file beside the targets.
  auto after = snapshot(install);
  after["readme.txt"] = installBefore["readme.txt"];
  EXPECT_EQ(after, installBefore);
  EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(UpdateRun, CancellingBeforeTheInstallationLeavesItUntouched) {
  // After the first file, and after the last one as the installation would begin.
  for (const int cancelAfter : {2, 3}) {
    SCOPED_TRACE(cancelAfter);
    ui = {};
    downloader = {};
    const std::string manifest =
        manifestWith(downloader, kNewer, {{"\\Imbrino", "new"}, {"\\readme.txt", "new"}},
                     "[DelDirs]\nDelDirsLen=1\nDelDirs1=\\data\n");
    int downloads = 0;
    downloader.afterEachDownload = [&] { ui.cancel = ++downloads == cancelAfter; };
    EXPECT_EQ(run(manifest), -1);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{});
    EXPECT_EQ(downloads, cancelAfter);
    expectNothingChanged();
  }
}

TEST_F(UpdateRun, NewProgramsAreExecutableAndLongNamesInstall) {
  const mode_t savedMask = ::umask(022);
  const std::string longName(240, 'n');
  const std::string manifest = manifestWith(downloader, kNewer,
                                            {{"\\tool.sh", "#!/bin/sh\n"},
                                             {"\\helper", "\177ELF\2\1"},
                                             {"\\notes.txt", "#no"},
                                             {"\\" + longName, "long"}});
  EXPECT_EQ(run(manifest), 0);
  ::umask(savedMask);
  for (const auto& [name, mode] :
       {std::pair{"tool.sh", 0755u}, {"helper", 0755u}, {"notes.txt", 0644u}}) {
    struct stat info {};
    ASSERT_EQ(::stat((install + "/" + name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 0777, mode) << name;
  }
  EXPECT_EQ(readText(install + "/" + longName), "long");
  EXPECT_EQ(snapshot(install).size(), installBefore.size() + 4);  // and no temporary file
}

TEST_F(UpdateRun, TheTemporaryFolderHoldsOnlyItsOwnWorkFolderAndMustBePrivate) {
  // What another user left there is never used, followed or removed.
  fs::create_directories(temp + "/UpwrightDir");
  writeText(temp + "/UpwrightDir/theirs", "theirs");
  fs::create_symlink(outside, temp + "/update-aaaaaa");
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown((temp + "/UpwrightDir").c_str(), 65534, 65534), 0);
  }
  const auto tempBefore = snapshot(temp);
  EXPECT_EQ(run(manifestWith(downloader, kNewer, {{"\\Imbrino", "new"}})), 0);
  EXPECT_EQ(readText(install + "/Imbrino"), "new");
  EXPECT_EQ(snapshot(temp), tempBefore);
  EXPECT_EQ(snapshot(outside), outsideBefore);

  // A folder others may write in, or a link, is refused by the check and the run.
  fs::create_directories(root.file("open"));
  ::chmod(root.file("open").c_str(), 01777);
  fs::create_symlink(temp, root.file("link"));
  for (const std::string& folder : {root.file("open"), root.file("link") + "/"}) {
    SCOPED_TRACE(folder);
    ui = {};
    downloader.requested.clear();
    EXPECT_FALSE(checkForUpdate(downloader, folder, kManifestUrl, kBuiltInVersion));
    EXPECT_EQ(runUpdate({kBuiltInVersion, kManifestUrl}, install, folder, downloader, ui), -1);
    EXPECT_EQ(ui.messages(), std::vector<std::string>{"message error 升级程序下载文件失败"});
    EXPECT_TRUE(downloader.requested.empty());
  }
  EXPECT_TRUE(fs::is_empty(root.file("open")));
  EXPECT_EQ(snapshot(temp), tempBefore);
}

TEST_F(UpdateRun, WithAKeyOnlyASignedManifestWithHashesIsInstalled) {
  const test::SigningKey key = test::makeSigningKey(7);
  const UpdateTrust trust{key.publicKey};
  const std::vector<std::pair<std::string, std::string>> files = {{"\\Imbrino", "signed"}};
  struct Case {
    const char* name;
    bool hashes;
    int signature;  // 0 none, 1 good, 2 by another key, 3 of other text
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"good", true, 1, {kDone}},
      {"missing signature", true, 0, {kInvalid}},
      {"another key", true, 2, {kInvalid}},
      {"tampered manifest", true, 3, {kInvalid}},
      {"file without a hash", false, 1, {kInvalid}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui = {};
    downloader = {};
    writeText(install + "/Imbrino", "old program");
    const std::string manifest = manifestWith(downloader, kNewer, files, "", c.hashes);
    if (c.signature == 1) downloader.served[kManifestUrl + ".sig"] = test::signText(key, manifest);
    if (c.signature == 2)
      downloader.served[kManifestUrl + ".sig"] = test::signText(test::makeSigningKey(8), manifest);
    if (c.signature == 3)
      downloader.served[kManifestUrl + ".sig"] = test::signText(key, manifest + "\n");
    const bool good = c.expected.front() == kDone;
    EXPECT_EQ(run(manifest, trust), good ? 0 : -1);
    EXPECT_EQ(ui.messages(), c.expected);
    if (good)
      EXPECT_EQ(readText(install + "/Imbrino"), "signed");
    else
      expectNothingChanged();
  }
}

TEST(UpdateCheck, AsksOnlyForANewerCompleteManifestAndDeletesOneWithoutItsKeys) {
  struct Case {
    std::string manifest;
    bool newer;
    bool copyKept;
  };
  const Case cases[] = {
      {test::versionSection(test::newerVersion(2)), true, true},
      {test::versionSection(test::newerVersion(0)), true, true},
      {test::versionSection(test::sameVersionLaterBuild()), false, true},
      {test::versionSection(test::olderVersion()), false, true},
      {test::versionSection(kNewer, 3), false, false},
      {"<html>Not found</html>", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.manifest);
    test::TempFolder temp;
    test::FakeDownloader downloader;
    downloader.served[kManifestUrl] = c.manifest;
    EXPECT_EQ(checkForUpdate(downloader, temp.path().string(), kManifestUrl, kBuiltInVersion),
              c.newer);
    EXPECT_EQ(fs::exists(temp.file("Update.ini")), c.copyKept);
  }

  test::TempFolder temp;
  test::FakeDownloader unreachable;
  EXPECT_FALSE(
      checkForUpdate(unreachable, temp.path().string() + "/", kManifestUrl, kBuiltInVersion));
}

TEST(UpdateCheck, WithAKeyTheManifestMustBeSigned) {
  const test::SigningKey key = test::makeSigningKey(3);
  const std::string manifest = test::versionSection(test::newerVersion(0));
  for (int signature = 0; signature < 3; ++signature) {
    test::TempFolder temp;
    test::FakeDownloader downloader;
    downloader.served[kManifestUrl] = manifest;
    if (signature == 1) downloader.served[kManifestUrl + ".sig"] = test::signText(key, manifest);
    if (signature == 2) downloader.served[kManifestUrl + ".sig"] = std::string(64, 'x');
    EXPECT_EQ(checkForUpdate(downloader, temp.path().string(), kManifestUrl, kBuiltInVersion,
                             UpdateTrust{key.publicKey}),
              signature == 1)
        << signature;
  }
}

}  // namespace
}  // namespace imbrino
