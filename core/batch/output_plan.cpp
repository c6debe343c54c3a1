#include "batch/output_plan.h"

#include <dirent.h>

#include <cerrno>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "image/image_types.h"

namespace imbrino {
namespace {

std::string fileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names, as the file system resolves it: absolute, with
// folder links, "." and ".." resolved, and a link at the file itself followed
// as a write follows it, to a target that need not exist yet. Lists hold
// many files of few folders, so each folder is resolved once, and a folder
// many files come from is read once for its links instead of asking about
// each file: a list of 100 000 pictures is planned in a fraction of a second.
class FileKeys {
 public:
  // Strings rather than std::filesystem::path on the way: a path allocates
  // for every component, which is most of the cost of a long list.
  std::string operator()(const std::string& path) {
    constexpr int kMaxLinks = 40;  // the kernel's own limit on a chain of links
    std::string file = path;
    if (file.empty() || file.front() != '/') {
      std::error_code error;
      if (workingFolder_.empty()) workingFolder_ = std::filesystem::current_path(error).string();
      if (error || workingFolder_.empty()) return path;
      file = joined(workingFolder_, file);
    }
    for (int hop = 0; hop <= kMaxLinks; ++hop) {
      const auto slash = file.find_last_of('/');
      const std::string name = file.substr(slash + 1);
      // "." and ".." name folders, which writes never replace.
      if (name.empty() || name == "." || name == "..")
        return std::filesystem::path(file).lexically_normal().string();
      Folder& folder = resolvedFolder(slash == 0 ? "/" : file.substr(0, slash));
      file = joined(folder.path, name);
      if (!isLink(folder, file, name)) break;
      std::error_code error;
      const std::string target = std::filesystem::read_symlink(file, error).string();
      if (error || target.empty()) break;
      file = target.front() == '/' ? target : joined(folder.path, target);
    }
    return file;
  }

 private:
  // Files looked up one by one in a folder before it is read whole.
  static constexpr int kLookupsBeforeListing = 64;

  struct Folder {
    std::string path;  // resolved, without a closing slash but for the root
    int lookups = 0;
    bool listed = false;
    std::unordered_set<std::string> links;  // names of the links in it, once listed
  };

  static std::string joined(const std::string& folder, const std::string& name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
  }

  Folder& resolvedFolder(const std::string& folder) {
    const auto [at, added] = folders_.try_emplace(folder);
    if (added) {
      std::error_code error;
      std::filesystem::path resolved = std::filesystem::weakly_canonical(folder, error);
      if (error) resolved = std::filesystem::path(folder).lexically_normal();
      at->second.path = resolved.string();
      while (at->second.path.size() > 1 && at->second.path.back() == '/')
        at->second.path.pop_back();
      if (at->second.path.empty()) at->second.path = "/";
    }
    return at->second;
  }

  bool isLink(Folder& folder, const std::string& file, const std::string& name) {
    if (!folder.listed && ++folder.lookups > kLookupsBeforeListing) listLinks(folder);
    if (folder.listed) return folder.links.count(name) != 0;
    std::error_code error;
    return std::filesystem::is_symlink(file, error);
  }

  // Notes the folder's links from one reading of it; a folder that cannot
  // be read, or whose entries do not tell their type, is asked file by file.
  static void listLinks(Folder& folder) {
    DIR* listing = ::opendir(folder.path.c_str());
    if (listing == nullptr) {
      folder.listed = errno == ENOENT;  // a missing folder holds no links
      return;
    }
    bool typed = true;
    while (const dirent* entry = ::readdir(listing)) {
      if (entry->d_type == DT_UNKNOWN) {
        typed = false;
        break;
      }
      if (entry->d_type == DT_LNK) folder.links.insert(entry->d_name);
    }
    ::closedir(listing);
    folder.listed = typed;
    if (!typed) folder.links.clear();
  }

