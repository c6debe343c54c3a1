#pragma once
// Updates without a window: the version the program is, the command line the
// desktop program hands the updater, the update manifest ("Update.ini"), the
// check the desktop program makes when its main window opens, and the whole
// run of the updater (download into a work folder, then delete, create and
// copy into the installation folder). The windows show what these report and
// ask what these ask; nothing here touches a toolkit.
//
// An updater replaces a user's program files from the network, so every path
// a manifest names is checked to stay inside its folder, no link is followed
// out of it, every copy is atomic, and addresses, sizes, hashes and (when the
// build has a key) the manifest's signature are checked before anything in the
// installation folder changes.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "build_config.h"
#include "platform/expected.h"

struct sockaddr;

namespace imbrino {

// The largest manifest the check and the updater read; one of
// `kMaxManifestListCount` files is far below it.
inline constexpr std::uint64_t kMaxManifestBytes = std::uint64_t{4} << 20;

// Four parts, e.g. 3.7.0.0.
struct ProgramVersion {
  std::array<std::int32_t, 4> parts{};
  friend bool operator==(const ProgramVersion&, const ProgramVersion&) = default;
};

// This build's version, from the project's.
inline constexpr ProgramVersion kBuiltInVersion{
    {IMBRINO_VERSION_MAJOR, IMBRINO_VERSION_MINOR, IMBRINO_VERSION_PATCH, IMBRINO_VERSION_TWEAK}};

// True when `announced` is newer than `running` in its first three parts
// (the fourth takes no part).
bool isNewerVersion(const ProgramVersion& announced, const ProgramVersion& running);

// "[%d.%d.%d.%d.] [%s]": what the desktop program hands the updater.
std::string updaterCommandLine(const ProgramVersion& version, std::string_view manifestUrl);

struct UpdaterArguments {
  ProgramVersion version;
  std::string manifestUrl;
};
// Nothing when the command line does not have that form (each of the four
// numbers followed by a dot, none negative, a non-empty address).
std::optional<UpdaterArguments> parseUpdaterCommandLine(std::string_view commandLine);

// Fetches one address into a file. Implementations refuse any address but
// https, or http to a loopback address; verify certificates; bound time,
// redirects and size; write to a temporary name beside `path` and rename it
// when complete, so `path` is never a partial download.
class Downloader {
 public:
  virtual ~Downloader() = default;
  virtual Status download(const std::string& url, const std::string& path) = 0;
};

struct DownloadLimits {
  long connectTimeoutSeconds = 15;
  long stallTimeoutSeconds = 30;  // less than 1 byte/s for this long ends it
  long maxRedirects = 5;
  std::uint64_t maxBytes = std::uint64_t{1} << 30;  // 1 GiB
  // The longest one request (one hop of a redirect chain) may take; 0 for no
  // bound beyond the stall time-out.
  long totalTimeoutSeconds = 0;
};

// The real one, over libcurl. An http address is fetched without any proxy,
// and only from a connection whose address is loopback, whatever its name
// resolves to. `stopRequested`, when given, is asked while a transfer runs
// (several times a second, on the downloading thread): true ends it as failed.
class CurlDownloader final : public Downloader {
 public:
  explicit CurlDownloader(DownloadLimits limits = {}, std::function<bool()> stopRequested = {})
      : limits_(limits), stopRequested_(std::move(stopRequested)) {}
  Status download(const std::string& url, const std::string& path) override;

