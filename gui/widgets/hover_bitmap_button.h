#pragma once
// A push button drawn from a four-frame strip: the normal frame, the hover
// frame while the mouse rests on it and the pressed frame while it is held
// down. Pixels of the colour key show the parent through.

#include <QAbstractButton>
#include <QRect>

#include "graphics/colour.h"
#include "widgets/kbc_bmp.h"

namespace imbrino {

class HoverBitmapButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum Frame { NormalFrame = 0, HoverFrame = 1, PressedFrame = 2 };

  HoverBitmapButton(Prompts& prompts, QWidget* parent);

  // Loads the strip and resizes the button to one frame, keeping its top-left
  // corner. A strip that fails to load leaves a button of no size.
  bool setBitmap(const QString& path, ColorRef colourKey);
  void setToolTipText(const QString& text);

  bool hovering() const { return hovering_; }
  // The frame the button shows now.
  Frame currentFrame() const;
  const CKbcBmp& strip() const { return strip_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  CKbcBmp strip_;
  ColorRef transparentColour_ = kColorRefWhite;
  QRect imageRect_;
  bool hovering_ = false;
};

}  // namespace imbrino
