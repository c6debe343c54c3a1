// The updater's folders: where it downloads, making a folder path, and
// removing a tree without ever following a link out of it.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "update/updater.h"

namespace imbrino {
namespace {

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

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

std::string updaterWorkFolder(const std::string& installFolder) {
  std::string base;
  if (const char* temporary = std::getenv("TMPDIR"); temporary && *temporary && isFolder(temporary))
    base = temporary;
  else if (isFolder("/tmp"))
    base = "/tmp";
  else
    base = installFolder;
  base = withoutTrailingSlashes(base);
  if (base == "/") base.clear();
  return base + "/UpwrightDir";
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
