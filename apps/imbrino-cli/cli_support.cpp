#include "cli_support.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "image/image_types.h"
#include "platform/file_io.h"
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

bool prepareOutputFolder(const std::string& folder) {
  if (folder.empty()) {
    reportFailure("--out: the output folder is empty");
    return false;
  }
  if (const Status made = makeFolders(folder); !made) {
    reportFailure("cannot make the output folder: " + made.reason());
    return false;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    reportFailure("cannot write into the output folder: " + folder + ": " + systemErrorText(errno));
    return false;
  }
  return true;
}

}  // namespace imbrino::cli
