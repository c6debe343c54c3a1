#pragma once
// Picture buttons at the top-right of a window, where the desktop's caption
// buttons would be joined by them on a system that lets programs paint the
// title bar. Here the bar sits in the corner of the window's menu bar, or, in
// a window without one, over the top-right corner of its client area.
//
// Geometry is counted in caption-button slots from the bar's right edge: the
// first `slotOffset` slots stay empty (they stand for the window's own
// minimise, maximise and close buttons), button i takes slot
// slotOffset + i + 1. Each picture is centred on its slot by the slot's size,
// so a picture wider than a slot overhangs it on both sides; only the slot
// itself reacts to the mouse.
//
// A click (press and release on the same button) is the bar's one output: it
// is posted as `buttonClicked`, delivered once control is back in the event
// loop, never from inside the mouse handler.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "graphics/colour.h"

class QMenuBar;

namespace imbrino {

class CaptionButtonBar : public QWidget {
  Q_OBJECT

 public:
  // A slot: the size of a normal caption button in common desktop themes at
  // 96 dpi. The pictures (55 x 16) overhang it.
  static constexpr int kSlotWidth = 22;
  static constexpr int kSlotHeight = 18;

  explicit CaptionButtonBar(QWidget* parent = nullptr);

  // Places the bar on `host`: as the top-right corner widget of the host's
  // menu bar when it has one, else as a child kept at the host's top-right
  // corner, above the host's other children. Attach once, after the menu
  // bar has been set up.
  void attach(QWidget* host);
  QWidget* host() const { return host_; }

  void setSlotOffset(int count);
  int slotOffset() const { return slotOffset_; }
  // Pixels of this colour in any button picture are not drawn. 0 (black)
  // until set.
  void setColourKey(ColorRef key);
  // Shown over a button while it is held down; shared by all buttons.
  void setPressedImage(const QImage& image);

  // Adds a button at `insertPosition` (-1: at the end). Without a hot
  // picture the normal one is shown under the mouse too. False, and nothing
  // changes, when a button with `id` exists already.
  bool addButton(int id, std::optional<QImage> hot, const QImage& normal, const QString& toolTip,
                 int insertPosition = -1);

  int buttonCount() const { return static_cast<int>(buttons_.size()); }
  int buttonId(int index) const;
  // Button `index`'s slot, in the bar's coordinates.
  QRect slotRect(int index) const;
  // Where button `index`'s picture is drawn, in the bar's coordinates.
  QRect imageRect(int index) const;
  // The button whose slot holds `pos` (bar coordinates), or -1.
  int buttonAt(QPoint pos) const;
  QString toolTipAt(QPoint pos) const;
  int hotIndex() const { return hotIndex_; }
  int pressedIndex() const { return pressedIndex_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  // Button `id` was clicked; `releasePos` is where the mouse was released, in
  // screen coordinates. Always delivered queued.
  void buttonClicked(int id, QPoint releasePos);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  struct Button {
    int id = 0;
    QImage normal;
    QImage hot;
    QString toolTip;
  };

  QPoint centredOffset(QSize image) const;
  // The empty margin left of the slots so the leftmost picture fits, and
  // above them so the tallest one does.
  int leftMargin() const;
  int topMargin() const;
  void setHot(int index);
  // After a change of buttons or pictures: new size, new place, new mask.
  void relayout();
  void placeOnHost();

  QWidget* host_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  std::vector<Button> buttons_;
  QImage pressedImage_;
  ColorRef colourKey_ = 0;
  int slotOffset_ = 0;
  int hotIndex_ = -1;
  int pressedIndex_ = -1;
  bool capturing_ = false;
};

}  // namespace imbrino
