#include "batch/output_plan.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace imbrino {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0, bar; start <= text.size() && !text.empty(); start = bar + 1) {
    bar = std::min(text.find('|', start), text.size());
    parts.push_back(text.substr(start, bar - start));
  }
  return parts;
}

// Paths are relative to a fresh folder, the current one while the plan is
// made. Links ("link>target") are made first. An output ending in "+" is a
// numbered one, in "!" one replacing a listed picture.
struct PlanCase {
  const char* links;
  const char* files;
  const char* folder;
  const char* outputs;
};

const PlanCase kCases[] = {
    {"", "a/x.jpg|b/x.jpg|c/x.jpg", "out/", "out/x.jpg|out/x (2).jpg+|out/x (3).jpg+"},
    // A numbered name is no other row's own name and no listed picture.
    {"", "a/x.jpg|b/x.jpg|c/x (2).jpg", "out", "out/x.jpg|out/x (3).jpg+|out/x (2).jpg"},
    {"out/x (2).jpg>../a/y.jpg", "a/x.jpg|b/x.jpg|a/y.jpg", "out",
     "out/x.jpg|out/x (3).jpg+|out/y.jpg"},
    {"", "a/x.JPG|b/x.jpg", "out", "out/x.JPG|out/x.jpg"},
    {"out/x.jpg>y.jpg", "a/x.jpg|a/y.jpg", "out", "out/x.jpg|out/y (2).jpg+"},
    {"", "a/x.tif|b/x.tif", "out", "out/x.tif|out/x.tif"},  // never written
    {"link>a", "a/x.jpg|./a/y.png", "link/../link", "link/../link/x.jpg!|link/../link/y.png!"},
    // A listed picture is replaced by its own copy only, by the last row listing it.
    {"", "a/x.jpg|b/x.jpg", "b", "b/x (2).jpg+|b/x.jpg!"},
    {"", "a/x.jpg|a/x.jpg", "a", "a/x (2).jpg+|a/x.jpg!"},
    {"b/z.jpg>../a/x.jpg", "a/x.jpg|b/z.jpg", "a", "a/x (2).jpg+|a/z.jpg"},
    {"", "a/x.jpg|b/x.jpg", "", "|"},
};

TEST(OutputPlan, EveryRowGetsAnOutputOfItsOwn) {
  for (const PlanCase& c : kCases) {
    SCOPED_TRACE(c.files + std::string(" -> ") + c.folder);
    test::TempFolder root;
    for (const char* folder : {"a", "b", "c", "out"}) fs::create_directories(root.path() / folder);
    for (const std::string& link : split(c.links)) {
      const auto arrow = link.find('>');
      fs::create_symlink(link.substr(arrow + 1), root.path() / link.substr(0, arrow));
    }
    const auto here = fs::current_path();
    fs::current_path(root.path());
    const OutputPlan plan = planOutputs(split(c.files), c.folder);
    fs::current_path(here);

    std::vector<std::string> outputs;
    for (std::size_t row = 0; row < plan.outputs.size(); ++row)
      outputs.push_back(plan.outputs[row] + (plan.renamed[row] ? "+" : "") +
                        (plan.replacesListed[row] ? "!" : ""));
    EXPECT_EQ(outputs, split(c.outputs));
  }
}

}  // namespace
}  // namespace imbrino
