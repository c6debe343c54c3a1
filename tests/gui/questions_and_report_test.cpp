// The four-answer questions (in words, and the editor's delete question with
// its object) and the run's report window.

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "batch_window/report_dialog.h"
#include "gui/support/app_fixture.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/four_way_question.h"
#include "widgets/object_preview.h"

using namespace imbrino;

namespace {

void saveShot(QWidget& widget, const char* name) {
  const QByteArray folder = qgetenv("IMBRINO_SHOT_DIR");
  if (!folder.isEmpty()) widget.grab().save(QString::fromUtf8(folder + "/" + name + ".png"));
}

QPushButton* button(QWidget& dialog, int id) {
  return findControl<QPushButton>(dialog, id);
}

const QString kQuestion =
    QStringLiteral("文件: /照片/2024/IMG_0001.JPG 已经存在在列表中,是否要继续添加该文件?");

// Both forms of the question, made fresh for each use.
std::unique_ptr<FourWayQuestion> makeQuestion(const QString& form, const PictureObject& object) {
  if (form == QLatin1String("text")) return std::make_unique<TextQuestion>(kQuestion);
  auto question = std::make_unique<DeleteObjectQuestion>();
  question->setPictureObject(&object);
  return question;
}

// Every control lies inside the window and none covers another.
bool controlsInsideAndApart(QWidget& window) {
  const QRect client(QPoint(0, 0), window.size());
  const auto children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (QWidget* a : children) {
    if (!client.contains(a->geometry())) return false;
    for (QWidget* b : children)
      if (a != b && a->geometry().intersects(b->geometry())) return false;
  }
  return true;
}

// Ends a modal run that the test failed to end, so a fault fails the case
// instead of hanging the program.
void failSafe(QDialog& dialog) {
  QTimer::singleShot(5000, &dialog, [&dialog] { dialog.done(99); });
}

PictureObject bluePicture() {
  PictureObject picture;
  picture.picture = Surface::create(4, 4, makePixel(0, 0, 255)).value();
  picture.sourceWidth = 4;
  picture.sourceHeight = 4;
  picture.width = 300;
  picture.height = 150;
  return picture;
}

}  // namespace

class QuestionsAndReportTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<test::AppFixture> app_;
  const PictureObject picture_ = bluePicture();

  static void addForms() { QTest::addColumn<QString>("form"); }

 private slots:
  void init() { app_ = std::make_unique<test::AppFixture>(); }

  void everyWayOfAnsweringGivesItsAnswer_data() {
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("answer");
    for (const char* form : {"text", "delete"}) {
      QTest::addRow("%s: 是", form) << form << controlName(kQuestionYes) << 0;
      QTest::addRow("%s: 全部皆是", form) << form << controlName(kQuestionYesToAll) << 1;
      QTest::addRow("%s: 否", form) << form << controlName(kQuestionNo) << 2;
      QTest::addRow("%s: 全部皆否", form) << form << controlName(kQuestionNoToAll) << 3;
      QTest::addRow("%s: Escape", form) << form << "Escape" << 2;
      QTest::addRow("%s: window system close", form) << form << "close" << 2;
      QTest::addRow("%s: Alt+L", form) << form << "Alt+L" << 1;
      QTest::addRow("%s: E alone", form) << form << "E" << 3;
    }
  }
  void everyWayOfAnsweringGivesItsAnswer() {
    QFETCH(QString, form);
    QFETCH(QString, how);
    QFETCH(int, answer);
    auto question = makeQuestion(form, picture_);
    QDialog* dialog = question.get();
    QTimer::singleShot(0, dialog, [dialog, how] {
      QApplication::setActiveWindow(dialog);  // shortcuts go to the active window
      if (auto* clicked = dialog->findChild<QPushButton*>(how)) {
        QTest::mouseClick(clicked, Qt::LeftButton);
      } else if (how == QLatin1String("close")) {
        dialog->close();
      } else {
        QTest::keySequence(dialog->focusWidget() ? dialog->focusWidget() : dialog,
                           QKeySequence(how));
      }
    });
    failSafe(*dialog);
    QCOMPARE(dialog->exec(), answer);
    QVERIFY(!dialog->isVisible());
  }

  void enterAnswersNothing_data() {
    addForms();
    QTest::newRow("text") << "text";
    QTest::newRow("delete") << "delete";
  }
  void enterAnswersNothing() {
    QFETCH(QString, form);
    auto question = makeQuestion(form, picture_);
    question->show();
    QVERIFY(QTest::qWaitForWindowExposed(question.get()));
    for (int id : {kQuestionYes, kQuestionYesToAll, kQuestionNo, kQuestionNoToAll}) {
      QPushButton* b = button(*question, id);
      QVERIFY(!b->isDefault());
      b->setFocus();
      QTest::keyClick(b, Qt::Key_Return);
      QTest::keyClick(b, Qt::Key_Enter);
      QVERIFY(question->isVisible());
    }
    QTest::keyClick(question.get(), Qt::Key_Return);
    QVERIFY(question->isVisible());
  }

  void questionsLookRight_data() {
    addForms();
    QTest::newRow("text") << "text";
    QTest::newRow("delete") << "delete";
  }
  void questionsLookRight() {
    QFETCH(QString, form);
    auto question = makeQuestion(form, picture_);
    QCOMPARE(question->windowTitle(), QStringLiteral("询问"));
    const Qt::WindowFlags flags = question->windowFlags();
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));  // no close box
    const QStringList texts{"是(&Y)", "全部皆是(&L)", "否(&N)", "全部皆否(&E)"};
    const int ids[4] = {kQuestionYes, kQuestionYesToAll, kQuestionNo, kQuestionNoToAll};
    for (int i = 0; i < 4; ++i) QCOMPARE(button(*question, ids[i])->text(), texts[i]);

    QVERIFY(controlsInsideAndApart(*question));
    question->show();
    QVERIFY(QTest::qWaitForWindowExposed(question.get()));
    saveShot(*question, form == QLatin1String("text") ? "question_text" : "question_delete");
  }

  // However long the path, the question after it shows inside the box: the
  // window grows, and beyond a limit the path loses its middle.
  void textQuestionShowsItsQuestion_data() {
    QTest::addColumn<int>("pathLength");
    QTest::addColumn<bool>("cut");
    QTest::newRow("short") << 20 << false;
    QTest::newRow("several lines") << 600 << false;
    QTest::newRow("too long for any window") << 5000 << true;
  }
  void textQuestionShowsItsQuestion() {
    QFETCH(int, pathLength);
    QFETCH(bool, cut);
    const QString tail = QStringLiteral(".png 已经存在在列表中,是否要继续添加该文件?");
    const QString asked = QStringLiteral("文件: /") + QString(pathLength, QLatin1Char('x')) + tail;
    TextQuestion question(asked);
    QCOMPARE(question.question(), asked);
    auto* box = findControl<QLabel>(question, kQuestionText);
    QVERIFY(box);
    QVERIFY(box->text().startsWith(QStringLiteral("文件: /x")));
    QVERIFY(box->text().endsWith(tail));
    QCOMPARE(box->text() != asked, cut);
    // A text running past the box would need more room even wrapped as tightly as can be.
    const QRect needed = box->fontMetrics().boundingRect(
        QRect(0, 0, box->width(), 100000), Qt::AlignHCenter | Qt::TextWrapAnywhere, box->text());
    QVERIFY2(needed.height() <= box->height(), qPrintable(QString::number(needed.height())));
    QVERIFY(controlsInsideAndApart(question));
    question.show();
    QVERIFY(QTest::qWaitForWindowExposed(&question));
    if (cut) saveShot(question, "question_long_path");
  }

  void deleteQuestionShowsTheObject() {
    DeleteObjectQuestion question;
    question.setPictureObject(&picture_);
    auto* preview = findControl<ObjectPreview>(question, kQuestionPreview);
    QVERIFY(preview);
    QCOMPARE(preview->objectSize(), QSize(300, 150));
    const QImage shot = preview->grab().toImage();
    const QPoint middle(preview->width() / 2, preview->height() / 2);
    QCOMPARE(shot.pixel(middle), 0xFF0000FFu);
    QVERIFY(question.findChild<QLabel*>() != nullptr);
    bool asked = false;
    for (QLabel* label : question.findChildren<QLabel*>())
      asked |= label->text() == QStringLiteral("是否真的要删除该目标?");
    QVERIFY(asked);
  }

  void reportShowsTheComposedText() {
    const BatchLists lists{{"/out/a.jpg", "/out/b.png"}, {"/in/坏.gif"}, {"/in/c.bmp"}};
    ReportDialog dialog(app_->context, nullptr);
    dialog.setReport(lists);
    const QString composed = QString::fromStdString(
        composeReport(lists.failedFiles, lists.savedFiles, lists.pendingFiles));
    auto* text = findControl<QPlainTextEdit>(dialog, kReportText);
    QVERIFY(text);
    QCOMPARE(text->toPlainText(), QString(composed).replace(QStringLiteral("\r\n"), "\n"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("报告"));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(button(dialog, kReportClose)->text(), QStringLiteral("关闭(&C)"));
    QVERIFY(dialog.findChild<CaptionButtonBar*>());
    QVERIFY(text->geometry().bottom() < button(dialog, kReportClose)->geometry().top());

    // Opens at the top with nothing selected; Enter starts a new line there.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // The donation button never hides a line of the report.
    QVERIFY(!dialog.findChild<CaptionButtonBar*>()->geometry().intersects(text->geometry()));
    saveShot(dialog, "report");
    text->setFocus();
    QVERIFY(!text->textCursor().hasSelection());
    QCOMPARE(text->textCursor().position(), 0);
    QTest::keyClick(text, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(text->toPlainText(), QLatin1Char('\n') + QString(composed).replace("\r\n", "\n"));
    // Nor does Enter on the button close it.
    button(dialog, kReportClose)->setFocus();
    QTest::keyClick(button(dialog, kReportClose), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
  }

  void reportClosesWithZero_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "button";
    QTest::newRow("Escape in the text") << "Escape";
    QTest::newRow("close box") << "close";
  }
  void reportClosesWithZero() {
    QFETCH(QString, how);
    ReportDialog dialog(app_->context, nullptr);
    dialog.setReport(BatchLists{{"/out/a.jpg"}, {}, {}});
    QTimer::singleShot(0, &dialog, [&dialog, how] {
      auto* text = findControl<QPlainTextEdit>(dialog, kReportText);
      if (how == QLatin1String("button"))
        QTest::mouseClick(button(dialog, kReportClose), Qt::LeftButton);
      else if (how == QLatin1String("Escape"))
        QTest::keyClick(text, Qt::Key_Escape);
      else
        dialog.close();
    });
    failSafe(dialog);
    QCOMPARE(dialog.exec(), 0);
    QVERIFY(!dialog.isVisible());
  }
};

QTEST_MAIN(QuestionsAndReportTest)
#include "questions_and_report_test.moc"
