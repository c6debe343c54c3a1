#pragma once
// What the eyedropper shows and picks, kept apart from its window so it can be
// checked without a screen: the pixel under a point of a screenshot, the
// enlarged view around it, and where that view goes beside the cursor.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>

namespace imbrino::pickcolor {

// Samples shown on each side of the centre pixel, and the enlargement.
inline constexpr int kMagnifierRadius = 5;
inline constexpr int kMagnifierZoom = 10;
// Drawn where the view reaches past the screenshot's edge.
inline constexpr QRgb kOffScreenColour = 0xFF404040;

// The screenshot pixel under `logical`, a point in window coordinates, for a
// screenshot taken at `devicePixelRatio`. Points outside are clamped to the
// nearest edge pixel, so every point of the window has a colour.
QPoint screenshotPixelAt(const QImage& shot, QPoint logical, qreal devicePixelRatio);

// The colour of a screenshot pixel as 0x00BBGGRR; 0 for an empty screenshot.
std::uint32_t colourRefAt(const QImage& shot, QPoint pixel);

// The square view of (2 * radius + 1) samples around `centre`, each
// `zoom` x `zoom` pixels, with a grid between samples and the centre sample
// outlined.
QImage renderMagnifier(const QImage& shot, QPoint centre, int radius = kMagnifierRadius,
                       int zoom = kMagnifierZoom);

// "#RRGGBB  R,G,B" for a colour 0x00BBGGRR.
QString colourCaption(std::uint32_t colourRef);

// Where a box of `size` is drawn for a cursor at `cursor`: below and to the
// right, moved to the other side where it would leave `area`.
QRect magnifierPlacement(QPoint cursor, QSize size, const QRect& area);

}  // namespace imbrino::pickcolor
