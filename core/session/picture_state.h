#pragma once
// The main window's picture: the file as opened (never drawn over) and a
// working copy with the template stamped on it, rebuilt from the original
// before every use, so moving the template never smears the picture.

#include <optional>
#include <string>

#include "graphics/surface.h"
#include "image/picture_origin.h"
#include "template/template_document.h"

namespace imbrino {

struct PicturePoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PicturePoint&, const PicturePoint&) = default;
};

enum class OpenPictureResult { Opened, SizeUnreadable, Undecodable };

class PictureState {
 public:
  bool pictureOpen() const { return pictureOpen_; }
  const std::string& picturePath() const { return picturePath_; }
  void setPicturePath(std::string path) { picturePath_ = std::move(path); }
  int pictureWidth() const { return pictureWidth_; }
  int pictureHeight() const { return pictureHeight_; }
  int templateX() const { return templateX_; }
  int templateY() const { return templateY_; }
  const Surface& originalSurface() const { return originalSurface_; }
  const Surface& compositeSurface() const { return compositeSurface_; }

  // Back to "no picture": both surfaces freed, path, size and position zero.
  void releasePicture();

  // Decodes the file once. On SizeUnreadable (it does not load) the previous
  // picture is untouched; on Undecodable (no memory for the working copy) it
  // is already gone (the caller releases what is left). On success the
  // template is centred.
  OpenPictureResult openPictureFile(const std::string& path, const TemplateBackground& templ);

  // A blank picture of the given size and colour (0x00BBGGRR), template centred.
  bool newPicture(int width, int height, ColorRef colour, const TemplateBackground& templ);

  // (picture - template) / 2 on each axis, truncated toward zero: negative
  // when the template is the larger.
  void centreTemplate(const TemplateBackground& templ);
  void moveTemplateBy(int dx, int dy);

  // Inside the template's rectangle, both right and bottom edges included.
  bool templateContains(PicturePoint p, const TemplateBackground& templ) const;
  // Left of, above, or more than one past the last column or row.
  bool outsidePicture(PicturePoint p) const;

  // The composite rebuilt: the original with the template drawn at its place,
  // its fields showing this picture's facts. `frameWhole` adds the
  // template's frame, as the window shows it.
  void stamp(const Template& document, bool frameWhole);

 private:
  // The picture's metadata, read once for the path it was read for: a drag
  // stamps again at every move.
  const PictureOrigin& originOfPicture();
  std::optional<std::string> originPath_;
  PictureOrigin origin_;

  bool pictureOpen_ = false;
  std::string picturePath_;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int templateX_ = 0;
  int templateY_ = 0;
  Surface originalSurface_;
  Surface compositeSurface_;
};

// A drag of the template with the left button. The template stays where it is
// while the outline follows the mouse; it moves only when the button is
// released on the picture.
class TemplateDrag {
 public:
  bool dragging() const { return dragging_; }
  PicturePoint start() const { return start_; }
  PicturePoint current() const { return current_; }

  // Left button down at a picture point: a drag starts only on the template.
  void press(PicturePoint p, bool onTemplate);
  // Mouse moved; `anyButtonOrModifierDown` as the platform reports it. A move
  // with nothing held ends (cancels) a drag whose release was missed.
  void move(PicturePoint p, bool anyButtonOrModifierDown);
  // Left button up. Returns the distance to move the template by, or nothing
  // when there was no drag or it ended outside the picture.
  std::optional<PicturePoint> release(PicturePoint p, const PictureState& picture);
  void cancel();
  // Forget everything, points included (closing the picture).
  void reset() { *this = TemplateDrag{}; }

  // Top-left corner of the outline drawn while dragging, in picture coordinates.
  PicturePoint outlineOrigin(const PictureState& picture) const;

 private:
  bool dragging_ = false;
  PicturePoint start_;
  PicturePoint current_;
};

}  // namespace imbrino
