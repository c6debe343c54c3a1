// Any bytes given to the template reader give a template or a reason, never a
// crash; a template that was read writes a file that reads back to the same
// bytes again.
#include <cstdlib>

#include "fuzz_support.h"
#include "template/template_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  imbrino::fuzz::limitPictureSizes();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  Template document;
  const Status status = parseTemplate(ByteView(data, size), document);
  if (!status) {
    if (status.reason().empty()) std::abort();
    return 0;
  }
  auto written = serializeTemplate(document);
  Template again;
  if (!written || !parseTemplate(*written, again)) std::abort();
  auto rewritten = serializeTemplate(again);
  if (!rewritten || *rewritten != *written) std::abort();
  return 0;
}
