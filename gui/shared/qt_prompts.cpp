#include "shared/qt_prompts.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "image/image_types.h"
#include "pickcolor/pick_color.h"
#include "shared/file_detail_columns.h"
#include "widgets/dialog_units.h"

namespace imbrino {
namespace {

// Qt reads the patterns of a type from the parentheses at the end of its
// label; labels such as "BMP文件(*.bmp)" already end so, others get theirs
// appended (and hidden again by HideNameFilterDetails).
QString qtFilterText(const FileFilter& filter) {
  return filter.label + QStringLiteral(" (") + filter.patterns.join(u' ') + u')';
}

// A file dialog of the desktop's kind: it keeps the desktop's font (it is
// not one of the program's own windows, which have the dialog font) and
// speaks the program's language. A dialog the desktop itself supplies has no
// detail view and is in the desktop's language anyway.
void prepareFileDialog(QFileDialog& dialog, const std::vector<FileFilter>& filters) {
  QStringList entries;
  for (const FileFilter& f : filters) entries << qtFilterText(f);
  dialog.setNameFilters(entries);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  auto* details = dialog.findChild<QTreeView*>();
  if (details == nullptr) return;
  FileDetailColumns::install(*details);
  // The detail view's columns are as wide as English texts ("128.88 GB",
  // "mp3Folder"); they are fitted to what they show as the folder is read.
  auto* fit = new QTimer(details);
  fit->setSingleShot(true);
  fit->setInterval(0);
  QObject::connect(fit, &QTimer::timeout, details, [details] {
    for (int column = 1; column < details->model()->columnCount(details->rootIndex()); ++column)
      details->resizeColumnToContents(column);
  });
  const auto refit = [fit] { fit->start(); };
  QAbstractItemModel* shown = details->model();
  QObject::connect(shown, &QAbstractItemModel::rowsInserted, fit, refit);
  QObject::connect(shown, &QAbstractItemModel::dataChanged, fit, refit);
  QObject::connect(shown, &QAbstractItemModel::layoutChanged, fit, refit);
}

// The entry of `filters` a file dialog reports as chosen: it names it by its
// label when the details are hidden, by the whole filter text otherwise.
const FileFilter* chosenFilter(const std::vector<FileFilter>& filters, const QString& chosen) {
  for (const FileFilter& f : filters)
    if (chosen == f.label || chosen == qtFilterText(f)) return &f;
  return nullptr;
}

// The extension ("png", no dot) that a name typed without one gets when
// `chosen` is the file type chosen.
QString defaultSuffixOf(const std::vector<FileFilter>& filters, const QString& chosen) {
  const FileFilter* filter = chosenFilter(filters, chosen);
  if (filter == nullptr || filter->patterns.isEmpty()) return {};
  return QString::fromStdString(patternExtension(filter->patterns.front().toStdString())).mid(1);
}

QStringList runOpenDialog(QWidget* owner, const QString& title,
                          const std::vector<FileFilter>& filters, QFileDialog::FileMode mode) {
  QFileDialog dialog(owner, title);
  prepareFileDialog(dialog, filters);
  dialog.setFileMode(mode);
  if (dialog.exec() != QDialog::Accepted) return {};
  QStringList paths = dialog.selectedFiles();
  paths.removeAll(QString());
  return paths;
}

QMessageBox::Icon qtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

MessageAnswer QtPrompts::message(QWidget* owner, const QString& caption, const QString& text,
                                 MessageIcon icon, MessageButtons buttons) {
  QMessageBox box(qtIcon(icon), caption, text, qtButtons(buttons), owner);
  // Every message in the dialog font, the one shown before any window of
  // the program exists (a second copy refused) included.
  box.setFont(DialogUnits::dialogFont());
  if (buttons == MessageButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    case QMessageBox::Retry:
      return MessageAnswer::Retry;
    default:
      break;
  }
  // Closing a box that has no Cancel button answers with its only button.
  return buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoDefaultNo
             ? MessageAnswer::No
             : MessageAnswer::Ok;
}

std::optional<QString> QtPrompts::openFileName(QWidget* owner, const QString& title,
                                               const std::vector<FileFilter>& filters) {
  const QStringList paths = runOpenDialog(owner, title, filters, QFileDialog::ExistingFile);
  if (paths.isEmpty()) return std::nullopt;
  return paths.front();
}

QStringList QtPrompts::openFileNames(QWidget* owner, const QString& title,
                                     const std::vector<FileFilter>& filters) {
  return runOpenDialog(owner, title, filters, QFileDialog::ExistingFiles);
}

std::optional<QString> QtPrompts::saveFileName(QWidget* owner, const QString& title,
                                               const std::vector<FileFilter>& filters,
                                               bool confirmOverwrite) {
  QFileDialog dialog(owner, title);
  prepareFileDialog(dialog, filters);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
  // A name typed without an extension gets the chosen type's: the dialog
  // adds it itself, so that it asks about the name that will be written.
  const auto followType = [&](const QString& chosen) {
    dialog.setDefaultSuffix(defaultSuffixOf(filters, chosen));
  };
  followType(dialog.selectedNameFilter());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followType);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString path = dialog.selectedFiles().value(0);
  if (path.isEmpty()) return std::nullopt;
  // A dialog of the desktop's own may leave that to us.
  const QString extension = defaultSuffixOf(filters, dialog.selectedNameFilter());
  if (extension.isEmpty()) return path;
  return QString::fromStdString(
      withExtensionIfNone(path.toStdString(), (u'.' + extension).toStdString()));
}

std::optional<QString> QtPrompts::folderName(QWidget* owner, const QString& title) {
  QFileDialog dialog(owner, title);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (auto* details = dialog.findChild<QTreeView*>()) FileDetailColumns::install(*details);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QString path = dialog.selectedFiles().value(0);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<ColorRef> QtPrompts::chooseColour(QWidget* owner, ColorRef initial) {
  const Pixel p = pixelFromColorRef(initial);
  const QColor chosen = QColorDialog::getColor(QColor(redOf(p), greenOf(p), blueOf(p)), owner);
  if (!chosen.isValid()) return std::nullopt;
  return colorRefFromPixel(makePixel(static_cast<std::uint8_t>(chosen.red()),
                                     static_cast<std::uint8_t>(chosen.green()),
                                     static_cast<std::uint8_t>(chosen.blue())));
}

ColorRef QtPrompts::pickColour() {
  return PickColor();
}

bool QtPrompts::openUrl(const QString& address) {
  const QUrl url = QFileInfo(address).isAbsolute() ? QUrl::fromLocalFile(address)
                                                   : QUrl(address, QUrl::StrictMode);
  return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace imbrino
