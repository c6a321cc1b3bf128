#include "editor/gl_view.h"

#include <QMouseEvent>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "editor/document.h"
#include "editor/scene_lists.h"
#include "material/material.h"
#include "scene/camera.h"
#include "scene/group_object.h"
#include "scene/light_source.h"
#include "scene/mesh_object.h"
#include "scene/scene.h"

namespace orvane::editor {

namespace {

constexpr float kMinNear = 0.05f;
constexpr float kAxisColours[3][3] = {
    {150 / 255.0f, 0, 0}, {0, 150 / 255.0f, 0}, {0, 0, 150 / 255.0f}};

void Colour(const Rgb8& c) {
  glColor3f(c.red / 255.0f, c.green / 255.0f, c.blue / 255.0f);
}

void Colour(const Rgb& c) {
  glColor3f(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
}

// The colour an item is drawn in: its material's diffuse colour, white without material.
void ItemColour(const SceneObject& item) {
  Colour(item.material ? item.material->colour(kDiffuse) : Rgb{255, 255, 255});
}

// The grid step: 1, 10 beyond 20 units from the origin, 100 beyond 150.
float GridStep(const Camera& camera) {
  const Vec3& p = camera.placement.position;
  const double d = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
  if (d > 150.0) return 100.0f;
  if (d > 20.0) return 10.0f;
  return 1.0f;
}

// An item's own axes: three lines from its position along its frame, in the axis colours.
void DrawLocalAxes(const Placement& p) {
  const Vec3* axes[3] = {&p.axis_X, &p.axis_Y, &p.axis_Z};
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    glColor3fv(kAxisColours[axis]);
    glVertex3f(p.position.x, p.position.y, -p.position.z);
    glVertex3f(p.position.x + axes[axis]->x, p.position.y + axes[axis]->y,
               -(p.position.z + axes[axis]->z));
  }
  glEnd();
}

// The list an item draws: the reduced one while the button is held, when it has one.
uint32_t ListToDraw(const SceneObject& item, bool moving) {
  return moving && item.display_lists[1] ? item.display_lists[1] : item.display_lists[0];
}

}  // namespace

uint32_t GlPreviewSink::BeginList(const SceneObject&, uint32_t name) {
  if (name == 0) name = glGenLists(1);
  glNewList(name, GL_COMPILE);
  open_mode_ = -1;
  return name;
}
void GlPreviewSink::EndList() {
  Close();
  glEndList();
}
void GlPreviewSink::Close() {
  if (open_mode_ >= 0) glEnd();
  open_mode_ = -1;
}
void GlPreviewSink::Begin(int32_t mode) {
  in_loop_ = mode == GL_LINE_LOOP;
  const int32_t block = in_loop_ ? GL_LINES : mode;
  loop_.clear();
  const bool joins = block == GL_TRIANGLES || block == GL_LINES || block == GL_POINTS;
  if (joins && block == open_mode_) return;
  Close();
  glBegin(static_cast<GLenum>(block));
  open_mode_ = block;
}
void GlPreviewSink::Normal(const Vec3& n) {
  glNormal3f(n.x, n.y, n.z);
}
void GlPreviewSink::Vertex(const Vec3& v) {
  if (in_loop_) {
    loop_.push_back(v);
  } else {
    glVertex3f(v.x, v.y, v.z);
  }
}
void GlPreviewSink::End() {
  if (in_loop_) {
    // The loop's edges, the last back to the first.
    const std::size_t n = loop_.size();
    for (std::size_t i = 0; n > 1 && i < n; ++i) {
      const Vec3& a = loop_[i];
      const Vec3& b = loop_[(i + 1) % n];
      glVertex3f(a.x, a.y, a.z);
      glVertex3f(b.x, b.y, b.z);
    }
    loop_.clear();
    in_loop_ = false;
    return;
  }
  if (open_mode_ != GL_TRIANGLES && open_mode_ != GL_LINES && open_mode_ != GL_POINTS) Close();
}
void GlPreviewSink::DeleteList(uint32_t name) {
  if (name != 0) pending_.push_back(name);
}
void GlPreviewSink::FreePending() {
  for (uint32_t name : pending_) glDeleteLists(name, 1);
  pending_.clear();
}

GlView::GlView(Document& document, QWidget* parent) : QOpenGLWidget(parent), document_(document) {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setDepthBufferSize(16);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  setFormat(format);
  document_.SetPreviewSink(&sink_);
  connect(&document_, &Document::sceneChanged, this, qOverload<>(&QWidget::update));
  connect(&document_, &Document::currentChanged, this, qOverload<>(&QWidget::update));
  connect(&document_, &Document::viewModeChanged, this, qOverload<>(&QWidget::update));
  connect(&document_, &Document::displayModeChanged, this, qOverload<>(&QWidget::update));
  connect(&document_, &Document::itemChanged, this, qOverload<>(&QWidget::update));
  connect(&document_, &Document::editStateChanged, this, qOverload<>(&QWidget::update));
}

GlView::~GlView() {
  // The display lists die with the context; the items must not keep their names.
  ForgetPreviews(document_.scene().objects, nullptr);
  ForgetPreviews(document_.scene().lights, nullptr);
  document_.SetPreviewSink(nullptr);
}

void GlView::SetSettings(const ViewSettings& settings) {
  settings_ = settings;
  update();
}

void GlView::resizeGL(int w, int h) {
  view_.width = std::max(1, w);
  view_.height = std::max(1, h);
  view_.projection_dirty = true;
}

void GlView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  editor_.Press(p.x(), p.y());
  update();
}

