#pragma once
// Every control of the program's windows carries its numeric id in its object
// name, "c<id>": tooltips, tests and the screenshot tools find controls by it.

#include <QObject>
#include <QString>

namespace imbrino {

inline QString controlName(int id) {
  return QStringLiteral("c%1").arg(id);
}

inline void setControlId(QObject* control, int id) {
  control->setObjectName(controlName(id));
}

// The id a control was given with setControlId.
inline int controlIdOf(const QObject& control) {
  return control.objectName().mid(1).toInt();
}

// The control `id` among the children of `window`, at any depth; null when
// there is none of type T.
template <typename T>
T* findControl(const QObject& window, int id) {
  return window.findChild<T*>(controlName(id), Qt::FindChildrenRecursively);
}

}  // namespace imbrino
