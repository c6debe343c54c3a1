#pragma once
// The two ways a window lets the user choose a colour for a swatch: the colour
// dialog, and the screen eyedropper.

class QWidget;

namespace imbrino {

class ColorSwatch;
class Prompts;

// The colour dialog, opened on the swatch's colour. On OK the swatch takes the
// chosen colour and is repainted, and true is returned; a cancelled dialog
// changes nothing.
bool chooseColourInto(Prompts& prompts, QWidget* owner, ColorSwatch& swatch);

// The eyedropper always comes back with a colour, and the swatch takes it.
void pickColourInto(Prompts& prompts, ColorSwatch& swatch);

}  // namespace imbrino
