#pragma once
// Keys the windows share a meaning for: Enter and Escape, the two a dialog
// would end itself with (windows that end only in their own way swallow
// them), and the arrow keys that nudge by one pixel.

#include <QKeyEvent>
#include <QPoint>
#include <optional>

namespace imbrino {

// Either Enter key: the main keyboard's or the keypad's.
inline bool isEnterKey(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

inline bool isEnterOrEscape(const QKeyEvent& event) {
  return isEnterKey(event) || event.key() == Qt::Key_Escape;
}

// The one-pixel step of an arrow key; nothing for any other key.
inline std::optional<QPoint> arrowKeyStep(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Left:
      return QPoint(-1, 0);
    case Qt::Key_Right:
      return QPoint(1, 0);
    case Qt::Key_Up:
      return QPoint(0, -1);
    case Qt::Key_Down:
      return QPoint(0, 1);
    default:
      return std::nullopt;
  }
}

}  // namespace imbrino
