#include "editor/template_editor.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "editor/editor_canvas.h"
#include "editor/property_bk.h"
#include "editor/property_image.h"
#include "editor/property_text.h"
#include "editor/tool_dialog.h"
#include "shared/program_texts.h"
#include "template/template_file.h"
#include "widgets/busy_cursor.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"
#include "widgets/donation_button.h"
#include "widgets/four_way_question.h"

namespace imbrino {

namespace {

constexpr int kCaptionSlotOffset = 4;

const QString kTitlePrefix = QStringLiteral("模板修改 ");
const QString kOpenFilter = QStringLiteral("SRC文件|*.src||");
const QString kSaveFilter = QStringLiteral("SRC文件(*.src)|*.src||");

QString qtPath(const std::string& path) {
  return QString::fromStdString(path);
}

// Why an insert was refused when the picture itself was fine.
QString limitText(const PictureInsertion& insertion) {
  switch (insertion.limit) {
    case TemplateLimit::PicturePixels:
      return QStringLiteral(
                 "模板中的图片合计不能超过 %1 像素,插入后将有 %2 像素,这样的模板保存后无法再打开。")
          .arg(maxTemplatePicturePixels())
          .arg(insertion.sizeWithPicture.picturePixels);
    case TemplateLimit::FileBytes:
      return QStringLiteral(
                 "模板文件不能超过 %1 字节,插入后将有 %2 字节,这样的模板保存后无法再打开。")
          .arg(kMaxTemplateFileBytes)
          .arg(insertion.sizeWithPicture.fileBytes);
    case TemplateLimit::None:
      break;
  }
  return {};
}

}  // namespace

TemplateEditor::TemplateEditor(AppContext& context, QWidget* owner,
                               std::function<void()> templateChanged)
    : QDialog(owner),
      context_(context),
      templateChanged_(std::move(templateChanged)),
      editing_(context.editing.document),
      menuBar_(new QMenuBar(this)),
      canvas_(new EditorCanvas(
          editing_, [this](const EditorEffects& effects) { applyEffects(effects); }, this)),
      captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("TemplateEditor"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(QStringLiteral(":/app/icon.png")));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(canvas_);
  buildMenu();
  setFont(DialogUnits::dialogFont());
  resize(DialogUnits(font()).size(430, 266));
  // Opened maximised: laid out at the screen's size from the start, so the
  // panels and the tool window find the client area where it will be.
  if (QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
    setGeometry(screen->availableGeometry());
  setWindowState(Qt::WindowMaximized);
  // Lay the canvas out now: the floating windows place themselves by it.
  layout->activate();

  fileSelection_ = selectionOf(editing_.document());
  setAllSelected(editing_.document(), 0);
  editing_.setModified(false);
  editing_.startHistory();
  showTitle();

  backgroundPanel_ = new PropertyBK(context_, *this, this);
  textPanel_ = new PropertyText(context_, *this, this);
  picturePanel_ = new PropertyImage(context_, *this, this);
  toolWindow_ = new ToolDialog(context_, *this, this,
                               [this](ToolCommand command) { runToolCommand(command); });

  // The window's message map.
  connect(action(kEditorNew), &QAction::triggered, this, &TemplateEditor::newTemplate);
  connect(action(kEditorOpen), &QAction::triggered, this, &TemplateEditor::openTemplate);
  connect(action(kEditorSave), &QAction::triggered, this, &TemplateEditor::saveTemplate);
  connect(action(kEditorSaveAs), &QAction::triggered, this, &TemplateEditor::saveTemplateAs);
  connect(action(kEditorClose), &QAction::triggered, this, &TemplateEditor::close);
  connect(action(kEditorInsertText), &QAction::triggered, this, &TemplateEditor::insertText);
  connect(action(kEditorInsertPicture), &QAction::triggered, this, &TemplateEditor::insertPicture);
  connect(action(kEditorSelectAll), &QAction::triggered, this, &TemplateEditor::selectAll);
  connect(action(kEditorInvert), &QAction::triggered, this, &TemplateEditor::invertSelection);
  connect(action(kEditorDelete), &QAction::triggered, this, &TemplateEditor::deleteSelection);
  connect(action(kEditorForward), &QAction::triggered, this, &TemplateEditor::bringForward);
  connect(action(kEditorBackward), &QAction::triggered, this, &TemplateEditor::sendBackward);
  connect(action(kEditorShowTools), &QAction::triggered, this, &TemplateEditor::showToolWindow);
  connect(action(kEditorUndo), &QAction::triggered, this, &TemplateEditor::undo);
  connect(action(kEditorRedo), &QAction::triggered, this, &TemplateEditor::redo);
  // The keys take back the editor's steps from its floating windows too (a
  // text field keeps its own undo while it has the keyboard).
  for (QWidget* floating :
       std::initializer_list<QWidget*>{backgroundPanel_, textPanel_, picturePanel_, toolWindow_})
    floating->addActions({action(kEditorUndo), action(kEditorRedo)});
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context_);
  updateHistoryActions();
}

