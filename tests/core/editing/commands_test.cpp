#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "editing/template_editing.h"
#include "image/codecs.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

using Kind = ObjectRef::Kind;

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(EditorCommands, NewTakesTheBackgroundFromTheSettings) {
  struct Case {
    const char* section;
    int width;
    int height;
    ColorRef colour;
    int transparent;
    int alpha;
  };
  // clang-format off
  const Case cases[] = {
      {"", 250, 250, 0x00FFFFFF, 0, 255},
      {"TemplateWidth=600\nTemplateHeight=400\nTemplateColor=255\nTemplateTransparent=1\n"
       "TemplateAlphaBlend=128\n",
       600, 400, 0x000000FF, 1, 128},
      // Sizes must be above 0; text that starts with no number reads as 0.
      {"TemplateWidth=0\nTemplateHeight=-40\n", 250, 250, 0x00FFFFFF, 0, 255},
      {"TemplateWidth=abc\nTemplateHeight=12px\nTemplateColor=red\n", 250, 12, 0, 0, 255},
      {"TemplateColor=-1\nTemplateTransparent=7\nTemplateAlphaBlend=70000\n", 250, 250, 0xFFFFFFFF,
       1, static_cast<std::int16_t>(70000)},
      {"TemplateTransparent=0\nTemplateAlphaBlend=-3\nTemplateWidth=\n", 250, 250, 0x00FFFFFF, 0,
       -3},
  };
  // clang-format on
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  for (const Case& c : cases) {
    writeText(settings.path(), std::string("[EditTemplate]\n") + c.section);
    Template document;
    document.background.width = 7;
    document.background.transparent = 1;
    document.textObjects.emplace_back();
    document.pictureObjects.push_back(std::make_unique<PictureObject>());
    TemplateEditing editing(document);
    editing.setModified(true);
    editing.newTemplate(settings);
    const TemplateBackground& background = document.background;
    EXPECT_EQ(background.width, c.width) << c.section;
    EXPECT_EQ(background.height, c.height) << c.section;
    EXPECT_EQ(background.colour, c.colour) << c.section;
    EXPECT_EQ(background.transparent, c.transparent) << c.section;
    EXPECT_EQ(background.alpha, c.alpha) << c.section;
    EXPECT_EQ(document.objectCount(), 0);
    EXPECT_TRUE(editing.modified());  // New leaves it as the save question left it
  }
}

TEST(EditorCommands, SavedDefaultsComeBackInTheNextNewTemplate) {
  test::TempFolder folder;
  const SettingsFile settings(folder.file("SetupInfor.ini"));
  TemplateBackground saved;
  saved.width = 600;
  saved.height = 400;
  saved.colour = 0x00336699;
  saved.transparent = 3;
  saved.alpha = -2;
  ASSERT_TRUE(saveNewTemplateDefaults(saved, settings));
  EXPECT_EQ(settings.readSetting("EditTemplate", "TemplateColor"), "3368601");
  EXPECT_EQ(settings.readSetting("EditTemplate", "TemplateTransparent"), "3");
  EXPECT_EQ(settings.readSetting("EditTemplate", "TemplateAlphaBlend"), "-2");

  Template document;
  TemplateEditing editing(document);
  editing.newTemplate(settings);
  EXPECT_EQ(document.background.width, 600);
  EXPECT_EQ(document.background.height, 400);
  EXPECT_EQ(document.background.colour, 0x00336699u);
  EXPECT_EQ(document.background.transparent, 1);
  EXPECT_EQ(document.background.alpha, -2);

  // A settings file that cannot be written is reported.
  writeText(folder.file("file"), "");
  EXPECT_FALSE(saveNewTemplateDefaults(saved, SettingsFile(folder.file("file") + "/x.ini")));
}