 private:
  DownloadLimits limits_;
  std::function<bool()> stopRequested_;
};

// Whether an address may be fetched at all: https, or http to 127.0.0.0/8,
// [::1], [::ffff:127.x.y.z] or "localhost". It judges the address as written;
// the connection is judged again by `isLoopbackSocketAddress`.
bool isAllowedUpdateAddress(std::string_view url);

// Whether a socket address is this machine's loopback: 127.0.0.0/8, ::1, or
// 127.0.0.0/8 mapped into IPv6.
bool isLoopbackSocketAddress(const sockaddr& address);

// What the build trusts: with a public key, the manifest must come with a
// detached Ed25519 signature at the manifest's address + ".sig" and every file
// must carry its SHA-256 ("AddFilesSha256%d"); without one, a hash is checked
// where the manifest gives it.
struct UpdateTrust {
  std::optional<std::array<std::uint8_t, 32>> publicKey;
};

// The desktop program's check when its main window opens: downloads the
// manifest to `tempFolder` + "Update.ini" and says whether it announces a
// version newer than `running`. Every failure is silent (false), a
// `tempFolder` that is not `isPrivateFolder` included. A manifest that lacks
// one of the four version keys is deleted.
bool checkForUpdate(Downloader& downloader, const std::string& tempFolder,
                    const std::string& manifestUrl, const ProgramVersion& running,
                    const UpdateTrust& trust = {});

// What the updater's window does for the run.
class UpdaterUi {
 public:
  enum class Icon { None, Error, Warning };
  virtual ~UpdaterUi() = default;
  virtual void setRange(int low, int high) = 0;
  virtual void setPosition(int position) = 0;
  // A message with an OK button.
  virtual void message(const std::string& text, Icon icon) = 0;
  // "文件:... 无法写入:<why>" with Retry and Cancel: true to retry.
  virtual bool askRetry(const std::string& text) = 0;
  // The user cancelled: the run stops before its next step.
  virtual bool cancelled() const = 0;
  // The run is about to change the installation and will finish it whatever
  // happens: from now on cancel is refused. False when the user has
  // cancelled already; the run then stops with nothing changed.
  virtual bool beginInstalling() = 0;
};

// The updater's whole run, with `installFolder` given without a trailing
// slash. The run downloads into a fresh folder it makes (mkdtemp) in
// `tempFolder`, which must be `isPrivateFolder`, and removes it at the end;
// nothing else there is touched. Returns 0 after "升级完成", -1 after any
// failure message (or when cancelled); a file that could not be replaced or
// removed is a failure, named in the last message. Nothing in
// `installFolder` changes before the manifest has been read, checked and
// every file downloaded (and hashed).
int runUpdate(const UpdaterArguments& arguments, const std::string& installFolder,
              const std::string& tempFolder, Downloader& downloader, UpdaterUi& ui,
              const UpdateTrust& trust = {});

// Whether `folder` is a folder (not a link) of the current user that nobody
// else may write in, so nothing in it can have been planted by another user.
bool isPrivateFolder(const std::string& folder);

// The user's own folder for the check's manifest and the updater's work
// folders: "imbrino" in $XDG_CACHE_HOME (or ~/.cache), else in
// $XDG_RUNTIME_DIR, else /tmp/imbrino-<uid>; made when missing with mode
// 0700. The first that is, or can be made, `isPrivateFolder` (a folder of
// another user or a link there is never used, followed or removed); nothing
// when none is.
std::optional<std::string> userPrivateFolder();

// Makes every missing folder along `path`. Failures are not reported.
void createFolderPath(const std::string& path);
// Removes `folder` and everything in it, never following a symbolic link (a
// link is removed as a link). False at the first failure.
bool deleteFolderTree(const std::string& folder);

// The publisher's side: a manifest for `version` listing the files (relative
// destination, download address, local file to hash), with their SHA-256;
// and the detached signature of a manifest with a 32-byte Ed25519 seed.
struct PublishedFile {
  std::string destination;  // "\sub\file.ext"
  std::string url;
  std::string localPath;
};
Expected<std::string> composeManifestText(const ProgramVersion& version,
                                          const std::vector<PublishedFile>& files);
Expected<std::array<std::uint8_t, 64>> signManifest(std::string_view manifest,
                                                    const std::array<std::uint8_t, 32>& seed);

}  // namespace imbrino
