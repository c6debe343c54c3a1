#pragma once
// Faces opened with FreeType and HarfBuzz, one set per thread. FreeType's
// library and faces must not be shared between threads, so each thread opens
// the files it needs once and keeps them until it ends. Only the text engine
// includes this header.

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

#include <string>
#include <vector>

#include "text/font_resolver.h"

namespace imbrino {

// A face's own measures in font units, read once when it is opened.
struct FaceMetrics {
  int unitsPerEm = 1000;
  // The cell Windows uses: usWinAscent/usWinDescent, hhea without OS/2.
  int ascent = 800;
  int descent = 200;  // positive, below the baseline
  int averageWidth = 500;
  // Tops of the strokes above the baseline (negative: below); a thickness of
  // 0 means the face does not say.
  int underlinePosition = 0;
  int underlineThickness = 0;
  int strikeOutPosition = 0;
  int strikeOutThickness = 0;
};

class FontFace {
 public:
  FontFace(FT_Face ft, hb_font_t* hb, std::string family);
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;
  ~FontFace();

  FT_Face ft() const { return ft_; }
  hb_font_t* hb() const { return hb_; }
  const FaceMetrics& metrics() const { return metrics_; }
  const std::string& family() const { return family_; }
  bool hasGlyph(char32_t c) const { return FT_Get_Char_Index(ft_, c) != 0; }

  // Makes the FreeType face scale to this em (26.6 pixels across and up).
  // Recently used sizes are kept, so switching between fonts stays cheap.
  bool useSize(FT_F26Dot6 emX, FT_F26Dot6 emY);

 private:
  struct Size {
    FT_F26Dot6 emX;
    FT_F26Dot6 emY;
    FT_Size size;
  };
  FT_Face ft_;
  hb_font_t* hb_;
  std::string family_;
  FaceMetrics metrics_;
  std::vector<Size> sizes_;  // most recently used last
};

// The calling thread's face for `source`, opened on first use; nothing when
// the file cannot be opened or is not a scalable font. The face lives until
// the thread ends.
FontFace* threadFace(const FontSource& source);

}  // namespace imbrino
