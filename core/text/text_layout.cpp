#include "text/text_layout.h"

#include <ft2build.h>
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/gbk.h"
#include "text/font_face.h"
#include "text/font_resolver.h"

namespace imbrino {
namespace {

// tan 12 degrees in 16.16, the slant FreeType itself uses for oblique styles.
constexpr FT_Fixed kObliqueShear = 0x0366A;
// Longer texts are not laid out past this many bytes: no template line comes
// near it, and it bounds the memory a damaged file can make us spend.
constexpr std::size_t kMaxLayoutBytes = std::size_t{1} << 20;

constexpr int roundPixels(std::int64_t value26) {
  // Arithmetic shift: rounds half up for negative values too.
  return static_cast<int>((value26 + 32) >> 6);
}

int roundToInt(double value) {
  return static_cast<int>(std::lround(value));
}

std::int32_t clampTo32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

// Decodes one character at `at`; anything that is not well-formed UTF-8 is
// one U+FFFD per byte.
char32_t decodeUtf8(std::string_view text, std::size_t at, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(at);
  length = 1;
  if (lead < 0x80) return lead;
  std::size_t need = 0;
  char32_t c = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, c = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2, c = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, c = lead & 0x07, least = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (std::size_t i = 1; i <= need; ++i) {
    if (at + i >= text.size()) return 0xFFFD;
    const unsigned next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  length = need + 1;
  return c;
}

// Characters that belong with the one before them, whatever face that took:
// marks, variation selectors and joiners.
bool joinsPrevious(char32_t c) {
  if (c == 0x200C || c == 0x200D) return true;
  if ((c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF)) return true;
  if (c < 0x300) return false;
  switch (hb_unicode_general_category(hb_unicode_funcs_get_default(), c)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
      return true;
    default:
      return false;
  }
}

// What one LogFont comes to on this thread: the faces, the sizes and the
// decorations, worked out once.
struct FontSetup {
  std::shared_ptr<const FontResolution> resolution;
  FontFace* primary = nullptr;
  bool bold = false;
  bool italic = false;

  std::int32_t emX = 0;
  std::int32_t emY = 0;
  int cell = 0;
  int ascent = 0;
  int boldStrength = 1;
  int underlineTop = 0;
  int underlineThickness = 1;
  int strikeOutTop = 0;
  int strikeOutThickness = 1;

  // Fallback faces are opened when a character first needs them.
  std::vector<FontFace*> fallbackFaces;
  std::vector<bool> fallbackTried;
  std::unordered_map<char32_t, int> fallbackFor;  // -1: no face has it

  // -1 for the primary face, else an index into the resolution's fallbacks.
  int faceFor(char32_t c) {
    if (primary->hasGlyph(c)) return -1;
    if (const auto found = fallbackFor.find(c); found != fallbackFor.end()) return found->second;
    int chosen = -1;
    for (std::size_t i = 0; i < resolution->fallbacks.size(); ++i) {
      const FontSource& source = resolution->fallbacks[i];
      if (!covers(source, c)) continue;
      if (!fallbackTried[i]) {
        fallbackTried[i] = true;
        fallbackFaces[i] = threadFace(source);
      }
      if (fallbackFaces[i] && fallbackFaces[i]->hasGlyph(c)) {
        chosen = static_cast<int>(i);
        break;
      }
    }
    // A text of many distinct unknown characters must not grow this forever.
    if (fallbackFor.size() > 65536) fallbackFor.clear();
    fallbackFor.emplace(c, chosen);
    return chosen;
  }
};

struct SetupKey {
  std::array<char, 32> face{};
  std::int32_t height = 0;
  std::int32_t width = 0;
  bool bold = false;
  bool italic = false;
  friend bool operator==(const SetupKey&, const SetupKey&) = default;
};

struct SetupKeyHash {
  std::size_t operator()(const SetupKey& key) const {
    std::size_t h =
        std::hash<std::string_view>()(std::string_view(key.face.data(), key.face.size()));
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
    mix(static_cast<std::uint32_t>(key.height));
    mix(static_cast<std::uint32_t>(key.width));
    mix(static_cast<std::size_t>(key.bold) * 2 + static_cast<std::size_t>(key.italic));
    return h;
  }
};

Expected<std::unique_ptr<FontSetup>> makeSetup(const LogFont& font, bool bold, bool italic) {
  auto resolved = resolveFont(gbkToUtf8(font.faceNameBytes()), bold, italic);
  if (!resolved) return fail(resolved.reason());
  auto setup = std::make_unique<FontSetup>();
  setup->resolution = *resolved;
  setup->bold = bold;
  setup->italic = italic;
  setup->primary = threadFace(setup->resolution->primary);
  if (!setup->primary)
    return fail("the font file " + setup->resolution->primary.file + " cannot be read");
  setup->fallbackFaces.assign(setup->resolution->fallbacks.size(), nullptr);
  setup->fallbackTried.assign(setup->resolution->fallbacks.size(), false);

  const FaceMetrics& m = setup->primary->metrics();
  const double unitsPerEm = m.unitsPerEm;
  const double cellUnits = m.ascent + m.descent;
  const double limit = kMaxFontPixels;

  // The em, in pixels, and the cell it makes.
  double em = 0;
  std::int64_t height = font.lfHeight == 0 ? kDefaultCellHeight : font.lfHeight;
  if (height > 0) {
    setup->cell = static_cast<int>(std::min<std::int64_t>(height, kMaxFontPixels));
    em = std::min(setup->cell * unitsPerEm / cellUnits, limit);
  } else {
    em = static_cast<double>(std::min<std::int64_t>(-height, kMaxFontPixels));
    setup->cell = std::max(1, roundToInt(em * cellUnits / unitsPerEm));
  }
  setup->emY = std::max(1, roundToInt(em * 64));
  setup->ascent = std::clamp(roundToInt(em * m.ascent / unitsPerEm), 0, setup->cell);

  double emAcross = em;
  if (font.lfWidth != 0) {
    const double width = static_cast<double>(
        std::min<std::int64_t>(std::abs(static_cast<std::int64_t>(font.lfWidth)), kMaxFontPixels));
    emAcross = std::clamp(width * unitsPerEm / m.averageWidth, em / 32, std::min(em * 32, limit));
  }
  setup->emX = std::max(1, roundToInt(emAcross * 64));

  setup->boldStrength = std::max(1, roundToInt(em / 24));

  // Decorations from the face's own tables, kept inside the cell so that the
  // box drawn is the box measured.
  const double scale = em / unitsPerEm;
  const int cell = setup->cell;
  const int ascent = setup->ascent;
  const auto place = [cell](int top, int thickness, int& outTop, int& outThickness) {
    outThickness = std::clamp(thickness, 1, cell);
    outTop = std::clamp(top, 0, cell - outThickness);
  };
  if (m.underlineThickness > 0) {
    place(ascent - roundToInt(m.underlinePosition * scale),
          std::max(1, roundToInt(m.underlineThickness * scale)), setup->underlineTop,
          setup->underlineThickness);
  } else {
    place(ascent + std::max(1, roundToInt(em / 10)), std::max(1, roundToInt(em / 14)),
          setup->underlineTop, setup->underlineThickness);
  }
  if (m.strikeOutThickness > 0) {
    place(ascent - roundToInt(m.strikeOutPosition * scale),
          std::max(1, roundToInt(m.strikeOutThickness * scale)), setup->strikeOutTop,
          setup->strikeOutThickness);
  } else {
    place(ascent - roundToInt(em * 0.3), setup->underlineThickness, setup->strikeOutTop,
          setup->strikeOutThickness);
  }
  return setup;
}

class ThreadLayouts {
 public:
  ThreadLayouts() : buffer_(hb_buffer_create()) {}
  ThreadLayouts(const ThreadLayouts&) = delete;
  ThreadLayouts& operator=(const ThreadLayouts&) = delete;
  ~ThreadLayouts() { hb_buffer_destroy(buffer_); }

  hb_buffer_t* buffer() { return buffer_; }

  Expected<FontSetup*> setup(const LogFont& font) {
    SetupKey key;
    std::memcpy(key.face.data(), font.lfFaceName, key.face.size());
    // Bytes after the name's end do not change the font.
    const std::size_t used = font.faceNameBytes().size();
    std::fill(key.face.begin() + static_cast<std::ptrdiff_t>(used), key.face.end(), '\0');
    key.height = font.lfHeight;
    key.width = font.lfWidth;
    key.bold = font.lfWeight >= 600;
    key.italic = font.lfItalic != 0;
    if (const auto found = setups_.find(key); found != setups_.end()) return found->second.get();

    auto made = makeSetup(font, key.bold, key.italic);
    if (!made) return fail(made.reason());
    // Sizes typed in an editor add up; faces are kept regardless, so dropping
    // the lot now and then costs only the arithmetic.
    if (setups_.size() >= 512) setups_.clear();
    return setups_.emplace(key, std::move(*made)).first->second.get();
  }

 private:
  hb_buffer_t* buffer_;
  std::unordered_map<SetupKey, std::unique_ptr<FontSetup>, SetupKeyHash> setups_;
};

ThreadLayouts& threadLayouts() {
  thread_local ThreadLayouts layouts;
  return layouts;
}

struct Run {
  std::size_t begin = 0;
  std::size_t end = 0;
  int face = -1;  // as FontSetup::faceFor
};

}  // namespace

Expected<TextLayout> layoutText(std::string_view utf8, const LogFont& font) {
  ThreadLayouts& thread = threadLayouts();
  auto found = thread.setup(font);
  if (!found) return fail(found.reason());
  FontSetup& setup = **found;

  TextLayout layout;
  layout.thread = std::this_thread::get_id();
  layout.extent.height = setup.cell;
  layout.ascent = setup.ascent;
  layout.descent = setup.cell - setup.ascent;
  layout.emX = setup.emX;
  layout.emY = setup.emY;
  layout.boldStrength = setup.boldStrength;
  layout.underline = font.lfUnderline != 0;
  layout.underlineTop = setup.underlineTop;
  layout.underlineThickness = setup.underlineThickness;
  layout.strikeOut = font.lfStrikeOut != 0;
  layout.strikeOutTop = setup.strikeOutTop;
  layout.strikeOutThickness = setup.strikeOutThickness;

  const FontSource& primarySource = setup.resolution->primary;
  layout.faces.push_back({setup.primary, setup.primary->family(), setup.bold && !primarySource.bold,
                          setup.italic && !primarySource.italic});
  if (utf8.empty()) return layout;

  if (utf8.size() > kMaxLayoutBytes) {
    std::size_t cut = kMaxLayoutBytes;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
    utf8 = utf8.substr(0, cut);
  }

  // Split the text where the face that draws it changes.
  std::vector<Run> runs;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t length = 1;
    const char32_t c = decodeUtf8(utf8, at, length);
    const int face = !runs.empty() && joinsPrevious(c) ? runs.back().face : setup.faceFor(c);
    if (runs.empty() || runs.back().face != face)
      runs.push_back({at, at + length, face});
    else
      runs.back().end = at + length;
    at += length;
  }

