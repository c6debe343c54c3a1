#include "batch/mark_options.h"

#include <array>
#include <utility>

#include "settings/settings_file.h"

namespace imbrino {
namespace {

constexpr std::array<std::pair<ScaleSide, std::string_view>, 4> kSideNames = {{
    {ScaleSide::Width, "width"},
    {ScaleSide::Height, "height"},
    {ScaleSide::Shorter, "shorter"},
    {ScaleSide::Longer, "longer"},
}};

constexpr std::string_view kSection = "BatchMark";

// A stored number within [low, high], or `fallback` when absent or outside:
// a hand-edited file must not turn into a run nobody chose.
int numberWithin(const SettingsFile& settings, std::string_view key, int low, int high,
                 int fallback) {
  const auto value = settings.readNumber(kSection, key);
  return value && *value >= low && *value <= high ? *value : fallback;
}

}  // namespace

std::string_view scaleSideName(ScaleSide side) {
  for (const auto& [each, name] : kSideNames)
    if (each == side) return name;
  return kSideNames[0].second;
}

std::optional<ScaleSide> scaleSideFromName(std::string_view name) {
  for (const auto& [side, each] : kSideNames)
    if (each == name) return side;
  return std::nullopt;
}

RunChoices readRunChoices(const SettingsFile& settings) {
  RunChoices choices;
  MarkOptions& mark = choices.mark;
  mark.scalePercent = numberWithin(settings, "ScalePercent", 0, kMaxScalePercent, 0);
  mark.scaleSide = static_cast<ScaleSide>(numberWithin(settings, "ScaleSide", 0, 3, 0));
  mark.tile = numberWithin(settings, "Tile", 0, 1, 0) != 0;
  mark.tileGapPercent =
      numberWithin(settings, "TileGap", 0, kMaxTileGapPercent, kDefaultTileGapPercent);
  mark.tileAngle = numberWithin(settings, "TileAngle", -kMaxTileAngle, kMaxTileAngle, 0);
  mark.autoCorner = numberWithin(settings, "AutoCorner", 0, 1, 0) != 0;
  choices.jpeg = numberWithin(settings, "KeepJpegBlocks", 0, 1, 0) != 0 ? JpegWriting::Keep
                                                                        : JpegWriting::Reencode;
  return choices;
}

bool writeRunChoices(const SettingsFile& settings, const RunChoices& choices) {
  const MarkOptions& mark = choices.mark;
  bool written = settings.writeNumber(kSection, "ScalePercent", mark.scalePercent);
  written &= settings.writeNumber(kSection, "ScaleSide", static_cast<int>(mark.scaleSide));
  written &= settings.writeNumber(kSection, "Tile", mark.tile ? 1 : 0);
  written &= settings.writeNumber(kSection, "TileGap", mark.tileGapPercent);
  written &= settings.writeNumber(kSection, "TileAngle", mark.tileAngle);
  written &= settings.writeNumber(kSection, "AutoCorner", mark.autoCorner ? 1 : 0);
  written &=
      settings.writeNumber(kSection, "KeepJpegBlocks", choices.jpeg == JpegWriting::Keep ? 1 : 0);
  return written;
}

}  // namespace imbrino
