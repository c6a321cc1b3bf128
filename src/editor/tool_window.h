#pragma once
// ToolWindow: a modeless tool window of the main window. It is created hidden at start and
// shown by its menu command; its visible flag (and the menu item's check mark) follows it.
// Closing it hides it and clears the flag.

#include <QDialog>

class QPushButton;

namespace orvane {
class Texture;
}

namespace orvane::editor {

class ToolWindow : public QDialog {
  Q_OBJECT

 public:
  ToolWindow(const QString& title, QWidget* parent);

  bool shownFlag() const { return shown_flag_; }
  // Shows the window unless it is shown already. True when it was shown now.
  bool ShowOnce();

 signals:
  void shownChanged(bool shown);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  bool shown_flag_ = false;
};

// A push button of a tool window: `text` on it, found by `name`, never the default button
// (Enter in a field does not press it).
QPushButton* ToolButton(const char* text, const char* name, QWidget* parent);

// The "Texture-Show" window: the picture and its "Size:", "Colors:" and "Memory:" ... "bytes"
// fields (filled by the texture commands).
ToolWindow* MakeTextureShow(QWidget* parent);
// Fills the "Texture-Show" window with `texture`: the picture scaled into 480 × 360 pixels,
// its size, its colours (the palette size, or "24 bit") and the bytes of its pixels.
void ShowTexture(ToolWindow* window, const Texture& texture);

}  // namespace orvane::editor
