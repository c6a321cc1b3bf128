#include "editor/render_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "editor/document.h"
#include "editor/tool_window.h"
#include "material/texture.h"
#include "render/render_driver.h"

namespace orvane::editor {

namespace {

// The largest typed distance; keeps every float field finite.
constexpr double kMaxDistance = 1e30;
// Deeper recursion buys nothing visible and risks the stack (the command line has the same cap).
constexpr int kMaxTraceDepth = 100;

QString Q(const String& s) {
  return QString::fromLocal8Bit(s.c_str());
}

String S(const QString& s) {
  return String(s.toLocal8Bit().constData());
}

QLineEdit* IntField(const char* name, int bottom, int top, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setValidator(new QIntValidator(bottom, top, field));
  return field;
}

QLineEdit* FloatField(const char* name, QWidget* parent, double bottom = -kMaxDistance) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  auto* validator = new QDoubleValidator(bottom, kMaxDistance, 6, field);
  validator->setLocale(QLocale::c());
  field->setValidator(validator);
  return field;
}

QCheckBox* Check(const char* text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(QString::fromUtf8(text), parent);
  box->setObjectName(name);
  return box;
}

// An editable combo of texture names.
QComboBox* NameCombo(const char* name, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  return combo;
}

// Fills `combo` with the names of the scene's textures and shows `current` (null: empty).
void FillNames(QComboBox* combo, Scene& scene, const Texture* current) {
  const QSignalBlocker block(combo);
  combo->clear();
  for (ListNode* n = scene.images ? scene.images->head : nullptr; n; n = n->next) {
    if (n->item && n->item->GetType() == kItemTexture)
      combo->addItem(Q(static_cast<Texture*>(n->item)->name));
  }
  combo->setEditText(current ? Q(current->name) : QString());
}

// A whole number field; anything but a number is 0.
int IntOf(const QLineEdit* field) {
  return field->text().toInt();
}

// A float field: numbers beyond the validator's range (still typed) are clamped, and what does
// not read as a number is 0.
float FloatOf(const QLineEdit* field) {
  bool ok = false;
  const double value = QLocale::c().toDouble(field->text(), &ok);
  if (!ok || std::isnan(value)) return 0.0f;
  return static_cast<float>(std::clamp(value, -kMaxDistance, kMaxDistance));
}

QString Number(double value) {
  return QString::asprintf("%g", value);
}

void SetText(QLineEdit* field, const QString& text) {
  if (field->text() != text) field->setText(text);
}

void Paint(QFrame* swatch, const uint8_t* rgb) {
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, QColor(rgb[0], rgb[1], rgb[2]));
  swatch->setPalette(palette);
  swatch->update();
}

// The texture's record kind decides how the tracer uses it: a fractal (kind 2) as a fractal,
// anything else as a bitmap.
int32_t UseOf(const Texture& texture) {
  return texture.kind == kTextureFractal ? 2 : 1;
}

}  // namespace

const Texture* FindSceneTexture(Scene& scene, const QString& name) {
  if (name.isEmpty()) return nullptr;
  return FindTexture(scene.images, S(name));
}

// ---- Pages ---------------------------------------------------------------------------------

RenderPage::RenderPage(Document& document, QWidget* parent)
    : QWidget(parent), document_(document) {}

void RenderPage::showEvent(QShowEvent* event) {
  Load();
  QWidget::showEvent(event);
}

RenderSettings& RenderPage::settings() {
  return document_.scene().render;
}

Scene& RenderPage::scene() {
  return document_.scene();
}

// ---- "Save" --------------------------------------------------------------------------------

