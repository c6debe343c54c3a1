#include "widgets/colour_choice.h"

#include "shared/prompts.h"
#include "widgets/color_swatch.h"

namespace imbrino {

bool chooseColourInto(Prompts& prompts, QWidget* owner, ColorSwatch& swatch) {
  const auto chosen = prompts.chooseColour(owner, swatch.colour());
  if (!chosen) return false;
  swatch.setColour(*chosen);
  swatch.refresh();
  return true;
}

void pickColourInto(Prompts& prompts, ColorSwatch& swatch) {
  swatch.setColour(prompts.pickColour());
  swatch.refresh();
}

}  // namespace imbrino
