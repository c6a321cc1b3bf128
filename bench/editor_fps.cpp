// Frames per second of the editor's Camera view with a mesh of 200,000 triangles: the camera
// circling the mesh (the display lists are drawn as they are) and the mesh turned by a mouse
// drag (its lists are built again for every step), in wire frame and with shaded faces.
// Run it on a display, e.g. under Xvfb with Mesa:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/orvane_editor_fps

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <cmath>
#include <cstdio>

#include "editor/document.h"
#include "editor/gl_view.h"
#include "editor/item_edits.h"
#include "editor/main_window.h"
#include "editor/prompter.h"
#include "scene/mesh_object.h"

using namespace orvane;
using namespace orvane::editor;

namespace {

// Answers every question with its default; the benchmark asks none.
class QuietPrompter : public Prompter {
 public:
  Answer Message(const std::string&, const std::string&, MessageButtons, MessageIcon) override {
    return Answer::kOk;
  }
  std::optional<std::string> OpenFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> SaveFile(const std::string&) override { return std::nullopt; }
  std::optional<std::string> AskName(const std::string&) override { return std::nullopt; }
  std::optional<Rgb8> ChooseColor(const Rgb8&) override { return std::nullopt; }
};

// A wavy sheet of n × n quads (2 n² triangles) over −2..2 in x and z.
MeshObject* Sheet(uint32_t n) {
  auto* mesh = new MeshObject;
  mesh->name = "sheet";
  const uint32_t side = n + 1;
  mesh->SetPointCount(side * side);
  for (uint32_t j = 0; j < side; ++j)
    for (uint32_t i = 0; i < side; ++i) {
      const float x = -2.0f + 4.0f * i / n, z = -2.0f + 4.0f * j / n;
      mesh->SetPoint(j * side + i, x, 0.2f * std::sin(3 * x) * std::cos(3 * z), z);
    }
  mesh->SetTriangleCount(2 * n * n);
  uint32_t t = 0;
  for (uint32_t j = 0; j < n; ++j)
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t a = j * side + i, b = a + 1, c = a + side, d = c + 1;
      mesh->SetTriangle(t++, a, b, d);
      mesh->SetTriangle(t++, a, d, c);
    }
  mesh->Refresh();
  mesh->preview_dirty = 1;
  return mesh;
}

void Send(GlView& view, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), view.mapToGlobal(QPointF(at)), Qt::LeftButton, held, {});
  QCoreApplication::sendEvent(&view, &event);
}

// Asks for a frame and waits until it is on the screen.
void ShowFrame(GlView& view) {
  bool swapped = false;
  const auto connection =
      QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&swapped] { swapped = true; });
  view.update();
  while (!swapped) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  QObject::disconnect(connection);
}

double PerSecond(const QElapsedTimer& timer, int frames) {
  return frames / (timer.nsecsElapsed() * 1e-9);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QuietPrompter prompter;
  MainWindow window(prompter);
  window.resize(800, 600);
  window.show();
  Document& doc = window.document();
  GlView& view = window.view();
  MeshObject* sheet = Sheet(317);
  doc.scene().objects->Append(sheet, 1);
  doc.SetViewMode(kViewCamera);
  Camera& camera = *doc.viewCamera();
  for (int i = 0; i < 20; ++i) app.processEvents();
  std::printf("mesh: %u triangles, %u points; view %d x %d\n", sheet->triangle_count,
              sheet->point_count, view.geometry().width, view.geometry().height);
  const int frames = 40;
  for (int display : {0, 1}) {
    doc.SetDisplayMode(display);
    ShowFrame(view);  // builds the lists
    QElapsedTimer timer;
    timer.start();
    for (int f = 0; f < frames; ++f) {
      SetItemAngles(camera, Vec3{10.0f, 9.0f * f, 0.0f}, true);
      camera.placement.position =
          Vec3{float(6 * std::sin(f * 0.157)), 3.0f, float(-6 * std::cos(f * 0.157))};
      ShowFrame(view);
    }
    const double orbit = PerSecond(timer, frames);
    // A rotate drag of the mesh: every step turns its points and builds its lists again.
    // (A drag works on a copy of the mesh: take the one the scene holds now.)
    doc.SetCurrent(static_cast<SceneObject*>(doc.scene().objects->head->item));
    doc.navigation().operation = Operation::kRotate;
    Send(view, QEvent::MouseButtonPress, QPoint(400, 300));
    Send(view, QEvent::MouseMove, QPoint(401, 300));
    timer.restart();
    for (int f = 0; f < frames; ++f) {
      Send(view, QEvent::MouseMove, QPoint(402 + 4 * f, 300));
      ShowFrame(view);
    }
    const double drag = PerSecond(timer, frames);
    Send(view, QEvent::MouseButtonRelease, QPoint(402 + 4 * frames, 300));
    doc.SetCurrent(nullptr);
    std::printf("%-10s camera orbit %6.1f frames/s   rotate drag %6.1f frames/s\n",
                display ? "shaded" : "wire frame", orbit, drag);
  }
  return 0;
}
