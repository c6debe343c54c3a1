#pragma once
// The real dialogs: Qt message boxes, file and colour dialogs, the screen
// colour picker and the desktop's handler for pages and documents.

#include "shared/prompts.h"

namespace imbrino {

class QtPrompts final : public Prompts {
 public:
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
