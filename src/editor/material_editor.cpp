#include "editor/material_editor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>

#include "editor/document.h"
#include "editor/material_preview.h"
#include "material/texture.h"

namespace orvane::editor {

namespace {

constexpr int kPreviewFrame = 100;

int IntOf(const QLineEdit* field) {
  return std::atoi(field->text().toLocal8Bit().constData());
}
double NumberOf(const QLineEdit* field) {
  return std::atof(field->text().toLocal8Bit().constData());
}

// A slider with the field beside it, each following the other.
void Pair(QSlider* slider, QLineEdit* field) {
  QObject::connect(slider, &QSlider::valueChanged, field, [field](int value) {
    if (IntOf(field) != value || field->text().isEmpty()) field->setText(QString::number(value));
  });
  QObject::connect(field, &QLineEdit::textEdited, slider,
                   [slider, field] { slider->setValue(IntOf(field)); });
}

// The preview frame: a click traces the preview.
class PreviewFrame : public QLabel {
 public:
  PreviewFrame(std::function<void()> clicked, QWidget* parent)
      : QLabel(QStringLiteral("click for preview"), parent), clicked_(std::move(clicked)) {
    setFixedSize(kPreviewFrame, kPreviewFrame);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Box);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) clicked_();
  }

 private:
  std::function<void()> clicked_;
};

}  // namespace