void GlView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const QPoint p = event->position().toPoint();
  editor_.Move(p.x(), p.y());
  update();
}

void GlView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  editor_.Release(p.x(), p.y(), event->modifiers() & Qt::ControlModifier);
  update();
}

void GlView::SetUpProjection() {
  const int w = std::max(1, static_cast<int>(width() * devicePixelRatioF()));
  const int h = std::max(1, static_cast<int>(height() * devicePixelRatioF()));
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double fh = h * double(view_.front_width) / w;
  const double sh = h * double(view_.side_width) / w;
  const Camera& camera = *document_.viewCamera();
  switch (document_.viewMode()) {
    case kViewTop:
      glOrtho(view_.centre[0] - view_.front_width / 2.0, view_.centre[0] + view_.front_width / 2.0,
              view_.centre[2] - fh / 2, view_.centre[2] + fh / 2, -view_.far_distance,
              view_.far_distance);
      glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
      break;
    case kViewSide:
      glOrtho(view_.centre[2] - view_.side_width / 2.0, view_.centre[2] + view_.side_width / 2.0,
              view_.centre[1] - sh / 2, view_.centre[1] + sh / 2, -view_.far_distance,
              view_.far_distance);
      glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
      break;
    case kViewFront:
    case kViewFrontPlain:
      glOrtho(view_.centre[0] - view_.front_width / 2.0, view_.centre[0] + view_.front_width / 2.0,
              view_.centre[1] - fh / 2, view_.centre[1] + fh / 2, -view_.far_distance,
              view_.far_distance);
      break;
    default: {  // the Camera view (and mode 3)
      // A near plane at 0 would leave the depth buffer no precision at all.
      gluPerspective(camera.ViewAngle(), double(w) / h, std::max(view_.near_distance, kMinNear),
                     view_.far_distance);
      const Vec3& a = camera.placement.axis_deg;
      if (std::fabs(a.x) >= 1e-6f) glRotatef(a.x, 1.0f, 0.0f, 0.0f);
      if (std::fabs(a.y) >= 1e-6f) glRotatef(a.y, 0.0f, 1.0f, 0.0f);
      if (std::fabs(a.z) >= 1e-6f) glRotatef(a.z, 0.0f, 0.0f, 1.0f);
      const Vec3& p = camera.placement.position;
      glTranslatef(-p.x, -p.y, p.z);
      break;
    }
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (Camera* current = document_.currentCamera()) {
    const Vec3& p = current->placement.position;
    const GLfloat light0[4] = {p.x, p.y, -p.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light0);
  }
  // The shaded faces are lit from the eye.
  const Vec3& eye = camera.placement.position;
  const GLfloat light1[4] = {eye.x, eye.y, -eye.z, 1.0f};
  const GLfloat white[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  glLightfv(GL_LIGHT1, GL_POSITION, light1);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT1, GL_SPECULAR, white);
}

void GlView::DrawGridAndAxes() {
  const float s = GridStep(*document_.viewCamera());
  const int mode = document_.viewMode();
  if (mode != kViewFrontPlain) {
    Colour(settings_.grid);
    glBegin(GL_LINES);
    for (int i = -5; i <= 5; ++i) {
      const float a = i * s, e = 5 * s;
      if (mode == kViewFront) {  // the XY plane
        glVertex3f(a, -e, 0);
        glVertex3f(a, e, 0);
        glVertex3f(-e, a, 0);
        glVertex3f(e, a, 0);
      } else if (mode == kViewSide) {  // the YZ plane
        glVertex3f(0, a, -e);
        glVertex3f(0, a, e);
        glVertex3f(0, -e, a);
        glVertex3f(0, e, a);
      } else {  // Top and Camera: the XZ plane
        glVertex3f(a, 0, -e);
        glVertex3f(a, 0, e);
        glVertex3f(-e, 0, a);
        glVertex3f(e, 0, a);
      }
    }
    glEnd();
  }
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    glColor3fv(kAxisColours[axis]);
    float from[3] = {0, 0, 0}, to[3] = {0, 0, 0};
    from[axis] = -5 * s;
    to[axis] = 5 * s;
    glVertex3fv(from);
    glVertex3fv(to);
  }
  glEnd();
}

