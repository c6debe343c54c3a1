#include "widgets/dialog_button.h"

#include <QPushButton>

namespace imbrino {

QPushButton* addDialogButton(QWidget* dialog, int id, const QString& text, QRect geometry) {
  auto* button = new QPushButton(text, dialog);
  button->setObjectName(QStringLiteral("c%1").arg(id));
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace imbrino
