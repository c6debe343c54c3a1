#pragma once
// Two colour encodings meet in the program. Documents and settings store
// COLORREF values (0x00BBGGRR, red in the low byte), as template files made on
// Windows do. Surfaces hold pixels as 0xFFRRGGBB, the layout of a 32-bit RGB
// image in the windowing toolkit, so a surface can be shown without a copy.
// Convert between them only here.

#include <cstdint>

namespace imbrino {

using ColorRef = std::uint32_t;
using Pixel = std::uint32_t;

inline constexpr ColorRef kColorRefWhite = 0x00FFFFFF;
inline constexpr Pixel kPixelWhite = 0xFFFFFFFF;
inline constexpr Pixel kPixelBlack = 0xFF000000;

constexpr std::uint8_t redOf(Pixel p) {
  return static_cast<std::uint8_t>(p >> 16);
}
constexpr std::uint8_t greenOf(Pixel p) {
  return static_cast<std::uint8_t>(p >> 8);
}
constexpr std::uint8_t blueOf(Pixel p) {
  return static_cast<std::uint8_t>(p);
}

constexpr Pixel makePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return 0xFF000000u | (Pixel{r} << 16) | (Pixel{g} << 8) | Pixel{b};
}

constexpr Pixel pixelFromColorRef(ColorRef c) {
  return makePixel(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                   static_cast<std::uint8_t>(c >> 16));
}

constexpr ColorRef colorRefFromPixel(Pixel p) {
  return ColorRef{redOf(p)} | (ColorRef{greenOf(p)} << 8) | (ColorRef{blueOf(p)} << 16);
}

// A straight-alpha colour laid over white, as every decoded picture is: the
// areas a picture leaves transparent come out white.
constexpr Pixel overWhite(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
  auto mix = [a](std::uint8_t c) {
    const unsigned v = c * unsigned{a} + 255u * (255u - a);
    return static_cast<std::uint8_t>((v + 127u) / 255u);
  };
  return makePixel(mix(r), mix(g), mix(b));
}

}  // namespace imbrino
