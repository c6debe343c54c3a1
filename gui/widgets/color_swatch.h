#pragma once
// A small panel showing one colour in a thin black frame; the dialog that owns
// it reads and sets the colour.

#include <QWidget>

#include "graphics/colour.h"

namespace imbrino {

class ColorSwatch : public QWidget {
  Q_OBJECT

 public:
  explicit ColorSwatch(QWidget* parent = nullptr);

  ColorRef colour() const { return colour_; }
  void setColour(ColorRef colour);
  // Repaints at once, for owners that change the colour and want it seen
  // before they go on.
  void refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ColorRef colour_ = kColorRefWhite;
};

}  // namespace imbrino
