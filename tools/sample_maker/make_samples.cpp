// Writes the bundled sample template (assets/samples/) and the template seeds
// of the fuzz corpus (tests/fuzz/corpus/template/). Run from the source folder
// after changing what the samples should hold:
//   build/default/tools/imbrino-make-samples .

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

#include "image/codecs.h"
#include "image/image_types.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

// A round badge on a magenta ground (the colour key cuts the ground away).
Surface makeBadge(int size) {
  Surface badge = Surface::create(size, size, makePixel(255, 0, 255)).value();
  const double centre = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - centre, y - centre) / centre;
      if (d > 1.0) continue;
      const auto shade = static_cast<std::uint8_t>(40 + 150 * (1.0 - d));
      badge.setPixel(x, y, d > 0.85 ? makePixel(255, 255, 255) : makePixel(20, shade, 200));
    }
  return badge;
}

TextObject makeText(const std::string& utf8, const std::string& faceUtf8, int height, int x,
                    int y, int level) {
  TextObject text;
  text.setText(utf8ToGbk(utf8).value());
  text.font.setFaceNameBytes(utf8ToGbk(faceUtf8).value());
  text.font.lfHeight = height;
  text.x = x;
  text.y = y;
  text.zOrder = level;
  text.selected = 0;
  return text;
}

std::unique_ptr<PictureObject> makePicture(Bytes file, ImageType type, const Surface& decoded,
                                           int x, int y, int level) {
  auto picture = std::make_unique<PictureObject>();
  picture->data = std::move(file);
  picture->imageType = static_cast<std::uint32_t>(type);
  picture->sourceWidth = picture->width = decoded.width();
  picture->sourceHeight = picture->height = decoded.height();
  picture->x = x;
  picture->y = y;
  picture->zOrder = level;
  picture->selected = 0;
  return picture;
}

Template sampleTemplate() {
  Template document;
  document.background = {360, 110, 0, 0x00F0F0F0, 170, 0, 0};
  TextObject title = makeText("Imbrino 样张", "黑体", 34, 104, 14, 2);
  title.transparentBack = 1;
  title.textColour = 0x002020C0;  // red
  title.font.lfWeight = 700;
  document.textObjects.push_back(title);
  TextObject line = makeText("2026 示例图片 · sample", "Arial", 16, 106, 62, 3);
  line.transparentBack = 1;
  line.textColour = 0x00402020;
  line.font.lfItalic = 1;
  document.textObjects.push_back(line);
  const Surface badge = makeBadge(80);
  auto picture = makePicture(encodePng(badge).value(), ImageType::Png, badge, 14, 15, 1);
  picture->transparent = 1;  // the magenta ground is keyed out
  picture->alpha = 220;
  document.pictureObjects.push_back(std::move(picture));
  return document;
}

Surface makeChecker(int size, int cell) {
  Surface checker = Surface::create(size, size).value();
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if ((x / cell + y / cell) % 2 == 0) checker.setPixel(x, y, makePixel(30, 30, 30));
  return checker;
}

// Every kind of object side by side: faces, sizes and styles of text, opaque
// and transparent boxes, keyed and stretched pictures, half-transparent layers.
Template showcaseTemplate() {
  Template document;
  document.background = {640, 400, 0, 0x00F4E8DC, 255, 0, 0};
  int level = 1;
  auto addText = [&](const std::string& utf8, const std::string& face, int height, int x, int y) {
    document.textObjects.push_back(makeText(utf8, face, height, x, y, level++));
    return &document.textObjects.back();
  };
  addText("宋体 12 像素：文字内容", "宋体", 12, 16, 12);
  addText("宋体 24 粗体 Bold", "宋体", 24, 16, 34)->font.lfWeight = 700;
  TextObject* hei = addText("黑体 32 下划线", "黑体", 32, 16, 70);
  hei->font.lfUnderline = 1;
  hei->textColour = 0x00204080;
  hei->selected = 1;  // the editor's handles show around selected objects
  TextObject* kai = addText("楷体 28 斜体 Italic", "楷体", 28, 16, 116);
  kai->font.lfItalic = 1;
  kai->transparentBack = 1;
  TextObject* arial = addText("Arial 20 bold italic struck", "Arial", 20, 16, 160);
  arial->font.lfWeight = 700;
  arial->font.lfItalic = 1;
  arial->font.lfStrikeOut = 1;
  arial->transparentBack = 1;
  addText("Times New Roman, em 24", "Times New Roman", -24, 16, 196)->transparentBack = 1;
  TextObject* courier = addText("Courier New 16 on yellow", "Courier New", 16, 16, 236);
  courier->backColour = 0x0000FFFF;
  TextObject* ya = addText("微软雅黑 22 半透明", "微软雅黑", 22, 16, 270);
  ya->backColour = 0x00FF0000;
  ya->textColour = 0x00FFFFFF;
  ya->alpha = 128;

  const Surface badge = makeBadge(60);
  auto keyed = makePicture(encodePng(badge).value(), ImageType::Png, badge, 380, 20, level++);
  keyed->transparent = 1;
  keyed->width = keyed->height = 120;  // stretched twice, keyed
  keyed->selected = 1;
  document.pictureObjects.push_back(std::move(keyed));
  const Surface checker = makeChecker(16, 4);
  auto big = makePicture(encodeBmp(checker).value(), ImageType::Bmp, checker, 520, 20, level++);
  big->width = big->height = 96;  // six times, hard edges
  document.pictureObjects.push_back(std::move(big));
  const Surface veil = Surface::create(8, 8, makePixel(200, 30, 30)).value();
  auto layer = makePicture(encodeGif(veil).value(), ImageType::Gif, veil, 200, 140, level++);
  layer->width = 300;
  layer->height = 120;
  layer->alpha = 128;  // lies half-transparent over the texts below it
  document.pictureObjects.push_back(std::move(layer));
  TextObject* top = addText("最上层 Top layer", "黑体", 28, 360, 300);
  top->transparentBack = 1;
  top->textColour = 0x00006000;
  return document;
}

