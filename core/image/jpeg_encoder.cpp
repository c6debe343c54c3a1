// JPEG writing: baseline, no chroma subsampling (the pictures we write are
// mostly stamped with text, whose coloured edges subsampling would smear), one
// grey channel when the picture has no colour.

#include "image/jpeg_encoder.h"

#include <algorithm>
#include <bit>
#include <new>
#include <string>
#include <vector>

#include "image/jpeg_errors.h"
#include "image/picture_metadata.h"

namespace imbrino {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixels are handed to libjpeg as B, G, R, X bytes");

// libjpeg writes into a buffer we own; when it is full the buffer doubles.
struct VectorDestination {
  jpeg_destination_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  Bytes bytes;

  static VectorDestination& of(j_compress_ptr info) {
    return *reinterpret_cast<VectorDestination*>(info->dest);
  }

  // Grows the buffer to `size` and points libjpeg at the part past `used`.
  static void grow(j_compress_ptr info, std::size_t used, std::size_t size) {
    VectorDestination& self = of(info);
    bool grown = true;
    try {
      self.bytes.resize(size);
    } catch (const std::bad_alloc&) {
      grown = false;
    }
    // Outside the handler: the jump must not leave an exception behind.
    if (!grown) failJpeg(reinterpret_cast<j_common_ptr>(info), "not enough memory for the file");
    self.manager.next_output_byte = self.bytes.data() + used;
    self.manager.free_in_buffer = size - used;
  }

  static void init(j_compress_ptr info) { grow(info, 0, std::size_t{1} << 16); }

  static boolean empty(j_compress_ptr info) {
    // Called only when the buffer is full.
    const std::size_t used = of(info).bytes.size();
    grow(info, used, used * 2);
    return TRUE;
  }

  static void term(j_compress_ptr info) {
    VectorDestination& self = of(info);
    self.bytes.resize(self.bytes.size() - self.manager.free_in_buffer);
  }
};

class JpegEncoder {
 public:
  JpegEncoder() {
    info_.err = useJpegErrors(errors_);
    destination_.manager.init_destination = VectorDestination::init;
    destination_.manager.empty_output_buffer = VectorDestination::empty;
    destination_.manager.term_destination = VectorDestination::term;
  }
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;
  ~JpegEncoder() { jpeg_destroy_compress(&info_); }

  // Everything libjpeg may jump out of happens here; see jpeg_errors.h.
  bool encode(const Surface& picture, int quality, bool grey, bool jfifHeader,
              std::span<const JpegMarker> markers) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_create_compress(&info_);
    info_.dest = &destination_.manager;
    info_.image_width = static_cast<JDIMENSION>(picture.width());
    info_.image_height = static_cast<JDIMENSION>(picture.height());
    info_.input_components = grey ? 1 : 4;
    info_.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&info_);
    jpeg_set_quality(&info_, quality, TRUE);
    for (int c = 0; c < info_.num_components; ++c) {
      info_.comp_info[c].h_samp_factor = 1;
      info_.comp_info[c].v_samp_factor = 1;
    }
    // Optimised Huffman tables would save a few percent of the file at the
    // price of holding the whole picture's coefficients and a second pass.
    info_.optimize_coding = FALSE;
    info_.write_JFIF_header = jfifHeader ? TRUE : FALSE;

    jpeg_start_compress(&info_, TRUE);
    for (const JpegMarker& marker : markers)
      jpeg_write_marker(&info_, marker.code, marker.payload.data(),
                        static_cast<unsigned int>(marker.payload.size()));

    JSAMPARRAY greyRow = grey ? (*info_.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info_),
                                                           JPOOL_IMAGE, info_.image_width, 1)
                              : nullptr;
    while (info_.next_scanline < info_.image_height) {
      const Pixel* source = picture.row(static_cast<int>(info_.next_scanline));
      JSAMPROW row = nullptr;
      if (grey) {
        // Every pixel is grey, so any one channel is the grey value.
        for (int x = 0; x < picture.width(); ++x) greyRow[0][x] = blueOf(source[x]);
        row = greyRow[0];
      } else {
        // libjpeg only reads the rows it is given.
        row = reinterpret_cast<JSAMPROW>(const_cast<Pixel*>(source));
      }
      jpeg_write_scanlines(&info_, &row, 1);
    }
    jpeg_finish_compress(&info_);
    return true;
  }

  std::string reason() const { return std::string("JPEG: ") + errors_.message; }
  Bytes takeBytes() { return std::move(destination_.bytes); }

 private:
  jpeg_compress_struct info_{};
  JpegErrors errors_{};
  VectorDestination destination_{};
};

}  // namespace

Expected<Bytes> encodeJpegWithMarkers(const Surface& picture, const JpegOptions& options,
                                      std::span<const JpegMarker> markers,
                                      const JpegLayout& layout) {
  if (picture.empty()) return fail("JPEG: cannot write a picture without pixels");
  for (const JpegMarker& marker : markers)
    if (marker.payload.size() > 65533) return fail("JPEG: a marker holds at most 65533 bytes");
  // Checking for grey stops at the first coloured pixel, so it costs next to
  // nothing for a colour picture and one quick pass for a grey one.
  const bool grey = !layout.colour && picture.isGrey();
  JpegEncoder encoder;
  if (!encoder.encode(picture, std::clamp(options.quality, 1, 100), grey, layout.jfifHeader,
                      markers))
    return fail(encoder.reason());
  return encoder.takeBytes();
}

Expected<Bytes> encodeJpeg(const Surface& picture, const JpegOptions& options,
                           const PictureMetadata* metadata) {
  if (metadata == nullptr || metadata->empty()) return encodeJpegWithMarkers(picture, options, {});

  std::vector<JpegMarker> markers;
  JpegLayout layout;
  // A record too large for one marker is left out: readers take EXIF data
  // from one APP1 marker only.
  Bytes exif;
  if (!metadata->exif.empty() && metadata->exif.size() <= kMaxJpegExifSize) {
    exif.reserve(kJpegExifHeader.size() + metadata->exif.size());
    exif.assign(kJpegExifHeader.begin(), kJpegExifHeader.end());
    exif.insert(exif.end(), metadata->exif.begin(), metadata->exif.end());
    markers.push_back({JPEG_APP0 + 1, exif});
    // As a camera writes it: EXIF readers look for the record right after the
    // start of the file, and it holds the resolution a JFIF header would.
    layout.jfifHeader = false;
  }
  // A profile goes only where it describes the channels written: an RGB one
  // keeps all three even for a grey picture, a grey one only goes with a grey
  // picture. Any other profile (CMYK, say) describes no picture we write.
  const std::string_view space = iccColourSpace(metadata->icc);
  const bool profileFits = space == "RGB " || (space == "GRAY" && picture.isGrey());
  const std::vector<Bytes> icc =
      profileFits ? iccMarkerPayloads(metadata->icc) : std::vector<Bytes>{};
  for (const Bytes& payload : icc) markers.push_back({JPEG_APP0 + 2, payload});
  layout.colour = !icc.empty() && space == "RGB ";
  return encodeJpegWithMarkers(picture, options, markers, layout);
}

}  // namespace imbrino
