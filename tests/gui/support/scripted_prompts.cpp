#include "gui/support/scripted_prompts.h"

#include <QCoreApplication>
#include <QThread>

// GCC 12 warns that a moved std::optional<QString> "may be used
// uninitialized" when it is returned; it is engaged on that path.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace imbrino {

namespace {

// The next scripted answer, or `none` when the script has run out.
template <class T>
T takeFront(std::deque<T>& script, T none) {
  if (script.empty()) return none;
  T answer = std::move(script.front());
  script.pop_front();
  return answer;
}

}  // namespace

QStringList ScriptedPrompts::messageTexts() const {
  QStringList texts;
  for (const AskedMessage& m : messages) texts << m.text;
  return texts;
}

MessageAnswer ScriptedPrompts::message(QWidget* owner, const QString& caption, const QString& text,
                                       MessageIcon icon, MessageButtons buttons) {
  messages.push_back({caption, text, icon, buttons, owner != nullptr,
                      QThread::currentThread() == QCoreApplication::instance()->thread()});
  if (!messageAnswers.empty()) return takeFront(messageAnswers, MessageAnswer::Ok);
  switch (buttons) {
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo:
      return MessageAnswer::No;
    case MessageButtons::YesNoCancel:
    case MessageButtons::OkCancel:
    case MessageButtons::RetryCancel:
      return MessageAnswer::Cancel;
    case MessageButtons::Ok:
      break;
  }
  return MessageAnswer::Ok;
}

std::optional<QString> ScriptedPrompts::openFileName(QWidget*, const QString&,
                                                     const std::vector<FileFilter>& filters) {
  fileDialogFilters.push_back(filters);
  return takeFront(fileAnswers, std::optional<QString>());
}

QStringList ScriptedPrompts::openFileNames(QWidget*, const QString&,
                                           const std::vector<FileFilter>& filters) {
  fileDialogFilters.push_back(filters);
  return takeFront(multiFileAnswers, QStringList());
}

std::optional<QString> ScriptedPrompts::saveFileName(QWidget* owner, const QString& title,
                                                     const std::vector<FileFilter>& filters, bool) {
  return openFileName(owner, title, filters);
}

std::optional<QString> ScriptedPrompts::folderName(QWidget*, const QString&) {
  return takeFront(folderAnswers, std::optional<QString>());
}

std::optional<ColorRef> ScriptedPrompts::chooseColour(QWidget*, ColorRef) {
  ++colourDialogs;
  return takeFront(colourAnswers, std::optional<ColorRef>());
}

ColorRef ScriptedPrompts::pickColour() {
  ++picks;
  return takeFront(pickedColours, ColorRef{0});
}

bool ScriptedPrompts::openUrl(const QString& address) {
  openedUrls << address;
  return openUrlSucceeds;
}

}  // namespace imbrino
