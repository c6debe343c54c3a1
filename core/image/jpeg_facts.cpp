// A JPEG's sampling and quality estimate from its header; see jpeg_facts.h.

#include "image/jpeg_facts.h"

#include <algorithm>
#include <cstdlib>

#include "image/jpeg_errors.h"

namespace imbrino {
namespace {

// The luminance table of the JPEG standard's annex, which the common encoder
// scales by its quality setting; natural order.
constexpr std::array<int, 64> kStandardLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

std::string samplingName(const jpeg_decompress_struct& info) {
  if (info.num_components == 1) return "greyscale";
  const jpeg_component_info* c = info.comp_info;
  const bool chromaAlike = info.num_components == 3 && c[1].h_samp_factor == 1 &&
                           c[1].v_samp_factor == 1 && c[2].h_samp_factor == 1 &&
                           c[2].v_samp_factor == 1;
  if (chromaAlike) {
    const int h = c[0].h_samp_factor, v = c[0].v_samp_factor;
    if (h == 1 && v == 1) return "4:4:4";
    if (h == 2 && v == 1) return "4:2:2";
    if (h == 2 && v == 2) return "4:2:0";
    if (h == 1 && v == 2) return "4:4:0";
    if (h == 4 && v == 1) return "4:1:1";
  }
  std::string factors;
  for (int i = 0; i < info.num_components; ++i) {
    if (i > 0) factors += ",";
    factors += std::to_string(c[i].h_samp_factor) + "x" + std::to_string(c[i].v_samp_factor);
  }
  return factors;
}

// Fills `facts` from the header; false (with the message in `errors`) when
// libjpeg refuses it. Holds nothing with a destructor across the jump.
bool readHeader(ByteView jpeg, JpegErrors& errors, jpeg_decompress_struct& info, JpegFacts& facts,
                std::array<std::uint16_t, 64>& luminance, bool& hasTable, bool& made) {
  if (setjmp(errors.jump) != 0) return false;
  jpeg_create_decompress(&info);
  made = true;
  jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&info, TRUE);
  facts.width = static_cast<int>(info.image_width);
  facts.height = static_cast<int>(info.image_height);
  facts.progressive = info.progressive_mode != 0;
  const int slot = info.comp_info[0].quant_tbl_no;
  const JQUANT_TBL* table = slot >= 0 && slot < NUM_QUANT_TBLS ? info.quant_tbl_ptrs[slot] : nullptr;
  hasTable = table != nullptr;
  if (table) std::copy_n(table->quantval, 64, luminance.begin());
  return true;
}

}  // namespace

int estimateJpegQuality(const std::array<std::uint16_t, 64>& table) {
  // Eight-bit tables were clamped at 255 when they were made.
  const int ceiling = *std::max_element(table.begin(), table.end()) > 255 ? 32767 : 255;
  int best = 1;
  long bestError = -1;
  for (int quality = 1; quality <= 100; ++quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    long error = 0;
    for (int i = 0; i < 64; ++i) {
      const int step = std::clamp((kStandardLuminance[i] * scale + 50) / 100, 1, ceiling);
      error += std::abs(step - static_cast<int>(table[i]));
    }
    // Ties go to the higher quality: near 100 several qualities give the same
    // table, and the highest is the setting that makes it.
    if (bestError < 0 || error <= bestError) {
      best = quality;
      bestError = error;
    }
  }
  return best;
}

Expected<JpegFacts> readJpegFacts(ByteView jpeg) {
  JpegErrors errors;
  jpeg_decompress_struct info{};
  info.err = useJpegErrors(errors);
  JpegFacts facts;
  std::array<std::uint16_t, 64> luminance{};
  bool hasTable = false;
  bool made = false;
  const bool read = readHeader(jpeg, errors, info, facts, luminance, hasTable, made);
  if (read) facts.sampling = samplingName(info);
  if (made) jpeg_destroy_decompress(&info);
  if (!read) return fail(std::string("JPEG: ") + errors.message);
  if (hasTable) facts.quality = estimateJpegQuality(luminance);
  facts.orientation = jpegExifOrientation(jpeg);
  return facts;
}

}  // namespace imbrino
