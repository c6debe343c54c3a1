#include "widgets/control_tooltips.h"

#include <QWidget>

#include "widgets/control_id.h"

namespace imbrino {

bool addControlToolTip(QWidget* dialog, int controlId, const QString& text) {
  if (dialog == nullptr) return false;
  QWidget* control = findControl<QWidget>(*dialog, controlId);
  if (control == nullptr) return false;
  control->setToolTip(text);
  return true;
}

}  // namespace imbrino
