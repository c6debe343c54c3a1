#pragma once
// What the editor's three property panels (background, text, picture) have in
// common: a small floating window of the editor (see FloatingWindow) that
// ignores Enter and Escape and writes every change into the template at
// once. The parts they are built from (number fields, spin arrows, track bars
// with their number) and the rules behind them live here too.

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>
#include <string>

#include "editor/floating_window.h"
#include "graphics/colour.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;

namespace imbrino {

struct AppContext;
class PanelHost;

// Where a panel's frame opens. A stored X (Y) that is absent, or beyond the
// right (bottom) edge of the desktop, gives way to the top-right corner of the
// editor's canvas (a frame `panelWidth` wide ends on its right edge);
// anything else, negative values included, is used as it is, so a panel the
// user put half off the left edge comes back there.
QPoint panelPlacement(std::optional<int> storedX, std::optional<int> storedY, QRect desktop,
                      QRect editorClient, int panelWidth);

// A whole number as a number field takes it: blanks around it, an optional
// sign, digits and nothing else. Nothing for an empty field or any other
// text. Numbers beyond the range of int are clamped to it (they are out of
// every field's range anyway).
std::optional<int> parseWholeNumber(const QString& text);

// The text field of a text object after an edit. Template texts are GBK and
// at most kMaxTextBytes bytes: characters GBK cannot hold are taken out (and named in
// `removed`, so the user is told), and what was typed or pasted is cut at its
// end until the text fits, as a full field refuses what does not fit.
struct FittedText {
  QString text;
  std::string gbk;  // the text's GBK bytes, ready for the object
  QString removed;  // the characters taken out, in order; empty when none
  bool cut = false;
  int cursor = 0;  // where the cursor belongs: after what was kept of the typing
};
FittedText fitTemplateText(const QString& before, const QString& after, int cursor);

// Two small arrows, one above the other, beside a number field. They only
// report a press (repeating while held); what a step does is the panel's.
class SpinArrows final : public QWidget {
  Q_OBJECT

 public:
  explicit SpinArrows(QWidget* parent);

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 signals:
  void lineUp();
  void lineDown();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
};

class PropertyPanel : public FloatingWindow {
  Q_OBJECT

 public:
  // The panel's size in dialog units.
  static constexpr int kWidthUnits = 328;
  static constexpr int kHeightUnits = 83;

 protected:
  // A hidden tool window of `editor`, placed from [section] X and Y.
  PropertyPanel(AppContext& context, PanelHost& host, QWidget* editor, const QString& title,
                std::string section);

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // By [section] X and Y, or at the top-right of the editor's canvas.
  QPoint placement(QSize frame) const override;

  // Controls, each named by its id. Rectangles are in dialog units.
  QLabel* addLabel(const QString& text, QRect units);
  QLineEdit* addNumberEdit(int id, QRect units, bool digitsOnly, bool readOnly = false);
  SpinArrows* addSpinArrows(int id, QRect units);
  QPushButton* addButton(int id, const QString& text, QRect units);
  QCheckBox* addCheckBox(int id, const QString& text, QRect units);
  // A track bar 0..255 and the static that shows its position.
  QSlider* addTrackBar(int id, QRect units, int numberId, QRect numberUnits);

  // Reads a number field into `value`. Text that is not a whole number leaves
  // `value` alone and gives false: the caller then shows showNumberMessage().
  static bool readNumberField(const QLineEdit* edit, int& value);
  void showNumberMessage();
  // Reads a width and a height field together: both numbers change, or, when
  // either field is not a whole number, neither does and the message shows.
  void readSizeFields(const QLineEdit* widthEdit, const QLineEdit* heightEdit, int& width,
                      int& height);
  // Sets a track bar and its number without it reporting a move.
  static void setTrackBar(QSlider* bar, QLabel* number, int position);
  static void setNumberField(QLineEdit* edit, int value);

  // After a change was written into the template, from a handler of the
  // control that made it.
  void changed();
  // The object the panel edits (its index in its list), or -1.
  virtual int boundIndex() const { return -1; }

  // Dialog units to pixels in the panel's font.
  QRect units(QRect r) const;

  AppContext& context_;
  PanelHost& host_;
};

}  // namespace imbrino
