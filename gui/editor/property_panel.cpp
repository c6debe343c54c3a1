#include "editor/property_panel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <limits>

#include "editor/panel_host.h"
#include "platform/gbk.h"
#include "shared/app_context.h"
#include "shared/program_texts.h"
#include "template/template_document.h"
#include "widgets/color_swatch.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"

namespace imbrino {

// -- rules ---------------------------------------------------------------------

QPoint panelPlacement(std::optional<int> storedX, std::optional<int> storedY, QRect desktop,
                      QRect editorClient, int panelWidth) {
  const int screenRight = desktop.x() + desktop.width();
  const int screenBottom = desktop.y() + desktop.height();
  const int x = storedX && *storedX <= screenRight
                    ? *storedX
                    : editorClient.x() + editorClient.width() - panelWidth;
  const int y = storedY && *storedY <= screenBottom ? *storedY : editorClient.y();
  return {x, y};
}

std::optional<int> parseWholeNumber(const QString& text) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  if (i == t.size()) return std::nullopt;
  long long magnitude = 0;
  constexpr long long kCap = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c < u'0' || c > u'9') return std::nullopt;
    magnitude = std::min(kCap, magnitude * 10 + (c.unicode() - u'0'));
  }
  const long long value = negative ? -magnitude : magnitude;
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

namespace {

// One character (a whole code point) and its size in GBK; nothing when GBK
// has no form for it. NUL ends a stored text, so it cannot be kept either.
std::optional<std::size_t> gbkSize(const QString& character) {
  if (character.size() == 1 && character[0].unicode() < 0x80)
    return character[0].unicode() == 0 ? std::nullopt : std::optional<std::size_t>(1);
  const auto gbk = utf8ToGbk(character.toStdString());
  if (!gbk) return std::nullopt;
  return gbk->size();
}

struct Segment {
  QStringList characters;
  std::vector<std::size_t> sizes;
  std::size_t bytes = 0;

  int length() const {
    int n = 0;
    for (const QString& c : characters) n += static_cast<int>(c.size());
    return n;
  }
  QString text() const { return characters.join(QString()); }
  void dropLast() {
    bytes -= sizes.back();
    sizes.pop_back();
    characters.removeLast();
  }
};

// Splits `text` into whole characters, keeping those GBK can hold and
// collecting the others in `removed`.
Segment storable(QStringView text, QString& removed) {
  Segment segment;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, n).toString();
    i += n;
    if (const auto size = gbkSize(character)) {
      segment.characters << character;
      segment.sizes.push_back(*size);
      segment.bytes += *size;
    } else {
      removed += character;
    }
  }
  return segment;
}

}  // namespace

