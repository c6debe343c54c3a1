#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/file_io.h"
#include "settings/ini_file.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

std::string readText(const std::string& path) {
  const Bytes bytes = test::readBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void writeText(const std::string& path, const std::string& text) {
  test::writeBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(IniDocument, NamesIgnoreCaseValuesAreTrimmedAndEmptyIsAbsent) {
  const IniDocument doc = IniDocument::parse(
      "; written by hand\r\n"
      " [ newfile ] \r\n"
      "  WIDTH =  640  \r\n"
      "Height=\r\n"
      "Color = 255\n"
      "[EditTemplate]\n"
      "FileName=C:\\a b\\t.src\n");
  EXPECT_EQ(doc.value("NewFile", "Width"), "640");
  EXPECT_EQ(doc.value("NEWFILE", "color"), "255");
  EXPECT_EQ(doc.value("NewFile", "Height"), std::nullopt);    // empty counts as absent
  EXPECT_EQ(doc.value("NewFile", "FileName"), std::nullopt);  // belongs to another section
  EXPECT_EQ(doc.value("EditTemplate", "FileName"), "C:\\a b\\t.src");
  EXPECT_EQ(doc.value("Missing", "Width"), std::nullopt);
}

TEST(IniDocument, LongValuesAreCutTo259Characters) {
  const std::string longValue(400, 'x');
  const IniDocument doc = IniDocument::parse("[S]\nK=" + longValue + "\n");
  EXPECT_EQ(doc.value("S", "K")->size(), kMaxSettingLength);
}

// Widths as the Chinese code page counts them: ASCII one, anything else two,
// and a cut never splits a character.
TEST(IniDocument, WidthsCountChineseAsTwoAndNeverSplitACharacter) {
  const std::string han = "水";  // three bytes of UTF-8, two wide
  struct Case {
    std::string text;
    std::size_t width;
    std::string kept;
  } cases[] = {
      {"abc", 2, "ab"},
      {"a" + han, 2, "a"},  // the character would straddle the edge
      {"a" + han, 3, "a" + han},
      {han + han, 3, han},
      {"\xC3", 2, "\xC3"},           // a character cut short in the file stays one
      {"\x80\x80x", 4, "\x80\x80"},  // stray bytes count as characters of their own
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cutToWidth(c.text, c.width), c.kept) << c.text << " " << c.width;
    EXPECT_EQ(fitsWidth(c.text, c.width), c.kept == c.text) << c.text;
  }
  // 129 Chinese characters (258 wide) after a slash fit whole: 387 bytes.
  std::string path = "/";
  for (int i = 0; i < 129; ++i) path += han;
  const IniDocument doc = IniDocument::parse("[S]\nK=" + path + han + "\n");
  EXPECT_EQ(doc.value("S", "K"), path);
}

TEST(IniDocument, SettingAValueKeepsEverythingElse) {
  IniDocument doc =
      IniDocument::parse("; comment\n[NewFile]\nwidth=1\n\n[Other]\nx=2\nnot a setting line\n");
  doc.setValue("NEWFILE", "Width", "640");    // replaced in place, case of the file kept
  doc.setValue("NewFile", "Height", "480");   // added after the section's last entry
  doc.setValue("ToolDialog", "X", "12");      // new section at the end
  doc.setValue("Other", "y", "line\nbreak");  // a value never spans lines
  EXPECT_EQ(doc.serialize(),
            "; comment\n[NewFile]\nwidth=640\nHeight=480\n\n[Other]\nx=2\ny=line break\n"
            "not a setting line\n[ToolDialog]\nX=12\n");
  const IniDocument again = IniDocument::parse(doc.serialize());
  EXPECT_EQ(again.value("newfile", "width"), "640");
  EXPECT_EQ(again.value("ToolDialog", "x"), "12");
}

TEST(IniDocument, LeadingNumberStopsAtTheFirstNonDigit) {
  EXPECT_EQ(leadingNumber("640"), 640);
  EXPECT_EQ(leadingNumber("  -12px"), -12);
  EXPECT_EQ(leadingNumber("+7"), 7);
  EXPECT_EQ(leadingNumber("abc"), 0);
  EXPECT_EQ(leadingNumber(""), 0);
  EXPECT_EQ(leadingNumber("99999999999999999999"), 2147483647);
  EXPECT_EQ(leadingNumber("-99999999999999999999"), -2147483647 - 1);
}

TEST(SettingsFile, MissingFileReadsAbsentAndIsNotCreated) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  EXPECT_EQ(settings.readSetting("NewFile", "Width"), std::nullopt);
  EXPECT_EQ(settings.readNumber("NewFile", "Width"), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(settings.path()));
}

