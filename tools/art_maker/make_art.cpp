// Draws the program's own pictures: the icon, the splash screen, the three
// looks of the donate button, the question dialogs' mark and the updater's
// icon (assets/app/, compiled in through imbrino.qrc), and the template
// editor's tool buttons (assets/editor/ButtonPic/, installed beside the
// program). Everything is drawn with the core's own surfaces and text
// engine, so the pictures need nothing but this file. Run from the source
// folder after changing a drawing:
//   build/default/tools/imbrino-make-art assets/app
// (the tool buttons go to ../editor/ButtonPic beside the folder given).

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iostream>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/surface.h"
#include "image/image_io.h"
#include "platform/gbk.h"
#include "render/painter.h"
#include "text/text_layout.h"

namespace imbrino {
namespace {

struct Rgb {
  double r = 0;
  double g = 0;
  double b = 0;
};

Rgb mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint8_t channel(double v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}

Pixel toPixel(Rgb c) {
  return makePixel(channel(c.r), channel(c.g), channel(c.b));
}
Rgb toRgb(Pixel p) {
  return {double(redOf(p)), double(greenOf(p)), double(blueOf(p))};
}

constexpr Rgb kWhite{255, 255, 255};
constexpr Pixel kMagenta = makePixel(255, 0, 255);

// A point test in picture coordinates and the paint for the points it holds.
using Shape = std::function<bool(double, double)>;
using Paint = std::function<Rgb(double, double)>;

Paint flat(Rgb c) {
  return [c](double, double) { return c; };
}

// Turns points about (cx, cy) into a shape's own upright frame.
struct Frame {
  double cx = 0;
  double cy = 0;
  double degrees = 0;