TEST(EditorCommands, InsertedObjectsAreSelectedAloneAndMarkModified) {
  test::TempFolder folder;
  const std::string path = folder.file("wide.bmp");
  auto bmp = encodeBmp(test::makeTestPicture(301, 40));
  ASSERT_TRUE(bmp.ok());
  test::writeBytes(path, *bmp);

  Template document;
  document.background.width = 100;
  document.background.height = 100;
  TemplateEditing editing(document);
  editing.insertText();
  EXPECT_TRUE(editing.modified());
  editing.insertText();
  EXPECT_EQ(document.textObjects[0].selected, 0);
  EXPECT_EQ(document.textObjects[1].selected, 1);
  EXPECT_EQ(document.textObjects[1].zOrder, 2);

  editing.setModified(false);
  ASSERT_TRUE(editing.insertPicture(path).status.ok());
  EXPECT_TRUE(editing.modified());
  const PictureObject& picture = *document.pictureObjects[0];
  EXPECT_EQ(countSelected(document), 1);
  EXPECT_EQ(picture.selected, 1);
  EXPECT_EQ(picture.zOrder, 3);
  // Larger than the background: centred, at a negative position.
  EXPECT_EQ(picture.x, -100);
  EXPECT_EQ(picture.y, 30);
  EXPECT_EQ(picture.width, 301);

  editing.setModified(false);
  writeText(folder.file("broken.png"), "not a picture");
  for (const std::string& bad : {folder.file("missing.png"), folder.file("broken.png")}) {
    const Status status = editing.insertPicture(bad).status;
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.reason().empty());
  }
  EXPECT_EQ(document.objectCount(), 3);
  EXPECT_EQ(document.pictureObjects[0]->selected, 1);
  EXPECT_FALSE(editing.modified());
}

// Texts "A" "B" "C" on levels 1..3 and pictures of width 10, 20, 30 on levels 4..6.
Template sixObjects(const std::vector<int>& selected) {
  Template document;
  for (int i = 0; i < 3; ++i) {
    TextObject text;
    text.setText(std::string(1, static_cast<char>('A' + i)));
    text.zOrder = i + 1;
    text.selected = 0;
    document.textObjects.push_back(text);
  }
  for (int i = 0; i < 3; ++i) {
    auto picture = std::make_unique<PictureObject>();
    picture->width = 10 * (i + 1);
    picture->zOrder = i + 4;
    picture->selected = 0;
    document.pictureObjects.push_back(std::move(picture));
  }
  for (const int i : selected) {
    if (i < 3)
      document.textObjects[static_cast<std::size_t>(i)].selected = 1;
    else
      document.pictureObjects[static_cast<std::size_t>(i - 3)]->selected = 1;
  }
  return document;
}

// A text by its text with its level, a picture by its width with its level.
std::string nameOf(const Template& document, ObjectRef ref) {
  const auto i = static_cast<std::size_t>(ref.index);
  if (ref.kind == Kind::Text)
    return std::string(document.textObjects[i].textBytes()) +
           std::to_string(document.textObjects[i].zOrder) + " ";
  return "p" + std::to_string(document.pictureObjects[i]->width) + ":" +
         std::to_string(document.pictureObjects[i]->zOrder) + " ";
}
std::string remaining(const Template& document) {
  std::string out;
  for (std::size_t i = 0; i < document.textObjects.size(); ++i)
    out += nameOf(document, {Kind::Text, static_cast<int>(i)});
  for (std::size_t i = 0; i < document.pictureObjects.size(); ++i)
    out += nameOf(document, {Kind::Picture, static_cast<int>(i)});
  return out;
}