  std::unordered_map<std::string, Folder> folders_;
  std::string workingFolder_;
};

}  // namespace

std::string outputPathFor(const std::string& outputFolder, const std::string& picturePath) {
  // "" + "/" + name would be a file in the root folder.
  if (outputFolder.empty()) return {};
  const std::string name = fileNameOf(picturePath);
  if (outputFolder.back() == '/') return outputFolder + name;
  return outputFolder + "/" + name;
}

std::string numberedFileName(const std::string& fileName, int number) {
  // A leading dot starts the name, not an extension.
  const auto dot = fileName.find_last_of('.');
  const auto split = dot == std::string::npos || dot == 0 ? fileName.size() : dot;
  return fileName.substr(0, split) + " (" + std::to_string(number) + ")" + fileName.substr(split);
}

int OutputPlan::replacedCount() const {
  int count = 0;
  for (const bool replaces : replacesListed) count += replaces;
  return count;
}

OutputPlan planOutputs(const std::vector<std::string>& files, const std::string& outputFolder) {
  const int rowCount = static_cast<int>(files.size());
  OutputPlan plan;
  plan.outputs.resize(files.size());
  plan.renamed.assign(files.size(), false);
  plan.replacesListed.assign(files.size(), false);
  plan.readersBefore.resize(files.size());
  if (outputFolder.empty()) return plan;

  // Every file the run touches, by key: the rows reading it (a chain through
  // nextReader, in list order) and the first row whose own output it is.
  // Every key is taken: a numbered name may be none of them.
  struct Use {
    int firstReader = -1;
    int lastReader = -1;
    int firstContender = -1;
  };
  std::unordered_map<std::string, Use> uses;
  uses.reserve(2 * files.size());
  std::vector<int> nextReader(files.size(), -1);
  std::vector<const std::string*> ownOutput(files.size(), nullptr);  // null: never writes
  FileKeys fileKey;
  for (int row = 0; row < rowCount; ++row) {
    plan.outputs[row] = outputPathFor(outputFolder, files[row]);
    Use& source = uses[fileKey(files[row])];
    if (source.lastReader >= 0)
      nextReader[static_cast<std::size_t>(source.lastReader)] = row;
    else
      source.firstReader = row;
    source.lastReader = row;
    if (imageTypeOfPath(files[row]) == ImageType::Unknown) continue;
    const auto output = uses.try_emplace(fileKey(plan.outputs[row])).first;
    if (output->second.firstContender < 0) output->second.firstContender = row;
    ownOutput[row] = &output->first;  // keys stay put while the map grows
  }

  // The row that writes `output` under its own name: the last row reading
  // it when that row's own output it is (a picture replaced by its own
  // stamped copy), no row when another row reads it last, else the first
  // row wanting it.
  auto keeperOf = [&](const std::string& output) {
    const Use& use = uses.at(output);
    if (use.firstReader < 0) return use.firstContender;
    return ownOutput[use.lastReader] == &uses.find(output)->first ? use.lastReader : -1;
  };

  std::unordered_map<std::string, int> nextNumber;  // per file name
  for (int row = 0; row < rowCount; ++row) {
    if (ownOutput[row] == nullptr) continue;
    const std::string& output = *ownOutput[row];
    if (keeperOf(output) == row) {
      const Use& use = uses.at(output);
      if (use.firstReader >= 0) {
        plan.replacesListed[row] = true;
        for (int reader = use.firstReader; reader >= 0; reader = nextReader[reader])
          if (reader != row) plan.readersBefore[row].push_back(reader);
      }
      continue;
    }
    const std::string name = fileNameOf(files[row]);
    int& number = nextNumber.try_emplace(name, 2).first->second;
    std::string numbered;
    do {
      numbered = outputPathFor(outputFolder, numberedFileName(name, number++));
    } while (!uses.try_emplace(fileKey(numbered)).second);
    plan.outputs[row] = numbered;
    plan.renamed[row] = true;
  }
  return plan;
}

}  // namespace imbrino
