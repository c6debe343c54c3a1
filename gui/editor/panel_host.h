#pragma once
// What the editor's floating windows (the three property panels and the tool
// window) ask of the editor that owns them.

#include <QRect>

#include "editing/edit_history.h"

namespace imbrino {

class PanelHost {
 public:
  virtual ~PanelHost() = default;

  // A panel wrote a change into the editing template: the editor marks it
  // modified, makes it a step of its history (joined to the step before
  // when `key` is that step's) and redraws (the canvas and the main window's
  // picture).
  virtual void templateChangedByPanel(MergeKey key) = 0;
  // The background panel changed the background's size: the editor sets up
  // its scroll bars again (after templateChangedByPanel).
  virtual void backgroundSizeChanged() = 0;
  // The visible part of the editor's canvas (without its scroll bars) in
  // screen coordinates: the floating windows' default places are by it.
  virtual QRect editorClientOnScreen() const = 0;
  // A click in a floating window took the keyboard: the editor becomes the
  // active window again, with the keyboard on its canvas (the arrow keys).
  virtual void giveKeyboardToCanvas() = 0;
};

}  // namespace imbrino
