// Pixels of the drawn views against the projection worked out by hand: at 40 pixels to the
// unit, a square from −1 to 1 in the Front view has its edges 40 pixels from the middle, the
// Top view's grid lines stand every 40 pixels; the current object is red, selected points are
// red; scenes with nothing to draw, empty groups and broken meshes draw without a crash.

#include <QTest>

#include <memory>

#include "editor/document.h"
#include "editor/editor_fixture.h"
#include "editor/gl_view.h"
#include "editor/main_window.h"
#include "scene/mesh_object.h"

using namespace orvane;
using namespace orvane::editor;

namespace {

const char* const kSquare =
    "points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }\n"
    "trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> }\n";

const QColor kBackground(180, 180, 180);
const QColor kGrid(150, 150, 150);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

}  // namespace

class ViewTest : public QObject, public EditorFixture {
  Q_OBJECT

 private:
  GlView& View() { return window_->view(); }

  void Open(const std::string& text, int mode) {
    OpenText(text);
    Doc().SetViewMode(mode);
    Doc().SetCurrent(nullptr);
    View().geometry().front_width = View().geometry().width / 40.0f;
  }
  QImage Grab(const char* name) {
    QImage image = View().grabFramebuffer();
    image.save(QStringLiteral(QT_TESTCASE_BUILDDIR "/editor_view_%1.png").arg(name));
    return image;
  }
  // Whether `colour` is within one pixel of (x, y): lines may fall either side of a boundary.
  static bool Near(const QImage& image, int x, int y, const QColor& colour) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (image.pixelColor(x + dx, y + dy).rgb() == colour.rgb()) return true;
    return false;
  }
  MeshObject* Plate() { return static_cast<MeshObject*>(Find("plate")); }
  QPoint Middle() const {
    const ViewGeometry& g = window_->view().geometry();
    return QPoint(g.width / 2, g.height / 2);
  }

 private slots:
  void init() {
    Start(QSize(800, 600));
    QTRY_VERIFY(View().geometry().width > 100);
  }
  void cleanup() { window_.reset(); }

  void frontWireFrameHasTheEdgesWhereTheProjectionPutsThem() {
    Open(kSquare, kViewFront);
    const QImage image = Grab("front");
    const QPoint m = Middle();
    for (int side : {-40, 40}) {
      QVERIFY(Near(image, m.x() + side, m.y() + 20, kWhite));  // the left and right edges
      QVERIFY(Near(image, m.x() + 20, m.y() + side, kWhite));  // bottom and top
    }
    QVERIFY(Near(image, m.x() + 20, m.y() - 20, kWhite));  // the diagonal (−1,−1)–(1,1)
    QCOMPARE(image.pixelColor(m.x() + 25, m.y() + 12), kBackground);  // inside, off the lines
    QVERIFY(Near(image, m.x() + 80, m.y() + 10, kGrid));              // the grid at x = 2
    QCOMPARE(image.pixelColor(m.x() + 60, m.y() + 10), kBackground);

    Doc().SetCurrent(Plate());
    QVERIFY(Near(Grab("front_current"), m.x() + 40, m.y() + 20, kRed));
  }

  void topViewShowsTheGrid() {
    Open(kSquare, kViewTop);
    const QImage image = Grab("top");
    const QPoint m = Middle();
    for (int i : {-3, -2, 1, 4}) {
      QVERIFY2(Near(image, m.x() + 40 * i, m.y() + 100, kGrid), qPrintable(QString::number(i)));
      QCOMPARE(image.pixelColor(m.x() + 40 * i + 20, m.y() + 100), kBackground);
    }
  }

  void selectedPointsAreRed() {
    Open(kSquare, kViewFront);
    MeshObject* plate = Plate();
    QVERIFY(plate);
    Doc().SetCurrent(plate);
    Doc().edit().mode = EditMode::kPoints;
    Doc().selection().Add(2, 1.0f);  // (1, 1)
    Doc().NotifyEditState();
    const QImage image = Grab("points");
    const QPoint m = Middle();
    QCOMPARE(image.pixelColor(m.x() + 40, m.y() - 40), kRed);
    QVERIFY(Near(image, m.x() - 40, m.y() + 40, kWhite));  // an unselected point
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
    for (int mode : {int(kViewFront), int(kViewCamera)}) {
      Open(scene.toStdString(), mode);
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
    Doc().SetDisplayMode(1);
    Grab("wild");
  }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
