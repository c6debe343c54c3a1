// The caption button bar: colour-keyed pictures, where the bar sits on its
// window, how it looks under the mouse, and when it reports a click.

#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "shared/app_context.h"
#include "gui/support/scripted_prompts.h"
#include "widgets/bitmap_helpers.h"
#include "widgets/caption_button_bar.h"
#include "widgets/donation_button.h"

using namespace imbrino;

namespace {

constexpr ColorRef kKey = 0xFF00FF;
constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kGround = 0xFF404040;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;

// A 55 x 16 button picture of one colour with a keyed two-pixel border.
QImage framedPicture(QRgb colour) {
  QImage image(55, 16, QImage::Format_RGB32);
  image.fill(kMagenta);
  for (int y = 2; y < 14; ++y)
    for (int x = 2; x < 53; ++x) image.setPixel(x, y, colour);
  return image;
}

// The pressed look: only a small block in the middle, the rest keyed.
QImage pressedPicture() {
  QImage image(55, 16, QImage::Format_RGB32);
  image.fill(kMagenta);
  for (int y = 5; y < 11; ++y)
    for (int x = 20; x < 35; ++x) image.setPixel(x, y, kBlue);
  return image;
}

// A plain mouse move, which QTest would turn into a cursor move.
void moveMouse(QWidget* widget, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton) {
  QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons, {});
  QApplication::sendEvent(widget, &event);
}

// With IMBRINO_SHOT_DIR set, keeps a picture of `widget` (or of `part` of
// it, enlarged) to look at.
void saveShot(QWidget& widget, const char* name, QRect part = {}) {
  const QByteArray folder = qgetenv("IMBRINO_SHOT_DIR");
  if (folder.isEmpty()) return;
  QImage shot = widget.grab().toImage();
  if (!part.isNull()) shot = shot.copy(part).scaled(part.size() * 4);
  shot.save(QString::fromUtf8(folder + "/" + name + ".png"));
}

}  // namespace

class CaptionButtonBarTest : public QObject {
  Q_OBJECT

