#include "update/install_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "platform/file_descriptor.h"
#include "platform/file_io.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

// A drive or stream colon, or a control character (NUL, a carriage return
// left from a line end, a tab...): no real file of an update is named so.
bool isRefusedInName(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return c == ':' || byte < 0x20 || byte == 0x7F;
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// One section's keys, read in one pass: lists of thousands of entries are
// looked up key by key.
class Section {
 public:
  Section(const IniDocument& manifest, std::string_view name) {
    for (auto& [key, value] : manifest.entries(name))
      values_.try_emplace(lowerCase(key), std::move(value));  // the first of duplicates counts
  }
  std::optional<std::string> value(const std::string& key) const {
    const auto found = values_.find(lowerCase(key));
    if (found == values_.end() || found->second.empty()) return std::nullopt;
    return found->second;
  }

 private:
  std::unordered_map<std::string, std::string> values_;
};

// The count under `key`: nothing when absent, 0 for "0 or less", a problem
// when larger than any real update.
struct Count {
  bool present = false;
  bool tooLarge = false;
  int value = 0;
};
Count readCount(const Section& section, const std::string& key) {
  Count count;
  const auto text = section.value(key);
  if (!text) return count;
  count.present = true;
  const int n = leadingNumber(*text);
  if (n > kMaxManifestListCount) count.tooLarge = true;
  count.value = n > 0 && !count.tooLarge ? n : 0;
  return count;
}

// A list of paths where a missing entry is skipped; false when a count or a
// path is refused.
bool readPathList(const IniDocument& manifest, const std::string& name, bool isFolder,
                  std::vector<std::string>& paths) {
  const Section section(manifest, name);
  const Count count = readCount(section, name + "Len");
  if (count.tooLarge) return false;
  for (int i = 1; i <= count.value; ++i) {
    const auto value = section.value(name + std::to_string(i));
    if (!value) continue;
    auto path = manifestRelativePath(*value, isFolder);
    if (!path) return false;
    paths.push_back(std::move(*path));
  }
  return true;
}

bool isWithin(const fs::path& inner, const fs::path& outer) {
  auto i = inner.begin();
  for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
    if (o->empty()) continue;  // the empty last part of a path ending in a separator
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

std::string temporaryNameFor(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const auto slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string suffix = ".imbrino-update-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter.fetch_add(1)) + ".tmp";
  return folder + "." + nameLeavingRoom(name, suffix.size() + 1) + suffix;
}

// What the user is told when a file cannot be written, by the system's reason.
std::string whyNotWritten(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "没有写入的权限";
    case EROFS:
      return "所在的磁盘只能读不能写";
    case ENOSPC:
    case EDQUOT:
      return "磁盘空间不足";
    case EISDIR:
      return "同名的文件夹占着它的位置";
    default:
      return systemErrorText(error);
  }
}

// A program or script (an ELF file, or one starting "#!"), which must be
// installed executable.
bool looksExecutable(const std::uint8_t* start, std::size_t size) {
  return (size >= 4 && std::memcmp(start, "\177ELF", 4) == 0) ||
         (size >= 2 && start[0] == '#' && start[1] == '!');
}

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The streaming half of an atomic write: `source` into a new file beside
// `target`, flushed, then renamed over it. A link at `target` is replaced, not
// followed (the caller has already chosen where to write).
Status copyAtomically(const std::string& source, const std::string& target) {
  struct stat existing {};
  const bool exists = ::lstat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return fail(whyNotWritten(EISDIR));

  FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return fail(source + ": " + systemErrorText(errno));
  const std::string temporary = temporaryNameFor(target);
  FileDescriptor out(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (out.get() < 0) return fail(whyNotWritten(errno));
  auto abandon = [&](int error) {
    ::unlink(temporary.c_str());
    return fail(whyNotWritten(error));
  };

  std::vector<std::uint8_t> buffer(1 << 20);
  bool executable = false;
  for (bool first = true;;) {
    const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return abandon(errno);
    }
    if (n == 0) break;
    if (first) executable = looksExecutable(buffer.data(), static_cast<std::size_t>(n));
    first = false;
    if (!writeAll(out.get(), buffer.data(), static_cast<std::size_t>(n))) return abandon(errno);
  }
  if (exists && S_ISREG(existing.st_mode)) {
    // A replaced file keeps its permissions, so a replaced program stays executable.
    if (::fchmod(out.get(), existing.st_mode & 07777) != 0) return abandon(errno);
  } else if (executable) {
    // A new program may be run by whoever may read it (the umask had its say
    // in the read bits already).
    struct stat made {};
    if (::fstat(out.get(), &made) != 0) return abandon(errno);
    const mode_t mode = made.st_mode & 0777;
    if (::fchmod(out.get(), mode | ((mode & 0444) >> 2)) != 0) return abandon(errno);
  }
  if (::fdatasync(out.get()) != 0) return abandon(errno);
  if (!out.close()) return abandon(errno);
  if (::rename(temporary.c_str(), target.c_str()) != 0) return abandon(errno);

  // The rename itself survives a power cut only once the folder is flushed.
  const auto slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  return {};
}

}  // namespace

