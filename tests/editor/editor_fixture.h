#pragma once
// EditorFixture: the editor's main window for a GUI test, started in a temporary folder of
// its own (the settings files go there), with its dialogs answered by a ScriptedPrompter.
// Test classes derive from it beside QObject and call Start in init() and Stop in cleanup().

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "editor/document.h"
#include "editor/main_window.h"
#include "editor/scripted_prompter.h"
#include "script/scene_writer.h"

class EditorFixture {
 protected:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<orvane::editor::ScriptedPrompter> prompter_;
  std::unique_ptr<orvane::editor::MainWindow> window_;

  // Shows a new main window (of `size` when it is given) and waits until it is on the screen.
  void Start(QSize size = QSize()) {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QDir::setCurrent(dir_->path());
    prompter_ = std::make_unique<orvane::editor::ScriptedPrompter>();
    window_ = std::make_unique<orvane::editor::MainWindow>(*prompter_);
    if (size.isValid()) window_->resize(size);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  // Closes the window; every answer the test gave must have been asked for.
  void Stop() {
    window_.reset();
    QCOMPARE(prompter_->unanswered, std::vector<std::string>());
  }
  // Writes `text` as a scene file and opens it.
  void OpenText(const std::string& text) {
    const QString path = dir_->filePath("scene.ovs");
    std::ofstream(path.toStdString()) << text;
    QVERIFY(Doc().OpenPath(path.toStdString()));
  }

  orvane::editor::Document& Doc() { return window_->document(); }
  // The scene as the scene writer puts it: what undo must give back byte for byte.
  std::string SceneText() {
    std::ostringstream out;
    orvane::WriteScene(Doc().scene(), out);
    return out.str();
  }
  // The last step changed the scene: undo gives back `before` exactly, redo what it made.
  void CheckUndo(const std::string& before) {
    const std::string after = SceneText();
    QVERIFY(after != before);
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
    Doc().undoStack().redo();
    QCOMPARE(SceneText(), after);
  }
  // The top-level object named `name`, or null.
  orvane::SceneObject* Find(const char* name) {
    for (orvane::ListNode* n = Doc().scene().objects->head; n; n = n->next) {
      auto* item = static_cast<orvane::SceneObject*>(n->item);
      if (item->name == name) return item;
    }
    return nullptr;
  }
};

inline bool Near(double a, double b, double eps = 1e-4) {
  return std::fabs(a - b) <= eps;
}

inline bool Near(const orvane::Vec3& a, const orvane::Vec3& b) {
  return Near(a.x, b.x) && Near(a.y, b.y) && Near(a.z, b.z);
}
