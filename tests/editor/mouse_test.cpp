// Mouse editing in the view: drags synthesized on the GL widget move, turn and scale objects
// and points, pan and zoom the orthographic views, pick objects and points; the expected
// numbers are worked out from the view's geometry. Every drag is one undo step that gives the
// scene text back byte for byte.

#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <memory>

#include "editor/document.h"
#include "editor/editor_fixture.h"
#include "editor/gl_view.h"
#include "editor/main_window.h"
#include "scene/math_sphere.h"
#include "scene/mesh_object.h"

using namespace orvane;
using namespace orvane::editor;

Q_DECLARE_METATYPE(orvane::Vec3)

namespace {

// A square plate of two triangles in the XY plane, corners (±1, ±1, 0), and a ball of
// radius 0.5 at (3, 0, 0).
const char* const kScene =
    "points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }\n"
    "trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }\n"
    "sphere ball { radius <0.5> position <3,0,0> }\n";

}  // namespace

class MouseTest : public QObject, public EditorFixture {
  Q_OBJECT

 private:
  GlView& View() { return window_->view(); }
  ViewGeometry& Geometry() { return View().geometry(); }
  MeshObject& Plate() { return *static_cast<MeshObject*>(Find("plate")); }

  // Opens the test scene in `mode` with the Front view 40 pixels to the unit (so that world
  // points fall on whole pixels) and makes `current` the current object.
  void Open(int mode, const char* current, const char* extra = "") {
    OpenText(std::string(kScene) + extra);
    Doc().SetViewMode(mode);
    Geometry().front_width = Geometry().width / 40.0f;
    Geometry().side_width = Geometry().width / 40.0f;
    Doc().SetCurrent(current ? Find(current) : nullptr);
  }
  // The pixel of a world point in the orthographic views at 40 pixels to the unit.
  QPoint Pixel(double a, double b) const {
    const ViewGeometry& g = window_->view().geometry();
    return QPoint(int(std::lround(g.width / 2.0 + 40 * a)),
                  int(std::lround(g.height / 2.0 - 40 * b)));
  }
  void Send(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), View().mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                      modifiers);
    QCoreApplication::sendEvent(&View(), &event);
  }
  // Presses at `from`, moves one pixel (the first move only takes note of the position), then
  // by each of `steps` in turn, and releases.
  void Drag(QPoint from, const std::vector<QPoint>& steps, Qt::KeyboardModifiers modifiers = {}) {
    Send(QEvent::MouseButtonPress, from);
    QPoint at = from + QPoint(1, 0);
    Send(QEvent::MouseMove, at);
    for (const QPoint& step : steps) Send(QEvent::MouseMove, at += step);
    Send(QEvent::MouseButtonRelease, at, modifiers);
  }
  void Click(QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    Send(QEvent::MouseButtonPress, at);
    Send(QEvent::MouseButtonRelease, at, modifiers);
  }

 private slots:
  void init() {
    Start(QSize(800, 600));
    QTRY_VERIFY(Geometry().width > 100);
  }
  void cleanup() { Stop(); }

  // Each view moves the object along its plane's axes, following the mouse, only along the
  // enabled axes; one drag is one undo step.
  void movesAlongTheViewPlane_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("locked");  // an axis turned off, or -1
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");
    // 40 pixels are one unit; up on the screen is the plane's second axis growing.
    QTest::newRow("front") << int(kViewFront) << -1 << QPoint(20, -40) << 0.5 << 1.0 << 0.0;
    QTest::newRow("top") << int(kViewTop) << -1 << QPoint(20, -40) << 0.5 << 0.0 << 1.0;
    QTest::newRow("side") << int(kViewSide) << -1 << QPoint(20, -40) << 0.0 << 1.0 << 0.5;
    QTest::newRow("front, X off") << int(kViewFront) << 0 << QPoint(20, -40) << 0.0 << 1.0 << 0.0;
    QTest::newRow("side, Y off") << int(kViewSide) << 1 << QPoint(20, -40) << 0.0 << 0.0 << 0.5;
  }
  void movesAlongTheViewPlane() {
    QFETCH(int, mode);
    QFETCH(int, locked);
    QFETCH(QPoint, drag);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    Open(mode, "ball");
    if (locked >= 0) Doc().navigation().axis[locked] = false;
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Drag(Pixel(0, 0), {drag / 2, drag / 2});
    const Vec3 p = Find("ball")->placement.position;
    QVERIFY2(Near(p.x, 3 + x) && Near(p.y, y) && Near(p.z, z),
             qPrintable(QString("at %1 %2 %3").arg(p.x).arg(p.y).arg(p.z)));
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    CheckUndo(before);
  }

  // What a move takes along, by edit mode: the whole mesh, its pivot alone, or its mapping
  // object alone.
  void moveTakesWhatTheEditModeSays_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("points");
    QTest::addColumn<bool>("pivot");
    QTest::addColumn<bool>("mapping");
    QTest::newRow("object") << int(EditMode::kObject) << true << true << true;
    QTest::newRow("axis") << int(EditMode::kAxis) << false << true << false;
    QTest::newRow("texture") << int(EditMode::kTexture) << false << false << true;
  }
  void moveTakesWhatTheEditModeSays() {
    QFETCH(int, mode);
    QFETCH(bool, points);
    QFETCH(bool, pivot);
    QFETCH(bool, mapping);
    Open(kViewFront, "plate");
    Doc().edit().mode = static_cast<EditMode>(mode);
    const std::string before = SceneText();
    Drag(Pixel(0, 0), {QPoint(40, 0)});
    QCOMPARE(Near(Plate().points[0].x, 0.0), points);
    QCOMPARE(Near(Plate().placement.position.x, 1.0), pivot);
    QVERIFY(Plate().mapping_object);
    QCOMPARE(Near(Plate().mapping_object->placement.position.x, 1.0), mapping);
    CheckUndo(before);
  }

  // Drags, pastes and drags of the pasted item in a row: undo walks back through every state
  // and redo forward again (every step finds the items it knows).
  void undoWalksThroughSuccessiveEdits() {
    Open(kViewFront, "ball");
    std::vector<std::string> states{SceneText()};
    Drag(Pixel(0, 0), {QPoint(40, 0)});
    states.push_back(SceneText());
    QVERIFY(Doc().Copy());
    prompter_->names.push_back("ball2");
    QVERIFY(Doc().Paste());
    states.push_back(SceneText());
    Doc().SetCurrent(Find("ball2"));
    Drag(Pixel(0, 0), {QPoint(0, 40)});
    states.push_back(SceneText());
    Doc().SetCurrent(Find("ball"));
    Drag(Pixel(0, 0), {QPoint(0, 40)});
    states.push_back(SceneText());
    for (size_t i = states.size() - 1; i-- > 0;) {
      Doc().undoStack().undo();
      QCOMPARE(SceneText(), states[i]);
    }
    for (size_t i = 1; i < states.size(); ++i) {
      Doc().undoStack().redo();
      QCOMPARE(SceneText(), states[i]);
    }
  }

  // Raster 1.0 and steps of 0.4: nothing moves until the sum 1.2 exceeds 1.0, then the object
  // moves by 1.0 and the rest is dropped.
  void rasterHoldsStepsBack() {
    Open(kViewFront, "ball");
    Doc().edit().raster = true;
    Doc().edit().raster_size = 1.0f;
    Geometry().front_width = Geometry().width * 0.4f / 10.0f;  // 10 pixels are 0.4
    Send(QEvent::MouseButtonPress, QPoint(100, 100));
    Send(QEvent::MouseMove, QPoint(101, 100));
    const float expected[] = {3.0f, 3.0f, 4.0f, 4.0f};
    for (int i = 0; i < 4; ++i) {
      Send(QEvent::MouseMove, QPoint(111 + 10 * i, 100));
      QVERIFY2(Near(Find("ball")->placement.position.x, expected[i]),
               qPrintable(QString::number(i)));
    }
    Send(QEvent::MouseButtonRelease, QPoint(141, 100));
  }

  // Frame Camera in an orthographic view pans (move) and zooms (scale) the view itself.
  void panAndZoomTheOrthographicView() {
    Open(kViewFront, "ball");
    Doc().navigation().frame = Frame::kCamera;
    const std::string before = SceneText();
    const float w = Geometry().front_width;
    Drag(QPoint(100, 100), {QPoint(40, -80)});
    QVERIFY(Near(Geometry().centre[0], -1.0) && Near(Geometry().centre[1], -2.0));
    Doc().navigation().operation = Operation::kScale;
    Drag(QPoint(100, 100), {QPoint(Geometry().width / 2, 0)});
    QVERIFY(Near(Geometry().front_width, w / 2));
    QCOMPARE(SceneText(), before);
  }

  // A quarter degree per pixel: down turns about X, right about Y (about Z when Y is off).
  void rotatesByAQuarterDegreePerPixel_data() {
    QTest::addColumn<int>("locked");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Vec3>("angles");
    QTest::newRow("x and y") << -1 << int(EditMode::kObject) << Vec3{2.0f, 1.0f, 0.0f};
    QTest::newRow("Y off") << 1 << int(EditMode::kObject) << Vec3{2.0f, 0.0f, 1.0f};
    QTest::newRow("X off") << 0 << int(EditMode::kObject) << Vec3{0.0f, 1.0f, 0.0f};
    QTest::newRow("axis mode") << -1 << int(EditMode::kAxis) << Vec3{2.0f, 1.0f, 0.0f};
  }
  void rotatesByAQuarterDegreePerPixel() {
    QFETCH(int, locked);
    QFETCH(int, mode);
    QFETCH(Vec3, angles);
    Open(kViewFront, "plate");
    Doc().navigation().operation = Operation::kRotate;
    Doc().edit().mode = static_cast<EditMode>(mode);
    if (locked >= 0) Doc().navigation().axis[locked] = false;
    const std::string before = SceneText();
    const Vec3 corner = Plate().points[2];
    Drag(QPoint(100, 100), {QPoint(4, 8)});
    QVERIFY(Near(Plate().placement.axis_deg, angles));
    // In Axis mode only the frame turns; otherwise the points turn with it.
    QCOMPARE(Plate().points[2] == corner, mode == int(EditMode::kAxis));
    CheckUndo(before);
  }

  // A camera turns in place (the views keep pointing to it), by the same quarter degrees.
  void turnsTheCameraInPlace() {
    Open(kViewCamera, nullptr, "camera eye { position <0,0,-8> }\n");
    Camera* camera = Doc().viewCamera();
    QCOMPARE(camera->name.c_str(), "eye");
    Doc().SetCurrent(camera);
    Doc().navigation().operation = Operation::kRotate;
    const std::string before = SceneText();
    Drag(QPoint(100, 100), {QPoint(8, 0)});
    QCOMPARE(Doc().viewCamera(), camera);
    QVERIFY(Near(camera->placement.axis_deg, Vec3{0.0f, 2.0f, 0.0f}));
    QVERIFY(Near(camera->placement.axis_Z.x, std::sin(2 * M_PI / 180)));
    CheckUndo(before);
  }

  // Scaling: f = 1 + (pixels right of the press point) / W on the enabled axes, made permanent
  // when the button comes up.
  void scalesByTheDistanceFromThePressPoint() {
    Open(kViewFront, "plate");
    Doc().navigation().operation = Operation::kScale;
    Doc().navigation().axis[2] = false;
    const std::string before = SceneText();
    const int half = Geometry().width / 2;
    Drag(QPoint(50, 100), {QPoint(half - 1, 0)});
    const Vec3 p = Plate().points[2];
    QVERIFY2(Near(p.x, 1.5) && Near(p.y, 1.5) && Near(p.z, 0.0),
             qPrintable(QString("%1 %2 %3").arg(p.x).arg(p.y).arg(p.z)));
    QCOMPARE(Plate().scale, (Vec3{1.0f, 1.0f, 1.0f}));
    CheckUndo(before);
  }

  // The magnet picks the points within its radius, weighted by the falloff: a point 0.5 away
  // in a radius of 1 weighs 0.5 linear, 0.25 quadratic, about 0.707 root, 1 constant.
  void magnetWeighsByFalloff_data() {
    QTest::addColumn<int>("falloff");
    QTest::addColumn<double>("weight");
    QTest::newRow("linear") << int(Falloff::kLinear) << 0.5;
    QTest::newRow("quadratic") << int(Falloff::kQuadratic) << 0.25;
    QTest::newRow("root") << int(Falloff::kRoot) << std::sqrt(0.5);
    QTest::newRow("constant") << int(Falloff::kConstant) << 1.0;
  }
  void magnetWeighsByFalloff() {
    QFETCH(int, falloff);
    QFETCH(double, weight);
    Open(kViewFront, "plate");
    EditState& edit = Doc().edit();
    edit.mode = EditMode::kPoints;
    edit.tool = PointTool::kSelect;
    edit.magnet = true;
    edit.falloff = static_cast<Falloff>(falloff);
    Click(Pixel(-1, -0.5));  // 0.5 from corner 0, 1.5 and more from the others
    const PointSelection& selection = Doc().selection();
    QCOMPARE(selection.count(), 1u);
    QCOMPARE(selection.point(0), 0u);
    QVERIFY(Near(selection.weight(0), weight));
    // A magnet move takes each point by its weight.
    const std::string before = SceneText();
    Doc().edit().tool = PointTool::kNone;
    Drag(Pixel(-1, -0.5), {QPoint(40, 0)});
    QVERIFY(Near(Plate().points[0].x, -1 + weight));
    QVERIFY(Near(Plate().points[1].x, 1.0));
    CheckUndo(before);
  }

  // Without "select" a picked point is held only while the button is down: the drag moves it,
  // the release lets it go. With "select" the picks add up.
  void pointPicksAndDrags() {
    Open(kViewFront, "plate");
    Doc().edit().mode = EditMode::kPoints;
    const std::string before = SceneText();
    Drag(Pixel(0.9, 0.8), {QPoint(0, -40)});  // nearest corner 2 at (1, 1)
    QVERIFY(Near(Plate().points[2].y, 2.0) && Near(Plate().points[3].y, 1.0));
    QVERIFY(Doc().selection().empty());
    CheckUndo(before);

    Doc().edit().tool = PointTool::kSelect;
    Click(Pixel(-0.9, 0.9));
    Click(Pixel(0.9, -0.9));
    QCOMPARE(Doc().selection().points(), (std::vector<uint32_t>{3, 1}));
    // Escape drops the selection; with nothing selected it does nothing and never closes.
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QVERIFY(Doc().selection().empty());
    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QVERIFY(window_->isVisible());
  }

  // "sel. border" adds the points inside the rectangle; Delete removes them from the mesh.
  void borderSelectsAndDeleteRemoves() {
    Open(kViewFront, "plate");
    Doc().edit().mode = EditMode::kPoints;
    Doc().edit().tool = PointTool::kBorder;
    Drag(Pixel(-1.5, 1.5), {QPoint(60, -20), QPoint(60, 100)});  // to (1.5 − 1/40, 0)
    QCOMPARE(Doc().selection().points(), (std::vector<uint32_t>{2, 3}));
    const std::string before = SceneText();
    QTest::keyClick(window_.get(), Qt::Key_Delete);
    QCOMPARE(Plate().point_count, 2u);
    QCOMPARE(Plate().triangle_count, 0u);
    QVERIFY(Doc().selection().empty());
    CheckUndo(before);
  }

  // Shift turns "select" on while it is held.
  void shiftSelectsWhileHeld() {
    Open(kViewFront, "plate");
    Doc().edit().mode = EditMode::kPoints;
    QTest::keyPress(window_.get(), Qt::Key_Shift);
    QCOMPARE(Doc().edit().tool, PointTool::kSelect);
    QTest::keyRelease(window_.get(), Qt::Key_Shift);
    QCOMPARE(Doc().edit().tool, PointTool::kNone);
  }

  // Scaled points never shrink below a ten-thousandth of their distance from the pivot.
  void pointScaleStopsAtATenThousandth() {
    Open(kViewFront, "plate");
    Doc().edit().mode = EditMode::kPoints;
    Doc().edit().tool = PointTool::kSelect;
    Click(Pixel(1, 1));
    Doc().edit().tool = PointTool::kNone;
    Doc().navigation().operation = Operation::kScale;
    Drag(Pixel(0, 0), {QPoint(-2 * Geometry().width, 0)});
    QVERIFY(Near(Plate().points[2].x, 0.0001, 1e-6) && Near(Plate().points[2].y, 0.0001, 1e-6));
    QVERIFY(Near(Plate().points[0].x, -1.0));
  }

  // "add" appends a point to a path after its last point (Ctrl: before its first), the third
  // coordinate taken from that neighbour.
  void addPutsPathPointsAtTheEnds() {
    Open(kViewFront, nullptr);
    auto* path = new MeshObject;
    path->name = "spine";
    path->is_path = 1;
    path->AppendPoint(Vec3{0.0f, 0.0f, 2.0f});
    path->AppendPoint(Vec3{1.0f, 0.0f, 3.0f});
    Doc().scene().objects->Append(path, 1);
    Doc().SetCurrent(path);
    Doc().edit().mode = EditMode::kPoints;
    Doc().edit().tool = PointTool::kAdd;
    const std::string before = SceneText();
    Click(Pixel(2, 1));
    Click(Pixel(-1, 0.5), Qt::ControlModifier);
    path = static_cast<MeshObject*>(Find("spine"));  // an edit works on a copy
    QCOMPARE(path->point_count, 4u);
    QVERIFY(Near(path->points[3], Vec3{2.0f, 1.0f, 3.0f}));
    QVERIFY(Near(path->points[0], Vec3{-1.0f, 0.5f, 2.0f}));
    QVERIFY(Near(path->points[1], Vec3{0.0f, 0.0f, 2.0f}));
    Doc().undoStack().undo();
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
  }

  // A click without movement picks the nearest object under the cursor in every view; a click
  // on nothing keeps the current object.
  void clickPicksTheObjectUnderTheCursor() {
    Open(kViewFront, nullptr);
    Click(Pixel(3, 0.2));
    QCOMPARE(Doc().currentObject(), Find("ball"));
    Click(Pixel(-5, 5));
    QCOMPARE(Doc().currentObject(), Find("ball"));
    Doc().SetViewMode(kViewTop);
    Click(Pixel(0.5, -0.5));  // the plate lies edge-on in Top: a miss
    QCOMPARE(Doc().currentObject(), Find("ball"));
    Doc().SetViewMode(kViewSide);
    Click(Pixel(0.5, 0.5));  // from +x the ball (at x = 3) comes first
    QCOMPARE(Doc().currentObject(), Find("ball"));
    // The standard camera at (1, 2, −7) looks along +z through its centre pixel.
    Doc().SetViewMode(kViewCamera);
    const QPoint centre(Geometry().width / 2, Geometry().height / 2);
    Ray ray = PickRay(Doc(), Geometry(), float(centre.x()), float(centre.y()));
    QVERIFY(Near(ray.direction.z, 1.0) && Near(ray.origin.x, 1.0) && Near(ray.origin.y, 2.0));
    Doc().SetCurrent(nullptr);
    // 2 units down and 1 left of the eye at 7 units: the plate's middle, (0, 0, 0).
    const double focal =
        Geometry().height / 2.0 / std::tan(Doc().viewCamera()->ViewAngle() * M_PI / 360.0);
    Click(QPoint(int(std::lround(centre.x() - focal / 7)),
                 int(std::lround(centre.y() + 2 * focal / 7))));
    QCOMPARE(Doc().currentObject(), Find("plate"));
  }
};

QTEST_MAIN(MouseTest)
#include "mouse_test.moc"
