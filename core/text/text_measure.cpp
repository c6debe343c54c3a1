#include "text/text_measure.h"

#include "platform/gbk.h"
#include "text/text_layout.h"

namespace imbrino {

TextExtent measureText(std::string_view gbkText, const LogFont& font) {
  // The box of exactly the layout the renderer draws, so the box the editor
  // hit-tests is the box on the picture.
  return textExtent(layoutText(gbkToUtf8(gbkText), font), font);
}

}  // namespace imbrino
