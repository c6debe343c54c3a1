#pragma once
// Turns the parts of a template into pixels: the background, one text object,
// one picture object, and the selection handles the editor marks objects
// with. The painter's logical (0, 0) is the template's top-left corner.
// Renderers keep no state: several threads may draw at once, each on its own
// surface (the text engine keeps its faces per thread).

#include <array>

#include "render/painter.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// Fills the background's rectangle with its colour at its opacity; a
// transparent background paints nothing.
void paintBackground(Painter& painter, const TemplateBackground& background);

// Draws a text object and returns the box it covers (x, y, measured width,
// cell height), not clipped. With `fields`, the fields its text names are
// replaced by theirs first, and the box is measured on what is drawn.
Rect drawTextObject(Painter& painter, const TextObject& text,
                    const PictureFields* fields = nullptr);

// Draws a picture object stretched to its display size and returns the box it
// covers (x, y, width, height), not clipped.
Rect drawPictureObject(Painter& painter, const PictureObject& picture);

// The eight black 4 x 4 squares around a box: corners and edge middles,
// outside the box.
void drawSelectionHandles(Painter& painter, Rect box);

// The handle squares of a box, numbered as the editor's hit test numbers
// them: top-left, top, top-right, left, right, bottom-left, bottom,
// bottom-right.
std::array<Rect, 8> selectionHandleRects(Rect box);

}  // namespace imbrino
