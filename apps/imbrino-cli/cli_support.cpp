#include "cli_support.h"

#include <iostream>

#include "image/image_types.h"
#include "template/template_file.h"

namespace imbrino::cli {

void reportFailure(const std::string& message) {
  std::cerr << "imbrino-cli: " << message << "\n";
}

bool loadTemplate(const std::string& path, Template& document) {
  if (const Status status = readTemplateFile(path, document); !status) {
    reportFailure("cannot read the template: " + status.reason());
    return false;
  }
  return true;
}

bool checkOutputType(const std::string& path) {
  if (imageTypeOfPath(path) != ImageType::Unknown) return true;
  reportFailure(path + ": unknown picture type; use .bmp, .jpg, .jpeg, .gif or .png");
  return false;
}

}  // namespace imbrino::cli