TemplateEditor::~TemplateEditor() {
  // Torn down without the close sequence (its owner went first): the floating
  // windows still store their positions.
  closeWindows();
}

// Menu and keys.

void TemplateEditor::addCommand(QMenu* menu, EditorCommand id, const QString& text,
                                const QList<QKeySequence>& keys) {
  // The text carries its shortcut after a tab, so the menu shows it as
  // written; the keys work anywhere in the editor.
  auto* item = new QAction(text, this);
  setControlId(item, id);
  item->setData(int(id));
  if (!keys.isEmpty()) item->setShortcuts(keys);
  menu->addAction(item);
  addAction(item);
}

void TemplateEditor::buildMenu() {
  const auto addMenu = [this](const QString& title) {
    QMenu* menu = menuBar_->addMenu(title);
    menu->setAttribute(Qt::WA_WindowPropagation);
    return menu;
  };
  QMenu* file = addMenu(QStringLiteral("文件(&F)"));
  addCommand(file, kEditorNew, QStringLiteral("新建模板(&N)\tCtrl+N"), {Qt::CTRL | Qt::Key_N});
  file->addSeparator();
  addCommand(file, kEditorOpen, QStringLiteral("打开模板(&O)...\tCtrl+O"), {Qt::CTRL | Qt::Key_O});
  addCommand(file, kEditorSave, QStringLiteral("保存模板(&S)\tCtrl+S"), {Qt::CTRL | Qt::Key_S});
  addCommand(file, kEditorSaveAs, QStringLiteral("模板另存为(&A)..."));
  file->addSeparator();
  addCommand(file, kEditorClose, QStringLiteral("关闭窗口(&C)"));

  QMenu* edit = addMenu(QStringLiteral("编辑(&E)"));
  addCommand(edit, kEditorUndo, QStringLiteral("撤销(&U)\tCtrl+Z"), {Qt::CTRL | Qt::Key_Z});
  addCommand(edit, kEditorRedo, QStringLiteral("重做(&R)\tCtrl+Y"),
             {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z});
  edit->addSeparator();
  addCommand(edit, kEditorSelectAll, QStringLiteral("全选(&A)\tCtrl+A"), {Qt::CTRL | Qt::Key_A});
  addCommand(edit, kEditorInvert, QStringLiteral("反选(&I)"));
  edit->addSeparator();
  addCommand(edit, kEditorDelete, QStringLiteral("删除选中项(&D)...\tCtrl+D"),
             {Qt::CTRL | Qt::Key_D, Qt::Key_Delete});
  edit->addSeparator();
  addCommand(edit, kEditorForward, QStringLiteral("选中项置前(&F)\tCtrl+F"),
             {Qt::CTRL | Qt::Key_F});
  addCommand(edit, kEditorBackward, QStringLiteral("选中项置后(&B)\tCtrl+B"),
             {Qt::CTRL | Qt::Key_B});

  QMenu* insert = addMenu(QStringLiteral("插入(&I)"));
  addCommand(insert, kEditorInsertText, QStringLiteral("插入文字(&T)\tCtrl+T"),
             {Qt::CTRL | Qt::Key_T});
  addCommand(insert, kEditorInsertPicture, QStringLiteral("插入图片(&P)...\tCtrl+P"),
             {Qt::CTRL | Qt::Key_P});

  QMenu* tools = addMenu(QStringLiteral("工具栏(&T)"));
  addCommand(tools, kEditorShowTools, QStringLiteral("显示工具栏(&S)"));
}

QAction* TemplateEditor::action(EditorCommand id) const {
  return findChild<QAction*>(controlName(id), Qt::FindDirectChildrenOnly);
}

