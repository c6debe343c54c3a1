// What `imbrino-cli stamp --jpeg keep` did to a photo, for jpeg_keep_bench.sh:
//
//   jpeg_keep_check --progressive-photos DIR K
//       K photo-like JPEGs as batch_inputs --photos makes them (same seeds, same
//       names), coded progressive
//   jpeg_keep_check --compare TEMPLATE H V IN KEEP REENCODE
//       IN stamped with TEMPLATE at anchor cell (H, V) (0..2 each, as the
//       batch places it) by the keep path (KEEP) and by decoding, composing
//       and encoding again (REENCODE); "-" for REENCODE skips it
//
// --compare prints one line of `name value` pairs:
//   rect X Y W H        the template's rectangle on the picture, clipped
//   mcu X Y W H         the whole MCUs it touches (MCUs from the picture's
//                       largest sampling factors, counted from the top-left)
//   mcu_size W H, sampling "H1xV1,H2xV2,...", progressive 0|1 (of KEEP)
//   outside_px N        pixels outside the MCUs where KEEP decodes differently
//                       from IN
//   ring_px N           of those, the ones in the one-pixel ring around the
//                       MCUs (where smooth chroma upsampling reaches across)
//   outside_blocks N    DCT blocks outside the MCUs whose coefficients differ
//                       between KEEP and IN (or whose quantisation differs)
//   psnr_keep P, psnr_reencode P   inside the rectangle, against IN decoded
//                       with the template drawn on it (no JPEG step); "inf"
//                       when identical
//   psnr_reencode_outside P        REENCODE against IN decoded, outside the
//                       rectangle: what a generation costs the rest
//   psnr_ceiling P      the composite coded afresh as the photos are (quality
//                       92, 4:2:0), inside the rectangle: the best a file kept
//                       at the photo's own settings can do there; only for
//                       pictures of the photos' size
// Pixels are decoded with the core's decoder and the template drawn with the
// core's renderer, so the reference is what a stamping run composes.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "batch/placement.h"
#include "bench_photo.h"
#include "image/codecs.h"
#include "platform/file_io.h"
#include "render/template_compose.h"
#include "template/template_file.h"

namespace imbrino {
namespace {

[[noreturn]] void die(const std::string& why) {
  std::cerr << "jpeg_keep_check: " << why << "\n";
  std::exit(1);
}

Bytes readOrDie(const std::string& path) {
  auto bytes = readFileBytes(path);
  if (!bytes) die(path + ": " + bytes.reason());
  return std::move(*bytes);
}

Surface decodeOrDie(const Bytes& file, const std::string& path) {
  auto picture = decodeJpeg(file);
  if (!picture) die(path + ": " + picture.reason());
  return std::move(*picture);
}

// The coefficients of a JPEG, read with the library's own error exit turned
// into a jump, so a broken file is reported rather than ending us mid-read.
class Coefficients {
 public:
  explicit Coefficients(const Bytes& file) {
    info_.err = jpeg_std_error(&error_.base);
    error_.base.error_exit = [](j_common_ptr common) {
      auto* error = reinterpret_cast<Error*>(common->err);
      (*common->err->format_message)(common, error->message);
      std::longjmp(error->jump, 1);
    };
    jpeg_create_decompress(&info_);
    if (setjmp(error_.jump) != 0) {
      failed_ = error_.message;
      return;
    }
    jpeg_mem_src(&info_, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info_, TRUE);
    arrays_ = jpeg_read_coefficients(&info_);
  }
  ~Coefficients() { jpeg_destroy_decompress(&info_); }
  Coefficients(const Coefficients&) = delete;
  Coefficients& operator=(const Coefficients&) = delete;

  const std::string& failed() const { return failed_; }
  jpeg_decompress_struct& info() { return info_; }

  // One block's 64 coefficients; null on a read failure.
  const JCOEF* block(int component, JDIMENSION row, JDIMENSION column) {
    if (setjmp(error_.jump) != 0) {
      failed_ = error_.message;
      return nullptr;
    }
    JBLOCKARRAY rows = (*info_.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info_),
                                                        arrays_[component], row, 1, FALSE);
    return rows[0][column];
  }

