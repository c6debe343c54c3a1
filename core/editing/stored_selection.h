#pragma once
// The selection flags a template file holds. The editor opens a template with
// nothing selected, but the flags are part of the file: a template saved
// without a change writes back the flags it was read with, so it stays byte
// for byte the file it was.

#include <cstdint>
#include <vector>

#include "template/template_document.h"

namespace imbrino {

struct StoredSelection {
  std::vector<std::uint8_t> texts;
  std::vector<std::uint8_t> pictures;
};

StoredSelection selectionOf(const Template& document);

// Puts the flags back, when both lists still have the sizes they had; false
// (and nothing changed) otherwise.
bool restoreSelection(Template& document, const StoredSelection& selection);

}  // namespace imbrino
