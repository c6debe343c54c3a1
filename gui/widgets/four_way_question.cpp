#include "widgets/four_way_question.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextLayout>
#include <QTextOption>
#include <QtMath>
#include <algorithm>
#include <vector>

#include "shared/resources.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"
#include "widgets/object_preview.h"

namespace imbrino {
namespace {

// Buttons in dialog units.
constexpr int kButtonWidth = 56;
constexpr int kButtonHeight = 14;
constexpr int kButtonGap = 6;

struct ButtonSpec {
  int id;
  const char* text;
  Qt::Key letter;  // the underlined letter, which answers without Alt too
};
constexpr ButtonSpec kButtons[4] = {
    {kQuestionYes, "是(&Y)", Qt::Key_Y},
    {kQuestionYesToAll, "全部皆是(&L)", Qt::Key_L},
    {kQuestionNo, "否(&N)", Qt::Key_N},
    {kQuestionNoToAll, "全部皆否(&E)", Qt::Key_E},
};

// The lines a text takes at `width`: centred, and broken inside a word when
// they must (a long path has no spaces to break at) rather than run off the
// edge.
void layOutLines(QTextLayout& layout, int width) {
  QTextOption option(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  qreal top = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, top));
    top += line.height();
  }
  layout.endLayout();
}

int heightOfLines(const QString& text, const QFont& font, int width) {
  QTextLayout layout(text, font);
  layOutLines(layout, width);
  return qCeil(layout.boundingRect().height());
}

// The text cut in the middle to the most that fits `height`: its start and
// its end stay, so a long path leaves the question after it in view.
QString elidedInTheMiddle(const QString& text, const QFont& font, int width, int height) {
  const QString ellipsis(QChar(0x2026));
  auto kept = [&](qsizetype count) {
    qsizetype head = count / 2;
    qsizetype tail = count - head;
    if (head > 0 && text[head - 1].isHighSurrogate()) --head;
    if (tail > 0 && text[text.size() - tail].isLowSurrogate()) --tail;
    return text.left(head) + ellipsis + text.right(tail);
  };
  qsizetype fits = 0;
  qsizetype tooMany = text.size();
  while (tooMany - fits > 1) {
    const qsizetype middle = (fits + tooMany) / 2;
    (heightOfLines(kept(middle), font, width) <= height ? fits : tooMany) = middle;
  }
  return kept(fits);
}

// Lines centred one under the other.
class CentredText final : public QLabel {
 public:
  explicit CentredText(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QTextLayout layout(text(), font());
    layOutLines(layout, width());
    layout.draw(&painter, QPointF(0, 0));
  }
};

// The question mark is drawn on white. The white that reaches the picture's
// edge is its ground and is left out, so the mark stands on the dialog's own
// colour; the white of the "?" inside it is kept.
QPixmap questionMark() {
  QImage image =
      QImage(QStringLiteral(":/app/question.png")).convertToFormat(QImage::Format_ARGB32);
  const int w = image.width();
  const int h = image.height();
  std::vector<QPoint> todo;
  for (int x = 0; x < w; ++x) todo.insert(todo.end(), {QPoint(x, 0), QPoint(x, h - 1)});
  for (int y = 0; y < h; ++y) todo.insert(todo.end(), {QPoint(0, y), QPoint(w - 1, y)});
  while (!todo.empty()) {
    const QPoint p = todo.back();
    todo.pop_back();
    if (p.x() < 0 || p.y() < 0 || p.x() >= w || p.y() >= h) continue;
    if (image.pixel(p) != 0xFFFFFFFFu) continue;
    image.setPixel(p, 0x00FFFFFFu);
    todo.insert(todo.end(),
                {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
  }
  return QPixmap::fromImage(image);
}

// Layouts in dialog units.
constexpr int kTextQuestionWidth = 402;
constexpr int kTextQuestionHeight = 85;
constexpr int kDeleteQuestionWidth = 370;
constexpr int kDeleteQuestionHeight = 103;
// The text question grows by at most this many lines for a long question.
constexpr int kMoreLines = 8;

}  // namespace

FourWayQuestion::FourWayQuestion(QWidget* parent, int width, int height, int buttonsLeft,
                                 int buttonsTop)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("询问"));
  // A caption without a close box: the question is answered with a button
  // or Escape.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFont(DialogUnits::dialogFont());
  const DialogUnits du(font());
  setFixedSize(du.size(width, height));

  for (int i = 0; i < 4; ++i) {
    // No default button: Enter must not answer for the user.
    buttons_[i] = addDialogButton(this, kButtons[i].id, QString::fromUtf8(kButtons[i].text),
                                  du.rect(buttonsLeft + i * (kButtonWidth + kButtonGap), buttonsTop,
                                          kButtonWidth, kButtonHeight));
  }

  // The dialog's message map.
  for (int i = 0; i < 4; ++i)
    connect(buttons_[i], &QPushButton::clicked, this, [this, i] { done(i); });
}

