#pragma once
// The logical-font record templates carry: the 60-byte Windows LOGFONTA layout,
// field for field, so template files made on Windows read back unchanged. Only
// height, width, weight, italic, underline, strike-out and the face name change
// how text looks here; the other fields are kept and written back as they came.

#include <cstdint>
#include <string_view>

namespace imbrino {

struct LogFont {
  std::int32_t lfHeight = 12;  // > 0: cell height in pixels; < 0: em height; 0: default size
  std::int32_t lfWidth = 0;    // average character width; 0: the face's own
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 400;  // 700 bold; 600 and up are drawn bold
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 1;  // DEFAULT_CHARSET
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = "\xCB\xCE\xCC\xE5";  // "宋体" in GBK

  // The face name's bytes up to the first NUL (GBK).
  std::string_view faceNameBytes() const;
  // Stores GBK bytes, cut to 31 and NUL-terminated; the tail is zeroed.
  void setFaceNameBytes(std::string_view gbk);

  friend bool operator==(const LogFont&, const LogFont&) = default;
};

static_assert(sizeof(LogFont) == 60, "LogFont must keep the 60-byte LOGFONTA layout");

}  // namespace imbrino
