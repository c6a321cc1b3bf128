#pragma once
// Prompter: every question the editor asks a person — message boxes, file dialogs, name
// prompts, the colour chooser. The editor's code talks only to this interface, so that tests
// answer the dialogs by script (ScriptedPrompter) and the real program shows Qt dialogs
// (QtPrompter) with the exact titles, texts and buttons.

#include <cstdint>
#include <optional>
#include <string>

namespace orvane::editor {

enum class MessageButtons { kOk, kYesNo };
enum class MessageIcon { kNone, kInformation, kQuestion, kWarning, kExclamation, kError };
enum class Answer { kOk, kYes, kNo };

struct Rgb8 {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A modal message box. kOk boxes answer kOk.
  virtual Answer Message(const std::string& title, const std::string& text,
                         MessageButtons buttons = MessageButtons::kOk,
                         MessageIcon icon = MessageIcon::kNone) = 0;

  // Modal file dialogs. `filter` is written as the program's tables write it:
  // "Text (*.txt)|*.txt|All Files (*.*)|*.*||" (see file_filter.h). The answer is the chosen
  // full path, or nothing when the dialog was cancelled. Open asks for an existing file; Save
  // asks before it overwrites one.
  virtual std::optional<std::string> OpenFile(const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(const std::string& filter) = 0;

  // "Please type a name", prefilled with `proposal`; nothing on Cancel.
  virtual std::optional<std::string> AskName(const std::string& proposal) = 0;

  // The colour chooser, opened on `current`; nothing on Cancel.
  virtual std::optional<Rgb8> ChooseColor(const Rgb8& current) = 0;
};

// The title and text of the name dialog.
inline constexpr const char* kNameDialogTitle = "Please type a name";

}  // namespace orvane::editor
