#pragma once
// EditorFixture: the editor's main window in a temporary folder of its own (the settings files go
// there), its dialogs answered by a ScriptedPrompter; Start in init(), Stop in cleanup().

#include <QTest>
#include <QtWidgets>

#include <cmath>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "editor/document.h"
#include "editor/main_window.h"
#include "editor/object_browser.h"
#include "editor/prompter.h"
#include "script/scene_writer.h"

using namespace orvane;
using namespace orvane::editor;

// ScriptedPrompter: answers the editor's dialogs from queues that a test fills beforehand, and
// records every question asked. A question without a queued answer is noted in `unanswered` (which
// the tests check to be empty) and is answered as if cancelled (No for Yes/No boxes).
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
    asked.push_back({"message", title, text});
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
  template <class T>
  T Ask(const char* kind, const std::string& title, const std::string& text, std::deque<T>& queue,
        T fallback = T()) {
    asked.push_back({kind, title, text});
    if (queue.empty()) {
      unanswered.push_back(std::string(kind) + " " + title + " " + text);
      return fallback;
    }
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};

inline void WriteFile(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString(), std::ios::binary) << text;
}

inline std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Data rows from a table of tuples, each named by its first element; Row(cases) is the current one.
template <class Case, std::size_t N>
void AddRows(const Case (&cases)[N]) {
  QTest::addColumn<int>("row");
  for (std::size_t i = 0; i < N; ++i) QTest::newRow(std::get<0>(cases[i])) << int(i);
}
template <class Case, std::size_t N>
const Case& Row(const Case (&cases)[N]) {
  QFETCH(int, row);
  return cases[row];
}

class EditorFixture {
 protected:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<ScriptedPrompter> prompter_;
  std::unique_ptr<MainWindow> window_;

  void Start(QSize size = QSize()) {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QDir::setCurrent(dir_->path());
    Show(size);
  }
  // A new window in the same folder; the old one's questions must all have been answered.
  void Show(QSize size = QSize()) {
    window_.reset();
    if (prompter_) QCOMPARE(prompter_->unanswered, std::vector<std::string>());
    prompter_ = std::make_unique<ScriptedPrompter>();
    window_ = std::make_unique<MainWindow>(*prompter_);
    if (size.isValid()) window_->resize(size);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  // Every answer the test gave must have been asked for.
  void Stop() {
    window_.reset();
    QCOMPARE(prompter_->unanswered, std::vector<std::string>());
  }
  QString Path(const char* name) const { return dir_->filePath(name); }
  void OpenText(const std::string& text, const char* name = "scene.ovs") {
    WriteFile(Path(name), text);
    QVERIFY(Doc().OpenPath(Path(name).toStdString()));
  }
  std::string LastMessage() const {
    const std::vector<std::string> shown = prompter_->Messages();
    return shown.empty() ? std::string() : shown.back();
  }
  void Pick(const ListItem* item) { PickEntry(window_->objectBrowser().EntryOf(item)); }
  void PickEntry(QTreeWidgetItem* entry) {
    QTreeWidget* tree = window_->objectBrowser().tree();
    QVERIFY(entry);
    tree->scrollToItem(entry);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(entry).center());
  }
  Document& Doc() { return window_->document(); }
  // The scene as the scene writer puts it: what undo must give back byte for byte.
  std::string SceneText() {
    std::ostringstream out;
    WriteScene(Doc().scene(), out);
    return out.str();
  }
  // The last step changed the scene: undo gives `before` back exactly, redo what it made.
  void CheckUndo(const std::string& before) {
    const std::string after = SceneText();
    QVERIFY(after != before);
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
    Doc().undoStack().redo();
    QCOMPARE(SceneText(), after);
  }
  void NewGroup(const char* name = "g") {
    prompter_->names = {std::string(name)};
    QVERIFY(Doc().NewGroup());
  }
  void UndoTo(const std::string& before, int steps = 1) {
    for (int i = 0; i < steps; ++i) Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
  }
  SceneObject* Find(const char* name) {
    for (ListNode* n = Doc().scene().objects->head; n; n = n->next) {
      auto* item = static_cast<SceneObject*>(n->item);
      if (item->name == name) return item;
    }
    return nullptr;
  }
  static bool Near(double a, double b, double eps = 1e-4) { return std::fabs(a - b) <= eps; }
  static bool Near(const Vec3& a, const Vec3& b) {
    return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
  }
};
