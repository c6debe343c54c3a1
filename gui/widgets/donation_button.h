#pragma once
// The donation button every main window and dialog of the program carries at
// its top-right corner.

class QWidget;

namespace imbrino {

class CaptionButtonBar;
struct AppContext;

inline constexpr int kDonationButtonId = 1;

// Sets `bar` up on `host` with the donation button: attached, `slotOffset`
// slots left free, magenta as the transparent colour, the pressed picture,
// and the button itself (hot = the normal picture with the highlight laid
// over it) with its tooltip. Windows leave 4 slots (main window, template
// editor) or 2 (the dialogs).
void installDonationButton(CaptionButtonBar& bar, QWidget* host, int slotOffset);

// installDonationButton, and a click on the button opens the donation page.
// `context` must outlive `host`.
void connectDonationButton(CaptionButtonBar& bar, QWidget* host, int slotOffset,
                           AppContext& context);

}  // namespace imbrino
