// Stamping a single-scan JPEG by splicing new blocks into its coded data;
// see jpeg_scan_splice.h.

#include "image/jpeg_keep/jpeg_scan_splice.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <vector>

#include "image/jpeg_keep/jpeg_block_pixels.h"
#include "image/jpeg_keep/jpeg_block_recompute.h"
#include "image/jpeg_keep/jpeg_entropy.h"

namespace imbrino {
namespace {

constexpr int kBlockSize = 64;
// libjpeg refuses an interleaved scan with more blocks in one MCU.
constexpr int kMaxBlocksInMcu = 10;

struct ScanComponent {
  int frameIndex = 0;  // in the frame's component list
  int h = 1, v = 1;    // its blocks in one MCU
  HuffmanDecodeTable dcIn, acIn;
  HuffmanEncodeTable dcOut, acOut;
};

// The scan's MCUs: whole blocks of every component, interleaved, or single
// blocks when the scan holds one component.
struct ScanLayout {
  std::vector<ScanComponent> components;          // in the scan's order
  std::array<int, MAX_COMPONENTS> scanIndexOf{};  // frame index to scan index
  bool interleaved = false;
  int mcusPerRow = 0, mcuRows = 0;
  int mcuWidth = 0, mcuHeight = 0;  // pixels
  int restartInterval = 0;
  int total() const { return mcusPerRow * mcuRows; }
};

// The scan as the stages below walk it; nothing for a file this way does not
// take (see jpeg_scan_splice.h) or whose tables are not sound.
std::optional<ScanLayout> layoutOf(const jpeg_decompress_struct& header) {
  if (header.progressive_mode || header.arith_code || header.data_precision != 8) return {};
  if (header.comps_in_scan != header.num_components || header.num_components > MAX_COMPONENTS)
    return {};
  ScanLayout layout;
  layout.interleaved = header.comps_in_scan > 1;
  layout.restartInterval = static_cast<int>(header.restart_interval);
  const int width = static_cast<int>(header.image_width);
  const int height = static_cast<int>(header.image_height);
  if (layout.interleaved) {
    layout.mcuWidth = 8 * header.max_h_samp_factor;
    layout.mcuHeight = 8 * header.max_v_samp_factor;
    layout.mcusPerRow = (width + layout.mcuWidth - 1) / layout.mcuWidth;
    layout.mcuRows = (height + layout.mcuHeight - 1) / layout.mcuHeight;
  } else {
    const jpeg_component_info& only = *header.cur_comp_info[0];
    layout.mcuWidth = 8 * (header.max_h_samp_factor / only.h_samp_factor);
    layout.mcuHeight = 8 * (header.max_v_samp_factor / only.v_samp_factor);
    layout.mcusPerRow = static_cast<int>(only.width_in_blocks);
    layout.mcuRows = static_cast<int>(only.height_in_blocks);
  }
  int blocksInMcu = 0;
  unsigned seen = 0;  // frame components the scan holds
  for (int i = 0; i < header.comps_in_scan; ++i) {
    const jpeg_component_info& info = *header.cur_comp_info[i];
    if (info.component_index < 0 || info.component_index >= header.num_components ||
        (seen & (1u << info.component_index)) != 0)
      return {};
    seen |= 1u << info.component_index;
    ScanComponent component;
    component.frameIndex = info.component_index;
    component.h = layout.interleaved ? info.h_samp_factor : 1;
    component.v = layout.interleaved ? info.v_samp_factor : 1;
    blocksInMcu += component.h * component.v;
    if (info.dc_tbl_no < 0 || info.dc_tbl_no >= NUM_HUFF_TBLS || info.ac_tbl_no < 0 ||
        info.ac_tbl_no >= NUM_HUFF_TBLS || info.quant_tbl_no < 0 ||
        info.quant_tbl_no >= NUM_QUANT_TBLS || !header.quant_tbl_ptrs[info.quant_tbl_no])
      return {};
    const JHUFF_TBL* dc = header.dc_huff_tbl_ptrs[info.dc_tbl_no];
    const JHUFF_TBL* ac = header.ac_huff_tbl_ptrs[info.ac_tbl_no];
    if (!dc || !ac || !component.dcIn.build(*dc, true) || !component.acIn.build(*ac, false) ||
        !component.dcOut.build(*dc) || !component.acOut.build(*ac))
      return {};
    layout.scanIndexOf[component.frameIndex] = i;
    layout.components.push_back(component);
  }
  if (blocksInMcu > kMaxBlocksInMcu) return {};
  return layout;
}

// The coefficients of MCU rows [firstRow, endRow), whole MCUs, by component.
class StoredRows {
 public:
  StoredRows(const ScanLayout& layout, int firstRow, int endRow, int frameComponents)
      : blocks_(frameComponents), wide_(frameComponents), high_(frameComponents) {
    for (const ScanComponent& component : layout.components) {
      const int c = component.frameIndex;
      wide_[c] = layout.mcusPerRow * component.h;
      high_[c] = (endRow - firstRow) * component.v;
      blocks_[c].assign(static_cast<std::size_t>(wide_[c]) * high_[c] * kBlockSize, 0);
    }
  }

