#include "editor/preferences_sheet.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvane::editor {

namespace {

QString Q(const std::string& s) {
  return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size()));
}

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

void Paint(QWidget* swatch, const int16_t* rgb) {
  QPalette palette = swatch->palette();
  palette.setColor(QPalette::Window, QColor(rgb[0], rgb[1], rgb[2]));
  swatch->setPalette(palette);
  swatch->update();
}

}  // namespace

// ---- "Pathes" ------------------------------------------------------------------------------

COV_dlg_voreinstell_pfade::COV_dlg_voreinstell_pfade(QWidget* parent) : QWidget(parent) {
  auto* layout = new QGridLayout(this);
  list_ = new QListWidget(this);
  list_->setObjectName("paths");
  edit_ = new QLineEdit(this);
  edit_->setObjectName("path");
  layout->addWidget(list_, 0, 0, 1, 3);
  auto* updown = new QVBoxLayout;
  auto* up = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  up->setObjectName("up");
  auto* down = new QToolButton(this);
  down->setArrowType(Qt::DownArrow);
  down->setObjectName("down");
  updown->addWidget(up);
  updown->addWidget(down);
  updown->addStretch();
  layout->addLayout(updown, 0, 3);
  layout->addWidget(edit_, 1, 0, 1, 4);
  QPushButton* add = Button("+", "add", this);
  QPushButton* replace = Button("=", "replace", this);
  QPushButton* remove = Button("-", "remove", this);
  layout->addWidget(add, 2, 0);
  layout->addWidget(replace, 2, 1);
  layout->addWidget(remove, 2, 2);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) edit_->setText(list_->item(row)->text());
  });
  connect(list_, &QListWidget::itemDoubleClicked, edit_, &QLineEdit::clear);
  connect(add, &QPushButton::clicked, this, &COV_dlg_voreinstell_pfade::Add);
  connect(replace, &QPushButton::clicked, this, &COV_dlg_voreinstell_pfade::Replace);
  connect(remove, &QPushButton::clicked, this, &COV_dlg_voreinstell_pfade::Remove);
  connect(up, &QToolButton::clicked, this, &COV_dlg_voreinstell_pfade::MoveUp);
  connect(down, &QToolButton::clicked, this, &COV_dlg_voreinstell_pfade::MoveDown);
}

void COV_dlg_voreinstell_pfade::Load(const std::vector<std::string>& paths) {
  list_->clear();
  for (const std::string& p : paths) list_->addItem(Q(p));
  edit_->clear();
}

std::vector<std::string> COV_dlg_voreinstell_pfade::Entries() const {
  std::vector<std::string> entries;
  for (int i = 0; i < list_->count(); ++i)
    entries.push_back(list_->item(i)->text().toLocal8Bit().toStdString());
  return entries;
}

void COV_dlg_voreinstell_pfade::Add() {
  list_->addItem(edit_->text());
}

void COV_dlg_voreinstell_pfade::Replace() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected() || edit_->text().isEmpty()) return;
  item->setText(edit_->text());
}

void COV_dlg_voreinstell_pfade::Remove() {
  QListWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected()) return;
  delete list_->takeItem(list_->row(item));
}

void COV_dlg_voreinstell_pfade::MoveUp() {
  const int row = list_->currentRow();
  if (row <= 0) return;
  QListWidgetItem* item = list_->takeItem(row);
  list_->insertItem(row - 1, item);
  list_->setCurrentRow(row - 1);
  list_->setFocus();
}

void COV_dlg_voreinstell_pfade::MoveDown() {
  const int row = list_->currentRow();
  if (row < 0 || row + 1 >= list_->count()) return;
  QListWidgetItem* item = list_->takeItem(row);
  list_->insertItem(row + 1, item);
  list_->setCurrentRow(row + 1);
  list_->setFocus();
}

// ---- "Editor" ------------------------------------------------------------------------------

