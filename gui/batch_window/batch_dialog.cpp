#include "batch_window/batch_dialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <algorithm>

#include "batch/mark_stamp.h"
#include "batch_window/mark_options_dialog.h"
#include "batch_window/placement_pickers.h"
#include "batch_window/report_dialog.h"
#include "platform/file_io.h"
#include "render/template_compose.h"
#include "shared/app_context.h"
#include "shared/program_texts.h"
#include "template/template_fields.h"
#include "template/template_file.h"
#include "widgets/caption_button_bar.h"
#include "widgets/control_id.h"
#include "widgets/control_tooltips.h"
#include "widgets/dialog_button.h"
#include "widgets/dialog_keys.h"
#include "widgets/dialog_units.h"
#include "widgets/donation_button.h"
#include "widgets/four_way_question.h"
#include "widgets/image_preview_dialog.h"
#include "widgets/surface_image.h"

namespace imbrino {

// The selected picture stamped as the run will stamp it, shrunk to fit the
// frame; without one, the chosen template drawn at its own size on white and
// stretched over the whole frame.
class TemplatePreview final : public QFrame {
 public:
  TemplatePreview(std::function<const Template&()> source, QWidget* parent)
      : QFrame(parent), source_(std::move(source)) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
  }

  // A null image brings the template back.
  void showPicture(QImage picture) {
    picture_ = std::move(picture);
    update();
  }
  bool showsPicture() const { return !picture_.isNull(); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    if (!picture_.isNull()) {
      QPainter painter(this);
      const QRect frame = contentsRect();
      painter.fillRect(frame, palette().window());
      QRect target(QPoint(0, 0), picture_.size());
      target.moveCenter(frame.center());
      painter.drawImage(target.topLeft(), picture_);
      return;
    }
    const Template& document = source_();
    Expected<Surface> surface =
        Surface::create(document.background.width, document.background.height);
    if (!surface) return;
    drawTemplate(*surface, 0, 0, document, false, false);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(contentsRect(), imageOfSurface(*surface));
  }

 private:
  std::function<const Template&()> source_;
  QImage picture_;
};

namespace {

constexpr int kCaptionSlotOffset = 2;
// Layout in dialog units.
constexpr int kWidth = 348;
constexpr int kHeight = 339;

const QString kTemplateFilter = QStringLiteral("模板文件(*.src)|*.src||");
const QString kStartText = QStringLiteral("开始处理(&S)");
const QString kStopText = QStringLiteral("停止处理(&S)");
const QString kStopAddingText = QStringLiteral("停止添加(&S)");

}  // namespace

// The engine's reports, carried over to the window's thread.
class BatchDialog::Progress final : public BatchProgress {
 public:
  Progress(QProgressBar* bar, QLabel* status) : bar_(bar), status_(status) {}

  void setRange(int low, int high) override {
    QMetaObject::invokeMethod(
        bar_, [bar = bar_, low, high] { bar->setRange(low, high); }, Qt::QueuedConnection);
  }
  void setPosition(int position) override {
    QMetaObject::invokeMethod(
        bar_, [bar = bar_, position] { bar->setValue(position); }, Qt::QueuedConnection);
  }
  void setStatus(const std::string& text) override {
    QMetaObject::invokeMethod(
        status_, [status = status_, t = QString::fromStdString(text)] { status->setText(t); },
        Qt::QueuedConnection);
  }

 private:
  QProgressBar* bar_;
  QLabel* status_;
};

BatchDialog::BatchDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context), captionBar_(new CaptionButtonBar(this)) {
  setObjectName(QStringLiteral("BatchDialog"));
  setWindowTitle(QStringLiteral("批量处理"));
  // A caption with a close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(DialogUnits::dialogFont());
  workers_ = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  runChoices_ = readRunChoices(context_.settings);
  askDuplicate_ = [this](const QString& question) {
    TextQuestion ask(question, this);
    return ask.exec();
  };
  createControls();

  // The dialog's message map.
  connect(addButton_, &QPushButton::clicked, this, &BatchDialog::addFiles);
  connect(deleteButton_, &QPushButton::clicked, this, &BatchDialog::deleteSelectedRows);
  connect(deleteAllButton_, &QPushButton::clicked, this, &BatchDialog::deleteAllRows);
  connect(anchorRadio_, &QRadioButton::clicked, this,
          [this] { switchMode(PlacementMode::Anchor); });
  connect(percentRadio_, &QRadioButton::clicked, this,
          [this] { switchMode(PlacementMode::Percent); });
  connect(templateCombo_, &QComboBox::activated, this, &BatchDialog::chooseTemplate);
  connect(list_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int) { showPicture(row); });
  connect(browseButton_, &QPushButton::clicked, this, &BatchDialog::chooseOutputFolder);
  connect(startButton_, &QPushButton::clicked, this, &BatchDialog::startOrStop);
  connect(optionsButton_, &QPushButton::clicked, this, &BatchDialog::openOptions);
  connect(list_, &QTableWidget::itemSelectionChanged, this, &BatchDialog::refreshPreview);
  connect(positionPicker_, &PlacementPicker::valuesChanged, this, &BatchDialog::refreshPreview);
  connect(percentPicker_, &PlacementPicker::valuesChanged, this, &BatchDialog::refreshPreview);
  connectDonationButton(*captionBar_, this, kCaptionSlotOffset, context_);
}

