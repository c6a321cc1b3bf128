#pragma once
// QtPrompter: the Prompter of the real program, on Qt's dialogs.

#include <QPointer>
#include <QWidget>

#include "editor/prompter.h"

namespace orvane::editor {

class QtPrompter : public Prompter {
 public:
  // Dialogs open over `parent` (may be null until the main window exists).
  explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  Answer Message(const std::string& title, const std::string& text, MessageButtons buttons,
                 MessageIcon icon) override;
  std::optional<std::string> OpenFile(const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& filter) override;
  std::optional<std::string> AskName(const std::string& proposal) override;
  std::optional<Rgb8> ChooseColor(const Rgb8& current) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace orvane::editor