COV_page_render::COV_page_render(Document& document, QWidget* parent)
    : RenderPage(document, parent) {
  auto* layout = new QGridLayout(this);
  image_ = new QLineEdit(this);
  image_->setObjectName("image");
  QPushButton* browse = ToolButton("...", "imageBrowse", this);
  layout->addWidget(new QLabel("to Image", this), 0, 0);
  layout->addWidget(image_, 0, 1, 1, 2);
  layout->addWidget(browse, 0, 3);
  jpeg_ = Check("jpeg", "jpeg", this);
  tga_ = Check("tga", "tga", this);
  layout->addWidget(jpeg_, 1, 1);
  layout->addWidget(tga_, 1, 2);
  resolution_ = new QComboBox(this);
  resolution_->setObjectName("resolution");
  for (const char* item : kResolutions) resolution_->addItem(item);
  resolution_->setCurrentIndex(-1);
  layout->addWidget(new QLabel("Resolution", this), 2, 0);
  layout->addWidget(resolution_, 2, 1, 1, 3);
  x_ = IntField("x", 0, RenderDriver::kMaxPictureSide, this);
  y_ = IntField("y", 0, RenderDriver::kMaxPictureSide, this);
  layout->addWidget(new QLabel("X", this), 3, 0);
  layout->addWidget(x_, 3, 1);
  layout->addWidget(new QLabel("Y", this), 3, 2);
  layout->addWidget(y_, 3, 3);
  depth_ = IntField("traceDepth", 0, kMaxTraceDepth, this);
  layout->addWidget(new QLabel("max. Raytrace-Depth", this), 4, 0);
  layout->addWidget(depth_, 4, 1);
  panorama_ = Check("Panorama (360°-Sphere-View)", "panorama", this);
  layout->addWidget(panorama_, 5, 0, 1, 4);
  // "jpeg" is not loaded when the page shows: it starts as the scene had it.
  jpeg_->setChecked(settings().jpegOutput != 0);

  connect(browse, &QPushButton::clicked, this, &COV_page_render::ChoosePath);
  connect(image_, &QLineEdit::textEdited, this,
          [this](const QString& text) { settings().outputName = S(text); });
  connect(jpeg_, &QCheckBox::clicked, this, [this](bool on) { settings().jpegOutput = on; });
  connect(tga_, &QCheckBox::clicked, this, [this](bool on) { settings().tgaOutput = on; });
  connect(panorama_, &QCheckBox::clicked, this, [this](bool on) { settings().panorama = on; });
  connect(resolution_, &QComboBox::activated, this, &COV_page_render::ChooseResolution);
  connect(x_, &QLineEdit::textEdited, this, &COV_page_render::TakeSize);
  connect(y_, &QLineEdit::textEdited, this, &COV_page_render::TakeSize);
  connect(depth_, &QLineEdit::textEdited, this,
          [this] { settings().traceDepth = static_cast<uint16_t>(IntOf(depth_)); });
}

void COV_page_render::Load() {
  const RenderSettings& s = settings();
  image_->setText(Q(s.outputName));
  tga_->setChecked(s.tgaOutput != 0);
  panorama_->setChecked(s.panorama != 0);
  x_->setText(QString::number(s.Width()));
  y_->setText(QString::number(s.Height()));
  depth_->setText(QString::number(s.traceDepth));
  loaded_ = true;
}

void COV_page_render::TakeOver() {
  if (!loaded_) return;
  RenderSettings& s = settings();
  s.outputName = S(image_->text());
  s.jpegOutput = jpeg_->isChecked();
  s.tgaOutput = tga_->isChecked();
  s.panorama = panorama_->isChecked();
  s.traceDepth = static_cast<uint16_t>(IntOf(depth_));
  TakeSize();
}

// A cancelled dialog leaves an empty path.
void COV_page_render::ChoosePath() {
  const std::optional<std::string> path = document_.prompter().SaveFile(kRenderImageFilter);
  const QString text = path ? QString::fromLocal8Bit(path->c_str()) : QString();
  image_->setText(text);
  settings().outputName = S(text);
}

// The item's size becomes the picture and the right and bottom border of the frame.
void COV_page_render::ChooseResolution(int index) {
  const QStringList sizes = resolution_->itemText(index).split(" x ");
  if (sizes.size() != 2) return;
  const int width = sizes[0].toInt();
  const int height = sizes[1].toInt();
  x_->setText(QString::number(width));
  y_->setText(QString::number(height));
  RenderSettings& s = settings();
  s.SetSize(width, height);
  s.fieldRight = width;
  s.fieldBottom = height;
}

