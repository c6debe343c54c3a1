#pragma once
// A framed box showing one template object scaled to fit, as the editor's
// delete question shows the object about to go. Only the shape is shown: text
// comes out black on white, pictures without their transparent colour or
// opacity.

#include <QRect>
#include <QSize>
#include <QWidget>

#include "template/template_document.h"

namespace imbrino {

class ObjectPreview : public QWidget {
  Q_OBJECT

 public:
  explicit ObjectPreview(QWidget* parent = nullptr);

  // The object is not owned and must outlive the preview or be cleared from
  // it. Setting one replaces the other.
  void setTextObject(const TextObject* text);
  void setPictureObject(const PictureObject* picture);
  void clear();

  // Where an object of `object` size is shown in a preview of `client` size:
  // as it is when it fits, else shrunk to the full width (wide objects) or
  // height (the others) keeping its proportions, centred.
  static QRect previewRect(QSize object, QSize client);

  // The object's size before fitting: a picture's displayed size, a text's
  // measured extent. Empty when nothing is set.
  QSize objectSize() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TextObject* text_ = nullptr;
  const PictureObject* picture_ = nullptr;
};

}  // namespace imbrino
