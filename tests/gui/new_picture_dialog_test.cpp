// The new-picture dialog: remembered values, size limits and how it ends.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "gui/support/scripted_prompts.h"
#include "main_window/new_picture_dialog.h"
#include "shared/app_context.h"
#include "shared/program_texts.h"
#include "widgets/color_swatch.h"
#include "widgets/control_id.h"

using namespace imbrino;

class NewPictureDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  ScriptedPrompts prompts_;
  EditingTemplate editing_;
  PictureState picture_;
  std::unique_ptr<AppContext> context_;

  std::string settingsPath() const {
    return dir_->filePath(QStringLiteral("SetupInfor.ini")).toStdString();
  }
  void writeSettings(const std::string& text) { std::ofstream(settingsPath()) << text; }
  std::optional<std::string> stored(const char* key) const {
    return context_->settings.readSetting("NewFile", key);
  }

  static QLineEdit* edit(NewPictureDialog& d, int id) { return findControl<QLineEdit>(d, id); }
  static void click(NewPictureDialog& d, int id) {
    QTest::mouseClick(findControl<QPushButton>(d, id), Qt::LeftButton);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    prompts_ = ScriptedPrompts();
    context_.reset(new AppContext{prompts_,
                                  SettingsFile(settingsPath()),
                                  editing_,
                                  picture_,
                                  {},
                                  dir_->path() + QLatin1Char('/')});
  }

  void opensWithStoredValues_data() {
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<uint>("colour");
    QTest::newRow("no file") << QString() << "500"
                             << "500" << 0xFFFFFFu;
    QTest::newRow("stored") << "[NewFile]\nWidth=640\nHeight=480\nColor=255\n"
                            << "640"
                            << "480" << 255u;
    QTest::newRow("non-numeric and empty") << "[NewFile]\nWidth=abc\nHeight=\nColor=12px\n"
                                           << "0"
                                           << "500" << 12u;
  }
  void opensWithStoredValues() {
    QFETCH(QString, settings);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(uint, colour);
    if (!settings.isEmpty()) writeSettings(settings.toStdString());
    NewPictureDialog dialog(*context_, nullptr);
    QCOMPARE(edit(dialog, kNewPictureWidth)->text(), width);
    QCOMPARE(edit(dialog, kNewPictureHeight)->text(), height);
    QCOMPARE(findControl<ColorSwatch>(dialog, kNewPictureColour)->colour(), colour);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("新建图片"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
  }

  void sizeLimits_data() {
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("message");
    QTest::newRow("largest") << "4000"
                             << "3000" << QString();
    QTest::newRow("smallest") << "1"
                              << "1" << QString();
    QTest::newRow("too wide") << "4001"
                              << "3000" << QStringLiteral("图片宽不能过大");
    QTest::newRow("zero width") << "0"
                                << "10" << QStringLiteral("图片宽不能小于等于零");
    QTest::newRow("empty width") << ""
                                 << "10" << QStringLiteral("图片宽不能小于等于零");
    QTest::newRow("width checked first") << "0"
                                         << "0" << QStringLiteral("图片宽不能小于等于零");
    QTest::newRow("too high") << "10"
                              << "3001" << QStringLiteral("图片高不能过大");
    QTest::newRow("empty height") << "10"
                                  << "" << QStringLiteral("图片高不能小于等于零");
    QTest::newRow("huge") << "99999999999999"
                          << "1" << QStringLiteral("图片宽不能过大");
  }
  void sizeLimits() {
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, message);
    NewPictureDialog dialog(*context_, nullptr);
    dialog.show();
    edit(dialog, kNewPictureWidth)->setText(width);
    edit(dialog, kNewPictureHeight)->setText(height);
    click(dialog, kNewPictureCreate);

    if (message.isEmpty()) {
      QVERIFY(prompts_.messages.empty());
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QVERIFY(!dialog.isVisible());
      QCOMPARE(dialog.pictureWidth(), width.toInt());
      QCOMPARE(dialog.pictureHeight(), height.toInt());
      QCOMPARE(stored("Width"), width.toStdString());
      QCOMPARE(stored("Height"), height.toStdString());
      QCOMPARE(stored("Color"), std::optional<std::string>("16777215"));
    } else {
      QCOMPARE(prompts_.messageTexts(), QStringList{message});
      const AskedMessage& asked = prompts_.messages[0];
      QCOMPARE(asked.caption, programTitle());
      QCOMPARE(asked.buttons, MessageButtons::Ok);
      QCOMPARE(asked.icon, MessageIcon::Warning);
      QVERIFY(dialog.isVisible());
      QVERIFY(!std::ifstream(settingsPath()).good());
    }
  }

  void pickedColourIsStoredOnlyWhenConfirmed() {
    writeSettings("[NewFile]\nColor=255\n");
    {
      NewPictureDialog dialog(*context_, nullptr);
      dialog.show();
      prompts_.pickedColours.push_back(0x00123456);
      click(dialog, kNewPicturePick);
      QCOMPARE(dialog.colour(), 0x00123456u);
      click(dialog, kNewPictureCancel);
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
      QVERIFY(!dialog.isVisible());
      QCOMPARE(stored("Color"), std::optional<std::string>("255"));
      QCOMPARE(stored("Width"), std::nullopt);
    }
    NewPictureDialog dialog(*context_, nullptr);
    dialog.show();
    // A cancelled colour dialog keeps the colour; an answered one replaces it.
    click(dialog, kNewPictureChoose);
    QCOMPARE(dialog.colour(), 255u);
    prompts_.colourAnswers.push_back(0x00ABCDEF);
    click(dialog, kNewPictureChoose);
    click(dialog, kNewPictureCreate);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(stored("Color"), std::to_string(0x00ABCDEF));
    QCOMPARE(stored("Width"), std::optional<std::string>("500"));
  }

  void typingReplacesTheStoredNumbers() {
    writeSettings("[NewFile]\nWidth=640\nHeight=480\n");
    NewPictureDialog dialog(*context_, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QLineEdit* width = edit(dialog, kNewPictureWidth);
    QLineEdit* height = edit(dialog, kNewPictureHeight);
    QCOMPARE(QApplication::focusWidget(), width);
    QTest::keyClicks(width, QStringLiteral("800"));
    QCOMPARE(width->text(), QStringLiteral("800"));
    QTest::keyClick(width, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), height);
    QTest::keyClicks(height, QStringLiteral("600"));
    QCOMPARE(height->text(), QStringLiteral("600"));
    click(dialog, kNewPictureCreate);
    QCOMPARE(dialog.pictureWidth(), 800);
    QCOMPARE(dialog.pictureHeight(), 600);
  }

  void keysAndCloseRequests() {
    NewPictureDialog dialog(*context_, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* width = edit(dialog, kNewPictureWidth);
    width->setFocus();

    // Only digits can be typed.
    width->clear();
    QTest::keyClicks(width, QStringLiteral("1a2-3"));
    QCOMPARE(width->text(), QStringLiteral("123"));

    QTest::keyClick(width, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    QVERIFY(dialog.isVisible());
    QVERIFY(prompts_.messages.empty());

    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());

    QTest::keyClick(width, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!std::ifstream(settingsPath()).good());
  }

  void looksRight() {
    const QString out = qEnvironmentVariable("IMBRINO_SHOTS");
    if (out.isEmpty()) QSKIP("set IMBRINO_SHOTS to a folder to save a screenshot");
    NewPictureDialog dialog(*context_, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.grab().save(out + QStringLiteral("/new_picture_dialog.png")));
  }
};

QTEST_MAIN(NewPictureDialogTest)
#include "new_picture_dialog_test.moc"