// The picture is twice the half size, so an odd size loses its last pixel.
void COV_page_render::TakeSize() {
  RenderSettings& s = settings();
  s.halfWidth = static_cast<uint32_t>(IntOf(x_)) >> 1;
  s.halfHeight = static_cast<uint32_t>(IntOf(y_)) >> 1;
}

// ---- "Frame" -------------------------------------------------------------------------------

COV_page2_render::COV_page2_render(Document& document, QWidget* parent)
    : RenderPage(document, parent) {
  auto* layout = new QGridLayout(this);
  mask_ = NameCombo("mask", this);
  layout->addWidget(new QLabel("Mask", this), 0, 0);
  layout->addWidget(mask_, 0, 1, 1, 3);
  const char* labels[] = {"Xmin", "Ymin", "Xmax", "Ymax", "visible"};
  const char* names[] = {"xmin", "ymin", "xmax", "ymax", "visible"};
  for (int i = 0; i < 5; ++i) {
    fields_[i] = IntField(names[i], -2147483647, 2147483647, this);
    layout->addWidget(new QLabel(labels[i], this), 1 + i / 2, (i % 2) * 2);
    layout->addWidget(fields_[i], 1 + i / 2, (i % 2) * 2 + 1);
    connect(fields_[i], &QLineEdit::textEdited, this, &COV_page2_render::TakeFields);
  }
  QPushButton* reset = ToolButton("Reset", "reset", this);
  layout->addWidget(reset, 3, 3);
  connect(reset, &QPushButton::clicked, this, &COV_page2_render::Reset);
  connect(mask_, &QComboBox::textActivated, this, &COV_page2_render::SetMask);
  connect(mask_->lineEdit(), &QLineEdit::textEdited, this, &COV_page2_render::SetMask);
}

// A frame without right or bottom border has never been set: it becomes the whole picture.
void COV_page2_render::Load() {
  const RenderSettings& s = settings();
  loaded_ = true;
  if (s.fieldRight == 0 || s.fieldBottom == 0) {
    Reset();
    return;
  }
  const int32_t values[] = {s.fieldLeft, s.fieldTop, s.fieldRight, s.fieldBottom,
                            s.fieldBrightness};
  for (int i = 0; i < 5; ++i) fields_[i]->setText(QString::number(values[i]));
  FillNames(mask_, scene(), s.fieldMaskType != 0 ? s.fieldMask : nullptr);
}

void COV_page2_render::TakeOver() {
  if (!loaded_) return;
  TakeFields();
  SetMask(mask_->currentText());
}

void COV_page2_render::Reset() {
  RenderSettings& s = settings();
  const int32_t values[] = {0, 0, s.Width(), s.Height(), 0};
  for (int i = 0; i < 5; ++i) fields_[i]->setText(QString::number(values[i]));
  TakeFields();
  FillNames(mask_, scene(), nullptr);
  SetMask(QString());
}

void COV_page2_render::TakeFields() {
  RenderSettings& s = settings();
  s.fieldLeft = IntOf(fields_[0]);
  s.fieldTop = IntOf(fields_[1]);
  s.fieldRight = IntOf(fields_[2]);
  s.fieldBottom = IntOf(fields_[3]);
  s.fieldBrightness = IntOf(fields_[4]);
}

void COV_page2_render::SetMask(const QString& name) {
  RenderSettings& s = settings();
  s.fieldMask = FindSceneTexture(scene(), name);
  s.fieldMaskType = s.fieldMask ? UseOf(*s.fieldMask) : 0;
}

// ---- "Depth-Map" ---------------------------------------------------------------------------

