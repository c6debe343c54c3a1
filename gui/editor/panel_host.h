#pragma once
// What the editor's floating windows (the three property panels and the tool
// window) ask of the editor that owns them.

#include <QRect>

namespace imbrino {

class PanelHost {
 public:
  virtual ~PanelHost() = default;

  // A panel wrote a change into the editing template: the editor marks it
  // modified and redraws (the canvas and the main window's picture).
  virtual void templateChangedByPanel() = 0;
  // The background panel changed the background's size: the editor sets up
  // its scroll bars again (after templateChangedByPanel).
  virtual void backgroundSizeChanged() = 0;
  // The editor's client area (below its menu bar) in screen coordinates:
  // where panels and the tool window place themselves on first use.
  virtual QRect editorClientOnScreen() const = 0;
};

}  // namespace imbrino
