// The editor's shell driven through its real widgets: menus, shortcuts and file flows, with
// the dialogs answered by a ScriptedPrompter.

#include <sys/resource.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <csignal>

#include <fstream>
#include <memory>
#include <sstream>

#include "editor/document.h"
#include "editor/gl_view.h"
#include "editor/main_window.h"
#include "editor/object_browser.h"
#include "editor/scene_lists.h"
#include "editor/scripted_prompter.h"
#include "editor/tool_window.h"
#include "interchange/vrml_export.h"
#include "material/material.h"
#include "scene/group_object.h"
#include "script/scene_writer.h"

using namespace orvane;
using namespace orvane::editor;

namespace {

void WriteFile(const QString& path, const std::string& text) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << text;
}

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const char* const kTwoObjects =
    "material red { diffus_color <255,0,0> }\n"
    "sphere ball { radius <1> material red }\n"
    "object box { sphere inner { radius <0.5> } }\n"
    "camera eye { position <0,0,-8> }\n";

// The names of the scene's top-level objects, in order.
QStringList ObjectNames(Scene& scene) {
  QStringList names;
  for (ListNode* n = scene.objects ? scene.objects->head : nullptr; n; n = n->next)
    names << static_cast<SceneObject*>(n->item)->name.c_str();
  return names;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  ScriptedPrompter* prompter_ = nullptr;
  std::unique_ptr<MainWindow> window_;

  MainWindow& Start() {
    delete prompter_;
    prompter_ = new ScriptedPrompter;
    window_ = std::make_unique<MainWindow>(*prompter_);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) qFatal("the main window was not shown");
    return *window_;
  }
  Document& Doc() { return window_->document(); }
  std::string SceneText() {
    std::ostringstream out;
    WriteScene(Doc().scene(), out);
    return out.str();
  }
  QString Path(const char* name) const { return dir_->filePath(name); }

  // Clicks the object browser's entry of `item`, as a user picks it.
  void Pick(const ListItem* item) {
    QTreeWidget* tree = window_->objectBrowser().tree();
    QTreeWidgetItem* entry = window_->objectBrowser().EntryOf(item);
    QVERIFY(entry);
    tree->scrollToItem(entry);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(entry).center());
  }
  // Keys go to the main window, as when the user works in the view.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), key, modifiers);
  }

  // Opens the menus along `path` with the mouse and clicks the last item.
  void ClickMenu(const QStringList& path) {
    QMenuBar* bar = window_->menuBar();
    QWidget* owner = bar;
    QList<QAction*> actions = bar->actions();
    for (int i = 0; i < path.size(); ++i) {
      QAction* found = nullptr;
      for (QAction* a : actions)
        if (a->text() == path[i]) found = a;
      QVERIFY2(found, qPrintable("no menu item " + path[i]));
      QRect box = owner == bar ? bar->actionGeometry(found)
                               : static_cast<QMenu*>(owner)->actionGeometry(found);
      QTest::mouseClick(owner, Qt::LeftButton, {}, box.center());
      if (i + 1 == path.size()) break;
      QMenu* menu = found->menu();
      QVERIFY(menu);
      QTRY_VERIFY(menu->isVisible());
      owner = menu;
      actions = menu->actions();
    }
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    QDir::setCurrent(dir_->path());
  }
  void cleanup() {
    window_.reset();
    QCOMPARE(prompter_->unanswered, std::vector<std::string>());
    delete prompter_;
    prompter_ = nullptr;
  }

  void startsWithStandardCameraAndCreatesPathList() {
    QVERIFY(!QFile::exists("ov_path.ovi"));
    MainWindow& w = Start();
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane"));
    QVERIFY(QFile::exists("ov_path.ovi"));
    QCOMPARE(ReadFile("ov_path.ovi"), std::string());
    QCOMPARE(w.baseDirectory(), QDir::currentPath().toStdString() + "/");
    QCOMPARE(QString(Doc().viewCamera()->name.c_str()), QString("Standard_Kamera"));
    // The tool windows that are shown at first showing, and the menu checks that follow them.
    for (const char* title : {"Object-Browser", "Navigation", "Edit-Control", "Coordinate-Control"})
      QVERIFY2(w.toolWindow(title)->isVisible(), title);
    QVERIFY(!w.toolWindow("Material-Browser")->isVisible());
    QVERIFY(w.action(kCmdObjectBrowser)->isChecked());
    QVERIFY(!w.action(kCmdMaterialBrowser)->isChecked());
    w.toolWindow("Object-Browser")->close();
    QVERIFY(!w.action(kCmdObjectBrowser)->isChecked());
    ClickMenu({"Window", "Object-Browser"});
    QTRY_VERIFY(w.toolWindow("Object-Browser")->isVisible());
    QVERIFY(w.action(kCmdObjectBrowser)->isChecked());
    // Placed around the main window: the browser on its right, Navigation on its left.
    const QRect main = w.frameGeometry();
    QCOMPARE(w.toolWindow("Object-Browser")->frameGeometry().left(), main.right() + 1);
    QCOMPARE(w.toolWindow("Navigation")->frameGeometry().right(), main.left() - 1);
    QCOMPARE(w.toolWindow("Edit-Control")->frameGeometry().top(),
             w.toolWindow("Navigation")->frameGeometry().bottom() + 1);
  }

  void readsItsPathListAndSettings() {
    WriteFile("ov_path.ovi", "/textures/a\n/textures/b\n");
    // Out of range: no triangles skipped, quality above 100, colours beyond a byte.
    WriteFile("ov_gui.ovi", "1\n0\n250\n300\n-4\n20\n1\n2\n3\n0\nviewer\n9\nbrowser\n");
    MainWindow& w = Start();
    LIST& paths = Doc().commands().TexturePaths();
    QCOMPARE(QString(static_cast<String*>(paths.head->item)->c_str()), QString("/textures/a"));
    QCOMPARE(QString(static_cast<String*>(paths.tail->item)->c_str()), QString("/textures/b"));
    const EditorSettings& s = w.settings();
    QCOMPARE(s.start_display, 1);
    QCOMPARE(Doc().displayMode(), 1);
    QCOMPARE(int(s.reduced_step), 1);
    QCOMPARE(s.jpeg_quality, 100);
    QCOMPARE(int(s.background[0]), 255);
    QCOMPARE(int(s.background[1]), 0);
    QCOMPARE(s.magnet_falloff, 1);
    QCOMPARE(s.html_browser, std::string("browser"));
    QVERIFY(w.action(kCmdFaces)->isChecked());
    QVERIFY(!w.action(kCmdWireFrame)->isChecked());
  }

  void corruptSettingsStartWithDefaults() {
    WriteFile("ov_gui.ovi", std::string("\x01\xff\x00junk\n\n\n", 10) + std::string(5000, 'z'));
    MainWindow& w = Start();
    const EditorSettings& s = w.settings();
    QVERIFY(s.reduced_step >= 1);
    QVERIFY(s.jpeg_quality >= 0 && s.jpeg_quality <= 100);
    QCOMPARE(s.start_display, 0);
    QVERIFY(s.magnet_falloff >= 1 && s.magnet_falloff <= 4);
  }

  void openLoadsTheSceneAndCancelChangesNothing() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    prompter_->files.push_back(std::nullopt);  // cancelled
    const std::string before = SceneText();
    ClickMenu({"File", "Open..."});
    QCOMPARE(SceneText(), before);
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane"));
    QVERIFY(Doc().filePath().empty());

    prompter_->files.push_back(Path("two.ovs").toStdString());
    ClickMenu({"File", "Open..."});
    QCOMPARE(prompter_->asked.back().title, std::string(kOpenFilter));
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box"}));
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs"));
    QCOMPARE(Doc().viewMode(), int(kViewCamera));
    QVERIFY(window_->action(kCmdViewCamera)->isChecked());
    QCOMPARE(QString(Doc().currentCamera()->name.c_str()), QString("eye"));
    QCOMPARE(Doc().viewCamera(), Doc().currentCamera());
    // Open does not put the standard camera back.
    QCOMPARE(IndexOf(*Doc().scene().cameras, &Doc().scene().StandardCamera()), -1);
    QVERIFY(!Doc().IsModified());
  }

  void openRemovesMappingObjectsAlsoInGroups() {
    Start();
    WriteFile(Path("maps.ovs"),
              "sphere first { }\n"
              "sphere _mat_object_one { }\n"
              "object g { sphere keep { } sphere cube_mat_object { } sphere last { } }\n"
              "sphere second { }\n");
    QVERIFY(Doc().OpenPath(Path("maps.ovs").toStdString()));
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"first", "g", "second"}));
    auto* group = static_cast<GroupObject*>(Doc().scene().objects->head->next->item);
    QCOMPARE(ObjectNames(Doc().scene()).size(), 3);
    QStringList members;
    for (ListNode* n = group->members.head; n; n = n->next)
      members << static_cast<SceneObject*>(n->item)->name.c_str();
    QCOMPARE(members, QStringList({"keep", "last"}));
  }

  void openOfABrokenFileShowsTheMessageAndLeavesTheEmptiedScene() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    WriteFile(Path("broken.ovs"), "sphere a { }\nobject g { sphere b { }\n");
    QVERIFY(!Doc().OpenPath(Path("broken.ovs").toStdString()));
    QCOMPARE(prompter_->Messages().back(), std::string("Error: Could not read the file!"));
    QVERIFY(!ObjectNames(Doc().scene()).contains("ball"));
    // The emptied scene is a change of the open file's scene.
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs*"));
    // Nothing is lost: undo gives back the scene that was open.
    const std::string reopened = [&] {
      Doc().undoStack().undo();
      return SceneText();
    }();
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box"}));
    QVERIFY(reopened.find("sphere ball") != std::string::npos);
  }

  // A script that never ends can be stopped: after half a second "Loading..." offers Cancel,
  // which fails the open like a broken file; undo gives the old scene back.
  void anEndlessLoadIsCancelled() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    WriteFile(Path("endless.ovs"), "sphere a { }\ntop:\ngoto top\n");
    bool cancelled = false;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, [&cancelled] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
          dialog->cancel();
          cancelled = true;
        }
      }
    });
    cancel.start(100);
    QVERIFY(!Doc().OpenPath(Path("endless.ovs").toStdString()));
    QVERIFY(cancelled);
    QCOMPARE(prompter_->Messages().back(), std::string("Error: Could not read the file!"));
    Doc().undoStack().undo();
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box"}));
  }

  // A save that fails on a full disk says so and leaves the file on the disk as it was; the
  // scene stays unsaved.
  void aFailedSaveKeepsTheOldFile() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    prompter_->names = {std::string("Gruppe")};
    QVERIFY(Doc().NewGroup());
    struct rlimit old_limit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 16;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = Doc().Save();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    QVERIFY(!saved);
    QCOMPARE(prompter_->Messages().back(),
             std::string(kExportErrorTitle) + ": " + kExportErrorText);
    QCOMPARE(ReadFile(Path("two.ovs")), std::string(kTwoObjects));
    QVERIFY(Doc().IsModified());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).filter(".tmp"), QStringList());
  }

  void saveWithoutFileWritesNothingAndSaveAsChoosesTheWriter() {
    Start();
    prompter_->names = {std::string("g")};
    Doc().NewGroup();
    ClickMenu({"File", "Save"});
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList({"ov_path.ovi"}));
    QVERIFY(prompter_->Messages().empty());

    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    prompter_->files.push_back(Path("out.wrl").toStdString());
    ClickMenu({"File", "Save As..."});
    QCOMPARE(prompter_->asked.back().title, std::string(kSaveAsFilter));
    QVERIFY(ReadFile(Path("out.wrl")).rfind("#VRML V1.0 ascii", 0) == 0);
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - out.wrl"));
    QVERIFY(!QFile::exists(Path("out.wrl.ovs")));
    // Save always writes a scene file, with ".ovs" added.
    Key(Qt::Key_S, Qt::ControlModifier);
    const std::string saved = ReadFile(Path("out.wrl.ovs"));
    QCOMPARE(saved, SceneText());
    QVERIFY(!Doc().IsModified());

    prompter_->files.push_back(Path("scene.pov").toStdString());
    QVERIFY(Doc().SaveAs());
    QVERIFY(ReadFile(Path("scene.pov")).find("sphere") != std::string::npos);
    prompter_->files.push_back(Path("again").toStdString());
    QVERIFY(Doc().SaveAs());
    QCOMPARE(ReadFile(Path("again.ovs")), SceneText());
  }

  void importAndDeleteUndoToTheSameText() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    const std::string opened = SceneText();
    QFile::copy(ORVANE_SOURCE_DIR "/tests/e2e/imports/3faces.dxf", Path("ball.dxf"));
    // The file's title is taken: asked again, then imported under the new name.
    prompter_->files.push_back(Path("ball.dxf").toStdString());
    prompter_->names.push_back("faces");
    ClickMenu({"File", "Import", "Object..."});
    QCOMPARE(prompter_->Messages().back(),
             std::string("Error: There is a object with the same name.\nPlease change the name!"));
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box", "faces"}));
    QVERIFY(Doc().IsModified());
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs*"));
    const std::string imported = SceneText();

    Pick(Doc().scene().objects->head->item);
    QCOMPARE(Doc().currentObject()->name.c_str(), "ball");
    ClickMenu({"Edit", "Delete"});
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"box", "faces"}));

    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SceneText(), imported);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SceneText(), opened);
    QVERIFY(!Doc().IsModified());
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(SceneText(), imported);

    // Cancel in the name dialog discards the object.
    prompter_->files.push_back(Path("ball.dxf").toStdString());
    prompter_->names.push_back(std::nullopt);
    QVERIFY(!Doc().Import());
    QCOMPARE(SceneText(), imported);
    // A file that cannot be read.
    WriteFile(Path("bad.3ds"), "not a 3ds file");
    prompter_->files.push_back(Path("bad.3ds").toStdString());
    QVERIFY(!Doc().Import());
    QCOMPARE(prompter_->Messages().back(), std::string("Error: Error reading file"));
    QCOMPARE(SceneText(), imported);
  }

  void importOfAnObjectFileAddsItsItems() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    const std::string before = SceneText();
    WriteFile(Path("more.ovo"), "sphere extra { radius <3> }\n");
    prompter_->files.push_back(Path("more.ovo").toStdString());
    QVERIFY(Doc().Import());
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box", "extra"}));
    // A broken object file leaves the scene as it was.
    WriteFile(Path("broken.ovo"), "sphere half { }\nobject g { sphere b { }\n");
    prompter_->files.push_back(Path("broken.ovo").toStdString());
    QVERIFY(!Doc().Import());
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box", "extra"}));
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), before);
  }

  void newKeepsTheTitleAndIsUndone() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    const std::string opened = SceneText();
    Key(Qt::Key_N, Qt::ControlModifier);
    QVERIFY(ObjectNames(Doc().scene()).isEmpty());
    QCOMPARE(Doc().scene().cameras->head->item, &Doc().scene().StandardCamera());
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs*"));
    Doc().undoStack().undo();
    QCOMPARE(SceneText(), opened);
    QCOMPARE(QString(Doc().currentCamera()->name.c_str()), QString("eye"));
  }

  void groupAndCameraAskForNames() {
    Start();
    prompter_->names = {std::string("Gruppe"), std::string("Gruppe"), std::nullopt};
    ClickMenu({"Objects", "Group-Object..."});
    QCOMPARE(prompter_->asked.back().title, std::string("Gruppe"));
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"Gruppe"}));
    // Taken: the message, then the question again; Cancel creates nothing.
    Doc().NewGroup();
    QCOMPARE(prompter_->Messages().back(),
             std::string("Error: There is a object with the same name.\nPlease change the name!"));
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"Gruppe"}));

    prompter_->names = {std::string("Kamera1")};
    ClickMenu({"Objects", "Camera..."});
    QCOMPARE(prompter_->asked.back().title, std::string("Kamera1"));
    QCOMPARE(QString(static_cast<Camera*>(Doc().scene().cameras->tail->item)->name.c_str()),
             QString("Kamera1"));
    QVERIFY(window_->objectBrowser().EntryOf(Doc().scene().cameras->tail->item));
    Doc().undoStack().undo();
    Doc().undoStack().undo();
    QCOMPARE(ObjectNames(Doc().scene()), QStringList());
    QCOMPARE(Doc().scene().cameras->tail->item, &Doc().scene().StandardCamera());
  }

  void clipboardAndCameraRules() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    auto* box = static_cast<GroupObject*>(Doc().scene().objects->tail->item);
    Pick(Doc().scene().objects->head->item);
    Key(Qt::Key_C, Qt::ControlModifier);
    // The copy's name is taken: a new one is asked for, and it goes into the selected group.
    Pick(box);
    prompter_->names = {std::string("box"), std::string("ball2")};
    Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(prompter_->Messages().back(),
             std::string("Error: There is a object with the same name.\nPlease change the name!"));
    QCOMPARE(static_cast<SceneObject*>(box->members.tail->item)->name.c_str(), "ball2");
    QCOMPARE(static_cast<SceneObject*>(box->members.tail->item)->parent, box);

    // The only camera but the standard one goes: the standard camera comes back; the standard
    // camera itself stays while it is the only one.
    Pick(Doc().scene().cameras->head->item);
    Doc().Delete();
    QCOMPARE(Doc().scene().cameras->head->item, &Doc().scene().StandardCamera());
    QCOMPARE(Doc().currentObject(), &Doc().scene().StandardCamera());
    Doc().Delete();
    QCOMPARE(prompter_->Messages().back(),
             std::string("Attention: You can not delete the 'Standard_Camera', \nas long no other "
                         "camera exists."));
    Doc().undoStack().undo();
    QCOMPARE(QString(static_cast<Camera*>(Doc().scene().cameras->head->item)->name.c_str()),
             QString("eye"));
    QCOMPARE(IndexOf(*Doc().scene().cameras, &Doc().scene().StandardCamera()), -1);
  }

  void pasteAfterTheCopiedMaterialWentAway() {
    Start();
    QFile::copy(ORVANE_SOURCE_DIR "/tests/e2e/imports/3faces.dxf", Path("faces.dxf"));
    QVERIFY(Doc().ImportPath(Path("faces.dxf").toStdString()));
    Pick(Doc().scene().objects->head->item);
    QVERIFY(Doc().Copy());
    // The import (and with it the default material it made) is undone and then dropped.
    Doc().undoStack().undo();
    prompter_->names = {std::string("g")};
    QVERIFY(Doc().NewGroup());
    QVERIFY(Doc().Paste());
    auto* pasted = static_cast<SceneObject*>(Doc().scene().objects->tail->item);
    QVERIFY(pasted->material);
    QCOMPARE(static_cast<ListItem*>(pasted->material), Doc().scene().materials->head->item);
  }

  void exportAsksForAnObject() {
    Start();
    ClickMenu({"File", "Export", "Object..."});
    QCOMPARE(prompter_->Messages().back(), std::string("Attention: Please select an object."));
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    Pick(Doc().scene().objects->head->item);
    prompter_->files.push_back(Path("ball.3ds").toStdString());
    QVERIFY(!Doc().Export());
    QCOMPARE(prompter_->Messages().back(),
             std::string("Attention: For 3D-Studio (.3ds) you only can save 3D-Mesh-Objects (in "
                         "Group-Objects)."));
    prompter_->files.push_back(Path("ball.ovo").toStdString());
    QVERIFY(Doc().Export());
    QVERIFY(ReadFile(Path("ball.ovo")).find("sphere ball") != std::string::npos);
  }

  void exitAsksOnlyWhenThereIsSomethingToLose() {
    Start();
    QVERIFY(window_->close());  // nothing to lose: no question
    QVERIFY(prompter_->Messages().empty());

    Start();
    prompter_->names = {std::string("g")};
    Doc().NewGroup();
    // Yes without a file asks for one; a cancelled Save As keeps the window open.
    prompter_->answers = {Answer::kYes};
    prompter_->files.push_back(std::nullopt);
    QVERIFY(!window_->close());
    QCOMPARE(prompter_->Messages().back(),
             std::string("Question: Do you want save the scene before exit!"));
    prompter_->answers = {Answer::kYes};
    prompter_->files.push_back(Path("kept.ovs").toStdString());
    QVERIFY(window_->close());
    QCOMPARE(ReadFile(Path("kept.ovs")), SceneText());
    Start();
    prompter_->names = {std::string("g")};
    Doc().NewGroup();
    prompter_->answers = {Answer::kNo};
    QVERIFY(window_->close());
  }

  void helpRunsTheBrowserCommandLines() {
    WriteFile("ov_gui.ovi", "0\n3\n90\n180\n180\n180\n150\n150\n150\n1\n\n1\n/usr/bin/browser\n");
    Start();
    QStringList calls;
    bool works = false;
    window_->SetLauncher([&](const QString& program, const QStringList& arguments) {
      calls << (QStringList(program) + arguments).join(' ');
      return works;
    });
    ClickMenu({"?", "Help"});
    const QString handbook = QDir::currentPath() + "/doc/Orvane_Handbuch.htm";
    QCOMPARE(calls, QStringList({"/usr/bin/browser " + handbook, "/usr/bin/browser"}));
    QCOMPARE(prompter_->Messages().back(),
             std::string("Error: Please choose in the preferences another path to your "
                         "HTML-browser.\nYou can read the \"Orvane_handbook.htm\" in the "
                         "doc-directory"));
    works = true;
    calls.clear();
    window_->Run(kCmdHelp);
    QCOMPARE(calls.size(), 1);
    window_->Run(kCmdInfo);
    QCOMPARE(prompter_->asked.back().title, std::string("Orvane V1.01"));
  }

  void viewAndDisplayModesCheckTheirItems() {
    Start();
    const int views[] = {kCmdViewFront, kCmdViewTop, kCmdViewSide, kCmdViewCamera};
    for (int id : views) {
      window_->action(id)->trigger();
      for (int other : views) QCOMPARE(window_->action(other)->isChecked(), other == id);
    }
    window_->Run(kCmdViewPlain);
    QCOMPARE(Doc().viewMode(), int(kViewFrontPlain));
    for (int other : views) QVERIFY(!window_->action(other)->isChecked());
    window_->Run(kCmdFaces);
    QVERIFY(window_->action(kCmdFaces)->isChecked() &&
            !window_->action(kCmdWireFrame)->isChecked());
  }

  void recentFilesReopen() {
    Start();
    WriteFile(Path("two.ovs"), kTwoObjects);
    QVERIFY(Doc().OpenPath(Path("two.ovs").toStdString()));
    Doc().NewScene();
    QList<QAction*> recent = window_->recentMenu()->actions();
    QVERIFY(!recent.isEmpty());
    QCOMPARE(recent.front()->text(), QString("two.ovs"));
    recent.front()->trigger();
    QCOMPARE(ObjectNames(Doc().scene()), QStringList({"ball", "box"}));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
