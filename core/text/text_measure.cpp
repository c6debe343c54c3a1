#include "text/text_measure.h"

#include "text/font_rules.h"

namespace imbrino {
// Placeholder until the text engine lands: a fixed cell.
TextExtent measureText(std::string_view gbkText, const LogFont& font) {
  return {static_cast<int>(gbkText.size()) * 6, font.lfHeight > 0 ? font.lfHeight : 12};
}
}  // namespace imbrino
