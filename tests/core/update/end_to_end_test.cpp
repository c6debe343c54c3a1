// The update check and the updater's whole run over real downloads: a web
// server on 127.0.0.1 serves what the publisher's code made (manifest, files,
// signature), and the run installs from it or refuses it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/update/update_support.h"
#include "support/http_server.h"
#include "support/test_support.h"
#include "support/test_versions.h"
#include "update/updater.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;
using test::HttpServer;
using test::readText;
using test::snapshot;
using test::writeText;
using Reply = HttpServer::Reply;

void replaceOnce(std::string& text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
}

// A published update on the server: each file at /files + its destination,
// the manifest at /Update.ini, its signature (when signed) beside it.
class Publication {
 public:
  Publication(HttpServer& server, const fs::path& folder) : server_(server), folder_(folder) {}

  std::string manifestUrl() const { return server_.url("/Update.ini"); }

  // Makes the manifest for `files` (destination -> body) and serves it all.
  std::string publish(const ProgramVersion& version,
                      const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<PublishedFile> published;
    for (const auto& [destination, body] : files) {
      std::string path = destination;
      for (char& c : path)
        if (c == '\\') c = '/';
      const std::string local = (folder_ / ("local" + std::to_string(published.size()))).string();
      writeText(local, body);
      server_.serveBody("/files" + path, body);
      published.push_back({destination, server_.url("/files" + path), local});
    }
    auto text = composeManifestText(version, published);
    EXPECT_TRUE(text.ok()) << text.reason();
    manifest = text.ok() ? *text : "";
    return manifest;
  }

  // Serves `manifest` (as it stands after any tampering) and, with a seed, its signature.
  void serve(const std::array<std::uint8_t, 32>* seed = nullptr) {
    server_.serveBody("/Update.ini", manifest);
    if (seed) {
      auto signature = signManifest(manifest, *seed);
      ASSERT_TRUE(signature.ok());
      server_.serveBody("/Update.ini.sig", std::string(signature->begin(), signature->end()));
    }
  }

  std::string manifest;

 private:
  HttpServer& server_;
  fs::path folder_;
};

// Public: each case's tampering reaches the server and the manifest.
class EndToEnd : public ::testing::Test {
 public:
  void SetUp() override {
    fs::create_directories(install + "/sub");
    fs::create_directories(root.file("published"));
    fs::create_directories(root.file("tmp"));
    writeText(install + "/Imbrino", "old program");
    writeText(install + "/sub/data.txt", "old data");
    writeText(root.file("outside.txt"), "precious");
    ::chmod((install + "/Imbrino").c_str(), 0755);
  }

  test::TempFolder root;
  const std::string install = root.file("install");
  const std::string workParent = root.file("tmp");
  HttpServer server;
  Publication publication{server, root.file("published")};
};

// A version the updater installs: one newer in the second part.
const ProgramVersion kNewer = test::newerVersion(1);
const std::string kNew = "message none 升级完成";
const std::string kLatest = "message none 当前版本已经是最新版本,无需升级";
const std::string kInvalid = "message error 升级信息有误";
const std::string kFileFailed = "message error 文件下载失败";
const std::string kManifestFailed = "message error 升级程序下载文件失败";

