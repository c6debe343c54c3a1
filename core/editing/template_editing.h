#pragma once
// The template editor's logic, without a window: what a point on the canvas
// hits, what each mouse event does to the selection, the drag and the
// template, and the editing commands on the model. The editor window turns
// its events into these calls and carries out the returned effects (hide or
// show a panel, set a cursor, redraw, set up the scroll bars).
//
// Points: mouse points arrive in client coordinates; `scroll` is how far the
// canvas is scrolled (x, y), so canvas point = client point + scroll. Object
// positions and the background are in canvas coordinates.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editing/edit_history.h"
#include "graphics/rect.h"
#include "platform/expected.h"
#include "settings/settings_file.h"
#include "template/template_document.h"
#include "template/template_file.h"

namespace imbrino {

enum class DragMode : int {
  None = 0,
  RubberBand = 1,
  Move = 2,
  ResizePicture = 3,
  ResizeBackground = 4
};

// The cursor shapes the editor shows over handles and grips.
enum class EditorCursor { Arrow, SizeWestEast, SizeNorthSouth, SizeNwSe, SizeNeSw };

// One object of a template: a text object or a picture object, by its index
// in its list.
struct ObjectRef {
  enum class Kind { Text, Picture };
  Kind kind = Kind::Text;
  int index = 0;
  friend bool operator==(const ObjectRef&, const ObjectRef&) = default;
};

// A text object's box: its position and measured extent; a picture's: its
// position and display size.
Rect objectBox(const TextObject& text);
Rect objectBox(const PictureObject& picture);

// Inclusive on all four sides: x <= px <= x + w, y <= py <= y + h.
bool boxContains(Rect box, Point p);

// The topmost object whose box holds the canvas point: levels from the top
// down, at each level text objects before pictures, each in list order.
std::optional<ObjectRef> hitObjectAt(const Template& document, Point canvas);

// The resize handle (1..8, clockwise from top-left as the table of handles
// numbers them: 1 top-left, 2 top, 3 top-right, 4 left, 5 right, 6
// bottom-left, 7 bottom, 8 bottom-right) of `picture` under the canvas point,
// or -1.
int hitPictureHandle(const PictureObject& picture, Point canvas);

// The background grip under the canvas point: 5 right edge, 7 bottom edge,
// 8 corner, or -1. The right edge is tested first, then the bottom edge.
int hitBackgroundGrip(const TemplateBackground& background, Point canvas);

// The cursor of a picture handle (1..8) or background grip (5, 7, 8).
EditorCursor handleCursor(int handle);

// A picture's box after its handle was dragged by (dx, dy): the dragged edges
// move with the mouse, so the edge keeps the place of the grip on it, and
// never cross the opposite edges (at worst one pixel is left, at the opposite
// edge). The outline while dragging and the size dropped are both this box.
Rect resizedPictureBox(const PictureObject& picture, int handle, std::int64_t dx, std::int64_t dy);

// The largest background a drag may make; the background panel keeps the
// same ranges.
inline constexpr int kMaxBackgroundWidth = 4000;
inline constexpr int kMaxBackgroundHeight = 3000;

// The background's rectangle (at 0, 0) after its grip (5 right, 7 bottom, 8
// corner) was dragged by (dx, dy); a side the grip moves stays within the
// ranges above.
Rect resizedBackground(const TemplateBackground& background, int grip, std::int64_t dx,
                       std::int64_t dy);

// The part of the background (at 0, 0) the editor's canvas shows: all of it
// within 1..4000 x 1..3000, the top-left 4000 x 3000 of a larger one, and
// nothing of one with no width or height (only a damaged file has those).
Rect shownBackground(const TemplateBackground& background);

// Gives the objects the levels 1..n in the order they are drawn (level by
// level; on a level the texts, then the pictures, each in list order), when
// they do not hold exactly those levels already: a file with shared levels,
// gaps or levels below 1. False when the levels were right.
bool closeUpLevels(Template& document);

// Why a picture cannot be inserted: it could not be read, or the template
// would cross a limit of the reader (`limit`, with the size it would have).
struct PictureInsertion {
  Status status;
  TemplateLimit limit = TemplateLimit::None;
  TemplateSize sizeWithPicture;
};

// What the window must do after an event. `redraw` repaints the canvas (and
// with it the main window's picture).
struct EditorEffects {
  enum class Panel { None, Background, Text, Picture };
  bool hidePanels = false;
  // A panel to show after binding it: the text or picture panel to `bound`.
  Panel showPanel = Panel::None;
  std::optional<ObjectRef> bound;
  std::optional<EditorCursor> cursor;
  bool updateScrollBars = false;  // the background size changed
  bool redraw = false;
};

// What is drawn over the canvas while a drag lasts, in canvas coordinates
// (the background lines in client coordinates, as they are drawn after the
// canvas has been copied into the window).
struct DragOverlay {
  std::optional<Rect> rubberBand;  // dotted
  std::vector<Rect> moveOutlines;  // texts first, then pictures
  std::optional<Rect> resizeOutline;
  std::optional<EditorCursor> cursor;
  // ResizeBackground: the polyline (two segments) the window draws in client
  // coordinates.
  std::vector<Point> backgroundLines;
};

class TemplateEditing {
 public:
  // The template as it is now counts as the file's.
  explicit TemplateEditing(Template& document) : document_(document) { history_.reset(document_); }

