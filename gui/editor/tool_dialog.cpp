#include "editor/tool_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <array>

#include "editor/panel_host.h"
#include "image/image_io.h"
#include "shared/app_context.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/dialog_keys.h"
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
    {kToolNew, "new.bmp", "新建模板", ToolCommand::New},
    {kToolOpen, "open.bmp", "打开模板...", ToolCommand::Open},
    {kToolSave, "save.bmp", "保存模板", ToolCommand::Save},
    {kToolInsertText, "text.bmp", "插入文字", ToolCommand::InsertText},
    {kToolInsertPicture, "pic.bmp", "插入图片...", ToolCommand::InsertPicture},
    {kToolForward, "front.bmp", "选中目标置前", ToolCommand::Forward},
    {kToolBackward, "back.bmp", "选中目标置后", ToolCommand::Backward},
    {kToolDelete, "del.bmp", "删除选中目标...", ToolCommand::Delete},
}};

QSize screenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().size() : QSize();
}

}  // namespace

ToolDialog::ToolDialog(AppContext& context, PanelHost& host, QWidget* editor,
                       std::function<void(ToolCommand)> run)
    : FloatingWindow(context.settings, editor, kSection),
      host_(host),
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
  const QString folder = context.dataDirectory + QStringLiteral("ButtonPic/");
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
    setControlId(button, row.id);
    // The keyboard stays with the editor's canvas: a click hands it
    // straight back.
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

  place();
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context);
}

QPoint ToolDialog::placement(QSize frame) const {
  const QSize screen = screenSize();
  int x = storedX().value_or(0);
  if (x > screen.width()) x = 0;
  const std::optional<int> y = storedY();
  if (y && *y <= screen.height()) return {x, *y};
  const QRect canvas = host_.editorClientOnScreen();
  return {x, canvas.y() + canvas.height() - frame.height()};
}

void ToolDialog::runCommand(ToolCommand command) {
  host_.giveKeyboardToCanvas();
  if (run_) run_(command);
}

void ToolDialog::keyPressEvent(QKeyEvent* event) {
  // Enter presses no button and closes nothing.
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace imbrino
