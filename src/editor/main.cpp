// orvane-editor [FILE.ovs]: the desktop editor, opening FILE when one is given.

#include <QApplication>
#include <QScreen>

#include <algorithm>

#include "editor/main_window.h"
#include "editor/qt_prompter.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName("Orvane");
  QCoreApplication::setApplicationName("orvane-editor");
  orvane::editor::QtPrompter prompter;
  orvane::editor::MainWindow window(prompter);
  prompter.SetParent(&window);
  const QStringList arguments = QCoreApplication::arguments();
  // In the middle of the screen, so that the tool windows placed around it are seen.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect free = screen->availableGeometry();
    window.resize(std::min(800, free.width() / 2), std::min(600, free.height() * 2 / 3));
    window.move(free.center() - window.rect().center());
  }
  window.show();
  if (arguments.size() > 1) window.document().OpenPath(arguments.at(1).toLocal8Bit().toStdString());
  return app.exec();
}
