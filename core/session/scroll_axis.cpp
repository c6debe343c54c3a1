#include "session/scroll_axis.h"

#include <algorithm>

namespace imbrino {

void ScrollAxis::setUp(int pictureSize, int clientSize) {
  if (pictureSize > clientSize) {
    enabled_ = true;
    maximum_ = pictureSize - clientSize;
  } else {
    enabled_ = false;
    maximum_ = 0;
  }
  position_ = 0;
}

void ScrollAxis::resize(int pictureSize, int clientSize) {
  if (pictureSize > clientSize) {
    enabled_ = true;
    maximum_ = pictureSize - clientSize;
    if (position_ >= maximum_) position_ = 0;
  } else {
    disable();
  }
}

void ScrollAxis::disable() {
  enabled_ = false;
  maximum_ = 0;
  position_ = 0;
}

bool ScrollAxis::lineBack() {
  if (position_ <= 0) return false;
  --position_;
  return true;
}

bool ScrollAxis::lineForward() {
  if (position_ >= maximum_) return false;
  ++position_;
  return true;
}

bool ScrollAxis::track(int thumbPosition) {
  const int p = std::clamp(thumbPosition, 0, maximum_);
  if (p == position_) return false;
  position_ = p;
  return true;
}

}  // namespace imbrino