BatchDialog::~BatchDialog() {
  // Only reached idle, but a dialog torn down by its owner must not leave
  // threads behind.
  checks_.stop();
  running_ = false;
  if (worker_.joinable()) worker_.join();
  if (previewWorker_.joinable()) previewWorker_.join();
}

void BatchDialog::createControls() {
  const DialogUnits du(font());
  // The donation button sits over the top-right corner: the layout starts
  // below it, so it covers no control.
  const int barUnits =
      (captionBar_->sizeHint().height() * 8 + du.baseHeight() - 1) / std::max(1, du.baseHeight());
  const int top = std::max(0, barUnits - 2);
  auto at = [&](int x, int y, int w, int h) { return du.rect(x, y + top, w, h); };
  setFixedSize(du.size(kWidth, kHeight + top));

  auto* group = new QGroupBox(QStringLiteral("模板位置选择"), this);
  group->setGeometry(at(1, 3, 346, 138));
  group->lower();

  anchorRadio_ = new QRadioButton(QStringLiteral("按位置来放置模板(&P)"), this);
  setControlId(anchorRadio_, kBatchByPosition);
  anchorRadio_->setGeometry(at(19, 22, 92, 10));
  percentRadio_ = new QRadioButton(QStringLiteral("按百分比放置模板(&E)"), this);
  setControlId(percentRadio_, kBatchByPercent);
  percentRadio_->setGeometry(at(131, 22, 92, 10));

  templateCombo_ = new QComboBox(this);
  setControlId(templateCombo_, kBatchTemplate);
  templateCombo_->addItem(QStringLiteral("使用当前模板"));
  templateCombo_->addItem(QStringLiteral("选择其他模板..."));
  templateCombo_->setGeometry(at(245, 16, 97, 14));

  auto placeholder = [&](QWidget* inside, int id, QRect r) {
    auto* frame = new QFrame(this);
    setControlId(frame, id);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setGeometry(r);
    inside->setParent(frame);
    inside->setGeometry(frame->contentsRect());
  };
  positionPicker_ = new PositionPicker(this);
  placeholder(positionPicker_, kBatchPositionPicker, at(15, 37, 102, 97));
  percentPicker_ = new PercentPicker(this);
  placeholder(percentPicker_, kBatchPercentPicker, at(127, 37, 102, 97));
  preview_ = new TemplatePreview([this]() -> const Template& { return chosenTemplate(); }, this);
  setControlId(preview_, kBatchPreview);
  preview_->setGeometry(at(243, 37, 102, 97));

  addButton_ =
      addDialogButton(this, kBatchAddFiles, QStringLiteral("添加文件(&A)..."), at(78, 150, 64, 14));
  deleteButton_ = addDialogButton(this, kBatchDeleteFiles, QStringLiteral("删除文件(&D)"),
                                  at(142, 150, 64, 14));
  deleteAllButton_ =
      addDialogButton(this, kBatchDeleteAll, QStringLiteral("全部删除(&L)"), at(206, 150, 64, 14));
  // Under the preview, which shows what the options do.
  optionsButton_ =
      addDialogButton(this, kBatchOptions, QStringLiteral("选项(&O)..."), at(281, 150, 64, 14));

  auto* listLabel = new QLabel(QStringLiteral("文件列表:"), this);
  listLabel->setGeometry(at(0, 160, 37, 8));
  list_ = new QTableWidget(0, 4, this);
  setControlId(list_, kBatchFileList);
  list_->setGeometry(at(3, 169, 344, 95));
  list_->setHorizontalHeaderLabels({QStringLiteral("文件名"), QStringLiteral("文件大小"),
                                    QStringLiteral("图片宽"), QStringLiteral("图片高")});
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->horizontalHeader()->setHighlightSections(false);
  const int columnWidths[] = {200, 100, 100, 100};
  for (int column = 0; column < 4; ++column) list_->setColumnWidth(column, columnWidths[column]);
  list_->setShowGrid(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setTextElideMode(Qt::ElideLeft);

  progress_ = new QProgressBar(this);
  setControlId(progress_, kBatchProgress);
  progress_->setGeometry(at(0, 266, 347, 14));
  progress_->setRange(0, 100);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  status_ = new QLabel(this);
  setControlId(status_, kBatchStatus);
  status_->setAlignment(Qt::AlignCenter);
  status_->setGeometry(at(0, 283, 341, 8));

  auto* folderLabel = new QLabel(QStringLiteral("另存为文件夹:"), this);
  folderLabel->setGeometry(at(0, 303, 53, 8));
  folderEdit_ = new QLineEdit(this);
  setControlId(folderEdit_, kBatchFolder);
  folderEdit_->setGeometry(at(55, 301, 235, 14));
  browseButton_ =
      addDialogButton(this, kBatchBrowse, QStringLiteral("浏览(&W)"), at(293, 301, 50, 14));
  startButton_ = addDialogButton(this, kBatchStart, kStartText, at(142, 320, 62, 14));

  // Initial state: anchor placement, the editing template, an empty list.
  anchorRadio_->setChecked(true);
  positionPicker_->setPickerEnabled(true);
  percentPicker_->setPickerEnabled(false);
  addControlToolTip(this, kBatchAddFiles,
                    QStringLiteral("温馨提示:由于软体本身的限制,在添加文件时,一次性添加最多只能添"
                                   "加1000个,文件过多时可能无法添加成功"));
  addControlToolTip(this, kBatchFileList, QStringLiteral("双击文件可以查看图片"));
  templateCombo_->setCurrentIndex(0);
  captionBar_->raise();
}

QStringList BatchDialog::listedFiles() const {
  QStringList files;
  for (int row = 0; row < list_->rowCount(); ++row) files << list_->item(row, 0)->text();
  return files;
}

const Template& BatchDialog::chosenTemplate() const {
  return templateChoice_ == 1 ? batchTemplate_ : context_.editing.document;
}

void BatchDialog::message(const QString& text) {
  context_.prompts.message(this, programTitle(), text, MessageIcon::Error, MessageButtons::Ok);
}

void BatchDialog::showFileCount() {
  status_->setText(QStringLiteral("文件数为:%1").arg(list_->rowCount()));
}

void BatchDialog::setButtonText(const QString& text) {
  startButton_->setText(text);
}

// Adding files.

void BatchDialog::addFiles() {
  if (busy() || adding_) return;
  const QStringList paths = context_.prompts.openFileNames(this, QStringLiteral("打开"),
                                                           parseFilterList(pictureFileFilter()));
  if (paths.isEmpty()) {
    showFileCount();
    return;
  }
  startChecking(paths);
}

void BatchDialog::startChecking(const QStringList& paths) {
  addPaths_.clear();
  for (const QString& path : paths) addPaths_.push_back(path.toStdString());
  checked_.assign(addPaths_.size(), std::nullopt);
  checkedCount_ = 0;
  nextToTake_ = 0;
  duplicateRule_ = DuplicateRule{};
  adding_ = true;
  const int round = ++addingRound_;
  setButtonText(kStopAddingText);
  progress_->setRange(0, static_cast<int>(addPaths_.size()));
  progress_->setValue(0);
  status_->setText(QStringLiteral("正在检查图片:0/%1").arg(addPaths_.size()));
  // The pipeline reports on its own threads; the window takes the reports
  // over to its own.
  checks_.start(
      addPaths_, workers_,
      [this, round](std::size_t index, const Expected<PictureFacts>& facts) {
        Checked result;
        if (facts) result = Checked{true, *facts};
        QMetaObject::invokeMethod(
            this,
            [this, round, index, result] {
              if (round == addingRound_) pictureChecked(static_cast<int>(index), result);
            },
            Qt::QueuedConnection);
      },
      [this, round](std::size_t count, std::size_t) {
        QMetaObject::invokeMethod(
            this,
            [this, round, count] {
              if (round == addingRound_) picturesChecked(static_cast<int>(count));
            },
            Qt::QueuedConnection);
      });
}

void BatchDialog::picturesChecked(int count) {
  if (!adding_) return;
  checkedCount_ = count;
  progress_->setValue(checkedCount_);
  status_->setText(QStringLiteral("正在检查图片:%1/%2").arg(checkedCount_).arg(addPaths_.size()));
}

void BatchDialog::pictureChecked(int index, Checked result) {
  if (!adding_) return;
  checked_[index] = result;
  takeCheckedPictures();
}

void BatchDialog::takeCheckedPictures() {
  // A duplicate question opens a nested loop in which more results arrive;
  // they wait for the loop below, so the list keeps the dialog's order.
  if (taking_) return;
  taking_ = true;
  while (adding_ && nextToTake_ < static_cast<int>(checked_.size()) && checked_[nextToTake_])
    takePicture(nextToTake_++);
  taking_ = false;
  if (adding_ && nextToTake_ == static_cast<int>(checked_.size())) finishAdding();
}

void BatchDialog::takePicture(int index) {
  const QString path = QString::fromStdString(addPaths_[index]);
  switch (duplicateRule_.decide(listedCount_.value(path) > 0)) {
    case DuplicateRule::Decision::Skip:
      return;
    case DuplicateRule::Decision::Ask: {
      const int answer = askDuplicate_(QStringLiteral("文件: ") + path +
                                       QStringLiteral(" 已经存在在列表中,是否要继续添加该文件?"));
      if (answer < 0 || answer > 3 || !duplicateRule_.answer(static_cast<DuplicateAnswer>(answer)))
        return;
      break;
    }
    case DuplicateRule::Decision::Add:
      break;
  }
  // A picture the decoders refuse is left out without a word.
  if (checked_[index]->ok) appendRow(path, checked_[index]->facts);
}

void BatchDialog::stopAdding() {
  if (!adding_) return;
  finishAdding();
}

void BatchDialog::finishAdding() {
  // The checkers end after the file in hand.
  checks_.stop();
  adding_ = false;
  addPaths_.clear();
  checked_.clear();
  setButtonText(kStartText);
  progress_->setRange(0, 100);
  progress_->setValue(0);
  showFileCount();
  // The selected row's place in the list has a new count.
  refreshPreview();
  emit addingEnded();
}

void BatchDialog::appendRow(const QString& path, const PictureFacts& facts) {
  const int row = list_->rowCount();
  list_->insertRow(row);
  const QString texts[] = {path, QString::fromStdString(fileSizeText(facts.fileSize)),
                           QString::number(facts.width), QString::number(facts.height)};
  for (int column = 0; column < 4; ++column) {
    auto* item = new QTableWidgetItem(texts[column]);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->setItem(row, column, item);
  }
  ++listedCount_[path];
}

void BatchDialog::removeRow(int row) {
  const QString path = list_->item(row, 0)->text();
  if (--listedCount_[path] <= 0) listedCount_.remove(path);
  list_->removeRow(row);
}

void BatchDialog::deleteSelectedRows() {
  if (busy() || adding_ || list_->rowCount() == 0) return;
  std::vector<int> rows;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows())
    rows.push_back(index.row());
  if (rows.empty()) return;  // not even the status line changes
  std::sort(rows.begin(), rows.end(), std::greater<>());
  for (const int row : rows) removeRow(row);
  showFileCount();
}