MaterialEditor::MaterialEditor(Document& document, MaterialPreview& preview,
                               const Material& material, QWidget* parent)
    : QDialog(parent), document_(document), preview_(preview), working_(material) {
  setWindowTitle(QStringLiteral("Material Editor"));
  setObjectName(QStringLiteral("Material Editor"));
  auto* grid = new QGridLayout(this);
  auto slider = [this](const char* name, int maximum) {
    auto* s = new QSlider(Qt::Horizontal, this);
    s->setObjectName(QString::fromUtf8(name));
    s->setRange(0, maximum);
    return s;
  };
  auto field = [this](const char* name) {
    auto* f = new QLineEdit(this);
    f->setObjectName(QString::fromUtf8(name));
    f->setMaximumWidth(70);
    return f;
  };

  intensity_ = slider("Intensity", 100);
  intensity_field_ = field("%");
  Pair(intensity_, intensity_field_);
  grid->addWidget(new QLabel(QStringLiteral("Intensity"), this), 0, 0);
  grid->addWidget(intensity_, 0, 1);
  grid->addWidget(intensity_field_, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("%"), this), 0, 3);

  auto* color = new QGroupBox(QStringLiteral("Color"), this);
  auto* color_grid = new QGridLayout(color);
  const char* names[3][2] = {{"R", "R field"}, {"G", "G field"}, {"B", "B field"}};
  for (int i = 0; i < 3; ++i) {
    rgb_[i] = slider(names[i][0], 255);
    rgb_field_[i] = field(names[i][1]);
    Pair(rgb_[i], rgb_field_[i]);
    connect(rgb_[i], &QSlider::valueChanged, this, &MaterialEditor::ShowSwatch);
    color_grid->addWidget(new QLabel(QString::fromUtf8(names[i][0]), color), i, 0);
    color_grid->addWidget(rgb_[i], i, 1);
    color_grid->addWidget(rgb_field_[i], i, 2);
  }
  swatch_ = new QLabel(color);
  swatch_->setObjectName(QStringLiteral("swatch"));
  swatch_->setFixedSize(40, 40);
  color_grid->addWidget(swatch_, 0, 3, 2, 1);
  auto* choose = new QPushButton(QStringLiteral("Color..."), color);
  choose->setObjectName(QStringLiteral("Color..."));
  choose->setAutoDefault(false);
  connect(choose, &QPushButton::clicked, this, [this] {
    const Rgb8 current{rgb_[0]->value(), rgb_[1]->value(), rgb_[2]->value()};
    if (std::optional<Rgb8> chosen = document_.prompter().ChooseColor(current)) {
      rgb_[0]->setValue(chosen->red);
      rgb_[1]->setValue(chosen->green);
      rgb_[2]->setValue(chosen->blue);
    }
  });
  color_grid->addWidget(choose, 2, 3);
  brightness_ = slider("brightness", 100);
  color_grid->addWidget(new QLabel(QStringLiteral("brightness"), color), 3, 0);
  color_grid->addWidget(brightness_, 3, 1, 1, 2);
  grid->addWidget(color, 1, 0, 1, 4);

  auto* texture = new QGroupBox(QStringLiteral("+ Texture"), this);
  auto* texture_grid = new QGridLayout(texture);
  texture_ = new QComboBox(texture);
  texture_->setObjectName(QStringLiteral("texture"));
  if (LIST* images = document_.scene().images) {
    for (ListNode* n = images->head; n; n = n->next) {
      if (n->item && n->item->GetType() == kItemTexture)
        texture_->addItem(QString::fromUtf8(static_cast<Texture*>(n->item)->name.c_str()));
    }
  }
  tile_x_ = field("Tile-X");
  tile_y_ = field("Tile-Y");
  texture_grid->addWidget(texture_, 0, 0, 1, 2);
  texture_grid->addWidget(new QLabel(QStringLiteral("Tile-X"), texture), 1, 0);
  texture_grid->addWidget(tile_x_, 1, 1);
  texture_grid->addWidget(new QLabel(QStringLiteral("Tile-Y"), texture), 2, 0);
  texture_grid->addWidget(tile_y_, 2, 1);
  grid->addWidget(texture, 2, 0, 1, 4);

  auto* special = new QGroupBox(QStringLiteral("special"), this);
  auto* special_grid = new QGridLayout(special);
  special_label_ = new QLabel(special);
  special_label_->setObjectName(QStringLiteral("special label"));
  special_ = slider("special", 100);
  special_field_ = field("special field");
  connect(special_, &QSlider::valueChanged, this, [this](int value) {
    // The refraction field shows the index, the slider a hundred times it.
    special_field_->setText(channel_ == kTransparent ? QString::asprintf("%g", value / 100.0)
                                                     : QString::number(value));
  });
  connect(special_field_, &QLineEdit::textEdited, this, [this] {
    const double typed = NumberOf(special_field_);
    special_->blockSignals(true);
    special_->setValue(
        static_cast<int>(std::lround(channel_ == kTransparent ? typed * 100 : typed)));
    special_->blockSignals(false);
  });
  special_grid->addWidget(special_label_, 0, 0);
  special_grid->addWidget(special_, 0, 1);
  special_grid->addWidget(special_field_, 0, 2);
  grid->addWidget(special, 3, 0, 1, 4);

  auto* channel_box = new QGroupBox(this);
  auto* channel_column = new QVBoxLayout(channel_box);
  channels_ = new QButtonGroup(this);
  for (int ch = 0; ch < kMaterialChannels; ++ch) {
    auto* radio = new QRadioButton(QString::fromUtf8(kChannelNames[ch]), channel_box);
    radio->setObjectName(QString::fromUtf8(kChannelNames[ch]));
    channels_->addButton(radio, ch);
    channel_column->addWidget(radio);
  }
  channels_->button(0)->setChecked(true);
  connect(channels_, &QButtonGroup::idClicked, this, &MaterialEditor::ShowChannel);
  grid->addWidget(channel_box, 0, 4, 3, 1);
  preview_label_ = new PreviewFrame([this] { TracePreview(); }, this);
  preview_label_->setObjectName(QStringLiteral("preview"));
  grid->addWidget(preview_label_, 3, 4);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &MaterialEditor::Confirm);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 4, 0, 1, 5);
  Load();
}

void MaterialEditor::ShowChannel(int channel) {
  if (channel < 0 || channel >= kMaterialChannels) return;
  Store();
  channel_ = channel;
  if (QAbstractButton* radio = channels_->button(channel)) radio->setChecked(true);
  Load();
}