 private:
  struct Error {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
  };
  jpeg_decompress_struct info_{};
  Error error_{};
  jvirt_barray_ptr* arrays_ = nullptr;
  std::string failed_;
};

struct Layout {
  int mcuWidth = 8;
  int mcuHeight = 8;
  std::string sampling;
  bool progressive = false;
};

Layout layoutOf(Coefficients& file) {
  jpeg_decompress_struct& info = file.info();
  Layout layout;
  layout.mcuWidth = 8 * info.max_h_samp_factor;
  layout.mcuHeight = 8 * info.max_v_samp_factor;
  for (int c = 0; c < info.num_components; ++c) {
    if (c) layout.sampling += ',';
    layout.sampling += std::to_string(info.comp_info[c].h_samp_factor) + "x" +
                       std::to_string(info.comp_info[c].v_samp_factor);
  }
  layout.progressive = info.progressive_mode != 0;
  return layout;
}

// DCT blocks outside `mcus` (pixels) that differ between the two files, the
// quantisation tables of every component included: a block whose numbers stay
// while its table changes decodes differently all the same.
long differingBlocksOutside(Coefficients& a, Coefficients& b, Rect mcus) {
  jpeg_decompress_struct& ia = a.info();
  jpeg_decompress_struct& ib = b.info();
  if (ia.num_components != ib.num_components || ia.image_width != ib.image_width ||
      ia.image_height != ib.image_height)
    die("the kept file has another size or number of components");
  long differing = 0;
  for (int c = 0; c < ia.num_components; ++c) {
    const jpeg_component_info& ca = ia.comp_info[c];
    const jpeg_component_info& cb = ib.comp_info[c];
    if (ca.h_samp_factor != cb.h_samp_factor || ca.v_samp_factor != cb.v_samp_factor)
      die("the kept file has another sampling");
    const JQUANT_TBL* qa = ca.quant_table;
    const JQUANT_TBL* qb = cb.quant_table;
    const bool sameTable =
        qa && qb && std::memcmp(qa->quantval, qb->quantval, sizeof qa->quantval) == 0;
    // Pixels per block of this component, across and down.
    const int blockWidth = 8 * ia.max_h_samp_factor / ca.h_samp_factor;
    const int blockHeight = 8 * ia.max_v_samp_factor / ca.v_samp_factor;
    for (JDIMENSION row = 0; row < ca.height_in_blocks; ++row)
      for (JDIMENSION column = 0; column < ca.width_in_blocks; ++column) {
        const long x = static_cast<long>(column) * blockWidth;
        const long y = static_cast<long>(row) * blockHeight;
        const bool inside = x >= mcus.x && x < mcus.right() && y >= mcus.y && y < mcus.bottom();
        if (inside) continue;
        const JCOEF* ba = a.block(c, row, column);
        const JCOEF* bb = b.block(c, row, column);
        if (!ba || !bb) die("reading coefficients: " + a.failed() + b.failed());
        if (!sameTable || std::memcmp(ba, bb, sizeof(JCOEF) * DCTSIZE2) != 0) ++differing;
      }
  }
  return differing;
}

// PSNR over R, G and B of `a` against `b` inside (or, with `outside`,
// outside) `area`.
std::string psnr(const Surface& a, const Surface& b, Rect area, bool outside) {
  double squares = 0;
  std::int64_t samples = 0;
  for (int y = 0; y < a.height(); ++y) {
    const Pixel* ra = a.row(y);
    const Pixel* rb = b.row(y);
    const bool rowIn = y >= area.y && y < area.bottom();
    for (int x = 0; x < a.width(); ++x) {
      const bool in = rowIn && x >= area.x && x < area.right();
      if (in == outside) continue;
      const Pixel pa = ra[x];
      const Pixel pb = rb[x];
      for (int shift : {16, 8, 0}) {
        const int d =
            static_cast<int>((pa >> shift) & 0xFF) - static_cast<int>((pb >> shift) & 0xFF);
        squares += d * d;
      }
      samples += 3;
    }
  }
  if (samples == 0) return "none";
  if (squares == 0) return "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f",
                10 * std::log10(255.0 * 255.0 * static_cast<double>(samples) / squares));
  return text;
}

int anchorValue(std::string_view text) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '2') die("an anchor cell is 0, 1 or 2");
  return text[0] - '0';
}

