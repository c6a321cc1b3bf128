#pragma once
// ScriptedPrompter: answers the editor's dialogs from queues that a test fills beforehand, and
// records every question asked. A question without a queued answer is noted in `unanswered` (which
// the tests check to be empty) and is answered as if cancelled (No for Yes/No boxes).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "editor/prompter.h"

namespace orvane::editor {

class ScriptedPrompter : public Prompter {
 public:
  struct Asked {
    std::string kind;   // "message", "open", "save", "name", "color"
    std::string title;  // message title, or the filter of a file dialog, or the proposal
    std::string text;   // message text
  };
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> files, names;  // files for OpenFile and SaveFile
  std::deque<std::optional<Rgb8>> colors;
  std::vector<Asked> asked;
  std::vector<std::string> unanswered;
  Answer Message(const std::string& title, const std::string& text, MessageButtons buttons,
                 MessageIcon) override {
    asked.push_back({"message", title, text});
    return buttons == MessageButtons::kOk ? Answer::kOk
                                          : Pop(answers, "an answer to " + text, Answer::kNo);
  }
  std::optional<std::string> OpenFile(const std::string& filter) override {
    asked.push_back({"open", filter, ""});
    return Pop(files, "a file to open");
  }
  std::optional<std::string> SaveFile(const std::string& filter) override {
    asked.push_back({"save", filter, ""});
    return Pop(files, "a file to save");
  }
  std::optional<std::string> AskName(const std::string& proposal) override {
    asked.push_back({"name", proposal, ""});
    return Pop(names, "a name");
  }
  std::optional<Rgb8> ChooseColor(const Rgb8&) override {
    asked.push_back({"color", "", ""});
    return Pop(colors, "a colour");
  }
  // The messages shown, as "title: text", in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> shown;
    for (const Asked& a : asked)
      if (a.kind == "message") shown.push_back(a.title + ": " + a.text);
    return shown;
  }

 private:
  template <class T>
  T Pop(std::deque<T>& queue, const std::string& what, T fallback = T()) {
    if (queue.empty()) {
      unanswered.push_back(what);
      return fallback;
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

}  // namespace orvane::editor
