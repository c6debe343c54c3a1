#include "batch/output_plan.h"

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
// as a write follows it, to a target that need not exist yet.
std::string fileKey(const std::string& path) {
  namespace fs = std::filesystem;
  constexpr int kMaxLinks = 40;  // the kernel's own limit on a chain of links
  std::error_code error;
  fs::path file = fs::absolute(path, error);
  if (error) return path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    fs::path folder = fs::weakly_canonical(file.parent_path(), error);
    if (error) folder = file.parent_path().lexically_normal();
    file = folder / file.filename();
    if (!fs::is_symlink(file, error)) break;
    const fs::path target = fs::read_symlink(file, error);
    if (error) break;
    file = target.is_absolute() ? target : folder / target;
  }
  return file.lexically_normal().string();
}

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

  // Every listed picture and every row's own output is taken: a numbered
  // name may be none of them.
  std::vector<std::string> ownOutput(files.size());              // empty for rows that never write
  std::unordered_map<std::string, std::vector<int>> readers;     // in list order
  std::unordered_map<std::string, std::vector<int>> contenders;  // in list order
  std::unordered_set<std::string> taken;
  for (int row = 0; row < rowCount; ++row) {
    plan.outputs[row] = outputPathFor(outputFolder, files[row]);
    const std::string source = fileKey(files[row]);
    readers[source].push_back(row);
    taken.insert(source);
    if (imageTypeOfPath(files[row]) == ImageType::Unknown) continue;
    ownOutput[row] = fileKey(plan.outputs[row]);
    contenders[ownOutput[row]].push_back(row);
    taken.insert(ownOutput[row]);
  }

  auto keeperOf = [&](const std::string& output) {
    const auto listed = readers.find(output);
    if (listed == readers.end()) return contenders[output].front();
    const int lastReader = listed->second.back();
    return ownOutput[lastReader] == output ? lastReader : -1;
  };

  std::unordered_map<std::string, int> nextNumber;  // per file name
  for (int row = 0; row < rowCount; ++row) {
    const std::string& output = ownOutput[row];
    if (output.empty()) continue;
    if (keeperOf(output) == row) {
      if (const auto listed = readers.find(output); listed != readers.end()) {
        plan.replacesListed[row] = true;
        for (const int reader : listed->second)
          if (reader != row) plan.readersBefore[row].push_back(reader);
      }
      continue;
    }
    const std::string name = fileNameOf(files[row]);
    int& number = nextNumber.try_emplace(name, 2).first->second;
    std::string numbered;
    do {
      numbered = outputPathFor(outputFolder, numberedFileName(name, number++));
    } while (!taken.insert(fileKey(numbered)).second);
    plan.outputs[row] = numbered;
    plan.renamed[row] = true;
  }
  return plan;
}

}  // namespace imbrino
