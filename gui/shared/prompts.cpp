#include "shared/prompts.h"

namespace imbrino {

std::vector<FileFilter> parseFilterList(const QString& text) {
  std::vector<FileFilter> filters;
  const QStringList parts = text.split(u'|');
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;  // the closing "||"
    filters.push_back({parts[i], parts[i + 1].split(u';', Qt::SkipEmptyParts)});
  }
  return filters;
}

}  // namespace imbrino
