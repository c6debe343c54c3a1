#pragma once
// The template editor's floating tool window: eight picture buttons (new,
// open, save, insert text, insert picture, forward, backward, delete) whose
// strips lie in the folder "ButtonPic" beside the program. It remembers its
// place in [ToolDialog] X and Y (see FloatingWindow). Closing it only hides
// it; the editor shows it again from its menu.

#include <functional>

#include "editor/floating_window.h"

namespace imbrino {

struct AppContext;
class CaptionButtonBar;
class PanelHost;

enum class ToolCommand { New, Open, Save, InsertText, InsertPicture, Forward, Backward, Delete };

// The ids of the tool buttons.
enum ToolControl : int {
  kToolNew = 1085,
  kToolOpen = 1089,
  kToolInsertText = 1090,
  kToolInsertPicture = 1091,
  kToolForward = 1092,
  kToolBackward = 1093,
  kToolDelete = 1094,
  kToolSave = 1095,
};

class ToolDialog : public FloatingWindow {
  Q_OBJECT

 public:
  // Placed by the [ToolDialog] rules (host.editorClientOnScreen() for the default Y), hidden.
  ToolDialog(AppContext& context, PanelHost& host, QWidget* editor,
             std::function<void(ToolCommand)> run);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // By the stored position and the screen's size; the default Y puts the
  // frame's bottom edge on the bottom edge of the editor's canvas.
  QPoint placement(QSize frame) const override;

 private:
  void runCommand(ToolCommand command);

  PanelHost& host_;
  std::function<void(ToolCommand)> run_;
  CaptionButtonBar* captionBar_;
};

}  // namespace imbrino