  // Block (bx, by) of frame component `c`, rows counted from the first stored.
  JCOEF* at(int c, int bx, int by) {
    return blocks_[c].data() + (static_cast<std::size_t>(by) * wide_[c] + bx) * kBlockSize;
  }
  const JCOEF* find(int c, int bx, int by) const {
    if (bx < 0 || by < 0 || bx >= wide_[c] || by >= high_[c]) return nullptr;
    return blocks_[c].data() + (static_cast<std::size_t>(by) * wide_[c] + bx) * kBlockSize;
  }

 private:
  std::vector<std::vector<JCOEF>> blocks_;
  std::vector<int> wide_, high_;
};

void append(Bytes& out, ByteView file, std::size_t from) {
  out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(from), file.end());
}

// The MCU rows to decode for a stamp on `region`: its own and one more on
// every side, so upsampling sees the same neighbours as in the whole picture.
// No rows for an empty region.
struct StoredWindow {
  Rect pixels;  // whole MCUs, within the picture
  int firstRow = 0, endRow = 0;
};

StoredWindow storedWindowFor(const ScanLayout& layout, Rect region, int width, int height) {
  StoredWindow stored;
  if (region.empty()) return stored;
  stored.pixels = blockWindowAround(region, layout.mcuWidth, layout.mcuHeight, width, height);
  stored.firstRow = stored.pixels.y / layout.mcuHeight;
  stored.endRow =
      static_cast<int>((stored.pixels.bottom() + layout.mcuHeight - 1) / layout.mcuHeight);
  return stored;
}

using Predictors = std::array<int, MAX_COMPONENTS>;

// The MCUs, in scan order, that hold a block the stamp changed.
struct ChangedMcus {
  int first = INT_MAX, last = -1;
  bool none() const { return last < 0; }
};

// MCU rows kept while the data is walked: the rows of one or more candidate
// regions' windows (merged where they meet), their coefficients, and where
// each of their MCUs (and the one after them) starts with the predictors
// there.
struct Band {
  Band(const ScanLayout& layout, int first, int end, int frameComponents)
      : firstRow(first),
        endRow(end),
        firstStored(first * layout.mcusPerRow),
        endStored(end * layout.mcusPerRow),
        stored(layout, first, end, frameComponents) {}
  int firstRow, endRow;
  int firstStored, endStored;  // MCU numbers of the stored rows
  StoredRows stored;
  std::vector<DataBit> mcuStart;
  std::vector<Predictors> predictors;
};

// One stamp spliced into one scan. The stages run in order, each on what the
// one before found: walk() reads the whole of the coded data and keeps the
// candidate regions' rows, choose() settles on one region, stampStoredRows()
// changes its blocks, recode() writes the new file around them.
class ScanSplice {
 public:
  ScanSplice(ByteView file, const jpeg_decompress_struct& header, std::size_t scanStart,
             const ScanLayout& layout, const std::vector<Rect>& regions)
      : file_(file), header_(header), layout_(layout), reader_(file, scanStart) {
    const int width = static_cast<int>(header.image_width);
    const int height = static_cast<int>(header.image_height);
    // Windows whose rows meet share one band.
    std::vector<std::pair<int, int>> rows;
    for (const Rect& region : regions) {
      candidates_.push_back({region, storedWindowFor(layout, region, width, height), 0});
      const StoredWindow& window = candidates_.back().window;
      if (!region.empty()) rows.emplace_back(window.firstRow, window.endRow);
    }
    std::sort(rows.begin(), rows.end());
    for (const auto& [first, end] : rows) {
      if (!bands_.empty() && first <= bands_.back().second)
        bands_.back().second = std::max(bands_.back().second, end);
      else
        bands_.emplace_back(first, end);
    }
    for (const auto& [first, end] : bands_)
      kept_.emplace_back(layout, first, end, header.num_components);
    for (Candidate& candidate : candidates_)
      for (std::size_t b = 0; b < bands_.size(); ++b)
        if (candidate.window.firstRow >= bands_[b].first &&
            candidate.window.endRow <= bands_[b].second)
          candidate.band = b;
  }