  void toLocal(double& x, double& y) const {
    const double a = -degrees * std::numbers::pi / 180.0;
    const double dx = x - cx, dy = y - cy;
    x = dx * std::cos(a) - dy * std::sin(a);
    y = dx * std::sin(a) + dy * std::cos(a);
  }
};

// A rounded rectangle of w x h centred in its frame.
Shape roundRect(Frame frame, double w, double h, double radius) {
  return [=](double x, double y) {
    frame.toLocal(x, y);
    const double qx = std::abs(x) - (w / 2 - radius), qy = std::abs(y) - (h / 2 - radius);
    if (qx > radius || qy > radius) return false;
    if (qx <= 0 || qy <= 0) return true;
    return qx * qx + qy * qy <= radius * radius;
  };
}

Shape circle(double cx, double cy, double radius) {
  return [=](double x, double y) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
  };
}

Shape ring(double cx, double cy, double inner, double outer) {
  return [=](double x, double y) {
    const double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d >= inner * inner && d <= outer * outer;
  };
}

// Even-odd polygon, its corners given in the frame's own coordinates.
Shape polygon(Frame frame, std::vector<std::pair<double, double>> corners) {
  return [=](double x, double y) {
    frame.toLocal(x, y);
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const auto [xi, yi] = corners[i];
      const auto [xj, yj] = corners[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
  };
}

// The classic heart curve, `size` wide, its middle at (cx, cy).
Shape heart(double cx, double cy, double size) {
  return [=](double x, double y) {
    const double u = (x - cx) / (size / 2.3), v = -(y - cy) / (size / 2.3) + 0.15;
    const double a = u * u + v * v - 1;
    return a * a * a - u * u * v * v * v <= 0;
  };
}

Shape both(Shape a, Shape b) {
  return [=](double x, double y) { return a(x, y) && b(x, y); };
}

// Where a line of text puts its ink, relative to its box's top-left.
struct Ink {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct Text {
  TextLayout layout;
  std::vector<GlyphMask> masks;
  Ink ink;
};

Text layOut(std::string_view utf8, std::string_view faceUtf8, int cellHeight, bool bold) {
  LogFont font;
  font.setFaceNameBytes(utf8ToGbk(faceUtf8).value());
  font.lfHeight = cellHeight;
  font.lfWeight = bold ? 700 : 400;
  Text text{layoutText(utf8, font).value(), {}, {1 << 30, 1 << 30, -(1 << 30), -(1 << 30)}};
  for (const LayoutGlyph& glyph : text.layout.glyphs) {
    GlyphMask mask = rasterizeGlyph(text.layout, glyph).value();
    if (mask.width == 0) continue;
    text.ink.left = std::min(text.ink.left, mask.x);
    text.ink.top = std::min(text.ink.top, mask.y);
    text.ink.right = std::max(text.ink.right, mask.x + mask.width);
    text.ink.bottom = std::max(text.ink.bottom, mask.y + mask.height);
    text.masks.push_back(std::move(mask));
  }
  return text;
}

// Paints laid-out text with its box's top-left at (x, y).
// `crisp` steepens the coverage ramp: strokes a pixel wide that straddle two
// pixels come out as one solid pixel instead of two pale ones.
void paintText(Surface& target, const Text& text, int x, int y, Rgb colour, double opacity = 1,
               bool crisp = false) {
  Painter painter(target);
  const double lo = 40, hi = 150;
  for (const GlyphMask& mask : text.masks) {
    std::vector<std::uint8_t> coverage = mask.coverage;
    for (auto& c : coverage) {
      const double ramped = crisp ? (c - lo) * 255 / (hi - lo) : c;
      c = channel(ramped * opacity);
    }
    painter.paintMask({coverage.data(), mask.width, mask.height}, {x + mask.x, y + mask.y},
                      toPixel(colour));
  }
}

// A picture drawn `samples` times larger in each direction and box-filtered
// down, which gives every edge a smooth ramp. Drawing happens in design units:
// picture pixel = origin + unit * design unit.
class Canvas {
 public:
  Canvas(int width, int height, int samples, Rgb ground)
      : width_(width),
        height_(height),
        samples_(samples),
        fine_(Surface::create(width * samples, height * samples, toPixel(ground)).value()) {}

  void setView(double originX, double originY, double unit) {
    originX_ = originX;
    originY_ = originY;
    unit_ = unit;
  }

  // Paints every sample whose centre lies in `shape`; `opacity` lays it over
  // what is there.
  void fill(const Shape& shape, const Paint& paint, double opacity = 1) {
    const double scale = unit_ * samples_;
    for (int j = 0; j < fine_.height(); ++j) {
      const double y = (j + 0.5 - originY_ * samples_) / scale;
      Pixel* row = fine_.row(j);
      for (int i = 0; i < fine_.width(); ++i) {
        const double x = (i + 0.5 - originX_ * samples_) / scale;
        if (!shape(x, y)) continue;
        const Rgb colour = paint(x, y);
        row[i] = opacity >= 1 ? toPixel(colour) : toPixel(mix(toRgb(row[i]), colour, opacity));
      }
    }
  }

  // Text whose ink is centred on (cx, cy), `cell` design units high.
  void centredText(std::string_view utf8, std::string_view face, double cell, bool bold, double cx,
                   double cy, Rgb colour, double opacity = 1) {
    const double scale = unit_ * samples_;
    const Text text = layOut(utf8, face, int(std::lround(cell * scale)), bold);
    const double inkX = (text.ink.left + text.ink.right) / 2.0;
    const double inkY = (text.ink.top + text.ink.bottom) / 2.0;
    paintText(fine_, text, int(std::lround((originX_ + cx * unit_) * samples_ - inkX)),
              int(std::lround((originY_ + cy * unit_) * samples_ - inkY)), colour, opacity);
  }

  // Text with its ink's left edge at x and its baseline at y; returns the
  // design width of its ink.
  double text(std::string_view utf8, std::string_view face, double cell, bool bold, double x,
              double baseline, Rgb colour, double opacity = 1) {
    const double scale = unit_ * samples_;
    const Text text = layOut(utf8, face, int(std::lround(cell * scale)), bold);
    paintText(fine_, text, int(std::lround((originX_ + x * unit_) * samples_ - text.ink.left)),
              int(std::lround((originY_ + baseline * unit_) * samples_ - text.layout.ascent)),
              colour, opacity);
    return (text.ink.right - text.ink.left) / scale;
  }

  Surface resolve() const {
    Surface picture = Surface::create(width_, height_).value();
    const int n = samples_ * samples_;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        unsigned r = 0, g = 0, b = 0;
        for (int j = 0; j < samples_; ++j) {
          const Pixel* row = fine_.row(y * samples_ + j) + x * samples_;
          for (int i = 0; i < samples_; ++i) {
            r += redOf(row[i]);
            g += greenOf(row[i]);
            b += blueOf(row[i]);
          }
        }
        picture.setPixel(x, y,
                         makePixel(static_cast<std::uint8_t>((r + n / 2) / n),
                                   static_cast<std::uint8_t>((g + n / 2) / n),
                                   static_cast<std::uint8_t>((b + n / 2) / n)));
      }
    return picture;
  }

 private:
  int width_;
  int height_;
  int samples_;
  Surface fine_;
  double originX_ = 0;
  double originY_ = 0;
  double unit_ = 1;
};

constexpr int kSamples = 4;
const char* const kHei = "黑体";
const char* const kSans = "Arial";

// The photo card of the program's motif, in a 256-unit square.
void drawPhotoCard(Canvas& canvas) {
  const Frame card{108, 112, -9};
  const double cardW = 164, cardH = 132;
  // A soft shadow: the card's outline spread a little, laid thinly three times.
  for (int spread = 0; spread < 3; ++spread) {
    const double grow = 2.0 * spread;
    canvas.fill(roundRect({card.cx + 4, card.cy + 8, card.degrees}, cardW + grow, cardH + grow,
                          12 + grow / 2),
                flat({10, 20, 60}), 0.12);
  }
  canvas.fill(roundRect(card, cardW, cardH, 12), flat(kWhite));

  const Shape photo = roundRect(card, cardW - 22, cardH - 22, 5);
  canvas.fill(photo, [&](double x, double y) {
    card.toLocal(x, y);
    return mix({96, 176, 250}, {206, 234, 255}, (y + 55) / 90);
  });
  canvas.fill(both(photo,
                   [&](double x, double y) {
                     card.toLocal(x, y);
                     return (x + 34) * (x + 34) + (y + 22) * (y + 22) <= 14 * 14;
                   }),
              flat({255, 201, 64}));
  canvas.fill(
      both(photo,
           polygon(card,
                   {{-80, 70}, {-80, 18}, {-44, -16}, {-14, 12}, {18, -30}, {80, 24}, {80, 70}})),
      flat({74, 160, 118}));
  canvas.fill(
      both(photo, polygon(card, {{-80, 70}, {-80, 36}, {-30, 22}, {24, 36}, {80, 28}, {80, 70}})),
      flat({40, 124, 86}));
}

// The program's motif in a 256-unit square: a photo with a red seal stamped
// over its corner. `detailed` keeps the fine lines that blur away when small.
void drawMotif(Canvas& canvas, bool detailed) {
  drawPhotoCard(canvas);

  // The seal, stamped slightly askew over the photo's lower right corner.
  const double sx = 180, sy = 178, radius = 56;
  for (int spread = 0; spread < 3; ++spread)
    canvas.fill(circle(sx + 3, sy + 6, radius + spread * 1.5), flat({10, 20, 60}), 0.12);
  canvas.fill(circle(sx, sy, radius), [&](double x, double y) {
    return mix({240, 82, 82}, {196, 30, 48}, ((x - sx) + (y - sy)) / (4 * radius) + 0.5);
  });
  if (detailed) canvas.fill(ring(sx, sy, radius - 10, radius - 6), flat({255, 236, 236}));
  canvas.centredText("印", kHei, detailed ? 62 : 76, true, sx, sy + 1, kWhite);
}

Surface makeIcon(int size, bool detailed) {
  Canvas canvas(size, size, kSamples, kWhite);
  canvas.setView(0, 0, size / 256.0);
  // The tile fills the square: the picture has no alpha channel to cut
  // rounded corners with, and a square reads cleanly on any panel colour.
  canvas.fill([](double, double) { return true; },
              [](double x, double y) {
                return mix({76, 142, 255}, {40, 70, 190}, (x + 2 * y) / (3 * 256.0));
              });
  drawMotif(canvas, detailed);
  return canvas.resolve();
}

// The updater's icon: the program's tile and photo, with a green badge of
// two arrows chasing each other round where the program's seal would be.
Surface makeUpdateIcon(int size) {
  Canvas canvas(size, size, kSamples, kWhite);
  canvas.setView(0, 0, size / 256.0);
  canvas.fill([](double, double) { return true; },
              [](double x, double y) {
                return mix({76, 142, 255}, {40, 70, 190}, (x + 2 * y) / (3 * 256.0));
              });
  drawPhotoCard(canvas);

  const double bx = 180, by = 178, radius = 56;
  for (int spread = 0; spread < 3; ++spread)
    canvas.fill(circle(bx + 3, by + 6, radius + spread * 1.5), flat({10, 20, 60}), 0.12);
  canvas.fill(circle(bx, by, radius), [&](double x, double y) {
    return mix({86, 206, 120}, {22, 140, 70}, ((x - bx) + (y - by)) / (4 * radius) + 0.5);
  });
  canvas.fill(ring(bx, by, radius - 10, radius - 6), flat({232, 255, 238}));

  // Two arcs of a ring, each ending in an arrowhead that points on round
  // the circle (clockwise on screen), the way every desktop draws "refresh".
  const double inner = 21, outer = 32, middle = (inner + outer) / 2;
  const double pi = std::numbers::pi;
  auto arc = [=](double from, double to) -> Shape {
    return [=](double x, double y) {
      const double d = std::hypot(x - bx, y - by);
      if (d < inner || d > outer) return false;
      const double a = std::atan2(y - by, x - bx) * 180 / pi;
      return a >= from && a <= to;
    };
  };
  auto head = [=](double degrees) -> Shape {
    const double t = degrees * pi / 180;
    const double px = bx + middle * std::cos(t), py = by + middle * std::sin(t);
    const double nx = std::cos(t), ny = std::sin(t);   // outwards
    const double tx = -std::sin(t), ty = std::cos(t);  // clockwise
    const double half = 17, length = 20;
    return polygon({0, 0, 0}, {{px + nx * half, py + ny * half},
                               {px - nx * half, py - ny * half},
                               {px + tx * length, py + ty * length}});
  };
  canvas.fill(arc(-170, -25), flat(kWhite));
  canvas.fill(head(-25), flat(kWhite));
  canvas.fill(arc(10, 155), flat(kWhite));
  canvas.fill(head(155), flat(kWhite));
  return canvas.resolve();
}

Surface makeSplash() {
  const int width = 583, height = 243;
  const Rgb left{22, 44, 120}, right{44, 104, 214};
  Canvas canvas(width, height, kSamples, left);
  canvas.fill([](double, double) { return true; },
              [&](double x, double y) { return mix(left, right, (x * 0.8 + y * 0.6) / 620); });
  // Large faint circles give the ground some depth.
  canvas.fill(circle(560, -30, 170), flat(kWhite), 0.06);
  canvas.fill(circle(600, 250, 120), flat(kWhite), 0.05);
  canvas.fill(circle(120, 300, 140), flat(kWhite), 0.04);

  canvas.setView(14, 8, 0.88);
  drawMotif(canvas, true);
  canvas.setView(0, 0, 1);

  const double textX = 262;
  const double titleWidth = canvas.text("Imbrino", kSans, 72, true, textX, 98, kWhite);
  // The version sits in a small pill after the name.
  const double pillX = textX + titleWidth + 14, pillTop = 58, pillW = 58, pillH = 26;
  canvas.fill(roundRect({pillX + pillW / 2, pillTop + pillH / 2, 0}, pillW, pillH, pillH / 2),
              flat({255, 201, 64}));
  canvas.centredText("V3.7", kSans, 20, true, pillX + pillW / 2, pillTop + pillH / 2, {30, 40, 90});
  canvas.fill(roundRect({textX + 150, 122, 0}, 300, 2, 1), flat(kWhite), 0.35);
  canvas.text("图片批量加水印 · 模板叠加", kHei, 26, false, textX, 168, kWhite, 0.95);
  canvas.text("一次设计模板，批量盖到每一张图片上", kHei, 15, false, textX, 204, {200, 218, 255});
  return canvas.resolve();
}

enum class ButtonLook { Normal, Hover, Pressed };

// The donate button: a pill with a heart and "捐赠". Its edge is hard, each
// pixel either exactly the magenta key or opaque, because the caption bar
// cuts the button out by that colour.
Surface makeDonate(ButtonLook look) {
  const int width = 55, height = 16;
  const double radius = 7.5;
  const auto inPill = roundRect({width / 2.0, height / 2.0, 0}, width, height, radius);
  struct Palette {
    Rgb top, bottom, rim, ink;
  };
  const Palette palette =
      look == ButtonLook::Normal ? Palette{{246, 96, 84}, {208, 40, 58}, {170, 30, 46}, kWhite}
      : look == ButtonLook::Hover
          ? Palette{{255, 132, 108}, {236, 64, 74}, {255, 224, 150}, kWhite}
          : Palette{{182, 36, 50}, {150, 24, 40}, {110, 16, 30}, {255, 226, 226}};
  const int shift = look == ButtonLook::Pressed ? 1 : 0;

  // Ground and heart are smoothed; the key is applied afterwards, pixel by
  // pixel, so no smoothing reaches the magenta.
  Canvas canvas(width, height, kSamples, palette.bottom);
  canvas.fill([](double, double) { return true; },
              [&](double, double y) { return mix(palette.top, palette.bottom, y / height); });
  if (look == ButtonLook::Normal)  // a faint gloss on the upper half
    canvas.fill(roundRect({width / 2.0, 4.5, 0}, width - 8, 5, 2.5), flat(kWhite), 0.18);
  if (look == ButtonLook::Hover)
    canvas.fill(roundRect({width / 2.0, 4.5, 0}, width - 8, 5, 2.5), flat(kWhite), 0.3);
  const double heartX = 12.5 + shift, heartY = 8.2 + shift;
  canvas.fill(heart(heartX, heartY, 10), flat(palette.ink));
  Surface button = canvas.resolve();

  // Small text is drawn at its own size, where the font's outlines sit best.
  const Text label = layOut("捐赠", kHei, 12, false);
  paintText(button, label, 20 + shift - label.ink.left,
            (height - (label.ink.bottom - label.ink.top)) / 2 + shift - label.ink.top, palette.ink,
            1, true);

  auto inside = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < width && y < height && inPill(x + 0.5, y + 0.5);
  };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (!inside(x, y)) {
        button.setPixel(x, y, kMagenta);
      } else if (!inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1)) {
        button.setPixel(x, y, toPixel(palette.rim));
      } else if (look == ButtonLook::Pressed && !inside(x, y - 2)) {
        // The inner shadow of a pushed-in button.
        button.setPixel(x, y, toPixel(mix(toRgb(button.pixel(x, y)), palette.rim, 0.6)));
      }
    }
  return button;
}

