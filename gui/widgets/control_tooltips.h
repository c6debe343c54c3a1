#pragma once
// Tooltips for the controls of a dialog, found by their numeric ids.

#include <QString>

class QWidget;

namespace imbrino {

// Gives the control "c<controlId>" among `dialog`'s children the tooltip
// `text`. False when the dialog has no such control.
bool addControlToolTip(QWidget* dialog, int controlId, const QString& text);

}  // namespace imbrino
