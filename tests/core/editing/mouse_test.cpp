#include <gtest/gtest.h>

#include <climits>

#include "editing/template_editing.h"

namespace imbrino {
namespace {

using Kind = ObjectRef::Kind;
using Panel = EditorEffects::Panel;

// A 300 x 200 background with objects placed by hand (pictures need no
// pixels: only their boxes count), which count as the file's.
class EditorMouse : public ::testing::Test {
 protected:
  EditorMouse() {
    document.background.width = 300;
    document.background.height = 200;
  }
  void addText(int x, int y, int level, bool selected) {
    TextObject text;
    text.x = x;
    text.y = y;
    text.zOrder = level;
    text.selected = selected ? 1 : 0;
    document.textObjects.push_back(text);
    editing.setModified(false);
  }
  void addPicture(Rect box, int level, bool selected) {
    auto picture = std::make_unique<PictureObject>();
    picture->x = box.x;
    picture->y = box.y;
    picture->width = picture->sourceWidth = box.width;
    picture->height = picture->sourceHeight = box.height;
    picture->zOrder = level;
    picture->selected = selected ? 1 : 0;
    document.pictureObjects.push_back(std::move(picture));
    editing.setModified(false);
  }
  Rect box(int picture) const { return objectBox(*document.pictureObjects[picture]); }
  // Selected flags, texts then pictures.
  std::vector<int> selection() const {
    std::vector<int> flags;
    for (const auto& text : document.textObjects) flags.push_back(text.selected);
    for (const auto& picture : document.pictureObjects) flags.push_back(picture->selected);
    return flags;
  }
  void select(const std::vector<int>& flags) {
    for (std::size_t i = 0; i < flags.size(); ++i) {
      if (i < document.textObjects.size())
        document.textObjects[i].selected = static_cast<std::uint8_t>(flags[i]);
      else
        document.pictureObjects[i - document.textObjects.size()]->selected =
            static_cast<std::uint8_t>(flags[i]);
    }
  }
  // Press, move with the button down, release there.
  void drag(Point from, Point to, Point scroll = {}) {
    editing.leftButtonDown(from, scroll, false);
    editing.mouseMove(to, scroll, true);
    editing.leftButtonUp(to, scroll);
  }

