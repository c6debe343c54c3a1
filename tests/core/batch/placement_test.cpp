#include "batch/placement.h"

#include <gtest/gtest.h>

#include <limits>

namespace imbrino {
namespace {

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

void PrintTo(const Point& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}

Point place(PlacementMode mode, PlacementValues values, int pictureWidth, int pictureHeight,
            int templateWidth, int templateHeight) {
  return {placementOffset(mode, values.horizontal, pictureWidth, templateWidth),
          placementOffset(mode, values.vertical, pictureHeight, templateHeight)};
}

TEST(Placement, AnchorsOnAPictureLargerThanTheTemplate) {
  const auto anchor = [](PlacementValues v) {
    return place(PlacementMode::Anchor, v, 800, 600, 250, 250);
  };
  EXPECT_EQ(anchor({0, 0}), (Point{0, 0}));
  EXPECT_EQ(anchor(kDefaultAnchor), (Point{275, 175}));
  EXPECT_EQ(anchor({2, 2}), (Point{550, 350}));
  EXPECT_EQ(anchor({2, 0}), (Point{550, 0}));
  EXPECT_EQ(anchor({0, 1}), (Point{0, 175}));
  // Odd room: the half is rounded down.
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 1, 801, 250), 275);
}

TEST(Placement, AnchorsOnAPictureSmallerThanTheTemplateGoNegative) {
  // -149 / 2 truncates toward zero, so the centre is -74, not -75.
  EXPECT_EQ(place(PlacementMode::Anchor, kDefaultAnchor, 101, 101, 250, 250), (Point{-74, -74}));
  EXPECT_EQ(place(PlacementMode::Anchor, {2, 2}, 101, 101, 250, 250), (Point{-149, -149}));
  EXPECT_EQ(place(PlacementMode::Anchor, {0, 0}, 101, 101, 250, 250), (Point{0, 0}));
}

TEST(Placement, UnknownAnchorValuesMeanTheTopLeft) {
  for (int value : {-1, 3, 50, kIntMax, kIntMin})
    EXPECT_EQ(placementOffset(PlacementMode::Anchor, value, 800, 250), 0) << value;
}

TEST(Placement, PercentIgnoresTheTemplateSize) {
  for (int templateSize : {0, 250, 5000}) {
    EXPECT_EQ(place(PlacementMode::Percent, kDefaultPercent, 800, 600, templateSize, templateSize),
              (Point{400, 300}));
    EXPECT_EQ(place(PlacementMode::Percent, {100, 100}, 800, 600, templateSize, templateSize),
              (Point{800, 600}));
  }
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 0, 800, 250), 0);
}

TEST(Placement, PercentTruncatesTheProductInItsOwnOrder) {
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 33, 10, 0), 3);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 50, 101, 0), 50);
  // value * 0.01 first: 0.29 * 100 is 28.999999999999996 in binary floating
  // point. Computing value * picture / 100 instead would move such templates.
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 29, 100, 0), 28);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 58, 100, 0), 57);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 57, 100, 0), 57);
  // Negative products truncate toward zero as well; nothing is clamped.
  EXPECT_EQ(placementOffset(PlacementMode::Percent, -1, 150, 0), -1);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, -1, 50, 0), 0);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 200, 800, 0), 1600);
}

TEST(Placement, ExtremeSizesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 2, kIntMax, -1), kIntMax);
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 2, kIntMin, 1), kIntMin);
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 2, kIntMax, kIntMin), kIntMax);
  // The half always fits.
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 1, kIntMax, kIntMin), kIntMax);
  EXPECT_EQ(placementOffset(PlacementMode::Anchor, 1, kIntMin, kIntMax), -kIntMax);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, kIntMax, kIntMax, 0), kIntMax);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, kIntMin, kIntMax, 0), kIntMin);
  EXPECT_EQ(placementOffset(PlacementMode::Percent, 100, kIntMax, 0), kIntMax);
}

TEST(Placement, CellNamesRunAlongRowsThenDown) {
  EXPECT_EQ(anchorOfCellName("正中"), kDefaultAnchor);
  EXPECT_EQ(anchorOfCellName("右中"), (PlacementValues{2, 1}));
  EXPECT_EQ(anchorOfCellName("正下"), (PlacementValues{1, 2}));
  for (std::size_t i = 0; i < kAnchorCellNames.size(); ++i) {
    const auto cell = anchorOfCellName(kAnchorCellNames[i]);
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(static_cast<std::size_t>(cell->horizontal + 3 * cell->vertical), i);
  }
  for (std::string_view name : {"", "中", "正中 ", "center"}) EXPECT_FALSE(anchorOfCellName(name));
}

TEST(Placement, CellUnderAClick) {
  // 99 pixels: cells of 33.
  EXPECT_EQ(cellFromClick(32, 99), 0);
  EXPECT_EQ(cellFromClick(33, 99), 1);
  EXPECT_EQ(cellFromClick(66, 99), 2);
  // 100 pixels: the last column would be a fourth cell (99 / 33 = 3).
  EXPECT_EQ(cellFromClick(99, 100), 2);
  // Clicks outside the picker (a drag that left it) stay on the grid.
  EXPECT_EQ(cellFromClick(-40, 99), 0);
  EXPECT_EQ(cellFromClick(5000, 99), 2);
  EXPECT_EQ(cellFromClick(kIntMin, 99), 0);
  EXPECT_EQ(cellFromClick(kIntMax, 99), 2);
}

TEST(Placement, CellOfAPickerTooNarrowForCells) {
  for (int size : {2, 1, 0, -1, -9, kIntMin}) {
    EXPECT_EQ(cellFromClick(0, size), 0) << size;
    EXPECT_EQ(cellFromClick(-3, size), 0) << size;
    EXPECT_EQ(cellFromClick(1, size), 2) << size;
  }
  EXPECT_EQ(cellFromClick(1, 3), 1);
}

TEST(Placement, PercentUnderAClick) {
  EXPECT_EQ(percentFromClick(199, 200), 99);
  EXPECT_EQ(percentFromClick(200, 200), 100);
  EXPECT_EQ(percentFromClick(2, 3), 66);
  EXPECT_EQ(percentFromClick(-1, 200), 0);
  EXPECT_EQ(percentFromClick(kIntMin, 200), 0);
  EXPECT_EQ(percentFromClick(kIntMax, 1), 100);
  // No picker, no division.
  EXPECT_EQ(percentFromClick(5, 0), 0);
  EXPECT_EQ(percentFromClick(5, -10), 0);
}

TEST(Placement, PercentMarkIsDrawnInSinglePrecision) {
  struct Case {
    int value, size, expected;
  } const cases[] = {
      {29, 100, 29},  // the run places at 28 (double precision); the mark sits at 29
      {50, 150, 75},  {0, 150, 0},   {100, 150, 150}, {33, 10, 3},
      {57, 100, 57},  {100, 0, 0},   {1, 99, 0},      {100, kIntMax, kIntMax},
  };
  for (const Case& c : cases)
    EXPECT_EQ(percentMarkPosition(c.value, c.size), c.expected) << c.value << " of " << c.size;
}

}  // namespace
}  // namespace imbrino
