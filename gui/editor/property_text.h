#pragma once
// The text panel: the text, face, size, style, colours and opacity of one
// text object of the editing template, written into it as they are changed.

#include <string>

#include "editor/property_panel.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace imbrino {

class ColourRow;
struct TextObject;

// The ids of the panel's controls.
enum TextControl : int {
  kTextTransparent = 1039,
  kTextFace = 1046,
  kTextBold = 1047,
  kTextItalic = 1048,
  kTextUnderline = 1049,
  kTextStrikeOut = 1050,
  kTextColourChoose = 1051,
  kTextColourPick = 1052,
  kTextBackChoose = 1053,
  kTextBackPick = 1054,
  kTextAlpha = 1056,
  kTextContent = 1057,
  kTextColour = 1058,
  kTextBackColour = 1059,
  kTextAlphaNumber = 1060,
  kTextSize = 1061,
};

class PropertyText : public PropertyPanel {
  Q_OBJECT

 public:
  // Hidden, bound to nothing, placed from [PropertyText] X, Y.
  PropertyText(AppContext& context, PanelHost& host, QWidget* editor);
  // Writes [PropertyText] X and Y if it was shown.
  ~PropertyText() override;

  // Binds the panel to text object `index` of the editing template. The
  // object is looked up again on every use: an index that no longer names
  // an object binds nothing.
  void bind(int index);
  int boundIndex() const override { return index_; }
  // Shows the bound object's values (nothing while nothing is bound); the
  // editor calls it before showing the panel.
  void loadFromObject();

  // How the face list shows a face that is not installed.
  static QString notInstalledFaceText(const QString& face);

 private:
  void createControls();
  TextObject* object();
  void fillFaceList(const TextObject& text);
  void fillSizeList(const TextObject& text);
  void writeControls();

  void textEdited(const QString& text);
  void faceChosen(int index);
  void sizeChosen(int index);
  void styleClicked();
  void colourChosen(bool text, ColorRef colour);
  void alphaMoved(int position);

  int index_ = -1;
  // The shown text, as last accepted into the object.
  QString text_;
  int alpha_ = 0;

  QLineEdit* textEdit_ = nullptr;
  QComboBox* faceList_ = nullptr;
  QComboBox* sizeList_ = nullptr;
  QCheckBox* boldBox_ = nullptr;
  QCheckBox* italicBox_ = nullptr;
  QCheckBox* underlineBox_ = nullptr;
  QCheckBox* strikeOutBox_ = nullptr;
  QCheckBox* transparentBox_ = nullptr;
  ColourRow* textColourRow_ = nullptr;
  ColourRow* backColourRow_ = nullptr;
  QSlider* alphaBar_ = nullptr;
  QLabel* alphaNumber_ = nullptr;
};

}  // namespace imbrino
