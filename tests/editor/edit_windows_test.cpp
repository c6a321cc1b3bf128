// The Navigation, Edit-Control and Coordinate-Control windows driven by clicks and typing: their
// enabling rules, the typed coordinates as one undo step, and the object edits with their refusals.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "editor/editor_fixture.h"
#include "editor/tool_window.h"
#include "modelling/object_edits.h"
#include "scene/mesh_object.h"

namespace {

const std::string kScene = DataText("plate_ball_camera.ovs");

struct EnableCase {
  const char* name;
  const char* button;  // the operation clicked, or the current object
  int view;
  const char* enabled;  // '1' for each enabled button
};
// The frames Object, World and Camera after each operation.
const EnableCase kFrames[] = {
    {"move, camera", "move", kViewCamera, "111"},
    {"rotate, front", "rotate", kViewFront, "000"},
    {"scal, camera", "scal", kViewCamera, "110"},
};
// The point tools select, add, sel. border, subdivide and drag: on for meshes ("add" for paths
// only, "sel. border" outside the Camera view), off for other objects; entering Points mode with
// nothing selected turns on "select", and the tools exclude each other.
const EnableCase kTools[] = {
    {"mesh, front", "plate", kViewFront, "10111"},
    {"mesh, camera", "plate", kViewCamera, "10011"},
    {"sphere", "ball", kViewFront, "00000"},
    {"nothing", "", kViewFront, "00000"},
};

}  // namespace

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
  QPushButton* Button(const char* window, const char* name) {
    return In<QPushButton>(window, name);
  }
  void Click(const char* window, const char* name) {
    QPushButton* button = Button(window, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Types `text` into a Coordinate-Control field and presses Enter.
  void Type(const char* field, const QString& text) {
    auto* edit = In<QLineEdit>("Coordinate-Control", field);
    QVERIFY2(edit, field);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
  }
  QString Field(const char* field) { return In<QLineEdit>("Coordinate-Control", field)->text(); }
  // '1' for each of `buttons` of `window` that is enabled, else '0'.
  QString Enabled(const char* window, std::initializer_list<const char*> buttons) {
    QString seen;
    for (const char* b : buttons) seen += Button(window, b)->isEnabled() ? '1' : '0';
    return seen;
  }

 private slots:
  void init() {
    Start();
    OpenText(kScene);
  }
  void cleanup() { Stop(); }

  // Rotate disables the frames; scale disables "Camera" in the Camera view only.
  void navigationEnablesTheFrames_data() { AddRows(kFrames); }
  void navigationEnablesTheFrames() {
    const EnableCase& c = Row(kFrames);
    Doc().SetViewMode(c.view);
    Click("Navigation", c.button);
    QCOMPARE(Enabled("Navigation", {"Object", "World", "Camera"}), QString(c.enabled));
    Click("Navigation", "Z");
    QVERIFY(!Doc().navigation().axis[2]);
    if (c.enabled[1] == '1') {
      Click("Navigation", "World");
      QCOMPARE(Doc().navigation().frame, Frame::kWorld);
    }
  }

  void pointToolsFollowTheCurrentObject_data() { AddRows(kTools); }
  void pointToolsFollowTheCurrentObject() {
    const EnableCase& c = Row(kTools);
    Doc().SetViewMode(c.view);
    Doc().SetCurrent(*c.button ? Find(c.button) : nullptr);
    Click("Edit-Control", "Points");
    QCOMPARE(Doc().edit().mode, EditMode::kPoints);
    QCOMPARE(Doc().edit().tool, PointTool::kSelect);
    QCOMPARE(Enabled("Edit-Control", {"select", "add", "sel. border", "subdivide", "drag"}),
             QString(c.enabled));
    if (c.enabled[2] == '1') {
      Click("Edit-Control", "sel. border");
      QCOMPARE(Doc().edit().tool, PointTool::kBorder);
      QVERIFY(!Button("Edit-Control", "select")->isChecked());
    }
  }

  // Typed position and angles move and turn the object as one undo step; in Axis mode only the
  // pivot moves.
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
    QVERIFY(std::fabs(std::fabs(corner.x - 2.0f) - 1.0f) < 1e-4f &&
            std::fabs(std::fabs(corner.y - 0.5f) - 1.0f) < 1e-4f);
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    QCOMPARE(Field("Position X"), QString("0"));
    Click("Edit-Control", "Axis");
    Type("Position X", "-1.5");
    plate = static_cast<MeshObject*>(Find("plate"));
    QCOMPARE(plate->placement.position.x, -1.5f);
    QCOMPARE(plate->points[0], (Vec3{-1.0f, -1.0f, 0.0f}));
  }

  // Fields show "%g"; what is nearly 0 becomes 0; junk reads as 0; the radius and raster size are
  // taken as their absolute values.
  void fieldsReadAndShowNumbers() {
    SceneObject* ball = Find("ball");
    ball->placement.position.y = 5e-7f;
    Doc().SetCurrent(ball);
    QCOMPARE(Field("Position X"), QString("3"));
    QCOMPARE(Field("Position Y"), QString("0"));
    Type("Magnet radius", "-2.5");
    QCOMPARE(Doc().edit().magnet_radius, 2.5f);
    Type("Raster size", "junk");
    QCOMPARE(Field("Raster size"), QString("0"));
    Type("Position Z", "1e-3x");
    QCOMPARE(Field("Position Z"), QString("0.001"));
    Doc().SetCurrent(nullptr);
    QCOMPARE(Field("Angle y"), QString("0"));
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
};

QTEST_MAIN(EditWindowsTest)
#include "edit_windows_test.moc"
