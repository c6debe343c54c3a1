#include "main_window/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "image/image_io.h"
#include "image/image_types.h"
#include "main_window/about_dialog.h"
#include "main_window/new_picture_dialog.h"
#include "main_window/picture_canvas.h"
#include "shared/program_texts.h"
#include "shared/web_links.h"
#include "widgets/busy_cursor.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/dialog_units.h"
#include "widgets/donation_button.h"

namespace imbrino {

namespace {

constexpr int kCaptionSlotOffset = 4;

const QString kSaveFilter = QStringLiteral(
    "BMP文件(*.bmp)|*.bmp|JPG文件(*.jpg)|*.jpg|JPEG文件(*.jpeg)|*.jpeg|GIF文件(*.gif)|*.gif|"
    "PNG文件(*.png)|*.png||");

}  // namespace

MainWindow::MainWindow(AppContext& context, MainWindowSeams seams, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      seams_(std::move(seams)),
      canvas_(new PictureCanvas(context.picture, context.editing.document, this)),
      captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowIcon(QIcon(QStringLiteral(":/app/icon.png")));
  setCentralWidget(canvas_);
  setAcceptDrops(true);
  buildMenu();
  // The dialog font, set once the menus exist so that it reaches them too.
  setFont(DialogUnits::dialogFont());
  showTitle();
  resize(DialogUnits().size(404, 261));
  action(kCommandEditTemplate)->setEnabled(bool(seams_.runTemplateEditor));
  action(kCommandBatch)->setEnabled(bool(seams_.runBatchDialog));

  // The window's message map.
  connect(action(kCommandNew), &QAction::triggered, this, &MainWindow::newPicture);
  connect(action(kCommandOpen), &QAction::triggered, this, &MainWindow::openPicture);
  connect(action(kCommandSaveAs), &QAction::triggered, this, &MainWindow::saveAs);
  connect(action(kCommandClose), &QAction::triggered, this, &MainWindow::closePicture);
  connect(action(kCommandBatch), &QAction::triggered, this, &MainWindow::runBatch);
  connect(action(kCommandExit), &QAction::triggered, this, &MainWindow::close);
  connect(action(kCommandEditTemplate), &QAction::triggered, this, &MainWindow::editTemplate);
  connect(action(kCommandHelp), &QAction::triggered, this, [this] { openHelp(context_, this); });
  connect(action(kCommandAbout), &QAction::triggered, this, &MainWindow::showAbout);
  connect(action(kCommandHomePage), &QAction::triggered, this, [this] { openHomePage(context_); });
  connect(canvas_, &PictureCanvas::templateMoved, this, [this] { pictureModified_ = true; });
  connect(canvas_, &PictureCanvas::editTemplateRequested, this, &MainWindow::editTemplate);
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context_);
}

MainWindow::~MainWindow() = default;

void MainWindow::addCommand(QMenu* menu, MainCommand id, const QString& text,
                            const QKeySequence& key) {
  // The text carries its own shortcut after a tab, so the menu shows it as
  // written; the key itself works from anywhere in the window.
  auto* item = new QAction(text, this);
  setControlId(item, id);
  item->setData(int(id));
  if (!key.isEmpty()) item->setShortcut(key);
  menu->addAction(item);
}

QMenu* MainWindow::addMenu(const QString& title) {
  QMenu* menu = menuBar()->addMenu(title);
  // A menu is a window of its own; it takes the font of the window it
  // belongs to, as the menu bar does.
  menu->setAttribute(Qt::WA_WindowPropagation);
  return menu;
}

void MainWindow::buildMenu() {
  QMenu* file = addMenu(QStringLiteral("文件(&F)"));
  addCommand(file, kCommandNew, QStringLiteral("新建(&N)...\tCtrl+N"), Qt::CTRL | Qt::Key_N);
  file->addSeparator();
  addCommand(file, kCommandOpen, QStringLiteral("打开(&O)...\tCtrl+O"), Qt::CTRL | Qt::Key_O);
  addCommand(file, kCommandSaveAs, QStringLiteral("另存为(&A)..."));
  addCommand(file, kCommandClose, QStringLiteral("关闭当前文件(&C)"));
  file->addSeparator();
  addCommand(file, kCommandBatch, QStringLiteral("批量处理文件(&P)...\tCtrl+P"),
             Qt::CTRL | Qt::Key_P);
  file->addSeparator();
  addCommand(file, kCommandExit, QStringLiteral("退出程序(&X)"));

  QMenu* templ = addMenu(QStringLiteral("模板(&M)"));
  addCommand(templ, kCommandEditTemplate, QStringLiteral("修改模板(&E)...\tCtrl+E"),
             Qt::CTRL | Qt::Key_E);

  QMenu* about = addMenu(QStringLiteral("关于(&A)"));
  addCommand(about, kCommandHelp, QStringLiteral("帮助(&H)...\tF1"), Qt::Key_F1);
  addCommand(about, kCommandAbout, QStringLiteral("关于(&B)..."));
  about->addSeparator();
  addCommand(about, kCommandHomePage, QStringLiteral("查看更新(&N)..."));
}

QAction* MainWindow::action(MainCommand id) const {
  return findChild<QAction*>(controlName(id));
}

void MainWindow::start(const QString& commandLine) {
  if (seams_.startUpdateCheck) seams_.startUpdateCheck(*this);

  // The file the program was opened with: a template goes to the editor, a
  // picture into this window, as if it had been dropped on it.
  const std::string line = commandLine.toStdString();
  if (const auto templatePath = templatePathFromCommandLine(line)) {
    if (loadCommandLineTemplate(context_.editing, *templatePath)) {
      canvas_->refresh();
      editTemplate();
    }
    return;
  }
  if (const auto path = pathFromCommandLine(line)) dropFiles({QString::fromStdString(*path)});
}

