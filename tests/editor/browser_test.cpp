// The object browser through its tree and panel: renames, the flag boxes, drops into and out of
// groups and the clipboard in Points mode, every change undone byte for byte.

#include "editor/editor_fixture.h"
#include "scene/mesh_object.h"

const std::string kScene = R"(material red { diffus_color <255,0,0> }
material blue { diffus_color <0,0,255> }
points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }
trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }
sphere ball { radius <0.5> position <3,0,0> } object box { sphere inner { radius <0.5> } }
light lamp { position <0,5,0> } camera eye { position <0,0,-8> })";

// A name taken among the item's kind is refused with its message (empty: accepted).
const std::tuple<const char*, const char*, const char*, const char*> kRenames[] = {
    {"free", "ball", "globe", ""},
    {"object taken", "ball", "plate", kObjectNameTaken},
    {"light as a mesh", "lamp", "plate", ""},
    {"material taken", "red", "blue", kMaterialNameTaken},
    {"material free", "red", "crimson", ""}};
// The entry dragged, the drop target, where the dragged one hangs afterwards, whether refused.
const std::tuple<const char*, const char*, const char*, const char*, bool> kDrops[] = {
    {"into a group", "ball", "box", "box", false},
    {"out to the top", "inner", "objects", "objects", false},
    {"group into its member", "box", "inner", "objects", true}};

class BrowserTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  ObjectBrowser& Browser() { return window_->objectBrowser(); }
  QTreeWidgetItem* Entry(const QString& name) {
    const auto found = Browser().tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  void Pick(const QString& name) { PickEntry(Entry(name)); }
  QString ParentOf(const QString& name) {
    QTreeWidgetItem* entry = Entry(name);
    return entry && entry->parent() ? entry->parent()->text(0) : QString();
  }
  template <class W>
  W* Panel(const char* name) {
    return Browser().findChild<W*>(name);
  }
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
    const auto& [name, entry, renamed, message] = Row(kRenames);
    Pick(entry);
    const std::string before = SceneText();
    Entry(entry)->setText(0, renamed);  // what the in-place editor does when it ends
    if (*message) {
      QCOMPARE(prompter_->Messages(), (std::vector<std::string>{"Error: " + std::string(message)}));
      QVERIFY(Entry(entry));
      QCOMPARE(SceneText(), before);
      return;
    }
    QVERIFY(Entry(renamed));
    UndoTo(before);
    QVERIFY(Entry(entry));
  }
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
    const auto& [name, dragged, target, parent, refused] = Row(kDrops);
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Browser().Drop(Entry(dragged), Entry(target));
    QCOMPARE(ParentOf(dragged), QString(parent));
    if (refused) {
      QCOMPARE(prompter_->Messages(),
               std::vector<std::string>{std::string("Attention: ") + kGroupIntoItself});
      QCOMPARE(SceneText(), before);
      return;
    }
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    Doc().undoStack().redo();
    QCOMPARE(ParentOf(dragged), QString(parent));
  }
  void dropOfAMaterialAssignsIt() {
    const std::string before = SceneText();
    Browser().Drop(Entry("blue"), Entry("ball"));
    Pick("ball");
    QCOMPARE(Panel<QLineEdit>("material")->text(), QString("blue"));
    Browser().Drop(Entry("ball"), Entry("ball"));  // onto itself: nothing
    UndoTo(before);
  }
  // Points mode: Copy makes "NAME_sub" (numbered when taken) of the selected points, Cut deletes.
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