void MaterialEditor::Load() {
  const int ch = channel_;
  const float intensity = working_.value(ch, ch == kHighlight ? 1 : 0);
  intensity_->setValue(static_cast<int>(std::ceil(intensity * 100.0f - 1e-4f)));
  intensity_field_->setText(QString::number(intensity_->value()));
  const Rgb colour = working_.colour(ch);
  const int rgb[3] = {colour.r, colour.g, colour.b};
  for (int i = 0; i < 3; ++i) {
    rgb_[i]->setValue(rgb[i]);
    rgb_field_[i]->setText(QString::number(rgb[i]));
  }
  brightness_->setValue(100);
  const Texture* texture = working_.hasTexture(ch) ? working_.texture(ch) : nullptr;
  texture_->setCurrentIndex(texture ? texture_->findText(QString::fromUtf8(texture->name.c_str()))
                                    : -1);
  tile_x_->setText(QString::asprintf("%g", working_.tileX(ch)));
  tile_y_->setText(QString::asprintf("%g", working_.tileY(ch)));
  const bool highlight = ch == kHighlight;
  const bool transparent = ch == kTransparent;
  special_label_->setText(highlight ? QStringLiteral("  size") : QStringLiteral("refraction"));
  for (QWidget* w : {static_cast<QWidget*>(special_label_), static_cast<QWidget*>(special_),
                     static_cast<QWidget*>(special_field_)})
    w->setVisible(highlight || transparent);
  if (highlight) {
    special_->setRange(0, 100);
    special_->setValue(static_cast<int>(std::lround(100.0 - working_.value(ch, 2))));
    special_field_->setText(QString::number(special_->value()));
  } else if (transparent) {
    special_->setRange(0, 400);
    special_->setValue(static_cast<int>(std::lround(working_.value(ch, 2) * 100.0)));
    special_field_->setText(QString::asprintf("%g", working_.value(ch, 2)));
  }
  ShowSwatch();
}

void MaterialEditor::Store() {
  const int ch = channel_;
  const double scale = brightness_->value() / 100.0;
  auto scaled = [scale](int v) {
    return static_cast<uint8_t>(std::clamp(std::ceil(v * scale - 1e-9), 0.0, 255.0));
  };
  working_.setColour(ch, scaled(IntOf(rgb_field_[0])), scaled(IntOf(rgb_field_[1])),
                     scaled(IntOf(rgb_field_[2])));
  working_.setTiles(ch, NumberOf(tile_x_), NumberOf(tile_y_));
  if (texture_->currentIndex() < 0) {
    working_.setTexture(ch, nullptr);
    working_.setHasTexture(ch, 0);
  } else if (Texture* t = FindTexture(document_.scene().images,
                                      String(texture_->currentText().toUtf8().constData()))) {
    working_.setTexture(ch, t);
    working_.setHasTexture(ch, 1);
  }
  const double intensity = IntOf(intensity_field_) / 100.0;
  if (ch == kHighlight) {
    working_.setValue(ch, 1, intensity);
    working_.setValue(ch, 2, 100.0 - IntOf(special_field_));
  } else if (ch == kTransparent) {
    working_.setValue(ch, 0, intensity);
    working_.setValue(ch, 1, std::sqrt(intensity));
    working_.setValue(ch, 2, NumberOf(special_field_));
  } else {
    working_.setValue(ch, 0, intensity);
  }
}

void MaterialEditor::ShowSwatch() {
  QPixmap swatch(swatch_->size());
  swatch.fill(QColor(rgb_[0]->value(), rgb_[1]->value(), rgb_[2]->value()));
  swatch_->setPixmap(swatch);
}

void MaterialEditor::Confirm() {
  Store();
  accept();
}

void MaterialEditor::TracePreview() {
  Store();
  preview_image_ = preview_.Trace(working_, kPreviewFrame).ToImage();
  preview_label_->setPixmap(QPixmap::fromImage(preview_image_));
}

}  // namespace orvane::editor
