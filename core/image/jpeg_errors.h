#pragma once
// libjpeg reports an error through a callback that must not return and, left
// alone, prints it and ends the process. Ours keeps the message and jumps back
// to the function that armed `jump`, which reports the failure; the codec
// object is released by its owner afterwards. Warnings are not printed.
//
// The function that arms `jump` must hold nothing with a destructor while it
// calls into libjpeg: the jump skips destructors.

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace imbrino {

struct JpegErrors {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it is a pointer to the whole
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// Prepares `errors`; store the result in the codec object's `err` before
// creating it.
jpeg_error_mgr* useJpegErrors(JpegErrors& errors);

// Stops the libjpeg work in progress with our own reason, from callbacks such
// as progress monitors and data managers.
[[noreturn]] void failJpeg(j_common_ptr codec, const char* reason);

// A progress monitor for decompressors: libjpeg-turbo reads as many scans as
// a file holds, and every scan of a progressive file is another pass over the
// whole picture. Real files have around ten; a file of thousands of tiny
// scans only costs time, so past 500 the read stops with a reason.
void refuseTooManyScans(j_common_ptr codec);

}  // namespace imbrino
