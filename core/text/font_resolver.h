#pragma once
// Turns a face name from a template into real font files through fontconfig,
// with the program's own rules (assets/fonts/imbrino-fonts.conf) on top of the
// system's, so "宋体" or "Arial" find their installed look-alikes.
//
// fontconfig is used from one configuration of our own, built once and never
// changed afterwards; every call into it is made under one lock, and results
// are cached, so the text engine reaches fontconfig once per face and style.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/expected.h"

namespace imbrino {

// The characters a font maps; opaque outside the resolver.
class FontCoverage;

struct FontSource {
  std::string file;
  int index = 0;  // face index inside a collection (.ttc)
  std::string family;
  // The style the file really has, so the drawing side can tell what it must
  // synthesise.
  bool bold = false;
  bool italic = false;
  std::shared_ptr<const FontCoverage> coverage;
};

// True when `source` maps `c`. Cheap and safe from any thread.
bool covers(const FontSource& source, char32_t c);

struct FontResolution {
  // The face that draws the text.
  FontSource primary;
  // Faces for characters the primary lacks, best first (each adds characters
  // the ones before it lack).
  std::vector<FontSource> fallbacks;
};

// The face name used when a template's record has none: the Song face that
// the texts of the program are set in on Windows.
inline constexpr std::string_view kDefaultFaceName = "宋体";

// Resolves a UTF-8 face name. An empty or unknown name ends at the default
// face's look-alike. Fails only when no usable font is installed at all or
// the configuration cannot be built. Thread-safe; results are cached.
Expected<std::shared_ptr<const FontResolution>> resolveFont(std::string_view faceName, bool bold,
                                                            bool italic);

// The names a user may choose from: every installed family name plus the
// Windows names the rules map, UTF-8, sorted and unique. Only names a template
// can store are listed (GBK, at most 31 bytes).
std::vector<std::string> listFaceNames();

// The Windows face names the rules file maps (the first family of each alias),
// generic names excluded, in file order.
std::vector<std::string> ruleFaceNames();

}  // namespace imbrino
