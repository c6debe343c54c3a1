// imbrino-cli: the stamping engine from a terminal.

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>

#include "build_config.h"
#include "commands.h"
#include "platform/memory_policy.h"

namespace {

using imbrino::cli::anchorFromName;
using imbrino::cli::percentFromText;

// Placement values are checked while the command line is parsed, so that a
// bad one is a usage error like any other.
const CLI::Validator kAnchorName(
    [](std::string& name) -> std::string {
      if (name == "auto" || anchorFromName(name)) return {};
      return "unknown anchor \"" + name +
             "\"; use auto, top-left, top, top-right, left, center, right, bottom-left, bottom, "
             "bottom-right or 左上, 正上, 右上, 左中, 正中, 右中, 左下, 正下, 右下";
    },
    "");

const CLI::Validator kPercentPair(
    [](std::string& text) -> std::string {
      if (percentFromText(text)) return {};
      return "expected H,V with two whole numbers from 0 to 100, got \"" + text + "\"";
    },
    "");

const CLI::Validator kShardText(
    [](std::string& text) -> std::string {
      if (imbrino::cli::parseShard(text)) return {};
      return "expected K/N with whole numbers 1 <= K <= N, got \"" + text + "\"";
    },
    "");

// --anchor and --percent, as stamp and batch both take them.
struct PlacementOptions {
  std::string anchorName;
  std::string percentText;
  CLI::Option* anchor = nullptr;
  CLI::Option* percent = nullptr;

  void addTo(CLI::App* command) {
    anchor =
        command
            ->add_option("--anchor", anchorName,
                         "the cell of a 3 x 3 grid the template is placed in (default: center); "
                         "auto: for each picture the corner where it covers the least detail")
            ->type_name("NAME")
            ->check(kAnchorName);
    percent = command
                  ->add_option("--percent", percentText,
                               "the template's top-left corner at H % of the width, V % of the "
                               "height")
                  ->type_name("H,V")
                  ->check(kPercentPair);
    percent->excludes(anchor);
  }

  // The mode and values chosen; the centre when neither option was given.
  void apply(imbrino::PlacementMode& mode, imbrino::PlacementValues& values,
             imbrino::MarkOptions& mark) const {
    if (percent->count() > 0) {
      mode = imbrino::PlacementMode::Percent;
      values = *percentFromText(percentText);
    } else if (anchor->count() > 0 && anchorName == "auto") {
      mode = imbrino::PlacementMode::Anchor;
      mark.autoCorner = true;
    } else if (anchor->count() > 0) {
      mode = imbrino::PlacementMode::Anchor;
      values = *anchorFromName(anchorName);
    }
  }
};

// Scaling and tiling, as stamp and batch both take them.
void addMarkOptions(CLI::App* command, imbrino::MarkOptions& mark) {
  static const std::map<std::string, imbrino::ScaleSide> kSides = {
      {"width", imbrino::ScaleSide::Width},
      {"height", imbrino::ScaleSide::Height},
      {"shorter", imbrino::ScaleSide::Shorter},
      {"longer", imbrino::ScaleSide::Longer}};
  command
      ->add_option("--scale", mark.scalePercent,
                   "draw the template P % (1 to 100) as wide as the picture's side chosen by "
                   "--scale-by, its height in proportion (text is laid out afresh at that size)")
      ->type_name("P")
      ->check(CLI::Range(1, imbrino::kMaxScalePercent).description(""));
  command
      ->add_option("--scale-by", mark.scaleSide,
                   "the side --scale measures: width (default), height, shorter or longer")
      ->type_name("SIDE")
      ->transform(CLI::CheckedTransformer(kSides).description(""));
  command->add_flag("--tile", mark.tile,
                    "repeat the template over the whole picture, every other row shifted by "
                    "half a step");
  command
      ->add_option("--tile-gap", mark.tileGapPercent,
                   "the space between copies, in % of the copy's size (0 to 500, default 50)")
      ->type_name("G")
      ->check(CLI::Range(0, imbrino::kMaxTileGapPercent).description(""));
  command
      ->add_option("--tile-angle", mark.tileAngle,
                   "turn each copy by A degrees counter-clockwise (-90 to 90, default 0)")
      ->type_name("A")
      ->check(CLI::Range(-imbrino::kMaxTileAngle, imbrino::kMaxTileAngle).description(""));
}

// --jpeg, as stamp and batch both take it.
void addJpegOption(CLI::App* command, imbrino::JpegWriting& writing) {
  static const std::map<std::string, imbrino::JpegWriting> kWritings = {
      {"keep", imbrino::JpegWriting::Keep}, {"reencode", imbrino::JpegWriting::Reencode}};
  command
      ->add_option("--jpeg", writing,
                   "a JPEG stamped to a JPEG: reencode decodes and encodes it again (default); "
                   "keep carries over every block the template does not touch and computes only "
                   "the others, with the picture's own quality and sampling (pictures it cannot "
                   "keep are reencoded)")
      ->type_name("keep|reencode")
      ->transform(CLI::CheckedTransformer(kWritings).description(""));
}

}  // namespace

