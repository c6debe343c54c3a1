// The updater's folders: the user's own folder it downloads in, making a
// folder path, and removing a tree without ever following a link out of it.

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "update/updater.h"

namespace imbrino {
namespace {

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Adds every entry below `folder` to the lists, a folder before what it holds.
// Entries are judged by lstat: a link, even one to a folder, is a file here,
// so removing it removes the link and nothing it points to.
void listTree(const std::string& folder, std::vector<std::string>& files,
              std::vector<std::string>& folders) {
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      folders.push_back(path);
      listTree(path, files, folders);
    } else {
      files.push_back(path);
    }
  }
  ::closedir(directory);
}

}  // namespace

bool isPrivateFolder(const std::string& folder) {
  // Without its trailing slash, or lstat would follow a link standing there.
  const std::string path = withoutTrailingSlashes(folder);
  struct stat info {};
  return !path.empty() && ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::optional<std::string> userPrivateFolder() {
  std::vector<std::string> candidates;
  auto absolute = [](const char* value) {
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
  };
  if (const std::string cache = absolute(std::getenv("XDG_CACHE_HOME")); !cache.empty()) {
    candidates.push_back(cache + "/imbrino");
  } else {
    std::string home = absolute(std::getenv("HOME"));
    if (home.empty())
      if (const passwd* user = ::getpwuid(::geteuid())) home = absolute(user->pw_dir);
    if (!home.empty()) candidates.push_back(home + "/.cache/imbrino");
  }
  if (const std::string runtime = absolute(std::getenv("XDG_RUNTIME_DIR")); !runtime.empty())
    candidates.push_back(runtime + "/imbrino");
  candidates.push_back("/tmp/imbrino-" + std::to_string(::geteuid()));

  for (std::string folder : candidates) {
    folder = withoutTrailingSlashes(folder);
    const auto slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0) createFolderPath(folder.substr(0, slash));
    ::mkdir(folder.c_str(), 0700);
    // One of ours that others could open is closed to them; anything else
    // (another user's folder, a link, a file) is left alone.
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
      ::chmod(folder.c_str(), 0700);
    if (isPrivateFolder(folder)) return folder;
  }
  return std::nullopt;
}

void createFolderPath(const std::string& path) {
  if (path.empty()) return;
  const std::string folder = path.back() == '/' ? path : path + "/";
  for (std::size_t at = folder.find('/'); at != std::string::npos; at = folder.find('/', at + 1)) {
    if (at == 0) continue;  // the root
    const std::string prefix = folder.substr(0, at);
    struct stat info {};
    if (::lstat(prefix.c_str(), &info) != 0) ::mkdir(prefix.c_str(), 0777);
  }
}

bool deleteFolderTree(const std::string& folder) {
  const std::string root = withoutTrailingSlashes(folder);
  if (root.empty() || root == "/") return false;
  struct stat info {};
  if (::lstat(root.c_str(), &info) != 0) return false;
  if (S_ISLNK(info.st_mode)) return ::unlink(root.c_str()) == 0;
  if (!S_ISDIR(info.st_mode)) return false;

  std::vector<std::string> files;
  std::vector<std::string> folders;
  listTree(root, files, folders);
  for (const std::string& file : files)
    if (::unlink(file.c_str()) != 0) return false;
  for (auto it = folders.rbegin(); it != folders.rend(); ++it)
    if (::rmdir(it->c_str()) != 0) return false;
  return ::rmdir(root.c_str()) == 0;
}

}  // namespace imbrino
