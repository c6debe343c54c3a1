#pragma once
// "关于": the program's name, version and how to reach its makers. The
// contact fields can be selected and copied but not changed.

#include <QDialog>

namespace imbrino {

struct AppContext;
class CaptionButtonBar;

// The ids of the contact fields.
enum AboutControl : int {
  kAboutEmail = 1078,
  kAboutQq = 1081,
  kAboutMsn = 1082,
  kAboutHomePage = 1083,
  kAboutAuthor = 1084,
};

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(AppContext& context, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void addField(int row, const QString& label, int id, const QString& value);

  CaptionButtonBar* captionBar_;
};

}  // namespace imbrino
