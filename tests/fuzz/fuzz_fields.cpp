// Any bytes as a text with fields, and as a picture file whose metadata is
// read: neither may crash, and expansion keeps its promises — a text naming
// no field comes back as typed once its doubled braces are single.
#include <cstdlib>
#include <string_view>

#include "image/picture_origin.h"
#include "text/text_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  PictureFields fields;
  fields.name = "n";
  fields.index = 12;
  const std::string expanded = expandTextFields(text, fields);
  if (!hasTextFields(text) && text.find('{') == std::string_view::npos &&
      text.find('}') == std::string_view::npos && expanded != text)
    std::abort();

  const PictureOrigin origin = readPictureOrigin({data, size});
  if (origin.taken && (origin.taken->month < 1 || origin.taken->month > 12)) std::abort();
  return 0;
}
