#pragma once
// The picture panel: the display size, colour key and opacity of one picture
// object of the editing template, written into it as they are changed; the
// picture's own size and type are shown for reference.

#include "editor/property_panel.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace imbrino {

class ColourRow;
struct PictureObject;

// The ids of the panel's controls.
enum PictureControl : int {
  kPicturePick = 1006,
  kPictureChoose = 1040,
  kPictureWidthSpin = 1062,
  kPictureHeightSpin = 1063,
  kPictureSourceHeight = 1064,
  kPictureWidth = 1065,
  kPictureHeight = 1066,
  kPictureType = 1069,
  kPictureTransparent = 1070,
  kPictureAlpha = 1074,
  kPictureSourceWidth = 1075,
  kPictureAlphaNumber = 1076,
  kPictureKeyColour = 1077,
  kPictureOriginalSize = 1088,
};

class PropertyImage : public PropertyPanel {
  Q_OBJECT

 public:
  // Hidden, bound to nothing, placed from [PropertyImage] X, Y.
  PropertyImage(AppContext& context, PanelHost& host, QWidget* editor);
  // Writes [PropertyImage] X and Y if it was shown.
  ~PropertyImage() override;

  // Binds the panel to picture object `index` of the editing template. The
  // object is looked up again on every use: an index that no longer names
  // an object binds nothing.
  void bind(int index);
  int boundIndex() const override { return index_; }
  // Shows the bound object's values (nothing while nothing is bound); the
  // editor calls it before showing the panel.
  void loadFromObject();

 private:
  void createControls();
  PictureObject* object();
  void readControls();
  void writeControls();

  void sizeEdited(bool width);
  void step(bool width, int delta);
  void applySize(bool width);
  void transparentClicked(bool checked);
  void colourChosen(ColorRef colour);
  void alphaMoved(int position);
  void originalSize();

  int index_ = -1;
  int sourceWidth_ = 0;
  int sourceHeight_ = 0;
  int width_ = 0;
  int height_ = 0;
  QString typeText_;
  int alpha_ = 0;

  QLineEdit* sourceWidthEdit_ = nullptr;
  QLineEdit* sourceHeightEdit_ = nullptr;
  QLineEdit* widthEdit_ = nullptr;
  QLineEdit* heightEdit_ = nullptr;
  SpinArrows* widthSpin_ = nullptr;
  SpinArrows* heightSpin_ = nullptr;
  QLineEdit* typeEdit_ = nullptr;
  QCheckBox* transparentBox_ = nullptr;
  ColourRow* colourRow_ = nullptr;
  QSlider* alphaBar_ = nullptr;
  QLabel* alphaNumber_ = nullptr;
  QPushButton* originalButton_ = nullptr;
};

}  // namespace imbrino