int main(int argc, char** argv) {
  imbrino::keepPictureMemoryForReuse();
  CLI::App app{"Imbrino: stamp a template of text and pictures onto pictures.", "imbrino-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "imbrino-cli " IMBRINO_VERSION_SHORT);

  std::string infoPath;
  CLI::App* info = app.add_subcommand("info", "Print a template (.src) or a picture file as JSON.");
  info->add_option("FILE", infoPath, "a .src template or a BMP, JPEG, GIF or PNG picture")
      ->required()
      ->type_name("");

  std::string renderTemplate;
  std::string renderOutput;
  bool renderHandles = false;
  CLI::App* render = app.add_subcommand(
      "render", "Render a template at its own size on white and save it as a picture.");
  render->add_option("TEMPLATE", renderTemplate, "the .src template")->required()->type_name("");
  render->add_option("OUT", renderOutput, "the picture to write (.bmp, .jpg, .jpeg, .gif, .png)")
      ->required()
      ->type_name("");
  CLI::Option* handlesFlag =
      render->add_flag("--handles", renderHandles, "draw the handles of the selected objects");
  int thumbnailSize = 0;
  render
      ->add_option("--thumbnail", thumbnailSize,
                   "a preview for file managers instead: the template drawn to fit in SIZE x SIZE "
                   "(1 to 4096, never enlarged) and written as PNG whatever OUT is called")
      ->type_name("SIZE")
      ->check(CLI::Range(1, 4096).description(""))
      ->excludes(handlesFlag);

  imbrino::cli::StampOptions stampOptions;
  CLI::App* stamp = app.add_subcommand(
      "stamp", "Stamp a template onto a picture and save the result as a picture.");
  stamp->add_option("TEMPLATE", stampOptions.templatePath, "the .src template")
      ->required()
      ->type_name("");
  stamp->add_option("IN", stampOptions.inputPath, "the picture to stamp (BMP, JPEG, GIF, PNG)")
      ->required()
      ->type_name("");
  stamp
      ->add_option("OUT", stampOptions.outputPath,
                   "the picture to write (.bmp, .jpg, .jpeg, .gif, .png); may be IN")
      ->required()
      ->type_name("");
  PlacementOptions stampPlacement;
  stampPlacement.addTo(stamp);
  addJpegOption(stamp, stampOptions.jpeg);
  addMarkOptions(stamp, stampOptions.mark);
  stamp->add_flag("--verbose", stampOptions.verbose, "say where the mark went and its size");

  imbrino::cli::BatchOptions batchOptions;
  CLI::App* batch = app.add_subcommand(
      "batch",
      "Stamp a template onto many pictures; each result keeps its file name (or gets a numbered "
      "one, \"x (2).jpg\", when another picture has it) and format and goes into the output "
      "folder.");
  batch->add_option("--template", batchOptions.templatePath, "the .src template")
      ->required()
      ->type_name("T.src");
  PlacementOptions batchPlacement;
  batchPlacement.addTo(batch);
  addJpegOption(batch, batchOptions.jpeg);
  addMarkOptions(batch, batchOptions.mark);
  batch->add_flag("--verbose", batchOptions.verbose,
                  "say for each picture where the mark went and its size");
  batch->add_option("--out", batchOptions.outputFolder, "the output folder (made when missing)")
      ->required()
      ->type_name("DIR");
  batch
      ->add_option("--jobs", batchOptions.jobs,
                   "pictures processed at once, 1 to 256 (default: one per processor core)")
      ->type_name("N")
      ->check(CLI::Range(1, 256).description(""));
  batch
      ->add_option("--report", batchOptions.reportPath,
                   "also write the detailed report (UTF-8, CR LF) to FILE")
      ->type_name("FILE");
  batch
      ->add_option("--report-json", batchOptions.jsonReportPath,
                   "also write one JSON object per picture to FILE, a line each, as each "
                   "picture ends (the fields are listed in the README)")
      ->type_name("FILE");
  batch->add_flag("--overwrite-sources", batchOptions.overwriteSources,
                  "let results replace listed pictures (when DIR is the pictures' own folder)");
  batch
      ->add_option("--files-from", batchOptions.filesFrom,
                   "read more pictures from FILE, one path a line; - reads standard input")
      ->type_name("FILE");
  batch->add_flag(
      "--null", batchOptions.nulSeparated,
      "the --files-from list is separated by NUL bytes (find -print0) instead of lines");
  batch
      ->add_option_function<std::string>(
          "--shard",
          [&](const std::string& text) { batchOptions.shard = imbrino::cli::parseShard(text); },
          "take only pictures K, K+N, K+2N, ... of the list, so that N jobs given the same list "
          "and K = 1..N stamp each picture once (default: from a Slurm job array or a "
          "Kubernetes Indexed Job, see the README; otherwise the whole list)")
      ->type_name("K/N")
      ->check(kShardText);
  batch->add_flag("--skip-existing", batchOptions.skipExisting,
                  "leave a picture alone when its output exists and is newer than both the "
                  "picture and the template, so a stopped run can be run again to finish");
  batch->add_flag("--quiet", batchOptions.quiet, "print only failures and the summary");
  batch->add_option("FILES", batchOptions.files, "the pictures to stamp")->type_name("");
  batch->footer(
      "Exit status: 0 every picture saved (or skipped as done); 1 some pictures failed; 2 a wrong "
      "command line or list; 3 the template cannot be read; 4 the output folder cannot be made "
      "or written into; 130 stopped by Ctrl-C after the pictures in hand.");

  imbrino::cli::WatchOptions watchOptions;
  CLI::App* watch = app.add_subcommand(
      "watch",
      "Watch a folder: stamp the pictures in it, then each picture written into it or moved into "
      "it, as batch does, until Ctrl-C (exit 130) or SIGTERM (exit 0).");
  watch->add_option("IN", watchOptions.inputFolder, "the folder to watch")
      ->required()
      ->type_name("");
  watch->add_option("--template", watchOptions.templatePath, "the .src template")
      ->required()
      ->type_name("T.src");
  watch
      ->add_option("--out", watchOptions.outputFolder,
                   "the output folder (made when missing; not IN itself)")
      ->required()
      ->type_name("DIR");
  PlacementOptions watchPlacement;
  watchPlacement.addTo(watch);
  addJpegOption(watch, watchOptions.jpeg);
  addMarkOptions(watch, watchOptions.mark);
  watch->add_flag("--verbose", watchOptions.verbose,
                  "say for each picture where the mark went and its size");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return imbrino::cli::kExitUsage;
  }

  if (info->parsed()) return imbrino::cli::runInfo(infoPath);
  if (render->parsed() && thumbnailSize > 0)
    return imbrino::cli::runThumbnail(renderTemplate, renderOutput, thumbnailSize);
  if (render->parsed()) return imbrino::cli::runRender(renderTemplate, renderOutput, renderHandles);
  if (stamp->parsed()) {
    stampPlacement.apply(stampOptions.mode, stampOptions.values, stampOptions.mark);
    return imbrino::cli::runStamp(stampOptions);
  }
  if (batch->parsed()) {
    batchPlacement.apply(batchOptions.mode, batchOptions.values, batchOptions.mark);
    return imbrino::cli::runBatch(batchOptions);
  }
  if (watch->parsed()) {
    watchPlacement.apply(watchOptions.mode, watchOptions.values, watchOptions.mark);
    return imbrino::cli::runWatch(watchOptions);
  }
  return imbrino::cli::kExitUsage;
}
