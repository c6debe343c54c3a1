// `imbrino-cli info FILE`: what a template or a picture holds, as JSON.

#include <iostream>
#include <nlohmann/json.hpp>

#include "cli_support.h"
#include "commands.h"
#include "image/image_io.h"
#include "image/jpeg_facts.h"
#include "platform/file_io.h"
#include "platform/gbk.h"
#include "template/template_fields.h"
#include "template/template_file.h"

namespace imbrino::cli {
namespace {

using nlohmann::ordered_json;

bool isTemplatePath(const std::string& path) {
  return fileExtension(path) == ".src";
}

ordered_json fontJson(const LogFont& f) {
  return {{"lfHeight", f.lfHeight},
          {"lfWidth", f.lfWidth},
          {"lfEscapement", f.lfEscapement},
          {"lfOrientation", f.lfOrientation},
          {"lfWeight", f.lfWeight},
          {"lfItalic", f.lfItalic},
          {"lfUnderline", f.lfUnderline},
          {"lfStrikeOut", f.lfStrikeOut},
          {"lfCharSet", f.lfCharSet},
          {"lfOutPrecision", f.lfOutPrecision},
          {"lfClipPrecision", f.lfClipPrecision},
          {"lfQuality", f.lfQuality},
          {"lfPitchAndFamily", f.lfPitchAndFamily},
          {"lfFaceName", gbkToUtf8(f.faceNameBytes())}};
}

ordered_json templateJson(const Template& document) {
  const TemplateBackground& b = document.background;
  ordered_json json;
  json["background"] = {{"width", b.width},
                        {"height", b.height},
                        {"transparent", b.transparent},
                        {"colour", b.colour},
                        {"alpha", b.alpha},
                        {"textCount", b.textCount},
                        {"pictureCount", b.pictureCount}};
  json["textObjects"] = ordered_json::array();
  for (const TextObject& t : document.textObjects) {
    const TextExtent extent = measureTextObject(t);
    json["textObjects"].push_back({{"x", t.x},
                                   {"y", t.y},
                                   {"transparentBack", t.transparentBack},
                                   {"backColour", t.backColour},
                                   {"textColour", t.textColour},
                                   {"alpha", t.alpha},
                                   {"selected", t.selected},
                                   {"font", fontJson(t.font)},
                                   {"text", gbkToUtf8(t.textBytes())},
                                   {"zOrder", t.zOrder},
                                   {"extent", {extent.width, extent.height}}});
  }
  json["pictureObjects"] = ordered_json::array();
  for (const auto& p : document.pictureObjects) {
    json["pictureObjects"].push_back({{"dataSize", p->dataSize},
                                      {"x", p->x},
                                      {"y", p->y},
                                      {"transparent", p->transparent},
                                      {"transparentColour", p->transparentColour},
                                      {"alpha", p->alpha},
                                      {"selected", p->selected},
                                      {"imageType", p->imageType},
                                      {"sourceWidth", p->sourceWidth},
                                      {"sourceHeight", p->sourceHeight},
                                      {"width", p->width},
                                      {"height", p->height},
                                      {"zOrder", p->zOrder}});
  }
  // The fields its texts name, filled in for each picture it is stamped on.
  json["fields"] = templateFieldsUsed(document);
  return json;
}

}  // namespace

int runInfo(const std::string& path) {
  ordered_json json;
  if (isTemplatePath(path)) {
    Template document;
    if (!loadTemplate(path, document)) return kExitFailed;
    json = templateJson(document);
  } else {
    auto picture = loadPictureFile(path);
    if (!picture) {
      reportFailure(picture.reason());
      return kExitFailed;
    }
    json = {{"type", static_cast<std::uint32_t>(imageTypeOfPath(path))},
            {"width", picture->width()},
            {"height", picture->height()}};
    // What stamping with --jpeg keep keeps: the file's sampling and quality.
    if (codecFormatOf(imageTypeOfPath(path)) == CodecFormat::Jpg) {
      auto bytes = readFileBytes(path);
      auto facts = bytes ? readJpegFacts(*bytes) : fail(bytes.reason());
      if (facts) {
        json["sampling"] = facts->sampling;
        json["progressive"] = facts->progressive;
        if (facts->quality > 0) json["quality"] = facts->quality;
      }
    }
  }
  std::cout << json.dump(2) << "\n";
  return kExitOk;
}

}  // namespace imbrino::cli