  static const std::array<hb_feature_t, 3> features = {
      hb_feature_t{HB_TAG('k', 'e', 'r', 'n'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      hb_feature_t{HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
      hb_feature_t{HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END}};
  static const hb_language_t language = hb_language_from_string("zh-cn", -1);

  hb_buffer_t* buffer = thread.buffer();
  std::vector<int> layoutFaceOf(setup.fallbackFaces.size(), -1);
  std::int64_t pen = 0;
  for (const Run& run : runs) {
    if (pen > kMaxLineWidth) break;
    FontFace* face = setup.primary;
    std::uint32_t faceIndex = 0;
    bool syntheticBold = layout.faces[0].syntheticBold;
    if (run.face >= 0) {
      const auto slot = static_cast<std::size_t>(run.face);
      if (layoutFaceOf[slot] < 0) {
        const FontSource& source = setup.resolution->fallbacks[slot];
        layoutFaceOf[slot] = static_cast<int>(layout.faces.size());
        layout.faces.push_back({setup.fallbackFaces[slot], setup.fallbackFaces[slot]->family(),
                                setup.bold && !source.bold, setup.italic && !source.italic});
      }
      faceIndex = static_cast<std::uint32_t>(layoutFaceOf[slot]);
      face = layout.faces[faceIndex].face;
      syntheticBold = layout.faces[faceIndex].syntheticBold;
    }

    hb_buffer_clear_contents(buffer);
    // The whole text goes in, so shaping sees the characters around the run.
    hb_buffer_add_utf8(buffer, utf8.data(), static_cast<int>(utf8.size()),
                       static_cast<unsigned>(run.begin), static_cast<int>(run.end - run.begin));
    hb_buffer_set_language(buffer, language);
    hb_buffer_guess_segment_properties(buffer);
    hb_buffer_set_cluster_level(buffer, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
    hb_font_set_scale(face->hb(), setup.emX, setup.emY);
    hb_shape(face->hb(), buffer, features.data(), static_cast<unsigned>(features.size()));

    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, nullptr);
    for (unsigned i = 0; i < count; ++i) {
      if (pen > kMaxLineWidth) break;
      LayoutGlyph glyph;
      glyph.glyphIndex = infos[i].codepoint;
      glyph.face = faceIndex;
      glyph.x = clampTo32(pen * 64 + positions[i].x_offset);
      glyph.y = clampTo32(-std::int64_t{positions[i].y_offset});
      glyph.cluster = infos[i].cluster;
      layout.glyphs.push_back(glyph);
      int advance = roundPixels(positions[i].x_advance);
      if (advance != 0 && syntheticBold) advance += setup.boldStrength;
      pen += advance;
    }
    hb_buffer_clear_contents(buffer);
  }
  layout.extent.width = static_cast<int>(std::clamp<std::int64_t>(pen, 0, kMaxLineWidth));
  return layout;
}

TextExtent textExtent(const Expected<TextLayout>& layout, const LogFont& font) {
  if (layout) return layout->extent;
  const std::int64_t height = font.lfHeight;
  if (height == 0) return {0, kDefaultCellHeight};
  return {0,
          static_cast<int>(std::min<std::int64_t>(height < 0 ? -height : height, kMaxFontPixels))};
}

namespace {

// Without `visible`, every glyph is rendered.
Expected<GlyphMask> rasterizeGlyphIn(const TextLayout& layout, const LayoutGlyph& glyph,
                                     const Rect* visible) {
  if (layout.thread != std::this_thread::get_id())
    return fail("a text layout can only be drawn on the thread that made it");
  if (glyph.face >= layout.faces.size() || !layout.faces[glyph.face].face)
    return fail("the glyph names no face of its layout");
  const LayoutFace& use = layout.faces[glyph.face];
  FontFace& face = *use.face;
  if (!face.useSize(layout.emX, layout.emY)) return fail("the font cannot be scaled to that size");

  FT_Face ft = face.ft();
  // Light hinting only aligns vertically, so glyphs stay exactly where the
  // unhinted advances put them; embedded bitmaps would ignore the synthetic
  // styles and the horizontal stretch.
  if (FT_Load_Glyph(ft, glyph.glyphIndex, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0)
    return fail("the glyph cannot be loaded");
  FT_GlyphSlot slot = ft->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return fail("the glyph has no outline");

  FT_Outline* outline = &slot->outline;
  if (use.syntheticBold) FT_Outline_EmboldenXY(outline, layout.boldStrength * 64, 0);
  if (use.syntheticItalic) {
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Outline_Transform(outline, &shear);
  }
  // Whole pixels go into the mask's place, the fraction into the outline.
  const std::int32_t up = -glyph.y;
  const std::int32_t wholeX = glyph.x >> 6;
  const std::int32_t wholeUp = up >> 6;
  FT_Outline_Translate(outline, glyph.x - wholeX * 64, up - wholeUp * 64);

  GlyphMask mask;
  if (outline->n_points == 0) return mask;
  // The rendered bitmap covers the outline's control box rounded out to whole
  // pixels; a pixel more on every side leaves room for the rasteriser's own
  // rounding.
  FT_BBox box;
  FT_Outline_Get_CBox(outline, &box);
  const std::int64_t left = std::int64_t{wholeX} + (box.xMin >> 6) - 1;
  const std::int64_t right = std::int64_t{wholeX} + ((box.xMax + 63) >> 6) + 1;
  const std::int64_t top = std::int64_t{layout.ascent} - wholeUp - ((box.yMax + 63) >> 6) - 1;
  const std::int64_t bottom = std::int64_t{layout.ascent} - wholeUp - (box.yMin >> 6) + 1;
  if (visible && (right <= visible->x || left >= visible->right() || bottom <= visible->y ||
                  top >= visible->bottom()))
    return mask;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return fail("the glyph cannot be drawn");
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return fail("the glyph came out in an odd format");
  mask.x = wholeX + slot->bitmap_left;
  mask.y = layout.ascent - (wholeUp + slot->bitmap_top);
  mask.width = static_cast<int>(bitmap.width);
  mask.height = static_cast<int>(bitmap.rows);
  mask.coverage.resize(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    const unsigned char* source =
        bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch -
        (bitmap.pitch < 0 ? static_cast<std::ptrdiff_t>(bitmap.rows - 1) * bitmap.pitch : 0);
    std::memcpy(mask.coverage.data() + static_cast<std::size_t>(row) * bitmap.width, source,
                bitmap.width);
  }
  return mask;
}

}  // namespace

Expected<GlyphMask> rasterizeGlyph(const TextLayout& layout, const LayoutGlyph& glyph) {
  return rasterizeGlyphIn(layout, glyph, nullptr);
}

Expected<GlyphMask> rasterizeGlyph(const TextLayout& layout, const LayoutGlyph& glyph,
                                   Rect visible) {
  return rasterizeGlyphIn(layout, glyph, &visible);
}

}  // namespace imbrino