void BatchDialog::deleteAllRows() {
  if (busy() || adding_) return;
  list_->setRowCount(0);
  listedCount_.clear();
  showFileCount();
}

// Placement and template.

void BatchDialog::switchMode(PlacementMode mode) {
  if (busy()) {
    // The run keeps its mode: the check mark goes back to it.
    anchorRadio_->setChecked(placementMode_ == PlacementMode::Anchor);
    percentRadio_->setChecked(placementMode_ == PlacementMode::Percent);
    return;
  }
  placementMode_ = mode;
  enablePickers();
  refreshPreview();
}

PlacementValues BatchDialog::placementValues() const {
  return placementMode_ == PlacementMode::Anchor ? positionPicker_->placementValues()
                                                 : percentPicker_->placementValues();
}

void BatchDialog::openOptions() {
  // The run keeps the options it started with.
  if (busy()) return;
  MarkOptionsDialog options(context_.settings, this);
  if (options.exec() != QDialog::Accepted) return;
  runChoices_ = options.choices();
  refreshPreview();
}

void BatchDialog::enablePickers() {
  positionPicker_->setPickerEnabled(placementMode_ == PlacementMode::Anchor);
  percentPicker_->setPickerEnabled(placementMode_ == PlacementMode::Percent);
}

void BatchDialog::useEditingTemplate() {
  clearObjects(batchTemplate_);
  initDefaultBackground(batchTemplate_.background);
  templateChoice_ = 0;
  const QSignalBlocker blocker(templateCombo_);
  templateCombo_->setCurrentIndex(0);
}

