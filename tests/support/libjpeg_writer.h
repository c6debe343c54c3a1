#pragma once
// JPEGs written by libjpeg itself, for the kinds of file our encoder does not
// make: camera layouts, CMYK, restart markers, progressive scan scripts.

#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include <jpeglib.h>

#include "image/codecs.h"

namespace imbrino::test {

// libjpeg's own error handler ends the process, which would end every test
// after the broken one without a word. This one throws instead: the test
// that met the error fails with libjpeg's message, and the others still run.
inline jpeg_error_mgr* throwingJpegErrors(jpeg_error_mgr* errors) {
  jpeg_std_error(errors);
  errors->error_exit = [](j_common_ptr codec) {
    char message[JMSG_LENGTH_MAX];
    (*codec->err->format_message)(codec, message);
    throw std::runtime_error(std::string("libjpeg: ") + message);
  };
  return errors;
}

using JpegSetting = std::function<void(jpeg_compress_struct&)>;

// `samples` holds `components` bytes a pixel in `inSpace`, row after row.
// `configure` runs after libjpeg's defaults (colour space, sampling, quality,
// progression, restart interval go there); `markers` runs once the file is
// started, to write APPn and COM markers.
inline Bytes writeLibjpegFile(int width, int height, int components, J_COLOR_SPACE inSpace,
                              const JSAMPLE* samples, const JpegSetting& configure = {},
                              const JpegSetting& markers = {}) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = throwingJpegErrors(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = inSpace;
  jpeg_set_defaults(&info);
  if (configure) configure(info);
  jpeg_start_compress(&info, TRUE);
  if (markers) markers(info);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * components;
  while (info.next_scanline < info.image_height) {
    auto* row = const_cast<JSAMPLE*>(samples + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes file(buffer, buffer + size);
  std::free(buffer);
  return file;
}

// A picture's pixels as the B, G, R, X samples libjpeg reads with JCS_EXT_BGRX.
inline const JSAMPLE* bgrxSamples(const Pixel* pixels) {
  return reinterpret_cast<const JSAMPLE*>(pixels);
}

}  // namespace imbrino::test
