#include "shared/web_links.h"

#include <QFileInfo>

#include "shared/app_context.h"
#include "shared/program_texts.h"

namespace imbrino {

void openHelp(AppContext& context, QWidget* owner) {
  const QString manual = context.dataDirectory + QStringLiteral("help.html");
  if (!QFileInfo(manual).isFile()) {
    context.prompts.message(owner, programTitle(),
                            QStringLiteral("帮助文件 %1 不存在,请检查安装是否正确.同时您可以上"
                                           "官方网站上下载相应的帮助文件!")
                                .arg(manual),
                            MessageIcon::Error, MessageButtons::Ok);
    return;
  }
  context.prompts.openUrl(manual);
}

void openHomePage(AppContext& context) {
  context.prompts.openUrl(context.links.homePage);
}

void openDonationPage(AppContext& context) {
  context.prompts.openUrl(context.links.donationPage);
}

}  // namespace imbrino
