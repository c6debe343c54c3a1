// The editor's tool window: its eight picture buttons and what they run, where
// the window goes and what it remembers, and a missing picture folder.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTest>
#include <memory>
#include <optional>
#include <vector>

#include "editor/panel_host.h"
#include "editor/tool_dialog.h"
#include "gui/support/app_fixture.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/hover_bitmap_button.h"

using namespace imbrino;
using namespace imbrino::test;

namespace {

// The editor's client area, as the editor reports it.
class FakeHost : public PanelHost {
 public:
  void templateChangedByPanel(MergeKey) override {}
  void backgroundSizeChanged() override {}
  QRect editorClientOnScreen() const override { return client; }
  void giveKeyboardToCanvas() override { ++keyboardGivenBack; }
  QRect client{40, 60, 600, 400};
  int keyboardGivenBack = 0;
};

struct Row {
  int id;
  const char* file;
  const char* toolTip;
  ToolCommand command;
};

const std::vector<Row> kRows = {
    {kToolNew, "new.bmp", "新建模板", ToolCommand::New},
    {kToolOpen, "open.bmp", "打开模板...", ToolCommand::Open},
    {kToolSave, "save.bmp", "保存模板", ToolCommand::Save},
    {kToolInsertText, "text.bmp", "插入文字", ToolCommand::InsertText},
    {kToolInsertPicture, "pic.bmp", "插入图片...", ToolCommand::InsertPicture},
    {kToolForward, "front.bmp", "选中目标置前", ToolCommand::Forward},
    {kToolBackward, "back.bmp", "选中目标置后", ToolCommand::Backward},
    {kToolDelete, "del.bmp", "删除选中目标...", ToolCommand::Delete},
};

// The buttons start below the caption bar's strip.
constexpr int kCaptionStrip = CaptionButtonBar::kSlotHeight + 2;

HoverBitmapButton* button(const QWidget& dialog, int id) {
  return findControl<HoverBitmapButton>(dialog, id);
}

}  // namespace

class ToolDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppFixture> fx_;
  FakeHost host_;
  std::unique_ptr<QWidget> editor_;
  std::vector<ToolCommand> run_;

  // The strips the program ships, beside the "program".
  void installShippedStrips() {
    QDir().mkpath(fx_->file(QStringLiteral("ButtonPic")));
    for (const Row& row : kRows) {
      const QString name = QStringLiteral("/ButtonPic/") + QLatin1String(row.file);
      QVERIFY(QFile::copy(QStringLiteral(IMBRINO_SOURCE_DIR "/assets/editor") + name,
                          fx_->folder.path() + name));
    }
  }

  std::unique_ptr<ToolDialog> makeDialog() {
    return std::make_unique<ToolDialog>(fx_->context, host_, editor_.get(),
                                        [this](ToolCommand c) { run_.push_back(c); });
  }

 private slots:
  void init() {
    fx_ = std::make_unique<AppFixture>();
    editor_ = std::make_unique<QWidget>();
    host_ = FakeHost();
    run_.clear();
  }
  void cleanup() {
    editor_.reset();
    fx_.reset();
  }

  // Every button in its place with its id and tip, measured by new.bmp.
  void buttonsInOrder_data() {
    QTest::addColumn<int>("newWidth");
    QTest::addColumn<int>("frameHeight");
    QTest::newRow("shipped strips") << 0 << 32;
    QTest::newRow("new.bmp sets every size") << 88 << 24;  // 22-pixel frames
    QTest::newRow("width not a multiple of four") << 90 << 20;
  }
  void buttonsInOrder() {
    QFETCH(int, newWidth);
    QFETCH(int, frameHeight);
    installShippedStrips();
    if (newWidth > 0) {
      QFile::remove(fx_->file(QStringLiteral("ButtonPic/new.bmp")));
      fx_->writePicture(QStringLiteral("ButtonPic/new.bmp"), newWidth, frameHeight);
    }
    const int frameWidth = newWidth > 0 ? newWidth / 4 : 32;

    auto dialog = makeDialog();
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->windowTitle().trimmed().isEmpty());
    QVERIFY(fx_->prompts.messages.empty());
    QCOMPARE(dialog->size(), QSize(8 * frameWidth, kCaptionStrip + frameHeight));
    QCOMPARE(dialog->palette().color(QPalette::Window), QColor(Qt::white));

    const auto* bar = dialog->findChild<CaptionButtonBar*>();
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->slotOffset(), 2);
    QCOMPARE(bar->buttonId(0), 1);
    const QRect donation = bar->imageRect(0).translated(bar->pos());
    QVERIFY(dialog->rect().contains(donation));

    for (int order = 0; order < 8; ++order) {
      const Row& row = kRows[static_cast<std::size_t>(order)];
      HoverBitmapButton* b = button(*dialog, row.id);
      QVERIFY2(b != nullptr, row.file);
      QCOMPARE(b->toolTip(), QString::fromUtf8(row.toolTip));
      QCOMPARE(b->geometry(), QRect(order * frameWidth, kCaptionStrip, frameWidth, frameHeight));
      // The donation button never covers a tool button.
      QVERIFY2(!b->geometry().intersects(donation), row.file);
    }
    // Eight buttons and no others.
    const auto buttons = dialog->findChildren<HoverBitmapButton*>();
    QCOMPARE(buttons.size(), 8);
  }

  // Each click runs its command once, after the editor got the keyboard back
  // for its canvas; Enter runs nothing; closing hides the window, and it
  // shows again.
  void clicksAndClosing() {
    installShippedStrips();
    std::vector<int> keyboardGivenBack;
    ToolDialog* dialogPtr = nullptr;
    auto dialog =
        std::make_unique<ToolDialog>(fx_->context, host_, editor_.get(), [&](ToolCommand c) {
          run_.push_back(c);
          if (dialogPtr->isVisible()) keyboardGivenBack.push_back(host_.keyboardGivenBack);
        });
    dialogPtr = dialog.get();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    std::vector<ToolCommand> expected;
    for (const Row& row : kRows) {
      QTest::mouseClick(button(*dialog, row.id), Qt::LeftButton, {}, QPoint(16, 16));
      expected.push_back(row.command);
    }
    QCOMPARE(run_, expected);
    QCOMPARE(keyboardGivenBack, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));

    run_.clear();
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    QTest::keyClick(dialog.get(), Qt::Key_Enter);
    QVERIFY(dialog->isVisible());
    QVERIFY(run_.empty());

    QVERIFY(dialog->close());
    QVERIFY(dialog->isHidden());
    dialog->show();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChildren<HoverBitmapButton*>().size(), 8);

    // The donation button opens the donation page.
    emit dialog->findChild<CaptionButtonBar*>()->buttonClicked(1, QPoint());
    QCOMPARE(fx_->prompts.openedUrls, QStringList{fx_->context.links.donationPage});
  }

  void position_data() {
    QTest::addColumn<QString>("storedX");
    QTest::addColumn<QString>("storedY");
    QTest::addColumn<QPoint>("expected");
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QString wide = QString::number(screen.width());
    const QString tall = QString::number(screen.height());
    // The editor's client area ends at 460; the window is 52 high.
    const int defaultY = 460 - (kCaptionStrip + 32);
    QTest::newRow("absent") << QString() << QString() << QPoint(0, defaultY);
    QTest::newRow("empty values") << ""
                                  << "" << QPoint(0, defaultY);
    QTest::newRow("normal") << "100"
                            << "200" << QPoint(100, 200);
    QTest::newRow("beyond the screen")
        << QString::number(screen.width() + 1) << QString::number(screen.height() + 1)
        << QPoint(0, defaultY);
    QTest::newRow("far beyond") << "100000"
                                << "100000" << QPoint(0, defaultY);
    QTest::newRow("at the screen's edge")
        << wide << tall << QPoint(screen.width(), screen.height());
    QTest::newRow("negative") << "-20"
                              << "-30" << QPoint(-20, -30);
    QTest::newRow("leading digits") << "12px"
                                    << "7 " << QPoint(12, 7);
    QTest::newRow("only X stored") << "50" << QString() << QPoint(50, defaultY);
  }
  void position() {
    QFETCH(QString, storedX);
    QFETCH(QString, storedY);
    QFETCH(QPoint, expected);
    installShippedStrips();
    if (!storedX.isNull())
      fx_->context.settings.writeSetting("ToolDialog", "X", storedX.toStdString());
    if (!storedY.isNull())
      fx_->context.settings.writeSetting("ToolDialog", "Y", storedY.toStdString());
    auto dialog = makeDialog();
    QCOMPARE(dialog->pos(), expected);
  }

  // Placed by the default Y, the window's frame, once the window system has
  // framed it, ends on the bottom edge of the editor's client area.
  void defaultPlaceCountsTheFrame() {
    installShippedStrips();
    auto dialog = makeDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    QTRY_COMPARE(dialog->frameGeometry().y() + dialog->frameGeometry().height(), 460);
    QCOMPARE(dialog->pos().x(), 0);
  }

  // The place of a window that was shown is written when it goes, and read
  // back by the next one.
  void positionWrittenOnDestruction() {
    installShippedStrips();
    auto dialog = makeDialog();
    dialog->show();
    dialog->move(123, 77);
    dialog->close();
    dialog.reset();
    QCOMPARE(fx_->context.settings.readSetting("ToolDialog", "X"),
             std::optional<std::string>("123"));
    QCOMPARE(fx_->context.settings.readSetting("ToolDialog", "Y"),
             std::optional<std::string>("77"));
    QCOMPARE(makeDialog()->pos(), QPoint(123, 77));

    // Destroyed with the editor that owns it.
    auto* owned = new ToolDialog(fx_->context, host_, editor_.get(), [](ToolCommand) {});
    owned->show();
    owned->move(5, 6);
    editor_.reset();
    QCOMPARE(fx_->context.settings.readSetting("ToolDialog", "X"), std::optional<std::string>("5"));
    QCOMPARE(fx_->context.settings.readSetting("ToolDialog", "Y"), std::optional<std::string>("6"));
  }

  // Missing strips: the user hears once about each, the buttons that could
  // not load have no size, and the window still opens.
  void missingPictures_data() {
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QSize>("windowSize");
    const QSize full(8 * 32, kCaptionStrip + 32);
    QStringList all;
    for (const Row& row : kRows) all << QLatin1String(row.file);
    QTest::newRow("no folder") << all << full;
    QTest::newRow("new.bmp missing") << QStringList{"new.bmp"} << full;
    QTest::newRow("del.bmp missing") << QStringList{"del.bmp"} << full;
  }
  void missingPictures() {
    QFETCH(QStringList, removed);
    QFETCH(QSize, windowSize);
    installShippedStrips();
    for (const QString& file : removed)
      QFile::remove(fx_->file(QStringLiteral("ButtonPic/") + file));
    if (removed.size() == 8) QDir(fx_->file(QStringLiteral("ButtonPic"))).removeRecursively();

    auto dialog = makeDialog();
    QCOMPARE(dialog->size(), windowSize);
    QCOMPARE(fx_->prompts.messages.size(), static_cast<std::size_t>(removed.size()));
    for (const AskedMessage& message : fx_->prompts.messages)
      QCOMPARE(message.caption, QStringLiteral("CPicture Error"));
    for (int order = 0; order < 8; ++order) {
      const Row& row = kRows[static_cast<std::size_t>(order)];
      const bool gone = removed.contains(QLatin1String(row.file));
      QCOMPARE(button(*dialog, row.id)->size().isEmpty(), gone);
      QCOMPARE(button(*dialog, row.id)->pos(), QPoint(order * 32, kCaptionStrip));
    }
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
  }
};

QTEST_MAIN(ToolDialogTest)
#include "tool_dialog_test.moc"
