#pragma once
// The pictures of a run when they do not fit on a command line: a list read
// from a file or standard input, and the share of it one of several jobs
// takes when the work is spread over processes or machines.

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace imbrino::cli {

// One path a line (a CR before the LF is dropped), or NUL-separated with
// `nulSeparated`. Empty entries are skipped. Paths are bytes: spaces,
// Chinese and names that are not UTF-8 come through as they are.
std::vector<std::string> readFileList(std::istream& in, bool nulSeparated);

// Job K of N (1 <= K <= N).
struct Shard {
  int index = 1;
  int count = 1;
  friend bool operator==(const Shard&, const Shard&) = default;
};

// "K/N", or nothing when the text is not that.
std::optional<Shard> parseShard(std::string_view text);

// The shard the job engine gave this process, from its environment:
//   a Slurm job array: SLURM_ARRAY_TASK_ID, counted from SLURM_ARRAY_TASK_MIN
//     (0 when unset), of SLURM_ARRAY_TASK_COUNT;
//   a Kubernetes Indexed Job: JOB_COMPLETION_INDEX (from 0) of
//     IMBRINO_SHARD_COUNT, which the job's manifest sets to its completions.
// Nothing when neither is set completely or the values make no shard.
using Environment = std::optional<std::string> (*)(const char* name);
std::optional<Shard> shardFromEnvironment(Environment environment);

// The items whose 0-based position modulo N is K - 1, in order: N jobs given
// the same list take every item exactly once between them.
std::vector<std::string> takeShard(const std::vector<std::string>& items, Shard shard);

}  // namespace imbrino::cli
