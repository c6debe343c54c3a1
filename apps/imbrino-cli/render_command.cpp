// `imbrino-cli render TEMPLATE OUT`: the template on its own, at its own size.

#include <string>

#include "cli_support.h"
#include "commands.h"
#include "image/image_io.h"
#include "render/template_compose.h"

namespace imbrino::cli {

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

}  // namespace imbrino::cli