FittedText fitTemplateText(const QString& before, const QString& after, int cursor) {
  // What the edit put in: `after` less the part it shares with `before` at
  // either end, never splitting a surrogate pair. The cursor sits at the end
  // of the typing, so the shared head ends there at the latest.
  const qsizetype shortest = std::min(before.size(), after.size());
  qsizetype head = 0;
  const qsizetype headLimit = std::clamp<qsizetype>(cursor, 0, shortest);
  while (head < headLimit && before[head] == after[head]) ++head;
  if (head > 0 && after[head - 1].isHighSurrogate()) --head;
  qsizetype tail = 0;
  while (tail < shortest - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  if (tail > 0 && after[after.size() - tail].isLowSurrogate()) --tail;

  FittedText result;
  Segment front = storable(QStringView(after).left(head), result.removed);
  Segment typed =
      storable(QStringView(after).mid(head, after.size() - head - tail), result.removed);
  Segment back = storable(QStringView(after).right(tail), result.removed);

  auto total = [&] { return front.bytes + typed.bytes + back.bytes; };
  // A full field takes no more: what was typed or pasted is cut at its end.
  for (Segment* s : {&typed, &back, &front}) {
    while (total() > kMaxTextBytes && !s->characters.empty()) {
      s->dropLast();
      result.cut = true;
    }
  }
  result.text = front.text() + typed.text() + back.text();
  result.cursor = front.length() + typed.length();
  result.gbk = utf8ToGbk(result.text.toStdString()).value_or(std::string());
  return result;
}

// -- SpinArrows ----------------------------------------------------------------

SpinArrows::SpinArrows(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  for (QToolButton* b : {up_, down_}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  connect(up_, &QToolButton::clicked, this, &SpinArrows::lineUp);
  connect(down_, &QToolButton::clicked, this, &SpinArrows::lineDown);
}

void SpinArrows::resizeEvent(QResizeEvent*) {
  const int upper = height() / 2;
  up_->setGeometry(0, 0, width(), upper);
  down_->setGeometry(0, upper, width(), height() - upper);
}

// -- PropertyPanel -------------------------------------------------------------

PropertyPanel::PropertyPanel(AppContext& context, PanelHost& host, QWidget* editor,
                             const QString& title, std::string section)
    : FloatingWindow(context.settings, editor, std::move(section)), context_(context), host_(host) {
  // An owned tool window with a caption but no close box and no sizing: the
  // editor alone shows and hides it.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(title);
  setFont(DialogUnits::dialogFont());
  setFixedSize(DialogUnits(font()).size(kWidthUnits, kHeightUnits));
  place();
}

QPoint PropertyPanel::placement(QSize frame) const {
  const QWidget* editor = parentWidget();
  const QScreen* screen = editor != nullptr && editor->screen() != nullptr
                              ? editor->screen()
                              : QGuiApplication::primaryScreen();
  const QRect desktop = screen != nullptr ? screen->virtualGeometry() : QRect();
  return panelPlacement(storedX(), storedY(), desktop, host_.editorClientOnScreen(), frame.width());
}

void PropertyPanel::keyPressEvent(QKeyEvent* event) {
  // Neither Enter nor Escape does anything in a panel: only the editor hides it.
  if (isEnterOrEscape(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void PropertyPanel::closeEvent(QCloseEvent* event) {
  // Some window managers offer a close command even without a close box.
  if (event->spontaneous()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

QRect PropertyPanel::units(QRect r) const {
  return DialogUnits(font()).rect(r.x(), r.y(), r.width(), r.height());
}

QLabel* PropertyPanel::addLabel(const QString& text, QRect r) {
  auto* label = new QLabel(text, this);
  label->setGeometry(units(r));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QLineEdit* PropertyPanel::addNumberEdit(int id, QRect r, bool digitsOnly, bool readOnly) {
  auto* edit = new QLineEdit(this);
  setControlId(edit, id);
  edit->setGeometry(units(r));
  if (readOnly) {
    // Shown for reference: greyed as a read-only field is, and left out of
    // the Tab order so the keyboard reaches the fields that edit.
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
  }
  if (digitsOnly)
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  return edit;
}

SpinArrows* PropertyPanel::addSpinArrows(int id, QRect r) {
  auto* spin = new SpinArrows(this);
  setControlId(spin, id);
  spin->setGeometry(units(r));
  return spin;
}

QPushButton* PropertyPanel::addButton(int id, const QString& text, QRect r) {
  return addDialogButton(this, id, text, units(r));
}

QCheckBox* PropertyPanel::addCheckBox(int id, const QString& text, QRect r) {
  auto* box = new QCheckBox(text, this);
  setControlId(box, id);
  box->setGeometry(units(r));
  return box;
}

QSlider* PropertyPanel::addTrackBar(int id, QRect r, int numberId, QRect numberUnits) {
  auto* bar = new QSlider(Qt::Horizontal, this);
  setControlId(bar, id);
  bar->setGeometry(units(r));
  bar->setRange(0, 255);
  // A fifth of the range per page, as track bars step by default.
  bar->setPageStep(51);
  auto* number = new QLabel(this);
  setControlId(number, numberId);
  number->setGeometry(units(numberUnits));
  number->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return bar;
}

void PropertyPanel::showNumberMessage() {
  context_.prompts.message(this, programTitle(), QStringLiteral("请键入一个整数。"),
                           MessageIcon::Warning, MessageButtons::Ok);
}

void PropertyPanel::readSizeFields(const QLineEdit* widthEdit, const QLineEdit* heightEdit,
                                   int& width, int& height) {
  int newWidth = width;
  int newHeight = height;
  if (!readNumberField(widthEdit, newWidth) || !readNumberField(heightEdit, newHeight)) {
    showNumberMessage();
    return;
  }
  width = newWidth;
  height = newHeight;
}

bool PropertyPanel::readNumberField(const QLineEdit* edit, int& value) {
  const auto number = parseWholeNumber(edit->text());
  if (!number) return false;
  value = *number;
  return true;
}

void PropertyPanel::setTrackBar(QSlider* bar, QLabel* number, int position) {
  {
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
  }
  number->setText(QString::number(position));
}

void PropertyPanel::setNumberField(QLineEdit* edit, int value) {
  const QString text = QString::number(value);
  if (edit->text() != text) edit->setText(text);
}

void PropertyPanel::changed() {
  // Typing into one field, stepping one spin arrow or sliding one track bar
  // makes one step of the editor's history for as long as it goes on; a
  // click on a box or a button, or a colour chosen, is a step of its own.
  MergeKey key;
  const QObject* source = sender();
  if (qobject_cast<const QLineEdit*>(source) != nullptr ||
      qobject_cast<const SpinArrows*>(source) != nullptr ||
      qobject_cast<const QSlider*>(source) != nullptr) {
    key.source = controlIdOf(*source);
    key.object = boundIndex();
  }
  host_.templateChangedByPanel(key);
}

}  // namespace imbrino
