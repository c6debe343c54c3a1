#include "qt_prompts.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "pickcolor/pick_color.h"

namespace imbrino {
namespace {

// Qt reads the patterns of a type from the parentheses at the end of its
// label; labels such as "BMP文件(*.bmp)" already end so, others get theirs
// appended (and hidden again by HideNameFilterDetails).
QString qtFilterText(const std::vector<FileFilter>& filters) {
  QStringList entries;
  for (const FileFilter& f : filters)
    entries << f.label + QStringLiteral(" (") + f.patterns.join(u' ') + u')';
  return entries.join(QStringLiteral(";;"));
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
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return QMessageBox::Ok;
}

}  // namespace

MessageAnswer QtPrompts::message(QWidget* owner, const QString& caption, const QString& text,
                                 MessageIcon icon, MessageButtons buttons) {
  QMessageBox box(qtIcon(icon), caption, text, qtButtons(buttons), owner);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MessageAnswer::Yes;
    case QMessageBox::No:
      return MessageAnswer::No;
    case QMessageBox::Cancel:
      return MessageAnswer::Cancel;
    default:
      break;
  }
  // Closing a box that has no Cancel button answers with its only button.
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

std::optional<QString> QtPrompts::openFileName(QWidget* owner, const QString& title,
                                               const std::vector<FileFilter>& filters) {
  const QString path = QFileDialog::getOpenFileName(owner, title, {}, qtFilterText(filters),
                                                    nullptr, QFileDialog::HideNameFilterDetails);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

QStringList QtPrompts::openFileNames(QWidget* owner, const QString& title,
                                     const std::vector<FileFilter>& filters) {
  return QFileDialog::getOpenFileNames(owner, title, {}, qtFilterText(filters), nullptr,
                                       QFileDialog::HideNameFilterDetails);
}

std::optional<QString> QtPrompts::saveFileName(QWidget* owner, const QString& title,
                                               const std::vector<FileFilter>& filters,
                                               bool confirmOverwrite) {
  QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
  if (!confirmOverwrite) options |= QFileDialog::DontConfirmOverwrite;
  const QString path =
      QFileDialog::getSaveFileName(owner, title, {}, qtFilterText(filters), nullptr, options);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompts::folderName(QWidget* owner, const QString& title) {
  const QString path = QFileDialog::getExistingDirectory(owner, title);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<ColorRef> QtPrompts::chooseColor(QWidget* owner, ColorRef initial) {
  const Pixel p = pixelFromColorRef(initial);
  const QColor chosen = QColorDialog::getColor(QColor(redOf(p), greenOf(p), blueOf(p)), owner);
  if (!chosen.isValid()) return std::nullopt;
  return colorRefFromPixel(makePixel(static_cast<std::uint8_t>(chosen.red()),
                                     static_cast<std::uint8_t>(chosen.green()),
                                     static_cast<std::uint8_t>(chosen.blue())));
}

ColorRef QtPrompts::pickColor() {
  return PickColor();
}

bool QtPrompts::openUrl(const QString& address) {
  const QUrl url = QFileInfo(address).isAbsolute() ? QUrl::fromLocalFile(address)
                                                   : QUrl(address, QUrl::StrictMode);
  return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace imbrino
