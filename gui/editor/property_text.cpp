#include "editor/property_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolTip>

#include "editor/panel_host.h"
#include "platform/gbk.h"
#include "shared/app_context.h"
#include "template/template_document.h"
#include "text/font_resolver.h"
#include "widgets/colour_row.h"
#include "widgets/control_id.h"
#include "widgets/control_tooltips.h"

namespace imbrino {
namespace {

constexpr int kLargestSize = 1000;
constexpr std::int32_t kBold = 700;
constexpr std::int32_t kNormal = 400;
// Each face entry carries the face name's bytes as a template stores them.
constexpr int kFaceBytesRole = Qt::UserRole;

QByteArray bytesOf(std::string_view s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

const QStringList& sizeEntries() {
  static const QStringList entries = [] {
    QStringList list;
    list.reserve(kLargestSize);
    for (int i = 1; i <= kLargestSize; ++i) list << QString::number(i);
    return list;
  }();
  return entries;
}

}  // namespace

QString PropertyText::notInstalledFaceText(const QString& face) {
  return QStringLiteral("%1 (未安装)").arg(face);
}

PropertyText::PropertyText(AppContext& context, PanelHost& host, QWidget* editor)
    : PropertyPanel(context, host, editor, QStringLiteral("文字属性"), "PropertyText") {
  createControls();
  loadFromObject();
  addControlToolTip(this, kTextContent, QStringLiteral("输入文字时,最多只能输入260个字符"));

  connect(textEdit_, &QLineEdit::textEdited, this, &PropertyText::textEdited);
  connect(faceList_, &QComboBox::activated, this, &PropertyText::faceChosen);
  connect(sizeList_, &QComboBox::activated, this, &PropertyText::sizeChosen);
  for (QCheckBox* box : {boldBox_, italicBox_, underlineBox_, strikeOutBox_, transparentBox_})
    connect(box, &QCheckBox::clicked, this, &PropertyText::styleClicked);
  connect(textColourRow_, &ColourRow::colourChanged, this,
          [this](ColorRef colour) { colourChosen(true, colour); });
  connect(backColourRow_, &ColourRow::colourChanged, this,
          [this](ColorRef colour) { colourChosen(false, colour); });
  connect(alphaBar_, &QSlider::valueChanged, this, &PropertyText::alphaMoved);
}

PropertyText::~PropertyText() = default;

void PropertyText::createControls() {
  addLabel(QStringLiteral("文字内容:"), {7, 5, 38, 12});
  textEdit_ = new QLineEdit(this);
  setControlId(textEdit_, kTextContent);
  textEdit_->setGeometry(units({47, 5, 274, 12}));

  addLabel(QStringLiteral("字体:"), {7, 20, 38, 12});
  faceList_ = new QComboBox(this);
  setControlId(faceList_, kTextFace);
  faceList_->setGeometry(units({47, 19, 130, 13}));
  faceList_->setMaxVisibleItems(20);
  addLabel(QStringLiteral("字体大小:"), {187, 20, 38, 12});
  sizeList_ = new QComboBox(this);
  setControlId(sizeList_, kTextSize);
  sizeList_->setGeometry(units({227, 19, 44, 13}));
  sizeList_->setMaxVisibleItems(20);

  boldBox_ = addCheckBox(kTextBold, QStringLiteral("粗体(&W)"), {47, 36, 40, 10});
  italicBox_ = addCheckBox(kTextItalic, QStringLiteral("斜体(&I)"), {91, 36, 40, 10});
  underlineBox_ = addCheckBox(kTextUnderline, QStringLiteral("下划线(&U)"), {135, 36, 48, 10});
  strikeOutBox_ = addCheckBox(kTextStrikeOut, QStringLiteral("中划线(&O)"), {187, 36, 48, 10});
  transparentBox_ =
      addCheckBox(kTextTransparent, QStringLiteral("背景透明(&T)"), {239, 36, 60, 10});

  addLabel(QStringLiteral("字体颜色:"), {7, 50, 38, 12});
  textColourRow_ =
      new ColourRow(context_.prompts, this, {kTextColour, kTextColourChoose, kTextColourPick},
                    {{47, 50, 24, 12}, {75, 49, 52, 14}, {130, 49, 52, 14}});
  addLabel(QStringLiteral("背景颜色:"), {7, 66, 38, 12});
  backColourRow_ =
      new ColourRow(context_.prompts, this, {kTextBackColour, kTextBackChoose, kTextBackPick},
                    {{47, 66, 24, 12}, {75, 65, 52, 14}, {130, 65, 52, 14}}, {u'E', u'C'});
  for (const bool text : {true, false}) {
    (text ? textColourRow_ : backColourRow_)->setSource([this, text]() -> std::optional<ColorRef> {
      const TextObject* t = object();
      if (t == nullptr) return std::nullopt;
      return text ? t->textColour : t->backColour;
    });
  }

  addLabel(QStringLiteral("半透明度:"), {194, 50, 38, 12});
  alphaBar_ = addTrackBar(kTextAlpha, {192, 65, 104, 14}, kTextAlphaNumber, {298, 66, 24, 12});
  alphaNumber_ = findControl<QLabel>(*this, kTextAlphaNumber);
}

void PropertyText::bind(int index) {
  index_ = index;
}

TextObject* PropertyText::object() {
  auto& texts = context_.editing.document.textObjects;
  if (index_ < 0 || index_ >= static_cast<int>(texts.size())) return nullptr;
  return &texts[static_cast<std::size_t>(index_)];
}

void PropertyText::loadFromObject() {
  const TextObject* t = object();
  if (t == nullptr) return;
  text_ = QString::fromStdString(gbkToUtf8(t->textBytes()));
  textEdit_->setText(text_);
  fillFaceList(*t);
  fillSizeList(*t);
  boldBox_->setChecked(t->font.lfWeight != kNormal);
  italicBox_->setChecked(t->font.lfItalic != 0);
  underlineBox_->setChecked(t->font.lfUnderline != 0);
  strikeOutBox_->setChecked(t->font.lfStrikeOut != 0);
  transparentBox_->setChecked(t->transparentBack != 0);
  textColourRow_->setColour(t->textColour);
  backColourRow_->setColour(t->backColour);
  alpha_ = t->alpha;
  writeControls();
}

void PropertyText::fillFaceList(const TextObject& text) {
  // The installed families and the Windows names the font rules map, enumerated
  // afresh each time, so a face installed meanwhile is offered.
  faceList_->clear();
  const std::string_view stored = text.font.faceNameBytes();
  int selected = -1;
  for (const std::string& name : listFaceNames()) {
    const auto gbk = utf8ToGbk(name);
    if (!gbk) continue;
    if (*gbk == stored) selected = faceList_->count();
    faceList_->addItem(QString::fromStdString(name), bytesOf(*gbk));
  }
  if (selected < 0) {
    // A face this machine lacks (a template from elsewhere) keeps its name:
    // it is shown marked at the top of the list, and stays the object's face
    // unless the user picks another.
    faceList_->insertItem(0, notInstalledFaceText(QString::fromStdString(gbkToUtf8(stored))),
                          bytesOf(stored));
    selected = 0;
  }
  faceList_->setCurrentIndex(selected);
}

void PropertyText::fillSizeList(const TextObject& text) {
  sizeList_->clear();
  sizeList_->addItems(sizeEntries());
  const int height = text.font.lfHeight;
  sizeList_->setCurrentIndex(height >= 1 && height <= kLargestSize ? height - 1 : -1);
}

void PropertyText::writeControls() {
  if (textEdit_->text() != text_) textEdit_->setText(text_);
  setTrackBar(alphaBar_, alphaNumber_, alpha_);
}

void PropertyText::textEdited(const QString& text) {
  TextObject* t = object();
  if (t == nullptr) return;
  const FittedText fitted = fitTemplateText(text_, text, textEdit_->cursorPosition());
  if (fitted.text != text) {
    textEdit_->setText(fitted.text);
    textEdit_->setCursorPosition(fitted.cursor);
  }
  if (fitted.cut) QApplication::beep();
  const bool changedText = fitted.text != text_;
  if (changedText) {
    text_ = fitted.text;
    t->setText(fitted.gbk);
    changed();
  }
  if (!fitted.removed.isEmpty()) {
    // Said in a balloon under the field: a message box would take the keys
    // typed after the character, and they belong in the field.
    QToolTip::showText(
        textEdit_->mapToGlobal(QPoint(0, textEdit_->height())),
        QStringLiteral("模板只能保存 GBK 字符集中的文字,以下字符无法保存,已从文字内容中去掉:\n%1")
            .arg(fitted.removed),
        textEdit_);
  }
}

void PropertyText::faceChosen(int index) {
  TextObject* t = object();
  if (t == nullptr || index < 0) return;
  const QByteArray face = faceList_->itemData(index, kFaceBytesRole).toByteArray();
  t->font.setFaceNameBytes(
      std::string_view(face.constData(), static_cast<std::size_t>(face.size())));
  changed();
}

void PropertyText::sizeChosen(int index) {
  TextObject* t = object();
  if (t == nullptr || index < 0) return;
  t->font.lfHeight = index + 1;
  changed();
}

void PropertyText::styleClicked() {
  TextObject* t = object();
  if (t == nullptr) return;
  auto flag = [](const QCheckBox* box) -> std::uint8_t { return box->isChecked() ? 1 : 0; };
  if (sender() == boldBox_) t->font.lfWeight = boldBox_->isChecked() ? kBold : kNormal;
  if (sender() == italicBox_) t->font.lfItalic = flag(italicBox_);
  if (sender() == underlineBox_) t->font.lfUnderline = flag(underlineBox_);
  if (sender() == strikeOutBox_) t->font.lfStrikeOut = flag(strikeOutBox_);
  if (sender() == transparentBox_) t->transparentBack = flag(transparentBox_);
  changed();
}

void PropertyText::colourChosen(bool text, ColorRef colour) {
  // The colour dialog and the eyedropper were modal: look the object up again.
  TextObject* t = object();
  if (t == nullptr) return;
  (text ? t->textColour : t->backColour) = colour;
  changed();
}

void PropertyText::alphaMoved(int position) {
  TextObject* t = object();
  if (t == nullptr) return;
  alpha_ = position;
  t->alpha = static_cast<std::int16_t>(position);
  writeControls();
  changed();
}

}  // namespace imbrino
