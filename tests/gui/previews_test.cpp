// The two preview windows: a template object fitted into a framed box, and a
// picture file shown at its own size.

#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "image/image_io.h"
#include "platform/gbk.h"
#include "widgets/image_preview_dialog.h"
#include "widgets/object_preview.h"

using namespace imbrino;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;

void saveShot(QWidget& widget, const char* name) {
  const QByteArray folder = qgetenv("IMBRINO_SHOT_DIR");
  if (!folder.isEmpty()) widget.grab().save(QString::fromUtf8(folder + "/" + name + ".png"));
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint screenPos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent event(type, widget->mapFromGlobal(screenPos), screenPos, button, buttons, {});
  QApplication::sendEvent(widget, &event);
}

// A picture with a different colour in each quarter.
Surface quarters(int width, int height) {
  Surface surface = *Surface::create(width, height);
  surface.fillRect({0, 0, width / 2, height / 2}, makePixel(255, 0, 0));
  surface.fillRect({width / 2, 0, width - width / 2, height / 2}, makePixel(0, 255, 0));
  surface.fillRect({0, height / 2, width / 2, height - height / 2}, makePixel(0, 0, 255));
  surface.fillRect({width / 2, height / 2, width - width / 2, height - height / 2},
                   makePixel(255, 255, 0));
  return surface;
}

// A preview whose window system can move windows: it counts the moves it was
// asked to start, and (as a window manager does) takes the mouse from then on.
class SystemMovedPreview : public ImagePreviewDialog {
 public:
  using ImagePreviewDialog::ImagePreviewDialog;
  int systemMoves = 0;

 protected:
  bool startWindowSystemMove() override {
    ++systemMoves;
    return true;
  }
};

}  // namespace

class PreviewsTest : public QObject {
  Q_OBJECT

 private slots:
  void objectsAreFittedIntoTheBox() {
    const QSize box(100, 80);
    QCOMPARE(ObjectPreview::previewRect({300, 100}, box), QRect(0, 23, 100, 33));
    QCOMPARE(ObjectPreview::previewRect({10, 10}, box), QRect(45, 35, 10, 10));
    QCOMPARE(ObjectPreview::previewRect({50, 200}, box), QRect(40, 0, 20, 80));
    QCOMPARE(ObjectPreview::previewRect({100, 80}, box), QRect(0, 0, 100, 80));
    QCOMPARE(ObjectPreview::previewRect({200, 200}, box), QRect(10, 0, 80, 80));
    // Degenerate sizes from a damaged template: no division trouble.
    QCOMPARE(ObjectPreview::previewRect({500, 0}, box), QRect(0, 40, 100, 0));
    QCOMPARE(ObjectPreview::previewRect({0, 500}, box), QRect(50, 0, 0, 80));
    QCOMPARE(ObjectPreview::previewRect({-5, -5}, box), QRect(50, 40, 0, 0));
  }

  void pictureIsStretchedWithoutItsEffects() {
    PictureObject picture;
    picture.picture = quarters(4, 4);
    picture.sourceWidth = 4;
    picture.sourceHeight = 4;
    picture.width = 50;
    picture.height = 200;
    // Neither the key nor the opacity show in the preview.
    picture.transparent = 1;
    picture.transparentColour = 0x0000FF;
    picture.alpha = 40;
    ObjectPreview preview;
    preview.resize(100, 80);
    preview.setPictureObject(&picture);
    const QImage shot = preview.grab().toImage();
    saveShot(preview, "preview_picture");
    QCOMPARE(shot.pixel(45, 20), 0xFFFF0000u);
    QCOMPARE(shot.pixel(55, 20), 0xFF00FF00u);
    QCOMPARE(shot.pixel(45, 60), 0xFF0000FFu);
    QCOMPARE(shot.pixel(20, 40), kWhite);
    // The frame is drawn over the picture where they meet.
    QCOMPARE(shot.pixel(45, 0), kBlack);
    QCOMPARE(shot.pixel(99, 79), kBlack);
  }