void BatchDialog::chooseTemplate(int index) {
  if (busy()) {
    // The run's template stays, and so does the choice shown.
    const QSignalBlocker blocker(templateCombo_);
    templateCombo_->setCurrentIndex(templateChoice_);
    return;
  }
  if (index == 0) {
    useEditingTemplate();
  } else {
    const std::optional<QString> path = context_.prompts.openFileName(
        this, QStringLiteral("打开"), parseFilterList(kTemplateFilter));
    if (!path) {
      // The template read before stays loaded, unused.
      templateChoice_ = 0;
      const QSignalBlocker blocker(templateCombo_);
      templateCombo_->setCurrentIndex(0);
    } else if (readTemplateFile(path->toStdString(), batchTemplate_)) {
      templateChoice_ = 1;
    } else {
      useEditingTemplate();
    }
  }
  refreshPreview();
  preview_->update();
}

void BatchDialog::showPicture(int row) {
  if (busy() || adding_ || row < 0 || row >= list_->rowCount()) return;
  ImagePreviewDialog preview(list_->item(row, 0)->text(), this);
  preview.exec();
}

void BatchDialog::chooseOutputFolder() {
  if (busy()) return;
  const std::optional<QString> folder =
      context_.prompts.folderName(this, QStringLiteral("选择目标文件夹"));
  if (!folder) return;
  folderEdit_->setText(*folder);
}

