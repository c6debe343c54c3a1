#pragma once
// The mark on one picture: the template placed as a run places it, scaled,
// tiled or sent to the quietest corner as the run's options ask. The batch
// engine, the command line and the windows' previews all stamp through here,
// on decoded pictures or (for JPEGs, when asked) in the file's own blocks.

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "batch/jpeg_keep_stamp.h"
#include "batch/mark_options.h"
#include "batch/placement.h"
#include "template/template_document.h"
#include "text/text_fields.h"

namespace imbrino {

// What a stamp did, for a verbose run to tell.
struct StampReport {
  // The anchor cell used: the chosen corner under automatic placement.
  PlacementValues anchor;
  int markWidth = 0;
  int markHeight = 0;
  // The upright picture's size.
  int pictureWidth = 0;
  int pictureHeight = 0;
};

// Shared by every worker of a run: the scaled templates are made once per
// distinct mark size and kept while the stamper lives. The template must
// outlive the stamper and not change meanwhile.
class MarkStamper {
 public:
  MarkStamper(const Template& document, PlacementMode mode, PlacementValues values,
              MarkOptions options);
  ~MarkStamper();

  // Stamps an upright, decoded picture. Fails only when memory runs out for
  // a scaled or tiled mark; the picture is then as it was.
  Expected<StampReport> stamp(Surface& picture, const PictureFields* fields = nullptr) const;

  // Stamps a JPEG in its own coefficients (see jpeg_keep_stamp.h); fails with
  // a reason where that path does not apply, and the caller stamps the
  // decoded picture instead. `fields` are the picture's but for its size,
  // which the header gives.
  Expected<Bytes> stampKeepingBlocks(ByteView jpeg, std::optional<PictureFields> fields,
                                     StampReport* report = nullptr) const;

 private:
  struct Plan;
  // The mark for a picture of this upright size: the template, or a copy
  // scaled to it.
  Expected<std::shared_ptr<const Template>> markFor(int pictureWidth, int pictureHeight) const;
  Expected<std::shared_ptr<const Template>> markOfWidth(int width) const;
  // Where `mark` goes with its anchor cell (or percentages) `values`.
  Plan placed(std::shared_ptr<const Template> mark, PlacementValues values, int pictureWidth,
              int pictureHeight) const;
  bool choosesCorner() const;
  Status paint(const Plan& plan, Surface& region, int left, int top, int pictureWidth,
               int pictureHeight, const PictureFields* fields) const;
  const Template& document_;
  PlacementMode mode_;
  PlacementValues values_;
  MarkOptions options_;
  mutable std::mutex cacheMutex_;
  mutable std::map<int, std::shared_ptr<const Template>> scaledByWidth_;
};

}  // namespace imbrino
