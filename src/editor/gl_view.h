#pragma once
// GlView: the main window's OpenGL view of the scene (fixed-function GL 1.1 with GLU, in a
// compatibility-profile context). It projects the scene for the current view mode, draws the
// grid and axes, the lights and the objects' preview display lists, and rebuilds the lists of
// items whose preview is dirty.

#include <QOpenGLFunctions>
#include <QOpenGLWidget>

#include <vector>

#include "editor/prompter.h"
#include "editor/view_editor.h"
#include "scene/preview_sink.h"

namespace orvane {
class LIST;
class SceneObject;
}  // namespace orvane

namespace orvane::editor {

class Document;

// What the view takes from the settings.
struct ViewSettings {
  Rgb8 background{180, 180, 180};
  Rgb8 grid{150, 150, 150};
  bool show_axis = true;
  int reduced_step = 3;  // "Every n'th triangle while move"
};

// Compiles the items' preview geometry into GL display lists. Lists are freed at the next
// paint, when the view's context is current.
//
// Primitives of one kind that follow each other are compiled into one begin/end block, and a
// line loop into the line segments of its edges, so that a mesh's list holds a few blocks
// instead of one per triangle: the pictures are the same, compiling and drawing faster.
class GlPreviewSink : public PreviewSink {
 public:
  uint32_t BeginList(const SceneObject& item, uint32_t name) override;
  void EndList() override;
  void Begin(int32_t mode) override;
  void Normal(const Vec3& n) override;
  void Vertex(const Vec3& v) override;
  void End() override;
  void DeleteList(uint32_t name) override;
  // Frees the lists given up since the last call (the context must be current).
  void FreePending();

 private:
  void Close();

  std::vector<uint32_t> pending_;
  int32_t open_mode_ = -1;  // the block being compiled, or -1
  bool in_loop_ = false;
  std::vector<Vec3> loop_;
};

class GlView : public QOpenGLWidget {
  Q_OBJECT

 public:
  GlView(Document& document, QWidget* parent = nullptr);
  ~GlView() override;

  void SetSettings(const ViewSettings& settings);
  PreviewSink& sink() { return sink_; }

  // The view state of the orthographic views.
  float frontWidth() const { return view_.front_width; }
  float sideWidth() const { return view_.side_width; }
  ViewGeometry& geometry() { return view_; }
  ViewEditor& editor() { return editor_; }

 protected:
  void paintGL() override;
  void resizeGL(int w, int h) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetUpProjection();
  void DrawGridAndAxes();
  void DrawLights();
  void DrawObjects(const LIST* list);
  void DrawCurrent(SceneObject& current);
  void DrawPointSelection();
  void RebuildDirty(const LIST* list);

  Document& document_;
  GlPreviewSink sink_;
  ViewSettings settings_;
  ViewGeometry view_;
  ViewEditor editor_{document_, view_};
};

}  // namespace orvane::editor
