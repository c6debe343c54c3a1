#pragma once
// A strip of four equal frames side by side, from the left: normal, hover,
// pressed and disabled. Buttons draw one frame of it at a time, with one
// colour standing for "transparent".

#include <QImage>
#include <QString>

#include "graphics/colour.h"
#include "widgets/c_picture.h"

class QPainter;

namespace imbrino {

class CKbcBmp {
 public:
  static constexpr int kFrameCount = 4;

  explicit CKbcBmp(Prompts& prompts, QWidget* owner = nullptr);

  // Loads the strip. After a failure every size is 0.
  bool load(const QString& path);

  int stripWidth() const { return stripWidth_; }
  int stripHeight() const { return stripHeight_; }
  // Columns past the last whole frame (a width not divisible by four) are
  // never shown.
  int frameWidth() const { return frameWidth_; }

  // Frame `index` as an image with every pixel of exactly `colourKey` made
  // fully transparent; null when there is no such frame.
  QImage keyedFrame(int index, ColorRef colourKey) const;

  // Draws frame `index` with its top-left at (x, y); pixels of the key colour
  // leave what is already there.
  void draw(QPainter& painter, int index, int x, int y, ColorRef colourKey) const;

 private:
  CPicture picture_;
  int stripWidth_ = 0;
  int stripHeight_ = 0;
  int frameWidth_ = 0;
};

}  // namespace imbrino
