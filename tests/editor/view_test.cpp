// The GL view edited by synthesized drags (the numbers worked out from its geometry), broken scenes
// drawn; the tool windows, the construction dialogs, the render sheet and the render window's
// TRACE!, Stop and Show on real scenes. Every edit is one undo step.

#include <sched.h>

#include "editor/construction_dialogs.h"
#include "editor/editor_fixture.h"
#include "editor/gl_view.h"
#include "editor/render_sheet.h"
#include "editor/render_window.h"
#include "editor/tool_window.h"
#include "material/texture.h"
#include "modelling/object_edits.h"
#include "modelling/primitives.h"
#include "scene/light_source.h"
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

// A red ball in front of the camera; it shows only where a light shines on it.
const std::string kBall = R"(material red { diffus_color <255,0,0> }
sphere ball { radius <2> material red } camera eye { position <0,0,-8> } raytrace { camera eye }
)";

// Pixel (x, y) of a 24-bit TGA written top row first.
static QRgb TgaPixel(const std::string& tga, int width, int x, int y) {
  const std::size_t at = 18 + (std::size_t(y) * width + x) * 3;
  if (at + 2 >= tga.size()) return 0;
  return qRgb(uint8_t(tga[at + 2]), uint8_t(tga[at + 1]), uint8_t(tga[at]));
}

// The field typed in ("x", "y" or "resolution"), then the picture size and fieldRight, fieldBottom.
const std::tuple<const char*, const char*, const char*, QSize, QSize> kSizes[] = {
    {"odd Y loses a pixel", "y", "101", {320, 100}, {320, 240}},
    {"resolution sets the frame", "resolution", "640 x 480", {640, 480}, {640, 480}}};
// The stored right border, then Xmin, Ymin, Xmax, Ymax and visible as shown.
const std::tuple<const char*, int, QStringList> kBorders[] = {
    {"stored frame", 200, {"5", "6", "200", "240", "7"}},
    {"no right border: whole picture", 0, {"0", "0", "320", "240", "0"}}};
// The combo box ("sky" typed passes "s" and "sk"), the mode set, the background's red afterwards.
const std::tuple<const char*, const char*, int, int> kTextures[] = {
    {"fractal mask typed", "mask", 2, 10}, {"typed background", "background", 2, 0}};
// Whether the depth map's file is asked for, and the answer (empty: cancelled).
const std::tuple<const char*, bool, const char*> kFiles[] = {{"picture", false, "/tmp/a.tga"},
                                                             {"depth map cancelled", true, ""}};
const std::tuple<const char*, std::string, const char*, const char*> kRefusals[] = {
    {"no camera", "sphere ball { radius <1> }\n", "x", "Attention: You should select a camera!"},
    {"missing folder", kBall, "no/such/folder/x",
     "Error: The save-path points to a write-protected drive!"}};
// The viewer, TGA (or JPEG) output, whether a picture was rendered, what is run (or nothing).
const std::tuple<const char*, const char*, bool, bool, const char*> kShows[] = {
    {"TGA", "view", true, true, "view shown00001.tga"},
    {"JPEG only", "view", false, true, "view shown00001.jpg"},
    {"no viewer", "", true, true, ""},
    {"no picture yet", "view", true, false, ""}};
const std::tuple<const char*, bool> kPanoramas[] = {{"perspective", false}, {"panorama", true}};
const std::tuple<const char*, bool> kStops[] = {{"window closed", false}, {"Stop button", true}};

static QList<QRgb> Pixels(const QImage& image) {
  QList<QRgb> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) pixels << (image.pixel(x, y) & 0xffffff);
  return pixels;
}

class ViewTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  COV_wnd_render* sheet_ = nullptr;
  RenderWindow* render_ = nullptr;
  RenderSettings& Settings() { return Doc().scene().render; }
  template <class T>
  T* Control(const char* name) {
    T* control = sheet_->findChild<T*>(name);
    if (!control) qFatal("no control %s", name);
    return control;
  }
  void ShowPage(int page) {
    sheet_->ShowOnce();
    sheet_->tabs()->setCurrentIndex(page);
    QCoreApplication::processEvents();
  }
  void Retype(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
  }
  int LightCount() { return Doc().scene().lights->count; }
  void PrepareBall(int width, int height, const char* output) {
    OpenText(kBall);
    Settings().SetSize(width, height);
    Settings().fieldRight = width;
    Settings().fieldBottom = height;
    Settings().outputName = Path(output).toLocal8Bit().constData();
  }
  GlView& View() { return window_->view(); }
  ViewGeometry& Geometry() { return View().geometry(); }
  MeshObject& Plate() { return *static_cast<MeshObject*>(Find("plate")); }

  // The view `view` at 40 pixels to the unit (world points fall on whole pixels).
  void Prepare(int view, const char* current, EditMode mode = EditMode::kObject) {
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
  // The view's picture, kept as editor_view_NAME.png in the build folder.
  QImage Grab(const char* name) {
    QImage image = View().grabFramebuffer();
    if (!image.save(QStringLiteral(QT_TESTCASE_BUILDDIR "/editor_view_%1.png").arg(name)))
      qFatal("cannot save %s", name);
    return image;
  }
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
  QLineEdit* Coordinate(const char* field) {
    auto* edit = In<QLineEdit>("Coordinate-Control", field);
    if (!edit) qFatal("no field %s", field);
    return edit;
  }
  void Type(const char* field, const QString& text) {
    Coordinate(field)->setText(text);
    QTest::keyClick(Coordinate(field), Qt::Key_Return);
  }
  QString Field(const char* field) { return Coordinate(field)->text(); }
  QString Enabled(const char* window, std::initializer_list<const char*> buttons) {
    QString seen;
    for (const char* b : buttons) seen += Button(window, b)->isEnabled() ? '1' : '0';
    return seen;
  }
  std::unique_ptr<ConstructionDialog> Dialog(int id) {
    std::unique_ptr<ConstructionDialog> dialog = MakeConstructionDialog(id, Doc(), window_.get());
    if (!dialog) qFatal("no dialog for %d", id);
    return dialog;
  }
  void Build(int id) { QVERIFY(Dialog(id)->Confirm()); }
 private slots:
  // One CPU for the render threads (and the command line's): coverage counters do not race.
  void initTestCase() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    QCOMPARE(sched_setaffinity(0, sizeof one, &one), 0);
  }
  void init() {
    Start(QSize(800, 600));
    QTRY_VERIFY(Geometry().width > 100);
    OpenText(kScene);
    window_->Run(kCmdRenderPreferences);
    window_->Run(kCmdRender);
    sheet_ = &window_->renderSheet();
    render_ = &window_->renderWindow();
    QVERIFY(sheet_->isVisible() && render_->isVisible());
  }
  void cleanup() { Stop(); }
  void movesAlongTheViewPlane_data() { AddRows(kMoves); }
  void movesAlongTheViewPlane() {
    const auto& [name, view, moved] = Row(kMoves);
    Prepare(view, "ball");
    const std::string before = SceneText();
    Drag(Pixel(0, 0), {QPoint(10, -20), QPoint(10, -20)});
    QVERIFY(Near(Find("ball")->placement.position, Vec3{3 + moved.x, moved.y, moved.z}));
    CheckUndo(before);
  }
  void moveTakesWhatTheEditModeSays_data() { AddRows(kTakes); }
  void moveTakesWhatTheEditModeSays() {
    const auto& [name, mode, points, pivot, mapping] = Row(kTakes);
    Prepare(kViewFront, "plate", mode);
    const std::string before = SceneText();
    Drag(Pixel(0, 0), {QPoint(40, 0)});
    QCOMPARE(Near(Plate().points[0].x, 0.0), points);
    QCOMPARE(Near(Plate().placement.position.x, 1.0), pivot);
    QVERIFY(Plate().mapping_object);
    QCOMPARE(Near(Plate().mapping_object->placement.position.x, 1.0), mapping);
    CheckUndo(before);
  }
  // Raster 1.0, steps of 0.4: nothing moves until the sum 1.2 exceeds 1.0, then it moves by 1.0.
  // Then Frame Camera in an orthographic view pans (move) and zooms (scale) the view itself.
  void rasterAndViewFrame() {
    Prepare(kViewFront, "ball");
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
    Doc().edit().raster = false;
    Geometry().front_width = Geometry().width / 40.0f;
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
    Prepare(kViewFront, "plate", mode);
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
    Prepare(kViewFront, "plate");
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
    Prepare(kViewFront, "plate", EditMode::kPoints);
    EditState& edit = Doc().edit();
    edit.tool = PointTool::kSelect;
    edit.magnet = true;
    edit.falloff = falloff;
    Click(Pixel(-1, -0.5));  // 0.5 from corner 0, 1.5 and more from the others
    const PointSelection& selection = Doc().selection();
    QCOMPARE(selection.points(), std::vector<uint32_t>{0});
    QVERIFY(Near(selection.weight(0), weight));
    const std::string before = SceneText();
    edit.tool = PointTool::kNone;
    Drag(Pixel(-1, -0.5), {QPoint(40, 0)});
    QVERIFY(Near(Plate().points[0].x, -1 + weight));
    QVERIFY(Near(Plate().points[1].x, 1.0));
    CheckUndo(before);
  }
  // Without "select" a picked point is held only while the button is down; with it picks add up.
  void pointPicksAndDrags() {
    Prepare(kViewFront, "plate", EditMode::kPoints);
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
    Prepare(kViewFront, "plate", EditMode::kPoints);
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
    Prepare(kViewFront, "plate", EditMode::kPoints);
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
    Prepare(kViewFront, nullptr);
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
    // A click picks the nearest object under the cursor in every view; a miss keeps the current
    // one.
    Prepare(kViewFront, nullptr);
    // The ball, a miss, the plate edge-on in Top (a miss), the ball (x = 3) first from +x.
    const std::tuple<int, double, double> clicks[] = {
        {kViewFront, 3, 0.2}, {kViewFront, -5, 5}, {kViewTop, 0.5, -0.5}, {kViewSide, 0.5, 0.5}};
    for (const auto& [view, a, b] : clicks) {
      Doc().SetViewMode(view);
      Click(Pixel(a, b));
      QCOMPARE(Doc().currentObject(), Find("ball"));
    }
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
  void brokenScenesDrawWithoutACrash() {
    for (const char* scene : {"", "object box { }\n",
                              "points few { number <2> <0,0,0> <1,1,1> }\n"
                              "trimesh bare { points few triangles <0> }\n"}) {
      for (int mode : {int(kViewFront), int(kViewTop), int(kViewCamera)}) {
        OpenText(scene);
        Doc().SetViewMode(mode);
        Doc().SetCurrent(nullptr);
        for (int display : {1, 0}) {
          QCOMPARE(Grab("broken").pixelColor(3, 3), QColor(180, 180, 180));
          Doc().SetDisplayMode(display);
        }
      }
    }
    // Points that are not numbers and far out.
    OpenText(
        "points p { number <3> <nan,0,0> <1e30,-1e30,1e30> <0,1,0> }\n"
        "trimesh wild { points p triangles <1> <0,1,2> }\n");
    Doc().SetCurrent(Find("wild"));
    Doc().edit().mode = EditMode::kPoints;  // with a selected point, drawn apart
    Doc().selection().Add(2, 1.0f);
    Doc().NotifyEditState();
    Doc().SetDisplayMode(1);
    Grab("wild");
    // The showcase in the Camera view is drawn in the objects' own colours (pictures kept).
    QVERIFY(Doc().OpenPath(ORVANE_SOURCE_DIR "/examples/showcase.ovs"));
    QCOMPARE(Doc().viewMode(), int(kViewCamera));
    window_->Run(kCmdWireFrame);
    const QList<QRgb> wire = Pixels(Grab("showcase_wire"));
    // The brass star and the blue glass sphere each in its material's colour.
    QVERIFY(wire.count(qRgb(210, 160, 60) & 0xffffff) > 100);
    QVERIFY(wire.count(qRgb(60, 110, 255) & 0xffffff) > 50);
    // The meshes' shaded faces cover more of the picture than their wire frames (counted in shades
    // of the brass, lit or not), in more colours.
    window_->Run(kCmdFaces);
    const QList<QRgb> faces = Pixels(Grab("showcase_faces"));
    auto brass = [](QRgb p) {
      return qRed(p) > qGreen(p) && qGreen(p) > qBlue(p) && qRed(p) - qBlue(p) > 30;
    };
    QVERIFY(std::count_if(faces.begin(), faces.end(), brass) >
            2 * std::count_if(wire.begin(), wire.end(), brass));
    QVERIFY(QSet<QRgb>(faces.begin(), faces.end()).size() >
            QSet<QRgb>(wire.begin(), wire.end()).size());
  }
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
  void coordinateFields() {
    Doc().SetCurrent(Find("plate"));
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Coordinate("Position X")->setText("2");
    Coordinate("Angle z")->setText("90");
    Type("Position Y", "0.5");
    QCOMPARE(Plate().placement.position, (Vec3{2.0f, 0.5f, 0.0f}));
    // Corner (1, 1) went along by (2, 0.5) and turned a quarter about z round the pivot.
    const Vec3 corner = Plate().points[2];
    QVERIFY(Near(std::fabs(corner.x - 2.0f), 1.0) && Near(std::fabs(corner.y - 0.5f), 1.0));
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    QCOMPARE(Field("Position X"), QString("0"));
    Click("Edit-Control", "Axis");
    Type("Position X", "-1.5");
    QCOMPARE(Plate().placement.position.x, -1.5f);
    QCOMPARE(Plate().points[0], (Vec3{-1.0f, -1.0f, 0.0f}));
    // What is nearly 0 shows as 0; junk reads as 0; the radius is taken as its absolute value.
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
    // A typed view angle sets the camera's zoom so that it gives that angle back.
    Camera* eye = Doc().viewCamera();
    Doc().SetCurrent(eye);
    const std::string unzoomed = SceneText();
    Type("Camera- Angle", "45");
    QVERIFY(std::fabs(eye->ViewAngle() - 45.0) < 1e-3);
    UndoTo(unzoomed);
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
    QCOMPARE(CurrentMapping(Plate()), MappingKind::kPlane);
    UndoTo(before);
    QVERIFY(Button("Edit-Control", "Sphere")->isChecked());
  }
  // A refused field keeps the dialog open and the scene as it was; the next value is taken.
  void refusalsKeepTheDialogOpen() {
    std::unique_ptr<ConstructionDialog> ring = Dialog(kCmdRing);
    ring->SetText("Tube-Segments", "0");
    const std::string before = SceneText();
    QVERIFY(!ring->Confirm());
    QCOMPARE(prompter_->Messages(),
             std::vector<std::string>{"Attention: The number of "
                                      "Tube-Segments must be greater than 0."});
    QCOMPARE(SceneText(), before);
    QCOMPARE(ring->Text("Tube-Segments"), QString("0"));
    ring->SetText("Tube-Segments", "1");
    QVERIFY(ring->Confirm());
    QCOMPARE(ring->result().item, Doc().currentObject());
    // The base name while it is free, then counted on; a taken name is refused.
    QCOMPARE(Dialog(kCmdCube)->Text("Name"), QString("Cube"));
    Build(kCmdCube);
    QCOMPARE(Dialog(kCmdCube)->Text("Name"), QString("Cube1"));
    Build(kCmdLightSource);
    QCOMPARE(Dialog(kCmdLightSource)->Text("Name"), QString("Licht1"));
    const std::tuple<int, const char*, std::string> taken[] = {
        {kCmdCube, "Cube", std::string("Error: ") + kNameTakenText},
        {kCmdMathSphere, "Cube", std::string("Error: ") + kNameTakenText},
        {kCmdMeshSphere, "Cube", std::string("Fehler: ") + kSphereNameTakenText},
        {kCmdLightSource, "Licht", std::string("Fehler: ") + kLightNameTakenText}};
    for (const auto& [id, name, message] : taken) {
      std::unique_ptr<ConstructionDialog> dialog = Dialog(id);
      dialog->SetText("Name", name);
      prompter_->asked.clear();
      QVERIFY(!dialog->Confirm());
      QCOMPARE(prompter_->Messages(), std::vector<std::string>{message});
    }
    std::unique_ptr<ConstructionDialog> cube = Dialog(kCmdCube);
    cube->SetChecked("equal", true);
    QVERIFY(!cube->FieldEnabled("Depth") && !cube->FieldEnabled("Height"));
    std::unique_ptr<ConstructionDialog> light = Dialog(kCmdLightSource);
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
    std::unique_ptr<ConstructionDialog> field = Dialog(kCmdHeightField);
    QCOMPARE(field->Text("Name"), QString("Height Field"));
    std::unique_ptr<ConstructionDialog> cube = Dialog(kCmdCube);
    cube->SetText("Name", "my box");
    QVERIFY(cube->Confirm());
    QCOMPARE(Doc().currentObject()->name.c_str(), "my_box");
  }
  // The lathe offers the paths with the current one chosen; the copies need a clipboard item.
  void constructionsFromPathsAndTheClipboard() {
    Build(kCmdNewPath);
    std::unique_ptr<ConstructionDialog> lathe = Dialog(kCmdLathe);
    QCOMPARE(lathe->Text("Outline"), QString("Path"));
    QVERIFY(lathe->Confirm());
    auto* mesh = dynamic_cast<MeshObject*>(Doc().currentObject());
    QVERIFY(mesh && !mesh->IsPath() && mesh->triangle_count > 0);
    QVERIFY(!MakeConstructionDialog(kCmdCopyNumber, Doc(), window_.get()));
    QVERIFY(Doc().Copy());
    std::unique_ptr<ConstructionDialog> copies = Dialog(kCmdCopyNumber);
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
  void sizeFields_data() { AddRows(kSizes); }
  void sizeFields() {
    const auto& [name, field, input, picture, frameEnd] = Row(kSizes);
    ShowPage(0);
    if (field == std::string("resolution")) {
      auto* combo = Control<QComboBox>("resolution");
      const int index = combo->findText(input);
      QVERIFY(index >= 0);
      combo->setCurrentIndex(index);
      emit combo->activated(index);
      QCOMPARE(Control<QLineEdit>("x")->text() + " x " + Control<QLineEdit>("y")->text(),
               QString(input));
    } else {
      Retype(Control<QLineEdit>(field), input);
    }
    QCOMPARE(QSize(Settings().Width(), Settings().Height()), picture);
    QCOMPARE(QSize(Settings().fieldRight, Settings().fieldBottom), frameEnd);
  }
  void framePage_data() { AddRows(kBorders); }
  void framePage() {
    const auto& [name, storedRight, expected] = Row(kBorders);
    RenderSettings& s = Settings();
    s.fieldLeft = 5;
    s.fieldTop = 6;
    s.fieldRight = storedRight;
    s.fieldBrightness = 7;
    ShowPage(1);
    QStringList shown;
    for (const char* field : {"xmin", "ymin", "xmax", "ymax", "visible"})
      shown << Control<QLineEdit>(field)->text();
    QCOMPARE(shown, expected);
    QTest::mouseClick(Control<QPushButton>("reset"), Qt::LeftButton);
    QCOMPARE(QList<int>({s.fieldLeft, s.fieldTop, s.fieldRight, s.fieldBottom, s.fieldBrightness}),
             QList<int>({0, 0, 320, 240, 0}));
  }
  void textureNames_data() { AddRows(kTextures); }
  void textureNames() {
    const auto& [name, combo, use, red] = Row(kTextures);
    const bool mask = combo == std::string("mask");
    Scene& scene = Doc().scene();
    for (auto [title, kind] : {std::pair{"wood", kTextureImage}, std::pair{"sky", kTextureFractal},
                               std::pair{"board", kTextureChess}}) {
      auto* made = new Texture(kind);
      made->name = title;
      scene.images->Append(made, 1);
    }
    RenderSettings& s = Settings();
    s.background[0] = 10;
    ShowPage(mask ? 1 : 3);
    auto* box = Control<QComboBox>(combo);
    QCOMPARE(box->count(), 3);
    Retype(box->lineEdit(), "sky");
    const Texture* texture = mask ? s.fieldMask : s.backgroundTexture;
    QCOMPARE(texture ? QString(texture->name.c_str()) : QString(), QString("sky"));
    QCOMPARE(mask ? s.fieldMaskType : s.backgroundMode, use);
    QCOMPARE(int(s.background[0]), red);
  }
  void fileDialogs_data() { AddRows(kFiles); }
  void fileDialogs() {
    const auto& [name, depth, chosen] = Row(kFiles);
    const QString answer(chosen);
    RenderSettings& s = Settings();
    s.outputName = "old";
    s.depthMapName = "old";
    s.depthMap = 1;
    prompter_->files.push_back(answer.isEmpty() ? std::nullopt
                                                : std::optional<std::string>(chosen));
    ShowPage(depth ? 2 : 0);
    QTest::mouseClick(Control<QPushButton>(depth ? "depthBrowse" : "imageBrowse"), Qt::LeftButton);
    QCOMPARE(QString((depth ? s.depthMapName : s.outputName).c_str()), answer);
    QCOMPARE(Control<QLineEdit>(depth ? "depthMap" : "image")->text(), answer);
    if (depth) QCOMPARE(s.depthMap, uint32_t(answer.isEmpty() ? 0 : 1));
  }
  void titleAndPreview_data() { AddRows(kPanoramas); }
  void titleAndPreview() {
    const auto& [name, panorama] = Row(kPanoramas);
    PrepareBall(640, 480, "wide");
    Settings().panorama = panorama;
    QVERIFY(render_->Trace());
    const int lines = panorama ? 320 : 480;
    QCOMPARE(Settings().panorama, uint32_t(0));
    QCOMPARE(Doc().currentCamera()->HalfWidth(), 160.0f);
    const QImage& preview = render_->previewImage();
    const std::string tga = ReadFile(Path("wide00001.tga"));
    QCOMPARE(tga.size(), std::size_t(18 + 640 * lines * 3));
    // Every preview pixel is the picture's pixel at the scaled place; white below the picture.
    const int previewRows = lines / 2;
    for (int p = 0; p < previewRows; p += 7) {
      for (int c = 0; c < 320; c += 5) {
        const QRgb want = TgaPixel(tga, 640, c * 2, p * lines / previewRows);
        if ((preview.pixel(c, p) & 0xffffff) != (want & 0xffffff))
          QFAIL(qPrintable(QString("preview pixel %1, %2").arg(c).arg(p)));
      }
    }
    if (previewRows < 240) QCOMPARE(preview.pixel(100, 200), qRgb(255, 255, 255));
    QVERIFY(render_->neededTime().contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")));
    QCOMPARE(render_->remainingTime(), QString("00:00:00"));
  }
  // The fog colour: Cancel changes nothing; a choice without a depth sets the depth to 100. Fog
  // over the distance to the hit: the ball 6 units away in fog of depth 8 takes 3/4 of its blue.
  void fogCoversTheHits() {
    PrepareBall(20, 20, "fog");
    RenderSettings& s = Settings();
    auto fog = [&s] { return Rgb8{s.fog[0], s.fog[1], s.fog[2]}; };
    const Rgb8 before = fog();
    prompter_->colors = {std::nullopt, Rgb8{0, 0, 255}};
    ShowPage(5);
    auto* button = Control<QPushButton>("fogColor");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(fog(), before);
    QCOMPARE(s.fogDistance, 0.0f);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(fog(), (Rgb8{0, 0, 255}));
    QCOMPARE(Control<QLineEdit>("fogDepth")->text(), QString("100"));
    QCOMPARE(s.fogDistance, 100.0f);
    Retype(Control<QLineEdit>("fogDepth"), "8");
    QCOMPARE(s.fogDistance, 8.0f);
    QVERIFY(render_->Trace());
    const QRgb centre = TgaPixel(ReadFile(Path("fog00001.tga")), 20, 10, 10);
    QVERIFY2(qRed(centre) < 70 && qBlue(centre) > 180, qPrintable(QString::number(centre, 16)));
  }
  void sameAsCommandLine() {
    const QString orvane = QCoreApplication::applicationDirPath() + "/../../orvane";
    if (!QFileInfo::exists(orvane)) QSKIP("the orvane program is not built");
    WriteFile(Path("ball.ovs"), std::string(kBall) + "TRACE! <1>\n");
    QProcess cli;
    cli.setWorkingDirectory(dir_->path());
    cli.start(orvane, {"run", "--size", "320x240", "--output", "cli", "ball.ovs"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    PrepareBall(320, 240, "window");
    QVERIFY(render_->Trace());
    const std::string expected = ReadFile(Path("cli00001.tga"));
    QCOMPARE(expected.size(), std::size_t(18 + 320 * 240 * 3));
    QVERIFY(ReadFile(Path("window00001.tga")) == expected);
  }
  void refusals_data() { AddRows(kRefusals); }
  void refusals() {
    const auto& [name, scene, output, message] = Row(kRefusals);
    OpenText(scene);
    Settings().outputName = Path(output).toLocal8Bit().constData();
    ListItem* light = Doc().scene().lights->First();
    const int lights = LightCount();
    QVERIFY(!render_->Trace());
    QCOMPARE(LastMessage(), std::string(message));
    QCOMPARE(LightCount(), lights);
    QCOMPARE(Doc().scene().lights->First(), light);
    QVERIFY(!render_->tracing());
  }
  // A render stopped midway leaves no picture and no light; the window answers while it runs.
  void stopMidway_data() { AddRows(kStops); }
  void stopMidway() {
    const auto& [name, button] = Row(kStops);
    PrepareBall(640, 480, "stopped");
    Settings().jpegOutput = 1;
    render_->ShowOnce();
    int line = 0;
    int lights = 0;
    bool second = true;
    connect(render_, &RenderWindow::blockTraced, this, [&](int next) {
      if (line != 0) return;
      line = next;
      second = render_->StartTrace();  // ignored while one runs
      // From the event loop, between blocks.
      QTimer::singleShot(0, this, [&] {
        lights = LightCount();
        if (button)
          QTest::mouseClick(render_->findChild<QPushButton*>("stop"), Qt::LeftButton);
        else
          render_->close();
      });
    });
    QVERIFY(!render_->Trace());
    QVERIFY(!second);
    QVERIFY(line > 0 && line < 480);
    QCOMPARE(lights, 1);
    for (const char* picture : {"stopped00001.tga", "stopped00001.jpg"})
      QVERIFY2(!QFileInfo::exists(Path(picture)), picture);
    QCOMPARE(LightCount(), 0);
    QCOMPARE(Settings().prepareOnly, uint32_t(0));
    QCOMPARE(render_->lastPicture(), QString());
  }
  // The other windows' commands wait: New from the keyboard does not replace the traced scene.
  void otherWindowsWaitForTheRender() {
    PrepareBall(320, 240, "busy");
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    bool first = true;
    connect(render_, &RenderWindow::blockTraced, this, [&] {
      if (!first) return;
      first = false;
      QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
    });
    QVERIFY(render_->Trace());
    QVERIFY(Find("ball"));
    QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!Find("ball"));  // afterwards the key is the New command again
  }
  void showRunsTheViewer_data() { AddRows(kShows); }
  void showRunsTheViewer() {
    const auto& [name, viewer, tga, render, shown] = Row(kShows);
    window_->settings().image_viewer = viewer;
    QString run;
    render_->SetLauncher([&](const QString& program, const QStringList& arguments) {
      run = program + " " + QFileInfo(arguments.join(" ")).fileName();
      return true;
    });
    PrepareBall(20, 20, "shown");
    Settings().tgaOutput = tga;
    Settings().jpegOutput = !tga;
    if (render) QVERIFY(render_->Trace());
    QTest::mouseClick(render_->findChild<QPushButton*>("show"), Qt::LeftButton);
    QCOMPARE(run, QString(shown));
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
