#include <gtest/gtest.h>

#include "support/test_versions.h"
#include "update/install_plan.h"
#include "update/updater.h"

namespace imbrino {
namespace {

TEST(UpdaterCommandLine, IsWrittenWithADotAfterEachNumberAndReadBack) {
  const std::string line = updaterCommandLine(kBuiltInVersion, "https://h/software/IMB/Update.ini");
  EXPECT_EQ(line,
            "[" + test::versionText(kBuiltInVersion) + ".] [https://h/software/IMB/Update.ini]");
  const auto parsed = parseUpdaterCommandLine(line);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->version, kBuiltInVersion);
  EXPECT_EQ(parsed->manifestUrl, "https://h/software/IMB/Update.ini");
}

TEST(UpdaterCommandLine, AcceptsAndRefusesAsTheFormatSays) {
  struct Case {
    const char* line;
    bool accepted;
    ProgramVersion version;
    const char* url;
  };
  const Case cases[] = {
      {"[3.7.0.0.] [u]", true, {{3, 7, 0, 0}}, "u"},
      {"  [ 12.+3.x.0junk.] [u v]",
       true,
       {{12, 3, 0, 0}},
       "u v"},                                    // numbers convert as settings do
      {"[....] [u]", true, {{0, 0, 0, 0}}, "u"},  // no digits is 0
      {"[1.2.3.4.5.] [u]", true, {{1, 2, 3, 4}}, "u"},
      {"[3.7.0.0.] [http://[::1]:8080/Update.ini]",
       true,
       {{3, 7, 0, 0}},
       "http://[::1]:8080/Update.ini"},
      {"[3.7.0.0] [u]", false, {}, ""},    // no dot after the fourth number
      {"[3.7.0.0.] []", false, {}, ""},    // empty address
      {"[3.7.0.0.]", false, {}, ""},       // no address at all
      {"[3.7.0.0.] [u", false, {}, ""},    // address not closed
      {"[3.-7.0.0.] [u]", false, {}, ""},  // negative
      {"[] [u]", false, {}, ""},
      {"3.7.0.0. [u]", false, {}, ""},
      {"", false, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto parsed = parseUpdaterCommandLine(c.line);
    ASSERT_EQ(parsed.has_value(), c.accepted);
    if (!parsed) continue;
    EXPECT_EQ(parsed->version, c.version);
    EXPECT_EQ(parsed->manifestUrl, c.url);
  }
}

TEST(ProgramVersionTest, OnlyTheFirstThreePartsDecideNewer) {
  const ProgramVersion running{{3, 7, 0, 0}};
  const std::pair<ProgramVersion, bool> cases[] = {
      {{{3, 7, 0, 0}}, false}, {{{3, 7, 0, 9}}, false}, {{{3, 6, 99, 0}}, false},
      {{{2, 9, 9, 9}}, false}, {{{3, 7, 1, 0}}, true},  {{{3, 8, 0, 0}}, true},
      {{{4, 0, 0, 0}}, true},  {{{3, 8, -5, 0}}, true},
  };
  for (const auto& [announced, newer] : cases)
    EXPECT_EQ(isNewerVersion(announced, running), newer)
        << announced.parts[0] << "." << announced.parts[1] << "." << announced.parts[2];
}

TEST(ManifestPaths, EitherSeparatorIsAcceptedAndNothingLeavesTheFolder) {
  struct Case {
    std::string_view value;
    bool isFolder;
    const char* expected;  // nullptr: refused
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {"\\sub\\file.ext", false, "/sub/file.ext"},
      {"/sub/file.ext", false, "/sub/file.ext"},
      {"\\a/b\\c", false, "/a/b/c"},
      {"\\名字\\文件.txt", false, "/名字/文件.txt"},
      {"\\sub\\", true, "/sub"},
      {"\\sub\\", false, nullptr},    // a file needs a name
      {"sub\\file", false, nullptr},  // would be a sibling of the folder
      {"\\", true, nullptr},
      {"\\", false, nullptr},
      {"\\\\server\\share", false, nullptr},
      {"//etc/passwd", false, nullptr},
      {"\\..\\outside", false, nullptr},
      {"\\sub\\..\\..\\x", false, nullptr},
      {"\\sub\\..", true, nullptr},
      {"\\.", true, nullptr},
      {"\\a\\.\\b", false, nullptr},
      {"C:\\Windows\\x.dll", false, nullptr},
      {"\\C:\\x", false, nullptr},
      {"\\file.txt:stream", false, nullptr},
      {"\\a\\\\b", false, nullptr},
      {"", false, nullptr},
      {"\\a\0b"sv, false, nullptr},
      {"\\file.txt\r", false, nullptr},
      {"\\sub\r\\", true, nullptr},
      {"\\a\tb", false, nullptr},
      {"\\a\x7F", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.value)));
    const auto path = manifestRelativePath(c.value, c.isFolder);
    if (c.expected == nullptr)
      EXPECT_FALSE(path) << *path;
    else
      EXPECT_EQ(path.value_or("(refused)"), c.expected);
  }
}

TEST(ManifestReading, FollowsTheSettingsRules) {
  // A byte order mark and CR LF lines, as an editor elsewhere saves them; names in any case;
  // numbers up to their first non-digit; values cut at 259 characters; clamped to the int range.
  const auto version = manifestVersion(parseManifest(
      "\xEF\xBB\xBF[version]\r\nVERSION1 = 3x\r\nVersion2= +8\r\nversion3=-1\r\nVersion4=" +
      std::string(300, '7') + "\r\n"));
  ASSERT_TRUE(version);
  EXPECT_EQ(*version, (ProgramVersion{{3, 8, -1, 2147483647}}));
  // The first of two keys counts, and an empty value is none.
  EXPECT_FALSE(manifestVersion(
      parseManifest("[Version]\nVersion1=3\nVersion2=8\nVersion3=\nVersion3=1\nVersion4=0\n")));
}

}  // namespace
}  // namespace imbrino