COV_page3_5_render::COV_page3_5_render(Document& document, QWidget* parent)
    : RenderPage(document, parent) {
  auto* layout = new QGridLayout(this);
  path_ = new QLineEdit(this);
  path_->setObjectName("depthMap");
  QPushButton* browse = ToolButton("...", "depthBrowse", this);
  layout->addWidget(new QLabel("Depth-Map", this), 0, 0);
  layout->addWidget(path_, 0, 1);
  layout->addWidget(browse, 0, 2);
  focus_ = FloatField("focus", this);
  near_ = FloatField("minDepth", this);
  far_ = FloatField("maxDepth", this);
  layout->addWidget(new QLabel("focus", this), 1, 0);
  layout->addWidget(focus_, 1, 1);
  layout->addWidget(new QLabel("min. depth", this), 2, 0);
  layout->addWidget(near_, 2, 1);
  layout->addWidget(new QLabel("max. depth", this), 3, 0);
  layout->addWidget(far_, 3, 1);
  invert_ = Check("invert", "invert", this);
  layout->addWidget(invert_, 4, 1);

  connect(browse, &QPushButton::clicked, this, &COV_page3_5_render::ChoosePath);
  connect(path_, &QLineEdit::textEdited, this, &COV_page3_5_render::SetPath);
  for (QLineEdit* field : {focus_, near_, far_})
    connect(field, &QLineEdit::textEdited, this, &COV_page3_5_render::TakeDistances);
  connect(invert_, &QCheckBox::clicked, this, [this](bool on) { settings().depthInvert = on; });
}

void COV_page3_5_render::Load() {
  const RenderSettings& s = settings();
  path_->setText(Q(s.depthMapName));
  SetText(focus_, Number(s.depthFocus));
  SetText(near_, Number(s.depthNear));
  SetText(far_, Number(s.depthFar));
  invert_->setChecked(s.depthInvert != 0);
  loaded_ = true;
}

void COV_page3_5_render::TakeOver() {
  if (!loaded_) return;
  SetPath(path_->text());
  TakeDistances();
  settings().depthInvert = invert_->isChecked();
}

// The depth map is written while it has a path.
void COV_page3_5_render::SetPath(const QString& path) {
  RenderSettings& s = settings();
  s.depthMapName = S(path);
  s.depthMap = path.isEmpty() ? 0 : 1;
}

void COV_page3_5_render::ChoosePath() {
  const std::optional<std::string> path = document_.prompter().SaveFile(kDepthMapFilter);
  const QString text = path ? QString::fromLocal8Bit(path->c_str()) : QString();
  path_->setText(text);
  SetPath(text);
}

void COV_page3_5_render::TakeDistances() {
  RenderSettings& s = settings();
  s.depthFocus = FloatOf(focus_);
  s.depthNear = FloatOf(near_);
  s.depthFar = FloatOf(far_);
}

// ---- "Background" --------------------------------------------------------------------------

COV_page4_2_render::COV_page4_2_render(Document& document, QWidget* parent)
    : RenderPage(document, parent) {
  auto* layout = new QHBoxLayout(this);
  image_ = NameCombo("background", this);
  layout->addWidget(new QLabel("Image", this));
  layout->addWidget(image_, 1);
  connect(image_, &QComboBox::textActivated, this, &COV_page4_2_render::SetImage);
  connect(image_->lineEdit(), &QLineEdit::textEdited, this, &COV_page4_2_render::SetImage);
}

void COV_page4_2_render::Load() {
  const RenderSettings& s = settings();
  FillNames(image_, scene(), s.backgroundMode != 0 ? s.backgroundTexture : nullptr);
  loaded_ = true;
}

void COV_page4_2_render::TakeOver() {
  if (loaded_) SetImage(image_->currentText());
}

// An unknown name gives a plain black background.
void COV_page4_2_render::SetImage(const QString& name) {
  RenderSettings& s = settings();
  s.backgroundTexture = FindSceneTexture(scene(), name);
  if (s.backgroundTexture) {
    s.backgroundMode = UseOf(*s.backgroundTexture);
    return;
  }
  s.backgroundMode = 0;
  std::fill(std::begin(s.background), std::end(s.background), uint8_t{0});
}

// ---- "Ambient Light" and "Fog" -------------------------------------------------------------

