#include <gtest/gtest.h>

#include <optional>

#include "editing/template_editing.h"
#include "graphics/picture_limits.h"
#include "support/test_support.h"

namespace imbrino {
namespace {

Bytes fileOf(Template& document) {
  return serializeTemplate(document).value();
}

std::string writePicture(const test::TempFolder& folder, const std::string& name, int width,
                         int height) {
  const std::string path = folder.file(name);
  test::writeBytes(path, encodeBmp(test::makeTestPicture(width, height)).value());
  return path;
}

// A 300 x 200 template edited through every kind of step; what the file would
// hold before each step, and at the end.
class EditorHistory : public ::testing::Test {
 protected:
  EditorHistory() {
    document.background.width = 300;
    document.background.height = 200;
    editing.startHistory();
  }
  template <class Step>
  void step(Step&& action) {
    before.push_back(fileOf(document));
    action();
  }
  void drag(Point from, Point to) {
    editing.leftButtonDown(from, {}, false);
    editing.mouseMove(to, {}, true);
    editing.leftButtonUp(to, {});
  }

  test::TempFolder folder;
  Template document;
  TemplateEditing editing{document};
  std::vector<Bytes> before;
};

TEST_F(EditorHistory, UndoAndRedoWalkEveryKindOfStepAndModifiedFollowsTheSave) {
  const std::string logo = writePicture(folder, "logo.bmp", 40, 20);
  step([&] { editing.insertText(); });
  step([&] { ASSERT_TRUE(editing.insertPicture(logo).status); });
  step([&] { drag({140, 95}, {170, 115}); });   // the picture moves
  step([&] { drag({202, 132}, {212, 142}); });  // by its bottom-right handle
  step([&] { drag({300, 100}, {260, 100}); });  // the background's right edge
  step([&] { editing.sendBackward(); });        // the picture below the text
  step([&] { editing.moveSelection(0, 1); });   // an arrow key
  editing.setModified(false);                   // saved here: step 7
  step([&] {
    document.textObjects[0].alpha = 100;  // a panel's edit
    editing.changed();
  });
  editing.selectAll();
  step([&] { editing.deleteSelected([](const Template&, ObjectRef) { return 1; }); });
  const Bytes last = fileOf(document);
  std::vector<Bytes> states = before;
  states.push_back(last);
  const std::size_t saved = 7;
  ASSERT_EQ(states.size(), 10u);

  for (std::size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(editing.undo()) << i;
    EXPECT_EQ(fileOf(document), states[i - 1]) << "undo to " << i - 1;
    EXPECT_EQ(editing.modified(), i - 1 != saved) << i - 1;
  }
  EXPECT_FALSE(editing.canUndo());
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(editing.redo()) << i;
    EXPECT_EQ(fileOf(document), states[i]) << "redo to " << i;
    EXPECT_EQ(editing.modified(), i != saved) << i;
  }
  EXPECT_FALSE(editing.canRedo());

