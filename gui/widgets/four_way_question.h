#pragma once
// The questions asked once per item of a series, with a way to answer for all
// the items still to come: "是", "全部皆是", "否", "全部皆否". exec() returns the
// answer (0..3). There is no default button, so Enter answers nothing; Escape
// means "否". Neither window has a close box.
//
// Two forms: a question in words (the batch list asks it for a picture that is
// already listed) and the editor's delete question, which shows the object.

#include <QDialog>

#include "template/template_document.h"

class QLabel;
class QPushButton;

namespace imbrino {

class ObjectPreview;

// The ids of the questions' controls.
enum FourWayControl : int {
  kQuestionText = 1024,
  kQuestionYes = 1025,
  kQuestionYesToAll = 1026,
  kQuestionNo = 1027,
  kQuestionNoToAll = 1029,
  kQuestionPreview = 1037,
};

class FourWayQuestion : public QDialog {
  Q_OBJECT

 public:
  enum Answer { AnswerYes = 0, AnswerYesToAll = 1, AnswerNo = 2, AnswerNoToAll = 3 };

  // Escape, and a close asked for by the window system, answer "否".
  void reject() override;

 protected:
  // A dialog of `width` x `height` dialog units whose four buttons stand in a
  // row starting at (`buttonsLeft`, `buttonsTop`).
  FourWayQuestion(QWidget* parent, int width, int height, int buttonsLeft, int buttonsTop);

  // The question mark picture at (`left`, `top`) in dialog units.
  void addQuestionIcon(int left, int top);
  // Makes the window taller by `pixels`, the buttons staying at its foot.
  void growBy(int pixels);

  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* buttons_[4] = {};
};

// The question in words, in lines centred beside the question mark. A long
// question (a long path in it) makes the window taller, and one too long for
// that loses its middle, so the end of the question is always in view.
class TextQuestion final : public FourWayQuestion {
  Q_OBJECT

 public:
  explicit TextQuestion(const QString& question, QWidget* parent = nullptr);

  // The whole question, however much of it is shown.
  QString question() const;

 private:
  QString question_;
  QLabel* text_;
};

// "是否真的要删除该目标?" beside the object about to be deleted, fitted into a
// box. The object is not owned and must outlive the dialog.
class DeleteObjectQuestion final : public FourWayQuestion {
  Q_OBJECT

 public:
  explicit DeleteObjectQuestion(QWidget* parent = nullptr);

  void setTextObject(const TextObject* text);
  void setPictureObject(const PictureObject* picture);

 private:
  ObjectPreview* preview_;
};

}  // namespace imbrino
