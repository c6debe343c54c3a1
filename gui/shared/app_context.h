#pragma once
// What the windows of the program share: the questions they ask, the settings
// file, the template being edited, the main window's picture and the
// addresses the program opens.

#include <QString>

#include "session/editing_template.h"
#include "session/picture_state.h"
#include "settings/settings_file.h"
#include "shared/prompts.h"

namespace imbrino {

struct WebLinks {
  QString homePage;
  QString donationPage;
};

// The addresses this build was configured with.
WebLinks configuredWebLinks();

// Who to contact, as the about box shows it.
struct ContactDetails {
  QString author;
  QString homePage;
  QString email;
  QString qq;
  QString msn;
};
ContactDetails configuredContactDetails();

struct AppContext {
  Prompts& prompts;
  SettingsFile settings;
  EditingTemplate& editing;
  PictureState& picture;
  WebLinks links;
  // Where the manual and the button pictures are found, ending with "/".
  QString dataDirectory;
  // The running program's folder, ending with "/"; empty in window tests.
  QString programDirectory;
};

}  // namespace imbrino
