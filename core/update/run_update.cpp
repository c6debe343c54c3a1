// The update check of the desktop program and the updater's whole run.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "platform/file_io.h"
#include "update/install_plan.h"
#include "update/integrity.h"
#include "update/updater.h"

namespace imbrino {
namespace {

constexpr const char* kManifestName = "Update.ini";
constexpr const char* kSignatureSuffix = ".sig";

constexpr const char* kManifestDownloadFailed = "升级程序下载文件失败";
constexpr const char* kManifestInvalid = "升级信息有误";
constexpr const char* kAlreadyLatest = "当前版本已经是最新版本,无需升级";
constexpr const char* kNoFileList = "无升级信息";
constexpr const char* kFileDownloadFailed = "文件下载失败";
constexpr const char* kUpdateDone = "升级完成";
// How many of the files that could not be replaced or removed the last
// message names.
constexpr std::size_t kNamedFailures = 5;

// Reads a downloaded manifest, checking its signature first when the build
// trusts a key: nothing is believed from a manifest that is not the maker's.
std::optional<IniDocument> readManifest(Downloader& downloader, const std::string& url,
                                        const std::string& path, const UpdateTrust& trust) {
  const auto bytes = readFileBytes(path, kMaxManifestBytes);
  if (!bytes) return std::nullopt;
  if (trust.publicKey) {
    const std::string signaturePath = path + kSignatureSuffix;
    if (!downloader.download(url + kSignatureSuffix, signaturePath)) return std::nullopt;
    const auto signature = readFileBytes(signaturePath, 4096);
    if (!signature || !verifyEd25519(*bytes, *signature, *trust.publicKey)) return std::nullopt;
  }
  return parseManifest(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// A fresh work folder for this run: mkdtemp makes a new one (never one that
// was there before) only we can enter, in a folder nobody else can write in.
std::string makeWorkFolder(const std::string& tempFolder) {
  if (!isPrivateFolder(tempFolder)) return {};
  std::string folder = tempFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  folder += "/update-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) return {};
  return folder;
}

// The last message when files kept their old version or were not removed.
std::string notInstalledText(const std::vector<std::string>& failed) {
  std::string text = "升级未完成," + std::to_string(failed.size()) + "个文件无法替换或删除:";
  for (std::size_t i = 0; i < std::min(failed.size(), kNamedFailures); ++i)
    text += "\n" + failed[i];
  if (failed.size() > kNamedFailures) text += "\n……";
  return text;
}

bool hashMatches(const std::string& path, const Sha256& expected) {
  const auto actual = sha256OfFile(path);
  return actual && *actual == expected;
}

class UpdateRun {
 public:
  UpdateRun(const UpdaterArguments& arguments, const std::string& installFolder,
            const std::string& tempFolder, Downloader& downloader, UpdaterUi& ui,
            const UpdateTrust& trust)
      : arguments_(arguments),
        install_(installFolder),
        temp_(tempFolder),
        downloader_(downloader),
        ui_(ui),
        trust_(trust) {}

  int run() {
    if (ui_.cancelled()) return -1;
    work_ = makeWorkFolder(temp_);
    if (work_.empty()) return failWith(kManifestDownloadFailed, UpdaterUi::Icon::Error);

    if (ui_.cancelled()) return stop();
    const std::string manifestPath = work_ + "/" + kManifestName;
    if (!downloader_.download(arguments_.manifestUrl, manifestPath))
      return failWith(kManifestDownloadFailed, UpdaterUi::Icon::Error);

    if (ui_.cancelled()) return stop();
    const auto manifest = readManifest(downloader_, arguments_.manifestUrl, manifestPath, trust_);
    if (!manifest) return failWith(kManifestInvalid, UpdaterUi::Icon::Error);
    const auto version = manifestVersion(*manifest);
    if (!version) return failWith(kManifestInvalid, UpdaterUi::Icon::Error);

    if (!isNewerVersion(*version, arguments_.version))
      return failWith(kAlreadyLatest, UpdaterUi::Icon::None);

    // Every list and path is checked here, before the first folder is made.
    auto read = readInstallPlan(*manifest, trust_.publicKey.has_value());
    if (const auto* problem = std::get_if<PlanProblem>(&read))
      return *problem == PlanProblem::NoFileList
                 ? failWith(kNoFileList, UpdaterUi::Icon::Warning)
                 : failWith(kManifestInvalid, UpdaterUi::Icon::Error);
    const InstallPlan& plan = std::get<InstallPlan>(read);

    if (ui_.cancelled()) return stop();
    for (const std::string& folder : plan.newFolders) createFolderInside(work_, folder);

    const int count = static_cast<int>(plan.files.size());
    ui_.setRange(1, count);
    ui_.setPosition(0);
    for (int i = 0; i < count; ++i) {
      if (ui_.cancelled()) return stop();
      const InstallPlan::File& file = plan.files[static_cast<std::size_t>(i)];
      const std::string path = work_ + file.destination;
      const auto slash = path.find_last_of('/');
      if (!staysInside(work_, path.substr(0, slash)) || !downloader_.download(file.url, path) ||
          (file.sha256 && !hashMatches(path, *file.sha256)))
        return failWith(kFileDownloadFailed, UpdaterUi::Icon::Error);
      ui_.setPosition(i + 1);
    }

    // From here on the installation changes, and the run finishes it:
    // stopping halfway would leave some files old and some new.
    if (!ui_.beginInstalling()) return stop();
    const std::vector<std::string> failed = install(plan);
    removeWorkFolder();
    if (!failed.empty()) {
      ui_.message(notInstalledText(failed), UpdaterUi::Icon::Error);
      return -1;
    }
    ui_.message(kUpdateDone, UpdaterUi::Icon::None);
    return 0;
  }

  void removeWorkFolder() {
    if (!work_.empty()) deleteFolderTree(work_);
    work_.clear();
  }

 private:
  int failWith(const char* text, UpdaterUi::Icon icon) {
    removeWorkFolder();
    ui_.message(text, icon);
    return -1;
  }
  int stop() {
    removeWorkFolder();
    return -1;
  }

  static void createFolderInside(const std::string& root, const std::string& relative) {
    const std::string path = root + relative;
    if (staysInside(root, path)) createFolderPath(path);
  }

  // Deletions of files, then of folders, then new folders, then the copies.
  // Nothing acts through a link that leads out of the installation folder: the
  // folder holding each path must resolve inside it, and the last part of a
  // deleted path is removed as it stands (a link as a link). Returns the
  // paths that could not be removed or replaced.
  std::vector<std::string> install(const InstallPlan& plan) {
    std::vector<std::string> failed;
    auto addFailure = [&failed](const std::string& path) {
      if (std::find(failed.begin(), failed.end(), path) == failed.end()) failed.push_back(path);
    };
    for (const std::string& file : plan.deletedFiles)
      if (!removeInside(install_ + file, false)) addFailure(install_ + file);
    for (const std::string& folder : plan.deletedFolders)
      if (!removeInside(install_ + folder, true)) addFailure(install_ + folder);
    for (const std::string& folder : plan.newFolders) createFolderInside(install_, folder);
    for (const InstallPlan::File& file : plan.files) {
      const std::string target = install_ + file.destination;
      for (;;) {
        const Status copied = installFile(work_ + file.destination, target, install_);
        if (copied) break;
        // Skipped, or nobody left to answer: the file keeps its old version.
        if (ui_.cancelled() || !ui_.askRetry("文件:" + target + " 无法写入:" + copied.reason())) {
          addFailure(target);
          break;
        }
      }
    }
    return failed;
  }

  // True when nothing is left at `path`: removed, or never there.
  bool removeInside(const std::string& path, bool isFolder) const {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR;
    if (!staysInside(install_, parentOf(path))) return false;
    return isFolder ? deleteFolderTree(path) : ::unlink(path.c_str()) == 0;
  }

  static std::string parentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('/'));
  }

  const UpdaterArguments& arguments_;
  const std::string install_;
  const std::string temp_;
  std::string work_;
  Downloader& downloader_;
  UpdaterUi& ui_;
  const UpdateTrust& trust_;
};

}  // namespace

bool checkForUpdate(Downloader& downloader, const std::string& tempFolder,
                    const std::string& manifestUrl, const ProgramVersion& running,
                    const UpdateTrust& trust) {
  try {
    // Never a manifest in the root folder, nor where another user could have
    // put one or a link in its place.
    if (tempFolder.empty() || !isPrivateFolder(tempFolder)) return false;
    std::string folder = tempFolder;
    if (folder.back() != '/') folder += '/';
    const std::string localCopy = folder + kManifestName;
    if (!downloader.download(manifestUrl, localCopy)) return false;

    // An unreadable copy (an error page far larger than any manifest) has no
    // version keys either.
    const auto bytes = readFileBytes(localCopy, kMaxManifestBytes);
    if (trust.publicKey) {
      const std::string signaturePath = localCopy + kSignatureSuffix;
      if (!bytes || !downloader.download(manifestUrl + kSignatureSuffix, signaturePath))
        return false;
      const auto signature = readFileBytes(signaturePath, 4096);
      if (!signature || !verifyEd25519(*bytes, *signature, *trust.publicKey)) return false;
    }
    const auto version = bytes ? manifestVersion(parseManifest(std::string_view(
                                     reinterpret_cast<const char*>(bytes->data()), bytes->size())))
                               : std::nullopt;
    if (!version) {
      ::unlink(localCopy.c_str());
      return false;
    }
    return isNewerVersion(*version, running);
  } catch (const std::exception&) {
    return false;  // not enough memory, say: the check is silent whatever happens
  }
}

int runUpdate(const UpdaterArguments& arguments, const std::string& installFolder,
              const std::string& tempFolder, Downloader& downloader, UpdaterUi& ui,
              const UpdateTrust& trust) {
  UpdateRun run(arguments, installFolder, tempFolder, downloader, ui, trust);
  try {
    return run.run();
  } catch (const std::exception&) {
    // Only memory can run out here; nothing in the installation changed
    // unless the copies had begun, and those are each atomic.
    run.removeWorkFolder();
    ui.message(kManifestInvalid, UpdaterUi::Icon::Error);
    return -1;
  }
}

}  // namespace imbrino
