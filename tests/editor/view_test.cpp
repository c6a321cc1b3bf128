// The GL view: mouse editing by drags synthesized on the widget, the expected numbers worked out
// from the view's geometry and every drag one undo step; broken scenes draw without a crash.

#include "editor/editor_fixture.h"
#include "editor/gl_view.h"
#include "scene/mesh_object.h"

// A square plate in the XY plane, corners (±1, ±1, 0), and a ball of radius 0.5 at (3, 0, 0).
const std::string kScene = R"(points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }
trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }
sphere ball { radius <0.5> position <3,0,0> }
)";

// Each view moves along its plane's axes (40 pixels a unit; screen up is the second axis growing).
const std::tuple<const char*, int, Vec3> kMoves[] = {{"top", kViewTop, {0.5f, 0.0f, 1.0f}},
                                                     {"side", kViewSide, {0.0f, 1.0f, 0.5f}}};
// What a move takes along, by edit mode: the whole mesh, its pivot alone, or its mapping object.
const std::tuple<const char*, EditMode, bool, bool, bool> kTakes[] = {
    {"object", EditMode::kObject, true, true, true},
    {"axis", EditMode::kAxis, false, true, false},
    {"texture", EditMode::kTexture, false, false, true}};
// A quarter degree per pixel: down turns about X, right about Y (about Z when Y is off).
const std::tuple<const char*, int, EditMode, Vec3> kTurns[] = {
    {"Y off", 1, EditMode::kObject, {2.0f, 0.0f, 1.0f}},
    {"axis mode", -1, EditMode::kAxis, {2.0f, 1.0f, 0.0f}}};
// The weight of a point 0.5 away in a magnet radius of 1.
const std::tuple<const char*, Falloff, double> kMagnets[] = {
    {"linear", Falloff::kLinear, 0.5},
    {"quadratic", Falloff::kQuadratic, 0.25},
    {"root", Falloff::kRoot, std::sqrt(0.5)},
    {"constant", Falloff::kConstant, 1.0}};
const QColor kBackground(180, 180, 180);

// The pixels of `image` without alpha.
static QList<QRgb> Pixels(const QImage& image) {
  QList<QRgb> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) pixels << (image.pixel(x, y) & 0xffffff);
  return pixels;
}

class ViewTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  GlView& View() { return window_->view(); }
  ViewGeometry& Geometry() { return View().geometry(); }
  MeshObject& Plate() { return *static_cast<MeshObject*>(Find("plate")); }

  // The scene in `view` at 40 pixels to the unit (world points fall on whole pixels).
  void Open(int view, const char* current, EditMode mode = EditMode::kObject) {
    OpenText(kScene);
    Doc().SetViewMode(view);
    Geometry().front_width = Geometry().side_width = Geometry().width / 40.0f;
    Doc().SetCurrent(current ? Find(current) : nullptr);
    Doc().edit().mode = mode;
  }
  // The pixel of a world point in the orthographic views at 40 pixels to the unit.
  QPoint Pixel(double a, double b) {
    return QPoint(int(std::lround(Geometry().width / 2.0 + 40 * a)),
                  int(std::lround(Geometry().height / 2.0 - 40 * b)));
  }
  void Send(QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QMouseEvent event(type, QPointF(at), View().mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      modifiers);
    QCoreApplication::sendEvent(&View(), &event);
  }
  // Press, a first move of one pixel (only taken note of), then each of `steps`, and release.
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
  QImage Grab(const char* name) {
    QImage image = View().grabFramebuffer();
    image.save(QStringLiteral(QT_TESTCASE_BUILDDIR "/editor_view_%1.png").arg(name));
    return image;
  }
 private slots:
  void init() {
    Start(QSize(800, 600));
    QTRY_VERIFY(Geometry().width > 100);
  }
  void cleanup() { Stop(); }
  void movesAlongTheViewPlane_data() { AddRows(kMoves); }
  void movesAlongTheViewPlane() {
    const auto& [name, view, moved] = Row(kMoves);
    Open(view, "ball");
    const std::string before = SceneText();
    Drag(Pixel(0, 0), {QPoint(10, -20), QPoint(10, -20)});
    QVERIFY(Near(Find("ball")->placement.position, Vec3{3 + moved.x, moved.y, moved.z}));
    CheckUndo(before);
  }
  void moveTakesWhatTheEditModeSays_data() { AddRows(kTakes); }
  void moveTakesWhatTheEditModeSays() {
    const auto& [name, mode, points, pivot, mapping] = Row(kTakes);
    Open(kViewFront, "plate", mode);
    const std::string before = SceneText();
    Drag(Pixel(0, 0), {QPoint(40, 0)});
    QCOMPARE(Near(Plate().points[0].x, 0.0), points);
    QCOMPARE(Near(Plate().placement.position.x, 1.0), pivot);
    QVERIFY(Plate().mapping_object);
    QCOMPARE(Near(Plate().mapping_object->placement.position.x, 1.0), mapping);
    CheckUndo(before);
  }
  // Raster 1.0, steps of 0.4: nothing moves until the sum 1.2 exceeds 1.0, then it moves by 1.0.
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
      QVERIFY(Near(Find("ball")->placement.position.x, expected[i]));
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
  void rotatesByAQuarterDegreePerPixel_data() { AddRows(kTurns); }
  void rotatesByAQuarterDegreePerPixel() {
    const auto& [name, locked, mode, angles] = Row(kTurns);
    Open(kViewFront, "plate", mode);
    Doc().navigation().operation = Operation::kRotate;
    if (locked >= 0) Doc().navigation().axis[locked] = false;
    const std::string before = SceneText();
    const Vec3 corner = Plate().points[2];
    Drag(QPoint(100, 100), {QPoint(4, 8)});
    QVERIFY(Near(Plate().placement.axis_deg, angles));
    // In Axis mode only the frame turns; otherwise the points turn with it.
    QCOMPARE(Plate().points[2] == corner, mode == EditMode::kAxis);
    CheckUndo(before);
  }
  // f = 1 + (pixels right of the press point) / W on the enabled axes, made permanent on release.
  void scalesByTheDistanceFromThePressPoint() {
    Open(kViewFront, "plate");
    Doc().navigation().operation = Operation::kScale;
    Doc().navigation().axis[2] = false;
    const std::string before = SceneText();
    Drag(QPoint(50, 100), {QPoint(Geometry().width / 2 - 1, 0)});
    QVERIFY(Near(Plate().points[2], Vec3{1.5f, 1.5f, 0.0f}));
    QCOMPARE(Plate().scale, (Vec3{1.0f, 1.0f, 1.0f}));
    CheckUndo(before);
  }
  void magnetWeighsByFalloff_data() { AddRows(kMagnets); }
  void magnetWeighsByFalloff() {
    const auto& [name, falloff, weight] = Row(kMagnets);
    Open(kViewFront, "plate", EditMode::kPoints);
    EditState& edit = Doc().edit();
    edit.tool = PointTool::kSelect;
    edit.magnet = true;
    edit.falloff = falloff;
    Click(Pixel(-1, -0.5));  // 0.5 from corner 0, 1.5 and more from the others
    const PointSelection& selection = Doc().selection();
    QCOMPARE(selection.points(), std::vector<uint32_t>{0});
    QVERIFY(Near(selection.weight(0), weight));
    // A magnet move takes each point by its weight.
    const std::string before = SceneText();
    edit.tool = PointTool::kNone;
    Drag(Pixel(-1, -0.5), {QPoint(40, 0)});
    QVERIFY(Near(Plate().points[0].x, -1 + weight));
    QVERIFY(Near(Plate().points[1].x, 1.0));
    CheckUndo(before);
  }
  // Without "select" a picked point is held only while the button is down; with it picks add up.
  void pointPicksAndDrags() {
    Open(kViewFront, "plate", EditMode::kPoints);
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
    // Shift turns "select" on while it is held.
    Doc().edit().tool = PointTool::kNone;
    QTest::keyPress(window_.get(), Qt::Key_Shift);
    QCOMPARE(Doc().edit().tool, PointTool::kSelect);
    QTest::keyRelease(window_.get(), Qt::Key_Shift);
    QCOMPARE(Doc().edit().tool, PointTool::kNone);
  }
  // "sel. border" adds the points inside the rectangle; Delete removes them from the mesh.
  void borderSelectsAndDeleteRemoves() {
    Open(kViewFront, "plate", EditMode::kPoints);
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
  // Scaled points never shrink below a ten-thousandth of their distance from the pivot.
  void pointScaleStopsAtATenThousandth() {
    Open(kViewFront, "plate", EditMode::kPoints);
    Doc().edit().tool = PointTool::kSelect;
    Click(Pixel(1, 1));
    Doc().edit().tool = PointTool::kNone;
    Doc().navigation().operation = Operation::kScale;
    Drag(Pixel(0, 0), {QPoint(-2 * Geometry().width, 0)});
    QVERIFY(Near(Plate().points[2].x, 0.0001, 1e-6) && Near(Plate().points[2].y, 0.0001, 1e-6));
    QVERIFY(Near(Plate().points[0].x, -1.0));
  }
  // "add" appends to a path after its last point (Ctrl: before its first), z from that neighbour.
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
    UndoTo(before, 2);
  }
  // A click picks the nearest object under the cursor in every view; a miss keeps the current one.
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
  void brokenScenesDrawWithoutACrash_data() {
    QTest::addColumn<QString>("scene");
    QTest::newRow("nothing") << "";
    QTest::newRow("empty group") << "object box { }\n";
    QTest::newRow("no triangles") << "points few { number <2> <0,0,0> <1,1,1> }\n"
                                     "trimesh bare { points few triangles <0> }\n";
  }
  void brokenScenesDrawWithoutACrash() {
    QFETCH(QString, scene);
    for (int mode : {int(kViewFront), int(kViewTop), int(kViewCamera)}) {
      OpenText(scene.toStdString());
      Doc().SetViewMode(mode);
      Doc().SetCurrent(nullptr);
      QCOMPARE(Grab("broken").pixelColor(3, 3), kBackground);
      Doc().SetDisplayMode(1);
      QCOMPARE(Grab("broken").pixelColor(3, 3), kBackground);
      Doc().SetDisplayMode(0);
    }
    // Points that are not numbers and far out.
    auto* mesh = new MeshObject;
    mesh->name = "wild";
    mesh->AppendPoint(Vec3{NAN, 0.0f, 0.0f});
    mesh->AppendPoint(Vec3{1e30f, -1e30f, 1e30f});
    mesh->AppendPoint(Vec3{0.0f, 1.0f, 0.0f});
    mesh->SetTriangleCount(1);
    mesh->SetTriangle(0, 0, 1, 2);
    mesh->preview_dirty = 1;
    Doc().scene().objects->Append(mesh, 1);
    Doc().SetCurrent(mesh);
    Doc().edit().mode = EditMode::kPoints;  // with a selected point, drawn apart
    Doc().selection().Add(2, 1.0f);
    Doc().NotifyEditState();
    Doc().SetDisplayMode(1);
    Grab("wild");
  }
  // The showcase in the Camera view is drawn in the objects' own colours (pictures kept).
  void showcaseInTheCameraView() {
    QVERIFY(Doc().OpenPath(ORVANE_SOURCE_DIR "/examples/showcase.ovs"));
    QCOMPARE(Doc().viewMode(), int(kViewCamera));
    window_->Run(kCmdWireFrame);
    QImage image = window_->view().grabFramebuffer();
    QVERIFY(image.save(QT_TESTCASE_BUILDDIR "/editor_showcase_wire.png"));
    const QList<QRgb> wire = Pixels(image);
    // The brass star and the blue glass sphere each in its material's colour.
    QVERIFY(wire.count(qRgb(210, 160, 60) & 0xffffff) > 100);
    QVERIFY(wire.count(qRgb(60, 110, 255) & 0xffffff) > 50);
    // The meshes' shaded faces cover more of the picture than their wire frames (counted in shades
    // of the brass, lit or not), in more colours.
    window_->Run(kCmdFaces);
    image = window_->view().grabFramebuffer();
    QVERIFY(image.save(QT_TESTCASE_BUILDDIR "/editor_showcase_faces.png"));
    const QList<QRgb> faces = Pixels(image);
    auto brass = [](QRgb p) {
      return qRed(p) > qGreen(p) && qGreen(p) > qBlue(p) && qRed(p) - qBlue(p) > 30;
    };
    QVERIFY(std::count_if(faces.begin(), faces.end(), brass) >
            2 * std::count_if(wire.begin(), wire.end(), brass));
    QVERIFY(QSet<QRgb>(faces.begin(), faces.end()).size() >
            QSet<QRgb>(wire.begin(), wire.end()).size());
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
