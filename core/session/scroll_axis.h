#pragma once
// One scroll bar of the main window. The picture scrolls in one-pixel line
// steps or by dragging the thumb; page steps do nothing.

namespace imbrino {

class ScrollAxis {
 public:
  bool enabled() const { return enabled_; }
  int maximum() const { return maximum_; }
  int position() const { return position_; }

  // After a picture was opened or created: enabled at 0 when the picture is
  // larger than the window on this axis, disabled otherwise.
  void setUp(int pictureSize, int clientSize);
  // After the window was resized: the position is kept when it is still below
  // the new maximum, else it goes back to 0 (not to the maximum).
  void resize(int pictureSize, int clientSize);
  void disable();

  // Each returns true when the position changed.
  bool lineBack();
  bool lineForward();
  bool track(int thumbPosition);

  // How far the picture is scrolled: the position when the picture is larger
  // than the window, else 0.
  int offset(int pictureSize, int clientSize) const {
    return pictureSize > clientSize ? position_ : 0;
  }

 private:
  bool enabled_ = false;
  int maximum_ = 0;
  int position_ = 0;
};

}  // namespace imbrino
