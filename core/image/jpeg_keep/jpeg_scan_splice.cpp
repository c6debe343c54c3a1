// Stamping a single-scan JPEG by splicing new blocks into its coded data;
// see jpeg_scan_splice.h.

#include "image/jpeg_keep/jpeg_scan_splice.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
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
  std::vector<ScanComponent> components;  // in the scan's order
  std::array<int, MAX_COMPONENTS> scanIndexOf{};  // frame index to scan index
  bool interleaved = false;
  int mcusPerRow = 0, mcuRows = 0;
  int mcuWidth = 0, mcuHeight = 0;  // pixels
  int restartInterval = 0;
  int total() const { return mcusPerRow * mcuRows; }
};

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
      : blocks_(frameComponents), wide_(frameComponents),
        high_(frameComponents) {
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

}  // namespace

std::optional<Expected<Bytes>> spliceStampIntoScan(ByteView file,
                                                   const jpeg_decompress_struct& header,
                                                   std::size_t scanStart, Rect region,
                                                   const RegionStamp& stamp) {
  const std::optional<ScanLayout> layout = layoutOf(header);
  if (!layout) return {};
  const int perRow = layout->mcusPerRow;
  const int total = layout->total();
  const int interval = layout->restartInterval;

  // The MCU rows whose pixels are needed: the stamp's, and one more on every
  // side, so upsampling sees the same neighbours as in the whole picture.
  const int width = static_cast<int>(header.image_width);
  const int height = static_cast<int>(header.image_height);
  Rect window;
  int firstRow = 0, endRow = 0;
  if (!region.empty()) {
    window = blockWindowAround(region, layout->mcuWidth, layout->mcuHeight, width, height);
    firstRow = window.y / layout->mcuHeight;
    endRow = static_cast<int>((window.bottom() + layout->mcuHeight - 1) / layout->mcuHeight);
  }
  StoredRows stored(*layout, firstRow, endRow, header.num_components);
  const int firstStored = firstRow * perRow, endStored = endRow * perRow;

  // One walk over the whole of the coded data: it must be clean to the end,
  // since everything the stamp leaves is carried over as it is.
  using Predictors = std::array<int, MAX_COMPONENTS>;
  std::vector<DataBit> mcuStart;       // of the stored MCUs and the one after them
  std::vector<Predictors> predictors;  // at those starts
  std::vector<DataBit> intervalEnd;    // where each restart interval's data ends
  std::vector<std::size_t> restartAt;  // and where the marker after it starts
  EntropyReader reader(file, scanStart);
  Predictors predictor{};
  for (int m = 0; m < total; ++m) {
    if (interval > 0 && m > 0 && m % interval == 0) {
      intervalEnd.push_back(reader.position());
      std::size_t markerAt = 0;
      if (!reader.restart((m / interval - 1) & 7, markerAt)) return {};
      restartAt.push_back(markerAt);
      predictor = {};
    }
    if (m >= firstStored && m <= endStored && !region.empty()) {
      mcuStart.push_back(reader.position());
      predictors.push_back(predictor);
    }
    const bool keep = m >= firstStored && m < endStored;
    const int mx = m % perRow, my = m / perRow - firstRow;
    for (std::size_t i = 0; i < layout->components.size(); ++i) {
      const ScanComponent& component = layout->components[i];
      for (int by = 0; by < component.v; ++by)
        for (int bx = 0; bx < component.h; ++bx) {
          JCOEF* block = keep ? stored.at(component.frameIndex, mx * component.h + bx,
                                          my * component.v + by)
                              : nullptr;
          if (!reader.readBlock(component.dcIn, component.acIn, predictor[i], block)) return {};
        }
    }
    if (reader.overrun()) return {};
  }
  const DataBit dataEnd = reader.position();
  if (!region.empty() && endStored == total) {
    mcuStart.push_back(dataEnd);
    predictors.push_back(predictor);
  }
  std::size_t endMarkerAt = 0;
  if (!reader.finish(endMarkerAt) || file[endMarkerAt + 1] != JPEG_EOI) return {};
  if (region.empty()) return Expected<Bytes>(Bytes(file.begin(), file.end()));

  // The pixels, from the stored rows alone.
  auto before = Surface::create(region.width, region.height);
  if (!before) return Expected<Bytes>(fail("JPEG: " + before.reason()));
  const BlockSource storedBlocks = [&](int c, int bx, int by) {
    return stored.find(c, bx, by - firstRow * layout->components[layout->scanIndexOf[c]].v);
  };
  if (!decodeBlocksInWindow(header, storedBlocks, window, region, *before)) return {};
  Expected<Surface> after = stamp(*before);
  if (!after) return Expected<Bytes>(fail(after.reason()));

  std::vector<ComponentBlocks> components;
  for (int c = 0; c < header.num_components; ++c) {
    const jpeg_component_info& info = header.comp_info[c];
    components.push_back({header.max_h_samp_factor / info.h_samp_factor,
                          header.max_v_samp_factor / info.v_samp_factor,
                          static_cast<int>(info.width_in_blocks),
                          static_cast<int>(info.height_in_blocks),
                          header.quant_tbl_ptrs[info.quant_tbl_no]->quantval});
  }
  int firstChanged = INT_MAX, lastChanged = -1;
  recomputeChangedBlocks(components, width, height, region, *before, *after,
                         [&](int c, int bx, int by) {
                           const ScanComponent& component =
                               layout->components[layout->scanIndexOf[c]];
                           const int m = by / component.v * perRow + bx / component.h;
                           firstChanged = std::min(firstChanged, m);
                           lastChanged = std::max(lastChanged, m);
                           return stored.at(c, bx, by - firstRow * component.v);
                         });
  if (lastChanged < 0) return Expected<Bytes>(Bytes(file.begin(), file.end()));

  // Byte for byte up to the first changed MCU, the bits of its first byte
  // that belong to the MCUs before it, then the new blocks. The MCU after the
  // last changed one is coded again too: its DC differences count from the
  // changed blocks.
  Bytes out;
  out.reserve(file.size() + file.size() / 16);
  const DataBit spliceStart = mcuStart[firstChanged - firstStored];
  const std::size_t spliceByte = reader.fileOffsetOf(spliceStart);
  out.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(spliceByte));
  EntropyWriter writer(out);
  if (const int carried = static_cast<int>(spliceStart % 8))
    writer.put(file[spliceByte] >> (8 - carried), carried);
  predictor = predictors[firstChanged - firstStored];
  const int lastCoded = std::min(lastChanged + 1, total - 1);
  for (int m = firstChanged; m <= lastCoded; ++m) {
    if (interval > 0 && m > firstChanged && m % interval == 0) {
      writer.padToByte();
      writer.marker(static_cast<std::uint8_t>(JPEG_RST0 + ((m / interval - 1) & 7)));
      predictor = {};
    }
    const int mx = m % perRow, my = m / perRow - firstRow;
    for (std::size_t i = 0; i < layout->components.size(); ++i) {
      const ScanComponent& component = layout->components[i];
      for (int by = 0; by < component.v; ++by)
        for (int bx = 0; bx < component.h; ++bx) {
          const JCOEF* block =
              stored.at(component.frameIndex, mx * component.h + bx, my * component.v + by);
          // A block the file's tables cannot code: libjpeg writes it all.
          if (!writer.writeBlock(component.dcOut, component.acOut, predictor[i], block)) return {};
        }
    }
  }

  // The rest as it was: shifted bits to the end of the restart interval (or
  // of the data), then the file's own bytes from the marker there.
  const int next = lastCoded + 1;
  if (next == total) {
    writer.padToByte();
    append(out, file, endMarkerAt);
  } else if (interval > 0 && next % interval == 0) {
    writer.padToByte();
    append(out, file, restartAt[next / interval - 1]);
  } else {
    const DataBit from = mcuStart[next - firstStored];
    const int boundary = interval > 0 ? (next / interval + 1) * interval : total;
    if (boundary < total) {
      writer.copyBits(file, reader, from, intervalEnd[boundary / interval - 1]);
      writer.padToByte();
      append(out, file, restartAt[boundary / interval - 1]);
    } else {
      writer.copyBits(file, reader, from, dataEnd);
      writer.padToByte();
      append(out, file, endMarkerAt);
    }
  }
  return Expected<Bytes>(std::move(out));
}

}  // namespace imbrino
