#pragma once
// The colour row of a dialog: a swatch showing the colour, a button that opens
// the colour dialog on it ("颜色选择") and one that starts the screen
// eyedropper ("颜色拾取").
//
// The row is an object of the dialog, not a widget of its own: its three
// controls are the dialog's children, each named by its control id, so they
// keep their places in the Tab order, their access keys and their names, and
// the gaps between them stay the dialog's.

#include <QChar>
#include <QObject>
#include <QRect>
#include <functional>
#include <optional>

#include "graphics/colour.h"

class QPushButton;
class QWidget;

namespace imbrino {

class ColorSwatch;
class Prompts;

class ColourRow final : public QObject {
  Q_OBJECT

 public:
  struct Ids {
    int swatch, choose, pick;
  };
  // In dialog units of the dialog's font.
  struct Places {
    QRect swatch, choose, pick;
  };
  // The access keys of the two buttons.
  struct Keys {
    QChar choose, pick;
  };

  // Makes the controls on `dialog`, which owns the row.
  ColourRow(Prompts& prompts, QWidget* dialog, Ids ids, Places places, Keys keys = {u'S', u'P'});

  ColorRef colour() const;
  // Shows `colour`; no colourChanged().
  void setColour(ColorRef colour);

  // For a row that shows a colour of something that can go away (the object
  // a panel is bound to): asked before either button does anything. Nothing
  // leaves both idle; a colour is shown and the colour dialog opens on it.
  using Source = std::function<std::optional<ColorRef>()>;
  void setSource(Source source) { source_ = std::move(source); }

  ColorSwatch* swatch() const { return swatch_; }
  QPushButton* chooseButton() const { return chooseButton_; }
  QPushButton* pickButton() const { return pickButton_; }

 signals:
  // The user chose or picked a colour; the swatch already shows it.
  void colourChanged(ColorRef colour);

 private:
  void choose();
  void pick();

  Prompts& prompts_;
  QWidget* dialog_;
  ColorSwatch* swatch_;
  QPushButton* chooseButton_;
  QPushButton* pickButton_;
  Source source_;
};

}  // namespace imbrino
