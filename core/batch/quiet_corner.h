#pragma once
// Automatic placement: the corner of a picture where the mark covers the
// least detail, so that it does not sit on the subject. Detail is the mean
// difference in luminance between neighbouring cells of a coarse grid laid
// over the picture; the grid is read from a reduced copy, which is all a
// choice between four corners needs and keeps the cost far below a decode's.

#include <array>
#include <vector>

#include "batch/placement.h"
#include "graphics/surface.h"

namespace imbrino {

// Luminance of a picture on a grid of square cells `cellSize` pixels of the
// picture across.
struct LuminanceGrid {
  int columns = 0;
  int rows = 0;
  double cellSize = 1;
  std::vector<float> luminance;  // rows * columns, row by row
};

// The grid of a picture from `reduced`, a copy of it `reduction` times
// smaller (1 for the picture itself, 8 for a JPEG's eighth-size decode).
LuminanceGrid luminanceGrid(const Surface& reduced, double reduction);

// The four corner cells, in the order ties are settled.
inline constexpr std::array<PlacementValues, 4> kCornerCells = {{{2, 2}, {0, 2}, {2, 0}, {0, 0}}};

// The corner anchor cell ({0, 0}, {2, 0}, {0, 2} or {2, 2}) whose mark
// rectangle, placed as anchors place it on a pictureWidth x pictureHeight
// picture, covers the least detail. Corners within a tenth (and a quarter
// level) of the least count as tied, and ties go to the bottom right, then the
// bottom left, the top right and the top left.
PlacementValues quietestCorner(const LuminanceGrid& grid, int pictureWidth, int pictureHeight,
                               int markWidth, int markHeight);

}  // namespace imbrino