void GlView::RebuildDirty(const LIST* list) {
  if (!list) return;
  for (const ListNode* n = list->head; n; n = n->next) {
    auto* item = dynamic_cast<SceneObject*>(n->item);
    if (!item) continue;
    if (item->preview_dirty && editor_.buttonDown()) {
      // While the button is held only the reduced list is drawn (and the points of the mesh
      // whose points are edited): only those are built, and the item stays marked for the
      // full lists when the button comes up.
      item->BuildPreview(sink_, 1);
      if (item == document_.currentObject() && document_.edit().mode == EditMode::kPoints)
        item->BuildPreview(sink_, 3);
      item->preview_dirty = 1;
    } else if (item->preview_dirty) {
      for (int variant = 0; variant < 4; ++variant) item->BuildPreview(sink_, variant);
      item->preview_dirty = 0;
    }
    if (item->GetType() == kItemGroup) RebuildDirty(&static_cast<GroupObject*>(item)->members);
  }
}

void GlView::DrawLights() {
  const LIST* lights = document_.scene().lights;
  if (!lights) return;
  for (const ListNode* n = lights->head; n; n = n->next) {
    auto* light = dynamic_cast<LightSource*>(n->item);
    if (!light) continue;
    Colour(light->Color());
    if (light->display_lists[0]) glCallList(light->display_lists[0]);
    if (settings_.show_axis || light == document_.currentObject()) DrawLocalAxes(light->placement);
  }
}

void GlView::DrawObjects(const LIST* list) {
  if (!list) return;
  const bool moving = editor_.buttonDown();
  for (const ListNode* n = list->head; n; n = n->next) {
    auto* item = dynamic_cast<SceneObject*>(n->item);
    if (!item) continue;
    if (settings_.show_axis || item == document_.currentObject()) {
      const GLboolean lit = glIsEnabled(GL_LIGHTING);
      glDisable(GL_LIGHTING);
      DrawLocalAxes(item->placement);
      if (lit) glEnable(GL_LIGHTING);
    }
    if (item->GetType() == kItemGroup) {
      DrawObjects(&static_cast<GroupObject*>(item)->members);
      continue;
    }
    const uint32_t list_name = ListToDraw(*item, moving);
    if (!item->HasFlag(kIsVisible) || !list_name) continue;
    ItemColour(*item);
    glCallList(list_name);
  }
}

