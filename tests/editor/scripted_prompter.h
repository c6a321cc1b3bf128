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
  std::vector<std::string> unanswered;  // "kind title text" of each
  Answer Message(const std::string& title, const std::string& text, MessageButtons buttons,
                 MessageIcon) override {
    if (buttons != MessageButtons::kOk) return Ask("message", title, text, answers, Answer::kNo);
    Ask("message", title, text);
    return Answer::kOk;
  }
  std::optional<std::string> OpenFile(const std::string& filter) override {
    return Ask("open", filter, "", files);
  }
  std::optional<std::string> SaveFile(const std::string& filter) override {
    return Ask("save", filter, "", files);
  }
  std::optional<std::string> AskName(const std::string& proposal) override {
    return Ask("name", proposal, "", names);
  }
  std::optional<Rgb8> ChooseColor(const Rgb8&) override { return Ask("color", "", "", colors); }
  // As "title: text".
  std::vector<std::string> Messages() const {
    std::vector<std::string> shown;
    for (const Asked& a : asked)
      if (a.kind == "message") shown.push_back(a.title + ": " + a.text);
    return shown;
  }

 private:
  void Ask(const char* kind, const std::string& title, const std::string& text) {
    asked.push_back({kind, title, text});
  }
  template <class T>
  T Ask(const char* kind, const std::string& title, const std::string& text, std::deque<T>& queue,
        T fallback = T()) {
    Ask(kind, title, text);
    if (queue.empty()) {
      unanswered.push_back(std::string(kind) + " " + title + " " + text);
      return fallback;
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

}  // namespace orvane::editor
