#include "session/picture_state.h"

#include <optional>

#include "image/image_io.h"
#include "platform/file_io.h"
#include "render/template_compose.h"
#include "template/template_fields.h"

namespace imbrino {

void PictureState::releasePicture() {
  *this = PictureState{};
}

OpenPictureResult PictureState::openPictureFile(const std::string& path,
                                                const TemplateBackground& templ) {
  // Decoded once: the picture comes back upright on white, as it is shown.
  auto original = loadPictureFile(path);
  if (!original) return OpenPictureResult::SizeUnreadable;
  releasePicture();
  const int width = original->width();
  const int height = original->height();
  auto composite = Surface::create(width, height);
  if (!composite) return OpenPictureResult::Undecodable;

  originalSurface_ = std::move(*original);
  compositeSurface_ = std::move(*composite);
  pictureOpen_ = true;
  picturePath_ = path;
  pictureWidth_ = width;
  pictureHeight_ = height;
  centreTemplate(templ);
  return OpenPictureResult::Opened;
}

bool PictureState::newPicture(int width, int height, ColorRef colour,
                              const TemplateBackground& templ) {
  auto original = Surface::create(width, height, pixelFromColorRef(colour));
  if (!original) return false;
  auto composite = Surface::create(width, height);
  if (!composite) return false;
  releasePicture();
  originalSurface_ = std::move(*original);
  compositeSurface_ = std::move(*composite);
  pictureOpen_ = true;
  pictureWidth_ = width;
  pictureHeight_ = height;
  centreTemplate(templ);
  return true;
}

void PictureState::centreTemplate(const TemplateBackground& templ) {
  templateX_ = static_cast<int>((std::int64_t{pictureWidth_} - templ.width) / 2);
  templateY_ = static_cast<int>((std::int64_t{pictureHeight_} - templ.height) / 2);
}

void PictureState::moveTemplateBy(int dx, int dy) {
  templateX_ += dx;
  templateY_ += dy;
}

bool PictureState::templateContains(PicturePoint p, const TemplateBackground& templ) const {
  return templateX_ <= p.x && p.x <= std::int64_t{templateX_} + templ.width && templateY_ <= p.y &&
         p.y <= std::int64_t{templateY_} + templ.height;
}

bool PictureState::outsidePicture(PicturePoint p) const {
  return p.x < 0 || p.y < 0 || p.x > pictureWidth_ || p.y > pictureHeight_;
}

void PictureState::stamp(const Template& document, bool frameWhole) {
  if (!pictureOpen_) return;
  compositeSurface_ = originalSurface_;
  std::optional<PictureFields> fields;
  if (templateUsesFields(document)) {
    fields = pictureFieldsFor(
        picturePath_, templateNeedsPictureOrigin(document) ? originOfPicture() : PictureOrigin{},
        pictureWidth_, pictureHeight_, PicturePlace{1, 1});
  }
  drawTemplate(compositeSurface_, templateX_, templateY_, document, frameWhole, false,
               fields ? &*fields : nullptr);
}

const PictureOrigin& PictureState::originOfPicture() {
  if (originPath_ != picturePath_) {
    origin_ = {};
    if (!picturePath_.empty())
      if (const auto bytes = readFileBytes(picturePath_)) origin_ = readPictureOrigin(*bytes);
    originPath_ = picturePath_;
  }
  return origin_;
}

void TemplateDrag::press(PicturePoint p, bool onTemplate) {
  dragging_ = onTemplate;
  if (onTemplate) start_ = current_ = p;
}

void TemplateDrag::move(PicturePoint p, bool anyButtonOrModifierDown) {
  if (anyButtonOrModifierDown)
    current_ = p;
  else
    dragging_ = false;
}

std::optional<PicturePoint> TemplateDrag::release(PicturePoint p, const PictureState& picture) {
  if (!dragging_) return std::nullopt;
  dragging_ = false;
  if (picture.outsidePicture(p)) return std::nullopt;
  current_ = p;
  return PicturePoint{current_.x - start_.x, current_.y - start_.y};
}

void TemplateDrag::cancel() {
  dragging_ = false;
}

PicturePoint TemplateDrag::outlineOrigin(const PictureState& picture) const {
  return {picture.templateX() + current_.x - start_.x, picture.templateY() + current_.y - start_.y};
}

}  // namespace imbrino
