#pragma once
// The template editor's client area: the template at one-to-one scale on grey,
// with a black border, the handles of the selected objects and the outlines
// of the drag in progress. Mouse and arrow keys go to the editing logic; what
// that says must happen beyond this widget (panels, scroll bars after a
// background resize, the main window's picture) is handed to the editor.
//
// The template is composed by the core renderer into a canvas picture kept
// between paints; it is composed again only after a change, so a drag, which
// only moves outlines, repaints from the kept picture.

#include <functional>

#include "editing/template_editing.h"
#include "graphics/surface.h"
#include "widgets/pixel_scroll_area.h"

namespace imbrino {

class EditorCanvas : public PixelScrollArea {
  Q_OBJECT

 public:
  using EffectsHandler = std::function<void(const EditorEffects&)>;

  EditorCanvas(TemplateEditing& editing, EffectsHandler handler, QWidget* parent = nullptr);

  // After a template was made or opened, and at start: both bars at 0.
  void setUpScrollBars();
  // After the background's size changed: positions kept where they still fit.
  void updateScrollBars();
  // The template or the selection changed: compose again before the next paint.
  void templateChanged();

  // How far the canvas is scrolled: (sx, sy).
  Point scroll() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QSize contentSize() const override;
  void apply(const EditorEffects& effects);
  void composeCanvas();
  void setEditorCursor(EditorCursor cursor);

  TemplateEditing& editing_;
  EffectsHandler handler_;
  // The template composed at (0, 0) on grey, with its border and handles.
  Surface canvas_;
  bool canvasStale_ = true;
};

}  // namespace imbrino
