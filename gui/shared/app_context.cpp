#include "shared/app_context.h"

#include "build_config.h"

namespace imbrino {

WebLinks configuredWebLinks() {
  return {QStringLiteral(IMBRINO_HOME_PAGE_URL), QStringLiteral(IMBRINO_DONATION_URL)};
}

ContactDetails configuredContactDetails() {
  // The messenger address is the support mailbox, as delivered.
  return {QString::fromUtf8(IMBRINO_AUTHOR), QStringLiteral(IMBRINO_HOME_PAGE_URL),
          QStringLiteral(IMBRINO_SUPPORT_EMAIL), QStringLiteral(IMBRINO_SUPPORT_QQ),
          QStringLiteral(IMBRINO_SUPPORT_EMAIL)};
}

}  // namespace imbrino