  // Everything the stamp leaves is carried over as it is, so the coded data
  // must be clean to its end; false when it is not. On the way it keeps the
  // bands' coefficients, notes where each restart interval ends, and with
  // `means`, gathers the luminance of each block for choose().
  bool walk(bool means);

  // Settles on one of the regions, by `choose` when there are several.
  void choose(const RegionChoice& choose);
  Rect region() const { return chosen().region; }

  // The stamp on the chosen region's pixels, and their blocks computed again
  // where it changed them. Nothing when those pixels cannot be had (libjpeg
  // then decides); the stamp's reason when it failed.
  using PixelStamp = std::function<Expected<Surface>(const Surface& before)>;
  std::optional<Expected<ChangedMcus>> stampStoredRows(const PixelStamp& stamp);

  // The new file: byte for byte up to the first changed MCU, the changed
  // MCUs coded again, then carryRest(). Nothing when the file's Huffman
  // tables cannot code a new block (libjpeg then writes it all).
  std::optional<Bytes> recode(ChangedMcus changed);

 private:
  struct Candidate {
    Rect region;
    StoredWindow window;
    std::size_t band;
  };

  // The data after the recoded MCUs as it was: shifted bits to the end of
  // the restart interval (or of the data), then the file's own bytes from
  // the marker there. `next` is the first MCU not recoded.
  void carryRest(EntropyWriter& writer, Bytes& out, int next);

  const ScanComponent& scanComponentOf(int frameComponent) const {
    return layout_.components[layout_.scanIndexOf[frameComponent]];
  }
  const Candidate& chosen() const { return candidates_[chosen_]; }
  Band& band() { return kept_[chosen().band]; }

  // The mean luminance of each block of the first component, as a grey
  // picture, and how many picture pixels one of its pixels spans.
  BlockMeans blockMeans() const;

  ByteView file_;
  const jpeg_decompress_struct& header_;
  const ScanLayout& layout_;
  std::vector<Candidate> candidates_;
  std::vector<std::pair<int, int>> bands_;  // MCU rows [first, end)
  std::vector<Band> kept_;
  std::size_t chosen_ = 0;