 private slots:
  void keyedDrawingLeavesKeyPixelsAndClips() {
    QImage target(4, 3, QImage::Format_RGB32);
    target.fill(kGround);
    QImage bitmap(3, 2, QImage::Format_RGB32);
    bitmap.fill(kRed);
    bitmap.setPixel(0, 0, kMagenta);
    bitmap.setPixel(1, 0, 0xFFFE00FF);            // one step from the key: drawn
    drawTransparent(target, bitmap, 2, 2, kKey);  // only the top row lands
    QCOMPARE(target.pixel(2, 2), kGround);
    QCOMPARE(target.pixel(3, 2), 0xFFFE00FFu);
    QCOMPARE(target.pixel(1, 2), kGround);
    drawTransparent(target, bitmap, -2, -1, kKey);  // only bitmap (2, 1) lands, at (0, 0)
    QCOMPARE(target.pixel(0, 0), kRed);
    QCOMPARE(target.pixel(1, 0), kGround);
    drawTransparent(target, bitmap, 1 << 30, 1 << 30, kKey);  // far off: nothing, no crash

    // On a clear canvas the key leaves transparency for the window to show.
    QImage canvas(3, 2, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    drawTransparent(canvas, bitmap, 0, 0, kKey);
    QCOMPARE(qAlpha(canvas.pixel(0, 0)), 0);
    QCOMPARE(canvas.pixel(2, 1), kRed);
  }

  void overlayKeepsBaseSizeAndNeedsBothPictures() {
    QImage base(3, 1, QImage::Format_RGB32);
    base.setPixel(0, 0, kRed);
    base.setPixel(1, 0, kRed);
    base.setPixel(2, 0, kMagenta);
    QImage overlay(5, 2, QImage::Format_RGB32);
    overlay.fill(kMagenta);
    overlay.setPixel(1, 0, kGreen);
    const auto hot = overlayBitmaps(&base, &overlay, kKey);
    QVERIFY(hot);
    QCOMPARE(hot->size(), QSize(3, 1));
    QCOMPARE(hot->pixel(0, 0), kRed);
    QCOMPARE(hot->pixel(1, 0), kGreen);
    QCOMPARE(hot->pixel(2, 0), kMagenta);

    const QImage null;
    QVERIFY(!overlayBitmaps(nullptr, &overlay, kKey));
    QVERIFY(!overlayBitmaps(&base, nullptr, kKey));
    QVERIFY(!overlayBitmaps(&base, &null, kKey));
  }

  void secondButtonWithSameIdChangesNothing() {
    CaptionButtonBar bar;
    bar.setSlotOffset(2);
    QVERIFY(bar.addButton(1, std::nullopt, framedPicture(kRed), QStringLiteral("one")));
    const QSize size = bar.sizeHint();
    QVERIFY(!bar.addButton(1, framedPicture(kGreen), framedPicture(kBlue), QStringLiteral("two")));
    QCOMPARE(bar.buttonCount(), 1);
    QCOMPARE(bar.sizeHint(), size);
    QCOMPARE(bar.toolTipAt(bar.slotRect(0).center()), QStringLiteral("one"));

    // Inserting in front moves the first button one slot further from the
    // right edge; the bar grows by a slot.
    const int firstFromRight = bar.width() - bar.slotRect(0).x();
    QVERIFY(bar.addButton(2, std::nullopt, framedPicture(kBlue), QStringLiteral("front"), 0));
    QCOMPARE(bar.buttonId(0), 2);
    QCOMPARE(bar.width(), size.width() + CaptionButtonBar::kSlotWidth);
    QCOMPARE(bar.width() - bar.slotRect(1).x(), firstFromRight + CaptionButtonBar::kSlotWidth);
  }

  void clickIsPostedOnlyForReleaseOnTheSameButton() {
    QDialog host;
    host.resize(300, 200);
    CaptionButtonBar bar(&host);
    bar.attach(&host);
    bar.setSlotOffset(2);
    bar.addButton(7, std::nullopt, framedPicture(kRed), QString());
    bar.addButton(8, std::nullopt, framedPicture(kGreen), QString());
    host.show();
    QSignalSpy clicks(&bar, &CaptionButtonBar::buttonClicked);
    const QPoint inside = bar.slotRect(0).center();

    QTest::mousePress(&bar, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, inside);
    QCOMPARE(clicks.count(), 0);  // posted, not sent from the mouse handler
    QCoreApplication::processEvents();
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), 7);
    QCOMPARE(clicks.at(0).at(1).toPoint(), bar.mapToGlobal(inside));