// The hover look is laid over the normal button wherever it is not magenta.
Surface makeDonateOverlay() {
  return makeDonate(ButtonLook::Hover);
}

Surface makeQuestion() {
  const int size = 32;
  Canvas canvas(size, size, kSamples, kWhite);
  canvas.fill(circle(16.3, 16.8, 14.6), flat({20, 40, 90}), 0.12);
  canvas.fill(circle(16, 16, 14.6), [](double x, double y) {
    return mix({84, 156, 255}, {28, 92, 214}, (x + y) / 32.0);
  });
  canvas.fill(ring(16, 16, 13.6, 14.6), flat({22, 76, 186}));
  canvas.centredText("?", kSans, 26, true, 16, 16, kWhite);
  return canvas.resolve();
}

// ---------------------------------------------------------------------------
// The template editor's tool buttons: eight strips of four 32 x 32 frames
// (normal, hover, pressed, disabled). The tool window draws them with white
// as the transparent colour, so white never appears inside a glyph: light
// details are 0xFEFEFE. One family: every glyph sits in the same padding
// (4..28), is lit from the top left (lighter at the top, a faint shadow to
// the lower right) and outlined with one crisp pixel in a darker shade of its
// own fill.

// Signed distance to a shape's edge: negative inside. Outlines are the band
// just inside the edge, so a shape drawn on whole pixels keeps crisp edges.
using Sdf = std::function<double(double, double)>;

