#pragma once
// Asks for the size and background colour of a blank picture. The last values
// confirmed are remembered in the settings file for next time.

#include <QDialog>

#include "graphics/colour.h"

class QLineEdit;
class QPushButton;

namespace imbrino {

struct AppContext;
class ColourRow;

// The ids of the dialog's controls.
enum NewPictureControl : int {
  kNewPictureWidth = 1000,
  kNewPictureHeight = 1001,
  kNewPictureCreate = 1003,
  kNewPictureCancel = 1004,
  kNewPictureChoose = 1005,
  kNewPicturePick = 1006,
  kNewPictureColour = 1007,
};

class NewPictureDialog : public QDialog {
  Q_OBJECT

 public:
  // The largest picture the program creates.
  static constexpr int kMaxWidth = 4000;
  static constexpr int kMaxHeight = 3000;

  NewPictureDialog(AppContext& context, QWidget* parent);

  // Valid once the dialog was accepted.
  int pictureWidth() const { return width_; }
  int pictureHeight() const { return height_; }
  ColorRef colour() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void loadSettings();
  void create();
  void warn(const QString& text);

  AppContext& context_;
  QLineEdit* widthEdit_ = nullptr;
  QLineEdit* heightEdit_ = nullptr;
  ColourRow* colourRow_ = nullptr;
  QPushButton* createButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace imbrino
