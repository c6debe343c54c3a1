#pragma once
// The one way a template reaches pixels: composed over a target picture with
// its top-left corner at (x, y) — either may be negative or past the target.

#include "graphics/surface.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// Paints the background, then each level from 1 to topZOrder: the first text
// object on that level, then the first picture object on it. With
// frameSelected, selected objects get their handles as they are drawn (so
// higher objects cover them); with frameWhole, the template's own handles are
// drawn around it on the target afterwards. Apart from those handles the
// target changes only inside the template's rectangle. With `fields`, texts
// show the picture's facts where they name fields; without, as typed.
void drawTemplate(Surface& target, int x, int y, const Template& document, bool frameWhole,
                  bool frameSelected, const PictureFields* fields = nullptr);

}  // namespace imbrino
