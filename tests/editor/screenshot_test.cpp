// The main window with the showcase scene in the Camera view, grabbed as a picture: the view
// must really draw the scene, in the objects' own colours. The pictures are kept in the build
// folder (editor_showcase_wire.png, editor_showcase_faces.png) to be looked at.

#include <QDir>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "editor/document.h"
#include "editor/gl_view.h"
#include "editor/main_window.h"
#include "editor/scripted_prompter.h"

using namespace orvane::editor;

namespace {

// How many pixels have exactly this colour.
int Count(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) ++n;
  return n;
}

// Pixels in shades of the brass star's colour (210, 160, 60), lit or not.
int CountBrassShades(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > qGreen(p) && qGreen(p) > qBlue(p) && qRed(p) - qBlue(p) > 30) ++n;
    }
  return n;
}

int DistinctColours(const QImage& image) {
  QSet<QRgb> seen;
  for (int y = 0; y < image.height(); y += 2)
    for (int x = 0; x < image.width(); x += 2) seen.insert(image.pixel(x, y) & 0xffffff);
  return static_cast<int>(seen.size());
}

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void showcaseInTheCameraView() {
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    ScriptedPrompter prompter;
    MainWindow window(prompter);
    window.resize(800, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.document().OpenPath(ORVANE_SOURCE_DIR "/examples/showcase.ovs"));
    QCOMPARE(window.document().viewMode(), int(kViewCamera));

    window.Run(kCmdWireFrame);
    QImage wire = window.view().grabFramebuffer();
    QVERIFY(wire.save(QT_TESTCASE_BUILDDIR "/editor_showcase_wire.png"));
    QVERIFY(DistinctColours(wire) >= 8);
    // The background and the grid, and each coloured object in its material's colour: the
    // brass star, the blue glass sphere and the mirror wall.
    QVERIFY(Count(wire, qRgb(180, 180, 180)) > wire.width() * wire.height() / 3);
    QVERIFY(Count(wire, qRgb(150, 150, 150)) > 100);
    QVERIFY(Count(wire, qRgb(210, 160, 60)) > 100);
    QVERIFY(Count(wire, qRgb(60, 110, 255)) > 50);
    QVERIFY(Count(wire, qRgb(40, 40, 50)) > 100);

    // The meshes' shaded faces cover more of the picture than their wire frames, in more
    // shades.
    window.Run(kCmdFaces);
    QImage faces = window.view().grabFramebuffer();
    QVERIFY(faces.save(QT_TESTCASE_BUILDDIR "/editor_showcase_faces.png"));
    QVERIFY(CountBrassShades(faces) > 2 * CountBrassShades(wire));
    QVERIFY(DistinctColours(faces) > DistinctColours(wire));
    QCOMPARE(prompter.unanswered, std::vector<std::string>());
  }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
