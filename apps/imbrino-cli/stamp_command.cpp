// `imbrino-cli stamp TEMPLATE IN OUT`: one picture of a batch run, by hand.

#include <array>
#include <charconv>
#include <iostream>
#include <string>
#include <utility>

#include "cli_support.h"
#include "commands.h"
#include "image/image_io.h"
#include "platform/file_io.h"
#include "template/template_fields.h"

namespace imbrino::cli {
namespace {

// English names for the nine cells, for scripts and terminals that do not
// type Chinese comfortably.
constexpr std::array<std::pair<std::string_view, PlacementValues>, 10> kEnglishAnchors = {{
    {"top-left", {0, 0}},
    {"top", {1, 0}},
    {"top-right", {2, 0}},
    {"left", {0, 1}},
    {"center", {1, 1}},
    {"centre", {1, 1}},
    {"right", {2, 1}},
    {"bottom-left", {0, 2}},
    {"bottom", {1, 2}},
    {"bottom-right", {2, 2}},
}};

std::string asciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::optional<int> parsePercent(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc{} || stop != end) return std::nullopt;
  if (value < 0 || value > 100) return std::nullopt;
  return value;
}

}  // namespace

std::optional<PlacementValues> anchorFromName(std::string_view name) {
  if (auto cell = anchorOfCellName(name)) return cell;
  const std::string lower = asciiLower(name);
  for (const auto& [english, cell] : kEnglishAnchors)
    if (english == lower) return cell;
  return std::nullopt;
}

std::string stampReportLine(const std::string& path, const StampReport& report) {
  std::string where;
  for (const auto& [english, cell] : kEnglishAnchors)
    if (cell == report.anchor) {
      where = english;
      break;
    }
  const auto cell = static_cast<std::size_t>(report.anchor.horizontal + 3 * report.anchor.vertical);
  if (cell < kAnchorCellNames.size()) where += " (" + std::string(kAnchorCellNames[cell]) + ")";
  return path + ": mark " + std::to_string(report.markWidth) + " x " +
         std::to_string(report.markHeight) + " at " + where;
}

std::optional<PlacementValues> percentFromText(std::string_view text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const auto horizontal = parsePercent(text.substr(0, comma));
  const auto vertical = parsePercent(text.substr(comma + 1));
  if (!horizontal || !vertical) return std::nullopt;
  return PlacementValues{*horizontal, *vertical};
}

int runStamp(const StampOptions& options) {
  if (!checkOutputType(options.outputPath)) return kExitFailed;
  Template document;
  if (!loadTemplate(options.templatePath, document)) return kExitFailed;
  // Read whole and decoded before anything is written, and the write replaces
  // the file only once complete, so OUT may be IN itself.
  auto bytes = readFileBytes(options.inputPath);
  if (!bytes) {
    reportFailure(bytes.reason());
    return kExitFailed;
  }
  const MarkStamper stamper(document, options.mode, options.values, options.mark);
  // Fields take the values of a run of one picture.
  const bool withFields = templateUsesFields(document);
  const bool withFacts = templateNeedsPictureOrigin(document);
  auto fieldsOf = [&](int width, int height) {
    return pictureFieldsFor(options.inputPath,
                            withFacts ? readPictureOrigin(*bytes) : PictureOrigin{}, width, height,
                            PicturePlace{1, 1});
  };
  if (options.jpeg == JpegWriting::Keep &&
      codecFormatOf(imageTypeOfPath(options.inputPath)) == CodecFormat::Jpg &&
      codecFormatOf(imageTypeOfPath(options.outputPath)) == CodecFormat::Jpg) {
    // Where the picture cannot be kept, it is stamped as always below.
    std::optional<PictureFields> fields;
    if (withFields) fields = fieldsOf(0, 0);  // the size comes from the header
    StampReport report;
    if (auto kept = stamper.stampKeepingBlocks(*bytes, std::move(fields), &report)) {
      if (const Status saved = writeFileAtomically(options.outputPath, *kept); !saved) {
        reportFailure(saved.reason());
        return kExitFailed;
      }
      if (options.verbose) std::cerr << stampReportLine(options.inputPath, report) << "\n";
      return kExitOk;
    }
  }
  auto picture = decodePicture(*bytes, codecFormatOf(imageTypeOfPath(options.inputPath)));
  if (!picture) {
    reportFailure(options.inputPath + ": " + picture.reason());
    return kExitFailed;
  }
  std::optional<PictureFields> fields;
  if (withFields) fields = fieldsOf(picture->width(), picture->height());
  bytes->clear();
  bytes->shrink_to_fit();

  auto report = stamper.stamp(*picture, fields ? &*fields : nullptr);
  if (!report) {
    reportFailure(options.inputPath + ": " + report.reason());
    return kExitFailed;
  }
  if (options.verbose) std::cerr << stampReportLine(options.inputPath, *report) << "\n";
  if (const Status saved = saveBitmapByExtension(*picture, options.outputPath); !saved) {
    reportFailure(saved.reason());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace imbrino::cli
