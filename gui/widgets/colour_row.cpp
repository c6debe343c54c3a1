#include "widgets/colour_row.h"

#include <QPushButton>

#include "widgets/color_swatch.h"
#include "widgets/colour_choice.h"
#include "widgets/control_id.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_units.h"

namespace imbrino {

ColourRow::ColourRow(Prompts& prompts, QWidget* dialog, Ids ids, Places places, Keys keys)
    : QObject(dialog), prompts_(prompts), dialog_(dialog) {
  const DialogUnits du(dialog->font());
  auto pixels = [&](QRect r) { return du.rect(r.x(), r.y(), r.width(), r.height()); };
  swatch_ = new ColorSwatch(dialog);
  setControlId(swatch_, ids.swatch);
  swatch_->setGeometry(pixels(places.swatch));
  chooseButton_ = addDialogButton(
      dialog, ids.choose, QStringLiteral("颜色选择(&%1)").arg(keys.choose), pixels(places.choose));
  pickButton_ = addDialogButton(dialog, ids.pick, QStringLiteral("颜色拾取(&%1)").arg(keys.pick),
                                pixels(places.pick));
  connect(chooseButton_, &QPushButton::clicked, this, &ColourRow::choose);
  connect(pickButton_, &QPushButton::clicked, this, &ColourRow::pick);
}

ColorRef ColourRow::colour() const {
  return swatch_->colour();
}

void ColourRow::setColour(ColorRef colour) {
  swatch_->setColour(colour);
}

void ColourRow::choose() {
  if (source_) {
    const std::optional<ColorRef> current = source_();
    if (!current) return;
    swatch_->setColour(*current);
  }
  if (!chooseColourInto(prompts_, dialog_, *swatch_)) return;
  emit colourChanged(swatch_->colour());
}

void ColourRow::pick() {
  if (source_ && !source_()) return;
  pickColourInto(prompts_, *swatch_);
  emit colourChanged(swatch_->colour());
}

}  // namespace imbrino