int compare(const std::string& templatePath, int horizontal, int vertical,
            const std::string& inPath, const std::string& keepPath,
            const std::string& reencodePath) {
  Template document;
  if (const Status read = readTemplateFile(templatePath, document); !read)
    die(templatePath + ": " + read.reason());
  const Bytes inFile = readOrDie(inPath);
  const Bytes keepFile = readOrDie(keepPath);
  const Surface in = decodeOrDie(inFile, inPath);
  const Surface keep = decodeOrDie(keepFile, keepPath);
  if (keep.width() != in.width() || keep.height() != in.height())
    die(keepPath + " is not the size of " + inPath);

  const int w = document.background.width;
  const int h = document.background.height;
  const int x = placementOffset(PlacementMode::Anchor, horizontal, in.width(), w);
  const int y = placementOffset(PlacementMode::Anchor, vertical, in.height(), h);
  const Rect rect = intersect(Rect{x, y, w, h}, in.bounds());

  Coefficients inCoefficients(inFile);
  Coefficients keepCoefficients(keepFile);
  if (!inCoefficients.failed().empty()) die(inPath + ": " + inCoefficients.failed());
  if (!keepCoefficients.failed().empty()) die(keepPath + ": " + keepCoefficients.failed());
  const Layout layout = layoutOf(keepCoefficients);
  Rect mcus;
  if (!rect.empty()) {
    const int left = rect.x / layout.mcuWidth * layout.mcuWidth;
    const int top = rect.y / layout.mcuHeight * layout.mcuHeight;
    const auto right = (rect.right() + layout.mcuWidth - 1) / layout.mcuWidth * layout.mcuWidth;
    const auto bottom =
        (rect.bottom() + layout.mcuHeight - 1) / layout.mcuHeight * layout.mcuHeight;
    mcus =
        intersect(Rect{left, top, static_cast<int>(right - left), static_cast<int>(bottom - top)},
                  in.bounds());
  }

  long outside = 0;
  long ring = 0;
  for (int py = 0; py < in.height(); ++py) {
    const Pixel* a = in.row(py);
    const Pixel* b = keep.row(py);
    for (int px = 0; px < in.width(); ++px) {
      const bool inMcus = px >= mcus.x && px < mcus.right() && py >= mcus.y && py < mcus.bottom();
      if (inMcus || a[px] == b[px]) continue;
      ++outside;
      if (px >= mcus.x - 1 && px <= mcus.right() && py >= mcus.y - 1 && py <= mcus.bottom()) ++ring;
    }
  }
  const long blocks = differingBlocksOutside(inCoefficients, keepCoefficients, mcus);

  Surface composite = in;
  drawTemplate(composite, x, y, document, false, false);

  std::ostringstream line;
  line << "rect " << rect.x << ' ' << rect.y << ' ' << rect.width << ' ' << rect.height << " mcu "
       << mcus.x << ' ' << mcus.y << ' ' << mcus.width << ' ' << mcus.height << " mcu_size "
       << layout.mcuWidth << ' ' << layout.mcuHeight << " sampling " << layout.sampling
       << " progressive " << layout.progressive << " outside_px " << outside << " ring_px " << ring
       << " outside_blocks " << blocks << " psnr_keep " << psnr(keep, composite, rect, false);
  if (reencodePath != "-") {
    const Surface reencode = decodeOrDie(readOrDie(reencodePath), reencodePath);
    if (reencode.width() != in.width() || reencode.height() != in.height())
      die(reencodePath + " is not the size of " + inPath);
    line << " psnr_reencode " << psnr(reencode, composite, rect, false) << " psnr_reencode_outside "
         << psnr(reencode, in, rect, true);
  }
  if (in.width() == bench::kPhotoWidth && in.height() == bench::kPhotoHeight) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(in.width()) * in.height() * 3);
    for (const Pixel p : composite.pixels()) {
      rgb.push_back(redOf(p));
      rgb.push_back(greenOf(p));
      rgb.push_back(blueOf(p));
    }
    const Bytes fresh = bench::encodePhoto(rgb);
    line << " psnr_ceiling "
         << psnr(decodeOrDie(fresh, "the fresh encode"), composite, rect, false);
  }
  std::cout << line.str() << "\n";
  return 0;
}

int writeProgressivePhotos(const std::string& folder, int count) {
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/photo-%02d.jpg", i);
    const Bytes file =
        bench::encodePhoto(bench::makePhoto(static_cast<std::uint64_t>(i)), /*progressive=*/true);
    if (const Status written = writeFileAtomically(folder + name, file); !written)
      die(written.reason());
  }
  return 0;
}

int usage() {
  std::cerr << "usage: jpeg_keep_check --progressive-photos DIR K\n"
               "       jpeg_keep_check --compare TEMPLATE H V IN KEEP REENCODE|-\n";
  return 2;
}

}  // namespace
}  // namespace imbrino

int main(int argc, char** argv) {
  using namespace imbrino;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--progressive-photos") {
    int count = 0;
    const auto [end, error] =
        std::from_chars(args[2].data(), args[2].data() + args[2].size(), count);
    if (error != std::errc{} || end != args[2].data() + args[2].size() || count < 1 || count > 99)
      return usage();
    return writeProgressivePhotos(args[1], count);
  }
  if (args.size() == 7 && args[0] == "--compare")
    return compare(args[1], anchorValue(args[2]), anchorValue(args[3]), args[4], args[5], args[6]);
  return usage();
}
