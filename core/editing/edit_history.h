#pragma once
// The editor's undo and redo: a line of states of the template, one per step
// the user took, and where in that line the template stands.
//
// A state holds the records by value and shares each picture with the
// template (its file bytes and decoded pixels are never copied): a step costs
// the size of the records, and a deleted picture lives on only while a state
// still holds it. The line is bounded in steps and in bytes; the oldest steps
// go first.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "template/template_document.h"

namespace imbrino {

// One state of a template as the history keeps it.
struct TemplateSnapshot {
  struct Picture {
    PictureRecord record;
    std::shared_ptr<PictureObject> object;
  };
  TemplateBackground background;
  std::vector<TextObject> texts;
  std::vector<Picture> pictures;
};

TemplateSnapshot snapshotOf(const Template& document);
// Puts the snapshot's objects, with its records and selection, back into the
// template.
void restoreSnapshot(Template& document, const TemplateSnapshot& snapshot);
// Equal but for the selection flags, which are not a change the user can undo.
bool sameContent(const TemplateSnapshot& a, const TemplateSnapshot& b);

// Changes that come one after the other with the same key make one step: the
// keystrokes typed into one field, the places a track bar passes through, an
// arrow key held down. A key with `source` 0 never joins.
struct MergeKey {
  int source = 0;   // where the change came from (a panel's field, the arrow keys)
  int object = -1;  // which object it changed (its index), or -1
  friend bool operator==(const MergeKey&, const MergeKey&) = default;
};

class EditHistory {
 public:
  struct Limits {
    std::size_t steps = 200;
    // The records of every state plus the pictures only the history still
    // holds (deleted ones).
    std::uint64_t bytes = std::uint64_t{512} << 20;
  };

  EditHistory() : EditHistory(Limits{}) {}
  explicit EditHistory(Limits limits);

  // A new line with the template as its only state, which is the state the
  // file holds (New, Open).
  void reset(const Template& document);

  // Called after anything that may have changed the template. A change of
  // content becomes a new step (and ends the way to redo), joined to the step
  // before when both carry the same key and nothing came between. A change of
  // the selection alone is only remembered in the current state, so an undo
  // brings back the selection the step started from. True when the content
  // had changed.
  bool record(const Template& document, MergeKey key = {});
  // The next change starts a step of its own, whatever its key.
  void breakMerge() { lastKey_ = {}; }

  bool canUndo() const { return position_ > 0; }
  bool canRedo() const { return position_ + 1 < states_.size(); }
  // Each puts the template into the state before (after) the current one;
  // false when there is none.
  bool undo(Template& document);
  bool redo(Template& document);

  // The current state is what the file holds now (saved, or just opened).
  void markSaved();
  // The template stands where the file does.
  bool atSavedState() const { return saved_ == static_cast<std::ptrdiff_t>(position_); }

  std::size_t stepCount() const { return states_.empty() ? 0 : states_.size() - 1; }

 private:
  void trim();
  std::uint64_t footprint() const;

  Limits limits_;
  std::vector<TemplateSnapshot> states_;
  std::size_t position_ = 0;
  // The state the file holds, or -1 when no state in the line is it.
  std::ptrdiff_t saved_ = 0;
  MergeKey lastKey_;
};

}  // namespace imbrino
