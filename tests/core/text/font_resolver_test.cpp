#include "text/font_resolver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/gbk.h"

namespace imbrino {
namespace {

using ::testing::Contains;
using ::testing::StartsWith;

std::string familyFor(std::string_view face, bool bold = false, bool italic = false) {
  auto resolved = resolveFont(face, bold, italic);
  if (!resolved) return "failed: " + resolved.reason();
  return (*resolved)->primary.family;
}

// The Windows names templates carry, in Chinese and in their GBK-era English
// spelling, end at the look-alikes the rules promise.
TEST(FontResolver, WindowsNamesFindTheirLookAlikes) {
  const std::pair<const char*, const char*> cases[] = {
      {"宋体", "AR PL UMing CN"},          {"SimSun", "AR PL UMing CN"},
      {"新宋体", "AR PL UMing CN"},        {"NSimSun", "AR PL UMing CN"},
      {"仿宋", "AR PL UMing CN"},          {"FangSong", "AR PL UMing CN"},
      {"楷体", "AR PL UKai CN"},           {"KaiTi", "AR PL UKai CN"},
      {"黑体", "WenQuanYi Zen Hei"},       {"SimHei", "WenQuanYi Zen Hei"},
      {"微软雅黑", "WenQuanYi Micro Hei"}, {"Microsoft YaHei", "WenQuanYi Micro Hei"},
      {"Arial", "Liberation Sans"},        {"Helvetica", "Liberation Sans"},
      {"Segoe UI", "Liberation Sans"},     {"Verdana", "DejaVu Sans"},
      {"Tahoma", "DejaVu Sans"},           {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},  {"Consolas", "Liberation Mono"},
      {"arial", "Liberation Sans"},  // Windows face names ignore case
  };
  for (const auto& [face, family] : cases) EXPECT_EQ(familyFor(face), family) << face;
}

TEST(FontResolver, InstalledFamiliesResolveToThemselves) {
  EXPECT_EQ(familyFor("Liberation Serif"), "Liberation Serif");
  EXPECT_EQ(familyFor("DejaVu Sans Mono"), "DejaVu Sans Mono");
  EXPECT_EQ(familyFor("文泉驿正黑"), "WenQuanYi Zen Hei");  // a family's Chinese name
}

TEST(FontResolver, EmptyAndUnknownNamesEndAtTheSongFace) {
  EXPECT_EQ(familyFor(""), "AR PL UMing CN");
  EXPECT_EQ(familyFor("华康少女文字W5"), "AR PL UMing CN");
  EXPECT_EQ(familyFor("No Such Face"), "AR PL UMing CN");
  // A damaged GBK name decodes to U+FFFD and still finds a face.
  EXPECT_EQ(familyFor(gbkToUtf8("\xFF\xFE")), "AR PL UMing CN");
}

TEST(FontResolver, ReportsTheStyleTheFaceReallyHas) {
  auto arial = resolveFont("Arial", true, true);
  ASSERT_TRUE(arial) << arial.reason();
  EXPECT_TRUE((*arial)->primary.bold);
  EXPECT_TRUE((*arial)->primary.italic);
  EXPECT_THAT((*arial)->primary.file, ::testing::HasSubstr("LiberationSans-BoldItalic"));

  // The Ming face comes in one weight only: bold has to be made.
  auto song = resolveFont("宋体", true, false);
  ASSERT_TRUE(song) << song.reason();
  EXPECT_EQ((*song)->primary.family, "AR PL UMing CN");
  EXPECT_FALSE((*song)->primary.bold);
  EXPECT_FALSE((*song)->primary.italic);
}

TEST(FontResolver, FallbacksCoverWhatThePrimaryLacks) {
  auto arial = resolveFont("Arial", false, false);
  ASSERT_TRUE(arial) << arial.reason();
  const FontResolution& r = **arial;
  EXPECT_TRUE(covers(r.primary, U'A'));
  EXPECT_FALSE(covers(r.primary, U'文'));
  // The Song face comes first for Chinese, as on the systems templates come from.
  const auto chinese = std::find_if(r.fallbacks.begin(), r.fallbacks.end(),
                                    [](const FontSource& s) { return covers(s, U'文'); });
  ASSERT_NE(chinese, r.fallbacks.end());
  EXPECT_EQ(chinese->family, "AR PL UMing CN");
  // Every fallback adds something: none just repeats the primary's styles.
  for (const FontSource& s : r.fallbacks) EXPECT_NE(s.family, "Liberation Sans");
}

TEST(FontResolver, FaceListHoldsInstalledFamiliesAndWindowsNames) {
  const auto names = listFaceNames();
  EXPECT_THAT(names, Contains("宋体"));
  EXPECT_THAT(names, Contains("SimSun"));
  EXPECT_THAT(names, Contains("Arial"));
  EXPECT_THAT(names, Contains("AR PL UMing CN"));
  EXPECT_THAT(names, Contains("Liberation Sans"));
  EXPECT_THAT(names, Contains("文泉驿正黑"));
  EXPECT_THAT(names, ::testing::Not(Contains("sans-serif")));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  // Whatever the user picks must fit the template's face-name field.
  for (const auto& name : names) {
    const auto gbk = utf8ToGbk(name);
    ASSERT_TRUE(gbk) << name;
    EXPECT_LE(gbk->size(), 31u) << name;
  }
}

TEST(FontResolver, EveryRuleNameIsStorableAndReachesAnInstalledLookAlike) {
  const auto names = ruleFaceNames();
  EXPECT_GE(names.size(), 40u);
  EXPECT_THAT(names, Contains("楷体"));
  EXPECT_THAT(names, ::testing::Not(Contains("serif")));
  for (const auto& name : names) {
    const auto gbk = utf8ToGbk(name);
    ASSERT_TRUE(gbk) << name;
    EXPECT_LE(gbk->size(), 31u) << name;
    // The rules only name the Arphic, WenQuanYi, Liberation and DejaVu faces.
    const std::string family = familyFor(name);
    EXPECT_TRUE(family.starts_with("AR PL ") || family.starts_with("WenQuanYi ") ||
                family.starts_with("Liberation ") || family.starts_with("DejaVu "))
        << name << " -> " << family;
  }
}

}  // namespace
}  // namespace imbrino