  // Found by walk().
  EntropyReader reader_;
  std::vector<DataBit> intervalEnd_;    // where each restart interval's data ends
  std::vector<std::size_t> restartAt_;  // and where the marker after it starts
  DataBit dataEnd_ = 0;
  std::size_t endMarkerAt_ = 0;
  std::vector<int> dcValues_;  // of the first component's blocks, with `means`
  int dcColumns_ = 0;
};

bool ScanSplice::walk(bool means) {
  const int perRow = layout_.mcusPerRow;
  const int total = layout_.total();
  const int interval = layout_.restartInterval;
  const ScanComponent& first = layout_.components[layout_.scanIndexOf[0]];
  if (means) {
    dcColumns_ = perRow * first.h;
    dcValues_.assign(static_cast<std::size_t>(dcColumns_) * layout_.mcuRows * first.v, 0);
  }
  Predictors predictor{};
  std::size_t nextBand = 0;  // the band at or after the current row
  for (int m = 0; m < total; ++m) {
    if (interval > 0 && m > 0 && m % interval == 0) {
      intervalEnd_.push_back(reader_.position());
      std::size_t markerAt = 0;
      if (!reader_.restart((m / interval - 1) & 7, markerAt)) return false;
      restartAt_.push_back(markerAt);
      predictor = {};
    }
    while (nextBand < kept_.size() && m > kept_[nextBand].endStored) ++nextBand;
    Band* band =
        nextBand < kept_.size() && m >= kept_[nextBand].firstStored ? &kept_[nextBand] : nullptr;
    if (band) {
      band->mcuStart.push_back(reader_.position());
      band->predictors.push_back(predictor);
    }
    const bool keep = band && m < band->endStored;
    const int mx = m % perRow, row = m / perRow;
    for (std::size_t i = 0; i < layout_.components.size(); ++i) {
      const ScanComponent& component = layout_.components[i];
      const bool firstComponent = means && component.frameIndex == 0;
      for (int by = 0; by < component.v; ++by)
        for (int bx = 0; bx < component.h; ++bx) {
          JCOEF* block = keep ? band->stored.at(component.frameIndex, mx * component.h + bx,
                                                (row - band->firstRow) * component.v + by)
                              : nullptr;
          if (!reader_.readBlock(component.dcIn, component.acIn, predictor[i], block)) return false;
          if (firstComponent)
            dcValues_[static_cast<std::size_t>(row * component.v + by) * dcColumns_ +
                      mx * component.h + bx] = predictor[i];
        }
    }
    if (reader_.overrun()) return false;
  }
  dataEnd_ = reader_.position();
  if (!kept_.empty() && kept_.back().endStored == total) {
    kept_.back().mcuStart.push_back(dataEnd_);
    kept_.back().predictors.push_back(predictor);
  }
  return reader_.finish(endMarkerAt_) && file_[endMarkerAt_ + 1] == JPEG_EOI;
}

BlockMeans ScanSplice::blockMeans() const {
  const jpeg_component_info& info = header_.comp_info[0];
  const int columns = static_cast<int>(info.width_in_blocks);
  const int rows = static_cast<int>(info.height_in_blocks);
  const int dcStep = header_.quant_tbl_ptrs[info.quant_tbl_no]->quantval[0];
  BlockMeans means;
  means.reduction = 8.0 * header_.max_h_samp_factor / info.h_samp_factor;
  auto grey = Surface::create(columns, rows);
  if (!grey) return means;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      // A block's DC coefficient is eight times its mean, less the level shift.
      const int dc = dcValues_[static_cast<std::size_t>(y) * dcColumns_ + x] * dcStep;
      const auto level = static_cast<std::uint8_t>(std::clamp(dc / 8 + 128, 0, 255));
      grey->setPixel(x, y, makePixel(level, level, level));
    }
  means.picture = std::move(*grey);
  return means;
}

void ScanSplice::choose(const RegionChoice& choose) {
  if (candidates_.size() > 1) chosen_ = std::min(choose(blockMeans()), candidates_.size() - 1);
}

std::optional<Expected<ChangedMcus>> ScanSplice::stampStoredRows(const PixelStamp& stamp) {
  // The pixels, from the stored rows alone.
  const Rect region = chosen().region;
  Band& kept = band();
  auto before = Surface::create(region.width, region.height);
  if (!before) return Expected<ChangedMcus>(fail("JPEG: " + before.reason()));
  const BlockSource storedBlocks = [&](int c, int bx, int by) {
    return kept.stored.find(c, bx, by - kept.firstRow * scanComponentOf(c).v);
  };
  if (!decodeBlocksInWindow(header_, storedBlocks, chosen().window.pixels, region, *before))
    return {};
  Expected<Surface> after = stamp(*before);
  if (!after) return Expected<ChangedMcus>(fail(after.reason()));

  std::vector<ComponentBlocks> components;
  for (int c = 0; c < header_.num_components; ++c) {
    const jpeg_component_info& info = header_.comp_info[c];
    components.push_back({header_.max_h_samp_factor / info.h_samp_factor,
                          header_.max_v_samp_factor / info.v_samp_factor,
                          static_cast<int>(info.width_in_blocks),
                          static_cast<int>(info.height_in_blocks),
                          header_.quant_tbl_ptrs[info.quant_tbl_no]->quantval});
  }
  ChangedMcus changed;
  recomputeChangedBlocks(components, static_cast<int>(header_.image_width),
                         static_cast<int>(header_.image_height), region, *before, *after,
                         [&](int c, int bx, int by) {
                           const ScanComponent& component = scanComponentOf(c);
                           const int m = by / component.v * layout_.mcusPerRow + bx / component.h;
                           changed.first = std::min(changed.first, m);
                           changed.last = std::max(changed.last, m);
                           return kept.stored.at(c, bx, by - kept.firstRow * component.v);
                         });
  return Expected<ChangedMcus>(changed);
}

