#pragma once
// One line of template text laid out in a template's logical font: the glyphs,
// where they go, and the box they take. The renderer draws from this and the
// editor hit-tests with its extent (measureText), so both agree to the pixel.
//
// How a LogFont becomes pixels:
// - lfHeight > 0 is the cell height (ascent + descent, from the face's Windows
//   ascent and descent, hhea when it has no OS/2 table): the em is chosen so
//   the cell comes out exactly lfHeight pixels. lfHeight < 0 is the em; the
//   cell is then ascent + descent at that em, rounded. lfHeight == 0 means a
//   cell of kDefaultCellHeight. Sizes are capped at kMaxFontPixels.
// - Ascent is rounded to whole pixels and descent is the rest of the cell.
// - lfWidth != 0 stretches the glyphs horizontally so the face's average
//   character width comes out |lfWidth| pixels. The average width is the one
//   Windows reports for the faces templates were made with: the weighted
//   average of the lowercase letters and space (as OS/2 versions 0-2 define
//   xAvgCharWidth), computed from the face's advances, else the OS/2 value,
//   else half an em. The stretch is kept within 1/32..32 times.
// - lfWeight >= 600 asks for a bold face, lfItalic for an italic one. When the
//   matched face lacks that style it is synthesised: italic by a 12 degree
//   slant (advances unchanged), bold by thickening the strokes horizontally by
//   round(em / 24) pixels, at least 1, which each glyph's advance grows by too
//   (as simulated bold does on Windows).
// - Escapement and orientation are ignored: a line is always horizontal.
// - Each glyph's advance is rounded to whole pixels, as hinted advances are on
//   Windows; the line's width is their sum. Kerning and Latin ligatures are
//   off, as they are for plain text output on Windows, so "AV" or "fi" take the
//   same room there and here. Marks are still placed by the face's rules.
// - Characters the face lacks come from fallback faces (fontconfig's list for
//   the request, the default Song face first for Chinese), at the same em; the
//   cell stays the primary face's.
//
// Threads: layouts refer to faces that belong to the thread that made them.
// Make, draw and drop a layout on one thread; every thread may do so at once.

#include <cstdint>
#include <string_view>
#include <thread>
#include <vector>

#include "graphics/rect.h"
#include "platform/expected.h"
#include "text/logfont.h"
#include "text/text_measure.h"

namespace imbrino {

// A face opened on one thread; opaque outside the text engine.
class FontFace;

inline constexpr int kDefaultCellHeight = 16;
inline constexpr int kMaxFontPixels = 4096;
// Glyphs past this pen position are not laid out: no picture is that wide.
inline constexpr int kMaxLineWidth = 1 << 22;

struct LayoutFace {
  FontFace* face = nullptr;
  std::string_view family;  // the matched family, e.g. "AR PL UMing CN"
  bool syntheticBold = false;
  bool syntheticItalic = false;
};

struct LayoutGlyph {
  std::uint32_t glyphIndex = 0;
  std::uint32_t face = 0;     // index into TextLayout::faces
  std::int32_t x = 0;         // pen position from the box's left, 26.6 pixels
  std::int32_t y = 0;         // offset from the baseline, 26.6 pixels, down positive
  std::uint32_t cluster = 0;  // byte offset of its character in the UTF-8 text
};

struct TextLayout {
  TextExtent extent;     // width: sum of advances; height: the cell
  int ascent = 0;        // baseline, from the box's top
  int descent = 0;       // ascent + descent == extent.height
  std::int32_t emX = 0;  // the em in 26.6 pixels, across (stretched by lfWidth)...
  std::int32_t emY = 0;  // ...and up
  int boldStrength = 0;  // pixels a synthetic bold thickens strokes by

  // Pixel rows from the box's top. Always inside the cell.
  bool underline = false;
  int underlineTop = 0;
  int underlineThickness = 1;
  bool strikeOut = false;
  int strikeOutTop = 0;
  int strikeOutThickness = 1;

  std::vector<LayoutFace> faces;  // faces[0] is the primary face
  std::vector<LayoutGlyph> glyphs;
  std::thread::id thread;  // the thread the faces belong to
};

// Lays out UTF-8 text (invalid bytes count as U+FFFD). Fails only when no
// usable font is installed. Cheap after the first call for a font on a thread.
Expected<TextLayout> layoutText(std::string_view utf8, const LogFont& font);

// The box a line takes, the one definition the renderer and measureText
// share: the layout's extent; when there is no layout (no usable font), no
// width and the cell the font asks for, so the object keeps a box the user
// can still find and select although nothing is drawn in it.
TextExtent textExtent(const Expected<TextLayout>& layout, const LogFont& font);

// 8-bit coverage of one glyph, placed relative to the layout box's top-left.
struct GlyphMask {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> coverage;  // width * height, rows top to bottom
};

// Renders one glyph of `layout` with its synthetic styles applied. Call on the
// layout's own thread. An empty mask for glyphs with no ink (spaces).
Expected<GlyphMask> rasterizeGlyph(const TextLayout& layout, const LayoutGlyph& glyph);
// The same, but an empty mask, without rendering anything, when none of the
// glyph's ink can fall inside `visible` (relative to the box's top-left): a
// line of large glyphs mostly off the picture costs only what is seen.
Expected<GlyphMask> rasterizeGlyph(const TextLayout& layout, const LayoutGlyph& glyph,
                                   Rect visible);

}  // namespace imbrino
