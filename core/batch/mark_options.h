#pragma once
// How the mark is fitted to each picture of a run, beyond where it goes:
// scaled to a side of the picture, repeated over the whole picture, or sent
// to the corner where it covers the least detail. These belong to a run, not
// to the template: the template file never changes for them.

#include <optional>
#include <string_view>

#include "batch/jpeg_keep_stamp.h"

namespace imbrino {

class SettingsFile;

enum class ScaleSide { Width, Height, Shorter, Longer };

inline constexpr int kMaxScalePercent = 100;
inline constexpr int kMaxTileGapPercent = 500;
inline constexpr int kMaxTileAngle = 90;
inline constexpr int kDefaultTileGapPercent = 50;

struct MarkOptions {
  // 0: the template at its designed size. 1..100: its width becomes this
  // share of the picture's `scaleSide`, its height in proportion.
  int scalePercent = 0;
  ScaleSide scaleSide = ScaleSide::Width;
  // Copies over the whole picture, `tileGapPercent` of the (turned) mark's
  // size apart, every other row shifted by half a step; each copy turned by
  // `tileAngle` degrees (counter-clockwise) about its centre.
  bool tile = false;
  int tileGapPercent = kDefaultTileGapPercent;
  int tileAngle = 0;
  // With anchor placement: the mark goes to whichever corner cell covers the
  // least detail of the picture, ties going to the bottom right.
  bool autoCorner = false;

  friend bool operator==(const MarkOptions&, const MarkOptions&) = default;
};

// "width", "height", "shorter", "longer".
std::string_view scaleSideName(ScaleSide side);
std::optional<ScaleSide> scaleSideFromName(std::string_view name);

// The run's choices as the batch window remembers them in the settings file:
// the options above and how a JPEG is written. Values out of range read as
// their defaults.
struct RunChoices {
  MarkOptions mark;
  JpegWriting jpeg = JpegWriting::Reencode;
  friend bool operator==(const RunChoices&, const RunChoices&) = default;
};
RunChoices readRunChoices(const SettingsFile& settings);
bool writeRunChoices(const SettingsFile& settings, const RunChoices& choices);

}  // namespace imbrino
