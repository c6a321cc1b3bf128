#include "editor/render_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <sstream>

#include "editor/document.h"
#include "editor/render_sheet.h"
#include "editor/scene_lists.h"
#include "editor/settings.h"
#include "editor/tool_window.h"
#include "modelling/command_result.h"
#include "render/render_driver.h"
#include "scene/light_source.h"

namespace orvane::editor {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlockLines = RenderDriver::kBlockLines;

// The memory bitmap of the window, painted into the preview frame.
class PreviewFrame : public QWidget {
 public:
  PreviewFrame(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {
    setObjectName("preview");
    setFixedSize(kViewPictureWidth, kViewPictureHeight);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, image_);
  }

 private:
  const QImage& image_;
};

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// A texture reference of the settings that no longer names a texture of the scene (the
// texture was deleted since it was chosen) is dropped before it can be read.
void DropLostTextures(Scene& scene) {
  RenderSettings& s = scene.render;
  if (s.fieldMask && !Contains(scene.images, s.fieldMask)) {
    s.fieldMask = nullptr;
    s.fieldMaskType = 0;
  }
  if (s.backgroundTexture && !Contains(scene.images, s.backgroundTexture)) {
    s.backgroundTexture = nullptr;
    s.backgroundMode = 0;
  }
}

bool StartDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
      return true;
    default:
      return false;
  }
}

}  // namespace

