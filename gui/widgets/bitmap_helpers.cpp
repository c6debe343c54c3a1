#include "widgets/bitmap_helpers.h"

#include <QPalette>
#include <algorithm>

namespace imbrino {
namespace {

constexpr QRgb kRgbMask = 0x00FFFFFF;

bool isThirtyTwoBit(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
         format == QImage::Format_ARGB32_Premultiplied;
}

// The pixels of `image` as 0x??RRGGBB words, converted only when needed.
QImage asThirtyTwoBit(const QImage& image) {
  if (isThirtyTwoBit(image.format())) return image;
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                       : QImage::Format_RGB32);
}

}  // namespace

void drawTransparent(QImage& target, const QImage& bitmap, int x, int y, ColorRef key) {
  if (target.isNull() || bitmap.isNull()) return;
  if (!isThirtyTwoBit(target.format()))
    target.convertTo(target.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                              : QImage::Format_RGB32);
  const QImage source = asThirtyTwoBit(bitmap);
  const QRgb keyRgb = pixelFromColorRef(key) & kRgbMask;

  // Work in 64 bits: positions come from callers' arithmetic and may be far
  // outside the target.
  const qint64 left = std::max<qint64>(x, 0);
  const qint64 top = std::max<qint64>(y, 0);
  const qint64 right = std::min<qint64>(qint64{x} + source.width(), target.width());
  const qint64 bottom = std::min<qint64>(qint64{y} + source.height(), target.height());
  if (left >= right || top >= bottom) return;

  for (qint64 ty = top; ty < bottom; ++ty) {
    const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(int(ty - y)));
    auto* to = reinterpret_cast<QRgb*>(target.scanLine(int(ty)));
    for (qint64 tx = left; tx < right; ++tx) {
      const QRgb rgb = from[tx - x] & kRgbMask;
      // Opaque, so the word means the same in all three 32-bit layouts.
      if (rgb != keyRgb) to[tx] = 0xFF000000u | rgb;
    }
  }
}

QImage keyedTransparent(const QImage& bitmap, ColorRef key) {
  if (bitmap.isNull()) return {};
  QImage result = asThirtyTwoBit(bitmap).convertToFormat(QImage::Format_ARGB32);
  const QRgb keyRgb = pixelFromColorRef(key) & kRgbMask;
  for (int y = 0; y < result.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
    for (int x = 0; x < result.width(); ++x) {
      const QRgb rgb = line[x] & kRgbMask;
      line[x] = rgb == keyRgb ? 0u : 0xFF000000u | rgb;
    }
  }
  return result;
}

std::optional<QImage> overlayBitmaps(const QImage* base, const QImage* overlay, ColorRef key) {
  if (base == nullptr || overlay == nullptr || base->isNull() || overlay->isNull())
    return std::nullopt;
  QImage result(base->size(), QImage::Format_RGB32);
  if (result.isNull()) return std::nullopt;
  result.fill(pixelFromColorRef(key));
  drawTransparent(result, *base, 0, 0, key);
  drawTransparent(result, *overlay, 0, 0, key);
  return result;
}

void mapGreysToPalette(QImage& image, const QPalette& palette) {
  if (image.isNull()) return;
  if (!isThirtyTwoBit(image.format())) image.convertTo(QImage::Format_RGB32);
  const QRgb shadow = palette.color(QPalette::Active, QPalette::Dark).rgb();
  const QRgb face = palette.color(QPalette::Active, QPalette::Button).rgb();
  const QRgb light = palette.color(QPalette::Active, QPalette::Midlight).rgb();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      switch (line[x] & kRgbMask) {
        case 0x808080:
          line[x] = shadow;
          break;
        case 0xC0C0C0:
          line[x] = face;
          break;
        case 0xDFDFDF:
          line[x] = light;
          break;
        default:
          break;
      }
    }
  }
}

}  // namespace imbrino
