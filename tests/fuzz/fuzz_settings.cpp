// Any bytes as a settings file read without a crash, and the program's own
// writes keep every value it can read: setting one key and reading the text
// back changes that key alone.
#include <cstdlib>
#include <string_view>

#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace imbrino;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument doc = IniDocument::parse(text);
  const auto before = doc.value("NewFile", "Height");
  (void)leadingNumber(doc.value("NewFile", "Width").value_or(""));

  doc.setValue("NewFile", "Width", "640");
  const IniDocument again = IniDocument::parse(doc.serialize());
  if (again.value("NewFile", "Width") != "640") std::abort();
  if (again.value("NewFile", "Height") != before) std::abort();
  return 0;
}