void TemplateEditor::runToolCommand(ToolCommand command) {
  switch (command) {
    case ToolCommand::New:
      return newTemplate();
    case ToolCommand::Open:
      return openTemplate();
    case ToolCommand::Save:
      return saveTemplate();
    case ToolCommand::InsertText:
      return insertText();
    case ToolCommand::InsertPicture:
      return insertPicture();
    case ToolCommand::Forward:
      return bringForward();
    case ToolCommand::Backward:
      return sendBackward();
    case ToolCommand::Delete:
      return deleteSelection();
  }
}

void TemplateEditor::keyPressEvent(QKeyEvent* event) {
  // The editor ends only through its close sequence.
  if (isEnterOrEscape(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TemplateEditor::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (started_) return;
  started_ = true;
  canvas_->setUpScrollBars();
  canvas_->setFocus();
  // Shown once the editor is on the screen, so that the window manager
  // stacks it above the editor rather than under it.
  QTimer::singleShot(0, this, [this] {
    if (toolWindow_ == nullptr) return;
    toolWindow_->show();
    toolWindow_->raise();
    tellIfBackgroundCannotBeShown();
  });
}

// What the canvas's events ask of the window.

void TemplateEditor::applyEffects(const EditorEffects& effects) {
  if (effects.hidePanels) hidePanels();
  switch (effects.showPanel) {
    case EditorEffects::Panel::Background:
      showBackgroundPanel();
      break;
    case EditorEffects::Panel::Text:
      if (effects.bound) {
        textPanel_->bind(effects.bound->index);
        textPanel_->loadFromObject();
        textPanel_->show();
        textPanel_->raise();
        backgroundPanel_->hide();
        picturePanel_->hide();
      }
      break;
    case EditorEffects::Panel::Picture:
      if (effects.bound) {
        textPanel_->hide();
        backgroundPanel_->hide();
        picturePanel_->bind(effects.bound->index);
        picturePanel_->loadFromObject();
        picturePanel_->show();
        picturePanel_->raise();
      }
      break;
    case EditorEffects::Panel::None:
      break;
  }
  if (effects.redraw) {
    updateHistoryActions();
    if (templateChanged_) templateChanged_();
  }
}

void TemplateEditor::redrawCanvas() {
  canvas_->templateChanged();
  updateHistoryActions();
  if (templateChanged_) templateChanged_();
}

void TemplateEditor::updateHistoryActions() {
  action(kEditorUndo)->setEnabled(editing_.canUndo());
  action(kEditorRedo)->setEnabled(editing_.canRedo());
}

void TemplateEditor::hidePanels() {
  // Typing into a panel again later is a step of its own.
  editing_.breakMerge();
  backgroundPanel_->hide();
  textPanel_->hide();
  picturePanel_->hide();
}

void TemplateEditor::showBackgroundPanel() {
  textPanel_->hide();
  picturePanel_->hide();
  backgroundPanel_->loadFromBackground();
  backgroundPanel_->show();
  backgroundPanel_->raise();
}

void TemplateEditor::templateChangedByPanel(MergeKey key) {
  editing_.changed(key);
  redrawCanvas();
}

void TemplateEditor::backgroundSizeChanged() {
  canvas_->updateScrollBars();
}

QRect TemplateEditor::editorClientOnScreen() const {
  const QWidget* viewport = canvas_->viewport();
  return QRect(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
}

void TemplateEditor::giveKeyboardToCanvas() {
  activateWindow();
  canvas_->setFocus(Qt::OtherFocusReason);
}

void TemplateEditor::showTitle() {
  setWindowTitle(kTitlePrefix + qtPath(context_.editing.path));
}

void TemplateEditor::message(const QString& text, MessageIcon icon) {
  context_.prompts.message(this, programTitle(), text, icon, MessageButtons::Ok);
}

// Files.

bool TemplateEditor::writeTo(const std::string& path) {
  Template& document = editing_.document();
  // Unchanged since it was read or saved: the file's own selection flags go
  // back with it, not the editor's.
  const StoredSelection shown = selectionOf(document);
  const bool asRead = !editing_.modified() && restoreSelection(document, fileSelection_);
  const Status written = writeTemplateFile(path, document);
  if (asRead) restoreSelection(document, shown);
  if (written) {
    if (!asRead) fileSelection_ = shown;  // what the file holds now
    return true;
  }
  message(QStringLiteral("文件: ") + qtPath(path) + QStringLiteral(" 保存不成功"),
          MessageIcon::Error);
  return false;
}

std::optional<QString> TemplateEditor::askSavePath() {
  // Owned by the editor, so that it stays above it; an existing file is
  // replaced without a question, as the editor always did.
  return context_.prompts.saveFileName(this, QStringLiteral("另存为"), parseFilterList(kSaveFilter),
                                       false);
}

bool TemplateEditor::confirmDiscard() {
  if (editing_.modified()) {
    std::string& path = context_.editing.path;
    if (!path.empty()) {
      const MessageAnswer answer = context_.prompts.message(
          this, programTitle(), QStringLiteral("是否要保存当前文件: ") + qtPath(path),
          MessageIcon::Question, MessageButtons::YesNoCancel);
      if (answer == MessageAnswer::Cancel) return false;
      // No: go on at once, the template still marked modified.
      if (answer == MessageAnswer::No) return true;
      if (!writeTo(path)) return false;
    } else {
      const MessageAnswer answer =
          context_.prompts.message(this, programTitle(), QStringLiteral("是否要保存当前新建模板?"),
                                   MessageIcon::Question, MessageButtons::YesNoCancel);
      if (answer == MessageAnswer::Cancel) return false;
      if (answer == MessageAnswer::No) return true;
      // A cancelled save dialog goes on without saving.
      if (const std::optional<QString> chosen = askSavePath()) {
        path = chosen->toStdString();
        if (!writeTo(path)) {
          path.clear();
          return false;
        }
        message(QStringLiteral("文件: ") + qtPath(path) + QStringLiteral(" 保存成功"),
                MessageIcon::None);
      }
    }
  }
  saveNewTemplateDefaults(editing_.document().background, context_.settings);
  hidePanels();
  editing_.setModified(false);
  setWindowTitle(kTitlePrefix);
  redrawCanvas();
  return true;
}

void TemplateEditor::newTemplate() {
  if (!confirmDiscard()) return;
  hidePanels();
  editing_.newTemplate(context_.settings);
  setWindowTitle(kTitlePrefix);
  context_.editing.path.clear();
  startOver();
}

void TemplateEditor::startOver() {
  editing_.startHistory();
  canvas_->setUpScrollBars();
  redrawCanvas();
}

void TemplateEditor::openTemplate() {
  if (!confirmDiscard()) return;
  hidePanels();
  const std::optional<QString> chosen =
      context_.prompts.openFileName(this, QStringLiteral("打开"), parseFilterList(kOpenFilter));
  if (chosen) {
    // Read aside: a file that fails to read leaves the open template, its
    // path and its mark exactly as they were, so a save cannot write the
    // damaged remains over the good file.
    Expected<Template> read = [&] {
      const BusyCursor busy;
      return readTemplate(chosen->toStdString());
    }();
    if (read) {
      editing_.document() = std::move(*read);
      context_.editing.path = chosen->toStdString();
      fileSelection_ = selectionOf(editing_.document());
      setAllSelected(editing_.document(), 0);
      showTitle();
      startOver();
      tellIfBackgroundCannotBeShown();
      return;
    }
    message(QStringLiteral("打开SRC文件时发生错误,请保证文件的完整性!"), MessageIcon::Error);
  }
  showTitle();
  redrawCanvas();
}

void TemplateEditor::tellIfBackgroundCannotBeShown() {
  const TemplateBackground& background = editing_.document().background;
  const Rect shown = shownBackground(background);
  if (shown.width == background.width && shown.height == background.height) return;
  const QString size = QStringLiteral("%1 × %2").arg(background.width).arg(background.height);
  const QString range =
      QStringLiteral("宽 1 到 %1、高 1 到 %2").arg(kMaxBackgroundWidth).arg(kMaxBackgroundHeight);
  if (shown.empty()) {
    message(QStringLiteral(
                "模板背景的大小是 %1,无法显示:编辑器中背景须为%2。可双击画布,在背景属性中改正。")
                .arg(size, range),
            MessageIcon::Warning);
  } else {
    message(
        QStringLiteral(
            "模板背景的大小是 %1,超出编辑器能显示的范围 (%2):这里只显示它左上角 %3 × %4 的部分。")
            .arg(size, range)
            .arg(shown.width)
            .arg(shown.height),
        MessageIcon::Warning);
  }
}

void TemplateEditor::saveTemplate() {
  std::string& path = context_.editing.path;
  if (!path.empty()) {
    if (!writeTo(path)) return;
    message(QStringLiteral("文件: ") + qtPath(path) + QStringLiteral(" 保存成功"),
            MessageIcon::None);
  } else {
    const std::optional<QString> chosen = askSavePath();
    if (!chosen) return;
    if (!writeTo(chosen->toStdString())) return;
    path = chosen->toStdString();
    message(QStringLiteral("文件: ") + qtPath(path) + QStringLiteral(" 保存成功"),
            MessageIcon::None);
    showTitle();
  }
  saveNewTemplateDefaults(editing_.document().background, context_.settings);
  editing_.setModified(false);
  redrawCanvas();
}

void TemplateEditor::saveTemplateAs() {
  const std::optional<QString> chosen = askSavePath();
  if (!chosen) return;
  if (!writeTo(chosen->toStdString())) return;
  message(QStringLiteral("文件: ") + *chosen + QStringLiteral(" 保存成功"), MessageIcon::None);
  context_.editing.path = chosen->toStdString();
  saveNewTemplateDefaults(editing_.document().background, context_.settings);
  showTitle();
  editing_.setModified(false);
  redrawCanvas();
}

// Objects.

void TemplateEditor::insertText() {
  editing_.insertText();
  hidePanels();
  redrawCanvas();
}

void TemplateEditor::insertPicture() {
  const std::optional<QString> chosen = context_.prompts.openFileName(
      this, QStringLiteral("打开"), parseFilterList(pictureFileFilter()));
  if (!chosen) return;
  PictureInsertion insertion;
  {
    const BusyCursor busy;
    insertion = editing_.insertPicture(chosen->toStdString());
  }
  if (!insertion.status) {
    QString text = QStringLiteral("图片: ") + *chosen + QStringLiteral("插入不成功");
    if (insertion.limit != TemplateLimit::None) text += QStringLiteral("\n") + limitText(insertion);
    message(text, MessageIcon::Error);
    return;
  }
  hidePanels();
  redrawCanvas();
}

void TemplateEditor::deleteSelection() {
  hidePanels();
  const auto ask = [this](const Template& document, ObjectRef object) {
    DeleteObjectQuestion question(this);
    if (object.kind == ObjectRef::Kind::Text)
      question.setTextObject(&document.textObjects[static_cast<std::size_t>(object.index)]);
    else
      question.setPictureObject(
          document.pictureObjects[static_cast<std::size_t>(object.index)].get());
    return question.exec();
  };
  editing_.deleteSelected(ask, [this] { redrawCanvas(); });
  redrawCanvas();
}

void TemplateEditor::selectAll() {
  editing_.selectAll();
  hidePanels();
  redrawCanvas();
}

void TemplateEditor::invertSelection() {
  editing_.invertSelection();
  hidePanels();
  redrawCanvas();
}

void TemplateEditor::bringForward() {
  editing_.bringForward();
  redrawCanvas();
}

void TemplateEditor::sendBackward() {
  editing_.sendBackward();
  redrawCanvas();
}

void TemplateEditor::showToolWindow() {
  toolWindow_->show();
}

void TemplateEditor::undo() {
  // A panel could be bound to an object the step takes away.
  hidePanels();
  if (!editing_.undo()) return;
  canvas_->updateScrollBars();
  redrawCanvas();
}

void TemplateEditor::redo() {
  hidePanels();
  if (!editing_.redo()) return;
  canvas_->updateScrollBars();
  redrawCanvas();
}

// Closing.

void TemplateEditor::reject() {
  if (!confirmDiscard()) return;
  closeWindows();
  QDialog::reject();
}

void TemplateEditor::closeWindows() {
  // The panels first, then the tool window; each that was shown stores its
  // position as it goes.
  delete backgroundPanel_;
  backgroundPanel_ = nullptr;
  delete textPanel_;
  textPanel_ = nullptr;
  delete picturePanel_;
  picturePanel_ = nullptr;
  delete toolWindow_;
  toolWindow_ = nullptr;
}

}  // namespace imbrino
