#pragma once
// The busy cursor while the program reads a file or decodes a picture that may
// take seconds, so a window that does not answer meanwhile says why.

#include <QCursor>
#include <QGuiApplication>

namespace imbrino {

class BusyCursor {
 public:
  BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace imbrino
