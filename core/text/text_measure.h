#pragma once
// How much room a line of template text takes: the one measure shared by the
// renderer and the editor's hit testing.

#include <string_view>

#include "text/logfont.h"

namespace imbrino {

struct TextExtent {
  int width = 0;   // sum of the advances
  int height = 0;  // the font's cell height
  friend bool operator==(const TextExtent&, const TextExtent&) = default;
};

// `gbkText` is the text's GBK bytes (no terminator). The extent of the line
// layoutText (text/text_layout.h) makes of it, as textExtent defines it for
// the renderer too, so what is measured is what is drawn. Thread-safe, and
// cheap after the first call for a font on a thread.
TextExtent measureText(std::string_view gbkText, const LogFont& font);

}  // namespace imbrino
