#include "batch_window/mark_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <iterator>

#include "settings/settings_file.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"

namespace imbrino {
namespace {

// Layout in dialog units.
constexpr int kDialogWidth = 184;
constexpr int kDialogHeight = 168;

// The share the percent box offers while scaling is off.
constexpr int kSuggestedScalePercent = 25;

// The side combo's entries, in this order.
constexpr ScaleSide kSides[] = {ScaleSide::Width, ScaleSide::Height, ScaleSide::Shorter,
                                ScaleSide::Longer};

}  // namespace

MarkOptionsDialog::MarkOptionsDialog(const SettingsFile& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QStringLiteral("MarkOptionsDialog"));
  setWindowTitle(QStringLiteral("选项"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogUnits::dialogFont());
  createControls();
  setChoices(readRunChoices(settings_));

  connect(scaleBox_, &QCheckBox::toggled, this, &MarkOptionsDialog::enableDependents);
  connect(tileBox_, &QCheckBox::toggled, this, &MarkOptionsDialog::enableDependents);
  connect(okButton_, &QPushButton::clicked, this, &MarkOptionsDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &MarkOptionsDialog::reject);
}

void MarkOptionsDialog::createControls() {
  const DialogUnits du(font());
  setFixedSize(du.size(kDialogWidth, kDialogHeight));

  auto label = [&](const QString& text, QRect r) {
    auto* l = new QLabel(text, this);
    l->setGeometry(r);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
  };
  auto checkBox = [&](int id, const QString& text, QRect r) {
    auto* box = new QCheckBox(text, this);
    setControlId(box, id);
    box->setGeometry(r);
    return box;
  };
  auto spin = [&](int id, int low, int high, const QString& suffix, QRect r) {
    auto* s = new QSpinBox(this);
    setControlId(s, id);
    s->setRange(low, high);
    s->setSuffix(suffix);
    s->setGeometry(r);
    return s;
  };

  scaleBox_ =
      checkBox(kOptionsScale, QStringLiteral("随图片大小缩放模板(&Z)"), du.rect(10, 8, 164, 10));
  QLabel* scaleLead = label(QStringLiteral("模板宽为图片"), du.rect(22, 21, 50, 13));
  sideCombo_ = new QComboBox(this);
  setControlId(sideCombo_, kOptionsScaleSide);
  sideCombo_->addItems({QStringLiteral("宽度"), QStringLiteral("高度"), QStringLiteral("短边"),
                        QStringLiteral("长边")});
  sideCombo_->setGeometry(du.rect(72, 21, 42, 13));
  QLabel* scaleOf = label(QStringLiteral("的"), du.rect(118, 21, 10, 13));
  percentSpin_ = spin(kOptionsScalePercent, 1, kMaxScalePercent, QStringLiteral("%"),
                      du.rect(129, 21, 40, 13));
  scaleParts_ = {scaleLead, sideCombo_, scaleOf, percentSpin_};

  tileBox_ = checkBox(kOptionsTile, QStringLiteral("平铺满整张图片(&T)"), du.rect(10, 40, 164, 10));
  QLabel* gapLabel = label(QStringLiteral("间距:"), du.rect(22, 53, 24, 13));
  gapSpin_ =
      spin(kOptionsTileGap, 0, kMaxTileGapPercent, QStringLiteral("%"), du.rect(46, 53, 44, 13));
  QLabel* angleLabel = label(QStringLiteral("角度:"), du.rect(102, 53, 24, 13));
  angleSpin_ = spin(kOptionsTileAngle, -kMaxTileAngle, kMaxTileAngle, QStringLiteral("°"),
                    du.rect(126, 53, 43, 13));
  tileParts_ = {gapLabel, gapSpin_, angleLabel, angleSpin_};

  autoBox_ = checkBox(kOptionsAutoCorner, QStringLiteral("自动放到图片最空白的角落(&U)"),
                      du.rect(10, 72, 164, 10));
  QLabel* autoNote = label(QStringLiteral("只对按位置放置模板有效"), du.rect(22, 84, 150, 9));
  autoNote->setEnabled(false);

  label(QStringLiteral("JPEG 图片:"), du.rect(10, 100, 164, 9));
  keepRadio_ = new QRadioButton(QStringLiteral("保留图片原有的压缩块(&K)"), this);
  setControlId(keepRadio_, kOptionsKeepBlocks);
  keepRadio_->setGeometry(du.rect(22, 111, 150, 10));
  reencodeRadio_ = new QRadioButton(QStringLiteral("重新编码(&R)"), this);
  setControlId(reencodeRadio_, kOptionsReencode);
  reencodeRadio_->setGeometry(du.rect(22, 123, 150, 10));
  auto* jpegGroup = new QButtonGroup(this);
  jpegGroup->addButton(keepRadio_);
  jpegGroup->addButton(reencodeRadio_);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(du.rect(7, 140, 170, 2));
  okButton_ = addDialogButton(this, kOptionsOk, QStringLiteral("确定"), du.rect(70, 147, 52, 14));
  cancelButton_ =
      addDialogButton(this, kOptionsCancel, QStringLiteral("取消"), du.rect(125, 147, 52, 14));
}

void MarkOptionsDialog::enableDependents() {
  for (QWidget* part : scaleParts_) part->setEnabled(scaleBox_->isChecked());
  for (QWidget* part : tileParts_) part->setEnabled(tileBox_->isChecked());
}

RunChoices MarkOptionsDialog::choices() const {
  RunChoices choices;
  MarkOptions& mark = choices.mark;
  mark.scalePercent = scaleBox_->isChecked() ? percentSpin_->value() : 0;
  mark.scaleSide = kSides[std::max(0, sideCombo_->currentIndex())];
  mark.tile = tileBox_->isChecked();
  mark.tileGapPercent = gapSpin_->value();
  mark.tileAngle = angleSpin_->value();
  mark.autoCorner = autoBox_->isChecked();
  choices.jpeg = keepRadio_->isChecked() ? JpegWriting::Keep : JpegWriting::Reencode;
  return choices;
}

void MarkOptionsDialog::setChoices(const RunChoices& choices) {
  const MarkOptions& mark = choices.mark;
  scaleBox_->setChecked(mark.scalePercent > 0);
  percentSpin_->setValue(mark.scalePercent > 0 ? mark.scalePercent : kSuggestedScalePercent);
  sideCombo_->setCurrentIndex(static_cast<int>(
      std::find(std::begin(kSides), std::end(kSides), mark.scaleSide) - std::begin(kSides)));
  tileBox_->setChecked(mark.tile);
  gapSpin_->setValue(mark.tileGapPercent);
  angleSpin_->setValue(mark.tileAngle);
  autoBox_->setChecked(mark.autoCorner);
  keepRadio_->setChecked(choices.jpeg == JpegWriting::Keep);
  reencodeRadio_->setChecked(choices.jpeg != JpegWriting::Keep);
  enableDependents();
}

void MarkOptionsDialog::accept() {
  // The run takes the choices even when they could not be remembered.
  writeRunChoices(settings_, choices());
  QDialog::accept();
}

void MarkOptionsDialog::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing here; Escape still cancels.
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace imbrino