QString RenderTimeText(double seconds) {
  // Clamped so that the hours stay within int (and NaN counts as 0).
  const double clamped = seconds > 0 ? std::min(seconds, 3.6e9) : 0.0;
  const long long total = static_cast<long long>(clamped);
  return QString::asprintf("%02lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
}

// One render in progress.
struct RenderWindow::Session {
  explicit Session(Scene& scene) : driver(std::make_unique<RenderDriver>(scene, out, std::cerr)) {}

  std::ostringstream out;  // the driver's progress lines, which nobody reads here
  std::unique_ptr<RenderDriver> driver;
  Camera* camera = nullptr;
  // The temporary light, and the serial of the light list it went into: a list with another
  // serial is a new list (the scene was replaced) and no longer holds the light.
  LightSource* light = nullptr;
  uint64_t lights_serial = 0;
  // The picture files this render opened (deleted when it is stopped).
  QStringList files;
  QString picture;    // what "Show" opens once the picture is complete
  int32_t width = 0;  // picture columns and rows
  int32_t lines = 0;
  int preview_columns = 0;
  int preview_rows = 0;
  int row = 0;  // the next preview row to draw
  bool complete = false;
  Clock::time_point start;
  Clock::time_point block_start;
};

RenderWindow::RenderWindow(Document& document, const EditorSettings& settings,
                           COV_wnd_render* sheet, QWidget* parent)
    : ToolWindow(QStringLiteral("Render"), parent),
      document_(document),
      settings_(settings),
      sheet_(sheet),
      launcher_(&StartDetached) {
  auto* layout = new QGridLayout(this);
  preview_ = new PreviewFrame(image_, this);
  layout->addWidget(preview_, 0, 0, 1, 4);
  QPushButton* trace = ToolButton("TRACE!", "trace", this);
  QPushButton* stop = ToolButton("Stop", "stop", this);
  QPushButton* preferences = ToolButton("Preferences", "preferences", this);
  QPushButton* show = ToolButton("Show", "show", this);
  layout->addWidget(trace, 1, 0);
  layout->addWidget(stop, 1, 1);
  layout->addWidget(preferences, 1, 2);
  layout->addWidget(show, 1, 3);
  remaining_ = new QLabel(RenderTimeText(0), this);
  remaining_->setObjectName("remaining");
  needed_ = new QLabel(RenderTimeText(0), this);
  needed_->setObjectName("needed");
  layout->addWidget(new QLabel("remaining time:", this), 2, 0);
  layout->addWidget(remaining_, 2, 1);
  layout->addWidget(new QLabel("needed time:", this), 2, 2);
  layout->addWidget(needed_, 2, 3);
  image_ = QImage(preview_->size(), QImage::Format_RGB32);
  image_.fill(Qt::white);
  timer_ = new QTimer(this);
  timer_->setInterval(0);

  connect(trace, &QPushButton::clicked, this, &RenderWindow::StartTrace);
  connect(stop, &QPushButton::clicked, this, &RenderWindow::Stop);
  connect(preferences, &QPushButton::clicked, this, [this] {
    if (sheet_) sheet_->ShowOnce();
  });
  connect(show, &QPushButton::clicked, this, &RenderWindow::ShowPicture);
  connect(timer_, &QTimer::timeout, this, &RenderWindow::Tick);
  // A scene that changes under the tracer ends the render.
  connect(&document_, &Document::sceneChanged, this, &RenderWindow::Stop);
}

RenderWindow::~RenderWindow() {
  Stop();
}

QString RenderWindow::remainingTime() const {
  return remaining_->text();
}

QString RenderWindow::neededTime() const {
  return needed_->text();
}

// ---- TRACE! --------------------------------------------------------------------------------

bool RenderWindow::StartTrace() {
  if (session_) return false;
  Scene& scene = document_.scene();
  RenderSettings& s = scene.render;
  s.jpegQuality = settings_.jpeg_quality;
  s.frameFrom = 1;
  s.frameTo = 1;
  s.verbose = 0;
  s.skipExisting = 0;
  s.renderingDisabled = 0;
  s.prepareOnly = 1;
  s.threads = static_cast<uint32_t>(std::max(1, QThread::idealThreadCount()));
  Camera* camera = document_.currentCamera();
  if (!camera) {
    s.prepareOnly = 0;
    document_.prompter().Message(kAttentionTitle, kNoCameraText, MessageButtons::kOk,
                                 MessageIcon::kExclamation);
    return false;
  }
  DropLostTextures(scene);
  session_ = std::make_unique<Session>(scene);
  session_->camera = camera;
  s.activeCamera = camera;
  if (!Prepare(*session_)) {
    End();
    document_.prompter().Message(kErrorTitle, kWriteProtectedText, MessageButtons::kOk,
                                 MessageIcon::kError);
    return false;
  }
  StartPreview(*session_);
  qApp->installEventFilter(this);
  timer_->start();
  return true;
}

bool RenderWindow::Trace() {
  if (!StartTrace()) return false;
  QEventLoop loop;
  bool complete = false;
  connect(this, &RenderWindow::traceFinished, &loop, [&](bool done) {
    complete = done;
    loop.quit();
  });
  loop.exec();
  return complete;
}

// The temporary light, the frame's files and the time the render starts.
bool RenderWindow::Prepare(Session& t) {
  Scene& scene = document_.scene();
  const RenderSettings& s = scene.render;
  if (!scene.lights) scene.EnsureLists(std::cerr);
  if (scene.lights && !scene.lights->head) {
    auto light = std::make_unique<LightSource>();
    light->placement.position = t.camera->placement.position;
    if (scene.lights->Append(light.get(), 1)) {
      t.light = light.release();
      t.lights_serial = scene.lights->serial;
    }
  }
  t.width = s.Width();
  if (t.driver->renderFrame(1) != 0) return false;
  t.start = Clock::now();
  t.block_start = t.start;
  t.lines = t.driver->FrameLines();
  // Only files that were opened are this render's: a file that failed to open may be an older
  // picture of the same name.
  const QString tga = QString::fromLocal8Bit(t.driver->TgaFileName().c_str());
  const QString jpeg = QString::fromLocal8Bit(t.driver->JpegFileName().c_str());
  const bool opened = !t.driver->OutputFailed();
  if (s.tgaOutput) t.files << tga;
  if (s.jpegOutput && opened) t.files << jpeg;
  if (s.depthMap && opened) t.files << QString::fromLocal8Bit(t.driver->DepthMapFileName().c_str());
  if (s.tgaOutput)
    t.picture = tga;
  else if (s.jpegOutput && opened)
    t.picture = jpeg;
  return true;
}

// A white frame, and the picture size in the title.
void RenderWindow::StartPreview(Session& t) {
  const RenderSettings& s = document_.scene().render;
  t.preview_columns = preview_->width();
  t.preview_rows = s.panorama ? preview_->width() / 2 : preview_->height();
  t.preview_rows = std::min(t.preview_rows, image_.height());
  image_.fill(Qt::white);
  preview_->update();
  remaining_->setText(RenderTimeText(0));
  needed_->setText(RenderTimeText(0));
  setWindowTitle(QString("Rendern (%1 x %2)").arg(t.width).arg(t.lines));
}

void RenderWindow::Tick() {
  Session& t = *session_;
  DrawReadyRows(t);
  preview_->update();
  if (t.row >= t.preview_rows) {
    End();
    return;
  }
  TraceBlock(t);
  // Last: a receiver may stop the render.
  emit blockTraced(t.driver->CurrentLine());
}

// Preview row p shows picture row p × rows / preview rows, once it is in the block buffer
// (which holds the last block traced, row r at r mod 10).
void RenderWindow::DrawReadyRows(Session& t) {
  while (t.row < t.preview_rows) {
    const int picture_row = static_cast<int>(int64_t(t.row) * t.lines / t.preview_rows);
    const int next = t.driver->CurrentLine();
    const bool ready = t.complete || (picture_row < next && picture_row >= next - kBlockLines);
    if (!ready) return;
    DrawRow(t, t.row, picture_row);
    ++t.row;
  }
}

void RenderWindow::DrawRow(const Session& t, int preview_row, int picture_row) {
  const uint8_t* buffer = t.driver->BlockBuffer();
  // Without a block buffer (or pixels) the row stays white.
  if (!buffer || t.width <= 0 || t.lines <= 0 || picture_row >= t.lines) return;
  const uint8_t* row = buffer + std::size_t(picture_row % kBlockLines) * t.width * 3;
  auto* pixels = reinterpret_cast<QRgb*>(image_.scanLine(preview_row));
  for (int c = 0; c < t.preview_columns; ++c) {
    const uint8_t* bgr = row + std::size_t(int64_t(c) * t.width / t.preview_columns) * 3;
    pixels[c] = qRgb(bgr[2], bgr[1], bgr[0]);
  }
}

// The time taken is that up to the latest block; the time still needed is the latest block's
// time for each block still to trace.
void RenderWindow::TraceBlock(Session& t) {
  t.block_start = Clock::now();
  if (t.driver->renderLineBlock() == 0) t.complete = true;
  const double block = SecondsBetween(t.block_start, Clock::now());
  const int left = t.lines - t.driver->CurrentLine();
  remaining_->setText(RenderTimeText(block * left * 0.1));
  needed_->setText(RenderTimeText(SecondsBetween(t.start, t.block_start)));
}

void RenderWindow::Stop() {
  if (session_) End();
}

void RenderWindow::End() {
  timer_->stop();
  qApp->removeEventFilter(this);
  std::unique_ptr<Session> t = std::move(session_);
  const bool complete = t->complete;
  t->driver.reset();  // closes the files of a frame that is not complete
  if (complete) {
    last_picture_ = t->picture;
  } else {
    for (const QString& file : t->files) QFile::remove(file);
  }
  Restore(*t);
  emit traceFinished(complete);
}

void RenderWindow::Restore(const Session& t) {
  Scene& scene = document_.scene();
  RenderSettings& s = scene.render;
  LIST* lights = scene.lights;
  if (t.light && lights && lights->serial == t.lights_serial) {
    for (ListNode* n = lights->head; n; n = n->next) {
      if (n->item != t.light) continue;
      lights->current = n;
      lights->Remove();  // the list owns the light
      break;
    }
  }
  s.panorama = 0;
  s.prepareOnly = 0;
  if (Contains(scene.cameras, t.camera)) {
    t.camera->setImageSize(kViewPictureWidth, kViewPictureHeight);
  } else if (s.activeCamera == t.camera) {
    s.activeCamera = nullptr;
  }
}

// ---- The rest ------------------------------------------------------------------------------

void RenderWindow::ShowPicture() {
  const QString viewer = QString::fromLocal8Bit(settings_.image_viewer.c_str());
  if (viewer.isEmpty() || last_picture_.isEmpty()) return;
  if (!launcher_(viewer, {last_picture_}))
    document_.prompter().Message(kErrorTitle, kViewerFailedText, MessageButtons::kOk,
                                 MessageIcon::kError);
}

void RenderWindow::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) Stop();
  ToolWindow::hideEvent(event);
}

bool RenderWindow::Belongs(QObject* object) const {
  for (; object; object = object->parent()) {
    if (object == this) return true;
  }
  return false;
}

bool RenderWindow::eventFilter(QObject* watched, QEvent* event) {
  // Window-system windows pass: the widgets they hand the events to are filtered.
  if (session_ && IsUserInput(event->type()) && !watched->isWindowType() && !Belongs(watched))
    return true;
  return ToolWindow::eventFilter(watched, event);
}

}  // namespace orvane::editor
