#pragma once
// "模板修改": where the editing template is designed. The canvas shows it at
// one-to-one scale; the mouse, the arrow keys, the menu, the tool window and
// three floating property panels change it. The editor works on the
// program's editing template itself, and every change is drawn at once here
// and in the main window's picture.
//
// The editor ends only through its close sequence (the menu's close command
// or the close box), which asks whether to save a modified template first;
// Escape and Enter do nothing.

#include <QDialog>
#include <functional>
#include <memory>

#include "shared/app_context.h"
#include "editing/stored_selection.h"
#include "editing/template_editing.h"
#include "editor/panel_host.h"

class QMenuBar;
class QAction;

namespace imbrino {

class CaptionButtonBar;
class EditorCanvas;
class PropertyBK;
class PropertyText;
class PropertyImage;
class ToolDialog;
enum class ToolCommand;

// The ids of the editor's commands; each action's objectName is "c" + its id.
enum EditorCommand : int {
  kEditorNew = 32783,
  kEditorOpen = 32784,
  kEditorSave = 32785,
  kEditorSaveAs = 32786,
  kEditorClose = 32788,
  kEditorInsertText = 32789,
  kEditorInsertPicture = 32790,
  kEditorSelectAll = 32791,
  kEditorInvert = 32792,
  kEditorDelete = 32793,
  kEditorForward = 32794,
  kEditorBackward = 32795,
  kEditorShowTools = 32799,
  kEditorUndo = 57643,
  kEditorRedo = 57644,
};

class TemplateEditor : public QDialog, public PanelHost {
  Q_OBJECT

 public:
  // `templateChanged` is called after every change of the template or of its
  // selection (the main window stamps its picture again). `context` must
  // outlive the editor.
  TemplateEditor(AppContext& context, QWidget* owner, std::function<void()> templateChanged = {});
  ~TemplateEditor() override;

  TemplateEditing& editing() { return editing_; }
  bool modified() const { return editing_.modified(); }
  EditorCanvas& canvas() const { return *canvas_; }
  QAction* action(EditorCommand id) const;
  PropertyBK* backgroundPanel() const { return backgroundPanel_; }
  PropertyText* textPanel() const { return textPanel_; }
  PropertyImage* picturePanel() const { return picturePanel_; }
  ToolDialog* toolWindow() const { return toolWindow_; }

  // The save question. True: go on (saved, or the user said no); false:
  // stop, the template stays as it is.
  bool confirmDiscard();

  // The commands, as the menu, the keys and the tool window run them.
  void newTemplate();
  void openTemplate();
  void saveTemplate();
  void saveTemplateAs();
  void insertText();
  void insertPicture();
  void deleteSelection();
  void selectAll();
  void invertSelection();
  void bringForward();
  void sendBackward();
  void showToolWindow();
  void undo();
  void redo();

  // Escape and the close box: the close sequence.
  void reject() override;

  // PanelHost.
  void templateChangedByPanel(MergeKey key) override;
  void backgroundSizeChanged() override;
  QRect editorClientOnScreen() const override;
  void giveKeyboardToCanvas() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildMenu();
  void addCommand(QMenu* menu, EditorCommand id, const QString& text,
                  const QList<QKeySequence>& keys = {});
  void runToolCommand(ToolCommand command);
  void applyEffects(const EditorEffects& effects);
  void redrawCanvas();
  void hidePanels();
  void showBackgroundPanel();
  void showTitle();
  // Undo and redo are greyed while there is nothing to take back (bring back).
  void updateHistoryActions();
  // A template just made or read starts a new history and shows from the top.
  void startOver();
  // Says so when the background is a size the canvas cannot show whole.
  void tellIfBackgroundCannotBeShown();
  void message(const QString& text, MessageIcon icon);
  // Writes the template to `path`; on failure says so. True on success.
  bool writeTo(const std::string& path);
  std::optional<QString> askSavePath();
  void closeWindows();

  AppContext& context_;
  std::function<void()> templateChanged_;
  TemplateEditing editing_;
  QMenuBar* menuBar_;
  EditorCanvas* canvas_;
  CaptionButtonBar* captionBar_;
  PropertyBK* backgroundPanel_ = nullptr;
  PropertyText* textPanel_ = nullptr;
  PropertyImage* picturePanel_ = nullptr;
  ToolDialog* toolWindow_ = nullptr;
  // The selection flags of the file as last read or written.
  StoredSelection fileSelection_;
  bool started_ = false;
};

}  // namespace imbrino