    // Released beside the button, or on its neighbour: nothing.
    QTest::mousePress(&bar, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(inside.x(), bar.height() + 30));
    QTest::mousePress(&bar, Qt::LeftButton, {}, inside);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, bar.slotRect(1).center());
    QCoreApplication::processEvents();
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(bar.pressedIndex(), -1);
  }

  void hotAndPressedLooks() {
    QDialog host;
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kGround));
    host.setPalette(palette);
    host.resize(240, 120);
    CaptionButtonBar bar(&host);
    bar.attach(&host);
    bar.setSlotOffset(2);
    bar.setColourKey(kKey);
    bar.setPressedImage(pressedPicture());
    bar.addButton(1, framedPicture(kGreen), framedPicture(kRed), QStringLiteral("tip"));
    host.show();

    const QRect image = bar.imageRect(0);
    const QPoint middle = bar.mapTo(&host, image.topLeft() + QPoint(27, 8));
    const QPoint side = bar.mapTo(&host, image.topLeft() + QPoint(5, 8));
    const QPoint border = bar.mapTo(&host, image.topLeft());
    auto at = [&](QPoint p) { return host.grab().toImage().pixel(p); };

    QCOMPARE(at(middle), kRed);
    QCOMPARE(at(border), kGround);  // the key shows the window through
    moveMouse(&bar, bar.slotRect(0).center());
    QCOMPARE(bar.hotIndex(), 0);
    QCOMPARE(at(middle), kGreen);
    saveShot(host, "bar_hot");

    QTest::mousePress(&bar, Qt::LeftButton, {}, bar.slotRect(0).center());
    QCOMPARE(at(middle), kBlue);
    QCOMPARE(at(side), kGreen);
    saveShot(host, "bar_pressed");
    moveMouse(&bar, QPoint(0, 60), Qt::LeftButton);  // dragged away: pressed, no longer hot
    QCOMPARE(at(middle), kBlue);
    QCOMPARE(at(side), kRed);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(0, 60));
    QCOMPARE(at(middle), kRed);
  }

  void sitsInTheMenuBarCornerOrAtTheTopRight() {
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("文件(&F)"));
    window.setCentralWidget(new QLabel(QStringLiteral("picture")));
    window.resize(400, 300);
    CaptionButtonBar bar(&window);
    installDonationButton(bar, &window, 4);
    window.show();
    QCOMPARE(window.menuBar()->cornerWidget(Qt::TopRightCorner), &bar);
    QCOMPARE(bar.size(), bar.sizeHint());
    QVERIFY(window.menuBar()->geometry().contains(bar.mapTo(&window, bar.slotRect(0).center())));
    QVERIFY(bar.mapTo(window.menuBar(), QPoint(bar.width(), 0)).x() >=
            window.menuBar()->width() - 8);
    QCOMPARE(bar.toolTipAt(bar.slotRect(0).center()), QStringLiteral("捐赠作者"));
    QCOMPARE(bar.imageRect(0).size(), QSize(55, 16));  // the pictures are built in
    saveShot(window, "bar_main_window");
    const QRect corner(window.width() - 160, 0, 160, window.menuBar()->height());
    moveMouse(&bar, bar.slotRect(0).center());
    saveShot(window, "bar_main_window_hot", corner);
    QTest::mousePress(&bar, Qt::LeftButton, {}, bar.slotRect(0).center());
    saveShot(window, "bar_main_window_pressed", corner);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(-50, 0));

    QDialog dialog;
    dialog.resize(300, 200);
    CaptionButtonBar dialogBar(&dialog);
    installDonationButton(dialogBar, &dialog, 2);
    auto* late = new QLabel(QStringLiteral("made after the bar"), &dialog);
    late->setGeometry(0, 0, 300, 40);
    dialog.show();
    QCOMPARE(dialogBar.geometry().topRight(), QPoint(299, 0));
    const QPoint slotCentre = dialogBar.mapTo(&dialog, dialogBar.slotRect(0).center());
    QCOMPARE(dialog.childAt(slotCentre), &dialogBar);
    // The empty slots are not the bar's: the label beneath gets the mouse.
    QCOMPARE(dialog.childAt(QPoint(298, 2)), late);
    dialog.resize(420, 200);
    QCOMPARE(dialogBar.geometry().topRight(), QPoint(419, 0));
    saveShot(dialog, "bar_dialog");
  }

  void barAttachedToAShownWindowGetsItsRoom() {
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("文件(&F)"));
    window.resize(400, 300);
    window.show();
    CaptionButtonBar bar(&window);
    installDonationButton(bar, &window, 2);
    QCoreApplication::processEvents();
    QCOMPARE(bar.size(), bar.sizeHint());
    QVERIFY(bar.isVisible());
    QCOMPARE(bar.mapTo(window.menuBar(), QPoint(bar.width(), 0)).x(), window.menuBar()->width());
  }

  void donationClickOpensTheDonationPage() {
    ScriptedPrompts prompts;
    EditingTemplate editing;
    PictureState picture;
    AppContext context{prompts,
                       SettingsFile(std::string()),
                       editing,
                       picture,
                       {QStringLiteral("https://home"), QStringLiteral("https://donate")},
                       QString()};
    QDialog host;
    host.resize(300, 200);
    CaptionButtonBar bar(&host);
    connectDonationButton(bar, &host, 2, context);
    host.show();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.slotRect(0).center());
    QCoreApplication::processEvents();
    QCOMPARE(prompts.openedUrls, QStringList{QStringLiteral("https://donate")});
    emit bar.buttonClicked(2, QPoint());  // another button of the bar: not the donation page
    QCOMPARE(prompts.openedUrls.size(), 1);
  }
};

QTEST_MAIN(CaptionButtonBarTest)
#include "caption_button_bar_test.moc"
