#include "editor/property_image.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "editor/panel_host.h"
#include "shared/app_context.h"
#include "template/template_document.h"
#include "widgets/colour_row.h"
#include "widgets/control_id.h"

namespace imbrino {
namespace {

// The largest display size the panel sets; beyond it (or below 1) a size
// falls back to the picture's own.
constexpr int kMaxWidth = 4000;
constexpr int kMaxHeight = 3000;

const char* const kTypeTexts[] = {"BMP", "JPG", "JPEG", "GIF", "PNG"};

}  // namespace

PropertyImage::PropertyImage(AppContext& context, PanelHost& host, QWidget* editor)
    : PropertyPanel(context, host, editor, QStringLiteral("图像属性"), "PropertyImage") {
  createControls();
  loadFromObject();

  connect(widthEdit_, &QLineEdit::textEdited, this, [this] { sizeEdited(true); });
  connect(heightEdit_, &QLineEdit::textEdited, this, [this] { sizeEdited(false); });
  connect(widthSpin_, &SpinArrows::lineUp, this, [this] { step(true, +1); });
  connect(widthSpin_, &SpinArrows::lineDown, this, [this] { step(true, -1); });
  connect(heightSpin_, &SpinArrows::lineUp, this, [this] { step(false, +1); });
  connect(heightSpin_, &SpinArrows::lineDown, this, [this] { step(false, -1); });
  connect(transparentBox_, &QCheckBox::clicked, this, &PropertyImage::transparentClicked);
  connect(colourRow_, &ColourRow::colourChanged, this, &PropertyImage::colourChosen);
  connect(alphaBar_, &QSlider::valueChanged, this, &PropertyImage::alphaMoved);
  connect(originalButton_, &QPushButton::clicked, this, &PropertyImage::originalSize);
}

PropertyImage::~PropertyImage() = default;

void PropertyImage::createControls() {
  addLabel(QStringLiteral("图像原宽度:"), {7, 8, 56, 12});
  sourceWidthEdit_ = addNumberEdit(kPictureSourceWidth, {64, 8, 38, 12}, false, true);
  addLabel(QStringLiteral("图像原高度:"), {120, 8, 56, 12});
  sourceHeightEdit_ = addNumberEdit(kPictureSourceHeight, {177, 8, 38, 12}, false, true);
  addLabel(QStringLiteral("图像类型:"), {234, 8, 38, 12});
  typeEdit_ = addNumberEdit(kPictureType, {273, 8, 48, 12}, false, true);

  addLabel(QStringLiteral("图像显示宽度:"), {7, 25, 56, 12});
  widthEdit_ = addNumberEdit(kPictureWidth, {64, 25, 38, 12}, false);
  widthSpin_ = addSpinArrows(kPictureWidthSpin, {102, 25, 9, 12});
  addLabel(QStringLiteral("图像显示高度:"), {120, 25, 56, 12});
  heightEdit_ = addNumberEdit(kPictureHeight, {177, 25, 38, 12}, false);
  heightSpin_ = addSpinArrows(kPictureHeightSpin, {215, 25, 9, 12});
  originalButton_ =
      addButton(kPictureOriginalSize, QStringLiteral("恢复到原始大小(&O)"), {234, 24, 87, 14});

  transparentBox_ =
      addCheckBox(kPictureTransparent, QStringLiteral("透明贴图(&T)"), {7, 45, 80, 10});
  addLabel(QStringLiteral("透明色:"), {120, 44, 40, 12});
  colourRow_ =
      new ColourRow(context_.prompts, this, {kPictureKeyColour, kPictureChoose, kPicturePick},
                    {{177, 44, 26, 12}, {207, 43, 55, 14}, {266, 43, 55, 14}});
  colourRow_->setSource([this]() -> std::optional<ColorRef> {
    const PictureObject* p = object();
    if (p == nullptr) return std::nullopt;
    return p->transparentColour;
  });

  addLabel(QStringLiteral("半透明度:"), {7, 64, 56, 12});
  alphaBar_ = addTrackBar(kPictureAlpha, {62, 63, 230, 14}, kPictureAlphaNumber, {297, 64, 24, 12});
  alphaNumber_ = findControl<QLabel>(*this, kPictureAlphaNumber);
}

void PropertyImage::bind(int index) {
  index_ = index;
}

PictureObject* PropertyImage::object() {
  auto& pictures = context_.editing.document.pictureObjects;
  if (index_ < 0 || index_ >= static_cast<int>(pictures.size())) return nullptr;
  return pictures[static_cast<std::size_t>(index_)].get();
}

void PropertyImage::loadFromObject() {
  const PictureObject* p = object();
  if (p == nullptr) return;
  sourceWidth_ = p->sourceWidth;
  sourceHeight_ = p->sourceHeight;
  // A type the program does not know leaves the text as it was.
  if (p->imageType < std::size(kTypeTexts))
    typeText_ = QString::fromLatin1(kTypeTexts[p->imageType]);
  width_ = p->width;
  height_ = p->height;
  transparentBox_->setChecked(p->transparent != 0);
  colourRow_->setColour(p->transparentColour);
  alpha_ = p->alpha;
  writeControls();
}

void PropertyImage::readControls() {
  readSizeFields(widthEdit_, heightEdit_, width_, height_);
}

void PropertyImage::writeControls() {
  setNumberField(sourceWidthEdit_, sourceWidth_);
  setNumberField(sourceHeightEdit_, sourceHeight_);
  setNumberField(widthEdit_, width_);
  setNumberField(heightEdit_, height_);
  if (typeEdit_->text() != typeText_) typeEdit_->setText(typeText_);
  setTrackBar(alphaBar_, alphaNumber_, alpha_);
}

void PropertyImage::applySize(bool width) {
  PictureObject* p = object();
  if (p == nullptr) return;
  if (width)
    p->width = width_;
  else
    p->height = height_;
  changed();
}

void PropertyImage::sizeEdited(bool width) {
  if (object() == nullptr) return;
  readControls();
  if (width && (width_ < 1 || width_ > kMaxWidth)) width_ = sourceWidth_;
  if (!width && (height_ < 1 || height_ > kMaxHeight)) height_ = sourceHeight_;
  writeControls();
  applySize(width);
}

void PropertyImage::step(bool width, int delta) {
  if (object() == nullptr) return;
  readControls();
  if (width) {
    width_ += delta;
    if (width_ < 1 || width_ > kMaxWidth) width_ = sourceWidth_;
  } else {
    height_ += delta;
    if (height_ < 1 || height_ > kMaxHeight) height_ = sourceHeight_;
  }
  writeControls();
  applySize(width);
}

void PropertyImage::transparentClicked(bool checked) {
  PictureObject* p = object();
  if (p == nullptr) return;
  p->transparent = checked ? 1 : 0;
  changed();
}

void PropertyImage::colourChosen(ColorRef colour) {
  // The colour dialog and the eyedropper were modal: look the object up again.
  PictureObject* p = object();
  if (p == nullptr) return;
  p->transparentColour = colour;
  changed();
}

void PropertyImage::alphaMoved(int position) {
  PictureObject* p = object();
  if (p == nullptr) return;
  alpha_ = position;
  p->alpha = static_cast<std::int16_t>(position);
  writeControls();
  changed();
}

void PropertyImage::originalSize() {
  PictureObject* p = object();
  if (p == nullptr) return;
  width_ = sourceWidth_;
  height_ = sourceHeight_;
  p->width = width_;
  p->height = height_;
  writeControls();
  changed();
}

}  // namespace imbrino
