#include "editor/tool_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

namespace orvane::editor {

ToolWindow::ToolWindow(const QString& title, QWidget* parent) : QDialog(parent, Qt::Tool) {
  setWindowTitle(title);
  setModal(false);
}

bool ToolWindow::ShowOnce() {
  if (shown_flag_) return false;
  shown_flag_ = true;
  show();
  emit shownChanged(true);
  return true;
}

void ToolWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // A window hidden by its close button, or by the window system, is no longer shown.
  if (shown_flag_ && !event->spontaneous()) {
    shown_flag_ = false;
    emit shownChanged(false);
  }
}

ToolWindow* MakeTextureShow(QWidget* parent) {
  auto* window = new ToolWindow(QStringLiteral("Texture-Show"), parent);
  auto* layout = new QGridLayout(window);
  auto* picture = new QLabel(window);
  picture->setObjectName("picture");
  picture->setMinimumSize(128, 128);
  layout->addWidget(picture, 0, 0, 1, 3);
  const char* fields[][2] = {{"Size:", "size"}, {"Colors:", "colors"}, {"Memory:", "memory"}};
  for (int row = 0; row < 3; ++row) {
    layout->addWidget(new QLabel(QString::fromUtf8(fields[row][0]), window), row + 1, 0);
    auto* value = new QLabel(window);
    value->setObjectName(fields[row][1]);
    layout->addWidget(value, row + 1, 1);
  }
  layout->addWidget(new QLabel(QStringLiteral("bytes"), window), 3, 2);
  return window;
}

}  // namespace orvane::editor
