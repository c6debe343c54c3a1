#include "main_window/new_picture_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>

#include "settings/ini_file.h"
#include "shared/app_context.h"
#include "shared/program_texts.h"
#include "widgets/colour_row.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"

namespace imbrino {
namespace {

constexpr std::string_view kSection = "NewFile";
constexpr int kDefaultSize = 500;

// Layout in dialog units.
constexpr int kDialogWidth = 190;
constexpr int kDialogHeight = 95;

int numberOf(const QLineEdit* edit) {
  return leadingNumber(edit->text().toStdString());
}

}  // namespace

NewPictureDialog::NewPictureDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
  setWindowTitle(QStringLiteral("新建图片"));
  // A caption without a close box: the dialog ends by its buttons or Escape.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(DialogUnits::dialogFont());
  createControls();
  loadSettings();

  connect(createButton_, &QPushButton::clicked, this, &NewPictureDialog::create);
  connect(cancelButton_, &QPushButton::clicked, this, &NewPictureDialog::reject);
}

void NewPictureDialog::createControls() {
  const DialogUnits du(font());
  setFixedSize(du.size(kDialogWidth, kDialogHeight));

  auto label = [&](const QString& text, QRect r) {
    auto* l = new QLabel(text, this);
    l->setGeometry(r);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  };
  auto edit = [&](int id, QRect r) {
    auto* e = new QLineEdit(this);
    setControlId(e, id);
    e->setGeometry(r);
    // Digits only, as typed; what reaches the check is still read by its
    // leading digits.
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
  };
  auto button = [&](int id, const QString& text, QRect r) {
    return addDialogButton(this, id, text, r);
  };

  label(QStringLiteral("图片宽:"), du.rect(10, 11, 36, 12));
  widthEdit_ = edit(kNewPictureWidth, du.rect(50, 11, 60, 12));
  label(QStringLiteral("(像素)"), du.rect(114, 11, 30, 12));
  label(QStringLiteral("图片高:"), du.rect(10, 28, 36, 12));
  heightEdit_ = edit(kNewPictureHeight, du.rect(50, 28, 60, 12));
  label(QStringLiteral("(像素)"), du.rect(114, 28, 30, 12));
  label(QStringLiteral("背景颜色:"), du.rect(10, 46, 38, 12));

  colourRow_ = new ColourRow(context_.prompts, this, {kNewPictureColour, kNewPictureChoose, kNewPicturePick},
                             {{50, 46, 20, 12}, {76, 45, 52, 14}, {131, 45, 52, 14}});

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(du.rect(7, 66, 176, 2));

  createButton_ = button(kNewPictureCreate, QStringLiteral("新建(&N)"), du.rect(76, 74, 52, 14));
  cancelButton_ = button(kNewPictureCancel, QStringLiteral("取消(&C)"), du.rect(131, 74, 52, 14));
}

void NewPictureDialog::loadSettings() {
  const SettingsFile& settings = context_.settings;
  const int width = settings.readNumber(kSection, "Width").value_or(kDefaultSize);
  const int height = settings.readNumber(kSection, "Height").value_or(kDefaultSize);
  const int colour =
      settings.readNumber(kSection, "Color").value_or(static_cast<int>(kColorRefWhite));
  widthEdit_->setText(QString::number(width));
  heightEdit_->setText(QString::number(height));
  colourRow_->setColour(static_cast<ColorRef>(colour));
}

ColorRef NewPictureDialog::colour() const {
  return colourRow_->colour();
}

void NewPictureDialog::warn(const QString& text) {
  context_.prompts.message(this, programTitle(), text, MessageIcon::Warning, MessageButtons::Ok);
}

void NewPictureDialog::create() {
  const int width = numberOf(widthEdit_);
  if (width <= 0) return warn(QStringLiteral("图片宽不能小于等于零"));
  if (width > kMaxWidth) return warn(QStringLiteral("图片宽不能过大"));
  width_ = width;

  const int height = numberOf(heightEdit_);
  if (height <= 0) return warn(QStringLiteral("图片高不能小于等于零"));
  if (height > kMaxHeight) return warn(QStringLiteral("图片高不能过大"));
  height_ = height;

  const SettingsFile& settings = context_.settings;
  settings.writeNumber(kSection, "Width", width_);
  settings.writeNumber(kSection, "Height", height_);
  settings.writeNumber(kSection, "Color", static_cast<int>(colour()));
  accept();
}

void NewPictureDialog::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing here; Escape still cancels (QDialog's handling).
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void NewPictureDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // The dialog opens in the width with its number selected, so typing
  // replaces it. The height's is selected as Tab reaches it (the line
  // edit's own rule for keyboard focus), a click places the cursor.
  if (!event->spontaneous()) {
    widthEdit_->setFocus(Qt::TabFocusReason);
    widthEdit_->selectAll();
  }
}

void NewPictureDialog::closeEvent(QCloseEvent* event) {
  // A close request from the window system is not an answer.
  event->ignore();
}

}  // namespace imbrino
