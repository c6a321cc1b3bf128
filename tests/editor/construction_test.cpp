// The construction dialogs: their refusals and name proposals, what they build (as one undo step
// that gives the scene text back), the fields they enable, and the light dialog on an existing
// light.

#include <tuple>

#include "editor/construction_dialogs.h"
#include "editor/editor_fixture.h"
#include "modelling/copies.h"
#include "modelling/primitives.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"

class ConstructionTest : public QObject, public EditorFixture {
  Q_OBJECT

 private:
  std::unique_ptr<ConstructionDialog> Open(int id) {
    std::unique_ptr<ConstructionDialog> dialog = MakeConstructionDialog(id, Doc(), window_.get());
    if (!dialog) qFatal("no dialog for %d", id);
    return dialog;
  }
  // Builds `id` with its defaults; the new item is the current object.
  void Build(int id) { QVERIFY(Open(id)->Confirm()); }

 private slots:
  void init() { Start(); }
  void cleanup() { Stop(); }

  // A refused field keeps the dialog open and the scene as it was; the next value is taken.
  void refusalsKeepTheDialogOpen() {
    struct Case {
      int id;
      const char* field;
      const char* refused;
      const char* accepted;
      std::string message;
    };
    const Case cases[] = {
        {kCmdCylinder, "Segments", "2", "3",
         "Attention: The number of segments must be greater than 2."},
        {kCmdRing, "Tube-Segments", "0", "1",
         "Attention: The number of Tube-Segments must be greater than 0."},
    };
    for (const Case& c : cases) {
      std::unique_ptr<ConstructionDialog> dialog = Open(c.id);
      dialog->SetText(c.field, c.refused);
      const std::string before = SceneText();
      prompter_->asked.clear();
      QVERIFY(!dialog->Confirm());
      QCOMPARE(prompter_->Messages(), std::vector<std::string>{c.message});
      QCOMPARE(SceneText(), before);
      QCOMPARE(dialog->Text(c.field), QString(c.refused));
      dialog->SetText(c.field, c.accepted);
      QVERIFY2(dialog->Confirm(), c.field);
      QCOMPARE(dialog->result().item, Doc().currentObject());
    }
  }

  // The base name while it is free, then counted on; a taken name is refused with the dialog's
  // message (the mesh sphere's and the light's in German).
  void namesAreProposedAndChecked() {
    QCOMPARE(Open(kCmdCube)->Text("Name"), QString("Cube"));
    Build(kCmdCube);
    QCOMPARE(Open(kCmdCube)->Text("Name"), QString("Cube1"));
    Build(kCmdLightSource);
    QCOMPARE(Open(kCmdLightSource)->Text("Name"), QString("Licht1"));
    const std::tuple<int, const char*, std::string> taken[] = {
        {kCmdCube, "Cube", std::string("Error: ") + kNameTakenText},
        {kCmdMathSphere, "Cube", std::string("Error: ") + kNameTakenText},
        {kCmdMeshSphere, "Cube", std::string("Fehler: ") + kSphereNameTakenText},
        {kCmdLightSource, "Licht", std::string("Fehler: ") + kLightNameTakenText},
    };
    for (const auto& [id, name, message] : taken) {
      std::unique_ptr<ConstructionDialog> dialog = Open(id);
      dialog->SetText("Name", name);
      prompter_->asked.clear();
      QVERIFY(!dialog->Confirm());
      QCOMPARE(prompter_->Messages(), std::vector<std::string>{message});
    }
  }

