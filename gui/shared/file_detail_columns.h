#pragma once
// The size, type and date columns of a file dialog's detail view in the
// program's language. Qt's own dialog writes them in the language of the
// desktop's environment, which is English on many a Chinese desktop set up by
// hand. Done in the drawing rather than in a proxy model: behind a proxy the
// dialog's selection of names typed together ("a.gif" "b.jpg") goes wrong and
// drops files.

#include <QStyledItemDelegate>

class QTreeView;

namespace imbrino {

class FileDetailColumns final : public QStyledItemDelegate {
 public:
  // Draws those columns of `view` (a file system model's) from now on.
  static void install(QTreeView& view);

  // What the view shows in the cell `index`.
  QString shownText(const QModelIndex& index) const;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  using QStyledItemDelegate::QStyledItemDelegate;
};

}  // namespace imbrino
