// Any bytes read as a list of pictures, by lines or by NULs, give paths that
// hold no separator and are never empty; any text read as a shard gives one
// whose share of a list takes every item once.
#include <cstdlib>
#include <sstream>

#include "file_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino::cli;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (const bool nul : {false, true}) {
    std::istringstream in(bytes);
    for (const std::string& path : readFileList(in, nul))
      if (path.empty() || path.find(nul ? '\0' : '\n') != std::string::npos) std::abort();
  }
  if (const auto shard = parseShard(bytes)) {
    if (shard->index < 1 || shard->index > shard->count) std::abort();
    const std::vector<std::string> items(static_cast<std::size_t>(shard->count % 50 + 3), "x");
    std::size_t taken = 0;
    for (int k = 1; k <= shard->count && k <= 60; ++k)
      taken += takeShard(items, {k, shard->count}).size();
    if (shard->count <= 60 && taken != items.size()) std::abort();
  }
  return 0;
}
