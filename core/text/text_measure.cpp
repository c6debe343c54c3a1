#include "text/text_measure.h"

#include <algorithm>
#include <cstdint>

#include "platform/gbk.h"
#include "text/text_layout.h"

namespace imbrino {

TextExtent measureText(std::string_view gbkText, const LogFont& font) {
  // The extent of exactly the layout the renderer draws, so the box the editor
  // hit-tests is the box on the picture.
  const auto layout = layoutText(gbkToUtf8(gbkText), font);
  if (layout) return layout->extent;
  // No usable font at all: nothing is drawn, so the text takes no width; the
  // height keeps the box where the user can still find and select it.
  const std::int64_t height = font.lfHeight;
  if (height == 0) return {0, kDefaultCellHeight};
  return {0,
          static_cast<int>(std::min<std::int64_t>(height < 0 ? -height : height, kMaxFontPixels))};
}

}  // namespace imbrino
