#include "editor/property_bk.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "editing/template_editing.h"
#include "editor/panel_host.h"
#include "shared/app_context.h"
#include "widgets/colour_row.h"
#include "widgets/control_id.h"

namespace imbrino {
namespace {

// A size typed or stepped out of range becomes this.
constexpr int kFallbackSize = 250;

}  // namespace

PropertyBK::PropertyBK(AppContext& context, PanelHost& host, QWidget* editor)
    : PropertyPanel(context, host, editor, QStringLiteral("背景属性"), "PropertyBK") {
  createControls();
  loadFromBackground();

  connect(widthEdit_, &QLineEdit::textEdited, this, &PropertyBK::widthEdited);
  connect(heightEdit_, &QLineEdit::textEdited, this, &PropertyBK::heightEdited);
  connect(widthSpin_, &SpinArrows::lineUp, this, [this] { stepWidth(+1); });
  connect(widthSpin_, &SpinArrows::lineDown, this, [this] { stepWidth(-1); });
  connect(heightSpin_, &SpinArrows::lineUp, this, [this] { stepHeight(+1); });
  connect(heightSpin_, &SpinArrows::lineDown, this, [this] { stepHeight(-1); });
  connect(transparentBox_, &QCheckBox::clicked, this, &PropertyBK::transparentClicked);
  connect(colourRow_, &ColourRow::colourChanged, this, &PropertyBK::colourChosen);
  connect(alphaBar_, &QSlider::valueChanged, this, &PropertyBK::alphaMoved);
}

PropertyBK::~PropertyBK() = default;

void PropertyBK::createControls() {
  addLabel(QStringLiteral("背景宽:"), {8, 10, 38, 12});
  widthEdit_ = addNumberEdit(kBackgroundWidth, {48, 10, 44, 12}, true);
  widthSpin_ = addSpinArrows(kBackgroundWidthSpin, {92, 10, 9, 12});
  addLabel(QStringLiteral("背景高:"), {114, 10, 30, 12});
  heightEdit_ = addNumberEdit(kBackgroundHeight, {146, 10, 44, 12}, true);
  heightSpin_ = addSpinArrows(kBackgroundHeightSpin, {190, 10, 9, 12});
  transparentBox_ =
      addCheckBox(kBackgroundTransparent, QStringLiteral("背景透明(&T)"), {222, 11, 80, 10});

  addLabel(QStringLiteral("背景色:"), {8, 32, 38, 12});
  colourRow_ =
      new ColourRow(context_.prompts, this, {kBackgroundColour, kBackgroundChoose, kBackgroundPick},
                    {{48, 32, 30, 12}, {84, 31, 54, 14}, {142, 31, 54, 14}});

  addLabel(QStringLiteral("半透明度:"), {8, 56, 38, 12});
  alphaBar_ =
      addTrackBar(kBackgroundAlpha, {46, 55, 230, 14}, kBackgroundAlphaNumber, {280, 56, 24, 12});
  alphaNumber_ = findControl<QLabel>(*this, kBackgroundAlphaNumber);
}

TemplateBackground& PropertyBK::background() {
  return context_.editing.document.background;
}

void PropertyBK::loadFromBackground() {
  const TemplateBackground& b = background();
  width_ = b.width;
  height_ = b.height;
  alpha_ = b.alpha;
  transparentBox_->setChecked(b.transparent != 0);
  colourRow_->setColour(b.colour);
  writeControls();
}

void PropertyBK::readControls() {
  readSizeFields(widthEdit_, heightEdit_, width_, height_);
}

void PropertyBK::writeControls() {
  setNumberField(widthEdit_, width_);
  setNumberField(heightEdit_, height_);
  setTrackBar(alphaBar_, alphaNumber_, alpha_);
}

void PropertyBK::applySize(bool width) {
  if (width)
    background().width = width_;
  else
    background().height = height_;
  changed();
  host_.backgroundSizeChanged();
}

void PropertyBK::widthEdited() {
  readControls();
  if (width_ < 1 || width_ > kMaxBackgroundWidth) width_ = kFallbackSize;
  writeControls();
  applySize(true);
}

void PropertyBK::heightEdited() {
  readControls();
  if (height_ < 1 || height_ > kMaxBackgroundHeight) height_ = kFallbackSize;
  writeControls();
  applySize(false);
}

void PropertyBK::stepWidth(int delta) {
  readControls();
  width_ += delta;
  if (width_ < 1 || width_ > kMaxBackgroundWidth) width_ = kFallbackSize;
  writeControls();
  applySize(true);
}

void PropertyBK::stepHeight(int delta) {
  readControls();
  height_ += delta;
  if (height_ < 1 || height_ > kMaxBackgroundHeight) height_ = kFallbackSize;
  writeControls();
  applySize(false);
}

void PropertyBK::transparentClicked(bool checked) {
  background().transparent = checked ? 1 : 0;
  changed();
}

void PropertyBK::colourChosen(ColorRef colour) {
  background().colour = colour;
  changed();
}

void PropertyBK::alphaMoved(int position) {
  alpha_ = position;
  background().alpha = static_cast<std::int16_t>(position);
  writeControls();
  changed();
}

}  // namespace imbrino
