#include "editor/template_editor.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "app/program_info.h"
#include "editor/editor_canvas.h"
#include "editor/property_bk.h"
#include "editor/property_image.h"
#include "editor/property_text.h"
#include "editor/tool_dialog.h"
#include "template/template_file.h"
#include "widgets/caption_button_bar.h"
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
const QString kPictureFilter = QStringLiteral(
    "所有图片文件|*.gif;*.bmp;*.jpg;*.jpeg;*.png|BMP文件(*.bmp)|*.bmp|JPG文件(*.jpg)|*.jpg|"
    "JPEG文件(*.jpeg)|*.jpeg|GIF文件(*.gif)|*.gif|PNG文件(*.png)|*.png||");

QString programTitle() {
  return QString::fromUtf8(kProgramTitle.data(), static_cast<qsizetype>(kProgramTitle.size()));
}

QString qtPath(const std::string& path) {
  return QString::fromStdString(path);
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
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context_);
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
  item->setObjectName(QStringLiteral("c%1").arg(int(id)));
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
  return findChild<QAction*>(QStringLiteral("c%1").arg(int(id)), Qt::FindDirectChildrenOnly);
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
  if (effects.redraw && templateChanged_) templateChanged_();
}

void TemplateEditor::redrawCanvas() {
  canvas_->templateChanged();
  if (templateChanged_) templateChanged_();
}

void TemplateEditor::hidePanels() {
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

void TemplateEditor::templateChangedByPanel() {
  editing_.setModified(true);
  redrawCanvas();
}

void TemplateEditor::backgroundSizeChanged() {
  canvas_->updateScrollBars();
}

QRect TemplateEditor::editorClientOnScreen() const {
  return QRect(canvas_->mapToGlobal(QPoint(0, 0)), canvas_->size());
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
  canvas_->setUpScrollBars();
  redrawCanvas();
}

void TemplateEditor::openTemplate() {
  if (!confirmDiscard()) return;
  hidePanels();
  const std::optional<QString> chosen =
      context_.prompts.openFileName(this, QStringLiteral("打开"), parseFilterList(kOpenFilter));
  if (chosen) {
    if (readTemplateFile(chosen->toStdString(), editing_.document())) {
      context_.editing.path = chosen->toStdString();
      fileSelection_ = selectionOf(editing_.document());
      setAllSelected(editing_.document(), 0);
      canvas_->setUpScrollBars();
    } else {
      message(QStringLiteral("打开SRC文件时发生错误,请保证文件的完整性!"), MessageIcon::Error);
      canvas_->updateScrollBars();
    }
  }
  showTitle();
  redrawCanvas();
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
  const std::optional<QString> chosen =
      context_.prompts.openFileName(this, QStringLiteral("打开"), parseFilterList(kPictureFilter));
  if (!chosen) return;
  if (!editing_.insertPicture(chosen->toStdString())) {
    message(QStringLiteral("图片: ") + *chosen + QStringLiteral("插入不成功"), MessageIcon::Error);
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

// Closing.

void TemplateEditor::reject() {
  if (!confirmDiscard()) return;
  closeWindows();
  QDialog::reject();
}

void TemplateEditor::closeWindows() {
  // The panels first, then the tool window; each stores its position as it goes.
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