void FourWayQuestion::growBy(int pixels) {
  setFixedSize(width(), height() + pixels);
  for (QPushButton* button : buttons_) button->move(button->pos() + QPoint(0, pixels));
}

void FourWayQuestion::addQuestionIcon(int left, int top) {
  loadProgramResources();
  const DialogUnits du(font());
  auto* icon = new QLabel(this);
  icon->setPixmap(questionMark());
  icon->setGeometry(QRect(QPoint(du.x(left), du.y(top)), QSize(32, 32)));
}

void FourWayQuestion::reject() {
  done(AnswerNo);
}

void FourWayQuestion::keyPressEvent(QKeyEvent* event) {
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  // Only buttons take the focus here, so a plain letter can answer as its
  // underlined letter does with Alt.
  if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    for (int i = 0; i < 4; ++i) {
      if (event->key() == kButtons[i].letter) {
        buttons_[i]->animateClick();
        return;
      }
    }
  }
  QDialog::keyPressEvent(event);
}

// -- TextQuestion ------------------------------------------------------------

TextQuestion::TextQuestion(const QString& question, QWidget* parent)
    : FourWayQuestion(parent, kTextQuestionWidth, kTextQuestionHeight,
                      (kTextQuestionWidth - 4 * kButtonWidth - 3 * kButtonGap) / 2, 62),
      question_(question) {
  setObjectName(QStringLiteral("TextQuestion"));
  addQuestionIcon(14, 12);
  const DialogUnits du(font());
  text_ = new CentredText(this);
  setControlId(text_, kQuestionText);
  // A question longer than the box makes the window taller, up to a limit;
  // beyond it the middle of the question (the middle of a long path) gives
  // way, so its end, the question proper, always shows.
  const QRect box = du.rect(52, 12, 332, 41);
  const int most = box.height() + kMoreLines * QFontMetrics(font()).lineSpacing();
  QString shown = question;
  int needed = heightOfLines(shown, font(), box.width());
  if (needed > most) {
    shown = elidedInTheMiddle(question, font(), box.width(), most);
    needed = heightOfLines(shown, font(), box.width());
  }
  const int more = std::max(0, needed - box.height());
  text_->setText(shown);
  text_->setGeometry(box.adjusted(0, 0, 0, more));
  growBy(more);
}

QString TextQuestion::question() const {
  return question_;
}

// -- DeleteObjectQuestion ----------------------------------------------------

DeleteObjectQuestion::DeleteObjectQuestion(QWidget* parent)
    : FourWayQuestion(parent, kDeleteQuestionWidth, kDeleteQuestionHeight, 123, 82) {
  setObjectName(QStringLiteral("DeleteObjectQuestion"));
  const DialogUnits du(font());
  preview_ = new ObjectPreview(this);
  setControlId(preview_, kQuestionPreview);
  preview_->setGeometry(du.rect(5, 5, 109, 94));

  addQuestionIcon(130, 24);
  auto* text = new QLabel(QStringLiteral("是否真的要删除该目标?"), this);
  text->setGeometry(du.rect(160, 26, 200, 12));
  text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void DeleteObjectQuestion::setTextObject(const TextObject* text) {
  preview_->setTextObject(text);
}

void DeleteObjectQuestion::setPictureObject(const PictureObject* picture) {
  preview_->setPictureObject(picture);
}

}  // namespace imbrino