void GlView::DrawCurrent(SceneObject& current) {
  const int mode = static_cast<int>(document_.edit().mode);
  const bool moving = editor_.buttonDown();
  auto* mesh = current.GetType() == kItemMesh ? static_cast<MeshObject*>(&current) : nullptr;
  if (mode == static_cast<int>(EditMode::kPoints) && mesh) {
    // The mesh in its own colour with its points in white.
    ItemColour(current);
    if (uint32_t list = ListToDraw(current, moving)) glCallList(list);
    glDisable(GL_LIGHTING);
    glColor3f(1.0f, 1.0f, 1.0f);
    if (current.display_lists[3]) glCallList(current.display_lists[3]);
    return;
  }
  glColor3f(1.0f, 0.0f, 0.0f);
  if (mode == static_cast<int>(EditMode::kTexture) && mesh && mesh->mapping_object) {
    SceneObject& mapping = *mesh->mapping_object;
    if (mapping.preview_dirty) {
      for (int variant = 0; variant < 4; ++variant) mapping.BuildPreview(sink_, variant);
      mapping.preview_dirty = 0;
    }
    glDisable(GL_LIGHTING);
    if (mapping.display_lists[0]) glCallList(mapping.display_lists[0]);
    DrawLocalAxes(mapping.placement);
    return;
  }
  if (current.GetType() == kItemGroup) {
    // A group shows its members in red.
    glDisable(GL_LIGHTING);
    const LIST* members = &static_cast<GroupObject&>(current).members;
    for (const ListNode* n = members->head; n; n = n->next) {
      auto* member = dynamic_cast<SceneObject*>(n->item);
      if (!member) continue;
      if (uint32_t list = ListToDraw(*member, moving)) glCallList(list);
    }
  } else if (uint32_t list = ListToDraw(current, moving)) {
    glCallList(list);
  }
}

void GlView::DrawPointSelection() {
  if (document_.edit().mode != EditMode::kPoints) return;
  int x0, y0, x1, y1;
  if (editor_.BorderRectangle(&x0, &y0, &x1, &y1)) {
    // The rectangle in window pixels, drawn over the scene.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, std::max(1, view_.width), std::max(1, view_.height), 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(x0 + 0.5f, y0 + 0.5f);
    glVertex2f(x1 + 0.5f, y0 + 0.5f);
    glVertex2f(x1 + 0.5f, y1 + 0.5f);
    glVertex2f(x0 + 0.5f, y1 + 0.5f);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }
  SceneObject* current = document_.currentObject();
  if (!current || current->GetType() != kItemMesh) return;
  const auto& mesh = static_cast<const MeshObject&>(*current);
  const PointSelection& selection = document_.selection();
  glPointSize(3.0f);
  glColor3f(1.0f, 0.0f, 0.0f);
  glBegin(GL_POINTS);
  for (uint32_t i = 0; i < selection.count(); ++i) {
    const Vec3* p = mesh.GetPoint(selection.point(i));
    if (p) glVertex3f(p->x, p->y, -p->z);
  }
  glEnd();
  glPointSize(1.0f);
}

void GlView::paintGL() {
  sink_.FreePending();
  Scene& scene = document_.scene();
  // Meshes compile filled triangles or wire loops, and the moving preview's step, from the
  // mesh view settings: a change rebuilds every list.
  MeshViewSettings& meshes = MeshSettings();
  const bool shaded = document_.displayMode() == 1;
  const uint32_t step = static_cast<uint32_t>(std::max(1, settings_.reduced_step));
  if (meshes.shaded != shaded || meshes.reduced_step != step) {
    meshes.shaded = shaded;
    meshes.reduced_step = step;
    MarkPreviewsDirty(scene.objects);
  }
  RebuildDirty(scene.objects);
  RebuildDirty(scene.lights);

  SetUpProjection();
  const Rgb8& bg = settings_.background;
  glClearColor(bg.red / 255.0f, bg.green / 255.0f, bg.blue / 255.0f, 1.0f);
  glClearDepth(1.0);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawGridAndAxes();
  DrawLights();

  if (shaded) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 30.0f);
    // Triangles face either way and their normals need not be of unit length. Negating z
    // for the view turns every triangle's winding round against its normal, so the side the
    // normal points to winds clockwise.
    glFrontFace(GL_CW);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT1);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
  } else {
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  }
  DrawObjects(scene.objects);
  if (SceneObject* current = document_.currentObject();
      current && current->GetType() != kItemLight && current->GetType() != kItemCamera)
    DrawCurrent(*current);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  DrawPointSelection();
  glDisable(GL_LIGHTING);
  glDisable(GL_NORMALIZE);
  glFrontFace(GL_CCW);
  glDisable(GL_DEPTH_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glFlush();
}

}  // namespace orvane::editor