TEST(SettingsFile, WritesCreateFolderFileAndSectionAndReadBack) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("config/imbrino/SetupInfor.ini"));
  ASSERT_TRUE(settings.writeNumber("NewFile", "Width", 640));
  ASSERT_TRUE(settings.writeNumber("NewFile", "Color", 16777215));
  ASSERT_TRUE(settings.writeSetting("EditTemplate", "FileName", "/home/u/水印.src"));
  EXPECT_EQ(settings.readNumber("newfile", "WIDTH"), 640);
  EXPECT_EQ(settings.readSetting("EditTemplate", "FileName"), "/home/u/水印.src");
  EXPECT_EQ(readText(settings.path()),
            "[NewFile]\nWidth=640\nColor=16777215\n[EditTemplate]\nFileName=/home/u/水印.src\n");
  // Non-numeric text is present and reads as 0; an empty value is absent.
  writeText(settings.path(), "[NewFile]\nWidth=wide\nHeight=\n");
  EXPECT_EQ(settings.readNumber("NewFile", "Width"), 0);
  EXPECT_EQ(settings.readNumber("NewFile", "Height"), std::nullopt);
}

TEST(SettingsFile, AValueTooWideToReadBackKeepsTheOldOne) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  ASSERT_TRUE(settings.writeSetting("EditTemplate", "FileName", "/old.src"));
  std::string wide = "/";
  for (int i = 0; i < 127; ++i) wide += "模";                                     // 255 wide
  EXPECT_TRUE(settings.writeSetting("EditTemplate", "FileName", wide + ".src"));  // 259
  EXPECT_EQ(settings.readSetting("EditTemplate", "FileName"), wide + ".src");
  const Bytes before = test::readBytes(settings.path());
  EXPECT_FALSE(settings.writeSetting("EditTemplate", "FileName", wide + "x.src"));  // 260
  EXPECT_EQ(test::readBytes(settings.path()), before);
}

TEST(SettingsFile, AFileItCannotReadIsNeverOverwritten) {
  // Far larger than any settings file: not parsed, and so not rewritten,
  // which would drop everything in it.
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  const std::string huge = "[EditTemplate]\nFileName=/keep/me.src\n" + std::string(2 << 20, ';');
  writeText(settings.path(), huge);
  EXPECT_EQ(settings.readSetting("EditTemplate", "FileName"), std::nullopt);
  EXPECT_FALSE(settings.writeSetting("NewFile", "Width", "1"));
  EXPECT_EQ(readText(settings.path()), huge);
}

TEST(SettingsFile, LivesBesideAWritableProgramElseInTheUserConfig) {
  test::TempFolder folder;
  const std::string programFolder = folder.path().string() + "/";
  EXPECT_EQ(settingsFilePath(programFolder), programFolder + "SetupInfor.ini");

  ::setenv("XDG_CONFIG_HOME", "/home/someone/.cfg", 1);
  EXPECT_EQ(settingsFilePath("/no/such/program/folder/"),
            "/home/someone/.cfg/imbrino/SetupInfor.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(settingsFilePath("/no/such/program/folder/"),
            "/home/someone/.config/imbrino/SetupInfor.ini");
}

}  // namespace
}  // namespace imbrino
