#pragma once
// COV_wnd_render: the modeless "Render Preferences" sheet. Its six pages ("Save", "Frame",
// "Depth-Map", "Background", "Ambient Light", "Fog") edit the render settings of the document's
// scene (Scene::render). Every control writes its setting as soon as it changes; closing the
// sheet takes over the values of the controls of the pages it has shown once more.
//
// The settings are not scene items: their changes are no undo steps.
//
// Texture references (mask, background image) are looked up by name among the scene's textures
// when a name is chosen or typed; a name that is not found clears the reference. Number fields
// accept digits only; a field that does not hold a number counts as 0.

#include <QWidget>

#include <cstdint>
#include <vector>

#include "editor/tool_window.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QTabWidget;

namespace orvane {
struct RenderSettings;
class Scene;
class Texture;
}  // namespace orvane

namespace orvane::editor {

class Document;

// The file dialog filters of the two "..." buttons.
inline constexpr const char* kRenderImageFilter = "TGA 24bit (*.tga)|*.tga|All Files (*.*)|*.*||";
inline constexpr const char* kDepthMapFilter = "TGA    (*.tga)|*.tga|All Files (*.*)|*.*||";

// The items of the "Resolution" combo.
inline constexpr const char* kResolutions[] = {
    "160 x 120", "320 x 240", "384 x 288",  "480 x 360",  "640 x 480",
    "768 x 576", "800 x 600", "1024 x 768", "1280 x 960", "1600 x 1200"};

// The texture of the scene's texture list called `name` (null for none).
const Texture* FindSceneTexture(Scene& scene, const QString& name);

// One page of the sheet. Showing it loads its controls from the settings (Load); TakeOver
// writes the controls back, but only once the page has been loaded, so that a page that was
// never shown cannot overwrite the settings with empty fields.
class RenderPage : public QWidget {
  Q_OBJECT

 public:
  RenderPage(Document& document, QWidget* parent);

  virtual void Load() = 0;
  virtual void TakeOver() {}
  bool loaded() const { return loaded_; }
  void Forget() { loaded_ = false; }

 protected:
  void showEvent(QShowEvent* event) override;
  RenderSettings& settings();
  Scene& scene();
  Document& document_;
  bool loaded_ = false;
};

// "Save": picture path, output kinds, size, trace depth, panorama.
class COV_page_render : public RenderPage {
  Q_OBJECT

 public:
  COV_page_render(Document& document, QWidget* parent);
  void Load() override;
  void TakeOver() override;

 private:
  void ChoosePath();
  void ChooseResolution(int index);
  void TakeSize();

  QLineEdit* image_;
  QCheckBox* jpeg_;
  QCheckBox* tga_;
  QComboBox* resolution_;
  QLineEdit* x_;
  QLineEdit* y_;
  QLineEdit* depth_;
  QCheckBox* panorama_;
};

// "Frame": the traced rectangle, its mask and the mask threshold ("visible").
class COV_page2_render : public RenderPage {
  Q_OBJECT

 public:
  COV_page2_render(Document& document, QWidget* parent);
  void Load() override;
  void TakeOver() override;
  // The whole picture, no mask, threshold 0.
  void Reset();

 private:
  void SetMask(const QString& name);
  void TakeFields();

  QComboBox* mask_;
  QLineEdit* fields_[5];  // Xmin, Ymin, Xmax, Ymax, visible
};

// "Depth-Map": the depth map's path (on while it is not empty), its distances and inversion.
class COV_page3_5_render : public RenderPage {
  Q_OBJECT

 public:
  COV_page3_5_render(Document& document, QWidget* parent);
  void Load() override;
  void TakeOver() override;

 private:
  void SetPath(const QString& path);
  void ChoosePath();
  void TakeDistances();

  QLineEdit* path_;
  QLineEdit* focus_;
  QLineEdit* near_;
  QLineEdit* far_;
  QCheckBox* invert_;
};

// "Background": the background image, by texture name.
class COV_page4_2_render : public RenderPage {
  Q_OBJECT

 public:
  COV_page4_2_render(Document& document, QWidget* parent);
  void Load() override;
  void TakeOver() override;

 private:
  void SetImage(const QString& name);

  QComboBox* image_;
};

// "Ambient Light" and "Fog": a colour and, for the fog, its maximal visible depth.
class ColourPage : public RenderPage {
  Q_OBJECT

 public:
  // `fog`: the fog page with its depth field; otherwise the ambient light page.
  ColourPage(Document& document, bool fog, QWidget* parent);
  void Load() override;
  void TakeOver() override;

 private:
  uint8_t* colour();
  void ChooseColour();
  void TakeDepth();

  bool fog_;
  QFrame* swatch_;
  QLineEdit* depth_ = nullptr;
};

class COV_page5_render : public ColourPage {
  Q_OBJECT

 public:
  COV_page5_render(Document& document, QWidget* parent) : ColourPage(document, false, parent) {}
};

class COV_page6_render : public ColourPage {
  Q_OBJECT

 public:
  COV_page6_render(Document& document, QWidget* parent) : ColourPage(document, true, parent) {}
};

class COV_wnd_render : public ToolWindow {
  Q_OBJECT

 public:
  COV_wnd_render(Document& document, QWidget* parent);

  QTabWidget* tabs() { return tabs_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;

 private:
  // The controls of the shown pages show the settings again (a scene was opened).
  void Reload();

  QTabWidget* tabs_;
  std::vector<RenderPage*> pages_;
};

}  // namespace orvane::editor
