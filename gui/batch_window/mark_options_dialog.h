#pragma once
// "选项": how the batch window fits the mark to each picture (scaled to a
// side of the picture, tiled over it, sent to the quietest corner) and how a
// JPEG is written. It opens with the choices remembered in the settings file
// and writes them back when confirmed; the batch window then runs with them.

#include <QDialog>
#include <QList>

#include "batch/mark_options.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace imbrino {

class SettingsFile;

// The ids of the dialog's controls.
enum MarkOptionsControl : int {
  kOptionsScale = 1200,
  kOptionsScaleSide = 1201,
  kOptionsScalePercent = 1202,
  kOptionsTile = 1203,
  kOptionsTileGap = 1204,
  kOptionsTileAngle = 1205,
  kOptionsAutoCorner = 1206,
  kOptionsKeepBlocks = 1207,
  kOptionsReencode = 1208,
  kOptionsOk = 1209,
  kOptionsCancel = 1210,
};

class MarkOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // `settings` must outlive the dialog.
  MarkOptionsDialog(const SettingsFile& settings, QWidget* parent);

  // What the controls show.
  RunChoices choices() const;
  void setChoices(const RunChoices& choices);

  // Writes the choices to the settings file, then closes.
  void accept() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void createControls();
  void enableDependents();

  const SettingsFile& settings_;
  QCheckBox* scaleBox_ = nullptr;
  QComboBox* sideCombo_ = nullptr;
  QSpinBox* percentSpin_ = nullptr;
  QCheckBox* tileBox_ = nullptr;
  QSpinBox* gapSpin_ = nullptr;
  QSpinBox* angleSpin_ = nullptr;
  QCheckBox* autoBox_ = nullptr;
  QRadioButton* keepRadio_ = nullptr;
  QRadioButton* reencodeRadio_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QList<QWidget*> scaleParts_;
  QList<QWidget*> tileParts_;
};

}  // namespace imbrino
