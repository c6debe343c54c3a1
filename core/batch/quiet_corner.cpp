#include "batch/quiet_corner.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace imbrino {
namespace {

// Cells along the picture's longer side: fine enough to see a face or a
// line of text, coarse enough that noise and JPEG blocks average out.
constexpr int kCellsAlongLongerSide = 192;

float luminanceOf(Pixel p) {
  return 0.299f * redOf(p) + 0.587f * greenOf(p) + 0.114f * blueOf(p);
}

// The mean detail of the cells a rectangle of the picture covers: how much
// each cell differs from its right and lower neighbours inside the rectangle.
double detailUnder(const LuminanceGrid& grid, Rect area) {
  const int left = std::clamp(static_cast<int>(area.x / grid.cellSize), 0, grid.columns);
  const int top = std::clamp(static_cast<int>(area.y / grid.cellSize), 0, grid.rows);
  const int right =
      std::clamp(static_cast<int>(std::ceil((double(area.x) + area.width) / grid.cellSize)), left,
                 grid.columns);
  const int bottom = std::clamp(
      static_cast<int>(std::ceil((double(area.y) + area.height) / grid.cellSize)), top, grid.rows);
  double sum = 0;
  long long pairs = 0;
  for (int y = top; y < bottom; ++y) {
    const float* row = grid.luminance.data() + static_cast<std::size_t>(y) * grid.columns;
    for (int x = left; x < right; ++x) {
      if (x + 1 < right) {
        sum += std::abs(row[x + 1] - row[x]);
        ++pairs;
      }
      if (y + 1 < bottom) {
        sum += std::abs(row[x + grid.columns] - row[x]);
        ++pairs;
      }
    }
  }
  return pairs == 0 ? 0.0 : sum / static_cast<double>(pairs);
}

}  // namespace

LuminanceGrid luminanceGrid(const Surface& reduced, double reduction) {
  LuminanceGrid grid;
  if (reduced.empty()) return grid;
  const int longer = std::max(reduced.width(), reduced.height());
  // Cells of whole pixels of the reduced copy, each averaged over a few
  // rows and columns of it: a 12-MP picture is read at one pixel in 25.
  const int cell = std::max(1, longer / kCellsAlongLongerSide);
  const int step = std::max(1, cell / 4);
  grid.columns = (reduced.width() + cell - 1) / cell;
  grid.rows = (reduced.height() + cell - 1) / cell;
  grid.cellSize = cell * reduction;
  grid.luminance.assign(static_cast<std::size_t>(grid.columns) * grid.rows, 0.0f);
  std::vector<int> counts(grid.luminance.size(), 0);
  for (int y = 0; y < reduced.height(); y += step) {
    const Pixel* in = reduced.row(y);
    const std::size_t rowStart = static_cast<std::size_t>(y / cell) * grid.columns;
    for (int x = 0; x < reduced.width(); x += step) {
      grid.luminance[rowStart + x / cell] += luminanceOf(in[x]);
      ++counts[rowStart + x / cell];
    }
  }
  for (std::size_t i = 0; i < counts.size(); ++i)
    grid.luminance[i] /= static_cast<float>(counts[i]);
  return grid;
}

PlacementValues quietestCorner(const LuminanceGrid& grid, int pictureWidth, int pictureHeight,
                               int markWidth, int markHeight) {
  PlacementValues best = kCornerCells[0];
  double bestDetail = 0;
  for (std::size_t i = 0; i < kCornerCells.size(); ++i) {
    const PlacementValues corner = kCornerCells[i];
    const Rect area{
        placementOffset(PlacementMode::Anchor, corner.horizontal, pictureWidth, markWidth),
        placementOffset(PlacementMode::Anchor, corner.vertical, pictureHeight, markHeight),
        markWidth, markHeight};
    const double detail = detailUnder(grid, area);
    if (i == 0 || detail < bestDetail) {
      best = corner;
      bestDetail = detail;
    }
  }
  return best;
}

}  // namespace imbrino
