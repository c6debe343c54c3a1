#pragma once
// The background panel: the editing template's background size, colour,
// transparency and opacity, written into the template as they are changed.

#include "editor/property_panel.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace imbrino {

class ColourRow;
struct TemplateBackground;

// The ids of the panel's controls.
enum BackgroundControl : int {
  kBackgroundWidth = 1000,
  kBackgroundHeight = 1001,
  kBackgroundPick = 1006,
  kBackgroundColour = 1007,
  kBackgroundTransparent = 1039,
  kBackgroundChoose = 1040,
  kBackgroundAlpha = 1044,
  kBackgroundAlphaNumber = 1045,
  kBackgroundWidthSpin = 1062,
  kBackgroundHeightSpin = 1063,
};

class PropertyBK : public PropertyPanel {
  Q_OBJECT

 public:
  // Hidden, filled from the background and placed from [PropertyBK] X, Y.
  PropertyBK(AppContext& context, PanelHost& host, QWidget* editor);
  // Writes [PropertyBK] X and Y if it was shown.
  ~PropertyBK() override;

  // Shows the background's values; the editor calls it before showing the panel.
  void loadFromBackground();

 private:
  void createControls();
  TemplateBackground& background();
  void readControls();
  void writeControls();

  void widthEdited();
  void heightEdited();
  void stepWidth(int delta);
  void stepHeight(int delta);
  void applySize(bool width);
  void transparentClicked(bool checked);
  void colourChosen(ColorRef colour);
  void alphaMoved(int position);

  QLineEdit* widthEdit_ = nullptr;
  QLineEdit* heightEdit_ = nullptr;
  SpinArrows* widthSpin_ = nullptr;
  SpinArrows* heightSpin_ = nullptr;
  ColourRow* colourRow_ = nullptr;
  QCheckBox* transparentBox_ = nullptr;
  QSlider* alphaBar_ = nullptr;
  QLabel* alphaNumber_ = nullptr;

  int width_ = 0;
  int height_ = 0;
  int alpha_ = 0;
};

}  // namespace imbrino
