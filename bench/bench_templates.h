#pragma once
// Templates for the benchmarks: colour-keyed pictures, texts, and the busy
// 1000 x 1000 template with 20 objects that the editor's repaints are
// measured on.

#include <memory>

#include "template/template_document.h"

namespace imbrino::bench {

// A magenta square with a blue middle, keyed on magenta, drawn into `box`.
std::unique_ptr<PictureObject> keyedPicture(int size, Rect box, int level, std::int16_t alpha);

// A text (UTF-8) at (x, y) with a transparent ground.
TextObject textObject(const char* utf8, int height, int x, int y, int level, std::int16_t alpha);

// 1000 x 1000, ten texts and ten keyed 400 x 300 pictures interleaved, half
// of them half transparent.
Template busyTemplate();

}  // namespace imbrino::bench
