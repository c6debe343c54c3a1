#include "editor/tool_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <array>

#include "app/app_context.h"
#include "editor/panel_host.h"
#include "image/image_io.h"
#include "widgets/caption_button_bar.h"
#include "widgets/donation_button.h"
#include "widgets/hover_bitmap_button.h"

namespace imbrino {
namespace {

constexpr int kCaptionSlotOffset = 2;
constexpr ColorRef kColourKey = 0xFFFFFF;
constexpr const char* kSection = "ToolDialog";
// The frame size when "new.bmp", which every button is measured by, is
// missing: the size the shipped strips have.
constexpr int kFallbackFrameSize = 32;

struct ToolButton {
  int id;
  const char* file;
  const char* toolTip;
  ToolCommand command;
};

// In the order the buttons stand, from the left.
const std::array<ToolButton, 8> kButtons = {{
    {1085, "new.bmp", "新建模板", ToolCommand::New},
    {1089, "open.bmp", "打开模板...", ToolCommand::Open},
    {1095, "save.bmp", "保存模板", ToolCommand::Save},
    {1090, "text.bmp", "插入文字", ToolCommand::InsertText},
    {1091, "pic.bmp", "插入图片...", ToolCommand::InsertPicture},
    {1092, "front.bmp", "选中目标置前", ToolCommand::Forward},
    {1093, "back.bmp", "选中目标置后", ToolCommand::Backward},
    {1094, "del.bmp", "删除选中目标...", ToolCommand::Delete},
}};

QSize screenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().size() : QSize();
}

}  // namespace

ToolDialog::ToolDialog(AppContext& context, PanelHost& host, QWidget* editor,
                       std::function<void(ToolCommand)> run)
    : QDialog(editor),
      context_(context),
      host_(host),
      editor_(editor),
      run_(std::move(run)),
      captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("ToolDialog"));
  // A small floating window over the editor: a caption with a close box and
  // no title text.
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  // An empty title would be replaced by the program's name on some desktops;
  // a blank shows nothing.
  setWindowTitle(QStringLiteral(" "));
  setModal(false);
  // The strips' white is transparent, so the window behind them is white.
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  // Every button has the size of "new.bmp"'s frames; read quietly here, since
  // each button tells the user about a file it cannot load.
  const QString folder = context.programDirectory + QStringLiteral("ButtonPic/");
  int frameWidth = kFallbackFrameSize;
  int buttonHeight = kFallbackFrameSize;
  if (const auto size = readImageSize((folder + QStringLiteral("new.bmp")).toStdString());
      size && size->width / 4 > 0 && size->height > 0) {
    frameWidth = size->width / 4;
    buttonHeight = size->height;
  }

  // The donation button sits at the window's top right, where the window
  // manager keeps the title bar to itself: the buttons start below it.
  const int captionStrip = CaptionButtonBar::kSlotHeight + 2;
  setFixedSize(static_cast<int>(kButtons.size()) * frameWidth, captionStrip + buttonHeight);

  for (std::size_t order = 0; order < kButtons.size(); ++order) {
    const ToolButton& row = kButtons[order];
    auto* button = new HoverBitmapButton(context.prompts, this);
    button->setObjectName(QStringLiteral("c%1").arg(row.id));
    // The keyboard stays with the editor: a click hands it straight back.
    button->setFocusPolicy(Qt::NoFocus);
    const QPoint place(static_cast<int>(order) * frameWidth, captionStrip);
    button->move(place);
    // A strip that did not load leaves a button of no size.
    if (button->setBitmap(folder + QString::fromLatin1(row.file), kColourKey))
      button->setGeometry(QRect(place, QSize(frameWidth, buttonHeight)));
    button->setToolTipText(QString::fromUtf8(row.toolTip));
    const ToolCommand command = row.command;
    connect(button, &HoverBitmapButton::clicked, this, [this, command] { runCommand(command); });
  }

  placeWindow();
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context);
}

ToolDialog::~ToolDialog() {
  // pos() of a window is its frame's top-left corner.
  context_.settings.writeNumber(kSection, "X", pos().x());
  context_.settings.writeNumber(kSection, "Y", pos().y());
}

int ToolDialog::defaultY() const {
  const QRect client = host_.editorClientOnScreen();
  return client.y() + client.height() - frameGeometry().height();
}

void ToolDialog::placeWindow() {
  const QSize screen = screenSize();
  int x = context_.settings.readNumber(kSection, "X").value_or(0);
  if (x > screen.width()) x = 0;
  const std::optional<int> storedY = context_.settings.readNumber(kSection, "Y");
  placedByDefaultY_ = !storedY || *storedY > screen.height();
  placedFrameHeight_ = frameGeometry().height();
  placedY_ = placedByDefaultY_ ? defaultY() : *storedY;
  move(x, placedY_);
}

bool ToolDialog::event(QEvent* event) {
  const bool handled = QDialog::event(event);
  // Once the window manager has framed the window its frame is taller than
  // the window: a window still where the default Y put it moves up by that
  // much, so its bottom edge stays on the editor's. Moved since, it stays.
  const bool placeMayChange = event->type() == QEvent::Move || event->type() == QEvent::Show;
  if (placeMayChange && placedByDefaultY_ && isVisible()) {
    if (pos().y() != placedY_) {
      placedByDefaultY_ = false;
    } else if (frameGeometry().height() != placedFrameHeight_) {
      placedFrameHeight_ = frameGeometry().height();
      placedY_ = defaultY();
      move(pos().x(), placedY_);
    }
  }
  return handled;
}

void ToolDialog::runCommand(ToolCommand command) {
  if (editor_ != nullptr) {
    editor_->activateWindow();
    editor_->setFocus(Qt::OtherFocusReason);
  }
  if (run_) run_(command);
}

void ToolDialog::keyPressEvent(QKeyEvent* event) {
  // Enter presses no button and closes nothing.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace imbrino
