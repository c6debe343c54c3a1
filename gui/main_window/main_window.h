#pragma once
// The main window: one picture with the editing template stamped on it, the
// menu of the program, and the way into the template editor and the batch.

#include <QMainWindow>
#include <functional>

#include "shared/app_context.h"

class QAction;
class QMenu;

namespace imbrino {

class CaptionButtonBar;
class PictureCanvas;

// Windows that come from other parts of the program plug in here; a command
// whose seam is empty is greyed out.
struct MainWindowSeams {
  // Runs the template editor modally over `owner`.
  std::function<void(QWidget* owner)> runTemplateEditor;
  // Runs the batch dialog modally over `owner`.
  std::function<void(QWidget* owner)> runBatchDialog;
  // Starts the background update check once the window is up; it may end
  // the window (and with it the program) after starting the updater.
  std::function<void(QMainWindow& window)> startUpdateCheck;
};

// The ids of the menu commands; each action's objectName is "c" + its id.
enum MainCommand : int {
  kCommandNew = 32771,
  kCommandOpen = 32772,
  kCommandSaveAs = 32774,
  kCommandClose = 32775,
  kCommandBatch = 32777,
  kCommandExit = 32778,
  kCommandEditTemplate = 32779,
  kCommandHelp = 32780,
  kCommandAbout = 32781,
  kCommandHomePage = 32798,
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(AppContext& context, MainWindowSeams seams, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Once the window is shown: the update check, and the file named on the
  // command line: a template is read and opened in the editor, a picture
  // opened here.
  void start(const QString& commandLine);

  bool pictureModified() const { return pictureModified_; }
  PictureCanvas& canvas() const { return *canvas_; }
  QAction* action(MainCommand id) const;

  // The commands, as the menu runs them.
  void newPicture();
  void openPicture();
  void saveAs();
  // True when the picture is closed; false when the user chose Cancel (or a
  // save the user asked for failed), and the picture stays.
  bool closePicture();
  void editTemplate();
  void runBatch();
  void showAbout();
  // Opens a picture file (dropped, or chosen). False after a message.
  bool openPictureFile(const QString& path);
  // Files dropped on the window: the first one, when it is a picture.
  void dropFiles(const QStringList& paths);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildMenu();
  QMenu* addMenu(const QString& title);
  void addCommand(QMenu* menu, MainCommand id, const QString& text, const QKeySequence& key = {});
  void showError(const QString& text);
  void showTitle(const QString& suffix = {});
  // The save-file dialog with the five picture types; nothing when cancelled.
  std::optional<QString> askSavePath();
  // Stamps and writes the picture to `path` (which becomes its path), then
  // tells the user how it went.
  bool saveTo(const QString& path);
  bool saveStampedPicture(const QString& path);

  AppContext& context_;
  MainWindowSeams seams_;
  PictureCanvas* canvas_;
  CaptionButtonBar* captionBar_;
  bool pictureModified_ = false;
};

}  // namespace imbrino