  Template& document() { return document_; }
  const Template& document() const { return document_; }

  DragMode dragMode() const { return dragMode_; }
  int dragHandle() const { return dragHandle_; }
  Point dragStart() const { return dragStart_; }
  Point dragCurrent() const { return dragCurrent_; }
  // Changes not yet saved: the template stands elsewhere than the file in
  // the history, or something that counts as a change without changing the
  // content (a click, a band, a nudge of nothing) happened since.
  bool modified() const { return touched_ || !history_.atSavedState(); }
  // True marks the template modified; false says the file now holds it.
  void setModified(bool modified);

  // After a template was made or read: the history starts again from it.
  // `modified` stays as it was (the save question may have left it set).
  void startHistory();
  // After a change made outside these calls (a property panel): a step of
  // the history, joined to the one before when `key` says so; counts as a
  // change even when nothing changed.
  void changed(MergeKey key = {});
  // The next change starts a step of its own.
  void breakMerge() { history_.breakMerge(); }

  bool canUndo() const { return history_.canUndo(); }
  bool canRedo() const { return history_.canRedo(); }
  // Each ends any drag; false when there was nothing to undo (redo).
  bool undo();
  bool redo();

  // The mouse. `control` is the control key; `anyKeyState` is true when any
  // mouse button or modifier key is down during a move.
  EditorEffects leftButtonDown(Point client, Point scroll, bool control);
  EditorEffects mouseMove(Point client, Point scroll, bool anyKeyState);
  EditorEffects leftButtonUp(Point client, Point scroll);
  EditorEffects rightButtonDown();
  EditorEffects doubleClick(Point client, Point scroll);

  // The drag in progress as it is to be drawn. `scroll` as for the mouse.
  DragOverlay overlay(Point scroll) const;

  // An arrow key: every selected object (texts, then pictures) moves by
  // (dx, dy), unbounded; marks the template modified even with nothing
  // selected. A key held down (`repeated`) adds to the step its first press
  // made; each press of its own is a step.
  void moveSelection(int dx, int dy, bool repeated = false);

  // Commands. Each leaves `modified` as the command says.
  // New: an empty template with the background of [EditTemplate] (the last
  // template saved or discarded), or the default one.
  void newTemplate(const SettingsFile& settings);
  void insertText();
  // Embeds the picture, centred, selected alone. Refused, and the template
  // unchanged, when it cannot be read or when the template with it would
  // cross a limit of the reader.
  PictureInsertion insertPicture(const std::string& path);

  // The answer to the delete question for one object: 0 yes, 1 yes to all,
  // 2 no, 3 no to all.
  using DeleteQuestion = std::function<int(const Template&, ObjectRef)>;
  // Visits the selected texts, then the selected pictures, in list order,
  // asking `ask` for each until yes-to-all; `deleted` is called after each
  // removal (the window redraws). The objects deleted by one command are one
  // step. No-to-all stops at once; it leaves `modified` as it was unless
  // something was deleted before it. Otherwise the command ends modified.
  void deleteSelected(const DeleteQuestion& ask, const std::function<void()>& deleted = {});

  void selectAll();
  void invertSelection();
  // One level up (down) for every selected object; a file whose levels are
  // not 1..n has them closed up first, so no object lands on a level another
  // is already drawn on. Marks the template modified when a level changed.
  void bringForward();
  void sendBackward();

 private:
  // A step of the history for a change the spec'd rules count as one, even
  // when the content did not change.
  void changedAndTouched(MergeKey key = {});
  // The button-down and double-click rules; the callers record the selection.
  EditorEffects press(Point client, Point scroll, bool control);
  EditorEffects bindAt(Point client, Point scroll);
  void restack(void (*move)(Template&));

  Template& document_;
  DragMode dragMode_ = DragMode::None;
  int dragHandle_ = 0;
  Point dragStart_;
  Point dragCurrent_;
  EditHistory history_;
  bool touched_ = false;
};

// [EditTemplate] TemplateWidth, TemplateHeight, TemplateColor,
// TemplateTransparent, TemplateAlphaBlend from the background: what New
// starts from. False when the settings could not be written.
bool saveNewTemplateDefaults(const TemplateBackground& background, const SettingsFile& settings);

}  // namespace imbrino
