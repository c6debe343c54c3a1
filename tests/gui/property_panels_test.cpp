// The editor's property panels: what each control writes into the template,
// the number fields' ranges and fallbacks, colours, faces and sizes, and where
// the panels stand.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <fstream>

#include "editor/panel_host.h"
#include "editor/property_bk.h"
#include "editor/property_image.h"
#include "editor/property_panel.h"
#include "editor/property_text.h"
#include "gui/support/app_fixture.h"
#include "platform/gbk.h"
#include "template/template_document.h"
#include "text/font_resolver.h"
#include "widgets/color_swatch.h"
#include "widgets/control_id.h"

using namespace imbrino;
using imbrino::test::AppFixture;

namespace {

class FakeHost final : public PanelHost {
 public:
  int changes = 0;
  int sizeChanges = 0;
  QRect client{100, 50, 900, 600};
  void templateChangedByPanel(MergeKey) override { ++changes; }
  void backgroundSizeChanged() override { ++sizeChanges; }
  QRect editorClientOnScreen() const override { return client; }
  void giveKeyboardToCanvas() override {}
};

template <typename T = QWidget>
T* control(QWidget& panel, int id) {
  T* found = findControl<T>(panel, id);
  if (found == nullptr) qFatal("no control c%d", id);
  return found;
}

// Types into a field as the user does: select all, then the keys.
void typeInto(QWidget& panel, int id, const QString& keys) {
  auto* edit = control<QLineEdit>(panel, id);
  edit->setFocus();
  edit->selectAll();
  if (keys.isEmpty())
    QTest::keyClick(edit, Qt::Key_Delete);
  else
    QTest::keyClicks(edit, keys);
}

void spin(QWidget& panel, int id, bool up) {
  auto* arrows = control<SpinArrows>(panel, id);
  QTest::mouseClick(up ? arrows->upButton() : arrows->downButton(), Qt::LeftButton);
}

const QString kNumberMessage = QStringLiteral("请键入一个整数。");

std::string gbk(const char* utf8) {
  return utf8ToGbk(utf8).value();
}
QString shownText(const TextObject& t) {
  return QString::fromStdString(gbkToUtf8(t.textBytes()));
}

PictureObject& addPicture(Template& document, int sourceWidth, int sourceHeight) {
  auto picture = std::make_unique<PictureObject>();
  picture->sourceWidth = picture->width = sourceWidth;
  picture->sourceHeight = picture->height = sourceHeight;
  picture->imageType = 4;
  document.pictureObjects.push_back(std::move(picture));
  return *document.pictureObjects.back();
}

}  // namespace

class PropertyPanelsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppFixture> app_;
  FakeHost host_;
  QWidget editor_;

  Template& document() { return app_->editing.document; }
  void writeSettings(const std::string& text) {
    std::ofstream(app_->context.settings.path()) << text;
  }

 private slots:
  void init() {
    app_ = std::make_unique<AppFixture>();
    host_ = FakeHost();
  }

  // -- placement -------------------------------------------------------------

  void placementRule_data() {
    QTest::addColumn<int>("x");  // -1: absent
    QTest::addColumn<int>("y");
    QTest::addColumn<QPoint>("expected");
    // Desktop 1280 x 800, editor client (100, 50) 900 x 600, panel 400 wide.
    QTest::newRow("absent") << -1 << -1 << QPoint(600, 50);
    QTest::newRow("stored") << 30 << 40 << QPoint(30, 40);
    QTest::newRow("at the edges") << 1280 << 800 << QPoint(1280, 800);
    QTest::newRow("beyond the width") << 1281 << 40 << QPoint(600, 40);
    QTest::newRow("beyond the height") << 30 << 801 << QPoint(30, 50);
    QTest::newRow("far beyond") << 100000 << 100000 << QPoint(600, 50);
    QTest::newRow("negative as is") << -20 << -5 << QPoint(-20, -5);
  }
  void placementRule() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QPoint, expected);
    auto stored = [](int v) { return v == -1 ? std::nullopt : std::optional<int>(v); };
    QCOMPARE(panelPlacement(stored(x), stored(y), QRect(0, 0, 1280, 800), host_.client, 400),
             expected);
  }

  // A panel stores where its frame stood when it goes, but only once it was
  // shown: one never shown leaves the stored place as it was.
  void panelsPlaceThemselvesAndRememberWhereTheyStood() {
    const QRect desktop = editor_.screen()->virtualGeometry();
    const std::string beyond = std::to_string(desktop.right() + 50);
    writeSettings("[PropertyBK]\nX=" + beyond + "\nY=-7\n");
    {
      PropertyBK panel(app_->context, host_, &editor_);
      QVERIFY(!panel.isVisible());
      QCOMPARE(panel.pos(), QPoint(host_.client.right() + 1 - panel.width(), -7));
      QCOMPARE(panel.windowTitle(), QStringLiteral("背景属性"));
      QCOMPARE(panel.minimumSize(), panel.maximumSize());
      QVERIFY(panel.windowFlags() & Qt::Tool);
      QVERIFY(!(panel.windowFlags() & Qt::WindowCloseButtonHint));
      panel.move(30, 44);
    }
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "X"), std::optional(beyond));
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "Y"),
             std::optional<std::string>("-7"));
    {
      PropertyBK panel(app_->context, host_, &editor_);
      panel.show();
      QVERIFY(QTest::qWaitForWindowExposed(&panel));
      panel.move(30, 44);
      panel.hide();
    }
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "X"),
             std::optional<std::string>("30"));
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "Y"),
             std::optional<std::string>("44"));
    PropertyBK again(app_->context, host_, &editor_);
    QCOMPARE(again.pos(), QPoint(30, 44));
  }

  void enterEscapeAndCloseRequestsDoNothing() {
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(control<QLineEdit>(panel, kBackgroundWidth), key);
      QTest::keyClick(control<QPushButton>(panel, kBackgroundChoose), key);
    }
    QVERIFY(panel.isVisible());
    QCOMPARE(app_->prompts.colourDialogs, 0);
    QCOMPARE(host_.changes, 0);
  }

  // -- background ------------------------------------------------------------

  void backgroundSize_data() {
    QTest::addColumn<BackgroundControl>("field");
    QTest::addColumn<QString>("typed");  // "up" / "down": a spin arrow
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("message");
    QTest::newRow("width typed") << kBackgroundWidth << "640" << 300 << 640 << false;
    QTest::newRow("width 4000") << kBackgroundWidth << "4000" << 300 << 4000 << false;
    QTest::newRow("width 4001") << kBackgroundWidth << "4001" << 300 << 250 << false;
    QTest::newRow("width 0") << kBackgroundWidth << "0" << 300 << 250 << false;
    QTest::newRow("width 1") << kBackgroundWidth << "1" << 300 << 1 << false;
    // The first 0 already falls back; the digits after it go on from 250.
    QTest::newRow("width 07") << kBackgroundWidth << "07" << 300 << 2507 << false;
    QTest::newRow("width huge") << kBackgroundWidth << "99999999999999" << 300 << 250 << false;
    QTest::newRow("width emptied") << kBackgroundWidth << "" << 300 << 300 << true;
    QTest::newRow("height 3000") << kBackgroundHeight << "3000" << 300 << 3000 << false;
    QTest::newRow("height 3001") << kBackgroundHeight << "3001" << 300 << 250 << false;
    QTest::newRow("height emptied") << kBackgroundHeight << "" << 321 << 321 << true;
    QTest::newRow("width up") << kBackgroundWidthSpin << "up" << 300 << 301 << false;
    QTest::newRow("width down") << kBackgroundWidthSpin << "down" << 300 << 299 << false;
    QTest::newRow("width up at 4000") << kBackgroundWidthSpin << "up" << 4000 << 250 << false;
    QTest::newRow("width down at 1") << kBackgroundWidthSpin << "down" << 1 << 250 << false;
    QTest::newRow("height up at 3000") << kBackgroundHeightSpin << "up" << 3000 << 250 << false;
    QTest::newRow("height down at 1") << kBackgroundHeightSpin << "down" << 1 << 250 << false;
    QTest::newRow("height up at 2999") << kBackgroundHeightSpin << "up" << 2999 << 3000 << false;
  }
  void backgroundSize() {
    QFETCH(BackgroundControl, field);
    QFETCH(QString, typed);
    QFETCH(int, start);
    QFETCH(int, expected);
    QFETCH(bool, message);
    const bool isWidth = field == kBackgroundWidth || field == kBackgroundWidthSpin;
    TemplateBackground& b = document().background;
    (isWidth ? b.width : b.height) = start;
    const int other = isWidth ? b.height : b.width;
    PropertyBK panel(app_->context, host_, &editor_);
    panel.loadFromBackground();
    panel.show();
    const bool arrow = field == kBackgroundWidthSpin || field == kBackgroundHeightSpin;
    if (arrow)
      spin(panel, field, typed == QLatin1String("up"));
    else
      typeInto(panel, field, typed);

    QCOMPARE(isWidth ? b.width : b.height, expected);
    QCOMPARE(isWidth ? b.height : b.width, other);
    QCOMPARE(control<QLineEdit>(panel, isWidth ? kBackgroundWidth : kBackgroundHeight)->text(),
             QString::number(expected));
    QCOMPARE(app_->prompts.messageTexts(), message ? QStringList{kNumberMessage} : QStringList{});
    // One change per key (or arrow press), each reported.
    const int steps = arrow ? 1 : std::max(1, static_cast<int>(typed.size()));
    QCOMPARE(host_.changes, steps);
    QCOMPARE(host_.sizeChanges, steps);
  }

  void typingShowsEachStep() {
    // The fallback applies as soon as the fourth digit makes the width too wide.
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    typeInto(panel, kBackgroundWidth, QStringLiteral("4001"));
    QCOMPARE(host_.changes, 4);
    QCOMPARE(document().background.width, 250);
    QCOMPARE(control<QLineEdit>(panel, kBackgroundWidth)->text(), QStringLiteral("250"));
    // Only digits reach the field.
    typeInto(panel, kBackgroundHeight, QStringLiteral("-1x2"));
    QCOMPARE(document().background.height, 12);
  }

  void backgroundColourTransparencyAndAlpha() {
    TemplateBackground& b = document().background;
    b.colour = 0x00112233;
    b.alpha = 77;
    b.transparent = 1;
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    auto* swatch = control<ColorSwatch>(panel, kBackgroundColour);
    QCOMPARE(swatch->colour(), 0x00112233u);
    QCOMPARE(control<QSlider>(panel, kBackgroundAlpha)->value(), 77);
    QCOMPARE(control<QLabel>(panel, kBackgroundAlphaNumber)->text(), QStringLiteral("77"));
    QVERIFY(control<QCheckBox>(panel, kBackgroundTransparent)->isChecked());

    // A cancelled colour dialog changes nothing and tells nobody.
    QTest::mouseClick(control<QPushButton>(panel, kBackgroundChoose), Qt::LeftButton);
    QCOMPARE(app_->prompts.colourDialogs, 1);
    QCOMPARE(b.colour, 0x00112233u);
    QCOMPARE(host_.changes, 0);

    app_->prompts.colourAnswers.push_back(0x00445566);
    QTest::mouseClick(control<QPushButton>(panel, kBackgroundChoose), Qt::LeftButton);
    QCOMPARE(b.colour, 0x00445566u);
    QCOMPARE(swatch->colour(), 0x00445566u);
    QCOMPARE(host_.changes, 1);

    app_->prompts.pickedColours.push_back(0x00010203);
    QTest::mouseClick(control<QPushButton>(panel, kBackgroundPick), Qt::LeftButton);
    QCOMPARE(b.colour, 0x00010203u);
    QCOMPARE(swatch->colour(), 0x00010203u);
    QCOMPARE(host_.changes, 2);

    QTest::mouseClick(control<QCheckBox>(panel, kBackgroundTransparent), Qt::LeftButton);
    QCOMPARE(b.transparent, 0);
    QCOMPARE(host_.changes, 3);

    QTest::keyClick(control<QSlider>(panel, kBackgroundAlpha), Qt::Key_Right);
    QCOMPARE(b.alpha, 78);
    QCOMPARE(control<QLabel>(panel, kBackgroundAlphaNumber)->text(), QStringLiteral("78"));
    QCOMPARE(host_.changes, 4);
    QCOMPARE(host_.sizeChanges, 0);

    // Loading again shows the template as it now is, and reports nothing.
    b.alpha = 5;
    panel.loadFromBackground();
    QCOMPARE(control<QSlider>(panel, kBackgroundAlpha)->value(), 5);
    QCOMPARE(host_.changes, 4);
  }

  // -- text ------------------------------------------------------------------

  void fittingTheTextField_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<int>("fittedCursor");
    const QString full = QString(129, u'中');  // 258 bytes
    QTest::newRow("plain typing") << "ab"
                                  << "abc" << 3 << "abc"
                                  << "" << false << 3;
    QTest::newRow("Chinese") << ""
                             << "文字" << 2 << "文字"
                             << "" << false << 2;
    QTest::newRow("not in GBK") << "ab"
                                << "a😀b" << 3 << "ab"
                                << "😀" << false << 1;
    QTest::newRow("damaged text cleaned") << "\uFFFDx"
                                          << "\uFFFDxy" << 3 << "xy"
                                          << "\uFFFD" << false << 2;
    QTest::newRow("fills to 259") << full << full + "a" << 130 << full + "a"
                                  << "" << false << 130;
    QTest::newRow("a full field takes no more") << full + "a" << full + "ab" << 131 << full + "a"
                                                << "" << true << 130;
    QTest::newRow("two bytes where one is left")
        << full << full + "中" << 130 << full << "" << true << 129;
    QTest::newRow("paste in the middle is cut")
        << "ab"
        << "a" + full + "b" << 130 << "a" + QString(128, u'中') + "b"
        << "" << true << 129;
    QTest::newRow("deleting") << "abc"
                              << "ac" << 1 << "ac"
                              << "" << false << 1;
  }
  void fittingTheTextField() {
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(int, cursor);
    QFETCH(QString, text);
    QFETCH(QString, removed);
    QFETCH(bool, cut);
    QFETCH(int, fittedCursor);
    const FittedText fitted = fitTemplateText(before, after, cursor);
    QCOMPARE(fitted.text, text);
    QCOMPARE(fitted.removed, removed);
    QCOMPARE(fitted.cut, cut);
    QCOMPARE(fitted.cursor, fittedCursor);
    QCOMPARE(fitted.gbk, utf8ToGbk(text.toStdString()).value());
    QVERIFY(fitted.gbk.size() <= kMaxTextBytes);
  }

  void textPanelShowsAndWritesTheObject() {
    addTextObject(document());
    addTextObject(document());
    TextObject& t = document().textObjects[1];
    t.setText(gbk("水印"));
    t.font.lfWeight = 600;
    t.font.lfUnderline = 1;
    t.textColour = 0x000000FF;
    t.backColour = 0x00FF0000;
    t.alpha = 128;
    PropertyText panel(app_->context, host_, &editor_);
    QVERIFY(control<QComboBox>(panel, kTextSize)->count() == 0);  // nothing bound yet
    QCOMPARE(control<QLineEdit>(panel, kTextContent)->toolTip(),
             QStringLiteral("输入文字时,最多只能输入260个字符"));
    QCOMPARE(panel.windowTitle(), QStringLiteral("文字属性"));
    panel.bind(1);
    panel.loadFromObject();
    panel.show();
    QCOMPARE(control<QLineEdit>(panel, kTextContent)->text(), QStringLiteral("水印"));
    QVERIFY(control<QCheckBox>(panel, kTextBold)->isChecked());  // any weight but 400
    QVERIFY(!control<QCheckBox>(panel, kTextItalic)->isChecked());
    QVERIFY(control<QCheckBox>(panel, kTextUnderline)->isChecked());
    QCOMPARE(control<ColorSwatch>(panel, kTextColour)->colour(), 0x000000FFu);
    QCOMPARE(control<ColorSwatch>(panel, kTextBackColour)->colour(), 0x00FF0000u);
    QCOMPARE(control<QLabel>(panel, kTextAlphaNumber)->text(), QStringLiteral("128"));
    QCOMPARE(control<QComboBox>(panel, kTextFace)->currentText(), QStringLiteral("宋体"));

    auto click = [&](int id) { QTest::mouseClick(control<QWidget>(panel, id), Qt::LeftButton); };
    click(kTextBold);
    QCOMPARE(t.font.lfWeight, 400);
    click(kTextBold);
    QCOMPARE(t.font.lfWeight, 700);
    click(kTextItalic);
    click(kTextUnderline);
    click(kTextStrikeOut);
    click(kTextTransparent);
    QCOMPARE(t.font.lfItalic, 1);
    QCOMPARE(t.font.lfUnderline, 0);
    QCOMPARE(t.font.lfStrikeOut, 1);
    QCOMPARE(t.transparentBack, 1);
    QCOMPARE(host_.changes, 6);

    // Colours: a cancelled dialog changes and reports nothing; the eyedropper applies.
    click(kTextColourChoose);
    click(kTextBackChoose);
    QCOMPARE(app_->prompts.colourDialogs, 2);
    QCOMPARE(host_.changes, 6);
    app_->prompts.colourAnswers = {0x00111111, 0x00222222};
    click(kTextColourChoose);
    click(kTextBackChoose);
    app_->prompts.pickedColours = {0x00333333, 0x00444444};
    QCOMPARE(t.textColour, 0x00111111u);
    QCOMPARE(t.backColour, 0x00222222u);
    click(kTextBackPick);
    QCOMPARE(t.backColour, 0x00333333u);
    click(kTextColourPick);
    QCOMPARE(t.textColour, 0x00444444u);
    QCOMPARE(control<ColorSwatch>(panel, kTextColour)->colour(), 0x00444444u);
    QCOMPARE(host_.changes, 10);

    QTest::keyClick(control<QSlider>(panel, kTextAlpha), Qt::Key_Left);
    QCOMPARE(t.alpha, 127);
    QCOMPARE(control<QLabel>(panel, kTextAlphaNumber)->text(), QStringLiteral("127"));

    // The text: typed characters go in as GBK; one GBK lacks is taken out and
    // named in a balloon at the field, which leaves the keyboard there: what
    // is typed next lands in the field.
    QLineEdit* text = control<QLineEdit>(panel, kTextContent);
    text->setFocus();
    text->end(false);
    QTest::keyClicks(text, QStringLiteral("ab"));
    QCOMPARE(t.textBytes(), gbk("水印ab"));
    // As an input method delivers it: the key carries the text.
    QKeyEvent emoji(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("😀"));
    QApplication::sendEvent(text, &emoji);
    QCOMPARE(text->text(), QStringLiteral("水印ab"));
    QVERIFY(QToolTip::isVisible());
    QVERIFY(QToolTip::text().contains(QStringLiteral("😀")));
    QTest::keyClicks(text, QStringLiteral("©2024"));
    QCOMPARE(text->text(), QStringLiteral("水印ab2024"));
    QCOMPARE(t.textBytes(), gbk("水印ab2024"));
    QVERIFY(QToolTip::text().contains(QStringLiteral("©")));
    QVERIFY(app_->prompts.messages.empty());
    // The first object was never touched.
    QCOMPARE(shownText(document().textObjects[0]), QStringLiteral("文字内容"));
  }

  void sizeList_data() {
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("selected");
    QTest::newRow("12") << 12 << 11;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("1000") << 1000 << 999;
    QTest::newRow("1001") << 1001 << -1;
    QTest::newRow("0") << 0 << -1;
    QTest::newRow("em height") << -16 << -1;
  }
  void sizeList() {
    QFETCH(int, height);
    QFETCH(int, selected);
    addTextObject(document());
    TextObject& t = document().textObjects[0];
    t.font.lfHeight = height;
    PropertyText panel(app_->context, host_, &editor_);
    panel.bind(0);
    for (int i = 0; i < 3; ++i) panel.loadFromObject();
    auto* sizes = control<QComboBox>(panel, kTextSize);
    QCOMPARE(sizes->count(), 1000);
    QCOMPARE(sizes->itemText(0), QStringLiteral("1"));
    QCOMPARE(sizes->itemText(999), QStringLiteral("1000"));
    QCOMPARE(sizes->currentIndex(), selected);
    if (selected < 0) return;
    panel.show();
    sizes->setFocus();
    QTest::keyClick(sizes, selected == 999 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(t.font.lfHeight, selected == 999 ? 999 : height + 1);
    QCOMPARE(host_.changes, 1);
  }

  void faceNotInstalledIsKept() {
    addTextObject(document());
    TextObject& t = document().textObjects[0];
    const std::string missing = gbk("不存在的字体Zq");
    t.font.setFaceNameBytes(missing);
    PropertyText panel(app_->context, host_, &editor_);
    panel.bind(0);
    panel.loadFromObject();
    panel.show();
    auto* faces = control<QComboBox>(panel, kTextFace);
    QCOMPARE(faces->currentText(),
             PropertyText::notInstalledFaceText(QStringLiteral("不存在的字体Zq")));
    QCOMPARE(faces->currentText(), QStringLiteral("不存在的字体Zq (未安装)"));
    QCOMPARE(t.font.faceNameBytes(), missing);
    QCOMPARE(host_.changes, 0);
    // The other entries are the installed faces and the mapped names, in order.
    QStringList listed;
    for (int i = 1; i < faces->count(); ++i) listed << faces->itemText(i);
    QStringList expected;
    for (const std::string& name : listFaceNames()) expected << QString::fromStdString(name);
    QCOMPARE(listed, expected);
    QVERIFY(listed.contains(QStringLiteral("宋体")));

    // Picking another face takes it; picking the marked entry again brings the name back.
    faces->setFocus();
    QTest::keyClick(faces, Qt::Key_Down);
    QCOMPARE(QString::fromStdString(gbkToUtf8(t.font.faceNameBytes())), listed[0]);
    QTest::keyClick(faces, Qt::Key_Up);
    QCOMPARE(t.font.faceNameBytes(), missing);
    QCOMPARE(host_.changes, 2);
    // A load shows it again as it is; an installed face is selected as itself.
    panel.loadFromObject();
    QCOMPARE(faces->count(), listed.size() + 1);
    t.font.setFaceNameBytes(gbk("宋体"));
    panel.loadFromObject();
    QCOMPARE(faces->count(), listed.size());
    QCOMPARE(faces->currentText(), QStringLiteral("宋体"));
  }

  // -- picture ---------------------------------------------------------------

  void pictureSize_data() {
    QTest::addColumn<PictureControl>("field");
    // "up" / "down": a spin arrow; "" for the original size button: a click
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("message");
    // The picture is 120 x 80.
    QTest::newRow("width typed") << kPictureWidth << "640" << 300 << 640 << false;
    QTest::newRow("width 4001") << kPictureWidth << "4001" << 300 << 120 << false;
    QTest::newRow("width 0") << kPictureWidth << "0" << 300 << 120 << false;
    QTest::newRow("width emptied") << kPictureWidth << "" << 300 << 300 << true;
    QTest::newRow("width not a number") << kPictureWidth << "x" << 300 << 300 << true;
    QTest::newRow("height 3000") << kPictureHeight << "3000" << 300 << 3000 << false;
    QTest::newRow("height 3001") << kPictureHeight << "3001" << 300 << 80 << false;
    QTest::newRow("width up") << kPictureWidthSpin << "up" << 300 << 301 << false;
    QTest::newRow("width up at 4000") << kPictureWidthSpin << "up" << 4000 << 120 << false;
    QTest::newRow("width down at 1") << kPictureWidthSpin << "down" << 1 << 120 << false;
    QTest::newRow("height down at 1") << kPictureHeightSpin << "down" << 1 << 80 << false;
    QTest::newRow("height up at 3000") << kPictureHeightSpin << "up" << 3000 << 80 << false;
    QTest::newRow("height down") << kPictureHeightSpin << "down" << 300 << 299 << false;
  }
  void pictureSize() {
    QFETCH(PictureControl, field);
    QFETCH(QString, typed);
    QFETCH(int, start);
    QFETCH(int, expected);
    QFETCH(bool, message);
    const bool isWidth = field == kPictureWidth || field == kPictureWidthSpin;
    PictureObject& p = addPicture(document(), 120, 80);
    (isWidth ? p.width : p.height) = start;
    PropertyImage panel(app_->context, host_, &editor_);
    panel.bind(0);
    panel.loadFromObject();
    panel.show();
    if (field == kPictureWidthSpin || field == kPictureHeightSpin)
      spin(panel, field, typed == QLatin1String("up"));
    else
      typeInto(panel, field, typed);

    QCOMPARE(isWidth ? p.width : p.height, expected);
    QCOMPARE(isWidth ? p.height : p.width, isWidth ? 80 : 120);
    QCOMPARE(control<QLineEdit>(panel, isWidth ? kPictureWidth : kPictureHeight)->text(),
             QString::number(expected));
    QCOMPARE(app_->prompts.messageTexts(), message ? QStringList{kNumberMessage} : QStringList{});
    const bool arrow = field == kPictureWidthSpin || field == kPictureHeightSpin;
    QCOMPARE(host_.changes, arrow ? 1 : std::max(1, static_cast<int>(typed.size())));
    QCOMPARE(host_.sizeChanges, 0);
  }

  void picturePanelShowsAndWritesTheObject() {
    addPicture(document(), 10, 10);
    PictureObject& p = addPicture(document(), 120, 80);
    p.width = 33;
    p.height = 44;
    p.imageType = 2;
    p.transparentColour = 0x00ABCDEF;
    p.alpha = 9;
    PropertyImage panel(app_->context, host_, &editor_);
    QCOMPARE(panel.windowTitle(), QStringLiteral("图像属性"));
    panel.bind(1);
    panel.loadFromObject();
    panel.show();
    QCOMPARE(control<QLineEdit>(panel, kPictureSourceWidth)->text(), QStringLiteral("120"));
    QCOMPARE(control<QLineEdit>(panel, kPictureSourceHeight)->text(), QStringLiteral("80"));
    QVERIFY(control<QLineEdit>(panel, kPictureSourceWidth)->isReadOnly());
    QCOMPARE(control<QLineEdit>(panel, kPictureType)->text(), QStringLiteral("JPEG"));
    QCOMPARE(control<QLineEdit>(panel, kPictureWidth)->text(), QStringLiteral("33"));
    QCOMPARE(control<QLabel>(panel, kPictureAlphaNumber)->text(), QStringLiteral("9"));
    // Each known type by name; another keeps the text shown before.
    const QStringList types{"BMP", "JPG", "JPEG", "GIF", "PNG", "PNG"};
    for (std::uint32_t type = 0; type < 6; ++type) {
      p.imageType = type;
      panel.loadFromObject();
      QCOMPARE(control<QLineEdit>(panel, kPictureType)->text(), types[static_cast<int>(type)]);
    }

    QTest::mouseClick(control<QPushButton>(panel, kPictureOriginalSize), Qt::LeftButton);
    QCOMPARE(p.width, 120);
    QCOMPARE(p.height, 80);
    QCOMPARE(control<QLineEdit>(panel, kPictureHeight)->text(), QStringLiteral("80"));
    QTest::mouseClick(control<QCheckBox>(panel, kPictureTransparent), Qt::LeftButton);
    QCOMPARE(p.transparent, 1);
    QTest::mouseClick(control<QPushButton>(panel, kPictureChoose), Qt::LeftButton);  // cancelled
    QCOMPARE(p.transparentColour, 0x00ABCDEFu);
    QCOMPARE(host_.changes, 2);
    app_->prompts.colourAnswers.push_back(0x00000001);
    QTest::mouseClick(control<QPushButton>(panel, kPictureChoose), Qt::LeftButton);
    QCOMPARE(p.transparentColour, 0x00000001u);
    app_->prompts.pickedColours.push_back(0x00000002);
    QTest::mouseClick(control<QPushButton>(panel, kPicturePick), Qt::LeftButton);
    QCOMPARE(p.transparentColour, 0x00000002u);
    QCOMPARE(control<ColorSwatch>(panel, kPictureKeyColour)->colour(), 0x00000002u);
    QTest::keyClick(control<QSlider>(panel, kPictureAlpha), Qt::Key_End);
    QCOMPARE(p.alpha, 255);
    QCOMPARE(host_.changes, 5);
    QCOMPARE(document().pictureObjects[0]->width, 10);
  }

  void unboundPanelsTouchNothing() {
    // Never bound, bound past the end, and bound to an object since removed.
    addTextObject(document());
    addPicture(document(), 120, 80);
    const std::vector<int> bindings{-2, 1, 0};
    for (int binding : bindings) {
      PropertyText text(app_->context, host_, &editor_);
      PropertyImage picture(app_->context, host_, &editor_);
      if (binding != -2) {
        text.bind(binding);
        picture.bind(binding);
        text.loadFromObject();
        picture.loadFromObject();
      }
      if (binding == 0) {
        document().textObjects.clear();
        document().pictureObjects.clear();
      }
      text.show();
      picture.show();
      for (int id : {kTextBold, kTextTransparent, kTextColourChoose, kTextColourPick})
        QTest::mouseClick(control(text, id), Qt::LeftButton);
      for (int id : {kPictureTransparent, kPictureChoose, kPicturePick, kPictureOriginalSize})
        QTest::mouseClick(control(picture, id), Qt::LeftButton);
      typeInto(text, kTextContent, QStringLiteral("x"));
      typeInto(picture, kPictureWidth, QStringLiteral("7"));
      spin(picture, kPictureHeightSpin, true);
      QTest::keyClick(control<QSlider>(text, kTextAlpha), Qt::Key_Left);
      QCOMPARE(host_.changes, 0);
      QCOMPARE(app_->prompts.colourDialogs + app_->prompts.picks, 0);
      if (binding == 0) {
        addTextObject(document());
        addPicture(document(), 120, 80);
      }
      QCOMPARE(shownText(document().textObjects[0]), QStringLiteral("文字内容"));
      QCOMPARE(document().pictureObjects[0]->width, 120);
    }
  }

  void looksRight() {
    const QString out = qEnvironmentVariable("IMBRINO_SHOTS");
    if (out.isEmpty()) QSKIP("set IMBRINO_SHOTS to a folder to save screenshots");
    addTextObject(document());
    document().textObjects[0].font.setFaceNameBytes(gbk("微软雅黑"));
    addPicture(document(), 640, 480);
    PropertyBK background(app_->context, host_, &editor_);
    PropertyText text(app_->context, host_, &editor_);
    PropertyImage picture(app_->context, host_, &editor_);
    text.bind(0);
    picture.bind(0);
    text.loadFromObject();
    picture.loadFromObject();
    const std::vector<std::pair<QDialog*, const char*>> panels{{&background, "property_bk.png"},
                                                               {&text, "property_text.png"},
                                                               {&picture, "property_image.png"}};
    for (const auto& [panel, name] : panels) {
      panel->show();
      QVERIFY(QTest::qWaitForWindowExposed(panel));
      QVERIFY(panel->grab().save(out + u'/' + QLatin1String(name)));
    }
  }
};

QTEST_MAIN(PropertyPanelsTest)
#include "property_panels_test.moc"
