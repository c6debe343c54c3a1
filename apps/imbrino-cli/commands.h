#pragma once
// The subcommands of imbrino-cli. Each returns the process exit code.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_engine.h"
#include "batch/jpeg_keep_stamp.h"
#include "batch/mark_stamp.h"
#include "batch/placement.h"
#include "file_list.h"

namespace imbrino::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTemplate = 3;       // the template cannot be read
inline constexpr int kExitFolder = 4;         // a folder cannot be watched, made or written into
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C, as a shell reports it

// Prints a template (.src) or a picture file as JSON.
int runInfo(const std::string& path);

// Renders a template at its own size on white and saves it in the format of
// the output's extension; `handles` draws the handles of selected objects.
int runRender(const std::string& templatePath, const std::string& outputPath, bool handles);

// Renders a template scaled to fit in size x size (never enlarged), on white,
// and writes it as a PNG whatever the output is called, for file managers'
// previews. Bounds the process's memory and processor time first, so a
// damaged or hostile template fails without costing the desktop.
int runThumbnail(const std::string& templatePath, const std::string& outputPath, int size);

// How each picture is stamped, as stamp, batch and watch all take it.
struct StampChoices {
  PlacementMode mode = PlacementMode::Anchor;
  PlacementValues values = kDefaultAnchor;
  JpegWriting jpeg = JpegWriting::Reencode;
  MarkOptions mark;
  bool verbose = false;  // tell where each mark went
};

struct StampOptions : StampChoices {
  std::string templatePath;
  std::string inputPath;
  std::string outputPath;
};

// Stamps the template onto one picture and saves the result.
int runStamp(const StampOptions& options);

struct BatchOptions : StampChoices {
  std::string templatePath;
  std::string outputFolder;
  std::vector<std::string> files;
  int jobs = 0;                // 0: one per core
  std::string reportPath;      // empty: no report
  std::string jsonReportPath;  // empty: no JSON Lines report
  // Results may replace listed pictures; without it such a run is refused.
  bool overwriteSources = false;
  // More pictures, one path a line (NUL-separated with nulSeparated); "-"
  // reads standard input.
  std::string filesFrom;
  bool nulSeparated = false;
  // This job's share of the list; without it, the environment's (see
  // shardFromEnvironment), or the whole list.
  std::optional<Shard> shard;
  bool skipExisting = false;
  bool quiet = false;
};

// Stamps the template onto every file and writes the results into the output
// folder; Ctrl-C stops after the files in hand.
int runBatch(const BatchOptions& options);

struct WatchOptions : StampChoices {
  std::string templatePath;
  std::string inputFolder;
  std::string outputFolder;
};

// Stamps every picture in the input folder whose result is not yet in the
// output folder, then each picture closed after writing in it or moved into
// it, exactly as runBatch would, until SIGINT (exit 130) or SIGTERM (exit 0)
// stops it after the picture in hand.
int runWatch(const WatchOptions& options);

// A run of `document` (read from `templatePath`) into `outputFolder`, with
// these choices; the caller adds the files and how the run goes.
BatchJob batchJobFor(const StampChoices& choices, const Template& document,
                     const std::string& templatePath, const std::string& outputFolder);

// The cell of an --anchor value: one of the nine cell names or its English
// alias ("bottom-right", case-insensitive).
std::optional<PlacementValues> anchorFromName(std::string_view name);
// "path: mark W x H at bottom-right (右下)", what --verbose tells of a stamp.
std::string stampReportLine(const std::string& path, const StampReport& report);
// The values of a --percent value "H,V": two whole numbers from 0 to 100.
std::optional<PlacementValues> percentFromText(std::string_view text);

}  // namespace imbrino::cli
