#include "text/logfont.h"

#include <algorithm>
#include <cstring>

namespace imbrino {

std::string_view LogFont::faceNameBytes() const {
  return {lfFaceName, strnlen(lfFaceName, sizeof lfFaceName)};
}

void LogFont::setFaceNameBytes(std::string_view gbk) {
  std::memset(lfFaceName, 0, sizeof lfFaceName);
  const std::size_t n = std::min(gbk.size(), sizeof lfFaceName - 1);
  std::memcpy(lfFaceName, gbk.data(), n);
}

}  // namespace imbrino
