#include "image/jpeg_errors.h"

#include <jerror.h>

namespace imbrino {
namespace {

JpegErrors& errorsOf(j_common_ptr codec) {
  return *reinterpret_cast<JpegErrors*>(codec->err);
}

[[noreturn]] void jumpBack(j_common_ptr codec) {
  JpegErrors& errors = errorsOf(codec);
  (*codec->err->format_message)(codec, errors.message);
  std::longjmp(errors.jump, 1);
}

void emitMessage(j_common_ptr codec, int level) {
  // Of libjpeg's warnings only the early end of the file matters: libjpeg
  // would fill the missing part of the picture with grey and carry on, and a
  // truncated download must not pass for a picture. The other warnings
  // (stray bytes between markers, a damaged restart interval) are common in
  // photos that every viewer shows, so they are tolerated.
  if (level < 0 && codec->err->msg_code == JWRN_JPEG_EOF) jumpBack(codec);
}

void outputMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* useJpegErrors(JpegErrors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = jumpBack;
  errors.manager.emit_message = emitMessage;
  errors.manager.output_message = outputMessage;
  errors.message[0] = '\0';
  return &errors.manager;
}

void failJpeg(j_common_ptr codec, const char* reason) {
  JpegErrors& errors = errorsOf(codec);
  std::snprintf(errors.message, sizeof errors.message, "%s", reason);
  std::longjmp(errors.jump, 1);
}

void refuseTooManyScans(j_common_ptr codec) {
  constexpr int kMaxScans = 500;
  const auto* info = reinterpret_cast<j_decompress_ptr>(codec);
  if (info->input_scan_number > kMaxScans) failJpeg(codec, "the file holds too many scans");
}

}  // namespace imbrino
