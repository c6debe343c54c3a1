#include "widgets/dialog_units.h"

#include <QFontMetrics>
#include <cmath>

#include "text/font_resolver.h"

namespace imbrino {
namespace {

// Rounded multiply-divide, as layout arithmetic has always been done.
int mulDiv(int value, int numerator, int denominator) {
  return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

}  // namespace

QFont DialogUnits::dialogFont() {
  QFont font;
  if (auto resolved = resolveFont(kDefaultFaceName, false, false))
    font.setFamily(QString::fromStdString((*resolved)->primary.family));
  font.setPointSize(9);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  static const QString kAlphabet =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  // The average width of the 52 letters, rounded, as the design units use.
  baseWidth_ = std::max(1, (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2);
  baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const { return mulDiv(units, baseWidth_, 4); }
int DialogUnits::y(int units) const { return mulDiv(units, baseHeight_, 8); }

QRect DialogUnits::rect(int left, int top, int width, int height) const {
  return {x(left), y(top), x(width), y(height)};
}

QSize DialogUnits::size(int width, int height) const { return {x(width), y(height)}; }

}  // namespace imbrino