  Template document;
  TemplateEditing editing{document};
};

TEST_F(EditorMouse, ClicksSelectAndDragTheSelection) {
  struct Case {
    std::vector<int> before;
    Point press;
    bool control;
    Point release;
    std::vector<int> after;
    std::vector<int> moved;
    bool modified;
  };
  // clang-format off
  const Case cases[] = {
      {{0, 1, 0, 0}, {205, 105}, false, {215, 110}, {0, 0, 0, 1}, {0, 0, 0, 1}, true},
      // Several selected: a click on another object drags them, not it.
      {{1, 1, 1, 0}, {205, 105}, false, {215, 110}, {1, 1, 1, 0}, {1, 1, 1, 0}, true},
      // A click without moving is a change.
      {{0, 0, 0, 1}, {205, 105}, false, {205, 105}, {0, 0, 0, 1}, {0, 0, 0, 0}, true},
      // Control flips the object and drags nothing.
      {{1, 1, 1, 0}, {15, 105}, true, {40, 120}, {1, 1, 0, 0}, {0, 0, 0, 0}, false},
      {{0, 0, 0, 0}, {205, 105}, true, {215, 110}, {0, 0, 0, 1}, {0, 0, 0, 0}, false},
      // Outside the background: the selection goes, nothing starts.
      {{1, 1, 1, 0}, {305, 10}, false, {100, 100}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
      {{1, 1, 1, 0}, {10, 205}, false, {100, 100}, {0, 0, 0, 0}, {0, 0, 0, 0}, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    document.textObjects.clear();
    document.pictureObjects.clear();
    addText(10, 10, 1, false);
    addPicture({10, 50, 20, 20}, 2, false);
    addPicture({10, 100, 20, 20}, 3, false);
    addPicture({200, 100, 20, 20}, 4, false);
    select(c.before);
    editing.setModified(false);
    const EditorEffects down = editing.leftButtonDown(c.press, {}, c.control);
    EXPECT_TRUE(down.hidePanels && down.redraw);
    editing.mouseMove(c.release, {}, true);
    editing.leftButtonUp(c.release, {});
    EXPECT_EQ(editing.dragMode(), DragMode::None);
    EXPECT_EQ(selection(), c.after) << c.press.x << "," << c.press.y;
    EXPECT_EQ(editing.modified(), c.modified) << c.press.x << "," << c.press.y;
    const int dx = c.release.x - c.press.x;
    const int dy = c.release.y - c.press.y;
    EXPECT_EQ(document.textObjects[0].x, 10 + c.moved[0] * dx);
    EXPECT_EQ(document.textObjects[0].y, 10 + c.moved[0] * dy);
    const Point origins[] = {{10, 50}, {10, 100}, {200, 100}};
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(box(i), (Rect{origins[i].x + c.moved[i + 1] * dx,
                              origins[i].y + c.moved[i + 1] * dy, 20, 20}));
  }
}

TEST_F(EditorMouse, MoveIsCalledOffWhenReleasedBeyondTheBackground) {
  addPicture({10, 10, 100, 100}, 1, false);
  struct Case {
    Point release;
    Point scroll;
    bool moves;
  };
  const Case cases[] = {{{300, 200}, {}, true},       {{301, 100}, {}, false},
                        {{100, 201}, {}, false},      {{250, 150}, {51, 0}, false},
                        {{250, 150}, {50, 50}, true}, {{-1, 100}, {}, false}};
  for (const Case& c : cases) {
    document.pictureObjects[0]->x = document.pictureObjects[0]->y = 10;
    editing.setModified(false);
    editing.leftButtonDown({20, 20}, c.scroll, false);
    EXPECT_TRUE(editing.leftButtonUp(c.release, c.scroll).redraw);
    EXPECT_EQ(editing.modified(), c.moves) << c.release.x << "," << c.release.y;
    // The way moved is between client points; the scroll only decides where
    // the release landed.
    const Rect expected =
        c.moves ? Rect{c.release.x - 10, c.release.y - 10, 100, 100} : Rect{10, 10, 100, 100};
    EXPECT_EQ(box(0), expected) << c.release.x << "," << c.release.y;
  }

  // Positions stop at the ends of their range.
  addPicture({INT_MAX - 5, INT_MIN + 5, 10, 10}, 2, true);
  drag({20, 20}, {120, 10});
  EXPECT_EQ(box(1).x, INT_MAX);
  EXPECT_EQ(box(1).y, INT_MIN);
}

TEST_F(EditorMouse, PictureResizeByEachHandle) {
  struct Case {
    int handle;
    Point from;
    Point to;
    Point scroll;
    Rect result;
  };
  // The picture is at (50, 40), 100 x 80: right edge 150, bottom edge 120.
  // clang-format off
  const Case cases[] = {
      {8, {152, 122}, {172, 102}, {}, {50, 40, 120, 60}}, {5, {152, 80}, {140, 0}, {}, {50, 40, 88, 80}},
      {7, {100, 121}, {0, 221}, {}, {50, 40, 100, 180}},  {2, {100, 38}, {0, 30}, {}, {50, 32, 100, 88}},
      // Each handle grabbed a pixel or two off its edge: the edge moves by the
      // way moved and the opposite edge stays.
      {4, {48, 80}, {30, 80}, {}, {32, 40, 118, 80}},     {1, {48, 38}, {58, 48}, {}, {60, 50, 90, 70}},
      {6, {48, 122}, {38, 132}, {}, {40, 40, 110, 90}},   {3, {152, 38}, {162, 28}, {}, {50, 30, 110, 90}},
      // Past the opposite edge: one pixel at that edge's old place.
      {4, {48, 80}, {250, 80}, {}, {150, 40, 1, 80}},     {4, {48, 80}, {148, 80}, {}, {150, 40, 1, 80}},
      {4, {48, 80}, {147, 80}, {}, {149, 40, 1, 80}},     {7, {100, 121}, {100, 0}, {}, {50, 40, 100, 1}},
      {2, {100, 38}, {100, 190}, {}, {50, 120, 100, 1}},  {5, {152, 80}, {10, 80}, {}, {50, 40, 1, 80}},
      // Scrolled: the way is the same in client and canvas points.
      {1, {28, 18}, {18, 8}, {20, 20}, {40, 30, 110, 90}},
  };
  // clang-format on
  for (const Case& c : cases) {
    document.pictureObjects.clear();
    addPicture({50, 40, 100, 80}, 1, true);
    addPicture({0, 0, 10, 10}, 2, true);
    addPicture({20, 150, 10, 10}, 3, false);
    editing.setModified(false);
    const EditorEffects down = editing.leftButtonDown(c.from, c.scroll, false);
    ASSERT_EQ(editing.dragMode(), DragMode::ResizePicture);
    ASSERT_EQ(editing.dragHandle(), c.handle);
    EXPECT_EQ(down.cursor, handleCursor(c.handle));
    EXPECT_EQ(selection(), (std::vector<int>{1, 0, 0}));  // resized alone
    editing.mouseMove(c.to, c.scroll, true);
    const std::optional<Rect> outline = editing.overlay(c.scroll).resizeOutline;
    editing.leftButtonUp(c.to, c.scroll);
    EXPECT_EQ(box(0), c.result) << "handle " << c.handle << " to " << c.to.x << "," << c.to.y;
    EXPECT_EQ(outline, c.result) << "the outline shown is the size dropped";
    EXPECT_EQ(box(1), (Rect{0, 0, 10, 10}));
    EXPECT_EQ(document.pictureObjects[0]->sourceWidth, 100);
    EXPECT_TRUE(editing.modified());
  }

  // The handles of an unselected picture are not there: a rubber band starts.
  editing.leftButtonDown({17, 147}, {}, false);
  EXPECT_EQ(editing.dragMode(), DragMode::RubberBand);

  // Released without a move in between: nothing changes.
  editing.setModified(false);
  editing.leftButtonDown({152, 122}, {}, false);
  ASSERT_EQ(editing.dragMode(), DragMode::ResizePicture);
  editing.leftButtonUp({200, 200}, {});
  EXPECT_FALSE(editing.modified());

  // Sizes stop at the end of their range.
  *document.pictureObjects[0] = PictureObject{};
  document.pictureObjects[0]->zOrder = 1;
  document.pictureObjects[0]->x = -100;
  document.pictureObjects[0]->width = INT_MAX - 1;
  document.pictureObjects[0]->height = 80;
  drag({99, 82}, {300, 82}, {INT_MAX - 200, 0});
  EXPECT_EQ(document.pictureObjects[0]->width, INT_MAX);
}

TEST_F(EditorMouse, BackgroundGripsResizeBothWaysWithinThePanelsRanges) {
  struct Case {
    Point from;
    Point to;
    int grip;
    int width;
    int height;
  };
  // clang-format off
  const Case cases[] = {
      {{300, 100}, {350, 10}, 5, 350, 200},  {{300, 100}, {250, 10}, 5, 250, 200},
      {{100, 200}, {10, 260}, 7, 300, 260},  {{100, 200}, {10, 150}, 7, 300, 150},
      {{302, 202}, {402, 252}, 8, 400, 250}, {{302, 202}, {282, 152}, 8, 280, 150},
      {{300, 100}, {-50, 10}, 5, 1, 200},    {{100, 200}, {10, -500}, 7, 300, 1},
      {{302, 202}, {5000, 5000}, 8, 4000, 3000},
  };
  // clang-format on
  for (const Case& c : cases) {
    document.background.width = 300;
    document.background.height = 200;
    editing.setModified(false);
    EXPECT_EQ(editing.leftButtonDown(c.from, {}, false).cursor, handleCursor(c.grip));
    ASSERT_EQ(editing.dragMode(), DragMode::ResizeBackground);
    EXPECT_EQ(editing.dragHandle(), c.grip);
    editing.mouseMove(c.to, {}, true);
    EXPECT_TRUE(editing.leftButtonUp(c.to, {}).updateScrollBars);
    EXPECT_TRUE(editing.modified());
    EXPECT_EQ(document.background.width, c.width) << c.to.x << "," << c.to.y;
    EXPECT_EQ(document.background.height, c.height) << c.to.x << "," << c.to.y;
  }

  document.background.width = 300;
  document.background.height = 200;
  editing.setModified(false);
  editing.leftButtonDown({300, 100}, {}, false);
  EXPECT_FALSE(editing.leftButtonUp({300, 100}, {}).updateScrollBars);
  EXPECT_FALSE(editing.modified());

  // A grip leaves the other side alone, however far out of range it is.
  document.background.width = INT_MAX;
  drag({100, 200}, {100, 220});
  EXPECT_EQ(document.background.height, 220);
  EXPECT_EQ(document.background.width, INT_MAX);
}

TEST_F(EditorMouse, RubberBandSelectsWholeBoxesInsideInEitherDirection) {
  addText(45, 65, 4, false);
  addPicture({40, 40, 20, 20}, 1, false);
  addPicture({70, 40, 200, 20}, 2, true);  // partly outside the band
  addPicture({150, 150, 5, 5}, 3, true);   // outside
  const Rect text = objectBox(document.textObjects[0]);
  // The band (35, 35) .. (r, b) holds the text and the first picture.
  const int r = std::max(60, static_cast<int>(text.right())) + 1;
  const int b = static_cast<int>(text.bottom()) + 1;
  struct Case {
    Point from;
    Point to;
    Point scroll;
    std::vector<int> after;
  };
  const Case cases[] = {{{35, 35}, {r, b}, {}, {1, 1, 0, 0}},
                        {{r, b}, {35, 35}, {}, {1, 1, 0, 0}},
                        {{r, 35}, {35, b}, {}, {1, 1, 0, 0}},
                        {{5, 25}, {r - 30, b - 10}, {30, 10}, {1, 1, 0, 0}},
                        {{35, 35}, {r, b - 2}, {}, {0, 1, 0, 0}}};
  for (const Case& c : cases) {
    select({0, 0, 1, 1});
    editing.setModified(false);
    editing.leftButtonDown(c.from, c.scroll, false);
    ASSERT_EQ(editing.dragMode(), DragMode::RubberBand);
    EXPECT_EQ(selection(), (std::vector<int>{0, 0, 1, 1}));  // kept until the release
    editing.mouseMove(c.to, c.scroll, true);
    EXPECT_TRUE(editing.leftButtonUp({0, 0}, c.scroll).redraw);  // the last move counts
    EXPECT_EQ(selection(), c.after)
        << c.from.x << "," << c.from.y << " to " << c.to.x << "," << c.to.y;
    EXPECT_TRUE(editing.modified());
  }

  // A click on the background clears the selection and is no change.
  editing.setModified(false);
  editing.leftButtonDown({200, 20}, {}, false);
  editing.leftButtonUp({200, 20}, {});
  EXPECT_EQ(selection(), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_FALSE(editing.modified());
}

TEST_F(EditorMouse, RightButtonDropsAnyDragUnapplied) {
  addPicture({10, 10, 50, 50}, 1, true);
  const Point starts[] = {{20, 20}, {62, 62}, {300, 100}, {200, 150}};
  const DragMode modes[] = {DragMode::Move, DragMode::ResizePicture, DragMode::ResizeBackground,
                            DragMode::RubberBand};
  for (int i = 0; i < 4; ++i) {
    editing.leftButtonDown(starts[i], {}, false);
    ASSERT_EQ(editing.dragMode(), modes[i]) << i;
    editing.mouseMove({100, 100}, {}, true);
    EXPECT_TRUE(editing.rightButtonDown().redraw);
    EXPECT_EQ(editing.dragMode(), DragMode::None);
    EXPECT_FALSE(editing.leftButtonUp({100, 100}, {}).redraw);
  }
  EXPECT_EQ(box(0), (Rect{10, 10, 50, 50}));
  EXPECT_EQ(document.background.width, 300);
  EXPECT_EQ(selection(), (std::vector<int>{1}));
  EXPECT_FALSE(editing.modified());
}

TEST_F(EditorMouse, DoubleClickShowsThePanelOfWhatIsUnderIt) {
  EXPECT_EQ(editing.doubleClick({10, 10}, {}).showPanel, Panel::Background);  // no objects

  addText(10, 10, 1, false);
  addPicture({100, 100, 50, 50}, 2, true);
  addPicture({20, 20, 20, 20}, 3, false);
  editing.setModified(false);
  EditorEffects effects = editing.doubleClick({12, 12}, {});
  EXPECT_EQ(effects.showPanel, Panel::Text);
  EXPECT_EQ(effects.bound, (ObjectRef{Kind::Text, 0}));
  EXPECT_EQ(selection(), (std::vector<int>{1, 0, 0}));

  effects = editing.doubleClick({5, 5}, {20, 20});
  EXPECT_EQ(effects.showPanel, Panel::Picture);
  EXPECT_EQ(effects.bound, (ObjectRef{Kind::Picture, 1}));
  EXPECT_EQ(selection(), (std::vector<int>{0, 0, 1}));
  EXPECT_TRUE(effects.redraw);

  // A selected picture's handle is not the picture: empty canvas.
  select({0, 1, 0});
  effects = editing.doubleClick({152, 152}, {});
  EXPECT_EQ(effects.showPanel, Panel::Background);
  EXPECT_EQ(effects.bound, std::nullopt);
  EXPECT_EQ(selection(), (std::vector<int>{0, 0, 0}));
  EXPECT_FALSE(editing.modified());
}

TEST_F(EditorMouse, MovesWithoutButtonsOnlyChooseTheCursor) {
  addPicture({50, 50, 100, 80}, 1, true);
  addPicture({200, 20, 10, 10}, 2, false);
  struct Case {
    Point point;
    EditorCursor cursor;
  };
  const Case cases[] = {{{298, 100}, EditorCursor::SizeWestEast},
                        {{100, 203}, EditorCursor::SizeNorthSouth},
                        {{303, 203}, EditorCursor::SizeNwSe},
                        {{150, 46}, EditorCursor::SizeNeSw},
                        {{100, 100}, EditorCursor::Arrow},
                        {{210, 30}, EditorCursor::Arrow}};  // the unselected picture's corner
  for (const Case& c : cases) {
    const EditorEffects effects = editing.mouseMove(c.point, {}, false);
    EXPECT_EQ(effects.cursor, c.cursor) << c.point.x << "," << c.point.y;
    EXPECT_FALSE(effects.redraw);
  }
  // During a drag (its button let go outside the window) handles do not count.
  editing.leftButtonDown({100, 100}, {}, false);
  EXPECT_EQ(editing.mouseMove({150, 46}, {}, false).cursor, EditorCursor::Arrow);
  EXPECT_EQ(editing.mouseMove({298, 100}, {}, false).cursor, EditorCursor::SizeWestEast);
  EXPECT_EQ(editing.dragCurrent(), (Point{100, 100}));
  EXPECT_TRUE(editing.mouseMove({120, 90}, {}, true).redraw);
  EXPECT_EQ(editing.dragCurrent(), (Point{120, 90}));
}

TEST_F(EditorMouse, OverlaysFollowTheDrag) {
  addPicture({50, 50, 100, 80}, 1, true);
  addText(10, 10, 2, true);
  const Point scroll{7, 3};

  // A band from bottom-right to top-left, at the mouse plus the scroll.
  editing.leftButtonDown({250, 150}, scroll, false);
  editing.mouseMove({200, 140}, scroll, true);
  EXPECT_EQ(editing.overlay(scroll).rubberBand, (Rect{207, 143, 50, 10}));

  // Move: texts first, then pictures, shifted by the way moved.
  editing.leftButtonDown({60, 60}, scroll, false);
  editing.mouseMove({70, 55}, scroll, true);
  DragOverlay overlay = editing.overlay(scroll);
  const Rect text = objectBox(document.textObjects[0]);
  EXPECT_EQ(overlay.moveOutlines,
            (std::vector<Rect>{{20, 5, text.width, text.height}, {60, 45, 100, 80}}));
  EXPECT_FALSE(overlay.rubberBand);

  // Resize by the bottom-left handle at canvas (46, 132).
  editing.leftButtonDown({39, 129}, scroll, false);
  editing.mouseMove({30, 200}, scroll, true);
  overlay = editing.overlay(scroll);
  EXPECT_EQ(overlay.cursor, EditorCursor::SizeNeSw);
  EXPECT_EQ(overlay.resizeOutline, (Rect{41, 50, 109, 151}));

  // Background lines in client points: the edges the background will have
  // (the corner was grabbed off by two pixels), less the scroll.
  struct Case {
    Point press;
    std::vector<Point> lines;
  };
  const Case cases[] = {{{293, 50}, {{250, 0}, {250, 197}, {0, 197}}},
                        {{50, 197}, {{0, 120}, {293, 120}, {293, 0}}},
                        {{295, 199}, {{248, 0}, {248, 118}, {0, 118}}}};
  for (const Case& c : cases) {
    editing.leftButtonDown(c.press, scroll, false);
    editing.mouseMove({250, 120}, scroll, true);
    overlay = editing.overlay(scroll);
    EXPECT_EQ(overlay.backgroundLines, c.lines) << editing.dragHandle();
    EXPECT_EQ(overlay.cursor, handleCursor(editing.dragHandle()));
  }
  editing.rightButtonDown();
  overlay = editing.overlay(scroll);
  EXPECT_TRUE(overlay.backgroundLines.empty() && !overlay.cursor);
}

TEST_F(EditorMouse, ArrowKeysMoveTheSelectionAndAlwaysMarkModified) {
  addText(10, 10, 1, true);
  addPicture({50, 50, 10, 10}, 2, false);
  addPicture({80, 50, 10, 10}, 3, true);
  editing.moveSelection(-1, 1);
  EXPECT_EQ(document.textObjects[0].x, 9);
  EXPECT_EQ(document.textObjects[0].y, 11);
  EXPECT_EQ(box(0), (Rect{50, 50, 10, 10}));
  EXPECT_EQ(box(1), (Rect{79, 51, 10, 10}));
  select({0, 0, 0});
  editing.setModified(false);
  editing.moveSelection(1, 0);
  EXPECT_TRUE(editing.modified());
}

}  // namespace
}  // namespace imbrino
