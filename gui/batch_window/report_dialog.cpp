#include "batch_window/report_dialog.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "shared/app_context.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"
#include "widgets/donation_button.h"

namespace imbrino {
namespace {

constexpr int kCaptionSlotOffset = 2;
// Layout in dialog units.
constexpr int kWidth = 279;
constexpr int kHeight = 253;
constexpr int kTextHeight = 222;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

}  // namespace

ReportDialog::ReportDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("ReportDialog"));
  setWindowTitle(QStringLiteral("报告"));
  // A caption with a close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogUnits::dialogFont());
  const DialogUnits du(font());
  // The donation button sits at the window's top right, where the window
  // manager leaves the title bar to itself: the report starts below it, so
  // the button never hides a line of the report.
  const int captionStrip = CaptionButtonBar::kSlotHeight + 2;
  setFixedSize(du.size(kWidth, kHeight) + QSize(0, captionStrip));

  text_ = new QPlainTextEdit(this);
  setControlId(text_, kReportText);
  text_->setGeometry(du.rect(0, 0, kWidth, kTextHeight).translated(0, captionStrip));
  // One path per line however long: the report scrolls sideways instead.
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Tab leaves the text for the button, as in any dialog.
  text_->setTabChangesFocus(true);

  const int buttonTop = kTextHeight + (kHeight - kTextHeight - kButtonHeight) / 2;
  closeButton_ =
      addDialogButton(this, kReportClose, QStringLiteral("关闭(&C)"),
                      du.rect((kWidth - kButtonWidth) / 2, buttonTop, kButtonWidth, kButtonHeight)
                          .translated(0, captionStrip));

  // The dialog's message map. The close button, Escape and the close box
  // all end the dialog with 0.
  connect(closeButton_, &QPushButton::clicked, this, [this] { done(0); });
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context);
}

void ReportDialog::setReport(const BatchLists& lists) {
  setReportText(QString::fromStdString(composeReport(lists)));
}

void ReportDialog::setReportText(const QString& text) {
  text_->setPlainText(text);
  // The dialog opens at the top of the report with nothing selected, so a
  // stray key press cannot replace the whole text.
  text_->moveCursor(QTextCursor::Start);
}

QString ReportDialog::reportText() const {
  return text_->toPlainText();
}

void ReportDialog::keyPressEvent(QKeyEvent* event) {
  // Enter reaches the dialog only from the button: it closes nothing.
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace imbrino
