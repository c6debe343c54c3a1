#include "widgets/c_picture.h"

#include <QFile>
#include <QPainter>
#include <new>
#include <vector>

#include "image/image_io.h"
#include "shared/prompts.h"
#include "widgets/surface_image.h"

namespace imbrino {
namespace {

const QString kErrorCaption = QStringLiteral("CPicture Error");
// The tab belongs to the texts: they have always been shown that way.
const QString kNoMemory = QStringLiteral("Can not allocate enough memory\t");
const QString kNotAPicture = QStringLiteral("IPicture interface is not supported\t");

// Bigger files than this are not pictures a button or a preview draws.
constexpr qint64 kMaxFileBytes = qint64{1} << 30;

}  // namespace

CPicture::CPicture(Prompts& prompts, QWidget* owner) : prompts_(prompts), owner_(owner) {}

void CPicture::release() {
  image_ = QImage();
  width_ = 0;
  height_ = 0;
}

void CPicture::showError(const QString& text) const {
  prompts_.message(owner_, kErrorCaption, text, MessageIcon::Error, MessageButtons::Ok);
}

bool CPicture::load(const QString& path) {
  release();

  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    length_ = 0;
    // The system's own words for why the file did not open ("No such file or
    // directory"), as the user would see them anywhere else.
    showError(file.errorString());
    return false;
  }
  length_ = file.size();

  std::vector<std::uint8_t> bytes;
  try {
    if (length_ > kMaxFileBytes) throw std::bad_alloc();
    bytes.resize(static_cast<std::size_t>(length_));
  } catch (const std::bad_alloc&) {
    showError(kNoMemory);
    return false;
  }
  if (file.read(reinterpret_cast<char*>(bytes.data()), length_) != length_) {
    showError(file.errorString());
    return false;
  }

  const std::string localPath = path.toStdString();
  auto decoded = decodePicture(bytes, codecFormatOf(imageTypeOfPath(localPath)));
  if (!decoded) {
    showError(kNotAPicture);
    return false;
  }
  image_ = imageOfSurface(*decoded).copy();
  // A picture's size in 0.01 mm at a fixed 96 dpi converts back to its pixel
  // size exactly for a decoded bitmap, so the pixel size is taken as it is.
  width_ = image_.width();
  height_ = image_.height();
  return true;
}

bool CPicture::render(QPainter& painter, const QRect& target) const {
  if (image_.isNull()) return false;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, image_);
  painter.restore();
  return true;
}

}  // namespace imbrino
