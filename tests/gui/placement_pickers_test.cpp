// The batch window's placement pickers: what a click or a drag picks, and what
// each state looks like.

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "batch_window/placement_pickers.h"

using namespace imbrino;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kGrey = 0xFF808080;

// The pickers' size in the batch window at the usual dialog font; neither side
// divides by three, so the leftover pixels are covered too.
const QSize kPickerSize(154, 157);

void saveShot(QWidget& widget, const char* name) {
  const QByteArray folder = qgetenv("IMBRINO_SHOT_DIR");
  if (!folder.isEmpty()) widget.grab().save(QString::fromUtf8(folder + "/" + name + ".png"));
}

void sendMouse(QWidget& widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {}) {
  QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, modifiers);
  QApplication::sendEvent(&widget, &event);
}

void press(QWidget& widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
  sendMouse(widget, QEvent::MouseButtonPress, pos, button, button);
}

// A point's way through the picker: a press, or a move with this state.
enum class Gesture { LeftPress, RightPress, LeftDrag, RightDrag, ShiftMove, CtrlMove, PlainMove };

void perform(QWidget& widget, Gesture gesture, QPoint pos) {
  switch (gesture) {
    case Gesture::LeftPress: return press(widget, pos);
    case Gesture::RightPress: return press(widget, pos, Qt::RightButton);
    case Gesture::LeftDrag:
      return sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
    case Gesture::RightDrag:
      return sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::RightButton);
    case Gesture::ShiftMove:
      return sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton,
                       Qt::ShiftModifier);
    case Gesture::CtrlMove:
      return sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton,
                       Qt::ControlModifier);
    case Gesture::PlainMove:
      return sendMouse(widget, QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton);
  }
}

// Pixels of lettering in an area otherwise all `ground`.
int inkIn(const QImage& image, const QRect& area, QRgb ground) {
  int ink = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ink += image.pixel(x, y) != ground;
  return ink;
}

}  // namespace

Q_DECLARE_METATYPE(Gesture)

class PlacementPickersTest : public QObject {
  Q_OBJECT

