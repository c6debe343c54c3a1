#include "file_list.h"

#include <charconv>

namespace imbrino::cli {
namespace {

std::optional<long long> wholeNumber(std::string_view text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

std::optional<Shard> shardOf(long long index, long long count) {
  if (count < 1 || count > 1'000'000 || index < 1 || index > count) return std::nullopt;
  return Shard{static_cast<int>(index), static_cast<int>(count)};
}

}  // namespace

std::vector<std::string> readFileList(std::istream& in, bool nulSeparated) {
  std::vector<std::string> paths;
  std::string entry;
  while (std::getline(in, entry, nulSeparated ? '\0' : '\n')) {
    if (!nulSeparated && !entry.empty() && entry.back() == '\r') entry.pop_back();
    if (!entry.empty()) paths.push_back(std::move(entry));
  }
  return paths;
}

std::optional<Shard> parseShard(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const auto index = wholeNumber(text.substr(0, slash));
  const auto count = wholeNumber(text.substr(slash + 1));
  if (!index || !count) return std::nullopt;
  return shardOf(*index, *count);
}

std::optional<Shard> shardFromEnvironment(Environment environment) {
  auto number = [&](const char* name) -> std::optional<long long> {
    const auto text = environment(name);
    return text ? wholeNumber(*text) : std::nullopt;
  };
  if (const auto task = number("SLURM_ARRAY_TASK_ID")) {
    const auto count = number("SLURM_ARRAY_TASK_COUNT");
    if (!count) return std::nullopt;
    return shardOf(*task - number("SLURM_ARRAY_TASK_MIN").value_or(0) + 1, *count);
  }
  if (const auto completion = number("JOB_COMPLETION_INDEX")) {
    const auto count = number("IMBRINO_SHARD_COUNT");
    if (!count) return std::nullopt;
    return shardOf(*completion + 1, *count);
  }
  return std::nullopt;
}

std::vector<std::string> takeShard(const std::vector<std::string>& items, Shard shard) {
  std::vector<std::string> taken;
  for (std::size_t i = static_cast<std::size_t>(shard.index - 1); i < items.size();
       i += static_cast<std::size_t>(shard.count))
    taken.push_back(items[i]);
  return taken;
}

}  // namespace imbrino::cli
