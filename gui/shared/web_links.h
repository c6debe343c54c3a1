#pragma once
// The manual, the home page and the donation page, handed to the desktop.

class QWidget;

namespace imbrino {

struct AppContext;

// Opens help.html from the program's folder. A missing manual is the one
// failure reported (it means a broken install); the desktop's own failures
// to show it stay silent.
void openHelp(AppContext& context, QWidget* owner);
void openHomePage(AppContext& context);
void openDonationPage(AppContext& context);

}  // namespace imbrino
