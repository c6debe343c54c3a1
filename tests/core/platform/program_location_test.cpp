#include "platform/program_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace imbrino {
namespace {

TEST(ProgramLayout, DataBesideTheProgramElseInShare) {
  struct Case {
    const char* name;
    std::vector<std::string> files;  // under the prefix; a trailing "/" is a folder
    std::string dataFolder;          // under the prefix
    bool installed;
  };
  const Case cases[] = {
      {"portable", {"bin/help.html", "share/imbrino/help.html"}, "bin/", false},
      {"pictures only", {"bin/ButtonPic/"}, "bin/", false},
      {"installed", {"share/imbrino/help.html"}, "share/imbrino/", true},
      {"installed pictures", {"share/imbrino/ButtonPic/"}, "share/imbrino/", true},
      {"neither", {"share/imbrino/ButtonPic", "bin/help.html/"}, "bin/", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder prefix;
    const std::string root = prefix.path().string() + '/';
    std::filesystem::create_directories(root + "bin");
    for (const std::string& file : c.files) {
      std::filesystem::create_directories(std::filesystem::path(root + file).parent_path());
      if (file.back() != '/') test::writeBytes(root + file, Bytes{});
    }
    const ProgramLayout layout = programLayoutAt(root + "bin/");
    EXPECT_EQ(layout.dataFolder, root + c.dataFolder);
    EXPECT_EQ(layout.installed, c.installed);
  }
}

}  // namespace
}  // namespace imbrino
