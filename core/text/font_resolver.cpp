#include "text/font_resolver.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/gbk.h"
#include "text/font_rules.h"

namespace imbrino {

class FontCoverage {
 public:
  FontCoverage(std::shared_ptr<FcFontSet> owner, const FcCharSet* charset)
      : owner_(std::move(owner)), charset_(charset) {}
  bool has(char32_t c) const { return charset_ && FcCharSetHasChar(charset_, c); }

 private:
  std::shared_ptr<FcFontSet> owner_;  // keeps the charset alive
  const FcCharSet* charset_;
};

bool covers(const FontSource& source, char32_t c) {
  return source.coverage && source.coverage->has(c);
}

namespace {

// fontconfig may be called from several threads, but a configuration must not
// be used while it is being built, and not every fontconfig version is careful
// about its internal caches. One lock around every call costs nothing here:
// results are cached and each thread keeps its own copy of what it uses.
struct Fontconfig {
  using Key = std::tuple<std::string, bool, bool>;

  std::mutex lock;
  FcConfig* config = nullptr;
  std::string failure;  // why there is no configuration
  std::map<Key, std::shared_ptr<const FontResolution>> resolved;

  Fontconfig() {
    // An application configuration of our own: the system's rules and fonts,
    // then ours, without touching the library's current configuration.
    FcConfig* built = FcInitLoadConfig();
    if (!built) {
      failure = "the system's font configuration could not be loaded";
      return;
    }
    if (!FcConfigParseAndLoadFromMemory(built, reinterpret_cast<const FcChar8*>(kFontRules),
                                        FcTrue)) {
      FcConfigDestroy(built);
      failure = "the program's font rules could not be read";
      return;
    }
    if (!FcConfigBuildFonts(built)) {
      FcConfigDestroy(built);
      failure = "the installed fonts could not be listed";
      return;
    }
    config = built;
  }
  Fontconfig(const Fontconfig&) = delete;
  Fontconfig& operator=(const Fontconfig&) = delete;
  // At exit. Threads that still hold resolutions keep the fonts they refer to
  // alive through fontconfig's own reference counts.
  ~Fontconfig() {
    resolved.clear();
    if (config) FcConfigDestroy(config);
  }
};

Fontconfig& fontconfig() {
  static Fontconfig state;
  return state;
}

std::string patternString(FcPattern* font, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(font, object, 0, &value) != FcResultMatch || !value) return {};
  return reinterpret_cast<const char*>(value);
}

// Weights and slants are integers in most fonts' entries, doubles in some.
int patternInteger(FcPattern* font, const char* object, int fallback) {
  int value = fallback;
  if (FcPatternGetInteger(font, object, 0, &value) == FcResultMatch) return value;
  double real = 0;
  if (FcPatternGetDouble(font, object, 0, &real) == FcResultMatch) return static_cast<int>(real);
  return fallback;
}

bool isOutlineFont(FcPattern* font) {
  FcBool outline = FcFalse;
  return FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && outline;
}

Expected<std::shared_ptr<const FontResolution>> resolveLocked(FcConfig* config,
                                                              const std::string& name, bool bold,
                                                              bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return fail("out of memory");
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  // The default face right after the name: an unknown name ends there rather
  // than at whatever the system prefers, and Chinese characters a Latin face
  // lacks come from it first, as they do on the systems the templates come from.
  if (name != kDefaultFaceName) {
    const std::string fallback(kDefaultFaceName);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(fallback.c_str()));
  }
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  // Template texts are code page 936.
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(config, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (!sorted) return fail("no font is installed");
  const std::shared_ptr<FcFontSet> owner(sorted, FcFontSetDestroy);

  auto resolution = std::make_shared<FontResolution>();
  // Trimmed here rather than by fontconfig so that bitmap-only fonts, which the
  // engine cannot scale, neither serve nor hide the outline fonts after them.
  FcCharSet* seen = FcCharSetCreate();
  if (!seen) return fail("out of memory");
  bool havePrimary = false;
  for (int i = 0; i < sorted->nfont; ++i) {
    FcPattern* font = sorted->fonts[i];
    if (!isOutlineFont(font)) continue;
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch || !charset) continue;
    const std::string file = patternString(font, FC_FILE);
    if (file.empty()) continue;
    if (havePrimary && FcCharSetIsSubset(charset, seen)) continue;
    FcCharSet* grown = FcCharSetUnion(seen, charset);
    if (grown) {
      FcCharSetDestroy(seen);
      seen = grown;
    }

    FontSource source;
    source.file = file;
    source.index = patternInteger(font, FC_INDEX, 0) & 0xFFFF;  // upper bits: named instance
    source.family = patternString(font, FC_FAMILY);
    source.bold = patternInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR) >= FC_WEIGHT_DEMIBOLD;
    source.italic = patternInteger(font, FC_SLANT, FC_SLANT_ROMAN) != FC_SLANT_ROMAN;
    source.coverage = std::make_shared<const FontCoverage>(owner, charset);
    if (!havePrimary) {
      resolution->primary = std::move(source);
      havePrimary = true;
    } else {
      resolution->fallbacks.push_back(std::move(source));
    }
  }
  FcCharSetDestroy(seen);
  if (!havePrimary) return fail("no scalable font is installed");
  return std::shared_ptr<const FontResolution>(std::move(resolution));
}

