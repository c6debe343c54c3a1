// The editor's property panels: what each control writes into the template,
// the number fields' ranges and fallbacks, colours, faces and sizes, and where
// the panels stand.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include "editor/panel_host.h"
#include "editor/property_bk.h"
#include "editor/property_panel.h"
#include "gui/support/app_fixture.h"
#include "widgets/color_swatch.h"

using namespace imbrino;
using imbrino::test::AppFixture;

namespace {

class FakeHost final : public PanelHost {
 public:
  int changes = 0;
  int sizeChanges = 0;
  QRect client{100, 50, 900, 600};
  void templateChangedByPanel() override { ++changes; }
  void backgroundSizeChanged() override { ++sizeChanges; }
  QRect editorClientOnScreen() const override { return client; }
};

template <typename T = QWidget>
T* control(QWidget& panel, int id) {
  T* found = panel.findChild<T*>(QStringLiteral("c%1").arg(id));
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

  void panelsPlaceThemselvesAndRememberWhereTheyStood() {
    const QRect desktop = editor_.screen()->virtualGeometry();
    writeSettings("[PropertyBK]\nX=" + std::to_string(desktop.right() + 50) + "\nY=-7\n");
    {
      PropertyBK panel(app_->context, host_, &editor_);
      QVERIFY(!panel.isVisible());
      QCOMPARE(panel.pos(), QPoint(host_.client.right() + 1 - panel.width(), -7));
      QCOMPARE(panel.windowTitle(), QStringLiteral("背景属性"));
      QCOMPARE(panel.minimumSize(), panel.maximumSize());
      QVERIFY(panel.windowFlags() & Qt::Tool);
      QVERIFY(!(panel.windowFlags() & Qt::WindowCloseButtonHint));
      panel.move(-3, 44);
    }
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "X"), std::optional<std::string>("-3"));
    QCOMPARE(app_->context.settings.readSetting("PropertyBK", "Y"), std::optional<std::string>("44"));
    PropertyBK again(app_->context, host_, &editor_);
    QCOMPARE(again.pos(), QPoint(-3, 44));
  }

  void enterEscapeAndCloseRequestsDoNothing() {
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(control<QLineEdit>(panel, 1000), key);
      QTest::keyClick(control<QPushButton>(panel, 1040), key);
    }
    QVERIFY(panel.isVisible());
    QCOMPARE(app_->prompts.colorDialogs, 0);
    QCOMPARE(host_.changes, 0);
  }

  // -- background ------------------------------------------------------------

  void backgroundSize_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");  // "up" / "down": a spin arrow
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("message");
    QTest::newRow("width typed") << 1000 << "640" << 300 << 640 << false;
    QTest::newRow("width 4000") << 1000 << "4000" << 300 << 4000 << false;
    QTest::newRow("width 4001") << 1000 << "4001" << 300 << 250 << false;
    QTest::newRow("width 0") << 1000 << "0" << 300 << 250 << false;
    QTest::newRow("width 1") << 1000 << "1" << 300 << 1 << false;
    // The first 0 already falls back; the digits after it go on from 250.
    QTest::newRow("width 07") << 1000 << "07" << 300 << 2507 << false;
    QTest::newRow("width huge") << 1000 << "99999999999999" << 300 << 250 << false;
    QTest::newRow("width emptied") << 1000 << "" << 300 << 300 << true;
    QTest::newRow("height 3000") << 1001 << "3000" << 300 << 3000 << false;
    QTest::newRow("height 3001") << 1001 << "3001" << 300 << 250 << false;
    QTest::newRow("height emptied") << 1001 << "" << 321 << 321 << true;
    QTest::newRow("width up") << 1062 << "up" << 300 << 301 << false;
    QTest::newRow("width down") << 1062 << "down" << 300 << 299 << false;
    QTest::newRow("width up at 4000") << 1062 << "up" << 4000 << 250 << false;
    QTest::newRow("width down at 1") << 1062 << "down" << 1 << 250 << false;
    QTest::newRow("height up at 3000") << 1063 << "up" << 3000 << 250 << false;
    QTest::newRow("height down at 1") << 1063 << "down" << 1 << 250 << false;
    QTest::newRow("height up at 2999") << 1063 << "up" << 2999 << 3000 << false;
  }
  void backgroundSize() {
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(int, start);
    QFETCH(int, expected);
    QFETCH(bool, message);
    const bool isWidth = field == 1000 || field == 1062;
    TemplateBackground& b = document().background;
    (isWidth ? b.width : b.height) = start;
    const int other = isWidth ? b.height : b.width;
    PropertyBK panel(app_->context, host_, &editor_);
    panel.loadFromBackground();
    panel.show();
    if (field >= 1062)
      spin(panel, field, typed == QLatin1String("up"));
    else
      typeInto(panel, field, typed);

    QCOMPARE(isWidth ? b.width : b.height, expected);
    QCOMPARE(isWidth ? b.height : b.width, other);
    QCOMPARE(control<QLineEdit>(panel, isWidth ? 1000 : 1001)->text(), QString::number(expected));
    QCOMPARE(app_->prompts.messageTexts(), message ? QStringList{kNumberMessage} : QStringList{});
    // One change per key (or arrow press), each reported.
    const int steps = field >= 1062 ? 1 : std::max(1, static_cast<int>(typed.size()));
    QCOMPARE(host_.changes, steps);
    QCOMPARE(host_.sizeChanges, steps);
  }

  void typingShowsEachStep() {
    // The fallback applies as soon as the fourth digit makes the width too wide.
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    typeInto(panel, 1000, QStringLiteral("4001"));
    QCOMPARE(host_.changes, 4);
    QCOMPARE(document().background.width, 250);
    QCOMPARE(control<QLineEdit>(panel, 1000)->text(), QStringLiteral("250"));
    // Only digits reach the field.
    typeInto(panel, 1001, QStringLiteral("-1x2"));
    QCOMPARE(document().background.height, 12);
  }

  void backgroundColourTransparencyAndAlpha() {
    TemplateBackground& b = document().background;
    b.colour = 0x00112233;
    b.alpha = 77;
    b.transparent = 1;
    PropertyBK panel(app_->context, host_, &editor_);
    panel.show();
    auto* swatch = control<ColorSwatch>(panel, 1007);
    QCOMPARE(swatch->colour(), 0x00112233u);
    QCOMPARE(control<QSlider>(panel, 1044)->value(), 77);
    QCOMPARE(control<QLabel>(panel, 1045)->text(), QStringLiteral("77"));
    QVERIFY(control<QCheckBox>(panel, 1039)->isChecked());

    // A cancelled colour dialog changes nothing and tells nobody.
    QTest::mouseClick(control<QPushButton>(panel, 1040), Qt::LeftButton);
    QCOMPARE(app_->prompts.colorDialogs, 1);
    QCOMPARE(b.colour, 0x00112233u);
    QCOMPARE(host_.changes, 0);

    app_->prompts.colorAnswers.push_back(0x00445566);
    QTest::mouseClick(control<QPushButton>(panel, 1040), Qt::LeftButton);
    QCOMPARE(b.colour, 0x00445566u);
    QCOMPARE(swatch->colour(), 0x00445566u);
    QCOMPARE(host_.changes, 1);

    app_->prompts.pickedColors.push_back(0x00010203);
    QTest::mouseClick(control<QPushButton>(panel, 1006), Qt::LeftButton);
    QCOMPARE(b.colour, 0x00010203u);
    QCOMPARE(swatch->colour(), 0x00010203u);
    QCOMPARE(host_.changes, 2);

    QTest::mouseClick(control<QCheckBox>(panel, 1039), Qt::LeftButton);
    QCOMPARE(b.transparent, 0);
    QCOMPARE(host_.changes, 3);

    QTest::keyClick(control<QSlider>(panel, 1044), Qt::Key_Right);
    QCOMPARE(b.alpha, 78);
    QCOMPARE(control<QLabel>(panel, 1045)->text(), QStringLiteral("78"));
    QCOMPARE(host_.changes, 4);
    QCOMPARE(host_.sizeChanges, 0);

    // Loading again shows the template as it now is, and reports nothing.
    b.alpha = 5;
    panel.loadFromBackground();
    QCOMPARE(control<QSlider>(panel, 1044)->value(), 5);
    QCOMPARE(host_.changes, 4);
  }

  void looksRight() {
    const QString out = qEnvironmentVariable("IMBRINO_SHOTS");
    if (out.isEmpty()) QSKIP("set IMBRINO_SHOTS to a folder to save screenshots");
    PropertyBK background(app_->context, host_, &editor_);
    background.show();
    QVERIFY(QTest::qWaitForWindowExposed(&background));
    QVERIFY(background.grab().save(out + QStringLiteral("/property_bk.png")));
  }
};

QTEST_MAIN(PropertyPanelsTest)
#include "property_panels_test.moc"
