#pragma once
// The template as a layer of its own, with the opacity each pixel ends up
// with, so that it can be turned and laid down many times over a picture.
// Pixels are premultiplied: 0xAARRGGBB with each colour already multiplied by
// its alpha.

#include <cstdint>
#include <vector>

#include "graphics/surface.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

struct MarkLayer {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // premultiplied ARGB, rows top to bottom
};

// The template drawn over nothing. Every part of a template is laid over
// what lies beneath with a constant opacity or a coverage, so drawing it once
// on black and once on white tells each pixel's colour and opacity: on black
// the colour times its opacity, on white that plus what shows through.
Expected<MarkLayer> renderMarkLayer(const Template& document, const PictureFields* fields);

// The layer turned by `degrees` counter-clockwise about its centre, on a
// layer just large enough to hold it, each pixel interpolated bilinearly from
// the four nearest (premultiplied, so edges fade without dark fringes).
Expected<MarkLayer> turnMarkLayer(const MarkLayer& layer, double degrees);

// Lays the layer over `target` with its top-left corner at (x, y), clipped.
void blendMarkLayer(Surface& target, const MarkLayer& layer, int x, int y);

}  // namespace imbrino