void MainWindow::showTitle(const QString& suffix) {
  setWindowTitle(programTitle() + suffix);
}

void MainWindow::showError(const QString& text) {
  context_.prompts.message(this, programTitle(), text, MessageIcon::Error, MessageButtons::Ok);
}

bool MainWindow::openPictureFile(const QString& path) {
  PictureState& picture = context_.picture;
  switch (picture.openPictureFile(path.toStdString(), context_.editing.document.background)) {
    case OpenPictureResult::SizeUnreadable:
      showError(QStringLiteral("读取文件: ") + path + QStringLiteral(" 失败"));
      return false;
    case OpenPictureResult::Undecodable:
      showError(QStringLiteral("图片格式无法识别"));
      return false;
    case OpenPictureResult::Opened:
      break;
  }
  showTitle(path);
  canvas_->setUpScrollBars();
  pictureModified_ = false;
  return true;
}

std::optional<QString> MainWindow::askSavePath() {
  // No overwrite question: the choice of name is the confirmation, and the
  // write replaces the old file only once the new one is complete.
  return context_.prompts.saveFileName(this, {}, parseFilterList(kSaveFilter), false);
}

bool MainWindow::saveTo(const QString& path) {
  // The path is taken even when the save fails: the picture now belongs to it.
  context_.picture.setPicturePath(path.toStdString());
  if (!saveStampedPicture(path)) {
    showError(QStringLiteral("文件: ") + path + QStringLiteral(" 保存不成功"));
    return false;
  }
  context_.prompts.message(this, programTitle(),
                           QStringLiteral("文件: ") + path + QStringLiteral(" 保存成功"),
                           MessageIcon::None, MessageButtons::Ok);
  return true;
}

bool MainWindow::saveStampedPicture(const QString& path) {
  PictureState& picture = context_.picture;
  picture.stamp(context_.editing.document, /*frameWhole=*/false);
  const auto askBeforeGif = [this] {
    return context_.prompts.message(
               this, programTitle(),
               QStringLiteral("保存为GIF文件时,图片可能失去部分颜色,是否要保存?"),
               MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
  };
  const bool saved =
      saveBitmapByExtension(picture.compositeSurface(), path.toStdString(), askBeforeGif).ok();
  // The composite on screen carries the template's frame again.
  canvas_->refresh();
  return saved;
}

bool MainWindow::closePicture() {
  PictureState& picture = context_.picture;
  if (pictureModified_ && picture.pictureOpen()) {
    const QString question = picture.picturePath().empty()
                                 ? QStringLiteral("是否要保存当前新建文件?")
                                 : QStringLiteral("是否要保存当前文件: ") +
                                       QString::fromStdString(picture.picturePath());
    const MessageAnswer answer = context_.prompts.message(
        this, programTitle(), question, MessageIcon::None, MessageButtons::YesNoCancel);
    if (answer == MessageAnswer::Cancel) return false;
    if (answer == MessageAnswer::Yes) {
      const auto path = askSavePath();
      if (path && !saveTo(*path)) return false;
    }
  }
  pictureModified_ = false;
  showTitle();
  picture.releasePicture();
  canvas_->resetDrag();
  canvas_->setUpScrollBars();
  return true;
}

void MainWindow::newPicture() {
  if (!closePicture()) return;
  NewPictureDialog dialog(context_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (!context_.picture.newPicture(dialog.pictureWidth(), dialog.pictureHeight(), dialog.colour(),
                                   context_.editing.document.background))
    return;
  showTitle(QStringLiteral("  新建图片"));
  pictureModified_ = true;  // a new picture has never been saved
  canvas_->setUpScrollBars();
}

void MainWindow::openPicture() {
  if (!closePicture()) return;
  const auto path = context_.prompts.openFileName(this, {}, parseFilterList(pictureFileFilter()));
  if (path && !openPictureFile(*path)) context_.picture.releasePicture();
  canvas_->refresh();
}

void MainWindow::saveAs() {
  PictureState& picture = context_.picture;
  if (!picture.pictureOpen()) return;
  const auto path = askSavePath();
  if (!path || !saveTo(*path)) return;
  showTitle(*path);
  // The stamped result becomes the picture, with the template centred on it.
  if (!openPictureFile(*path)) {
    showError(QStringLiteral("文件: ") + *path + QStringLiteral(" 读取不成功"));
    picture.releasePicture();
    showTitle();
    canvas_->setUpScrollBars();
  }
  canvas_->refresh();
}

void MainWindow::editTemplate() {
  if (!seams_.runTemplateEditor) return;
  seams_.runTemplateEditor(this);
  {
    const BusyCursor busy;
    reloadEditingTemplate(context_.editing);
  }
  canvas_->refresh();
}

void MainWindow::runBatch() {
  if (seams_.runBatchDialog) seams_.runBatchDialog(this);
}

void MainWindow::showAbout() {
  AboutDialog about(context_, this);
  about.exec();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closePicture())
    event->accept();
  else
    event->ignore();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  dropFiles(paths);
}

void MainWindow::dropFiles(const QStringList& paths) {
  // Only the first file counts, and only a picture by its extension: a
  // dropped text file does nothing, not even the save question.
  if (paths.isEmpty()) return;
  const QString& path = paths.front();
  if (imageTypeOfPath(path.toStdString()) == ImageType::Unknown) return;
  if (!closePicture()) return;
  if (!openPictureFile(path)) context_.picture.releasePicture();
  canvas_->refresh();
}

}  // namespace imbrino