ColourPage::ColourPage(Document& document, bool fog, QWidget* parent)
    : RenderPage(document, parent), fog_(fog) {
  auto* layout = new QGridLayout(this);
  const char* prefix = fog ? "fog" : "ambient";
  swatch_ = new QFrame(this);
  swatch_->setObjectName(QString(prefix) + "Swatch");
  swatch_->setAutoFillBackground(true);
  swatch_->setFrameShape(QFrame::Box);
  swatch_->setMinimumSize(60, 30);
  auto* choose = new QPushButton("Color...", this);
  choose->setObjectName(QString(prefix) + "Color");
  choose->setAutoDefault(false);
  layout->addWidget(swatch_, 0, 0);
  layout->addWidget(choose, 0, 1);
  connect(choose, &QPushButton::clicked, this, &ColourPage::ChooseColour);
  if (!fog) return;
  depth_ = FloatField("fogDepth", this, 0.0);
  layout->addWidget(new QLabel("max. visible depth", this), 1, 0);
  layout->addWidget(depth_, 1, 1);
  connect(depth_, &QLineEdit::textEdited, this, &ColourPage::TakeDepth);
}

uint8_t* ColourPage::colour() {
  return fog_ ? settings().fog : settings().ambient;
}

void ColourPage::Load() {
  Paint(swatch_, colour());
  if (depth_) SetText(depth_, Number(settings().fogDistance));
  loaded_ = true;
}

void ColourPage::TakeOver() {
  if (loaded_ && depth_) TakeDepth();
}

// Fog without a depth would hide nothing: a chosen colour gives it a depth of 100.
void ColourPage::ChooseColour() {
  uint8_t* rgb = colour();
  const std::optional<Rgb8> chosen = document_.prompter().ChooseColor({rgb[0], rgb[1], rgb[2]});
  if (!chosen) return;
  rgb[0] = static_cast<uint8_t>(std::clamp(chosen->red, 0, 255));
  rgb[1] = static_cast<uint8_t>(std::clamp(chosen->green, 0, 255));
  rgb[2] = static_cast<uint8_t>(std::clamp(chosen->blue, 0, 255));
  Paint(swatch_, rgb);
  if (!depth_) return;
  if (settings().fogDistance == 0.0f) settings().fogDistance = 100.0f;
  SetText(depth_, Number(settings().fogDistance));
}

// A fog depth is a distance: never negative.
void ColourPage::TakeDepth() {
  settings().fogDistance = std::max(0.0f, FloatOf(depth_));
}

// ---- The sheet -----------------------------------------------------------------------------

COV_wnd_render::COV_wnd_render(Document& document, QWidget* parent)
    : ToolWindow(QStringLiteral("Render Preferences"), parent) {
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("pages");
  pages_ = {new COV_page_render(document, tabs_),    new COV_page2_render(document, tabs_),
            new COV_page3_5_render(document, tabs_), new COV_page4_2_render(document, tabs_),
            new COV_page5_render(document, tabs_),   new COV_page6_render(document, tabs_)};
  const char* titles[] = {"Save", "Frame", "Depth-Map", "Background", "Ambient Light", "Fog"};
  for (std::size_t i = 0; i < pages_.size(); ++i) tabs_->addTab(pages_[i], titles[i]);
  layout->addWidget(tabs_);
  QPushButton* close = ToolButton("Close", "close", this);
  layout->addWidget(close, 0, Qt::AlignRight);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(&document, &Document::sceneChanged, this, &COV_wnd_render::Reload);
}

// Showing the sheet loads the size, the paths and the trace depth whichever page is shown.
void COV_wnd_render::showEvent(QShowEvent* event) {
  for (RenderPage* page : pages_) page->Forget();
  pages_[0]->Load();
  pages_[2]->Load();
  ToolWindow::showEvent(event);
}

void COV_wnd_render::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) {
    for (RenderPage* page : pages_) page->TakeOver();
  }
  ToolWindow::hideEvent(event);
}

void COV_wnd_render::reject() {
  // Escape closes the sheet as its close button does.
  close();
}

void COV_wnd_render::Reload() {
  if (!isVisible()) return;
  for (RenderPage* page : pages_) {
    if (page->loaded()) page->Load();
  }
}

}  // namespace orvane::editor
