#include "bench_templates.h"

#include "platform/gbk.h"
#include "render/painter.h"

namespace imbrino::bench {

std::unique_ptr<PictureObject> keyedPicture(int size, Rect box, int level, std::int16_t alpha) {
  auto picture = std::make_unique<PictureObject>();
  picture->picture = Surface::create(size, size, makePixel(255, 0, 255)).value();
  Painter(picture->picture).fill({size / 4, size / 4, size / 2, size / 2}, makePixel(20, 90, 200));
  picture->sourceWidth = picture->sourceHeight = size;
  picture->x = box.x;
  picture->y = box.y;
  picture->width = box.width;
  picture->height = box.height;
  picture->transparent = 1;
  picture->alpha = alpha;
  picture->zOrder = level;
  return picture;
}

TextObject textObject(const char* utf8, int height, int x, int y, int level, std::int16_t alpha) {
  TextObject t;
  t.setText(*utf8ToGbk(utf8));
  t.font.lfHeight = height;
  t.x = x;
  t.y = y;
  t.zOrder = level;
  t.alpha = alpha;
  t.transparentBack = 1;
  return t;
}

Template busyTemplate() {
  Template document;
  document.background = {1000, 1000, 0, 0x00E0E0E0, 255, 0, 0};
  for (int i = 0; i < 10; ++i) {
    document.textObjects.push_back(textObject("文字内容 Watermark 水印", 24 + 4 * i, 20 + 30 * i,
                                              40 + 90 * i, 2 * i + 1,
                                              static_cast<std::int16_t>(i % 2 ? 255 : 160)));
    document.pictureObjects.push_back(keyedPicture(200, {50 * i, 60 * i, 400, 300}, 2 * i + 2,
                                                   static_cast<std::int16_t>(i % 2 ? 255 : 128)));
  }
  return document;
}

}  // namespace imbrino::bench
