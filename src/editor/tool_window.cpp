#include "editor/tool_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

#include "material/texture.h"

namespace orvane::editor {

namespace {
constexpr int kTextureShowWidth = 480;
constexpr int kTextureShowHeight = 360;
}  // namespace

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

QPushButton* ToolButton(const char* text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

ToolWindow* MakeTextureShow(QWidget* parent) {
  auto* window = new ToolWindow(QStringLiteral("Texture-Show"), parent);
  auto* layout = new QGridLayout(window);
  auto* picture = new QLabel(window);
  picture->setObjectName("picture");
  picture->setFixedSize(kTextureShowWidth, kTextureShowHeight);
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

namespace orvane::editor {

void ShowTexture(ToolWindow* window, const Texture& texture) {
  const int width = texture.Width();
  const int height = texture.Height();
  QImage image(kTextureShowWidth, kTextureShowHeight, QImage::Format_RGB888);
  image.fill(Qt::black);
  if (width > 0 && height > 0) {
    for (int y = 0; y < kTextureShowHeight; ++y) {
      for (int x = 0; x < kTextureShowWidth; ++x) {
        const ColourF c =
            texture.TexelColour(x * width / kTextureShowWidth, y * height / kTextureShowHeight);
        image.setPixel(x, y,
                       qRgb(std::clamp(int(c.r), 0, 255), std::clamp(int(c.g), 0, 255),
                            std::clamp(int(c.b), 0, 255)));
      }
    }
  }
  const Picture* picture = texture.picture();
  const bool palette = picture && picture->HasPixels();
  const long long bytes = static_cast<long long>(width) * height * (palette ? 1 : 3);
  window->findChild<QLabel*>("picture")->setPixmap(QPixmap::fromImage(image));
  window->findChild<QLabel*>("size")->setText(QStringLiteral("%1 x %2").arg(width).arg(height));
  window->findChild<QLabel*>("colors")->setText(palette ? QString::number(picture->paletteCount)
                                                        : QStringLiteral("24 bit"));
  window->findChild<QLabel*>("memory")->setText(QString::number(bytes));
}

}  // namespace orvane::editor