Sdf sdfBox(double left, double top, double right, double bottom, double radius = 0) {
  const double cx = (left + right) / 2, cy = (top + bottom) / 2;
  const double hw = (right - left) / 2 - radius, hh = (bottom - top) / 2 - radius;
  return [=](double x, double y) {
    const double qx = std::abs(x - cx) - hw, qy = std::abs(y - cy) - hh;
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
  };
}

Sdf sdfCircle(double cx, double cy, double radius) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) - radius; };
}

// A stroke with round ends from (ax, ay) to (bx, by), `width` wide.
Sdf sdfSegment(double ax, double ay, double bx, double by, double width) {
  return [=](double x, double y) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - ax - t * dx, y - ay - t * dy) - width / 2;
  };
}

Sdf sdfPolygon(std::vector<std::pair<double, double>> corners) {
  return [=](double x, double y) {
    double nearest = 1e9;
    bool inside = false;
    for (std::size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++) {
      const auto [xi, yi] = corners[i];
      const auto [xj, yj] = corners[j];
      const double dx = xj - xi, dy = yj - yi;
      const double t = std::clamp(((x - xi) * dx + (y - yi) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
      nearest = std::min(nearest, std::hypot(x - xi - t * dx, y - yi - t * dy));
      if ((yi > y) != (yj > y) && x < dx * (y - yi) / dy + xi) inside = !inside;
    }
    return inside ? -nearest : nearest;
  };
}

Sdf sdfUnion(Sdf a, Sdf b) {
  return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}
Sdf sdfIntersect(Sdf a, Sdf b) {
  return [=](double x, double y) { return std::max(a(x, y), b(x, y)); };
}
Sdf sdfMoved(Sdf a, double dx, double dy) {
  return [=](double x, double y) { return a(x - dx, y - dy); };
}

Shape insideOf(Sdf sdf, double inset = 0) {
  return [=](double x, double y) { return sdf(x, y) <= -inset; };
}

// Fill with a top-to-bottom gradient from `top` (at y0) to `bottom` (at y1).
Paint vertical(Rgb top, Rgb bottom, double y0, double y1) {
  return [=](double, double y) { return mix(top, bottom, (y - y0) / (y1 - y0)); };
}

constexpr Rgb kPaper{254, 254, 254};  // "white" that is not the colour key
constexpr Rgb kInk{52, 64, 88};
constexpr Rgb kShadowInk{16, 24, 48};
constexpr double kStroke = 1.0;
constexpr double kShadowOpacity = 0.14;

// A filled shape with the family's outline and its soft shadow.
void outlined(Canvas& canvas, const Sdf& shape, const Paint& fill, Rgb outline,
              bool shadow = true) {
  if (shadow) canvas.fill(insideOf(sdfMoved(shape, 1, 1)), flat(kShadowInk), kShadowOpacity);
  canvas.fill(insideOf(shape), flat(outline));
  canvas.fill(insideOf(shape, kStroke), fill);
}

void drawNewGlyph(Canvas& canvas) {
  // A blank sheet with its top right corner folded over.
  const double l = 8, t = 4, r = 25, b = 28, fold = 7;
  const Rgb rim{88, 104, 132};
  const Sdf sheet = sdfPolygon({{l, t}, {r - fold, t}, {r, t + fold}, {r, b}, {l, b}});
  outlined(canvas, sheet, vertical(kPaper, {218, 228, 242}, t, b), rim);
  canvas.fill(insideOf(sdfPolygon({{r - fold, t}, {r - fold, t + fold}, {r, t + fold}})),
              flat(rim));
  canvas.fill(
      insideOf(sdfPolygon(
          {{r - fold + 1, t + 2.4}, {r - fold + 1, t + fold - 1}, {r - 2.4, t + fold - 1}})),
      vertical({240, 244, 250}, {200, 212, 230}, t, t + fold));
  // A spark on the sheet's corner says "new" without writing on it.
  const double sx = 9, sy = 8.5, reach = 5, waist = 1.4;
  const Sdf star = sdfPolygon({{sx, sy - reach},
                               {sx + waist, sy - waist},
                               {sx + reach, sy},
                               {sx + waist, sy + waist},
                               {sx, sy + reach},
                               {sx - waist, sy + waist},
                               {sx - reach, sy},
                               {sx - waist, sy - waist}});
  outlined(canvas, star, vertical({255, 230, 120}, {248, 168, 24}, sy - reach, sy + reach),
           {190, 112, 8});
}

void drawOpenGlyph(Canvas& canvas) {
  const Rgb rim{168, 110, 16};
  // The folder's back with its tab.
  const Sdf back = sdfPolygon({{4, 7}, {11, 7}, {13, 9}, {25, 9}, {25, 25}, {4, 25}});
  outlined(canvas, back, vertical({236, 178, 60}, {214, 144, 34}, 7, 25), rim);
  // A sheet inside, showing that the folder holds something.
  outlined(canvas, sdfBox(7, 11, 22, 22), flat(kPaper), {120, 132, 156}, false);
  canvas.fill(insideOf(sdfBox(9, 14, 19, 15)), flat({170, 182, 204}));
  canvas.fill(insideOf(sdfBox(9, 17, 17, 18)), flat({170, 182, 204}));
  // The front flap, swung open towards the viewer.
  const Sdf front = sdfPolygon({{4, 25}, {8, 15}, {28, 15}, {24.5, 25}});
  outlined(canvas, front, vertical({255, 222, 118}, {246, 184, 56}, 15, 25), rim);
}

void drawSaveGlyph(Canvas& canvas) {
  // A diskette, its top right corner cut.
  const double l = 5, t = 5, r = 27, b = 27;
  const Sdf body = sdfIntersect(
      sdfBox(l, t, r, b, 1.5),
      sdfPolygon({{l - 1, t - 1}, {r - 3, t - 1}, {r + 1, t + 3}, {r + 1, b + 1}, {l - 1, b + 1}}));
  outlined(canvas, body, vertical({84, 140, 222}, {38, 86, 176}, t, b), {24, 54, 120});
  // The metal shutter with its window.
  outlined(canvas, sdfBox(10, 5, 21, 12), vertical({238, 242, 248}, {190, 200, 214}, 5, 12),
           {24, 54, 120}, false);
  canvas.fill(insideOf(sdfBox(17, 6.5, 19.5, 10.5)), flat({60, 76, 104}));
  // The paper label.
  outlined(canvas, sdfBox(8, 15, 24, 27), flat(kPaper), {24, 54, 120}, false);
  canvas.fill(insideOf(sdfBox(10, 18, 22, 19)), flat({150, 172, 210}));
  canvas.fill(insideOf(sdfBox(10, 21, 20, 22)), flat({150, 172, 210}));
}

void drawTextGlyph(Canvas& canvas) {
  // A heavy "A" with a text cursor beside it.
  canvas.centredText("A", kSans, 30, true, 14.5 + 0.6, 16.5 + 0.6, kShadowInk, kShadowOpacity);
  canvas.centredText("A", kSans, 30, true, 14.5, 16.5, kInk);
  const Rgb caret{36, 112, 226};
  canvas.fill(insideOf(sdfBox(24.5, 6, 26, 27)), flat(caret));
  canvas.fill(insideOf(sdfBox(22.5, 5, 28, 6.5)), flat(caret));
  canvas.fill(insideOf(sdfBox(22.5, 26.5, 28, 28)), flat(caret));
}

void drawPictureGlyph(Canvas& canvas) {
  // A framed landscape: sky, sun and two hills.
  const double l = 4, t = 6, r = 28, b = 26;
  outlined(canvas, sdfBox(l, t, r, b, 1.5), flat(kPaper), kInk);
  const Sdf view = sdfBox(l + 2.5, t + 2.5, r - 2.5, b - 2.5);
  canvas.fill(insideOf(view), vertical({104, 176, 246}, {198, 228, 254}, t + 2, b - 2));
  canvas.fill(insideOf(sdfIntersect(view, sdfCircle(20.5, 12.5, 2.6))), flat({255, 200, 46}));
  canvas.fill(insideOf(sdfIntersect(
                  view, sdfPolygon({{5, 24}, {5, 19}, {11, 12.5}, {17, 19}, {19, 17}, {28, 24}}))),
              vertical({104, 190, 110}, {58, 150, 76}, 12, 24));
  canvas.fill(insideOf(sdfIntersect(
                  view, sdfPolygon({{5, 24}, {5, 21}, {13, 19.5}, {21, 21}, {28, 19}, {28, 24}}))),
              flat({40, 124, 66}));
}

// Two overlapping squares, one picked out in the selection blue, and an arrow
// saying which way it moves in the stack.
void drawStackGlyph(Canvas& canvas, bool forward) {
  const Sdf rear = sdfBox(4, 5, 17, 18, 1);
  const Sdf front = sdfBox(9, 11, 22, 24, 1);
  const Paint blue = vertical({110, 170, 246}, {44, 108, 214}, 5, 24);
  const Paint grey = vertical(kPaper, {214, 222, 234}, 5, 24);
  const Rgb blueRim{26, 74, 168}, greyRim{118, 130, 152};
  outlined(canvas, rear, forward ? grey : blue, forward ? greyRim : blueRim);
  outlined(canvas, front, forward ? blue : grey, forward ? blueRim : greyRim);

  const double x = 25.5;
  const double tip = forward ? 5 : 28, tail = forward ? 27 : 6;
  const double head = forward ? tip + 6 : tip - 6;
  const Sdf arrow = sdfUnion(sdfBox(x - 1.5, std::min(head, tail), x + 1.5, std::max(head, tail)),
                             sdfPolygon({{x - 4, head}, {x, tip}, {x + 4, head}}));
  outlined(canvas, arrow, vertical({112, 206, 120}, {46, 150, 66}, 5, 28), {28, 110, 44});
}

void drawDeleteGlyph(Canvas& canvas) {
  const Sdf cross = sdfUnion(sdfSegment(8, 8, 24, 24, 6.5), sdfSegment(24, 8, 8, 24, 6.5));
  outlined(canvas, cross, vertical({250, 110, 100}, {206, 36, 44}, 6, 26), {150, 20, 32});
}

enum class ToolLook { Normal, Hover, Pressed, Disabled };

// One frame: the plate (hover, pressed), then the glyph, shifted down and
// to the right while pressed; the disabled frame is the glyph in pale grey.
Surface makeToolFrame(const std::function<void(Canvas&)>& glyph, ToolLook look) {
  const int size = 32;
  Canvas canvas(size, size, 8, kWhite);
  if (look == ToolLook::Hover || look == ToolLook::Pressed) {
    const bool pressed = look == ToolLook::Pressed;
    const Sdf plate = sdfBox(1, 1, 31, 31, 4);
    canvas.fill(insideOf(plate), flat(pressed ? Rgb{92, 142, 212} : Rgb{150, 192, 240}));
    canvas.fill(insideOf(plate, 1), pressed ? vertical({184, 210, 242}, {206, 226, 250}, 1, 31)
                                            : vertical({238, 246, 254}, {216, 234, 252}, 1, 31));
    if (pressed)  // pushed in: the shade falls on the plate's top inner edge
      canvas.fill(both(insideOf(plate, 1), [](double, double y) { return y < 3; }),
                  flat({150, 184, 228}), 0.7);
  }
  const double shift = look == ToolLook::Pressed ? 1 : 0;
  canvas.setView(shift, shift, 1);
  glyph(canvas);
  Surface frame = canvas.resolve();
  if (look == ToolLook::Disabled) {
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const Pixel p = frame.pixel(x, y);
        if ((p & 0xFFFFFFu) == 0xFFFFFFu) continue;
        const double luma = 0.3 * redOf(p) + 0.59 * greenOf(p) + 0.11 * blueOf(p);
        const std::uint8_t grey = channel(std::min(254.0, 255 - (255 - luma) * 0.42));
        frame.setPixel(x, y, makePixel(grey, grey, grey));
      }
  }
  return frame;
}

Surface makeToolStrip(const std::function<void(Canvas&)>& glyph) {
  const ToolLook looks[] = {ToolLook::Normal, ToolLook::Hover, ToolLook::Pressed,
                            ToolLook::Disabled};
  Surface strip = Surface::create(32 * 4, 32).value();
  for (int i = 0; i < 4; ++i) strip.drawSurface(makeToolFrame(glyph, looks[i]), 32 * i, 0);
  return strip;
}

struct ToolButtonArt {
  const char* file;
  std::function<void(Canvas&)> glyph;
};

std::vector<ToolButtonArt> toolButtonArt() {
  return {
      {"new.bmp", drawNewGlyph},
      {"open.bmp", drawOpenGlyph},
      {"save.bmp", drawSaveGlyph},
      {"text.bmp", drawTextGlyph},
      {"pic.bmp", drawPictureGlyph},
      {"front.bmp", [](Canvas& c) { drawStackGlyph(c, true); }},
      {"back.bmp", [](Canvas& c) { drawStackGlyph(c, false); }},
      {"del.bmp", drawDeleteGlyph},
  };
}

bool save(const Surface& picture, const std::string& path) {
  const Status saved = saveBitmapByExtension(picture, path);
  if (!saved) std::cerr << path << ": " << saved.reason() << '\n';
  return saved.ok();
}

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  using namespace imbrino;
  if (argc != 2) {
    std::cerr << "usage: imbrino-make-art ASSETS/APP-FOLDER\n";
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "/";
  bool ok = save(makeIcon(256, true), folder + "icon.png");
  ok &= save(makeIcon(48, false), folder + "icon-48.png");
  ok &= save(makeSplash(), folder + "splash.bmp");
  ok &= save(makeDonate(ButtonLook::Normal), folder + "donate_normal.bmp");
  ok &= save(makeDonateOverlay(), folder + "donate_overlay.bmp");
  ok &= save(makeDonate(ButtonLook::Pressed), folder + "donate_pressed.bmp");
  ok &= save(makeQuestion(), folder + "question.png");
  ok &= save(makeUpdateIcon(256), folder + "update.png");

  // The tool window's buttons lie beside the program, not inside it.
  const std::filesystem::path buttons =
      std::filesystem::path(argv[1]) / ".." / "editor" / "ButtonPic";
  std::error_code made;
  std::filesystem::create_directories(buttons, made);
  for (const ToolButtonArt& art : toolButtonArt())
    ok &= save(makeToolStrip(art.glyph), (buttons / art.file).lexically_normal().string());
  return ok ? 0 : 1;
}
