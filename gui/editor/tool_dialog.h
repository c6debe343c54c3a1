#pragma once
// The template editor's floating tool window: eight picture buttons (new,
// open, save, insert text, insert picture, forward, backward, delete) whose
// strips lie in the folder "ButtonPic" beside the program. It remembers its
// place in [ToolDialog] X and Y. Closing it only hides it; the editor shows
// it again from its menu.

#include <QDialog>
#include <functional>

namespace imbrino {

struct AppContext;
class CaptionButtonBar;
class PanelHost;

enum class ToolCommand { New, Open, Save, InsertText, InsertPicture, Forward, Backward, Delete };

class ToolDialog : public QDialog {
  Q_OBJECT

 public:
  // Placed by the [ToolDialog] rules (host.editorClientOnScreen() for the default Y), hidden.
  ToolDialog(AppContext& context, PanelHost& host, QWidget* editor,
             std::function<void(ToolCommand)> run);
  ~ToolDialog() override;  // writes [ToolDialog] X, Y (outer top-left)

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Where the window goes by the stored position and the screen's size; the
  // default Y puts its bottom edge on the editor's client area's bottom edge.
  void placeWindow();
  int defaultY() const;
  void runCommand(ToolCommand command);

  AppContext& context_;
  PanelHost& host_;
  QWidget* editor_;
  std::function<void(ToolCommand)> run_;
  CaptionButtonBar* captionBar_;
  // Set while the window stands where the default Y put it: its frame's
  // height is known only once the window manager has framed it.
  bool placedByDefaultY_ = false;
  int placedY_ = 0;
  int placedFrameHeight_ = 0;
};

}  // namespace imbrino
