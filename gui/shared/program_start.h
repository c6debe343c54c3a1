#pragma once
// What the desktop program and the updater do alike as they start.

#include <QString>
#include <QStringList>

class QApplication;

namespace imbrino {

// The arguments after the program's name as one command line, the way a path
// with blanks arrives whether or not the shell was asked to quote it.
QString commandLineOf(const QStringList& arguments);

// The program speaks Chinese whatever the desktop's language, so the
// toolkit's own buttons and dialogs ("是", "否", "取消") do too.
void loadChineseTranslations(QApplication& application);

}  // namespace imbrino
