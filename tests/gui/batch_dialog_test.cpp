// The batch window: adding files (duplicates, broken files, order), deleting
// rows, the template choice, the two start errors, a whole run against the
// engine run directly, what is refused while a run goes on, and the run's
// options.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include "batch_window/batch_dialog.h"
#include "batch_window/mark_options_dialog.h"
#include "batch_window/placement_pickers.h"
#include "batch_window/report_dialog.h"
#include "gui/support/app_fixture.h"
#include "main_window/application.h"
#include "main_window/main_window.h"
#include "shared/program_texts.h"
#include "template/template_file.h"
#include "widgets/control_id.h"

using namespace imbrino;
using namespace imbrino::test;

class BatchDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<AppFixture> app_;
  std::unique_ptr<BatchDialog> dialog_;
  QStringList questions_;
  std::deque<int> answers_;

  template <class T>
  T* control(int id) const {
    return findControl<T>(*dialog_, id);
  }
  void click(int id) { QTest::mouseClick(control<QPushButton>(id), Qt::LeftButton); }
  QString status() const { return control<QLabel>(kBatchStatus)->text(); }

  // Adds `paths` through the add button and waits until they are listed.
  void add(const QStringList& paths) {
    QSignalSpy ended(dialog_.get(), &BatchDialog::addingEnded);
    app_->prompts.multiFileAnswers.push_back(paths);
    click(kBatchAddFiles);
    QVERIFY(ended.count() == 1 || ended.wait(10000));
  }
  // Opens the options window through its button and hands it to `act`.
  void throughOptions(const std::function<void(MarkOptionsDialog&)>& act) {
    bool opened = false;
    whenDialogOpens([&](QWidget* shown) {
      auto* options = qobject_cast<MarkOptionsDialog*>(shown);
      opened = options != nullptr;
      if (options) act(*options);
      shown->close();
    });
    click(kBatchOptions);
    QVERIFY(opened);
  }
  QStringList pictures(int count, const QString& prefix = QStringLiteral("p")) {
    QStringList paths;
    for (int i = 0; i < count; ++i)
      paths << app_->writePicture(QStringLiteral("%1%2.png").arg(prefix).arg(i), 40 + i, 30);
    return paths;
  }

 private slots:
  void init() {
    app_ = std::make_unique<AppFixture>();
    dialog_ = std::make_unique<BatchDialog>(app_->context, nullptr);
    questions_.clear();
    answers_.clear();
    dialog_->setDuplicateQuestion([this](const QString& question) {
      questions_ << question;
      const int answer = answers_.empty() ? 2 : answers_.front();
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
    dialog_->show();
  }
  void cleanup() {
    dialog_.reset();
    app_.reset();
  }

  void opensEmpty() {
    QCOMPARE(control<QTableWidget>(kBatchFileList)->rowCount(), 0);
    QVERIFY(control<QRadioButton>(kBatchByPosition)->isChecked());
    QCOMPARE(control<QComboBox>(kBatchTemplate)->currentIndex(), 0);
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("开始处理(&S)"));
    QCOMPARE(control<QWidget>(kBatchFileList)->toolTip(), QStringLiteral("双击文件可以查看图片"));
    auto* list = control<QTableWidget>(kBatchFileList);
    QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("文件大小"));
    QCOMPARE(list->columnWidth(0), 200);
  }

  // Each case: files listed first, files added next (indices into six
  // pictures, -1 a broken file, -2 a PNG named .jpg, -3 the first picture
  // with its name in capitals), the answers given, and the rows and number
  // of questions that result.
  void addingFiles_data() {
    QTest::addColumn<QList<int>>("first");
    QTest::addColumn<QList<int>>("then");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("asked");
    QTest::newRow("no keeps one") << QList<int>{0} << QList<int>{0} << QList<int>{2}
                                  << QList<int>{0} << 1;
    QTest::newRow("yes lists it twice")
        << QList<int>{0} << QList<int>{0} << QList<int>{0} << QList<int>{0, 0} << 1;
    QTest::newRow("no to all adds the new ones")
        << QList<int>{1, 3, 5} << QList<int>{0, 1, 2, 3, 4, 5} << QList<int>{3}
        << QList<int>{1, 3, 5, 0, 2, 4} << 1;
    QTest::newRow("yes to all asks once") << QList<int>{1, 3} << QList<int>{1, 2, 3, 1}
                                          << QList<int>{1} << QList<int>{1, 3, 1, 2, 3, 1} << 1;
    QTest::newRow("the same file twice in one round")
        << QList<int>{} << QList<int>{4, 4} << QList<int>{0} << QList<int>{4, 4} << 1;
    QTest::newRow("broken and renamed files are left out")
        << QList<int>{} << QList<int>{-1, 2, -2, 1} << QList<int>{} << QList<int>{2, 1} << 0;
    QTest::newRow("letter case makes another file")
        << QList<int>{-3} << QList<int>{-3, 0} << QList<int>{2} << QList<int>{-3, 0} << 1;
  }
  void addingFiles() {
    QFETCH(QList<int>, first);
    QFETCH(QList<int>, then);
    QFETCH(QList<int>, answers);
    QFETCH(QList<int>, rows);
    QFETCH(int, asked);
    const QStringList six = pictures(6);
    QFile broken(app_->file(QStringLiteral("broken.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(bytesOf(six[0]).left(60));
    broken.close();
    QVERIFY(QFile::copy(six[1], app_->file(QStringLiteral("renamed.jpg"))));
    QVERIFY(QFile::copy(six[0], app_->file(QStringLiteral("P0.PNG"))));
    auto path = [&](int i) {
      return i == -1   ? app_->file(QStringLiteral("broken.png"))
             : i == -2 ? app_->file(QStringLiteral("renamed.jpg"))
             : i == -3 ? app_->file(QStringLiteral("P0.PNG"))
                       : six[i];
    };
    auto paths = [&](const QList<int>& indices) {
      QStringList list;
      for (int i : indices) list << path(i);
      return list;
    };
    if (!first.isEmpty()) add(paths(first));
    answers_.assign(answers.begin(), answers.end());
    add(paths(then));
    QCOMPARE(dialog_->listedFiles(), paths(rows));
    QCOMPARE(questions_.size(), asked);
    QCOMPARE(status(), QStringLiteral("文件数为:%1").arg(rows.size()));
    QVERIFY(app_->prompts.messages.empty());
    auto* list = control<QTableWidget>(kBatchFileList);
    if (rows.value(0) >= 0 && !rows.isEmpty()) {
      QCOMPARE(list->item(0, 2)->text(), QString::number(40 + rows[0]));
      QCOMPARE(list->item(0, 3)->text(), QStringLiteral("30"));
      QVERIFY(list->item(0, 1)->text().endsWith(QStringLiteral(" Byte")) ||
              list->item(0, 1)->text().endsWith(QStringLiteral(" KB")));
    }
  }

  // Escape while pictures are checked stops the adding, not the window.
  void escapeStopsAdding() {
    const QStringList twenty = pictures(20);
    QSignalSpy ended(dialog_.get(), &BatchDialog::addingEnded);
    app_->prompts.multiFileAnswers.push_back(twenty);
    click(kBatchAddFiles);
    QVERIFY(dialog_->adding());
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("停止添加(&S)"));
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QCOMPARE(ended.count(), 1);
    QVERIFY(dialog_->isVisible());
    QVERIFY(!dialog_->adding());
    QTRY_COMPARE(status(), QStringLiteral("文件数为:0"));  // late results are dropped
    QVERIFY(dialog_->listedFiles().isEmpty());
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("开始处理(&S)"));
  }

  // The main window's batch command (Ctrl+P) opens the dialog over the editing template.
  void theMainWindowOpensIt() {
    app_->editing.document.background.width = 123;
    MainWindow window(app_->context, programSeams(app_->context));
    window.show();
    bool opened = false;
    whenDialogOpens([&](QWidget* shown) {
      auto* batch = qobject_cast<BatchDialog*>(shown);
      opened = batch && &batch->chosenTemplate() == &app_->editing.document &&
               batch->listedFiles().isEmpty();
      QTest::keyClick(shown, Qt::Key_Escape);
    });
    QCOMPARE(window.action(kCommandBatch)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    window.action(kCommandBatch)->trigger();
    QVERIFY(opened);
  }

  void theQuestionNamesTheFile() {
    const QStringList one = pictures(1);
    add(one);
    add(one);
    QCOMPARE(questions_, QStringList{QStringLiteral("文件: ") + one[0] +
                                     QStringLiteral(" 已经存在在列表中,是否要继续添加该文件?")});
  }

  void deletesScatteredRowsAndAll() {
    const QStringList five = pictures(5);
    add(five);
    auto* list = control<QTableWidget>(kBatchFileList);
    list->clearSelection();
    for (int row : {0, 2, 4})
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    click(kBatchDeleteFiles);
    QCOMPARE(dialog_->listedFiles(), (QStringList{five[1], five[3]}));
    QCOMPARE(status(), QStringLiteral("文件数为:2"));
    list->clearSelection();
    click(kBatchDeleteFiles);  // nothing selected: nothing goes
    QCOMPARE(list->rowCount(), 2);
    click(kBatchDeleteAll);
    QCOMPARE(list->rowCount(), 0);
    QCOMPARE(status(), QStringLiteral("文件数为:0"));
    // A deleted file is not listed any more: adding it asks nothing.
    add({five[1]});
    QVERIFY(questions_.isEmpty());
  }

  void templateChoice() {
    auto* combo = control<QComboBox>(kBatchTemplate);
    const QString good = app_->writeTemplate(QStringLiteral("t.src"), 70, 20, 0x0000FF);
    QFile bad(app_->file(QStringLiteral("bad.src")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a template");
    bad.close();
    struct Case {
      std::optional<QString> answer;
      int index;
      int width;
    } cases[] = {{std::nullopt, 0, 250},
                 {good, 1, 70},
                 {std::nullopt, 0, 250},
                 {good, 1, 70},
                 {bad.fileName(), 0, 250}};
    for (const Case& c : cases) {
      app_->prompts.fileAnswers.push_back(c.answer);
      combo->setCurrentIndex(1);
      emit combo->activated(1);
      QCOMPARE(combo->currentIndex(), c.index);
      QCOMPARE(dialog_->chosenTemplate().background.width, c.width);
    }
    QCOMPARE(app_->prompts.fileDialogFilters.back().front().patterns,
             QStringList{QStringLiteral("*.src")});
  }

  // The folder box is read when the run starts, and what cannot take the
  // results is refused with a message.
  void startErrors() {
    const QString title = programTitle();
    click(kBatchStart);
    add(pictures(1));
    const QString missing = app_->file(QStringLiteral("missing"));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("  "), QStringLiteral("请先指定另存为目录")},
        {QStringLiteral("out"), QStringLiteral("另存为目录必须是完整的路径,请重新指定:\nout")},
        {missing, QStringLiteral("另存为目录不存在,请重新指定:\n") + missing},
    };
    QStringList expected{QStringLiteral("当前没有图片,请先添加图片")};
    for (const auto& [typed, text] : cases) {
      control<QLineEdit>(kBatchFolder)->setText(typed);
      click(kBatchStart);
      expected << text;
    }
    QCOMPARE(app_->prompts.messageTexts(), expected);
    QCOMPARE(app_->prompts.messages[0].caption, title);
    QCOMPARE(app_->prompts.messages[1].icon, MessageIcon::Error);
    QVERIFY(!dialog_->runActive());
  }

  // Results into the pictures' own folder: asked once, no by default, and
  // "否" writes nothing. A one-file run ends with a full, still bar.
  void askedBeforeReplacingListedPictures() {
    const QStringList one = pictures(1);
    add(one);
    control<QLineEdit>(kBatchFolder)->setText(app_->folder.path());
    const QByteArray original = bytesOf(one[0]);
    click(kBatchStart);
    QCOMPARE(app_->prompts.messages.size(), std::size_t{1});
    QVERIFY(app_->prompts.messages[0].text.startsWith(QStringLiteral("列表中有1张图片将被覆盖")));
    QCOMPARE(app_->prompts.messages[0].buttons, MessageButtons::YesNoDefaultNo);
    QVERIFY(!dialog_->runActive());
    QCOMPARE(bytesOf(one[0]), original);

    app_->prompts.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
    QSignalSpy ended(dialog_.get(), &BatchDialog::runEnded);
    click(kBatchStart);
    QVERIFY(ended.wait(20000));
    QCOMPARE(app_->prompts.messages.size(), std::size_t{3});  // the question, then the summary
    QVERIFY(bytesOf(one[0]) != original);
    const auto* bar = control<QProgressBar>(kBatchProgress);
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), bar->maximum());
  }

  // A whole run writes what the engine writes on its own, and its report.
  void runWritesWhatTheEngineWrites() {
    const QStringList files = pictures(4);
    const QString templatePath = app_->writeTemplate(QStringLiteral("t.src"), 20, 10, 0x00FF00);
    app_->prompts.fileAnswers.push_back(templatePath);
    emit control<QComboBox>(kBatchTemplate)->activated(1);
    add(files);
    QVERIFY(QDir(app_->folder.path()).mkdir(QStringLiteral("out")));
    QVERIFY(QDir(app_->folder.path()).mkdir(QStringLiteral("direct")));
    // The folder chosen with the browse button, then another typed over it:
    // the box is what counts.
    app_->prompts.folderAnswers.push_back(app_->file(QStringLiteral("direct")));
    click(kBatchBrowse);
    QCOMPARE(control<QLineEdit>(kBatchFolder)->text(), app_->file(QStringLiteral("direct")));
    control<QLineEdit>(kBatchFolder)->setText(app_->file(QStringLiteral("out")));
    control<QRadioButton>(kBatchByPercent)->click();

    app_->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    QString report;
    whenDialogOpens([&](QWidget* shown) {
      auto* dialog = qobject_cast<ReportDialog*>(shown);
      if (dialog) report = dialog->reportText();
      shown->close();
    });
    QSignalSpy ended(dialog_.get(), &BatchDialog::runEnded);
    click(kBatchStart);
    QVERIFY(ended.wait(20000));
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("开始处理(&S)"));
    QCOMPARE(status(), QStringLiteral("文件总数为:4"));
    QVERIFY(QDir(app_->file(QStringLiteral("direct"))).isEmpty());

    Template document;
    QVERIFY(readTemplateFile(templatePath.toStdString(), document));
    BatchJob job;
    for (const QString& f : files) job.files.push_back(f.toStdString());
    job.mode = PlacementMode::Percent;
    job.values = kDefaultPercent;
    job.document = &document;
    job.outputFolder = app_->file(QStringLiteral("direct")).toStdString();
    BatchProgress quiet;
    std::atomic<bool> running{true};
    const BatchResult direct = runBatch(job, quiet, running);
    QCOMPARE(int(direct.lists.savedFiles.size()), 4);
    for (const QString& f : files) {
      const QString name = QFileInfo(f).fileName();
      const QByteArray written = bytesOf(app_->file(QStringLiteral("out/") + name));
      QVERIFY(!written.isEmpty());
      QCOMPARE(written, bytesOf(app_->file(QStringLiteral("direct/") + name)));
    }
    QCOMPARE(app_->prompts.messageTexts(),
             QStringList{QString::fromStdString(batchSummaryText(4, direct.lists))});
    QCOMPARE(report, QString::fromStdString(composeReport({}, direct.lists.savedFiles, {}))
                         .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  }

  // While a run's worker lives, nothing of its inputs changes and the window
  // stays; a stopped run reports the files it left.
  void duringAndAfterAStoppedRun() {
    const QStringList files = pictures(30);
    add(files);
    QVERIFY(QDir(app_->folder.path()).mkdir(QStringLiteral("out")));
    app_->prompts.folderAnswers.push_back(app_->file(QStringLiteral("out")));
    click(kBatchBrowse);
    dialog_->setWorkers(1);
    app_->prompts.messageAnswers.push_back(MessageAnswer::Yes);
    QString report;
    whenDialogOpens([&](QWidget* shown) {
      if (auto* dialog = qobject_cast<ReportDialog*>(shown)) report = dialog->reportText();
      shown->close();
    });
    QSignalSpy ended(dialog_.get(), &BatchDialog::runEnded);
    click(kBatchStart);
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("停止处理(&S)"));
    click(kBatchStart);  // stop at once: the file in hand is finished, the rest left
    QCOMPARE(control<QPushButton>(kBatchStart)->text(), QStringLiteral("开始处理(&S)"));
    // Nothing of the run has come back yet: its worker is alive, and the
    // run's inputs and the window stay as they are.
    QVERIFY(dialog_->runActive());
    control<QRadioButton>(kBatchByPercent)->click();
    QVERIFY(control<QRadioButton>(kBatchByPosition)->isChecked());
    QVERIFY(!control<QRadioButton>(kBatchByPercent)->isChecked());
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(dialog_->isVisible());
    QVERIFY(!dialog_->close());
    click(kBatchDeleteAll);
    QCOMPARE(dialog_->listedFiles(), files);
    click(kBatchStart);  // no second run while the first one's worker lives
    QVERIFY(dialog_->runActive());
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.count(), 1);
    QVERIFY(!dialog_->runActive());

    // One worker goes in list order: what was written comes first, the
    // rest is pending.
    BatchLists lists;
    for (const QString& f : files) {
      const bool written =
          QFile::exists(app_->file(QStringLiteral("out/") + QFileInfo(f).fileName()));
      (written ? lists.savedFiles : lists.pendingFiles).push_back(f.toStdString());
    }
    QVERIFY(!lists.pendingFiles.empty());
    QCOMPARE(app_->prompts.messageTexts(),
             QStringList{QString::fromStdString(batchSummaryText(30, lists))});
    QCOMPARE(app_->prompts.messages[0].buttons, MessageButtons::YesNo);
    QCOMPARE(report, QString::fromStdString(composeReport({}, lists.savedFiles, lists.pendingFiles))
                         .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // Idle again: Enter does nothing, Escape closes.
    QTest::keyClick(dialog_.get(), Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
  }

  // The options confirmed go into the settings file and the next run; a
  // cancelled window changes neither, and a new window starts with them.
  void optionsReachTheRunAndComeBack() {
    RunChoices chosen;
    chosen.mark = {30, ScaleSide::Longer, true, 120, -45, true};
    chosen.jpeg = JpegWriting::Keep;
    throughOptions([&](MarkOptionsDialog& options) {
      options.setChoices({});
      // Each box brings its own settings out of grey.
      for (const auto& [box, part] :
           {std::pair{kOptionsScale, kOptionsScalePercent}, {kOptionsTile, kOptionsTileAngle}}) {
        auto* dependent = findControl<QSpinBox>(options, part);
        QVERIFY(!dependent->isEnabled());
        QTest::mouseClick(findControl<QWidget>(options, box), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(dependent->isEnabled());
      }
      options.setChoices(chosen);
      QTest::mouseClick(findControl<QPushButton>(options, kOptionsOk), Qt::LeftButton);
    });
    QCOMPARE(readRunChoices(app_->context.settings), chosen);
    throughOptions([&](MarkOptionsDialog& options) {
      QVERIFY(options.choices() == chosen);
      options.setChoices({});
      QTest::mouseClick(findControl<QPushButton>(options, kOptionsCancel), Qt::LeftButton);
    });
    QCOMPARE(readRunChoices(app_->context.settings), chosen);

    add(pictures(1));
    QVERIFY(QDir(app_->folder.path()).mkdir(QStringLiteral("out")));
    control<QLineEdit>(kBatchFolder)->setText(app_->file(QStringLiteral("out")));
    QSignalSpy ended(dialog_.get(), &BatchDialog::runEnded);
    click(kBatchStart);
    QVERIFY(ended.wait(20000));
    QVERIFY(dialog_->lastJob().mark == chosen.mark);
    QCOMPARE(dialog_->lastJob().jpeg, chosen.jpeg);

    BatchDialog again(app_->context, nullptr);
    QVERIFY(again.runChoices() == chosen);
  }

  // A selected row shows its picture stamped where the picker says; without
  // a selection, or when the file cannot be read any more, the template is
  // back.
  void previewFollowsTheSelection() {
    const QString good = app_->writePicture(QStringLiteral("big.png"), 400, 300);
    const QString spoilt = app_->writePicture(QStringLiteral("spoilt.png"), 400, 300);
    add({good, spoilt});
    QFile(spoilt).resize(60);
    auto* preview = control<QWidget>(kBatchPreview);
    auto shown = [&] { return preview->grab().toImage(); };
    auto readDone = [&] { return !preview->testAttribute(Qt::WA_SetCursor); };
    const QImage templateOnly = shown();
    auto* list = control<QTableWidget>(kBatchFileList);

    list->selectRow(0);
    QTRY_VERIFY(readDone());
    const QImage centred = shown();
    QVERIFY(centred != templateOnly);
    QTest::mouseClick(control<QWidget>(kBatchPositionPicker)->findChild<PositionPicker*>(),
                      Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(shown() != centred);
    list->clearSelection();
    QCOMPARE(shown(), templateOnly);

    list->selectRow(1);
    QTRY_VERIFY(readDone());
    QCOMPARE(shown(), templateOnly);
  }
};

QTEST_MAIN(BatchDialogTest)
#include "batch_dialog_test.moc"
