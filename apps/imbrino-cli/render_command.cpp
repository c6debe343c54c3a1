// `imbrino-cli render TEMPLATE OUT`: the template on its own, at its own size,
// or as a small PNG preview for file managers.

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "cli_support.h"
#include "commands.h"
#include "graphics/picture_limits.h"
#include "graphics/resample.h"
#include "image/image_io.h"
#include "platform/file_io.h"
#include "render/template_compose.h"
#include "render/template_scale.h"

namespace imbrino::cli {
namespace {

// A preview is asked for by a file manager, unattended, for whatever .src
// file the user browses past: a damaged or hostile one must cost a refusal,
// not the desktop's memory or a hung thumbnailer. These bound the process
// itself, on top of the template reader's own limits.
constexpr rlim_t kThumbnailAddressSpace = rlim_t{1} << 30;  // 1 GiB
constexpr rlim_t kThumbnailCpuSeconds = 10;
// Waiting costs no processor time: a file on a stalled network share is
// bounded by the clock.
constexpr unsigned kThumbnailWallSeconds = 30;
// The embedded pictures a preview will decode together: well inside the
// address space above, so that a template beyond it is refused cleanly.
constexpr std::int64_t kThumbnailPicturePixels = std::int64_t{64} << 20;

// AddressSanitizer reserves terabytes of address space for itself.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// Lowers a resource limit, never raises it: a tighter one set by the caller
// stays.
void lowerLimit(int resource, rlim_t soft, rlim_t hard) {
  rlimit limit{};
  if (::getrlimit(resource, &limit) != 0) return;
  limit.rlim_cur = std::min(limit.rlim_cur, soft);
  limit.rlim_max = std::min(limit.rlim_max, hard);
  limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
  ::setrlimit(resource, &limit);
}

void boundThumbnailProcess() {
  if (!kAddressSanitizer) lowerLimit(RLIMIT_AS, kThumbnailAddressSpace, kThumbnailAddressSpace);
  // SIGXCPU at the soft limit, SIGKILL at the hard one should it be caught.
  lowerLimit(RLIMIT_CPU, kThumbnailCpuSeconds, kThumbnailCpuSeconds + 2);
  setMaxPicturePixels(std::min(maxPicturePixels(), kThumbnailPicturePixels));
  ::alarm(kThumbnailWallSeconds);  // SIGALRM ends the process
}

// The size of a preview that fits in size x size, keeping the template's
// proportions; a template smaller than that keeps its own size.
struct PreviewSize {
  int width;
  int height;
};
PreviewSize previewSize(int width, int height, int size) {
  const int longer = std::max(width, height);
  if (longer <= size) return {width, height};
  const auto side = [&](int v) {
    return std::max(1, static_cast<int>(std::round(static_cast<double>(v) * size / longer)));
  };
  return {side(width), side(height)};
}

int writeThumbnail(const std::string& templatePath, const std::string& outputPath, int size) {
  // A FIFO or a device named *.src would be read until it ends, if ever.
  struct stat facts {};
  if (::stat(templatePath.c_str(), &facts) == 0 && !S_ISREG(facts.st_mode)) {
    reportFailure(templatePath + ": not a regular file");
    return kExitFailed;
  }
  Template document;
  if (!loadTemplate(templatePath, document)) return kExitFailed;
  const int width = document.background.width;
  const int height = document.background.height;
  if (width <= 0 || height <= 0) {
    reportFailure(templatePath + ": the template is " + std::to_string(width) + " x " +
                  std::to_string(height) + " pixels; there is nothing to render");
    return kExitFailed;
  }
  // Drawn at the preview's size, so text is laid out for it rather than
  // shrunk from a full-size bitmap, and the cost is the preview's pixels
  // however large the template is.
  const PreviewSize preview = previewSize(width, height, size);
  auto scaled = scaledTemplate(document, preview.width);
  if (!scaled) {
    reportFailure(templatePath + ": cannot scale the template: " + scaled.reason());
    return kExitFailed;
  }
  auto surface = Surface::create(scaled->background.width, scaled->background.height);
  if (!surface) {
    reportFailure(templatePath + ": cannot render the preview: " + surface.reason());
    return kExitFailed;
  }
  drawTemplate(*surface, 0, 0, *scaled, /*frameWhole=*/false, /*frameSelected=*/false);
  // A template a pixel or two wide keeps that width, and so its height,
  // when scaled by its width: such a sliver is shrunk as a bitmap.
  if (surface->width() > size || surface->height() > size) {
    surface = resampleSurface(*surface, surface->bounds(), preview.width, preview.height);
    if (!surface) {
      reportFailure(templatePath + ": cannot render the preview: " + surface.reason());
      return kExitFailed;
    }
  }
  // PNG whatever OUT is called: thumbnailers pass a name of their own choosing.
  auto png = encodePicture(*surface, CodecFormat::Png);
  if (!png) {
    reportFailure(outputPath + ": " + png.reason());
    return kExitFailed;
  }
  if (const Status written = writeFileAtomically(outputPath, *png); !written) {
    reportFailure(written.reason());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int runRender(const std::string& templatePath, const std::string& outputPath, bool handles) {
  if (!checkOutputType(outputPath)) return kExitFailed;
  Template document;
  if (!loadTemplate(templatePath, document)) return kExitFailed;

  const int width = document.background.width;
  const int height = document.background.height;
  const std::string size = std::to_string(width) + " x " + std::to_string(height);
  // Surface::create accepts an empty size, but no picture format can hold one.
  if (width <= 0 || height <= 0) {
    reportFailure(templatePath + ": the template is " + size +
                  " pixels; there is nothing to render");
    return kExitFailed;
  }
  auto surface = Surface::create(width, height);
  if (!surface) {
    reportFailure(templatePath + ": cannot render a " + size + " picture: " + surface.reason());
    return kExitFailed;
  }

  drawTemplate(*surface, 0, 0, document, /*frameWhole=*/false, /*frameSelected=*/handles);
  if (const Status saved = saveBitmapByExtension(*surface, outputPath); !saved) {
    reportFailure(saved.reason());
    return kExitFailed;
  }
  return kExitOk;
}

int runThumbnail(const std::string& templatePath, const std::string& outputPath, int size) {
  boundThumbnailProcess();
  try {
    return writeThumbnail(templatePath, outputPath, size);
  } catch (const std::bad_alloc&) {
    reportFailure(templatePath + ": not enough memory for a preview");
    return kExitFailed;
  }
}

}  // namespace imbrino::cli
