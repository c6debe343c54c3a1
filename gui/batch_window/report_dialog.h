#pragma once
// "报告": the detailed report of a batch run, offered when the run ends. The
// text can be scrolled, selected and copied; Enter in it starts a new line
// rather than closing the window.

#include <QDialog>

#include "batch/batch_report.h"

class QPlainTextEdit;
class QPushButton;

namespace imbrino {

struct AppContext;
class CaptionButtonBar;

// The ids of the report's controls.
enum ReportControl : int {
  kReportText = 1022,
  kReportClose = 1023,
};

class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  // `context` must outlive the dialog (its donation button opens a page).
  ReportDialog(AppContext& context, QWidget* parent);

  // The report of a run, as composeReport writes it.
  void setReport(const BatchLists& lists);
  // A report text with CR LF or LF line ends.
  void setReportText(const QString& text);
  QString reportText() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  CaptionButtonBar* captionBar_;
  QPlainTextEdit* text_;
  QPushButton* closeButton_;
};

}  // namespace imbrino
