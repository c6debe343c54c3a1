// The shared widgets: bitmap strips and their buttons, colour swatches and the
// eyedropper's picture logic.

#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/support/scripted_prompts.h"
#include "image/image_io.h"
#include "pickcolor/eyedropper_window.h"
#include "pickcolor/magnifier.h"
#include "pickcolor/pick_color.h"
#include "widgets/color_swatch.h"
#include "widgets/colour_choice.h"
#include "widgets/colour_row.h"
#include "widgets/control_tooltips.h"
#include "widgets/hover_bitmap_button.h"

using namespace imbrino;

namespace {

constexpr Pixel kKey = kPixelWhite;
const Pixel kFrameColours[4] = {makePixel(200, 0, 0), makePixel(0, 200, 0), makePixel(0, 0, 200),
                                makePixel(90, 90, 90)};

// A strip of four frames, each its own colour, with a key-coloured pixel at
// (1, 1) of every frame. Extra columns beyond 4 * frameWidth are black.
Surface makeStrip(int width, int height) {
  Surface strip = Surface::create(width, height, kPixelBlack).value();
  const int frame = width / 4;
  for (int f = 0; f < 4; ++f) {
    strip.fillRect({f * frame, 0, f * frame + frame, height}, kFrameColours[f]);
    strip.setPixel(f * frame + 1, 1, kKey);
  }
  return strip;
}

QRgb rgbOf(Pixel p) {
  return p | 0xFF000000u;
}

}  // namespace

class WidgetsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  ScriptedPrompts prompts_;

  QString writeStrip(const QString& name, int width, int height) {
    const QString path = dir_.filePath(name);
    const auto saved = saveBitmapByExtension(makeStrip(width, height), path.toStdString());
    if (!saved) qFatal("cannot write %s", qPrintable(path));
    return path;
  }

 private slots:
  void init() { prompts_ = ScriptedPrompts(); }

  void stripSizes_data() {
    QTest::addColumn<int>("stripWidth");
    QTest::addColumn<int>("frameWidth");
    QTest::newRow("divisible") << 220 << 55;
    QTest::newRow("two spare columns") << 222 << 55;
  }
  void stripSizes() {
    QFETCH(int, stripWidth);
    QFETCH(int, frameWidth);
    const QString path = writeStrip(QStringLiteral("strip.bmp"), stripWidth, 20);

    QWidget parent;
    HoverBitmapButton button(prompts_, &parent);
    button.move(30, 40);
    QVERIFY(button.setBitmap(path, kColorRefWhite));
    QCOMPARE(button.strip().stripWidth(), stripWidth);
    QCOMPARE(button.strip().frameWidth(), frameWidth);
    // Sized to one frame, top-left kept.
    QCOMPARE(button.geometry(), QRect(30, 40, frameWidth, 20));
    QVERIFY(prompts_.messages.empty());

    // The spare columns never show: the last frame ends at 4 * frameWidth.
    const QImage last = button.strip().keyedFrame(3, kColorRefWhite);
    QCOMPARE(last.width(), frameWidth);
    QCOMPARE(last.pixel(frameWidth - 1, 5), rgbOf(kFrameColours[3]));
  }

  void keyedDrawingShowsWhatIsBelow() {
    CKbcBmp strip(prompts_);
    QVERIFY(strip.load(writeStrip(QStringLiteral("keyed.bmp"), 16, 4)));

    QImage target(10, 10, QImage::Format_RGB32);
    const QRgb below = qRgb(1, 2, 3);
    target.fill(below);
    {
      QPainter painter(&target);
      strip.draw(painter, 1, 3, 4, kColorRefWhite);
    }
    QCOMPARE(target.pixel(3, 4), rgbOf(kFrameColours[1]));
    QCOMPARE(target.pixel(6, 7), rgbOf(kFrameColours[1]));
    QCOMPARE(target.pixel(4, 5), below);  // the key pixel at (1, 1) of the frame
    QCOMPARE(target.pixel(7, 4), below);  // right of the frame
    QCOMPARE(target.pixel(3, 8), below);  // under the frame

    // Only the exact key is transparent; with another key the pixel draws.
    QImage again(4, 4, QImage::Format_RGB32);
    again.fill(below);
    {
      QPainter painter(&again);
      strip.draw(painter, 2, 0, 0, 0x00FEFFFF);
    }
    QCOMPARE(again.pixel(1, 1), qRgb(255, 255, 255));
    QCOMPARE(again.pixel(0, 0), rgbOf(kFrameColours[2]));

    // The key is a COLORREF (0x00BBGGRR): keying on the frame's own colour
    // clears the whole frame.
    QCOMPARE(strip.keyedFrame(0, colorRefFromPixel(kFrameColours[0])).pixel(2, 2), 0u);
    QVERIFY(strip.keyedFrame(4, kColorRefWhite).isNull());
  }

  void buttonFrameFollowsMouseAndPress() {
    QWidget parent;
    parent.resize(100, 60);
    HoverBitmapButton button(prompts_, &parent);
    button.move(50, 30);
    QVERIFY(button.setBitmap(writeStrip(QStringLiteral("button.bmp"), 40, 12), kColorRefWhite));
    button.setToolTipText(QStringLiteral("插入文字"));
    QCOMPARE(button.toolTip(), QStringLiteral("插入文字"));
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    auto shownColour = [&] { return button.grab().toImage().pixel(5, 5); };
    QTest::mouseMove(&parent, QPoint(5, 5));
    QCOMPARE(button.currentFrame(), HoverBitmapButton::NormalFrame);
    QCOMPARE(shownColour(), rgbOf(kFrameColours[0]));

    // Hover shows as soon as the mouse is on the button, without waiting.
    QTest::mouseMove(&parent, QPoint(53, 33));
    QCOMPARE(button.currentFrame(), HoverBitmapButton::HoverFrame);
    QCOMPARE(shownColour(), rgbOf(kFrameColours[1]));

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(button.currentFrame(), HoverBitmapButton::PressedFrame);
    QCOMPARE(shownColour(), rgbOf(kFrameColours[2]));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(button.currentFrame(), HoverBitmapButton::HoverFrame);

    QTest::mouseMove(&parent, QPoint(95, 5));
    QCOMPARE(button.currentFrame(), HoverBitmapButton::NormalFrame);

    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(clicks.count(), 1);
  }

  void pictureErrors() {
    CPicture picture(prompts_);
    QVERIFY(!picture.load(dir_.filePath(QStringLiteral("missing.bmp"))));
    QCOMPARE(picture.length(), 0);
    QCOMPARE(picture.width(), 0);
    QCOMPARE(prompts_.messages.size(), std::size_t{1});
    QCOMPARE(prompts_.messages[0].caption, QStringLiteral("CPicture Error"));
    QCOMPARE(prompts_.messages[0].text, QStringLiteral("No such file or directory"));
    QCOMPARE(prompts_.messages[0].icon, MessageIcon::Error);

    // Not a picture: the file was read (its length is kept) but nothing decoded.
    const QString junk = dir_.filePath(QStringLiteral("junk.bmp"));
    {
      QFile file(junk);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("this is not a bitmap");
    }
    QVERIFY(picture.load(writeStrip(QStringLiteral("ok.png"), 8, 2)));
    QCOMPARE(picture.width(), 8);
    QVERIFY(!picture.load(junk));
    QCOMPARE(picture.length(), 20);
    QCOMPARE(picture.width(), 0);
    QVERIFY(picture.isNull());
    QCOMPARE(prompts_.messages.back().text,
             QStringLiteral("IPicture interface is not supported\t"));

    // A button whose strip fails shrinks to nothing.
    QWidget parent;
    HoverBitmapButton button(prompts_, &parent);
    button.setGeometry(5, 5, 30, 30);
    QVERIFY(!button.setBitmap(junk, kColorRefWhite));
    QCOMPARE(button.geometry(), QRect(5, 5, 0, 0));
  }

  void swatchShowsColourInFrame() {
    ColorSwatch swatch;
    swatch.resize(20, 10);
    QCOMPARE(swatch.colour(), kColorRefWhite);
    swatch.setColour(0x000000FF);  // red, as a COLORREF
    const QImage shown = swatch.grab().toImage();
    QCOMPARE(shown.pixel(10, 5), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(19, 9), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(19, 5), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(18, 8), qRgb(255, 0, 0));
  }

  void colourChoices() {
    ColorSwatch swatch;
    swatch.setColour(0x00123456);
    QVERIFY(!chooseColourInto(prompts_, nullptr, swatch));
    QCOMPARE(swatch.colour(), 0x00123456u);
    prompts_.colourAnswers.push_back(0x00ABCDEF);
    QVERIFY(chooseColourInto(prompts_, nullptr, swatch));
    QCOMPARE(swatch.colour(), 0x00ABCDEFu);

    // Whatever the eyedropper returns is taken, black included.
    prompts_.pickedColours.push_back(0);
    pickColourInto(prompts_, swatch);
    QCOMPARE(swatch.colour(), 0u);
    QCOMPARE(prompts_.picks, 1);
  }

  void colourRowAsksItsSource() {
    QWidget dialog;
    ColourRow row(prompts_, &dialog, {7, 5, 6}, {{0, 0, 20, 12}, {24, 0, 52, 14}, {80, 0, 52, 14}});
    QSignalSpy changes(&row, &ColourRow::colourChanged);
    std::optional<ColorRef> bound;
    row.setSource([&] { return bound; });
    auto* choose = dialog.findChild<QPushButton*>(QStringLiteral("c5"));
    auto* pick = dialog.findChild<QPushButton*>(QStringLiteral("c6"));
    QVERIFY(choose != nullptr && pick != nullptr);

    // Nothing bound: neither button does anything.
    choose->click();
    pick->click();
    QCOMPARE(prompts_.colourDialogs + prompts_.picks, 0);

    // The dialog opens on the bound colour, and a cancel leaves it shown.
    bound = 0x00123456;
    choose->click();
    QCOMPARE(row.colour(), 0x00123456u);
    QCOMPARE(changes.count(), 0);
    prompts_.colourAnswers.push_back(0x00ABCDEF);
    choose->click();
    prompts_.pickedColours.push_back(0x00000001);
    pick->click();
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes[0][0].value<ColorRef>(), 0x00ABCDEFu);
    QCOMPARE(changes[1][0].value<ColorRef>(), 0x00000001u);
    QCOMPARE(row.colour(), 0x00000001u);
  }

  void controlToolTips() {
    QWidget dialog;
    auto* inner = new QWidget(&dialog);
    auto* edit = new QWidget(inner);
    edit->setObjectName(QStringLiteral("c1015"));
    QVERIFY(addControlToolTip(&dialog, 1015, QStringLiteral("模板文件")));
    QCOMPARE(edit->toolTip(), QStringLiteral("模板文件"));
    QVERIFY(!addControlToolTip(&dialog, 1016, QStringLiteral("x")));
    QVERIFY(!addControlToolTip(nullptr, 1015, QStringLiteral("x")));
  }

  void eyedropperPixelLookup() {
    using namespace imbrino::pickcolor;
    QImage shot(8, 6, QImage::Format_RGB32);
    shot.fill(qRgb(0, 0, 0));
    shot.setPixel(3, 2, qRgb(0x11, 0x22, 0x33));
    shot.setPixel(7, 5, qRgb(0xFF, 0x80, 0x01));

    QCOMPARE(screenshotPixelAt(shot, QPoint(3, 2), 1.0), QPoint(3, 2));
    // Logical points on a high-density screen cover several shot pixels.
    QCOMPARE(screenshotPixelAt(shot, QPoint(1, 1), 2.0), QPoint(2, 2));
    QCOMPARE(screenshotPixelAt(shot, QPoint(1, 1), 1.5), QPoint(1, 1));
    // Outside the shot: the nearest edge pixel.
    QCOMPARE(screenshotPixelAt(shot, QPoint(100, -4), 1.0), QPoint(7, 0));

    QCOMPARE(colourRefAt(shot, QPoint(3, 2)), 0x00332211u);
    QCOMPARE(colourRefAt(shot, QPoint(7, 5)), 0x000180FFu);
    QCOMPARE(colourCaption(0x000180FF), QStringLiteral("#FF8001  255,128,1"));

    // The centre cell of the enlarged view is the pixel itself; samples past
    // the edge are drawn in the off-screen colour.
    const QImage view = renderMagnifier(shot, QPoint(7, 5), 2, 10);
    QCOMPARE(view.size(), QSize(50, 50));
    QCOMPARE(view.pixel(25, 25), qRgb(0xFF, 0x80, 0x01));
    QCOMPARE(view.pixel(45, 45), kOffScreenColour);
    QCOMPARE(view.pixel(5, 5), qRgb(0, 0, 0) | 0xFF000000u);

    const QRect area(0, 0, 200, 100);
    QCOMPARE(magnifierPlacement(QPoint(10, 10), QSize(50, 40), area).topLeft(), QPoint(30, 30));
    QCOMPARE(magnifierPlacement(QPoint(190, 95), QSize(50, 40), area).topLeft(), QPoint(120, 35));
  }

  void eyedropperWindowPicks() {
    using imbrino::pickcolor::EyedropperWindow;
    QImage shot(320, 200, QImage::Format_RGB32);
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) shot.setPixel(x, y, qRgb(x % 256, y, 128));
    EyedropperWindow window(shot);
    window.setGeometry(0, 0, 320, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QSignalSpy picked(&window, &EyedropperWindow::picked);
    QSignalSpy abandoned(&window, &EyedropperWindow::abandoned);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).value<std::uint32_t>(), 0x00801E28u);
    QTest::mouseClick(&window, Qt::RightButton, {}, QPoint(40, 30));
    QCOMPARE(picked.count(), 1);

    QTest::keyClick(&window, Qt::Key_Escape);
    QCOMPARE(abandoned.count(), 1);
    window.close();
    QCOMPARE(abandoned.count(), 2);
    QVERIFY(window.isVisible());

    window.setCursorPosition(QPoint(60, 50));
    const QString out = qEnvironmentVariable("IMBRINO_SHOTS");
    if (!out.isEmpty()) window.grab().save(out + QStringLiteral("/eyedropper.png"));
  }
  void pickColorReturnsColourUnderCursor() {
    // Something on the screen to pick: a window painted one colour.
    QWidget backdrop;
    backdrop.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
    backdrop.setPalette(palette);
    backdrop.setGeometry(0, 0, 200, 150);
    backdrop.show();
    QVERIFY(QTest::qWaitForWindowExposed(&backdrop));
    QCursor::setPos(40, 40);

    // Escape ends the picker with the colour under the cursor.
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dropper = qobject_cast<pickcolor::EyedropperWindow*>(w);
            dropper && dropper->isVisible())
          QTest::keyClick(dropper, Qt::Key_Escape);
    });
    QCOMPARE(PickColor(), 0x00563412u);

    // A click picks where it lands.
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dropper = qobject_cast<pickcolor::EyedropperWindow*>(w);
            dropper && dropper->isVisible())
          QTest::mouseClick(dropper, Qt::LeftButton, {}, QPoint(300, 300));
    });
    QCOMPARE(PickColor(), 0u);  // outside the backdrop: the empty screen is black

    // The picker's windows are gone afterwards.
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY(!qobject_cast<pickcolor::EyedropperWindow*>(w));
  }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