std::optional<std::string> manifestRelativePath(std::string_view value, bool isFolder) {
  if (value.empty() || !isSeparator(value.front())) return std::nullopt;
  value.remove_prefix(1);
  if (isFolder && !value.empty() && isSeparator(value.back())) value.remove_suffix(1);
  std::string path;
  for (;;) {
    const auto end = std::find_if(value.begin(), value.end(), isSeparator);
    const std::string_view part = value.substr(0, static_cast<std::size_t>(end - value.begin()));
    if (part.empty() || part == "." || part == ".." ||
        std::any_of(part.begin(), part.end(), isRefusedInName))
      return std::nullopt;
    path += '/';
    path += part;
    if (end == value.end()) break;
    value.remove_prefix(part.size() + 1);
  }
  return path;
}

std::optional<ProgramVersion> manifestVersion(const IniDocument& manifest) {
  ProgramVersion version;
  for (int i = 0; i < 4; ++i) {
    const auto text = manifest.value("Version", "Version" + std::to_string(i + 1));
    if (!text) return std::nullopt;
    version.parts[static_cast<std::size_t>(i)] = leadingNumber(*text);
  }
  return version;
}

IniDocument parseManifest(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return IniDocument::parse(bytes);
}

std::variant<InstallPlan, PlanProblem> readInstallPlan(const IniDocument& manifest,
                                                       bool requireHashes) {
  InstallPlan plan;
  // The order of the checks is the order the run meets them: the folders it
  // makes first, then whether there is a file list at all, then the files.
  if (!readPathList(manifest, "NewDirs", true, plan.newFolders)) return PlanProblem::Invalid;

  const Section files(manifest, "AddFiles");
  const Count count = readCount(files, "AddFilesLen");
  if (!count.present) return PlanProblem::NoFileList;
  if (count.tooLarge) return PlanProblem::Invalid;
  for (int i = 1; i <= count.value; ++i) {
    const std::string index = std::to_string(i);
    const auto url = files.value("AddFilesSrc" + index);
    const auto destination = files.value("AddFilesDest" + index);
    if (!url || !destination) return PlanProblem::Invalid;
    InstallPlan::File file{*url, {}, {}};
    auto path = manifestRelativePath(*destination, false);
    if (!path) return PlanProblem::Invalid;
    file.destination = std::move(*path);
    if (const auto hash = files.value("AddFilesSha256" + index)) {
      file.sha256 = parseHex32(*hash);
      if (!file.sha256) return PlanProblem::Invalid;
    } else if (requireHashes) {
      return PlanProblem::Invalid;
    }
    plan.files.push_back(std::move(file));
  }

  if (!readPathList(manifest, "DelFiles", false, plan.deletedFiles) ||
      !readPathList(manifest, "DelDirs", true, plan.deletedFolders))
    return PlanProblem::Invalid;
  return plan;
}

bool staysInside(const std::string& folder, const std::string& path) {
  std::error_code error;
  const fs::path root = fs::canonical(folder, error);
  if (error) return false;
  const fs::path resolved = fs::weakly_canonical(fs::absolute(path, error), error);
  if (error) return false;
  return isWithin(resolved, root);
}

Status installFile(const std::string& source, const std::string& target,
                   const std::string& folder) {
  const auto slash = target.find_last_of('/');
  const std::string parent = slash == std::string::npos ? "." : target.substr(0, slash);
  if (!staysInside(folder, parent)) return fail("它所在的文件夹链接到程序文件夹以外");

  std::string destination = target;
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    // A link that stays inside is written through, as every save does; one
    // that leads out is replaced by the file itself, so nothing outside changes.
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(target, error);
    if (!error && staysInside(folder, resolved.string())) destination = resolved.string();
  }
  return copyAtomically(source, destination);
}

}  // namespace imbrino
