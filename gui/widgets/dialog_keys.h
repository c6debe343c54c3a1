#pragma once
// Enter and Escape, the two keys a dialog would end itself with. Windows that
// end only in their own way swallow them.

#include <QKeyEvent>

namespace imbrino {

inline bool isEnterOrEscape(const QKeyEvent& event) {
  const int key = event.key();
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

}  // namespace imbrino