std::optional<std::string> BatchDialog::checkedOutputFolder() {
  // The box is what the run uses, whether chosen with the browse button or
  // typed; a folder that cannot take the results is refused here rather
  // than failing every file.
  const QString folder = folderEdit_->text().trimmed();
  if (folder.isEmpty()) {
    message(QStringLiteral("请先指定另存为目录"));
    return std::nullopt;
  }
  const QFileInfo info(folder);
  QString problem;
  if (info.isRelative())
    problem = QStringLiteral("另存为目录必须是完整的路径,请重新指定:\n");
  else if (!info.isDir())
    problem = QStringLiteral("另存为目录不存在,请重新指定:\n");
  else if (!info.isWritable() || !info.isExecutable())
    problem = QStringLiteral("无法写入另存为目录,请重新指定:\n");
  if (!problem.isEmpty()) {
    message(problem + folder);
    return std::nullopt;
  }
  return folder.toStdString();
}

// The preview of the selected picture.

int BatchDialog::previewRow() const {
  // The current row when it is selected, otherwise the first one selected.
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  if (rows.isEmpty()) return -1;
  const int current = list_->currentRow();
  for (const QModelIndex& index : rows)
    if (index.row() == current) return current;
  return rows.front().row();
}

void BatchDialog::refreshPreview() {
  const int row = previewRow();
  if (row < 0) {
    previewPicture_.reset();
    preview_->showPicture({});
    return;
  }
  const std::string path = list_->item(row, 0)->text().toStdString();
  if (!previewPicture_ || previewPicture_->path != path) {
    // The template stands in until the picture has been read.
    preview_->showPicture({});
    if (previewWorker_.joinable()) return;  // previewRead() comes back here
    preview_->setCursor(Qt::BusyCursor);
    previewWorker_ = std::thread([this, path] {
      auto read = std::make_shared<PreviewPicture>();
      read->path = path;
      if (auto bytes = readFileBytes(path)) {
        if (auto picture = decodePicture(*bytes, codecFormatOf(imageTypeOfPath(path))))
          read->picture = std::move(*picture);
        read->origin = readPictureOrigin(*bytes);
      }
      QMetaObject::invokeMethod(
          this,
          [this, read = std::shared_ptr<const PreviewPicture>(std::move(read))] {
            previewRead(read);
          },
          Qt::QueuedConnection);
    });
    return;
  }
  if (!previewPicture_->picture) {
    preview_->showPicture({});
    return;
  }
  const Surface& original = *previewPicture_->picture;
  const Template& document = chosenTemplate();
  std::optional<PictureFields> fields;
  if (templateUsesFields(document))
    fields = pictureFieldsFor(path, previewPicture_->origin, original.width(), original.height(),
                              PicturePlace{row + 1, list_->rowCount()});
  Surface stamped = original;
  const MarkStamper stamper(document, placementMode_, placementValues(), runChoices_.mark);
  stamper.stamp(stamped, fields ? &*fields : nullptr);
  const QImage image = imageOfSurface(stamped);
  const QSize frame = preview_->contentsRect().size();
  // Shrunk to fit, never enlarged; the copy outlives the stamped surface.
  preview_->showPicture(image.width() > frame.width() || image.height() > frame.height()
                            ? image.scaled(frame, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                            : image.copy());
}

void BatchDialog::previewRead(std::shared_ptr<const PreviewPicture> read) {
  previewWorker_.join();
  preview_->unsetCursor();
  previewPicture_ = std::move(read);
  // Stamps it, or reads the row selected meanwhile.
  refreshPreview();
}

// The run.

void BatchDialog::startOrStop() {
  if (adding_) return stopAdding();
  if (running_) return stopRun();
  // A stopped run's worker finishes its files in hand first.
  if (runActive()) return;
  if (list_->rowCount() == 0) return message(QStringLiteral("当前没有图片,请先添加图片"));
  const std::optional<std::string> folder = checkedOutputFolder();
  if (!folder) return;
  std::vector<std::string> files;
  files.reserve(static_cast<std::size_t>(list_->rowCount()));
  for (int row = 0; row < list_->rowCount(); ++row)
    files.push_back(list_->item(row, 0)->text().toStdString());
  // Asked once, before anything is written; the run follows the same plan.
  const int replaced = planOutputs(files, *folder).replacedCount();
  if (replaced > 0 &&
      context_.prompts.message(
          this, programTitle(),
          QStringLiteral("列表中有%1张图片将被覆盖:另存为目录就是它们所在的目录,盖了模板的图片"
                         "将替换原图片。\n\n是否继续处理?")
              .arg(replaced),
          MessageIcon::Question, MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes)
    return;
  startRun(std::move(files), *folder, replaced > 0);
}

void BatchDialog::startRun(std::vector<std::string> files, const std::string& folder,
                           bool replaceListed) {
  job_ = BatchJob{};
  job_.files = std::move(files);
  job_.mode = placementMode_;
  job_.values = placementValues();
  job_.mark = runChoices_.mark;
  job_.jpeg = runChoices_.jpeg;
  job_.document = &chosenTemplate();
  job_.outputFolder = folder;
  job_.replaceListed = replaceListed;
  job_.workers = workers_;

  running_ = true;
  folderEdit_->setReadOnly(true);
  positionPicker_->setPickerEnabled(false);
  percentPicker_->setPickerEnabled(false);
  runProgress_ = std::make_unique<Progress>(progress_, status_);
  worker_ = std::thread([this] {
    BatchResult result = runBatch(job_, *runProgress_, running_);
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result)] { runFinished(result); }, Qt::QueuedConnection);
  });
  setButtonText(kStopText);
}

void BatchDialog::stopRun() {
  running_ = false;
  enablePickers();
  setButtonText(kStartText);
}

void BatchDialog::runFinished(const BatchResult& result) {
  worker_.join();
  running_ = false;
  // The engine's last status line and bar position arrived before this call.
  folderEdit_->setReadOnly(false);
  setButtonText(kStartText);
  enablePickers();
  const QString summary = QString::fromStdString(batchSummaryText(result.rowCount, result.lists));
  const MessageIcon icon = batchSummaryIcon(result.lists) == SummaryIcon::Error
                               ? MessageIcon::Error
                               : MessageIcon::Question;
  if (context_.prompts.message(this, programTitle(), summary, icon, MessageButtons::YesNo) ==
      MessageAnswer::Yes) {
    ReportDialog report(context_, this);
    report.setReport(result.lists);
    report.exec();
  }
  emit runEnded();
}

// Keys and closing.

void BatchDialog::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing; Escape reaches reject().
  if (isEnterKey(*event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void BatchDialog::reject() {
  if (adding_) return stopAdding();
  if (busy()) return;
  clearObjects(batchTemplate_);
  QDialog::reject();
}

}  // namespace imbrino
