#pragma once
// The push buttons of the program's dialogs: each carries its control id as
// "c<id>", and none is a default button, since Enter never answers for the
// user in these windows.

#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

namespace imbrino {

QPushButton* addDialogButton(QWidget* dialog, int id, const QString& text, QRect geometry);

}  // namespace imbrino
