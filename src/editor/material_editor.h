#pragma once
// MaterialEditor: the "Material Editor" dialog. It edits a working copy of one material
// channel by channel and gives it back on OK; Cancel leaves the material as it was.
//
// The controls show one channel at a time: "Intensity" (percent), the colour R, G, B with a
// "brightness" that scales it when stored, the channel's texture with its tiling, and for
// "Highlight" the size (100 − the stored size) and for "Transparency" the refraction. Switching
// the channel first stores the controls into the channel that was shown.

#include <QDialog>

#include <functional>

#include "material/material.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace orvane::editor {

class Document;
class MaterialPreview;

// The channels in the order of the dialog's radio buttons.
inline constexpr const char* kChannelNames[kMaterialChannels] = {
    "Color (diffuse)", "Highlight", "Reflection", "Transparency", "Glow", "Ambient", "Bump-Map"};

class MaterialEditor : public QDialog {
  Q_OBJECT

 public:
  MaterialEditor(Document& document, MaterialPreview& preview, const Material& material,
                 QWidget* parent);

  // The channel shown, and switching it as its radio button does.
  int channel() const { return channel_; }
  void ShowChannel(int channel);
  // OK: the controls into the working copy, and the dialog accepted.
  void Confirm();
  // The working copy (after Confirm: what the material becomes).
  const Material& working() const { return working_; }
  // "click for preview": traces the working copy into the preview frame.
  void TracePreview();
  QImage previewImage() const { return preview_image_; }

 private:
  void Store();
  void Load();
  void ShowSwatch();

  Document& document_;
  MaterialPreview& preview_;
  Material working_;
  int channel_ = 0;
  QButtonGroup* channels_;
  QSlider* intensity_;
  QLineEdit* intensity_field_;
  QSlider* rgb_[3];
  QLineEdit* rgb_field_[3];
  QLabel* swatch_;
  QSlider* brightness_;
  QComboBox* texture_;
  QLineEdit* tile_x_;
  QLineEdit* tile_y_;
  QLabel* special_label_;
  QSlider* special_;
  QLineEdit* special_field_;
  QLabel* preview_label_;
  QImage preview_image_;
};

}  // namespace orvane::editor
