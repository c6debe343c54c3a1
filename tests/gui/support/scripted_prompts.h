#pragma once
// Answers the program's questions from a script and records what was asked,
// so window tests run without a person and check the exact texts shown.

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "shared/prompts.h"

namespace imbrino {

struct AskedMessage {
  QString caption;
  QString text;
  MessageIcon icon;
  MessageButtons buttons;
  bool hadOwner;
  // Asked on the application's thread, where every window lives.
  bool onUiThread = true;
};

class ScriptedPrompts final : public Prompts {
 public:
  // Scripted answers, used first-in first-out. A message with no scripted
  // answer gets Ok (or No for yes/no boxes, Cancel for yes/no/cancel); a file
  // dialog with none is cancelled.
  std::deque<MessageAnswer> messageAnswers;
  std::deque<std::optional<QString>> fileAnswers;
  std::deque<QStringList> multiFileAnswers;
  std::deque<std::optional<QString>> folderAnswers;
  std::deque<std::optional<ColorRef>> colourAnswers;
  std::deque<ColorRef> pickedColours;
  bool openUrlSucceeds = true;

  // What happened, in order.
  std::vector<AskedMessage> messages;
  std::vector<std::vector<FileFilter>> fileDialogFilters;
  QStringList openedUrls;
  int colourDialogs = 0;
  int picks = 0;

  QStringList messageTexts() const;

  MessageAnswer message(QWidget* owner, const QString& caption, const QString& text,
                        MessageIcon icon, MessageButtons buttons) override;
  std::optional<QString> openFileName(QWidget* owner, const QString& title,
                                      const std::vector<FileFilter>& filters) override;
  QStringList openFileNames(QWidget* owner, const QString& title,
                            const std::vector<FileFilter>& filters) override;
  std::optional<QString> saveFileName(QWidget* owner, const QString& title,
                                      const std::vector<FileFilter>& filters,
                                      bool confirmOverwrite) override;
  std::optional<QString> folderName(QWidget* owner, const QString& title) override;
  std::optional<ColorRef> chooseColour(QWidget* owner, ColorRef initial) override;
  ColorRef pickColour() override;
  bool openUrl(const QString& address) override;
};

}  // namespace imbrino
