// The Navigation, Edit-Control and Coordinate-Control windows driven by clicks and typing, and the
// construction dialogs: refusals, names, what they build (each one undo step), the light dialog.

#include "editor/construction_dialogs.h"
#include "editor/editor_fixture.h"
#include "editor/tool_window.h"
#include "modelling/object_edits.h"
#include "modelling/primitives.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"

const std::string kScene = R"(points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }
trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }
sphere ball { radius <0.5> position <3,0,0> } camera eye { position <0,0,-8> })";

// The operation clicked or the current object, the view, and '1' for each enabled button.
using EnableCase = std::tuple<const char*, const char*, int, const char*>;
// The frames Object, World and Camera after each operation.
const EnableCase kFrames[] = {{"move, camera", "move", kViewCamera, "111"},
                              {"rotate, front", "rotate", kViewFront, "000"},
                              {"scal, camera", "scal", kViewCamera, "110"}};
// The point tools select, add (paths only), sel. border (not in Camera), subdivide, drag: meshes.
const EnableCase kTools[] = {{"mesh, front", "plate", kViewFront, "10111"},
                             {"mesh, camera", "plate", kViewCamera, "10011"},
                             {"sphere", "ball", kViewFront, "00000"},
                             {"nothing", "", kViewFront, "00000"}};

class EditWindowsTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  template <class W>
  W* In(const char* window, const char* name) {
    ToolWindow* tool = window_->toolWindow(QString::fromUtf8(window));
    if (!tool) return nullptr;
    // A name may stand on several pages ("look at", "equalize"): the visible one counts.
    for (W* w : tool->findChildren<W*>(QString::fromUtf8(name)))
      if (w->isVisible()) return w;
    return tool->findChild<W*>(QString::fromUtf8(name));
  }
  QPushButton* Button(const char* w, const char* name) { return In<QPushButton>(w, name); }
  void Click(const char* window, const char* name) {
    QPushButton* button = Button(window, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void Type(const char* field, const QString& text) {
    auto* edit = In<QLineEdit>("Coordinate-Control", field);
    QVERIFY2(edit, field);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  QString Field(const char* field) { return In<QLineEdit>("Coordinate-Control", field)->text(); }
  QString Enabled(const char* window, std::initializer_list<const char*> buttons) {
    QString seen;
    for (const char* b : buttons) seen += Button(window, b)->isEnabled() ? '1' : '0';
    return seen;
  }
  std::unique_ptr<ConstructionDialog> Open(int id) {
    std::unique_ptr<ConstructionDialog> dialog = MakeConstructionDialog(id, Doc(), window_.get());
    if (!dialog) qFatal("no dialog for %d", id);
    return dialog;
  }
  void Build(int id) { QVERIFY(Open(id)->Confirm()); }
 private slots:
  void init() {
    Start();
    OpenText(kScene);
  }
  void cleanup() { Stop(); }
  // Rotate disables the frames; scale disables "Camera" in the Camera view only.
  void navigationEnablesTheFrames_data() { AddRows(kFrames); }
  void navigationEnablesTheFrames() {
    const auto& [name, button, view, enabled] = Row(kFrames);
    Doc().SetViewMode(view);
    Click("Navigation", button);
    QCOMPARE(Enabled("Navigation", {"Object", "World", "Camera"}), QString(enabled));
    Click("Navigation", "Z");
    QVERIFY(!Doc().navigation().axis[2]);
    if (enabled[1] == '1') {
      Click("Navigation", "World");
      QCOMPARE(Doc().navigation().frame, Frame::kWorld);
    }
  }
  void pointToolsFollowTheCurrentObject_data() { AddRows(kTools); }
  void pointToolsFollowTheCurrentObject() {
    const auto& [name, current, view, enabled] = Row(kTools);
    Doc().SetViewMode(view);
    Doc().SetCurrent(*current ? Find(current) : nullptr);
    Click("Edit-Control", "Points");
    QCOMPARE(Doc().edit().mode, EditMode::kPoints);
    QCOMPARE(Doc().edit().tool, PointTool::kSelect);
    QCOMPARE(Enabled("Edit-Control", {"select", "add", "sel. border", "subdivide", "drag"}),
             QString(enabled));
    if (enabled[2] == '1') {
      Click("Edit-Control", "sel. border");
      QCOMPARE(Doc().edit().tool, PointTool::kBorder);
      QVERIFY(!Button("Edit-Control", "select")->isChecked());
    }
  }
  // Typed position and angles are one undo step; in Axis mode only the pivot moves.
  void typedCoordinatesPlaceTheObject() {
    Doc().SetCurrent(Find("plate"));
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    In<QLineEdit>("Coordinate-Control", "Position X")->setText("2");
    In<QLineEdit>("Coordinate-Control", "Angle z")->setText("90");
    Type("Position Y", "0.5");
    auto* plate = static_cast<MeshObject*>(Find("plate"));
    QCOMPARE(plate->placement.position, (Vec3{2.0f, 0.5f, 0.0f}));
    // Corner (1, 1) went along by (2, 0.5) and turned a quarter about z round the pivot.
    const Vec3 corner = plate->points[2];
    QVERIFY(Near(std::fabs(corner.x - 2.0f), 1.0) && Near(std::fabs(corner.y - 0.5f), 1.0));
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    QCOMPARE(Field("Position X"), QString("0"));
    Click("Edit-Control", "Axis");
    Type("Position X", "-1.5");
    plate = static_cast<MeshObject*>(Find("plate"));
    QCOMPARE(plate->placement.position.x, -1.5f);
    QCOMPARE(plate->points[0], (Vec3{-1.0f, -1.0f, 0.0f}));
  }
  // What is nearly 0 shows as 0; junk reads as 0; the radius is taken as its absolute value.
  void fieldsReadAndShowNumbers() {
    Find("ball")->placement.position.y = 5e-7f;
    Doc().SetCurrent(Find("ball"));
    QCOMPARE(Field("Position Y"), QString("0"));
    Type("Magnet radius", "-2.5");
    QCOMPARE(Doc().edit().magnet_radius, 2.5f);
    Type("Raster size", "junk");
    QCOMPARE(Field("Raster size"), QString("0"));
    Doc().SetCurrent(nullptr);
    QVERIFY(Field("Camera- Angle").isEmpty());
    In<QCheckBox>("Coordinate-Control", "Raster")->click();
    QVERIFY(Doc().edit().raster);
  }
  // A typed view angle sets the camera's zoom so that it gives that angle back.
  void cameraAngleRoundTrips() {
    Camera* eye = Doc().viewCamera();
    Doc().SetCurrent(eye);
    const std::string before = SceneText();
    Type("Camera- Angle", "45");
    QVERIFY(std::fabs(eye->ViewAngle() - 45.0) < 1e-3);
    UndoTo(before);
    Doc().undoStack().redo();
    Type("Camera- Angle", "180");  // no camera sees that wide: nothing changes
    QVERIFY(std::fabs(eye->ViewAngle() - 45.0) < 1e-3);
  }
  // The object edits refuse with their messages and change nothing; those that work are undo steps.
  void objectEditsRefuseOrStep() {
    const int steps = Doc().undoStack().count();
    Doc().SetCurrent(nullptr);
    Click("Edit-Control", "look at");
    Doc().SetCurrent(Find("plate"));
    Click("Edit-Control", "equalize");
    QCOMPARE(prompter_->Messages(),
             (std::vector<std::string>{std::string("Attention: ") + kNoUsableObjectText,
                                       std::string("Hinweis: ") + kSelectReferenceText}));
    QCOMPARE(Doc().undoStack().count(), steps);
    Click("Edit-Control", "Texture");
    QVERIFY(Button("Edit-Control", "Sphere")->isChecked());
    QVERIFY(!Button("Edit-Control", "Zyl.")->isEnabled());
    const std::string before = SceneText();
    Click("Edit-Control", "Plane");
    QCOMPARE(CurrentMapping(*static_cast<MeshObject*>(Find("plate"))), MappingKind::kPlane);
    UndoTo(before);
    QVERIFY(Button("Edit-Control", "Sphere")->isChecked());
  }
  // A refused field keeps the dialog open and the scene as it was; the next value is taken.
  void refusalsKeepTheDialogOpen() {
    std::unique_ptr<ConstructionDialog> dialog = Open(kCmdRing);
    dialog->SetText("Tube-Segments", "0");
    const std::string before = SceneText();
    QVERIFY(!dialog->Confirm());
    QCOMPARE(prompter_->Messages(),
             std::vector<std::string>{"Attention: The number of "
                                      "Tube-Segments must be greater than 0."});
    QCOMPARE(SceneText(), before);
    QCOMPARE(dialog->Text("Tube-Segments"), QString("0"));
    dialog->SetText("Tube-Segments", "1");
    QVERIFY(dialog->Confirm());
    QCOMPARE(dialog->result().item, Doc().currentObject());
  }
  // The base name while it is free, then counted on; a taken name is refused.
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
        {kCmdLightSource, "Licht", std::string("Fehler: ") + kLightNameTakenText}};
    for (const auto& [id, name, message] : taken) {
      std::unique_ptr<ConstructionDialog> dialog = Open(id);
      dialog->SetText("Name", name);
      prompter_->asked.clear();
      QVERIFY(!dialog->Confirm());
      QCOMPARE(prompter_->Messages(), std::vector<std::string>{message});
    }
    // Switches enable the fields that depend on them.
    std::unique_ptr<ConstructionDialog> cube = Open(kCmdCube);
    cube->SetChecked("equal", true);
    QVERIFY(!cube->FieldEnabled("Depth") && !cube->FieldEnabled("Height"));
    std::unique_ptr<ConstructionDialog> light = Open(kCmdLightSource);
    QVERIFY(!light->FieldEnabled("Spotlight Angle"));
    light->SetChoice("Type", 1);
    QVERIFY(light->FieldEnabled("Spotlight Angle") && light->FieldEnabled("FallOff"));
  }
  // Every dialog builds with its defaults as one undo step.
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
  // The lathe offers the paths with the current one chosen; the copies need a clipboard item.
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
  void lightDialogEditsAnExistingLight() {
    OpenText("light lamp { type spot position <1,2,3> color <10,20,30> spot_angle <30> }\n");
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

QTEST_MAIN(EditWindowsTest)
#include "edit_windows_test.moc"
