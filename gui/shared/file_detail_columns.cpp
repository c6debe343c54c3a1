#include "shared/file_detail_columns.h"

#include <QFileSystemModel>
#include <QLocale>
#include <QTreeView>

namespace imbrino {
namespace {

// The columns of a file system model.
constexpr int kSizeColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;

}  // namespace

void FileDetailColumns::install(QTreeView& view) {
  auto* columns = new FileDetailColumns(&view);
  for (int column : {kSizeColumn, kTypeColumn, kDateColumn})
    view.setItemDelegateForColumn(column, columns);
}

QString FileDetailColumns::shownText(const QModelIndex& index) const {
  QStyleOptionViewItem option;
  initStyleOption(&option, index);
  return option.text;
}

void FileDetailColumns::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const auto* files = qobject_cast<const QFileSystemModel*>(index.model());
  if (files == nullptr) return;
  if (index.column() == kSizeColumn && !files->isDir(index))
    option->text = QLocale().formattedDataSize(files->size(index));
  else if (index.column() == kDateColumn)
    option->text = QLocale().toString(files->lastModified(index), QLocale::ShortFormat);
  // The toolkit's Chinese translation has no word for a folder's type.
  else if (index.column() == kTypeColumn && files->isDir(index))
    option->text = QStringLiteral("文件夹");
}

}  // namespace imbrino
