#pragma once
// COV_dlg_voreinstell: the modeless "Preferences" sheet with its four pages "Pathes",
// "Editor", "JPEG" and "Show". Most fields change the settings at once; the path list and the
// fields of the triangle step and the JPEG quality are taken when the sheet closes, which also
// asks whether the settings are to be saved.

#include <QDialog>

#include <string>
#include <vector>

#include "editor/prompter.h"
#include "editor/settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace orvane::editor {

// Where a Yes to "Do you want save the preferences?" writes.
struct PreferenceFiles {
  std::string path_list;
  std::string settings;
};

class COV_dlg_voreinstell_pfade : public QWidget {
  Q_OBJECT
 public:
  explicit COV_dlg_voreinstell_pfade(QWidget* parent);
  void Load(const std::vector<std::string>& paths);
  std::vector<std::string> Entries() const;
  QListWidget* list() { return list_; }
  QLineEdit* edit() { return edit_; }
  void Add();
  void Replace();
  void Remove();
  void MoveUp();
  void MoveDown();

 private:
  QListWidget* list_;
  QLineEdit* edit_;
};

class COV_dlg_voreinstell_editor : public QWidget {
  Q_OBJECT
 public:
  COV_dlg_voreinstell_editor(EditorSettings& settings, Prompter& prompter, QWidget* parent);
  void Load();
  void TakeStep();
 signals:
  void changed();

 private:
  void ChooseColour(int16_t* colour);
  EditorSettings& settings_;
  Prompter& prompter_;
  QComboBox* magnet_;
  QLineEdit* step_;
  QCheckBox* axis_;
  QComboBox* start_;
  QWidget* background_swatch_;
  QWidget* grid_swatch_;
};

class COV_dlg_voreinstell_jpeg : public QWidget {
  Q_OBJECT
 public:
  COV_dlg_voreinstell_jpeg(EditorSettings& settings, QWidget* parent);
  void Load();
  void TakeQuality();

 private:
  EditorSettings& settings_;
  QLineEdit* quality_;
};

class COV_dlg_voreinstell_anzeigen : public QWidget {
  Q_OBJECT
 public:
  COV_dlg_voreinstell_anzeigen(EditorSettings& settings, QWidget* parent);
  void Load();
 signals:
  void changed();

 private:
  EditorSettings& settings_;
  QLineEdit* viewer_;
  QLineEdit* browser_;
};

class COV_dlg_voreinstell : public QDialog {
  Q_OBJECT

 public:
  COV_dlg_voreinstell(EditorSettings& settings, std::vector<std::string>& paths, Prompter& prompter,
                      PreferenceFiles files, QWidget* parent);

  COV_dlg_voreinstell_pfade& pathsPage() { return *paths_page_; }
  QTabWidget* tabs() { return tabs_; }

 signals:
  void settingsChanged();
  void closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Finish();

  EditorSettings& settings_;
  std::vector<std::string>& paths_;
  Prompter& prompter_;
  PreferenceFiles files_;
  QTabWidget* tabs_;
  COV_dlg_voreinstell_pfade* paths_page_;
  COV_dlg_voreinstell_editor* editor_page_;
  COV_dlg_voreinstell_jpeg* jpeg_page_;
  COV_dlg_voreinstell_anzeigen* show_page_;
};

}  // namespace orvane::editor