TEST_F(EndToEnd, UpdatesFromAWebServerOrRefusesLeavingEverythingAsItWas) {
  const test::SigningKey key = test::makeSigningKey(5);
  const test::SigningKey otherKey = test::makeSigningKey(6);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"\\Imbrino", std::string("new program\0\xff", 13)},
      {"\\sub\\data.txt", "new data"},
      {"\\sub\\deeper\\more.txt", "more"},
      {"\\help.html", "<p>help</p>"},
      {"\\readme.txt", "read me"},
  };
  struct Case {
    const char* name;
    ProgramVersion version;
    bool keyed;                             // the build trusts `key`
    std::function<void(EndToEnd&)> tamper;  // after publishing, before serving
    const std::array<std::uint8_t, 32>* signer;
    std::string expected;
  };
  auto none = [](EndToEnd&) {};
  const Case cases[] = {
      {"newer", kNewer, false, none, nullptr, kNew},
      {"newer, signed", test::newerVersion(2), true, none, &key.seed, kNew},
      {"equal", test::sameVersionLaterBuild(), false, none, nullptr, kLatest},
      {"older", test::olderVersion(), false, none, nullptr, kLatest},
      {"missing Version4", test::newerVersion(0), false,
       [](EndToEnd& t) { replaceOnce(t.publication.manifest, "Version4=0\r\n", ""); }, nullptr,
       kInvalid},
      {"third download fails", kNewer, false,
       [](EndToEnd& t) {
         t.server.set("/files/sub/deeper/more.txt", {Reply::NotFound, "", ""});
       },
       nullptr, kFileFailed},
      {"third download stalls", kNewer, false,
       [](EndToEnd& t) {
         t.server.set("/files/sub/deeper/more.txt", {Reply::Stalled, "m", ""});
       },
       nullptr, kFileFailed},
      {"a download redirected to ftp", kNewer, false,
       [](EndToEnd& t) {
         t.server.set("/files/help.html", {Reply::Redirect, "", "ftp://127.0.0.1/help.html"});
       },
       nullptr, kFileFailed},
      {"traversal", kNewer, false,
       [](EndToEnd& t) {
         replaceOnce(t.publication.manifest, "AddFilesDest5=\\readme.txt",
                     "AddFilesDest5=\\sub\\..\\..\\outside.txt");
       },
       nullptr, kInvalid},
      {"wrong hash", kNewer, false,
       [](EndToEnd& t) { t.server.serveBody("/files/help.html", "<p>not what was hashed</p>"); },
       nullptr, kFileFailed},
      {"manifest missing", kNewer, false, [](EndToEnd& t) { t.publication.manifest.clear(); },
       nullptr, kManifestFailed},
      {"no signature", kNewer, true, none, nullptr, kInvalid},
      {"signed by another key", kNewer, true, none, &otherKey.seed, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.set("/Update.ini", {Reply::NotFound, "", ""});
    server.set("/Update.ini.sig", {Reply::NotFound, "", ""});
    publication.publish(c.version, files);
    c.tamper(*this);
    if (!publication.manifest.empty()) publication.serve(c.signer);
    const auto installBefore = snapshot(install);
    const auto outsideBefore = readText(root.file("outside.txt"));

    test::RecordingUi ui;
    const UpdateTrust trust = c.keyed ? UpdateTrust{key.publicKey} : UpdateTrust{};
    CurlDownloader downloader(DownloadLimits{5, 1, 3, 1 << 20});
    const int result = runUpdate({kBuiltInVersion, publication.manifestUrl()}, install, workParent,
                                 downloader, ui, trust);

    EXPECT_EQ(ui.messages(), std::vector<std::string>{c.expected});
    EXPECT_TRUE(fs::is_empty(workParent));
    EXPECT_EQ(readText(root.file("outside.txt")), outsideBefore);
    if (c.expected == kNew) {
      EXPECT_EQ(result, 0);
      for (const auto& [destination, body] : files) {
        std::string path = destination;
        for (char& ch : path)
          if (ch == '\\') ch = '/';
        EXPECT_EQ(readText(install + path), body) << destination;
      }
      struct stat info {};
      ASSERT_EQ(::stat((install + "/Imbrino").c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0755u);  // still runs
      // Back to the old files for the next case.
      writeText(install + "/Imbrino", "old program");
      writeText(install + "/sub/data.txt", "old data");
      fs::remove_all(install + "/sub/deeper");
      fs::remove(install + "/help.html");
      fs::remove(install + "/readme.txt");
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(snapshot(install), installBefore);
    }
  }
}

TEST_F(EndToEnd, TheCheckAsksOnlyForANewerCompleteAndTrustedManifest) {
  const test::SigningKey key = test::makeSigningKey(9);
  const std::vector<std::pair<std::string, std::string>> files = {{"\\Imbrino", "new"}};
  struct Case {
    ProgramVersion version;
    bool dropVersion4;
    bool keyed;
    const std::array<std::uint8_t, 32>* signer;
    bool newer;
    bool copyKept;
  };
  const Case cases[] = {
      {test::newerVersion(2), false, false, nullptr, true, true},
      {test::newerVersion(0), false, false, nullptr, true, true},
      {test::sameVersionLaterBuild(), false, false, nullptr, false, true},
      {test::olderVersion(), false, false, nullptr, false, true},
      {kNewer, true, false, nullptr, false, false},
      {kNewer, false, true, &key.seed, true, true},
      {kNewer, false, true, nullptr, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::versionText(c.version) + (c.keyed ? " keyed" : "") +
                 (c.signer ? " signed" : ""));
    server.set("/Update.ini.sig", {Reply::NotFound, "", ""});
    publication.publish(c.version, files);
    if (c.dropVersion4) replaceOnce(publication.manifest, "Version4=0\r\n", "");
    publication.serve(c.signer);
    test::TempFolder temp;
    CurlDownloader downloader(DownloadLimits{5, 1, 3, 1 << 20});
    EXPECT_EQ(checkForUpdate(downloader, temp.path().string(), publication.manifestUrl(),
                             kBuiltInVersion, c.keyed ? UpdateTrust{key.publicKey} : UpdateTrust{}),
              c.newer);
    EXPECT_EQ(fs::exists(temp.file("Update.ini")), c.copyKept);
  }
  // Nothing listens: silent.
  test::TempFolder temp;
  CurlDownloader downloader(DownloadLimits{5, 1, 3, 1 << 20});
  EXPECT_FALSE(checkForUpdate(downloader, temp.path().string(), "http://127.0.0.1:1/Update.ini",
                              kBuiltInVersion));
}

}  // namespace
}  // namespace imbrino