COV_dlg_voreinstell_editor::COV_dlg_voreinstell_editor(EditorSettings& settings, Prompter& prompter,
                                                       QWidget* parent)
    : QWidget(parent), settings_(settings), prompter_(prompter) {
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Magnet", this), 0, 0);
  magnet_ = new QComboBox(this);
  magnet_->setObjectName("magnet");
  magnet_->addItems({"linear", "quadratisch", "Wurzel", "konstant"});
  layout->addWidget(magnet_, 0, 1);
  layout->addWidget(new QLabel("Every n'th triangle while move", this), 1, 0);
  step_ = new QLineEdit(this);
  step_->setObjectName("step");
  step_->setValidator(new QIntValidator(0, 32767, step_));
  layout->addWidget(step_, 1, 1);
  QPushButton* background = Button("Background-Color >", "background", this);
  QPushButton* grid = Button("Grid-Color >", "grid", this);
  background_swatch_ = new QFrame(this);
  grid_swatch_ = new QFrame(this);
  for (QWidget* swatch : {background_swatch_, grid_swatch_}) {
    swatch->setAutoFillBackground(true);
    swatch->setMinimumSize(40, 20);
  }
  background_swatch_->setObjectName("backgroundSwatch");
  grid_swatch_->setObjectName("gridSwatch");
  layout->addWidget(background, 2, 0);
  layout->addWidget(background_swatch_, 2, 1);
  layout->addWidget(grid, 3, 0);
  layout->addWidget(grid_swatch_, 3, 1);
  axis_ = new QCheckBox("Show Axis", this);
  axis_->setObjectName("axis");
  layout->addWidget(axis_, 4, 0);
  // The start display is chosen here but not shown on the page.
  start_ = new QComboBox(this);
  start_->setObjectName("start");
  start_->addItems({"Drahtgitter", QString::fromUtf8("Flächen")});
  start_->hide();

  connect(magnet_, &QComboBox::activated, this, [this](int index) {
    settings_.magnet_falloff = index + 1;
    emit changed();
  });
  connect(step_, &QLineEdit::textEdited, this, [this] { TakeStep(); });
  connect(background, &QPushButton::clicked, this, [this] { ChooseColour(settings_.background); });
  connect(grid, &QPushButton::clicked, this, [this] { ChooseColour(settings_.grid); });
  connect(axis_, &QCheckBox::toggled, this, [this](bool on) {
    settings_.show_axis = on ? 1 : 0;
    emit changed();
  });
  connect(start_, &QComboBox::activated, this, [this](int index) {
    settings_.start_display = index;
    emit changed();
  });
}

void COV_dlg_voreinstell_editor::Load() {
  magnet_->setCurrentIndex(settings_.magnet_falloff - 1);
  step_->setText(QString::number(settings_.reduced_step));
  axis_->setChecked(settings_.show_axis != 0);
  start_->setCurrentIndex(settings_.start_display);
  Paint(background_swatch_, settings_.background);
  Paint(grid_swatch_, settings_.grid);
}

void COV_dlg_voreinstell_editor::TakeStep() {
  const int value = step_->text().toInt();  // empty: 0
  if (value == 0 && !step_->text().isEmpty()) step_->setText("1");
  settings_.reduced_step = static_cast<int16_t>(std::max(1, value));
  emit changed();
}

void COV_dlg_voreinstell_editor::ChooseColour(int16_t* colour) {
  const std::optional<Rgb8> chosen = prompter_.ChooseColor({colour[0], colour[1], colour[2]});
  if (!chosen) return;
  colour[0] = static_cast<int16_t>(chosen->red);
  colour[1] = static_cast<int16_t>(chosen->green);
  colour[2] = static_cast<int16_t>(chosen->blue);
  Paint(background_swatch_, settings_.background);
  Paint(grid_swatch_, settings_.grid);
  emit changed();
}

// ---- "JPEG" --------------------------------------------------------------------------------

COV_dlg_voreinstell_jpeg::COV_dlg_voreinstell_jpeg(EditorSettings& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(new QLabel("JPEG-quality", this));
  quality_ = new QLineEdit(this);
  quality_->setObjectName("quality");
  quality_->setValidator(new QIntValidator(0, 999, quality_));
  layout->addWidget(quality_);
  layout->addWidget(new QLabel("%", this));
  layout->addStretch();
  connect(quality_, &QLineEdit::textEdited, this, [this] {
    if (quality_->text().toInt() > 100) quality_->setText("100");
  });
}

