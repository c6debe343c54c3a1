#include "main_window/about_dialog.h"

#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "build_config.h"
#include "shared/app_context.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"
#include "widgets/donation_button.h"

namespace imbrino {

namespace {
constexpr int kCaptionSlotOffset = 2;
// Layout in dialog units.
constexpr int kWidth = 214;
constexpr int kFirstFieldTop = 50;
constexpr int kFieldStep = 16;
}  // namespace

AboutDialog::AboutDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("AboutDialog"));
  setWindowTitle(QStringLiteral("关于"));
  // A caption with a close box only: the box has a fixed size.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogUnits::dialogFont());
  const DialogUnits du(font());

  auto* icon = new QLabel(this);
  icon->setPixmap(QIcon(QStringLiteral(":/app/icon.png")).pixmap(du.x(28), du.x(28)));
  icon->setGeometry(du.rect(10, 10, 30, 30));

  auto* name = new QLabel(QStringLiteral("软件名: Imbrino\n\n版本: " IMBRINO_VERSION_SHORT), this);
  name->setGeometry(du.rect(50, 10, 150, 30));

  const ContactDetails contact = configuredContactDetails();
  addField(0, QStringLiteral("作者: "), kAboutAuthor, contact.author);
  addField(1, QStringLiteral("官方网站:"), kAboutHomePage, contact.homePage);
  addField(2, QStringLiteral("客服邮箱:"), kAboutEmail, contact.email);
  addField(3, QStringLiteral("私人QQ:"), kAboutQq, contact.qq);
  addField(4, QStringLiteral("私人MSN:"), kAboutMsn, contact.msn);

  setFixedSize(du.size(kWidth, kFirstFieldTop + 5 * kFieldStep + 6));

  // The dialog's message map.
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context);
}

void AboutDialog::addField(int row, const QString& label, int id, const QString& value) {
  const DialogUnits du(font());
  const int top = kFirstFieldTop + row * kFieldStep;
  auto* caption = new QLabel(label, this);
  caption->setGeometry(du.rect(10, top + 2, 44, 10));
  auto* field = new QLineEdit(value, this);
  setControlId(field, id);
  field->setReadOnly(true);
  field->setCursorPosition(0);
  field->setGeometry(du.rect(56, top, kWidth - 66, 13));
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
  // Enter closes this box as Escape does: it has nothing to confirm.
  if (isEnterKey(*event)) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace imbrino