std::optional<Bytes> ScanSplice::recode(ChangedMcus changed) {
  // Byte for byte up to the first changed MCU, the bits of its first byte
  // that belong to the MCUs before it, then the new blocks. The MCU after the
  // last changed one is coded again too: its DC differences count from the
  // changed blocks.
  const int perRow = layout_.mcusPerRow;
  const int total = layout_.total();
  const int interval = layout_.restartInterval;
  Band& kept = band();
  Bytes out;
  out.reserve(file_.size() + file_.size() / 16);
  const DataBit spliceStart = kept.mcuStart[changed.first - kept.firstStored];
  const std::size_t spliceByte = reader_.fileOffsetOf(spliceStart);
  out.assign(file_.begin(), file_.begin() + static_cast<std::ptrdiff_t>(spliceByte));
  EntropyWriter writer(out);
  if (const int carried = static_cast<int>(spliceStart % 8))
    writer.put(file_[spliceByte] >> (8 - carried), carried);
  Predictors predictor = kept.predictors[changed.first - kept.firstStored];
  const int lastCoded = std::min(changed.last + 1, total - 1);
  for (int m = changed.first; m <= lastCoded; ++m) {
    if (interval > 0 && m > changed.first && m % interval == 0) {
      writer.padToByte();
      writer.marker(static_cast<std::uint8_t>(JPEG_RST0 + ((m / interval - 1) & 7)));
      predictor = {};
    }
    const int mx = m % perRow, my = m / perRow - kept.firstRow;
    for (std::size_t i = 0; i < layout_.components.size(); ++i) {
      const ScanComponent& component = layout_.components[i];
      for (int by = 0; by < component.v; ++by)
        for (int bx = 0; bx < component.h; ++bx) {
          const JCOEF* block =
              kept.stored.at(component.frameIndex, mx * component.h + bx, my * component.v + by);
          if (!writer.writeBlock(component.dcOut, component.acOut, predictor[i], block)) return {};
        }
    }
  }
  carryRest(writer, out, lastCoded + 1);
  return out;
}

void ScanSplice::carryRest(EntropyWriter& writer, Bytes& out, int next) {
  const int total = layout_.total();
  const int interval = layout_.restartInterval;
  if (next == total) {
    writer.padToByte();
    append(out, file_, endMarkerAt_);
  } else if (interval > 0 && next % interval == 0) {
    writer.padToByte();
    append(out, file_, restartAt_[next / interval - 1]);
  } else {
    const DataBit from = band().mcuStart[next - band().firstStored];
    const int boundary = interval > 0 ? (next / interval + 1) * interval : total;
    if (boundary < total) {
      writer.copyBits(file_, reader_, from, intervalEnd_[boundary / interval - 1]);
      writer.padToByte();
      append(out, file_, restartAt_[boundary / interval - 1]);
    } else {
      writer.copyBits(file_, reader_, from, dataEnd_);
      writer.padToByte();
      append(out, file_, endMarkerAt_);
    }
  }
}

}  // namespace

std::optional<Expected<Bytes>> spliceStampIntoScan(
    ByteView file, const jpeg_decompress_struct& header, std::size_t scanStart,
    const std::vector<Rect>& regions, const RegionChoice& choose, const RegionStamp& stamp) {
  const std::optional<ScanLayout> layout = layoutOf(header);
  if (!layout || regions.empty()) return {};
  ScanSplice splice(file, header, scanStart, *layout, regions);
  if (!splice.walk(regions.size() > 1)) return {};
  splice.choose(choose);
  const Rect region = splice.region();
  if (region.empty()) return Expected<Bytes>(Bytes(file.begin(), file.end()));

  const std::optional<Expected<ChangedMcus>> changed =
      splice.stampStoredRows([&](const Surface& before) { return stamp(before, region); });
  if (!changed) return {};
  if (!*changed) return Expected<Bytes>(fail(changed->reason()));
  if ((*changed)->none()) return Expected<Bytes>(Bytes(file.begin(), file.end()));

  std::optional<Bytes> out = splice.recode(**changed);
  if (!out) return {};
  return Expected<Bytes>(std::move(*out));
}

}  // namespace imbrino
