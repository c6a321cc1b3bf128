#pragma once
// RenderWindow: the "Render" tool window. "TRACE!" traces the scene in memory into the picture
// files the render settings name (one frame, number 1), drawing a scaled preview while the
// rows come in and showing the time taken and the time still needed; "Stop" ends a render;
// "Preferences" shows the render preferences sheet; "Show" opens the last picture in the image
// viewer of the settings.
//
// A render runs on the window's thread one block of ten rows at a time, from a zero-interval
// timer, so the window stays responsive (each block is traced on every core). While it runs,
// every other window of the program ignores mouse and keyboard input, so that nothing edits
// the scene under the tracer. A scene without lights is lit by a temporary light at the
// camera, which is taken out again however the render ends.
//
// A render that is stopped (Stop, closing the window, a scene change) closes its files and
// deletes the pictures it had begun, so that no half picture is left behind.
//
// The window reads the document's scene while it lives: it must be destroyed (or hidden,
// which stops a render) before the document.

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "editor/tool_window.h"

class QLabel;
class QPushButton;
class QTimer;

namespace orvane::editor {

class COV_wnd_render;
class Document;
struct EditorSettings;

inline constexpr const char* kNoCameraText = "You should select a camera!";
inline constexpr const char* kWriteProtectedText =
    "The save-path points to a write-protected drive!";
inline constexpr const char* kViewerFailedText = "The image viewer could not be started.";

// The camera's picture size between renders (the views' camera frame).
inline constexpr int kViewPictureWidth = 320;
inline constexpr int kViewPictureHeight = 240;

// Seconds as "hh:mm:ss", each field of two digits at least; negative times count as 0.
QString RenderTimeText(double seconds);

class RenderWindow : public ToolWindow {
  Q_OBJECT

 public:
  // How "Show" starts the viewer: program and arguments; false when it could not be started.
  using Launcher = std::function<bool(const QString& program, const QStringList& arguments)>;

  // `settings` gives the JPEG quality and the image viewer at each use; `sheet` (not owned,
  // may be null) is what "Preferences" shows.
  RenderWindow(Document& document, const EditorSettings& settings, COV_wnd_render* sheet,
               QWidget* parent);
  ~RenderWindow() override;

  void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

  // "TRACE!": starts a render. False when none was started: one is running already, there is
  // no current camera, or the picture file cannot be opened (each refusal shows its message;
  // the settings and the light list are then as they were, but for the settings TRACE! sets).
  bool StartTrace();
  // StartTrace, then processes events until the render ends. True when the picture is complete.
  bool Trace();
  // Ends the render in progress (nothing when there is none).
  void Stop();
  bool tracing() const { return session_ != nullptr; }
  // "Show".
  void ShowPicture();

  // The preview as drawn so far (white where nothing is drawn).
  const QImage& previewImage() const { return image_; }
  QString remainingTime() const;
  QString neededTime() const;
  // The picture file of the last completed render ("Show" opens it); empty before one.
  const QString& lastPicture() const { return last_picture_; }

 signals:
  // A block of rows was traced; `next_line` is the first row still to trace.
  void blockTraced(int next_line);
  // The render ended: complete, or stopped.
  void traceFinished(bool complete);

 protected:
  void hideEvent(QHideEvent* event) override;
  // Swallows the input of the other windows while a render runs.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Session;

  // Prepares the frame; false after the error message.
  bool Prepare(Session& session);
  void StartPreview(Session& session);
  // One step of the render: the preview rows that are traced, then the next block.
  void Tick();
  void DrawReadyRows(Session& session);
  void DrawRow(const Session& session, int preview_row, int picture_row);
  void TraceBlock(Session& session);
  // Puts everything back: files, temporary light, panorama, camera size.
  void End();
  void Restore(const Session& session);
  bool Belongs(QObject* object) const;

  Document& document_;
  const EditorSettings& settings_;
  COV_wnd_render* sheet_;
  Launcher launcher_;
  QWidget* preview_;
  QLabel* remaining_;
  QLabel* needed_;
  QTimer* timer_;
  QImage image_;
  std::unique_ptr<Session> session_;
  QString last_picture_;
};

}  // namespace orvane::editor
