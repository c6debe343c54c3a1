// Downloads over the network, against a web server on this machine: what may
// be fetched, what a failed download leaves (nothing), and the publisher's
// manifest and signature.

#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/http_server.h"
#include "support/test_support.h"
#include "update/integrity.h"
#include "update/updater.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;
using test::HttpServer;
using Reply = HttpServer::Reply;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// An IPv4 address of this machine that is not loopback; empty when it has none.
std::string networkAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::string found;
  for (ifaddrs* entry = list; entry && found.empty(); entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
    if (std::string_view(text).substr(0, 4) != "127.") found = text;
  }
  freeifaddrs(list);
  return found;
}

DownloadLimits quickLimits() {
  DownloadLimits limits;
  limits.connectTimeoutSeconds = 5;
  limits.stallTimeoutSeconds = 1;
  limits.maxRedirects = 3;
  limits.maxBytes = 4096;
  return limits;
}

TEST(UpdateAddress, OnlyHttpsOrHttpToThisMachine) {
  struct Case {
    const char* url;
    bool allowed;
  };
  const Case cases[] = {
      {"https://updates.example.org/software/IMB/Update.ini", true},
      {"HTTPS://updates.example.org/x", true},
      {"http://127.0.0.1:8080/Update.ini", true},
      {"http://127.200.1.1/x", true},
      {"http://[::1]:8080/x", true},
      {"http://[::ffff:127.0.0.1]:8080/x", true},
      {"http://localhost/x", true},
      {"http://[::ffff:10.0.0.1]/x", false},
      {"http://0.0.0.0/x", false},
      {"http://updates.example.org/Update.ini", false},
      {"http://128.0.0.1/x", false},
      {"http://127.0.0.1.example.org/x", false},
      {"http://127.0.0.1@updates.example.org/x", false},
      {"ftp://127.0.0.1/x", false},
      {"file:///etc/passwd", false},
      {"updates.example.org/Update.ini", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isAllowedUpdateAddress(c.url), c.allowed) << c.url;
}

TEST(UpdateAddress, AConnectionIsLoopbackByItsAddress) {
  const std::pair<const char*, bool> cases[] = {{"127.0.0.1", true},   {"127.255.0.9", true},
                                                {"10.0.0.1", false},   {"0.0.0.0", false},
                                                {"::1", true},         {"::ffff:127.0.0.1", true},
                                                {"::", false},         {"::ffff:10.0.0.1", false},
                                                {"::127.0.0.1", false}};
  for (const auto& [text, loopback] : cases) {
    sockaddr_in ipv4{AF_INET, 0, {}, {}};
    sockaddr_in6 ipv6{AF_INET6, 0, 0, {}, 0};
    const bool isIpv4 = inet_pton(AF_INET, text, &ipv4.sin_addr) == 1;
    ASSERT_TRUE(isIpv4 || inet_pton(AF_INET6, text, &ipv6.sin6_addr) == 1) << text;
    const auto* address = isIpv4 ? reinterpret_cast<const sockaddr*>(&ipv4)
                                 : reinterpret_cast<const sockaddr*>(&ipv6);
    EXPECT_EQ(isLoopbackSocketAddress(*address), loopback) << text;
  }
}

TEST(CurlDownload, HttpToThisMachineNeverGoesThroughAProxy) {
  HttpServer server;
  HttpServer proxy;  // answers 404 to whatever it is asked
  server.serveBody("/f", "direct");
  for (const char* name : {"http_proxy", "all_proxy"}) ::setenv(name, proxy.url("").c_str(), 1);
  test::TempFolder folder;
  CurlDownloader downloader(quickLimits());
  for (const std::string host : {"127.0.0.1", "localhost", "[::ffff:127.0.0.1]"}) {
    const std::string url = server.url("/f", host);
    EXPECT_TRUE(downloader.download(url, folder.file(host)).ok()) << url;
    EXPECT_EQ(proxy.requests(url), 0) << url;
  }
  for (const char* name : {"http_proxy", "all_proxy"}) ::unsetenv(name);
  EXPECT_EQ(server.requests("/f"), 3);
}

TEST(CurlDownload, FetchesFollowingRedirectsAndReplacesWithoutFollowingLinks) {
  HttpServer server;
  const std::string body(3000, 'x');
  server.serveBody("/f", body);
  server.set("/r1", {Reply::Redirect, "", "/r2"});
  server.set("/r2", {Reply::Redirect, "", "/r3"});
  server.set("/r3", {Reply::Redirect, "", server.url("/f")});
  test::TempFolder folder;
  const fs::path outside = folder.path() / "outside";
  const fs::path inside = folder.path() / "in";
  fs::create_directory(inside);
  CurlDownloader downloader(quickLimits());

  ASSERT_TRUE(downloader.download(server.url("/f"), (inside / "a").string()).ok());
  EXPECT_EQ(readText(inside / "a"), body);
  // The longest name a file may have leaves no room for a temporary suffix.
  const std::string longest(255, 'n');
  ASSERT_TRUE(downloader.download(server.url("/f"), (inside / longest).string()).ok());
  EXPECT_EQ(readText(inside / longest), body);
  fs::remove(inside / longest);
  // Three hops is the limit, not past it.
  ASSERT_TRUE(downloader.download(server.url("/r1"), (inside / "b").string()).ok());
  EXPECT_EQ(readText(inside / "b"), body);

  // A link at the destination is replaced by the download; what it led to is untouched.
  writeText(outside, "keep");
  fs::create_symlink(outside, inside / "c");
  ASSERT_TRUE(downloader.download(server.url("/f"), (inside / "c").string()).ok());
  EXPECT_FALSE(fs::is_symlink(inside / "c"));
  EXPECT_EQ(readText(inside / "c"), body);
  EXPECT_EQ(readText(outside), "keep");
  EXPECT_EQ(namesIn(inside), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(CurlDownload, EveryFaultFailsLeavingNoFileAndTheOldOneIntact) {
  HttpServer server;
  const std::string large(5000, 'L');
  server.serveBody("/f", "fine");
  server.set("/missing", {Reply::NotFound, "<html>not here</html>", ""});
  server.set("/to-ftp", {Reply::Redirect, "", "ftp://127.0.0.1/f"});
  server.set("/to-remote-http", {Reply::Redirect, "", "http://updates.example.org/f"});
  server.set("/loop", {Reply::Redirect, "", "/loop"});
  server.set("/r1", {Reply::Redirect, "", "/r2"});
  server.set("/r2", {Reply::Redirect, "", "/r3"});
  server.set("/r3", {Reply::Redirect, "", "/f"});
  server.set("/large", {Reply::Body, large, ""});
  server.set("/large-unsized", {Reply::Unsized, large, ""});
  server.set("/truncated", {Reply::Truncated, "part", ""});
  server.set("/stalled", {Reply::Stalled, "part", ""});

  struct Case {
    std::string url;
    long maxRedirects;
  };
  const Case cases[] = {
      {server.url("/missing"), 3},
      {server.url("/to-ftp"), 3},
      {server.url("/to-remote-http"), 3},
      {server.url("/loop"), 3},
      {server.url("/r1"), 2},
      {server.url("/large"), 3},
      {server.url("/large-unsized"), 3},
      {server.url("/truncated"), 3},
      {server.url("/stalled"), 3},
      {"http://updates.example.org/f", 3},
      {"ftp://127.0.0.1/f", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    DownloadLimits limits = quickLimits();
    limits.maxRedirects = c.maxRedirects;
    CurlDownloader downloader(limits);
    test::TempFolder folder;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(downloader.download(c.url, folder.file("new")).ok());
    writeText(folder.path() / "old", "old");
    EXPECT_FALSE(downloader.download(c.url, folder.file("old")).ok());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(readText(folder.path() / "old"), "old");
    EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"old"});
  }
  // Nothing is fetched from a refused target: the loop stopped at its limit.
  EXPECT_EQ(server.requests("/loop"), 2 * 4);
  EXPECT_EQ(server.requests("/f"), 0);
}

TEST(CurlDownload, ATrickleNeverStallsButTheTotalTimeEndsIt) {
  HttpServer server;
  server.set("/trickle", {Reply::Trickled, "", ""});
  DownloadLimits limits = quickLimits();
  limits.totalTimeoutSeconds = 1;
  CurlDownloader downloader(limits);
  test::TempFolder folder;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(downloader.download(server.url("/trickle"), folder.file("f")).ok());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(CurlDownload, AnAddressOnTheNetworkIsRefusedEvenWhenItWouldAnswer) {
  const std::string host = networkAddress();
  if (host.empty()) GTEST_SKIP() << "no network address on this machine";
  HttpServer server(true);
  server.serveBody("/f", "fine");
  server.set("/to-network", {Reply::Redirect, "", server.url("/f", host)});
  test::TempFolder folder;
  CurlDownloader downloader(quickLimits());
  EXPECT_FALSE(downloader.download(server.url("/f", host), folder.file("a")).ok());
  EXPECT_FALSE(downloader.download(server.url("/to-network"), folder.file("b")).ok());
  EXPECT_EQ(server.requests("/f"), 0);
  EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(CurlDownload, AMissingFolderOrAFolderAtTheDestinationFails) {
  HttpServer server;
  server.serveBody("/f", "fine");
  test::TempFolder folder;
  fs::create_directory(folder.path() / "taken");
  CurlDownloader downloader(quickLimits());
  EXPECT_FALSE(downloader.download(server.url("/f"), folder.file("absent/f")).ok());
  EXPECT_FALSE(downloader.download(server.url("/f"), folder.file("taken")).ok());
  EXPECT_TRUE(fs::is_directory(folder.path() / "taken"));
  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"taken"});
}

TEST(Hex, ThirtyTwoBytesAreExactlySixtyFourDigitsOfEitherCase) {
  const std::string hex = "00112233445566778899aabbccddeeffFFEEDDCCBBAA99887766554433221100";
  const auto bytes = parseHex32(hex);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ((*bytes)[0], 0x00);
  EXPECT_EQ((*bytes)[15], 0xff);
  EXPECT_EQ((*bytes)[16], 0xff);
  EXPECT_EQ((*bytes)[31], 0x00);
  for (const std::string& bad : {std::string(), hex.substr(1), hex + "0", "zz" + hex.substr(2)})
    EXPECT_FALSE(parseHex32(bad).has_value()) << bad;
}

TEST(Publish, SignsAsEd25519Does) {
  // The first test vector of the Ed25519 definition: a key and the empty message.
  const auto seed = parseHex32("9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60");
  ASSERT_TRUE(seed.has_value());
  const auto signature = signManifest("", *seed);
  ASSERT_TRUE(signature.ok());
  EXPECT_EQ(hexText(*signature),
            "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39"
            "701cf9b46bd25bf5f0595bbe24655141438e7a100b");
}

TEST(Publish, ListsEachFileWithItsHashAndRefusesWhatTheUpdaterWould) {
  test::TempFolder folder;
  writeText(folder.path() / "a.txt", "abc");
  const std::string local = folder.file("a.txt");
  const auto text = composeManifestText(
      {{3, 8, 0, 1}}, {{"/sub/deep/a.txt", "https://h.example.org/files/sub/a.txt", local}});
  ASSERT_TRUE(text.ok()) << text.reason();
  EXPECT_EQ(*text,
            "[Version]\r\nVersion1=3\r\nVersion2=8\r\nVersion3=0\r\nVersion4=1\r\n\r\n"
            "[NewDirs]\r\nNewDirsLen=2\r\nNewDirs1=\\sub\r\nNewDirs2=\\sub\\deep\r\n\r\n"
            "[AddFiles]\r\nAddFilesLen=1\r\n"
            "AddFilesSrc1=https://h.example.org/files/sub/a.txt\r\n"
            "AddFilesDest1=\\sub\\deep\\a.txt\r\n"
            "AddFilesSha2561=ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\r\n");

  const std::string good = "https://h.example.org/a";
  const std::vector<PublishedFile> refused[] = {
      {},
      {{"\\..\\a.txt", good, local}},
      {{"\\sub\\..\\..\\a.txt", good, local}},
      {{"C:\\a.txt", good, local}},
      {{"a.txt", good, local}},
      {{"\\sub\\", good, local}},
      {{"\\sub\\\\a.txt", good, local}},
      {{"\\.\\a.txt", good, local}},
      {{"\\a.txt", "http://h.example.org/a", local}},
      {{"\\a.txt", good + "\r\nAddFilesLen=9", local}},
      {{"\\a.txt", good + std::string(300, 'x'), local}},
      {{"\\a.txt", good, folder.file("absent")}},
      {{"\\a.txt", good, local}, {"\\a.txt", good, local}},
  };
  for (const auto& files : refused)
    EXPECT_FALSE(composeManifestText({{3, 8, 0, 0}}, files).ok())
        << (files.empty() ? "(none)" : files[0].destination);
}

}  // namespace
}  // namespace imbrino