// A made-up landscape: sky, sun, two ranges of hills and a little grain, so
// the sample pictures compress and look like photographs.
Surface makeLandscape(int width, int height, unsigned seed) {
  Surface picture = Surface::create(width, height).value();
  std::uint32_t grain = seed * 2654435761u + 1;
  const double sunX = width * (0.2 + 0.15 * (seed % 4)), sunY = height * 0.28;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double fx = double(x) / width, fy = double(y) / height;
      double r = 90 + 120 * fy, g = 150 + 70 * fy, b = 230 - 40 * fy;  // sky
      const double sun = std::hypot(x - sunX, y - sunY) / (height * 0.09);
      if (sun < 1.0) r = 255, g = 220, b = 120;
      const double far = 0.55 + 0.08 * std::sin(fx * 9 + seed) + 0.04 * std::sin(fx * 23);
      const double near = 0.72 + 0.06 * std::sin(fx * 5 + 2 * seed) + 0.03 * std::sin(fx * 31);
      if (fy > far) r = 70, g = 110 + 40 * (fy - far), b = 120;
      if (fy > near) r = 50 + 60 * (fy - near), g = 120 + 50 * (fy - near), b = 40;
      grain = grain * 1664525u + 1013904223u;
      const int noise = static_cast<int>(grain >> 28) - 8;
      auto channel = [noise](double v) {
        return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v) + noise, 0, 255));
      };
      picture.setPixel(x, y, makePixel(channel(r), channel(g), channel(b)));
    }
  return picture;
}

bool writePicture(const std::string& path, const Expected<Bytes>& bytes) {
  if (!bytes || !writeFileAtomically(path, *bytes)) {
    std::cerr << path << ": cannot write\n";
    return false;
  }
  std::cout << "wrote " << path << "\n";
  return true;
}

bool save(const std::string& path, Template document) {
  if (const Status status = writeTemplateFile(path, document); !status) {
    std::cerr << path << ": " << status.reason() << "\n";
    return false;
  }
  std::cout << "wrote " << path << "\n";
  return true;
}

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  using namespace imbrino;
  const std::string root = argc > 1 ? argv[1] : ".";
  bool ok = save(root + "/assets/samples/sample.src", sampleTemplate());
  ok &= save(root + "/assets/samples/showcase.src", showcaseTemplate());
  const std::string samplePictures = root + "/assets/samples/pictures/";
  ok &= writePicture(samplePictures + "lake.jpg", encodeJpeg(makeLandscape(1200, 800, 1), {.quality = 85}));
  ok &= writePicture(samplePictures + "valley.JPEG", encodeJpeg(makeLandscape(960, 720, 2), {.quality = 85}));
  ok &= writePicture(samplePictures + "hills.png", encodePng(makeLandscape(800, 500, 3)));
  ok &= writePicture(samplePictures + "dusk.gif", encodeGif(makeLandscape(480, 320, 5)));
  ok &= writePicture(samplePictures + "field.bmp", encodeBmp(makeLandscape(320, 240, 6)));

  const std::string seeds = root + "/tests/fuzz/corpus/template/";
  ok &= save(seeds + "empty.src", Template{});
  Template texts;
  texts.textObjects.push_back(makeText("文字内容", "宋体", 12, 1, 2, 1));
  texts.textObjects.push_back(makeText("Text", "Arial", -20, -5, 300, 2));
  ok &= save(seeds + "texts.src", std::move(texts));
  // Small pictures of each kind, including one stored with an unknown type.
  const Surface tiny = makeBadge(6);
  Template pictures;
  pictures.pictureObjects.push_back(
      makePicture(encodeBmp(tiny).value(), ImageType::Bmp, tiny, 0, 0, 1));
  pictures.pictureObjects.push_back(
      makePicture(encodePng(tiny).value(), ImageType::Png, tiny, 1, 1, 2));
  pictures.pictureObjects.push_back(
      makePicture(encodeGif(tiny).value(), ImageType::Gif, tiny, 2, 2, 3));
  pictures.pictureObjects.push_back(
      makePicture(encodeJpeg(tiny).value(), ImageType::Jpg, tiny, 3, 3, 4));
  pictures.pictureObjects.push_back(
      makePicture(encodeBmp(tiny).value(), ImageType::Unknown, tiny, 4, 4, 5));
  pictures.textObjects.push_back(makeText("层", "黑体", 10, 0, 0, 6));
  ok &= save(seeds + "pictures.src", std::move(pictures));
  return ok ? 0 : 1;
}
