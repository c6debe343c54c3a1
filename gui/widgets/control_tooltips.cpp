#include "widgets/control_tooltips.h"

#include <QWidget>

namespace imbrino {

bool addControlToolTip(QWidget* dialog, int controlId, const QString& text) {
  if (dialog == nullptr) return false;
  QWidget* control = dialog->findChild<QWidget*>(QStringLiteral("c%1").arg(controlId),
                                                 Qt::FindChildrenRecursively);
  if (control == nullptr) return false;
  control->setToolTip(text);
  return true;
}

}  // namespace imbrino
