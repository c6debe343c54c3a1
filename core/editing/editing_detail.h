#pragma once
// What the editor's hit tests, drags and commands share inside core/editing.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "editing/template_editing.h"
#include "template/template_document.h"

namespace imbrino::editing_detail {

// Document fields hold whatever a file held, so sums of positions and sizes
// are made in 64 bits and stored back stopped at the ends of the 32-bit range.
inline std::int32_t clampToInt(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Canvas point = client point + scroll offset.
inline Point canvasPoint(Point client, Point scroll) {
  return {clampToInt(std::int64_t{client.x} + scroll.x),
          clampToInt(std::int64_t{client.y} + scroll.y)};
}

// Which edges of a picture a handle drags (handles numbered as hitPictureHandle
// numbers them).
inline bool movesLeftEdge(int handle) {
  return handle == 1 || handle == 4 || handle == 6;
}
inline bool movesRightEdge(int handle) {
  return handle == 3 || handle == 5 || handle == 8;
}
inline bool movesTopEdge(int handle) {
  return handle == 1 || handle == 2 || handle == 3;
}
inline bool movesBottomEdge(int handle) {
  return handle == 6 || handle == 7 || handle == 8;
}

// The order in which the editor looks for an object under the mouse: levels
// from the top down, on each level the text objects before the pictures, each
// list in its own order. Only levels some object holds are visited — a file
// may claim a level in the billions, and walking every number down from it
// would hang the editor for nothing. Objects on level 0 or below are never
// visited.
inline std::vector<ObjectRef> stackingOrder(const Template& document) {
  struct Entry {
    std::int32_t level;
    ObjectRef ref;
  };
  const int top = topZOrder(document);
  std::vector<Entry> entries;
  entries.reserve(static_cast<std::size_t>(document.objectCount()));
  for (std::size_t i = 0; i < document.textObjects.size(); ++i) {
    const std::int32_t level = document.textObjects[i].zOrder;
    if (level >= 1 && level <= top)
      entries.push_back({level, {ObjectRef::Kind::Text, static_cast<int>(i)}});
  }
  for (std::size_t i = 0; i < document.pictureObjects.size(); ++i) {
    const std::int32_t level = document.pictureObjects[i]->zOrder;
    if (level >= 1 && level <= top)
      entries.push_back({level, {ObjectRef::Kind::Picture, static_cast<int>(i)}});
  }
  // Texts were appended before pictures and each list in order, so a stable
  // sort by level alone keeps the order within a level.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& a, const Entry& b) { return a.level > b.level; });
  std::vector<ObjectRef> order;
  order.reserve(entries.size());
  for (const Entry& entry : entries) order.push_back(entry.ref);
  return order;
}

}  // namespace imbrino::editing_detail
