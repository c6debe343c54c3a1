#include "widgets/donation_button.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include "shared/app_context.h"
#include "shared/web_links.h"
#include "shared/resources.h"
#include "widgets/bitmap_helpers.h"
#include "widgets/caption_button_bar.h"

namespace imbrino {
namespace {

constexpr ColorRef kMagenta = 0xFF00FF;

QImage loadButtonPicture(const QString& resource, const QWidget* host) {
  QImage image(resource);
  mapGreysToPalette(image, host != nullptr ? host->palette() : QPalette());
  return image;
}

}  // namespace

void installDonationButton(CaptionButtonBar& bar, QWidget* host, int slotOffset) {
  loadProgramResources();
  bar.attach(host);
  bar.setSlotOffset(slotOffset);
  bar.setColourKey(kMagenta);
  bar.setPressedImage(loadButtonPicture(QStringLiteral(":/app/donate_pressed.bmp"), host));
  const QImage normal = loadButtonPicture(QStringLiteral(":/app/donate_normal.bmp"), host);
  const QImage highlight = loadButtonPicture(QStringLiteral(":/app/donate_overlay.bmp"), host);
  bar.addButton(kDonationButtonId, overlayBitmaps(&normal, &highlight, kMagenta), normal,
                QStringLiteral("捐赠作者"));
}

void connectDonationButton(CaptionButtonBar& bar, QWidget* host, int slotOffset,
                           AppContext& context) {
  installDonationButton(bar, host, slotOffset);
  QObject::connect(&bar, &CaptionButtonBar::buttonClicked, host, [&context](int id, QPoint) {
    if (id == kDonationButtonId) openDonationPage(context);
  });
}

}  // namespace imbrino
