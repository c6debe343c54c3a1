#include "text/font_face.h"

#include FT_ADVANCES_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

namespace imbrino {
namespace {

// Windows states a face's average character width as the lowercase letters
// and space weighted by how often they occur in English text (OS/2 versions
// 0-2); newer fonts store the plain average of all glyphs there instead, which
// for a face with thousands of ideographs is another measure altogether.
int weightedAverageWidth(FT_Face face) {
  static constexpr std::array<int, 27> weights = {64, 14, 27, 35, 100, 20, 14, 42, 63,
                                                  3,  6,  35, 20, 56,  56, 17, 4,  49,
                                                  56, 71, 31, 10, 18,  3,  18, 2,  166};
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const FT_ULong c = i < 26 ? 'a' + i : ' ';
    const FT_UInt glyph = FT_Get_Char_Index(face, c);
    FT_Fixed advance = 0;
    if (glyph == 0 || FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
    sum += static_cast<std::int64_t>(advance) * weights[i];
  }
  return static_cast<int>(sum / 1000);
}

FaceMetrics readMetrics(FT_Face face) {
  FaceMetrics m;
  m.unitsPerEm = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version == 0xFFFF) os2 = nullptr;  // FreeType's mark for "no table"

  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    m.ascent = os2->usWinAscent;
    m.descent = os2->usWinDescent;
  } else if (face->ascender - face->descender > 0) {
    m.ascent = face->ascender;
    m.descent = -face->descender;
  } else if (face->bbox.yMax - face->bbox.yMin > 0) {
    m.ascent = static_cast<int>(face->bbox.yMax);
    m.descent = static_cast<int>(-face->bbox.yMin);
  } else {
    m.ascent = m.unitsPerEm * 4 / 5;
    m.descent = m.unitsPerEm - m.ascent;
  }

  m.averageWidth = weightedAverageWidth(face);
  if (m.averageWidth <= 0 && os2 && os2->xAvgCharWidth > 0) m.averageWidth = os2->xAvgCharWidth;
  if (m.averageWidth <= 0) m.averageWidth = std::max(1, m.unitsPerEm / 2);

  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
  if (post && post->underlineThickness > 0) {
    m.underlinePosition = post->underlinePosition;
    m.underlineThickness = post->underlineThickness;
  } else if (face->underline_thickness > 0) {
    // FreeType gives the stroke's centre; we keep its top, as the table does.
    m.underlineThickness = face->underline_thickness;
    m.underlinePosition = face->underline_position + face->underline_thickness / 2;
  }
  if (os2 && os2->yStrikeoutSize > 0) {
    m.strikeOutPosition = os2->yStrikeoutPosition;
    m.strikeOutThickness = os2->yStrikeoutSize;
  }
  return m;
}

class ThreadFaces {
 public:
  ThreadFaces() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
  }
  ThreadFaces(const ThreadFaces&) = delete;
  ThreadFaces& operator=(const ThreadFaces&) = delete;
  ~ThreadFaces() {
    faces_.clear();
    if (library_) FT_Done_FreeType(library_);
  }

  FontFace* get(const FontSource& source) {
    auto key = std::make_pair(source.file, source.index);
    if (const auto found = faces_.find(key); found != faces_.end()) return found->second.get();
    // A file that fails stays failed for this thread: no retry on every line.
    return faces_.emplace(std::move(key), open(source)).first->second.get();
  }

 private:
  std::unique_ptr<FontFace> open(const FontSource& source) {
    if (!library_) return nullptr;
    FT_Face ft = nullptr;
    if (FT_New_Face(library_, source.file.c_str(), source.index, &ft) != 0) return nullptr;
    if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0 || !ft->charmap) {
      FT_Done_Face(ft);
      return nullptr;
    }
    // HarfBuzz reads the same file itself, so shaping never touches FreeType's
    // face state.
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(source.file.c_str());
    if (!blob) {
      FT_Done_Face(ft);
      return nullptr;
    }
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(source.index));
    hb_blob_destroy(blob);
    hb_font_t* hbFont = hb_font_create(hbFace);
    const bool usable = hb_face_get_glyph_count(hbFace) > 0;
    hb_face_destroy(hbFace);
    if (!usable) {
      hb_font_destroy(hbFont);
      FT_Done_Face(ft);
      return nullptr;
    }
    return std::make_unique<FontFace>(ft, hbFont, source.family);
  }

  FT_Library library_ = nullptr;
  std::map<std::pair<std::string, int>, std::unique_ptr<FontFace>> faces_;
};

}  // namespace

FontFace::FontFace(FT_Face ft, hb_font_t* hb, std::string family)
    : ft_(ft), hb_(hb), family_(std::move(family)), metrics_(readMetrics(ft)) {}

FontFace::~FontFace() {
  hb_font_destroy(hb_);
  FT_Done_Face(ft_);  // also ends the sizes made for it
}

bool FontFace::useSize(FT_F26Dot6 emX, FT_F26Dot6 emY) {
  const auto found = std::find_if(sizes_.begin(), sizes_.end(),
                                  [&](const Size& s) { return s.emX == emX && s.emY == emY; });
  if (found != sizes_.end()) {
    std::rotate(found, found + 1, sizes_.end());
    return FT_Activate_Size(sizes_.back().size) == 0;
  }
  FT_Size size = nullptr;
  if (FT_New_Size(ft_, &size) != 0) return false;
  if (FT_Activate_Size(size) != 0 || FT_Set_Char_Size(ft_, emX, emY, 72, 72) != 0) {
    FT_Done_Size(size);
    return false;
  }
  static constexpr std::size_t kKeptSizes = 8;
  if (sizes_.size() == kKeptSizes) {
    FT_Done_Size(sizes_.front().size);
    sizes_.erase(sizes_.begin());
  }
  sizes_.push_back({emX, emY, size});
  return true;
}

FontFace* threadFace(const FontSource& source) {
  thread_local ThreadFaces faces;
  return faces.get(source);
}

}  // namespace imbrino
