#pragma once
// The construction dialogs of the Objects, Construct and Edit > Paste > more menus: each a
// small modal dialog that collects a name and a few numbers and builds its item with the
// modelling commands, as one undo step.
//
// All dialogs are one class, ConstructionDialog, filled from a table of fields. "OK" reads
// the fields (numbers as C's atof reads them, counts as atoi), runs the command through
// Document::Construct and closes the dialog when the item was built; a refusal shows its
// message box and leaves the dialog open with the values kept.
//
// The proposed name is the command's base name when that is free, else the base name made
// unique (a trailing number counted on). Names that a scene file could not read back as one
// word (blanks, quotes, ...) are made file-safe when the item is built.

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "modelling/command_result.h"

class QWidget;

namespace orvane {
class LightSource;
}

namespace orvane::editor {

class Document;

// The command ids of the construction commands.
enum ConstructionCommand : int {
  kCmdTriangle = 32781,
  kCmdQuadrangle = 32782,
  kCmdNAngle = 32783,
  kCmdPyramid = 32784,
  kCmdMathSphere = 32785,
  kCmdMathPlane = 32786,
  kCmdCube = 32787,
  kCmdMeshSphere = 32788,
  kCmdLathe = 32790,
  kCmdCone = 32795,
  kCmdCylinder = 32842,
  kCmdRing = 32843,
  kCmdNewPath = 32860,
  kCmdPathFromMesh = 32861,
  kCmdPolygonFromPolygons = 32873,
  kCmdScanImage = 32874,
  kCmdHeightField = 32875,
  kCmdZExtrusion = 32871,
  kCmdPathExtrusion = 32872,
  kCmdPolygonFromPath = 32882,
  kCmdLightSource = 32808,
  kCmdCopyNumber = 32863,
  kCmdCopyToMesh = 32864,
};

class ConstructionDialog : public QDialog {
  Q_OBJECT

 public:
  // One field of the dialog, named by its label.
  struct Field {
    enum Kind { kText, kCheck, kChoice, kRadio, kSlider, kButton, kHidden };
    Kind kind = kText;
    QString label;
    QString value;               // text fields: the default text
    bool checked = false;        // check boxes
    std::vector<QString> items;  // choices and radio buttons
    int selected = 0;            // the item selected at first (-1: none)
    int minimum = 0;             // sliders
    int maximum = 255;
    std::function<void(ConstructionDialog&)> pressed;  // buttons
  };
  // What OK does: true when the item was built (after its refusal message otherwise).
  using Build = std::function<bool(ConstructionDialog&)>;
  using Update = std::function<void(ConstructionDialog&)>;

  ConstructionDialog(Document& document, const QString& title, std::vector<Field> fields,
                     Build build, Update update, QWidget* parent);
  ~ConstructionDialog() override;

  // The fields by label: text (a choice's selected item), the number C's atof and atoi read
  // in it, check state, the index of the selected choice or radio button (-1: none).
  QString Text(const QString& label) const;
  double Number(const QString& label) const;
  int Count(const QString& label) const;
  bool Checked(const QString& label) const;
  int Choice(const QString& label) const;
  bool FieldEnabled(const QString& label) const;
  void SetText(const QString& label, const QString& text);
  void SetChecked(const QString& label, bool checked);
  void SetChoice(const QString& label, int index);
  void SetFieldEnabled(const QString& label, bool enabled);
  // Runs a field's button as a click does.
  void Press(const QString& label);

  // "OK": builds the item. True (and the dialog accepted) when it was built.
  bool Confirm();
  // What the last Confirm built (a modelling command's result), kept by the build.
  const CommandResult& result() const { return result_; }
  void SetResult(const CommandResult& result) { result_ = result; }
  Document& document() const { return document_; }

 private:
  struct Control;
  Control* Find(const QString& label) const;
  void Refresh();

  Document& document_;
  std::vector<std::unique_ptr<Control>> controls_;
  Build build_;
  Update update_;
  CommandResult result_;
};

// The fields of the dialogs, by kind: a text field with its default text, a hidden value, a
// check box, a choice of items, radio buttons, a slider 0..maximum with its field, a button.
ConstructionDialog::Field TextField(const char* label, const QString& value);
ConstructionDialog::Field HiddenField(const char* label, const char* value);
ConstructionDialog::Field CheckField(const char* label, bool on = false);
ConstructionDialog::Field ChoiceField(const char* label, std::vector<QString> items,
                                      int selected = 0);
ConstructionDialog::Field RadioField(const char* label, std::vector<QString> items,
                                     int selected = 0);
ConstructionDialog::Field SliderField(const char* label, int value, int maximum);
ConstructionDialog::Field ButtonField(const char* label);

// The dialog of a construction command (a ConstructionCommand id), or null when the command
// has no dialog or cannot start (its message has then been shown: an empty clipboard, a
// current object that is no mesh). The dialog is not shown; exec() it.
std::unique_ptr<ConstructionDialog> MakeConstructionDialog(int id, Document& document,
                                                           QWidget* parent);

// The "Lightsource" dialog filled from an existing light; OK changes the light as one undo
// step.
std::unique_ptr<ConstructionDialog> MakeLightEditDialog(LightSource* light, Document& document,
                                                        QWidget* parent);

// Runs a construction command as its menu item does: the dialog (modal), or for the commands
// without one (path from mesh, polygon from two polygons, polygon from path with the name
// prompt) the command itself. True when something was built.
bool RunConstruction(int id, Document& document, QWidget* parent);

// `base` when no item of its kind has that name yet, else `base` made unique.
QString ProposedName(Document& document, const char* base, bool light = false);

}  // namespace orvane::editor
