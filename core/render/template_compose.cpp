#include "render/template_compose.h"

#include <map>

#include "render/object_render.h"

namespace imbrino {
namespace {

// The objects drawn on one level: the first text object and the first
// picture object (in list order) that carry it.
struct Level {
  const TextObject* text = nullptr;
  const PictureObject* picture = nullptr;
};

// Levels run from 1 to topZOrder, but a file may claim a level in the
// billions; only levels some object holds draw anything, so only those are
// visited, in ascending order.
std::map<int, Level> levelsToDraw(const Template& document) {
  std::map<int, Level> levels;
  const int top = topZOrder(document);
  for (const TextObject& text : document.textObjects)
    if (text.zOrder >= 1 && text.zOrder <= top && !levels[text.zOrder].text)
      levels[text.zOrder].text = &text;
  for (const auto& picture : document.pictureObjects)
    if (picture->zOrder >= 1 && picture->zOrder <= top && !levels[picture->zOrder].picture)
      levels[picture->zOrder].picture = picture.get();
  return levels;
}

}  // namespace

void drawTemplate(Surface& target, int x, int y, const Template& document, bool frameWhole,
                  bool frameSelected, const PictureFields* fields) {
  const TemplateBackground& background = document.background;
  // Drawing straight onto the target, clipped to the template's rectangle,
  // is what composing on a copy of that rectangle and copying it back gives.
  Painter painter(target, {x, y}, {0, 0, background.width, background.height});
  paintBackground(painter, background);
  for (const auto& [level, objects] : levelsToDraw(document)) {
    if (objects.text) {
      const Rect box = drawTextObject(painter, *objects.text, fields);
      if (frameSelected && objects.text->selected != 0) drawSelectionHandles(painter, box);
    }
    if (objects.picture) {
      const Rect box = drawPictureObject(painter, *objects.picture);
      if (frameSelected && objects.picture->selected != 0) drawSelectionHandles(painter, box);
    }
  }
  if (frameWhole) {
    Painter whole(target);
    drawSelectionHandles(whole, {x, y, background.width, background.height});
  }
}

}  // namespace imbrino
