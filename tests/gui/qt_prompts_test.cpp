// The real dialogs behind Prompts: messages in the program's dialog font, the
// toolkit's file dialogs in the desktop's font and the program's language, and
// a name typed without an extension saved with the chosen type's.

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "shared/file_detail_columns.h"
#include "shared/qt_prompts.h"
#include "widgets/dialog_units.h"

using namespace imbrino;

namespace {

const QString kSaveFilter = QStringLiteral(
    "BMP文件(*.bmp)|*.bmp|JPG文件(*.jpg)|*.jpg|JPEG文件(*.jpeg)|*.jpeg|GIF文件(*.gif)|*.gif|"
    "PNG文件(*.png)|*.png||");

// Runs `action` on the dialog of that kind once it is the active modal one;
// gives up after a while, so a dialog that never comes fails the test instead
// of hanging it. Actions close their dialog whatever they find.
template <class Dialog>
void whenOpen(std::function<void(Dialog*)> action, QDeadlineTimer deadline = QDeadlineTimer(5000)) {
  QTimer::singleShot(0, [action = std::move(action), deadline] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()))
      action(dialog);
    else if (!deadline.hasExpired())
      whenOpen<Dialog>(action, deadline);
  });
}

bool sameFace(const QFont& a, const QFont& b) {
  return a.family() == b.family() && a.pointSizeF() == b.pointSizeF();
}

}  // namespace

class QtPromptsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  QtPrompts prompts_;

 private slots:
  void initTestCase() {
    // As the program runs: Chinese whatever the environment says.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QVERIFY(QDir::setCurrent(folder_.path()));
    // The test means something only where the two faces differ.
    QVERIFY(!sameFace(QApplication::font(), DialogUnits::dialogFont()));
  }

  void messagesAreInTheDialogFont() {
    // With no window of the program yet (a second copy refused), and over one.
    QWidget window;
    window.show();
    for (QWidget* owner : {static_cast<QWidget*>(nullptr), &window}) {
      QFont shown;
      QFont label;
      whenOpen<QMessageBox>([&](QMessageBox* box) {
        shown = box->font();
        label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->font();
        box->button(QMessageBox::Ok)->click();
      });
      QCOMPARE(prompts_.message(owner, QStringLiteral("Imbrino"), QStringLiteral("文字"),
                                MessageIcon::Error, MessageButtons::Ok),
               MessageAnswer::Ok);
      QVERIFY(sameFace(shown, DialogUnits::dialogFont()));
      QVERIFY(sameFace(label, DialogUnits::dialogFont()));
    }
  }

  void enterAnswersNoWhereNoIsTheDefault() {
    whenOpen<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(prompts_.message(nullptr, QStringLiteral("Imbrino"), QStringLiteral("文字"),
                              MessageIcon::Question, MessageButtons::YesNoDefaultNo),
             MessageAnswer::No);
  }

  void theRetryQuestionAnswersRetryOrCancel() {
    const std::pair<QMessageBox::StandardButton, MessageAnswer> cases[] = {
        {QMessageBox::Retry, MessageAnswer::Retry}, {QMessageBox::Cancel, MessageAnswer::Cancel}};
    for (const auto& [button, answer] : cases) {
      QStringList shown;
      whenOpen<QMessageBox>([&, button = button](QMessageBox* box) {
        for (QAbstractButton* b : box->buttons()) shown << b->text();
        box->button(button)->click();
      });
      QCOMPARE(prompts_.message(nullptr, QStringLiteral("升级程序"), QStringLiteral("文件"),
                                MessageIcon::None, MessageButtons::RetryCancel),
               answer);
      QCOMPARE(shown.size(), 2);
    }
  }

  void fileDialogsHaveTheDesktopsFontAndTheProgramsLanguage() {
    QFile file(folder_.filePath(QStringLiteral("lake.jpg")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, 'x'));
    file.close();
    const QDateTime written(QDate(2023, 11, 5), QTime(16, 7));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(QDir(folder_.path()).mkpath(QStringLiteral("photos")));

    // The owner is one of the program's windows, in the dialog font.
    QWidget window;
    window.setFont(DialogUnits::dialogFont());
    window.show();
    QString date;
    QString size;
    QString folderType;
    QFont font;
    whenOpen<QFileDialog>([&](QFileDialog* files) {
      font = files->font();
      // The columns as the detail view shows them, once the folder is read.
      const auto* view = files->findChild<QTreeView*>(QStringLiteral("treeView"));
      const auto shownText = [view](const QModelIndex& cell) {
        const auto* columns = dynamic_cast<FileDetailColumns*>(view->itemDelegateForIndex(cell));
        return columns ? columns->shownText(cell) : cell.data().toString();
      };
      (void)QTest::qWaitFor([&] {
        const QAbstractItemModel* shown = view->model();
        for (int r = 0; r < shown->rowCount(view->rootIndex()); ++r) {
          const QModelIndex name = shown->index(r, 0, view->rootIndex());
          if (name.data().toString() == QStringLiteral("photos"))
            folderType = shownText(name.siblingAtColumn(2));
          if (name.data().toString() != QStringLiteral("lake.jpg")) continue;
          size = shownText(name.siblingAtColumn(1));
          date = shownText(name.siblingAtColumn(3));
        }
        return !date.isEmpty() && !folderType.isEmpty();
      });
      files->reject();
    });
    QCOMPARE(prompts_.openFileName(&window, {}, parseFilterList(QStringLiteral("JPG文件|*.jpg||"))),
             std::nullopt);
    QVERIFY(sameFace(font, QApplication::font()));
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QCOMPARE(date, chinese.toString(written, QLocale::ShortFormat));
    QCOMPARE(size, chinese.formattedDataSize(3000));
    QCOMPARE(folderType, QStringLiteral("文件夹"));
  }

  void theFolderDialogSpeaksChineseAndGivesTheChosenFolder() {
    QVERIFY(QDir(folder_.path()).mkpath(QStringLiteral("photos")));
    QString folderType;
    whenOpen<QFileDialog>([&](QFileDialog* folders) {
      const auto* view = folders->findChild<QTreeView*>(QStringLiteral("treeView"));
      (void)QTest::qWaitFor([&] {
        const QAbstractItemModel* shown = view->model();
        for (int r = 0; r < shown->rowCount(view->rootIndex()); ++r) {
          const QModelIndex name = shown->index(r, 0, view->rootIndex());
          const auto* columns =
              dynamic_cast<FileDetailColumns*>(view->itemDelegateForIndex(name.siblingAtColumn(2)));
          if (name.data().toString() == QStringLiteral("photos") && columns)
            folderType = columns->shownText(name.siblingAtColumn(2));
        }
        return !folderType.isEmpty();
      });
      auto* name = folders->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      name->setText(QStringLiteral("photos"));
      QTimer::singleShot(3000, folders, &QFileDialog::reject);  // should Return not choose it
      QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(prompts_.folderName(nullptr, QStringLiteral("选择目标文件夹")),
             std::optional(folder_.filePath(QStringLiteral("photos"))));
    QCOMPARE(folderType, QStringLiteral("文件夹"));
  }

  void namesTypedTogetherAreAllOpened_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("one") << "lake.jpg" << QStringList{"lake.jpg"};
    QTest::newRow("two quoted") << "\"dusk.gif\" \"lake.jpg\""
                                << QStringList{"dusk.gif", "lake.jpg"};
    QTest::newRow("three") << "\"lake.jpg\" \"dusk.gif\" \"hill.png\""
                           << QStringList{"lake.jpg", "dusk.gif", "hill.png"};
  }
  void namesTypedTogetherAreAllOpened() {
    QFETCH(QString, typed);
    QFETCH(QStringList, opened);
    for (const QString name : {"dusk.gif", "lake.jpg", "hill.png"}) {
      QFile file(folder_.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
    }
    whenOpen<QFileDialog>([&](QFileDialog* files) {
      // Typed key by key, as the name box completes and selects as it goes,
      // once the folder has been read.
      const auto* view = files->findChild<QTreeView*>(QStringLiteral("treeView"));
      (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 3; });
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QTest::keyClicks(name, typed);
      QTimer::singleShot(3000, files, &QFileDialog::reject);  // should Return not open them
      QTest::keyClick(name, Qt::Key_Return);
    });
    QStringList paths;
    for (const QString& name : opened) paths << folder_.filePath(name);
    QStringList got = prompts_.openFileNames(
        nullptr, {}, parseFilterList(QStringLiteral("图片|*.jpg;*.gif;*.png||")));
    got.sort();
    paths.sort();
    QCOMPARE(got, paths);
  }

  void aBareNameGetsTheChosenTypesExtension_data() {
    QTest::addColumn<int>("type");  // steps down the type list
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("first type") << 0 << "holiday"
                                << "holiday.bmp";
    QTest::newRow("jpeg") << 2 << "holiday"
                          << "holiday.jpeg";
    QTest::newRow("png") << 4 << "黄山 日出"
                         << "黄山 日出.png";
    QTest::newRow("own extension kept") << 4 << "holiday.gif"
                                        << "holiday.gif";
    QTest::newRow("unknown extension kept") << 1 << "notes.txt"
                                            << "notes.txt";
  }
  void aBareNameGetsTheChosenTypesExtension() {
    QFETCH(int, type);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    int chosen = -1;
    whenOpen<QFileDialog>([&](QFileDialog* files) {
      // Chosen as a user chooses: with the keys, on the type list.
      auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      for (int i = 0; i < type; ++i) QTest::keyClick(types, Qt::Key_Down);
      chosen = types->currentIndex();
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      name->setText(typed);
      QTest::keyClick(name, Qt::Key_Return);
    });
    const auto path = prompts_.saveFileName(nullptr, {}, parseFilterList(kSaveFilter), false);
    QCOMPARE(chosen, type);
    QCOMPARE(path, std::optional(folder_.filePath(saved)));
  }

  void theOverwriteQuestionNamesTheFileThatWouldBeWritten() {
    QFile existing(folder_.filePath(QStringLiteral("photo.png")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QString asked;
    whenOpen<QFileDialog>([&](QFileDialog* files) {
      auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      for (int i = 0; i < 4; ++i) QTest::keyClick(types, Qt::Key_Down);
      whenOpen<QMessageBox>([&](QMessageBox* box) {
        asked = box->text();
        box->button(QMessageBox::No)->click();
        files->reject();
      });
      auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      name->setText(QStringLiteral("photo"));
      QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(prompts_.saveFileName(nullptr, {}, parseFilterList(kSaveFilter), true), std::nullopt);
    QVERIFY2(asked.contains(QStringLiteral("photo.png")), qPrintable(asked));
  }
};

QTEST_MAIN(QtPromptsTest)
#include "qt_prompts_test.moc"
