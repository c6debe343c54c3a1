#pragma once
// Where the template goes on each picture of a run: one of nine anchor cells
// on a 3 x 3 grid, or its top-left corner at a percentage of the picture's
// width and height. Also the arithmetic of the two pickers that choose them.

#include <array>
#include <optional>
#include <string_view>

namespace imbrino {

enum class PlacementMode : int { Anchor = 0, Percent = 1 };

// The offset along one axis: called for x with (horizontal value, picture
// width, template width) and for y with the vertical ones.
// Anchor: value 0 -> 0, 1 -> (picture - template) / 2 truncated toward zero,
// 2 -> picture - template, any other -> 0. Percent: value * 0.01 * picture in
// double precision, truncated toward zero. Never clamped: a template may end
// up partly or wholly outside the picture.
int placementOffset(PlacementMode mode, int value, int pictureSize, int templateSize);

// The nine anchor cells, indexed by column + 3 * row.
inline constexpr std::array<std::string_view, 9> kAnchorCellNames = {
    "左上", "正上", "右上", "左中", "正中", "右中", "左下", "正下", "右下"};

struct PlacementValues {
  int horizontal = 0;
  int vertical = 0;
  friend bool operator==(const PlacementValues&, const PlacementValues&) = default;
};

inline constexpr PlacementValues kDefaultAnchor{1, 1};
inline constexpr PlacementValues kDefaultPercent{50, 50};

// The anchor cell of a cell name ("正中" -> {1, 1}).
std::optional<PlacementValues> anchorOfCellName(std::string_view name);

// The column (or row) under a click at `position` in a picker `clientSize`
// pixels across: position / (clientSize / 3), clamped to 0..2.
int cellFromClick(int position, int clientSize);

// The percentage under a click: position / clientSize * 100 in floating
// point, truncated, clamped to 0..100.
int percentFromClick(int position, int clientSize);

// Where the percent picker draws its cross for `value` percent of a picker
// `clientSize` pixels across: value * 0.01 kept in single precision, times the
// size, truncated. The picker has always drawn it in single precision, so 29 %
// of 100 is drawn at 29 while a run places the template at 28: a pixel the eye
// cannot tell in a picker, and the mark stays where users know it.
int percentMarkPosition(int value, int clientSize);

}  // namespace imbrino
