// The object browser through its tree and panel: renames by the name rules of each kind, the
// flag boxes, drops into and out of groups, the info line, the menu items that follow the
// selection, and the clipboard in Points mode. Every change is undone byte for byte.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "editor/document.h"
#include "editor/editor_fixture.h"
#include "editor/main_window.h"
#include "editor/object_browser.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"

using namespace orvane;
using namespace orvane::editor;

namespace {

const char* const kScene =
    "material red { diffus_color <255,0,0> }\n"
    "material blue { diffus_color <0,0,255> }\n"
    "points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }\n"
    "trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }\n"
    "sphere ball { radius <0.5> position <3,0,0> }\n"
    "object box { sphere inner { radius <0.5> } }\n"
    "light lamp { position <0,5,0> }\n"
    "camera eye { position <0,0,-8> }\n";

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
  void Pick(const QString& name) {
    QTreeWidget* tree = Browser().tree();
    QTreeWidgetItem* entry = Entry(name);
    QVERIFY2(entry, qPrintable(name));
    tree->scrollToItem(entry);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(entry).center());
  }
  // Where the entry `name` hangs: its parent's text.
  QString ParentOf(const QString& name) {
    QTreeWidgetItem* entry = Entry(name);
    return entry && entry->parent() ? entry->parent()->text(0) : QString();
  }
  template <class W>
  W* Panel(const char* name) {
    return Browser().findChild<W*>(QString::fromUtf8(name));
  }

 private slots:
  void init() {
    Start();
    QTRY_VERIFY(Browser().isVisible());
    OpenText(kScene);
  }
  void cleanup() { Stop(); }

  // An edited entry text renames its item when the name is free among its kind; a taken name
  // is refused with its message and the old text comes back.
  void renamesByTheRulesOfEachKind_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("free") << "ball"
                          << "globe"
                          << "";
    QTest::newRow("object taken") << "ball"
                                  << "plate" << kObjectNameTaken;
    QTest::newRow("group member taken") << "ball"
                                        << "inner" << kObjectNameTaken;
    QTest::newRow("light as a mesh") << "lamp"
                                     << "plate"
                                     << "";
    QTest::newRow("material taken") << "red"
                                    << "blue" << kMaterialNameTaken;
    QTest::newRow("material free") << "red"
                                   << "crimson"
                                   << "";
  }
  void renamesByTheRulesOfEachKind() {
    QFETCH(QString, entry);
    QFETCH(QString, name);
    QFETCH(QString, message);
    Pick(entry);
    const std::string before = SceneText();
    Entry(entry)->setText(0, name);  // what the in-place editor does when it ends
    if (!message.isEmpty()) {
      QCOMPARE(prompter_->Messages(),
               (std::vector<std::string>{"Error: " + message.toStdString()}));
      QVERIFY(Entry(entry));
      QCOMPARE(SceneText(), before);
      return;
    }
    QVERIFY(Entry(name));
    QVERIFY(SceneText().find(name.toStdString()) != std::string::npos);
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
    QVERIFY(Entry(entry));
  }

  // The boxes act on the current object at once, each on its own flags.
  void flagBoxesSetTheirFlags() {
    Pick("plate");
    QCOMPARE(Panel<QLabel>("info")->text(), QString("Triangles: 2  Points: 4"));
    QCOMPARE(Panel<QLineEdit>("type")->text(), QString(Doc().currentObject()->TypeName()));
    const std::string before = SceneText();
    Panel<QCheckBox>("Phong")->click();
    QVERIFY(Doc().currentObject()->HasFlag(kUsePhong));
    Panel<QCheckBox>("Phong")->click();
    SceneObject* plate = Doc().currentObject();
    QVERIFY(!plate->HasFlag(kUsePhong));
    QVERIFY(plate->HasFlag(kHasShadow) && plate->HasFlag(kGetsShadow) &&
            plate->HasFlag(kIsVisible));
    Panel<QCheckBox>("Shadow")->click();
    QVERIFY(!Doc().currentObject()->HasFlag(kHasShadow) &&
            !Doc().currentObject()->HasFlag(kGetsShadow));
    for (int i = 0; i < 3; ++i) Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
    Pick("box");
    QCOMPARE(Panel<QLabel>("info")->text(), QString("Dreiecke: 0  Punkte: 0"));
    Panel<QPushButton>("reference object >")->click();
    QCOMPARE(Panel<QLineEdit>("reference")->text(), QString("box"));
    QCOMPARE(Doc().referenceObject()->name.c_str(), "box");
  }

  // Drops: objects into groups and out to the top level, materials onto objects; a group onto
  // its own member is refused; each drop is one undo step.
  void dropsMoveObjectsAndAssignMaterials_data() {
    QTest::addColumn<QString>("dragged");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("parent");  // where `dragged` hangs afterwards
    QTest::addColumn<bool>("refused");
    QTest::newRow("into a group") << "ball"
                                  << "box"
                                  << "box" << false;
    QTest::newRow("out to the top") << "inner"
                                    << "objects"
                                    << "objects" << false;
    QTest::newRow("onto a plain object") << "inner"
                                         << "plate"
                                         << "objects" << false;
    QTest::newRow("group into its member") << "box"
                                           << "inner"
                                           << "objects" << true;
  }
  void dropsMoveObjectsAndAssignMaterials() {
    QFETCH(QString, dragged);
    QFETCH(QString, target);
    QFETCH(QString, parent);
    QFETCH(bool, refused);
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Browser().Drop(Entry(dragged), Entry(target));
    QCOMPARE(ParentOf(dragged), parent);
    if (refused) {
      QCOMPARE(prompter_->Messages(),
               (std::vector<std::string>{std::string("Attention: ") + kGroupIntoItself}));
      QCOMPARE(SceneText(), before);
      return;
    }
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
    Doc().undoStack().redo();
    QCOMPARE(ParentOf(dragged), parent);
  }
  void dropOfAMaterialAssignsIt() {
    const std::string before = SceneText();
    Browser().Drop(Entry("blue"), Entry("ball"));
    Pick("ball");
    QCOMPARE(Panel<QLineEdit>("material")->text(), QString("blue"));
    Browser().Drop(Entry("ball"), Entry("ball"));  // onto itself: nothing
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
  }

  // The six clipboard items follow the selection: off for materials, on for objects.
  void clipboardItemsFollowTheSelection() {
    const int ids[] = {kCmdCut, kCmdCopy, kCmdPaste, kCmdDelete, kCmdPasteNumber, kCmdPasteOnMesh};
    Pick("red");
    for (int id : ids) QVERIFY(!window_->action(id)->isEnabled());
    Pick("lamp");
    for (int id : ids) QVERIFY(window_->action(id)->isEnabled());
  }

  // In Points mode the clipboard works on the selected points: Copy makes "NAME_sub" (with a
  // number when that is taken) of them and the triangles between them, Cut also deletes them.
  void pointsModeClipboard() {
    Pick("plate");
    Doc().edit().mode = EditMode::kPoints;
    for (uint32_t point : {0u, 1u, 2u}) Doc().selection().Add(point, 1.0f);
    QVERIFY(Doc().Copy());
    const auto* part = static_cast<const MeshObject*>(Doc().clipboard());
    QCOMPARE(part->name.c_str(), "plate_sub");
    QCOMPARE(part->point_count, 3u);
    QCOMPARE(part->triangle_count, 1u);
    prompter_->names.push_back("unused");  // not asked: the name is free
    Doc().edit().mode = EditMode::kObject;
    QVERIFY(Doc().Paste());
    prompter_->names.clear();
    QVERIFY(Entry("plate_sub"));

    Pick("plate");
    Doc().edit().mode = EditMode::kPoints;
    for (uint32_t point : {0u, 1u, 2u}) Doc().selection().Add(point, 1.0f);
    const std::string before = SceneText();
    QVERIFY(Doc().Cut());
    QCOMPARE(Doc().clipboard()->name.c_str(), "plate_sub1");
    QCOMPARE(static_cast<MeshObject*>(Doc().currentObject())->point_count, 1u);
    QVERIFY(Doc().selection().empty());
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
  }
};

QTEST_MAIN(BrowserTest)
#include "browser_test.moc"
