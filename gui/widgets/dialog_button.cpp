#include "widgets/dialog_button.h"

#include <QPushButton>

#include "widgets/control_id.h"

namespace imbrino {

QPushButton* addDialogButton(QWidget* dialog, int id, const QString& text, QRect geometry) {
  auto* button = new QPushButton(text, dialog);
  setControlId(button, id);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace imbrino
