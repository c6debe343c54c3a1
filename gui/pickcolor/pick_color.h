#pragma once
// The screen colour picker: a full-screen eyedropper with a magnifier. It
// blocks until the user clicks a pixel or presses Escape, and returns the
// colour under the cursor either way, as 0x00BBGGRR.

#include <cstdint>

namespace imbrino {

std::uint32_t PickColor();

}  // namespace imbrino
