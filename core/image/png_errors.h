#pragma once
// libpng calls its error handler instead of returning a failure. Ours keeps
// the message and jumps back with png_longjmp to the function that armed
// png_jmpbuf; that function must hold nothing with a destructor while it
// calls into libpng, since the jump skips destructors. Warnings (mostly about
// ancillary chunks we do not use) are not printed.

#include <png.h>

#include <cstdio>
#include <string>

namespace imbrino {

struct PngErrors {
  char message[200] = "";

  [[noreturn]] static void error(png_structp png, png_const_charp message) {
    auto* self = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(self->message, sizeof self->message, "%s", message);
    png_longjmp(png, 1);
  }
  static void warning(png_structp, png_const_charp) {}

  std::string reason() const { return std::string("PNG: ") + message; }
};

}  // namespace imbrino
