#pragma once
// What the editor's floating windows (the property panels and the tool
// window) have in common: a small window over the editor that opens where the
// user last left it, or at a place of its own by the editor's canvas.
//
// A position is the frame's top-left corner, both when it is stored and when
// it is used, so a window comes back exactly where it stood. Only a window
// that was shown stores its position ([section] X and Y) when it goes: one
// never shown would store the place it was given before the editor stood on
// the screen.

#include <QDialog>
#include <QPoint>
#include <QSize>
#include <string>

#include "settings/settings_file.h"

namespace imbrino {

class FloatingWindow : public QDialog {
  Q_OBJECT

 public:
  ~FloatingWindow() override;

  void setVisible(bool visible) override;

  // Whether the window was ever shown (and so stores its position).
  bool wasShown() const { return shown_; }

 protected:
  FloatingWindow(const SettingsFile& settings, QWidget* editor, std::string section);

  bool event(QEvent* event) override;

  // Where the frame's top-left corner goes for a frame of size `frame`, by
  // the stored position (storedX(), storedY()) and the editor as it stands.
  virtual QPoint placement(QSize frame) const = 0;
  // Places the window by placement(). The window places itself again just
  // before it is first shown, when the editor stands where it will stay.
  void place();

  std::optional<int> storedX() const { return settings_.readNumber(section_, "X"); }
  std::optional<int> storedY() const { return settings_.readNumber(section_, "Y"); }

 private:
  const SettingsFile& settings_;
  std::string section_;
  bool shown_ = false;
  // Between the first show and the frame's appearance: a default place that
  // depends on the frame's size is put right once the frame is known.
  bool awaitingFrame_ = false;
  QPoint placedAt_;
};

}  // namespace imbrino
