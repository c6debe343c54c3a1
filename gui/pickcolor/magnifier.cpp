#include "pickcolor/magnifier.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace imbrino::pickcolor {
namespace {

// Gap between the cursor and the box, so the box never hides the pixel being
// aimed at.
constexpr int kCursorGap = 20;

}  // namespace

QPoint screenshotPixelAt(const QImage& shot, QPoint logical, qreal devicePixelRatio) {
  if (shot.isNull()) return {};
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  const int x = static_cast<int>(std::floor(logical.x() * ratio));
  const int y = static_cast<int>(std::floor(logical.y() * ratio));
  return {std::clamp(x, 0, shot.width() - 1), std::clamp(y, 0, shot.height() - 1)};
}

std::uint32_t colourRefAt(const QImage& shot, QPoint pixel) {
  if (shot.isNull() || !shot.rect().contains(pixel)) return 0;
  const QRgb rgb = shot.pixel(pixel);
  return static_cast<std::uint32_t>(qRed(rgb)) | (static_cast<std::uint32_t>(qGreen(rgb)) << 8) |
         (static_cast<std::uint32_t>(qBlue(rgb)) << 16);
}

QImage renderMagnifier(const QImage& shot, QPoint centre, int radius, int zoom) {
  const int samples = 2 * radius + 1;
  const int side = samples * zoom;
  QImage view(side, side, QImage::Format_RGB32);
  for (int sy = 0; sy < samples; ++sy) {
    for (int sx = 0; sx < samples; ++sx) {
      const QPoint source(centre.x() - radius + sx, centre.y() - radius + sy);
      const QRgb colour =
          shot.rect().contains(source) ? shot.pixel(source) | 0xFF000000u : kOffScreenColour;
      for (int y = 0; y < zoom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(view.scanLine(sy * zoom + y)) + sx * zoom;
        std::fill(line, line + zoom, colour);
      }
    }
  }

  QPainter painter(&view);
  // A faint grid keeps neighbouring samples of close colours apart.
  painter.setPen(QColor(128, 128, 128, 90));
  for (int i = 1; i < samples; ++i) {
    painter.drawLine(i * zoom, 0, i * zoom, side - 1);
    painter.drawLine(0, i * zoom, side - 1, i * zoom);
  }
  // The picked sample: black and white rings, visible on any colour.
  const QRect cell(radius * zoom, radius * zoom, zoom, zoom);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(Qt::black);
  painter.drawRect(cell.adjusted(-1, -1, 0, 0));
  painter.setPen(Qt::white);
  painter.drawRect(cell.adjusted(-2, -2, 1, 1));
  painter.setPen(Qt::black);
  painter.drawRect(0, 0, side - 1, side - 1);
  return view;
}

QString colourCaption(std::uint32_t colourRef) {
  const int r = static_cast<int>(colourRef & 0xFF);
  const int g = static_cast<int>((colourRef >> 8) & 0xFF);
  const int b = static_cast<int>((colourRef >> 16) & 0xFF);
  return QStringLiteral("#%1%2%3  %4,%5,%6")
      .arg(r, 2, 16, QLatin1Char('0'))
      .arg(g, 2, 16, QLatin1Char('0'))
      .arg(b, 2, 16, QLatin1Char('0'))
      .arg(r)
      .arg(g)
      .arg(b)
      .toUpper();
}

QRect magnifierPlacement(QPoint cursor, QSize size, const QRect& area) {
  int x = cursor.x() + kCursorGap;
  int y = cursor.y() + kCursorGap;
  if (x + size.width() > area.right() + 1) x = cursor.x() - kCursorGap - size.width();
  if (y + size.height() > area.bottom() + 1) y = cursor.y() - kCursorGap - size.height();
  // A screen smaller than the box: keep its top-left corner visible.
  x = std::max(x, area.left());
  y = std::max(y, area.top());
  return {QPoint(x, y), size};
}

}  // namespace imbrino::pickcolor
