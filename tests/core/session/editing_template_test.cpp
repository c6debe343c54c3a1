#include "session/editing_template.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

// A saved template 120 x 40 with one text object.
std::string saveSmallTemplate(const test::TempFolder& folder, const std::string& name) {
  Template document;
  document.background.width = 120;
  document.background.height = 40;
  EXPECT_TRUE(addTextObject(document));
  const std::string path = folder.file(name);
  EXPECT_TRUE(writeTemplateFile(path, document));
  return path;
}

bool isDefault(const Template& document) {
  return document.background.width == 250 && document.background.height == 250 &&
         document.background.colour == kColorRefWhite && document.background.alpha == 255 &&
         document.background.transparent == 0 && document.objectCount() == 0;
}

TEST(EditingTemplate, StartsFromTheRememberedFileOrSilentlyFromTheDefault) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));

  EditingTemplate editing;
  loadStartupTemplate(editing, settings);  // no settings at all
  EXPECT_TRUE(isDefault(editing.document));
  EXPECT_TRUE(editing.path.empty());

  const std::string saved = saveSmallTemplate(folder, "small.src");
  ASSERT_TRUE(settings.writeSetting("EditTemplate", "FileName", saved));
  loadStartupTemplate(editing, settings);
  EXPECT_EQ(editing.path, saved);
  EXPECT_EQ(editing.document.background.width, 120);
  EXPECT_EQ(editing.document.objectCount(), 1);

  // The remembered file was deleted: default template, no path, and the
  // stale name stays in the settings when nothing new was opened.
  std::filesystem::remove(saved);
  loadStartupTemplate(editing, settings);
  EXPECT_TRUE(isDefault(editing.document));
  EXPECT_TRUE(editing.path.empty());
  storeEditingTemplate(editing, settings);
  EXPECT_EQ(settings.readSetting("EditTemplate", "FileName"), saved);
}

TEST(EditingTemplate, ExitRemembersThePathAndEmptiesTheObjects) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  EditingTemplate editing;
  editing.path = saveSmallTemplate(folder, "mark.src");
  ASSERT_TRUE(addTextObject(editing.document));
  storeEditingTemplate(editing, settings);
  EXPECT_EQ(editing.document.objectCount(), 0);
  EXPECT_EQ(settings.readSetting("EditTemplate", "FileName"), editing.path);
}

TEST(EditingTemplate, ReloadAfterTheEditorKeepsTheTemplateWhenTheFileFailsToRead) {
  test::TempFolder folder;
  EditingTemplate editing;
  editing.path = saveSmallTemplate(folder, "small.src");
  reloadEditingTemplate(editing);
  ASSERT_EQ(editing.document.objectCount(), 1);
  ASSERT_TRUE(addTextObject(editing.document));
  test::writeBytes(editing.path, Bytes(30, 0x01));  // damaged since it was saved
  reloadEditingTemplate(editing);
  EXPECT_EQ(editing.document.background.width, 120);
  EXPECT_EQ(editing.document.objectCount(), 2);
}

TEST(EditingTemplate, CommandLineTemplateLoadsOrFallsBack) {
  test::TempFolder folder;
  EditingTemplate editing;
  const std::string good = saveSmallTemplate(folder, "good.src");
  EXPECT_TRUE(loadCommandLineTemplate(editing, good));
  EXPECT_EQ(editing.path, good);

  // A bad file on the command line: the current file is read again.
  test::writeBytes(folder.file("bad.src"), Bytes{1, 2, 3});
  editing.document.background.width = 999;
  EXPECT_FALSE(loadCommandLineTemplate(editing, folder.file("bad.src")));
  EXPECT_EQ(editing.path, good);
  EXPECT_EQ(editing.document.background.width, 120);

  // A relative path is remembered absolute: the next start may be elsewhere.
  const auto here = std::filesystem::current_path();
  std::filesystem::create_directory(folder.file("sub"));
  std::filesystem::current_path(folder.path());
  const bool loaded = loadCommandLineTemplate(editing, "./sub/../good.src");
  std::filesystem::current_path(here);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(editing.path, good);

  // ... and when that is gone too, the default template.
  std::filesystem::remove(good);
  EXPECT_FALSE(loadCommandLineTemplate(editing, folder.file("bad.src")));
  EXPECT_TRUE(isDefault(editing.document));
}

TEST(EditingTemplate, CommandLinePathRules) {
  EXPECT_EQ(templatePathFromCommandLine("/home/u/a b/mark.src"), "/home/u/a b/mark.src");
  EXPECT_EQ(templatePathFromCommandLine("\"/home/u/a b/MARK.SRC\""), "/home/u/a b/MARK.SRC");
  EXPECT_EQ(templatePathFromCommandLine("/home/u/photo.jpg"), std::nullopt);
  EXPECT_EQ(pathFromCommandLine("\"/home/u/a b/photo.jpg\""), "/home/u/a b/photo.jpg");
  EXPECT_EQ(templatePathFromCommandLine("/home/u.src/noext"), std::nullopt);
  EXPECT_EQ(templatePathFromCommandLine(""), std::nullopt);
  EXPECT_EQ(templatePathFromCommandLine("\""), std::nullopt);
  EXPECT_EQ(templatePathFromCommandLine("/" + std::string(300, 'a') + ".src"), std::nullopt);
  // Counted as settings count: 127 Chinese characters are 254 wide, not 381 bytes.
  std::string chinese = "/";
  for (int i = 0; i < 127; ++i) chinese += "图";
  EXPECT_EQ(templatePathFromCommandLine(chinese + ".src"), chinese + ".src");
  EXPECT_EQ(templatePathFromCommandLine(chinese + "图.src"), std::nullopt);
}

}  // namespace
}  // namespace imbrino
