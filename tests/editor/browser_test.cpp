// The object browser through its tree and panel: renames by the name rules of each kind, the flag
// boxes, drops into and out of groups, the info line, the menu items that follow the selection, and
// the clipboard in Points mode. Every change is undone byte for byte.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editor/editor_fixture.h"
#include "scene/mesh_object.h"

namespace {

const std::string kScene = DataText("browser.ovs");

// An edited entry text renames its item when the name is free among its kind; a taken name is
// refused with its message and the old text comes back.
struct RenameCase {
  const char* name;
  const char* entry;
  const char* renamed;
  const char* message;  // empty: accepted
};
const RenameCase kRenames[] = {
    {"free", "ball", "globe", ""},
    {"object taken", "ball", "plate", kObjectNameTaken},
    {"light as a mesh", "lamp", "plate", ""},
    {"material taken", "red", "blue", kMaterialNameTaken},
    {"material free", "red", "crimson", ""},
};

// Drops: objects into groups and out to the top level; a group onto its own member is refused; each
// drop is one undo step.
struct DropCase {
  const char* name;
  const char* dragged;
  const char* target;
  const char* parent;  // where `dragged` hangs afterwards
  bool refused;
};
const DropCase kDrops[] = {
    {"into a group", "ball", "box", "box", false},
    {"out to the top", "inner", "objects", "objects", false},
    {"onto a plain object", "inner", "plate", "objects", false},
    {"group into its member", "box", "inner", "objects", true},
};

}  // namespace

class BrowserTest : public QObject, public EditorFixture {
  Q_OBJECT

 private:
  ObjectBrowser& Browser() { return window_->objectBrowser(); }
  // The browser's entry named `name` (the first one, in tree order).
  QTreeWidgetItem* Entry(const QString& name) {
    const auto found = Browser().tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  void Pick(const QString& name) { PickEntry(Entry(name)); }
  // Where the entry `name` hangs: its parent's text.
  QString ParentOf(const QString& name) {
    QTreeWidgetItem* entry = Entry(name);
    return entry && entry->parent() ? entry->parent()->text(0) : QString();
  }
  template <class W>
  W* Panel(const char* name) {
    return Browser().findChild<W*>(QString::fromUtf8(name));
  }
  // Selects the plate's points 0, 1 and 2 in Points mode.
  void SelectThreePoints() {
    Pick("plate");
    Doc().edit().mode = EditMode::kPoints;
    for (uint32_t point : {0u, 1u, 2u}) Doc().selection().Add(point, 1.0f);
  }

 private slots:
  void init() {
    Start();
    QTRY_VERIFY(Browser().isVisible());
    OpenText(kScene);
  }
  void cleanup() { Stop(); }

  void renamesByTheRulesOfEachKind_data() { AddRows(kRenames); }
  void renamesByTheRulesOfEachKind() {
    const RenameCase& c = Row(kRenames);
    Pick(c.entry);
    const std::string before = SceneText();
    Entry(c.entry)->setText(0, c.renamed);  // what the in-place editor does when it ends
    if (*c.message) {
      QCOMPARE(prompter_->Messages(),
               (std::vector<std::string>{"Error: " + std::string(c.message)}));
      QVERIFY(Entry(c.entry));
      QCOMPARE(SceneText(), before);
      return;
    }
    QVERIFY(Entry(c.renamed));
    UndoTo(before);
    QVERIFY(Entry(c.entry));
  }

  // The boxes act on the current object at once, each on its own flags.
  void flagBoxesSetTheirFlags() {
    Pick("plate");
    const std::string before = SceneText();
    Panel<QCheckBox>("Phong")->click();
    QVERIFY(Doc().currentObject()->HasFlag(kUsePhong));
    Panel<QCheckBox>("Phong")->click();
    QVERIFY(!Doc().currentObject()->HasFlag(kUsePhong));
    Panel<QCheckBox>("Shadow")->click();
    QVERIFY(!Doc().currentObject()->HasFlag(kHasShadow) &&
            !Doc().currentObject()->HasFlag(kGetsShadow));
    UndoTo(before, 3);
    Pick("box");
    Panel<QPushButton>("reference object >")->click();
    QCOMPARE(Doc().referenceObject()->name.c_str(), "box");
  }

  void dropsMoveObjects_data() { AddRows(kDrops); }
  void dropsMoveObjects() {
    const DropCase& c = Row(kDrops);
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Browser().Drop(Entry(c.dragged), Entry(c.target));
    QCOMPARE(ParentOf(c.dragged), QString(c.parent));
    if (c.refused) {
      QCOMPARE(prompter_->Messages(),
               std::vector<std::string>{std::string("Attention: ") + kGroupIntoItself});
      QCOMPARE(SceneText(), before);
      return;
    }
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    Doc().undoStack().redo();
    QCOMPARE(ParentOf(c.dragged), QString(c.parent));
  }
  void dropOfAMaterialAssignsIt() {
    const std::string before = SceneText();
    Browser().Drop(Entry("blue"), Entry("ball"));
    Pick("ball");
    QCOMPARE(Panel<QLineEdit>("material")->text(), QString("blue"));
    Browser().Drop(Entry("ball"), Entry("ball"));  // onto itself: nothing
    UndoTo(before);
  }

  // The six clipboard items follow the selection: off for materials, on for objects.
  void clipboardItemsFollowTheSelection() {
    const int ids[] = {kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdPasteNumber, kCmdPasteOnMesh};
    Pick("red");
    for (int id : ids) QVERIFY(!window_->action(id)->isEnabled());
    Pick("lamp");
    for (int id : ids) QVERIFY(window_->action(id)->isEnabled());
  }

  // In Points mode the clipboard works on the selected points: Copy makes "NAME_sub" (with a number
  // when that is taken) of them and the triangles between them, Cut also deletes them.
  void pointsModeClipboard() {
    SelectThreePoints();
    QVERIFY(Doc().Copy());
    const auto* part = static_cast<const MeshObject*>(Doc().clipboard());
    QCOMPARE(part->name.c_str(), "plate_sub");
    QCOMPARE(part->triangle_count, 1u);
    Doc().edit().mode = EditMode::kObject;
    QVERIFY(Doc().Paste());  // the name is free: not asked
    SelectThreePoints();
    const std::string before = SceneText();
    QVERIFY(Doc().Cut());
    QCOMPARE(Doc().clipboard()->name.c_str(), "plate_sub1");
    QCOMPARE(static_cast<MeshObject*>(Doc().currentObject())->point_count, 1u);
    QVERIFY(Doc().selection().empty());
    UndoTo(before);
  }
};

QTEST_MAIN(BrowserTest)
#include "browser_test.moc"