 private slots:
  void positionPickerPicksTheCellUnderTheMouse_data() {
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    // Cells are 51 x 52 pixels; the last column also has the pixel left over.
    const int xs[3] = {0, 51, 102};
    const int ys[3] = {0, 52, 104};
    for (int row = 0; row < 3; ++row)
      for (int column = 0; column < 3; ++column) {
        QTest::addRow("cell %d,%d near corner", column, row)
            << Gesture::LeftPress << QPoint(xs[column], ys[row]) << column << row;
        QTest::addRow("cell %d,%d inside", column, row)
            << Gesture::LeftPress << QPoint(xs[column] + 50, ys[row] + 51) << column << row;
      }
    QTest::newRow("last pixel column and row") << Gesture::LeftPress << QPoint(153, 156) << 2 << 2;
    QTest::newRow("drag") << Gesture::LeftDrag << QPoint(10, 120) << 0 << 2;
    QTest::newRow("drag with the right button") << Gesture::RightDrag << QPoint(120, 10) << 2 << 0;
    QTest::newRow("drag past the top-left") << Gesture::LeftDrag << QPoint(-30, -5) << 0 << 0;
    QTest::newRow("drag past the bottom-right") << Gesture::LeftDrag << QPoint(900, 400) << 2 << 2;
    QTest::newRow("move with Shift") << Gesture::ShiftMove << QPoint(120, 120) << 2 << 2;
    QTest::newRow("move with Ctrl") << Gesture::CtrlMove << QPoint(0, 0) << 0 << 0;
    QTest::newRow("plain move: stays") << Gesture::PlainMove << QPoint(0, 0) << 1 << 1;
    QTest::newRow("right press: stays") << Gesture::RightPress << QPoint(0, 0) << 1 << 1;
  }
  void positionPickerPicksTheCellUnderTheMouse() {
    QFETCH(Gesture, gesture);
    QFETCH(QPoint, at);
    QFETCH(int, column);
    QFETCH(int, row);
    PositionPicker picker;
    picker.resize(kPickerSize);
    QCOMPARE(picker.placementValues(), kDefaultAnchor);
    perform(picker, gesture, at);
    QCOMPARE(picker.placementValues(), (PlacementValues{column, row}));

    // Only the picked cell is filled, and its name is written in it.
    const QImage shot = picker.grab().toImage();
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        const QRect cell = PositionPicker::cellRect(c, r, kPickerSize);
        const QRgb inside = shot.pixel(cell.topLeft() + QPoint(3, 3));
        QCOMPARE(inside, c == column && r == row ? kRed : kWhite);
        QCOMPARE(shot.pixel(cell.topLeft()), kBlack);  // the grid lines
      }
    const QRect marked = PositionPicker::cellRect(column, row, kPickerSize);
    QVERIFY(inkIn(shot, marked.adjusted(2, 2, -2, -2), kRed) > 10);
  }

  void positionPickerLooksRight() {
    PositionPicker picker;
    picker.resize(kPickerSize);
    const QImage shot = picker.grab().toImage();
    saveShot(picker, "position_picker");
    // The outline all round, the leftover column white inside it.
    QCOMPARE(shot.pixel(153, 80), kBlack);
    QCOMPARE(shot.pixel(80, 156), kBlack);
    QCOMPARE(shot.pixel(152, 80), kWhite);
    // The centre cell's outline and fill; its name stands in its middle.
    const QRect centre = PositionPicker::cellRect(1, 1, kPickerSize);
    QCOMPARE(centre, QRect(51, 52, 51, 52));
    QCOMPARE(shot.pixel(101, 103), kBlack);
    QCOMPARE(shot.pixel(100, 102), kRed);
    QVERIFY(inkIn(shot, QRect(centre.center() - QPoint(12, 6), QSize(25, 13)), kRed) > 10);
    QCOMPARE(inkIn(shot, QRect(53, 54, 47, 10), kRed), 0);  // the top of the cell is clear
  }

  void percentPickerPicksThePointUnderTheMouse_data() {
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("horizontal");
    QTest::addColumn<int>("vertical");
    QTest::newRow("top-left") << Gesture::LeftPress << QPoint(0, 0) << 0 << 0;
    QTest::newRow("middle") << Gesture::LeftPress << QPoint(77, 100) << 50 << 63;
    QTest::newRow("last pixel") << Gesture::LeftPress << QPoint(153, 156) << 99 << 99;
    QTest::newRow("drag past the top-left") << Gesture::LeftDrag << QPoint(-40, -1) << 0 << 0;
    QTest::newRow("drag past the bottom-right") << Gesture::LeftDrag << QPoint(500, 157) << 100
                                                << 100;
    QTest::newRow("move with Shift") << Gesture::ShiftMove << QPoint(20, 40) << 12 << 25;
    QTest::newRow("plain move: stays") << Gesture::PlainMove << QPoint(20, 40) << 50 << 50;
    QTest::newRow("right press: stays") << Gesture::RightPress << QPoint(20, 40) << 50 << 50;
  }
  void percentPickerPicksThePointUnderTheMouse() {
    QFETCH(Gesture, gesture);
    QFETCH(QPoint, at);
    QFETCH(int, horizontal);
    QFETCH(int, vertical);
    PercentPicker picker;
    picker.resize(kPickerSize);
    QCOMPARE(picker.placementValues(), kDefaultPercent);
    perform(picker, gesture, at);
    QCOMPARE(picker.placementValues(), (PlacementValues{horizontal, vertical}));

    // The cross meets at the point, with the template's square hanging from it.
    const QPoint mark = picker.markPosition(kPickerSize);
    QCOMPARE(mark, QPoint(percentMarkPosition(horizontal, kPickerSize.width()),
                          percentMarkPosition(vertical, kPickerSize.height())));
    const QImage shot = picker.grab().toImage();
    // (Points that fall on or past the outline are not looked at.)
    const QRect inside(1, 1, kPickerSize.width() - 2, kPickerSize.height() - 2);
    const struct {
      QPoint at;
      QRgb colour;
    } expected[] = {
        {mark, kRed},                      // the crossing
        {{mark.x(), 2}, kRed},             // the vertical line
        {{2, mark.y()}, kRed},             // the horizontal line
        {mark + QPoint(3, 3), kGreen},     // the template's square
        {mark - QPoint(3, 3), kWhite},     // the ground before the crossing
    };
    for (const auto& e : expected) {
      if (!inside.contains(e.at) || (e.colour == kWhite && (mark.x() < 4 || mark.y() < 4)))
        continue;
      QCOMPARE(shot.pixel(e.at), e.colour);
    }
  }

  void percentPickerLooksRight() {
    PercentPicker picker;
    picker.resize(kPickerSize);
    const QImage shot = picker.grab().toImage();
    saveShot(picker, "percent_picker");
    // 50 % of 154 x 157: the cross at (77, 78); the 40-pixel square from it.
    QCOMPARE(picker.markPosition(kPickerSize), QPoint(77, 78));
    QCOMPARE(shot.pixel(77, 1), kRed);
    QCOMPARE(shot.pixel(77, 155), kRed);
    QCOMPARE(shot.pixel(1, 78), kRed);
    QCOMPARE(shot.pixel(152, 78), kRed);
    QCOMPARE(shot.pixel(116, 117), kRed);   // the square's far corner
    QCOMPARE(shot.pixel(117, 100), kWhite);  // just past it
    QCOMPARE(shot.pixel(80, 81), kGreen);
    QVERIFY(inkIn(shot, QRect(78, 79, 38, 38), kGreen) > 10);  // "模板"
    QCOMPARE(shot.pixel(0, 0), kBlack);
    QCOMPARE(shot.pixel(153, 156), kBlack);
  }

  void disabledPickersIgnoreTheMouseAndAreGrey() {
    PositionPicker position;
    PercentPicker percent;
    for (PlacementPicker* picker : {static_cast<PlacementPicker*>(&position),
                                    static_cast<PlacementPicker*>(&percent)}) {
      picker->resize(kPickerSize);
      picker->setPickerEnabled(false);
      QVERIFY(!picker->pickerEnabled());
      QVERIFY(picker->isEnabled());  // still a live widget: only the picker is off
      const PlacementValues before = picker->placementValues();
      for (Gesture g : {Gesture::LeftPress, Gesture::LeftDrag, Gesture::ShiftMove})
        perform(*picker, g, QPoint(5, 5));
      QCOMPARE(picker->placementValues(), before);
    }
    saveShot(position, "position_picker_disabled");
    saveShot(percent, "percent_picker_disabled");
    QImage shot = position.grab().toImage();
    QCOMPARE(shot.pixel(54, 55), kGrey);
    QCOMPARE(shot.pixel(51, 52), kBlack);
    shot = percent.grab().toImage();
    QCOMPARE(shot.pixel(77, 1), kGrey);
    QCOMPARE(shot.pixel(80, 81), kGrey);

    // Enabled again, they pick and are coloured again.
    position.setPickerEnabled(true);
    press(position, QPoint(5, 5));
    QCOMPARE(position.placementValues(), (PlacementValues{0, 0}));
    QCOMPARE(position.grab().toImage().pixel(3, 3), kRed);
    percent.setPickerEnabled(true);
    QCOMPARE(percent.grab().toImage().pixel(80, 81), kGreen);
  }

  void tinyPickersDrawAndPick() {
    // Too small for cells or for the square: still drawn and clicked safely.
    for (QSize size : {QSize(2, 2), QSize(1, 40), QSize(0, 0)}) {
      PositionPicker position;
      PercentPicker percent;
      position.resize(size);
      percent.resize(size);
      (void)position.grab();
      (void)percent.grab();
      press(position, QPoint(1, 1));
      press(percent, QPoint(1, 1));
      QVERIFY(position.placementValues().horizontal >= 0);
      QVERIFY(position.placementValues().horizontal <= 2);
      QVERIFY(percent.placementValues().vertical >= 0);
      QVERIFY(percent.placementValues().vertical <= 100);
    }
  }
};

QTEST_MAIN(PlacementPickersTest)
#include "placement_pickers_test.moc"