  void textIsBlackOnWhiteAtTheFittedSize() {
    TextObject text;
    text.setText(utf8ToGbk("预览文字 Preview").value());
    text.font.lfHeight = 40;
    text.textColour = 0x0000FF;  // red
    text.backColour = 0x00FF00;  // green
    text.alpha = 100;
    ObjectPreview preview;
    preview.resize(100, 80);
    preview.setTextObject(&text);
    const QSize measured = preview.objectSize();
    QVERIFY(measured.width() > 100);
    const QRect shown = ObjectPreview::previewRect(measured, preview.size());
    const QImage shot = preview.grab().toImage();
    saveShot(preview, "preview_text");
    int dark = 0;
    for (int y = 1; y < 79; ++y) {
      for (int x = 1; x < 99; ++x) {
        const QRgb p = shot.pixel(x, y);
        QCOMPARE(qRed(p), qGreen(p));  // greys only: the object's colours are not shown
        if (qGray(p) < 128) {
          QVERIFY(shown.contains(x, y));
          ++dark;
        }
      }
    }
    QVERIFY(dark > 20);
  }

  void imagePreviewIsThePictureAtItsOwnSize() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("照片 [*] 1.png"));
    QVERIFY(saveBitmapByExtension(quarters(120, 90), path.toStdString()));
    ImagePreviewDialog dialog(path);
    QCOMPARE(dialog.windowTitle(), QString(path).replace("[*]", "[*][*]"));
    dialog.open();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.size(), QSize(120, 90));
    QCOMPARE(dialog.windowHandle()->title(), path);
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    const QRect screen = dialog.screen()->geometry();
    QCOMPARE(dialog.pos(),
             screen.topLeft() + QPoint((screen.width() - 120) / 2, (screen.height() - 90) / 2));
    const QImage shot = dialog.grab().toImage();
    saveShot(dialog, "image_preview");
    QCOMPARE(shot.pixel(0, 0), 0xFFFF0000u);
    QCOMPARE(shot.pixel(119, 89), 0xFFFFFF00u);

    // Dragging anywhere moves the window with the mouse.
    const QPoint start = dialog.mapToGlobal(QPoint(10, 10));
    const QPoint before = dialog.pos();
    sendMouse(&dialog, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(dialog.cursor().shape(), Qt::SizeAllCursor);
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(-7, 45), Qt::NoButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseButtonRelease, start + QPoint(-7, 45), Qt::LeftButton,
              Qt::NoButton);
    QCOMPARE(dialog.pos(), before + QPoint(-7, 45));
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);

    QTest::mouseDClick(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void aMoveStartsOnlyAfterTheMouseHasTravelled() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("a.bmp"));
    QVERIFY(saveBitmapByExtension(quarters(120, 90), path.toStdString()));
    SystemMovedPreview dialog(path);
    dialog.open();
    const QPoint before = dialog.pos();
    const QPoint start = dialog.mapToGlobal(QPoint(20, 20));
    const int near = QApplication::startDragDistance() - 1;

    // A double click as the window system delivers it: no move is started,
    // so the second press arrives, and it closes the window.
    sendMouse(&dialog, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(near, 0), Qt::NoButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
    sendMouse(&dialog, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(dialog.systemMoves, 0);
    QCOMPARE(dialog.pos(), before);
    sendMouse(&dialog, QEvent::MouseButtonDblClick, start, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // Pressed and carried the drag distance, the window system takes over
    // the move, once; the window is not also moved by hand.
    dialog.open();
    sendMouse(&dialog, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(0, near + 1), Qt::NoButton,
              Qt::LeftButton);
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(40, 40), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(dialog.systemMoves, 1);
    QCOMPARE(dialog.pos(), before);
    // The system's move ends without a release reaching the window.
    sendMouse(&dialog, QEvent::MouseMove, start + QPoint(40, 40), Qt::NoButton, Qt::NoButton);
    QCOMPARE(dialog.cursor().shape(), Qt::ArrowCursor);
  }

  void unreadablePictureClosesAtOnce() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("broken.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    for (const QString& tried : {path, folder.filePath(QStringLiteral("missing.bmp"))}) {
      ImagePreviewDialog dialog(tried);
      bool timedOut = false;
      QTimer::singleShot(2000, &dialog, [&] {
        timedOut = true;
        dialog.reject();
      });
      QCOMPARE(dialog.exec(), int(QDialog::Rejected));
      QVERIFY(!timedOut);
      dialog.show();  // shown without exec: closes too
      QVERIFY(!dialog.isVisible());
    }
  }
};

QTEST_MAIN(PreviewsTest)
#include "previews_test.moc"