  // Every dialog builds with its defaults; undo gives the scene text back byte for byte and redo
  // the item again.
  void everyConstructionIsOneUndoStep() {
    const int ids[] = {kCmdTriangle,  kCmdQuadrangle, kCmdNAngle,     kCmdPyramid, kCmdCone,
                       kCmdCube,      kCmdMeshSphere, kCmdCylinder,   kCmdRing,    kCmdMathSphere,
                       kCmdMathPlane, kCmdNewPath,    kCmdLightSource};
    for (int id : ids) {
      const std::string before = SceneText();
      Build(id);
      CheckUndo(before);
    }
    // A name a scene file could not read back as one word is made file-safe.
    std::unique_ptr<ConstructionDialog> field = Open(kCmdHeightField);
    QCOMPARE(field->Text("Name"), QString("Height Field"));
    std::unique_ptr<ConstructionDialog> cube = Open(kCmdCube);
    cube->SetText("Name", "my box");
    QVERIFY(cube->Confirm());
    QCOMPARE(Doc().currentObject()->name.c_str(), "my_box");
  }

  void fieldsFollowTheirSwitches() {
    std::unique_ptr<ConstructionDialog> cube = Open(kCmdCube);
    cube->SetChecked("equal", true);
    QVERIFY(!cube->FieldEnabled("Depth") && !cube->FieldEnabled("Height"));
    std::unique_ptr<ConstructionDialog> light = Open(kCmdLightSource);
    QVERIFY(!light->FieldEnabled("Spotlight Angle"));
    light->SetChoice("Type", 1);
    QVERIFY(light->FieldEnabled("Spotlight Angle") && light->FieldEnabled("FallOff"));
  }

  // The lathe and the extrusion offer the paths with the current one chosen; the copies need a
  // clipboard item, and the copies onto points a current mesh.
  void constructionsFromPathsAndTheClipboard() {
    Build(kCmdNewPath);
    std::unique_ptr<ConstructionDialog> lathe = Open(kCmdLathe);
    QCOMPARE(lathe->Text("Outline"), QString("Path"));
    QVERIFY(lathe->Confirm());
    auto* mesh = dynamic_cast<MeshObject*>(Doc().currentObject());
    QVERIFY(mesh && !mesh->IsPath() && mesh->triangle_count > 0);
    QVERIFY(!MakeConstructionDialog(kCmdCopyNumber, Doc(), window_.get()));
    QVERIFY(Doc().Copy());
    std::unique_ptr<ConstructionDialog> copies = Open(kCmdCopyNumber);
    QVERIFY(!copies->FieldEnabled("Name"));
    copies->SetText("Number", "3");
    QVERIFY(copies->Confirm());
    for (const char* name : {"Rotations_Obj1", "Rotations_Obj2", "Rotations_Obj3"})
      QVERIFY2(Find(name), name);
    Doc().SetCurrent(Find("Path"));
    QVERIFY(!RunConstruction(kCmdPathFromMesh, Doc(), window_.get()));
    QCOMPARE(LastMessage(), std::string("Attention: The current object is a path."));
    prompter_->names = {std::string("Polygon")};
    QVERIFY(RunConstruction(kCmdPolygonFromPath, Doc(), window_.get()));
    QVERIFY(Find("Polygon"));
  }

  // Editing a light fills the dialog from it and changes it as one undo step.
  void lightDialogEditsAnExistingLight() {
    OpenText(
        "light lamp { type spot position <1,2,3> color <10,20,30> "
        "spot_angle <30> }\n");
    auto* lamp = static_cast<LightSource*>(Doc().scene().lights->head->item);
    std::unique_ptr<ConstructionDialog> dialog = MakeLightEditDialog(lamp, Doc(), window_.get());
    QCOMPARE(dialog->Text("R"), QString("10"));
    QCOMPARE(dialog->Text("brightness"), QString("100"));
    const std::string before = SceneText();
    prompter_->colors = {Rgb8{200, 100, 50}};
    dialog->Press("Color...");
    dialog->SetText("brightness", "50");
    QVERIFY(dialog->Confirm());
    auto* changed = static_cast<LightSource*>(Doc().scene().lights->head->item);
    QCOMPARE(changed->BaseColor().r, uint8_t{200});
    QCOMPARE(changed->Color().r, uint8_t{100});
    UndoTo(before);
  }
};

QTEST_MAIN(ConstructionTest)
#include "construction_test.moc"
