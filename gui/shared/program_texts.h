#pragma once
// Texts the program's windows share: the caption every message box and main
// window shows, and the picture types the dialogs that open pictures offer.

#include <QString>

#include "session/program_info.h"

namespace imbrino {

inline QString programTitle() {
  return QString::fromUtf8(kProgramTitle.data(), static_cast<qsizetype>(kProgramTitle.size()));
}

// Every picture type the program reads, together and one by one, in the form
// parseFilterList reads.
inline QString pictureFileFilter() {
  return QStringLiteral(
      "所有图片文件|*.gif;*.bmp;*.jpg;*.jpeg;*.png|BMP文件(*.bmp)|*.bmp|JPG文件(*.jpg)|*.jpg|"
      "JPEG文件(*.jpeg)|*.jpeg|GIF文件(*.gif)|*.gif|PNG文件(*.png)|*.png||");
}

}  // namespace imbrino
