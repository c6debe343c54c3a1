#pragma once
// One picture loaded from a file, for the windows that draw bitmaps of their
// own (button strips and the like). Failures are told to the user here, with
// the texts the program has always shown for them.

#include <QImage>
#include <QRect>
#include <QString>

class QPainter;
class QWidget;

namespace imbrino {

class Prompts;

class CPicture {
 public:
  // `owner` parents the error messages; it may be null.
  explicit CPicture(Prompts& prompts, QWidget* owner = nullptr);

  // Reads the whole file and decodes it by its extension. Any earlier picture
  // is dropped first, so after a failure the picture is empty (0 x 0).
  bool load(const QString& path);

  // Draws the whole picture stretched into `target`, without smoothing, so
  // strips drawn at their own size come out pixel for pixel. False when there
  // is no picture.
  bool render(QPainter& painter, const QRect& target) const;

  bool isNull() const { return image_.isNull(); }
  int width() const { return width_; }
  int height() const { return height_; }
  // Size in bytes of the file last loaded; 0 when it could not be opened.
  qint64 length() const { return length_; }
  // The decoded pixels (Format_RGB32); null when nothing is loaded.
  const QImage& image() const { return image_; }

 private:
  void release();
  void showError(const QString& text) const;

  Prompts& prompts_;
  QWidget* owner_;
  QImage image_;
  int width_ = 0;
  int height_ = 0;
  qint64 length_ = 0;
};

}  // namespace imbrino
