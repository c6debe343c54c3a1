#include "batch/quiet_corner.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace imbrino {
namespace {

// Cells along the picture's longer side: fine enough to see a face or a
// line of text, coarse enough that noise and JPEG blocks average out.
constexpr int kCellsAlongLongerSide = 192;
// Cells are whole 8 x 8 blocks, so a JPEG's block means and its decoded
// pixels make the same grid.
constexpr int kBlock = 8;
// Corners whose detail lies this close to the least are as quiet as it: the
// order of kCornerCells settles between them, so that grain, and whether the
// grid came from pixels or block means, does not decide.
constexpr double kSameDetailRatio = 1.10;
constexpr double kSameDetailLevels = 0.25;

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
  if (reduced.empty() || reduction <= 0) return grid;
  const double longer = std::max(reduced.width(), reduced.height()) * reduction;
  const int pictureCell = std::max(
      kBlock, static_cast<int>(std::ceil(longer / kCellsAlongLongerSide / kBlock)) * kBlock);
  // The cell in pixels of the reduced copy, averaged over about 8 x 8 of
  // them: a 12-MP picture is read at one pixel in nine.
  const int cell = std::max(1, static_cast<int>(std::lround(pictureCell / reduction)));
  const int step = std::max(1, cell / 8);
  grid.columns = (reduced.width() + cell - 1) / cell;
  grid.rows = (reduced.height() + cell - 1) / cell;
  grid.cellSize = cell * reduction;
  grid.luminance.assign(static_cast<std::size_t>(grid.columns) * grid.rows, 0.0f);
  std::vector<int> counts(grid.luminance.size(), 0);
  for (int y = step / 2; y < reduced.height(); y += step) {
    const Pixel* in = reduced.row(y);
    const std::size_t rowStart = static_cast<std::size_t>(y / cell) * grid.columns;
    for (int x = step / 2; x < reduced.width(); x += step) {
      grid.luminance[rowStart + x / cell] += luminanceOf(in[x]);
      ++counts[rowStart + x / cell];
    }
  }
  for (std::size_t i = 0; i < counts.size(); ++i)
    if (counts[i] > 0) grid.luminance[i] /= static_cast<float>(counts[i]);
  return grid;
}

PlacementValues quietestCorner(const LuminanceGrid& grid, int pictureWidth, int pictureHeight,
                               int markWidth, int markHeight) {
  std::array<double, kCornerCells.size()> detail{};
  for (std::size_t i = 0; i < kCornerCells.size(); ++i) {
    const PlacementValues corner = kCornerCells[i];
    const Rect area{
        placementOffset(PlacementMode::Anchor, corner.horizontal, pictureWidth, markWidth),
        placementOffset(PlacementMode::Anchor, corner.vertical, pictureHeight, markHeight),
        markWidth, markHeight};
    detail[i] = detailUnder(grid, area);
  }
  const double least = *std::min_element(detail.begin(), detail.end());
  for (std::size_t i = 0; i < kCornerCells.size(); ++i)
    if (detail[i] <= least * kSameDetailRatio + kSameDetailLevels) return kCornerCells[i];
  return kCornerCells[0];
}

}  // namespace imbrino