void COV_dlg_voreinstell_jpeg::Load() {
  quality_->setText(QString::number(settings_.jpeg_quality));
}

void COV_dlg_voreinstell_jpeg::TakeQuality() {
  settings_.jpeg_quality = std::clamp(quality_->text().toInt(), 0, 100);
}

// ---- "Show" --------------------------------------------------------------------------------

COV_dlg_voreinstell_anzeigen::COV_dlg_voreinstell_anzeigen(EditorSettings& settings,
                                                           QWidget* parent)
    : QWidget(parent), settings_(settings) {
  auto* layout = new QFormLayout(this);
  viewer_ = new QLineEdit(this);
  viewer_->setObjectName("viewer");
  browser_ = new QLineEdit(this);
  browser_->setObjectName("browser");
  layout->addRow("Image-Viewer", viewer_);
  layout->addRow("HTML-Browser", browser_);
  connect(viewer_, &QLineEdit::textEdited, this, [this](const QString& text) {
    settings_.image_viewer = text.toLocal8Bit().toStdString();
    emit changed();
  });
  connect(browser_, &QLineEdit::textEdited, this, [this](const QString& text) {
    settings_.html_browser = text.toLocal8Bit().toStdString();
    emit changed();
  });
}

void COV_dlg_voreinstell_anzeigen::Load() {
  viewer_->setText(Q(settings_.image_viewer));
  browser_->setText(Q(settings_.html_browser));
}

// ---- The sheet -----------------------------------------------------------------------------

COV_dlg_voreinstell::COV_dlg_voreinstell(EditorSettings& settings, std::vector<std::string>& paths,
                                         Prompter& prompter, PreferenceFiles files, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      paths_(paths),
      prompter_(prompter),
      files_(std::move(files)) {
  setWindowTitle("Preferences");
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("pages");
  paths_page_ = new COV_dlg_voreinstell_pfade(tabs_);
  editor_page_ = new COV_dlg_voreinstell_editor(settings_, prompter_, tabs_);
  jpeg_page_ = new COV_dlg_voreinstell_jpeg(settings_, tabs_);
  show_page_ = new COV_dlg_voreinstell_anzeigen(settings_, tabs_);
  tabs_->addTab(paths_page_, "Pathes");
  tabs_->addTab(editor_page_, "Editor");
  tabs_->addTab(jpeg_page_, "JPEG");
  tabs_->addTab(show_page_, "Show");
  layout->addWidget(tabs_);
  QPushButton* close = Button("Close", "close", this);
  layout->addWidget(close, 0, Qt::AlignRight);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  connect(editor_page_, &COV_dlg_voreinstell_editor::changed, this,
          &COV_dlg_voreinstell::settingsChanged);
  connect(show_page_, &COV_dlg_voreinstell_anzeigen::changed, this,
          &COV_dlg_voreinstell::settingsChanged);
}

void COV_dlg_voreinstell::showEvent(QShowEvent* event) {
  paths_page_->Load(paths_);
  editor_page_->Load();
  jpeg_page_->Load();
  show_page_->Load();
  QDialog::showEvent(event);
}

void COV_dlg_voreinstell::Finish() {
  editor_page_->TakeStep();
  jpeg_page_->TakeQuality();
  paths_ = paths_page_->Entries();
  const Answer answer = prompter_.Message("Question", "Do you want save the preferences?",
                                          MessageButtons::kYesNo, MessageIcon::kQuestion);
  if (answer == Answer::kYes) {
    WritePathList(files_.path_list, paths_);
    WriteSettings(files_.settings, settings_);
  }
  emit settingsChanged();
  emit closed();
}

void COV_dlg_voreinstell::closeEvent(QCloseEvent* event) {
  if (isVisible()) Finish();
  event->accept();
}

void COV_dlg_voreinstell::reject() {
  // Escape closes the sheet as its close button does.
  close();
}

}  // namespace orvane::editor
