#pragma once
// EditorFixture: the editor's main window in a temporary folder of its own (the settings files go
// there), its dialogs answered by a ScriptedPrompter; Start in init(), Stop in cleanup().

#include <QTest>
#include <QtWidgets>

#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>

#include "editor/document.h"
#include "editor/main_window.h"
#include "editor/object_browser.h"
#include "editor/scripted_prompter.h"
#include "script/scene_writer.h"

using namespace orvane;
using namespace orvane::editor;

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
  // A new window in the same folder.
  void Show(QSize size = QSize()) {
    window_.reset();
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
