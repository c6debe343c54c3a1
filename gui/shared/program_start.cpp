#include "shared/program_start.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace imbrino {

QString commandLineOf(const QStringList& arguments) {
  return arguments.mid(1).join(u' ');
}

void loadChineseTranslations(QApplication& application) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(&application);
  if (translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    application.installTranslator(translator);
}

}  // namespace imbrino