bool isGenericFamily(std::string_view name) {
  static constexpr std::array<std::string_view, 10> generic = {
      "serif",   "sans-serif", "monospace", "sans",  "mono",
      "cursive", "fantasy",    "system-ui", "emoji", "math"};
  return std::find(generic.begin(), generic.end(), name) != generic.end();
}

// A face name a template's 32-byte GBK field can hold.
bool storable(const std::string& name) {
  if (name.empty()) return false;
  const auto gbk = utf8ToGbk(name);
  return gbk && gbk->size() <= 31;
}

}  // namespace

Expected<std::shared_ptr<const FontResolution>> resolveFont(std::string_view faceName, bool bold,
                                                            bool italic) {
  const std::string name(faceName.empty() ? kDefaultFaceName : faceName);
  Fontconfig& fc = fontconfig();
  std::lock_guard hold(fc.lock);
  Fontconfig::Key key{name, bold, italic};
  if (const auto found = fc.resolved.find(key); found != fc.resolved.end()) return found->second;
  if (!fc.config) return fail(fc.failure);
  auto resolution = resolveLocked(fc.config, name, bold, italic);
  // Face names come from files and from typing; past this many the cache has
  // stopped paying for itself and each thread's own cache still holds its fonts.
  if (resolution && fc.resolved.size() < 4096) fc.resolved.emplace(std::move(key), *resolution);
  return resolution;
}

std::vector<std::string> ruleFaceNames() {
  std::vector<std::string> names;
  const std::string_view rules = kFontRules;
  static constexpr std::string_view open = "<family>", close = "</family>";
  std::size_t at = 0;
  while ((at = rules.find("<alias", at)) != std::string_view::npos) {
    const std::size_t end = rules.find("</alias>", at);
    const std::size_t first = rules.find(open, at);
    if (end == std::string_view::npos || first == std::string_view::npos || first > end) break;
    const std::size_t begin = first + open.size();
    const std::size_t stop = rules.find(close, begin);
    if (stop == std::string_view::npos || stop > end) break;
    const std::string_view name = rules.substr(begin, stop - begin);
    // Entities never occur in face names; a name with one is not ours to list.
    if (!isGenericFamily(name) && name.find('&') == std::string_view::npos)
      names.emplace_back(name);
    at = end;
  }
  return names;
}

std::vector<std::string> listFaceNames() {
  std::vector<std::string> names;
  {
    Fontconfig& fc = fontconfig();
    std::lock_guard hold(fc.lock);
    if (fc.config) {
      FcPattern* pattern = FcPatternCreate();
      FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_OUTLINE, nullptr);
      FcFontSet* fonts = pattern && objects ? FcFontList(fc.config, pattern, objects) : nullptr;
      for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        if (!isOutlineFont(font)) continue;
        FcChar8* family = nullptr;
        // Every name a family goes by: Chinese users know 文泉驿正黑 by that name.
        for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n)
          names.emplace_back(reinterpret_cast<const char*>(family));
      }
      if (fonts) FcFontSetDestroy(fonts);
      if (objects) FcObjectSetDestroy(objects);
      if (pattern) FcPatternDestroy(pattern);
    }
  }
  for (auto& name : ruleFaceNames()) names.push_back(std::move(name));
  std::erase_if(names, [](const std::string& name) { return !storable(name); });
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace imbrino
