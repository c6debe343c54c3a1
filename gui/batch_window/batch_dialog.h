#pragma once
// "批量处理": where a batch is put together and run. The user lists pictures,
// picks the template (the one being edited, or another file), where it goes
// on each picture and the output folder, and starts the run; the button then
// stops it. Nothing is kept from one opening to the next.
//
// Three kinds of work go on beside the window, each on threads of its own:
// checking the pictures being added (so a thousand photos never freeze it;
// the start button stops the adding meanwhile), the run itself, and reading
// the selected picture for the preview. All report back through queued
// calls, so only this thread touches the widgets.
// While a run's worker is alive every input of the run stays as it is, and
// the window cannot be closed.

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "batch/batch_engine.h"
#include "batch/batch_list.h"
#include "batch/mark_options.h"
#include "batch/picture_check_pipeline.h"
#include "image/image_io.h"
#include "image/picture_origin.h"
#include "template/template_document.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace imbrino {

struct AppContext;
class CaptionButtonBar;
class PositionPicker;
class PercentPicker;
class TemplatePreview;

// The ids of the window's controls.
enum BatchControl : int {
  kBatchPositionPicker = 1008,
  kBatchPercentPicker = 1010,
  kBatchByPosition = 1012,
  kBatchByPercent = 1013,
  kBatchAddFiles = 1015,
  kBatchDeleteFiles = 1016,
  kBatchDeleteAll = 1017,
  kBatchProgress = 1018,
  kBatchStatus = 1019,
  kBatchStart = 1020,
  kBatchTemplate = 1030,
  kBatchFileList = 1031,
  kBatchPreview = 1032,
  kBatchOptions = 1033,
  kBatchBrowse = 1085,
  kBatchFolder = 1096,
};

class BatchDialog : public QDialog {
  Q_OBJECT

 public:
  // The question about a file already listed; returns 0..3 (yes, yes to all,
  // no, no to all). By default the four-answer question window.
  using DuplicateQuestion = std::function<int(const QString& question)>;

  // `context` must outlive the dialog.
  BatchDialog(AppContext& context, QWidget* parent);
  ~BatchDialog() override;

  void setDuplicateQuestion(DuplicateQuestion ask) { askDuplicate_ = std::move(ask); }
  // Pictures checked and stamped at once; by default one per core.
  void setWorkers(int workers) { workers_ = workers < 1 ? 1 : workers; }

  // A run's worker is alive (a stopped run included, until it has ended).
  bool runActive() const { return worker_.joinable(); }
  // Added pictures are being checked.
  bool adding() const { return adding_; }
  QStringList listedFiles() const;
  const Template& chosenTemplate() const;
  // The options the next run takes: those remembered in the settings file,
  // then whatever the options window last confirmed.
  const RunChoices& runChoices() const { return runChoices_; }
  // The last run's job (an empty job before the first run).
  const BatchJob& lastJob() const { return job_; }

  // Escape and the close box: refused while a run's worker is alive; while
  // pictures are being added they stop the adding instead.
  void reject() override;

 signals:
  // The added pictures are all listed (or the adding was stopped).
  void addingEnded();
  // A run has ended and its summary (and report) have been shown.
  void runEnded();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Checked {
    bool ok = false;
    PictureFacts facts;
  };
  class Progress;
  // A listed picture as the preview needs it; `picture` is empty when the
  // file could not be read.
  struct PreviewPicture {
    std::string path;
    std::optional<Surface> picture;
    PictureOrigin origin;
  };

  void createControls();

  bool busy() const { return running_ || runActive(); }
  void addFiles();
  void startChecking(const QStringList& paths);
  void picturesChecked(int count);
  void pictureChecked(int index, Checked result);
  void takeCheckedPictures();
  void takePicture(int index);
  void stopAdding();
  void finishAdding();
  void appendRow(const QString& path, const PictureFacts& facts);
  void deleteSelectedRows();
  void deleteAllRows();
  void removeRow(int row);
  void switchMode(PlacementMode mode);
  PlacementValues placementValues() const;
  void openOptions();
  int previewRow() const;
  void refreshPreview();
  void previewRead(std::shared_ptr<const PreviewPicture> read);
  void chooseTemplate(int index);
  void useEditingTemplate();
  void showPicture(int row);
  void chooseOutputFolder();
  std::optional<std::string> checkedOutputFolder();
  void startOrStop();
  void startRun(std::vector<std::string> files, const std::string& folder, bool replaceListed);
  void stopRun();
  void runFinished(const BatchResult& result);
  void enablePickers();
  void showFileCount();
  void setButtonText(const QString& text);
  void message(const QString& text);

  AppContext& context_;
  CaptionButtonBar* captionBar_;
  QRadioButton* anchorRadio_ = nullptr;
  QRadioButton* percentRadio_ = nullptr;
  QComboBox* templateCombo_ = nullptr;
  PositionPicker* positionPicker_ = nullptr;
  PercentPicker* percentPicker_ = nullptr;
  TemplatePreview* preview_ = nullptr;
  QPushButton* addButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QPushButton* deleteAllButton_ = nullptr;
  QTableWidget* list_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QLineEdit* folderEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* startButton_ = nullptr;
  QPushButton* optionsButton_ = nullptr;

  PlacementMode placementMode_ = PlacementMode::Anchor;
  int templateChoice_ = 0;
  Template batchTemplate_;
  QHash<QString, int> listedCount_;  // rows per path, for the duplicate test
  DuplicateQuestion askDuplicate_;
  int workers_ = 1;
  RunChoices runChoices_;

  // The preview: the selected picture, read by one worker at a time and kept
  // while its row stays selected. A selection made meanwhile is read once
  // the worker is back.
  std::thread previewWorker_;
  std::shared_ptr<const PreviewPicture> previewPicture_;

  // Adding: the paths in the order the file dialog gave them, checked ahead
  // by the pipeline and taken into the list strictly in that order. Reports
  // queued by an adding that has ended carry an older round and are dropped.
  bool adding_ = false;
  int addingRound_ = 0;
  bool taking_ = false;
  std::vector<std::string> addPaths_;
  std::vector<std::optional<Checked>> checked_;
  int checkedCount_ = 0;
  int nextToTake_ = 0;
  DuplicateRule duplicateRule_;
  PictureCheckPipeline checks_;

  // The run.
  std::atomic<bool> running_{false};
  BatchJob job_;
  std::unique_ptr<Progress> runProgress_;
  std::thread worker_;
};

}  // namespace imbrino
