#include "editing/edit_history.h"

#include <algorithm>
#include <unordered_set>

namespace imbrino {

TemplateSnapshot snapshotOf(const Template& document) {
  TemplateSnapshot snapshot;
  snapshot.background = document.background;
  snapshot.texts = document.textObjects;
  snapshot.pictures.reserve(document.pictureObjects.size());
  for (const auto& picture : document.pictureObjects)
    snapshot.pictures.push_back({static_cast<const PictureRecord&>(*picture), picture});
  return snapshot;
}

void restoreSnapshot(Template& document, const TemplateSnapshot& snapshot) {
  document.background = snapshot.background;
  document.textObjects = snapshot.texts;
  document.pictureObjects.clear();
  document.pictureObjects.reserve(snapshot.pictures.size());
  for (const TemplateSnapshot::Picture& picture : snapshot.pictures) {
    static_cast<PictureRecord&>(*picture.object) = picture.record;
    document.pictureObjects.push_back(picture.object);
  }
}

bool sameContent(const TemplateSnapshot& a, const TemplateSnapshot& b) {
  // The counts are the writer's, set whenever the template is written.
  TemplateBackground background = a.background;
  background.textCount = b.background.textCount;
  background.pictureCount = b.background.pictureCount;
  if (!(background == b.background) || a.texts.size() != b.texts.size() ||
      a.pictures.size() != b.pictures.size())
    return false;
  for (std::size_t i = 0; i < a.texts.size(); ++i) {
    TextObject text = a.texts[i];
    text.selected = b.texts[i].selected;
    if (!(text == b.texts[i])) return false;
  }
  for (std::size_t i = 0; i < a.pictures.size(); ++i) {
    if (a.pictures[i].object != b.pictures[i].object) return false;
    PictureRecord record = a.pictures[i].record;
    record.selected = b.pictures[i].record.selected;
    if (!(record == b.pictures[i].record)) return false;
  }
  return true;
}

namespace {

void takeSelection(TemplateSnapshot& into, const TemplateSnapshot& from) {
  for (std::size_t i = 0; i < into.texts.size(); ++i)
    into.texts[i].selected = from.texts[i].selected;
  for (std::size_t i = 0; i < into.pictures.size(); ++i)
    into.pictures[i].record.selected = from.pictures[i].record.selected;
}

std::uint64_t recordBytes(const TemplateSnapshot& state) {
  return sizeof(TemplateSnapshot) + state.texts.size() * sizeof(TextObject) +
         state.pictures.size() * sizeof(TemplateSnapshot::Picture);
}

std::uint64_t pictureBytes(const PictureObject& picture) {
  return picture.data.size() + std::uint64_t{static_cast<std::uint32_t>(picture.picture.width())} *
                                   static_cast<std::uint32_t>(picture.picture.height()) *
                                   sizeof(Pixel);
}

}  // namespace

EditHistory::EditHistory(Limits limits) : limits_(limits) {
  limits_.steps = std::max<std::size_t>(limits_.steps, 1);
}

void EditHistory::reset(const Template& document) {
  states_.clear();
  states_.push_back(snapshotOf(document));
  position_ = 0;
  saved_ = 0;
  lastKey_ = {};
}

bool EditHistory::record(const Template& document, MergeKey key) {
  if (states_.empty()) reset(document);
  TemplateSnapshot now = snapshotOf(document);
  TemplateSnapshot& current = states_[position_];
  if (sameContent(current, now)) {
    takeSelection(current, now);
    return false;
  }
  const bool joins = key.source != 0 && key == lastKey_ && position_ > 0 &&
                     position_ + 1 == states_.size() &&
                     saved_ != static_cast<std::ptrdiff_t>(position_);
  lastKey_ = key;
  if (joins) {
    current = std::move(now);
    return true;
  }
  states_.resize(position_ + 1);
  if (saved_ > static_cast<std::ptrdiff_t>(position_)) saved_ = -1;  // that state is gone
  states_.push_back(std::move(now));
  ++position_;
  trim();
  return true;
}

bool EditHistory::undo(Template& document) {
  if (!canUndo()) return false;
  --position_;
  restoreSnapshot(document, states_[position_]);
  lastKey_ = {};
  return true;
}

bool EditHistory::redo(Template& document) {
  if (!canRedo()) return false;
  ++position_;
  restoreSnapshot(document, states_[position_]);
  lastKey_ = {};
  return true;
}

void EditHistory::markSaved() {
  saved_ = static_cast<std::ptrdiff_t>(position_);
  // A change after a save is a step of its own: joined to the one before, the
  // saved state would be lost from the line.
  lastKey_ = {};
}

std::uint64_t EditHistory::footprint() const {
  std::uint64_t bytes = 0;
  for (const TemplateSnapshot& state : states_) bytes += recordBytes(state);
  // Pictures the template holds cost nothing more for being in the history;
  // those only the history holds are counted once each.
  std::unordered_set<const PictureObject*> counted;
  for (const TemplateSnapshot::Picture& picture : states_[position_].pictures)
    counted.insert(picture.object.get());
  for (const TemplateSnapshot& state : states_)
    for (const TemplateSnapshot::Picture& picture : state.pictures)
      if (counted.insert(picture.object.get()).second) bytes += pictureBytes(*picture.object);
  return bytes;
}

void EditHistory::trim() {
  // The current state and the step that led to it always stay.
  auto dropOldest = [this] {
    states_.erase(states_.begin());
    --position_;
    saved_ = saved_ > 0 ? saved_ - 1 : -1;
  };
  while (states_.size() > limits_.steps + 1 && position_ > 1) dropOldest();
  while (position_ > 1 && footprint() > limits_.bytes) dropOldest();
}

}  // namespace imbrino
