#pragma once
// A template made larger or smaller before it is drawn: the background,
// every object's place and size and every font's height are scaled, so text
// is laid out and rasterised afresh at the new size, and each picture is
// resampled once from its source with filtering. Drawn at the designed size,
// a template is left exactly as it is.

#include <memory>

#include "template/template_document.h"

namespace imbrino {

// The template with its background `width` pixels wide and everything on it
// scaled in proportion. `width` equal to the designed width gives a template
// that draws pixel for pixel as the original. Fails only when memory runs
// out while resampling a picture.
Expected<Template> scaledTemplate(const Template& document, int width);

}  // namespace imbrino
