#pragma once
// Window layouts are given in dialog units, as the program's dialogs were
// designed: a quarter of the dialog font's average character width across, an
// eighth of its height down. Converting through the font keeps every layout
// in proportion whatever face stands in for the design font.

#include <QFont>
#include <QRect>
#include <QSize>

namespace imbrino {

class DialogUnits {
 public:
  // The units of `font`; by default the program's dialog font.
  explicit DialogUnits(const QFont& font = dialogFont());

  // The face the dialogs are designed in ("宋体" 9 point), as the installed
  // look-alike that the text engine's rules name.
  static QFont dialogFont();

  int baseWidth() const { return baseWidth_; }
  int baseHeight() const { return baseHeight_; }

  int x(int units) const;
  int y(int units) const;
  QRect rect(int x, int y, int width, int height) const;
  QSize size(int width, int height) const;

 private:
  int baseWidth_;
  int baseHeight_;
};

}  // namespace imbrino