  // A step after undoing ends the way to redo, and to the saved state.
  editing.undo();
  editing.undo();
  editing.undo();
  editing.insertText();
  EXPECT_FALSE(editing.canRedo());
  EXPECT_TRUE(editing.modified());
  editing.undo();
  EXPECT_EQ(fileOf(document), states[6]);
  EXPECT_TRUE(editing.modified());  // the saved state is gone
}

TEST_F(EditorHistory, StepsThatGoOnJoinAndEverythingElseStandsAlone) {
  editing.insertText();
  editing.insertText();
  const Bytes start = fileOf(document);
  struct Case {
    const char* what;
    std::vector<MergeKey> keys;  // one change each, in order
    std::size_t steps;
  };
  const MergeKey text0{1057, 0};
  const MergeKey text1{1057, 1};
  const MergeKey alpha0{1056, 0};
  const Case cases[] = {
      {"typing into one field", {text0, text0, text0}, 1},
      {"another field between", {text0, alpha0, text0}, 3},
      {"the same field of another object", {text0, text1}, 2},
      {"changes that never join", {{}, {}}, 2},
  };
  for (const Case& c : cases) {
    editing.breakMerge();
    std::int16_t alpha = 0;
    for (const MergeKey& key : c.keys) {
      document.textObjects[0].alpha = ++alpha;
      editing.changed(key);
    }
    std::size_t undone = 0;
    while (fileOf(document) != start && editing.undo()) ++undone;
    EXPECT_EQ(undone, c.steps) << c.what;
  }

  // A key held down is one step; each press of its own is another.
  editing.moveSelection(1, 0);
  editing.moveSelection(1, 0, true);
  editing.moveSelection(1, 0, true);
  editing.moveSelection(0, 1);
  const int x = document.textObjects[1].x;
  editing.undo();
  EXPECT_EQ(document.textObjects[1].x, x);
  editing.undo();
  EXPECT_EQ(document.textObjects[1].x, x - 3);

  // A save parts what is typed before it from what is typed after.
  document.textObjects[0].alpha = 5;
  editing.changed(text0);
  editing.setModified(false);
  document.textObjects[0].alpha = 7;
  editing.changed(text0);
  editing.undo();
  EXPECT_FALSE(editing.modified());
}

TEST_F(EditorHistory, PicturesAreSharedNotCopiedAndTheLineIsBounded) {
  // A deleted picture comes back as itself: its pixels were never copied.
  ASSERT_TRUE(editing.insertPicture(writePicture(folder, "a.bmp", 64, 64)).status);
  const PictureObject* inserted = document.pictureObjects[0].get();
  editing.deleteSelected([](const Template&, ObjectRef) { return 0; });
  ASSERT_TRUE(document.pictureObjects.empty());
  editing.undo();
  ASSERT_EQ(document.pictureObjects.size(), 1u);
  EXPECT_EQ(document.pictureObjects[0].get(), inserted);

  // At least a hundred steps are kept.
  for (int i = 0; i < 150; ++i) editing.moveSelection(1, 0);
  int undone = 0;
  while (editing.undo()) ++undone;
  EXPECT_GE(undone, 100);

  // Pictures that only the history still holds count against its bytes: the
  // oldest steps go.
  EditHistory history({200, 3 * 64 * 64 * 4});
  Template held;
  history.reset(held);
  for (int i = 0; i < 10; ++i) {
    auto picture = std::make_shared<PictureObject>();
    picture->picture = Surface::create(64, 64, 0).value();
    held.pictureObjects.assign(1, picture);
    history.record(held);
  }
  EXPECT_LE(history.stepCount(), 3u);
  EXPECT_GE(history.stepCount(), 1u);
}

TEST(EditorLimits, WhatTheEditorCanMakeAtEachLimitReadsBack) {
  // A lower pixel limit stands in for the real one, which the reader and the
  // editor share.
  struct LowerLimit {
    std::int64_t old = maxPicturePixels();
    LowerLimit() { setMaxPicturePixels(3 * 40 * 40); }
    ~LowerLimit() { setMaxPicturePixels(old); }
  };
  std::optional<LowerLimit> lower(std::in_place);
  test::TempFolder folder;
  Template document;
  TemplateEditing editing(document);
  const std::string tile = writePicture(folder, "tile.bmp", 40, 40);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(editing.insertPicture(tile).status) << i;
  const PictureInsertion refused = editing.insertPicture(writePicture(folder, "one.bmp", 1, 1));
  EXPECT_FALSE(refused.status);
  EXPECT_EQ(refused.limit, TemplateLimit::PicturePixels);
  EXPECT_EQ(refused.sizeWithPicture.picturePixels, 3 * 40 * 40 + 1);
  EXPECT_EQ(document.pictureObjects.size(), 3u);

  const std::string saved = folder.file("full.src");
  ASSERT_TRUE(writeTemplateFile(saved, document));
  Template read;
  ASSERT_TRUE(readTemplateFile(saved, read));
  EXPECT_EQ(fileOf(read), fileOf(document));
  // The writer refuses what the reader would.
  ASSERT_TRUE(addPictureObject(writePicture(folder, "two.bmp", 1, 1), document));
  EXPECT_FALSE(writeTemplateFile(folder.file("over.src"), document));
  lower.reset();

  struct Case {
    TemplateSize size;
    TemplateLimit limit;
  };
  const Case cases[] = {
      {{kMaxTemplatePicturePixels, kMaxTemplateFileBytes}, TemplateLimit::None},
      {{kMaxTemplatePicturePixels + 1, 0}, TemplateLimit::PicturePixels},
      {{0, kMaxTemplateFileBytes + 1}, TemplateLimit::FileBytes},
  };
  for (const Case& c : cases) EXPECT_EQ(crossedLimit(c.size), c.limit);
}

}  // namespace
}  // namespace imbrino