TEST(EditorCommands, DeleteAsksForEachSelectedObjectUntilTheAnswersSayOtherwise) {
  struct Case {
    std::vector<int> selected;
    std::vector<int> answers;
    bool modifiedBefore;
    std::string asked;
    std::string left;
    bool modifiedAfter;
  };
  const std::string all = "A1 B2 C3 p10:4 p20:5 p30:6 ";
  // clang-format off
  const Case cases[] = {
      // No, then yes to all: one kept, the other two go after two questions.
      {{0, 2, 4}, {2, 1}, false, "A1 C3 ", "A1 B2 p10:3 p30:4 ", true},
      {{0, 1, 2, 3, 4, 5}, {0, 0, 0, 0, 0, 0}, false, "A1 B1 C1 p10:1 p20:1 p30:1 ", "", true},
      {{1, 5}, {2, 2}, false, "B2 p30:6 ", all, true},
      // No to all stops at once: the flag stays as it was unless something
      // was deleted before.
      {{0, 1, 3}, {0, 3}, false, "A1 B1 ", "B1 C2 p10:3 p20:4 p30:5 ", true},
      {{0, 1, 3}, {3}, false, "A1 ", all, false},
      {{0, 1, 3}, {3}, true, "A1 ", all, true},
      // Nothing selected: no question, and still a change.
      {{}, {}, false, "", all, true},
      // An answer the question never gives keeps the object.
      {{3}, {7}, false, "p10:4 ", all, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    Template document = sixObjects(c.selected);
    TemplateEditing editing(document);
    editing.setModified(c.modifiedBefore);
    std::string asked;
    std::size_t answered = 0;
    int removals = 0;
    editing.deleteSelected(
        [&](const Template& asking, ObjectRef ref) {
          asked += nameOf(asking, ref);
          return c.answers.at(answered++);
        },
        [&] { ++removals; });
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(remaining(document), c.left) << asked;
    EXPECT_EQ(removals, 6 - document.objectCount());
    EXPECT_EQ(editing.modified(), c.modifiedAfter) << asked;
  }
}

TEST(EditorCommands, RestackingMarksModifiedOnlyWhenALevelChanges) {
  Template document = sixObjects({5});
  TemplateEditing editing(document);
  editing.bringForward();
  setAllSelected(document, 0);
  document.textObjects[0].selected = 1;
  editing.sendBackward();
  EXPECT_EQ(remaining(document), "A1 B2 C3 p10:4 p20:5 p30:6 ");
  EXPECT_FALSE(editing.modified());
  editing.bringForward();
  EXPECT_EQ(remaining(document), "A2 B1 C3 p10:4 p20:5 p30:6 ");
  EXPECT_TRUE(editing.modified());
}

// Objects written as "t2*" (a text on level 2, selected) or "p1" (a picture
// on level 1), texts first; the same notation comes back with the levels.
Template objectsOnLevels(const std::string& spec) {
  Template document;
  std::istringstream in(spec);
  for (std::string word; in >> word;) {
    const int level = std::stoi(word.substr(1));
    const std::uint8_t selected = word.back() == '*' ? 1 : 0;
    if (word[0] == 't') {
      document.textObjects.emplace_back();
      document.textObjects.back().zOrder = level;
      document.textObjects.back().selected = selected;
    } else {
      document.pictureObjects.push_back(std::make_unique<PictureObject>());
      document.pictureObjects.back()->zOrder = level;
      document.pictureObjects.back()->selected = selected;
    }
  }
  return document;
}
std::string levelsOf(const Template& document) {
  std::string out;
  for (const TextObject& text : document.textObjects)
    out += "t" + std::to_string(text.zOrder) + " ";
  for (const auto& picture : document.pictureObjects)
    out += "p" + std::to_string(picture->zOrder) + " ";
  return out;
}

TEST(EditorCommands, TheStackOperationsAsTheyExchangeLevels) {
  struct Case {
    const char* before;
    void (*operation)(Template&);
    const char* after;
  };
  const Case cases[] = {
      // Onto a shared level: only the first object there comes down.
      {"t1* t2 t2", bringForward, "t2 t1 t2 "},
      // A level at the object count is the top, whatever stands above it.
      {"t2* t3", bringForward, "t2 t3 "},
      {"t1* t1", sendBackward, "t1 t1 "},
  };
  for (const Case& c : cases) {
    Template document = objectsOnLevels(c.before);
    c.operation(document);
    EXPECT_EQ(levelsOf(document), c.after) << c.before;
  }
  // Deleting from a shared level closes only the gap above it.
  Template document = objectsOnLevels("t1* t1 t2");
  TemplateEditing editing(document);
  editing.deleteSelected([](const Template&, ObjectRef) { return 0; });
  EXPECT_EQ(levelsOf(document), "t1 t1 ");
}

TEST(EditorCommands, RestackingClosesUpLevelsFirstSoNoObjectIsHidden) {
  struct Case {
    const char* before;
    bool forward;
    const char* after;
  };
  const Case cases[] = {
      {"t1* t2 t2", true, "t2 t1 t3 "},
      // A picture moved onto a level another picture is drawn on would vanish.
      {"t2 p1* p2", true, "t1 p2 p3 "},
      {"t1* t5", true, "t2 t1 "},
      {"t0 t1*", true, "t1 t2 "},
      {"t3* p3", false, "t1 p2 "},
      {"t1 p2*", false, "t2 p1 "},
  };
  for (const Case& c : cases) {
    Template document = objectsOnLevels(c.before);
    TemplateEditing editing(document);
    c.forward ? editing.bringForward() : editing.sendBackward();
    EXPECT_EQ(levelsOf(document), c.after) << c.before;
    EXPECT_TRUE(editing.modified()) << c.before;
  }
}

}  // namespace
}  // namespace imbrino
