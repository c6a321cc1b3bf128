// The editor's shell driven through its real widgets: menus, shortcuts, file flows, the stored
// settings and the "Preferences" sheet, with the dialogs answered by a ScriptedPrompter.

#include <sys/resource.h>
#include <csignal>

#include "editor/editor_fixture.h"
#include "editor/preferences_sheet.h"
#include "editor/scene_lists.h"
#include "editor/settings.h"
#include "interchange/vrml_export.h"
#include "scene/group_object.h"

const std::string kTwoObjects = R"(material red { diffus_color <255,0,0> }
sphere ball { radius <1> material red } object box { sphere inner { radius <0.5> } }
camera eye { position <0,0,-8> })";

const char* const kNameTaken =
    "Error: There is a object with the same name.\nPlease change the name!";

static QStringList Names(const LIST& objects) {
  QStringList names;
  for (ListNode* n = objects.head; n; n = n->next)
    names << static_cast<SceneObject*>(n->item)->name.c_str();
  return names;
}

class MainWindowTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  QStringList ObjectNames() { return Names(*Doc().scene().objects); }
  void OpenTwo() { OpenText(kTwoObjects, "two.ovs"); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), key, modifiers);
  }
  // Opens the menus along `path` with the mouse and clicks the last item.
  void ClickMenu(const QStringList& path) {
    QMenuBar* bar = window_->menuBar();
    QWidget* owner = bar;
    for (const QString& text : path) {
      QAction* found = nullptr;
      for (QAction* a : owner->actions())
        if (a->text() == text) found = a;
      QVERIFY2(found, qPrintable("no menu item " + text));
      auto* menu = qobject_cast<QMenu*>(owner);
      QTest::mouseClick(owner, Qt::LeftButton, {},
                        (menu ? menu->actionGeometry(found) : bar->actionGeometry(found)).center());
      if (text == path.back()) break;
      QVERIFY(found->menu());
      QTRY_VERIFY(found->menu()->isVisible());
      owner = found->menu();
    }
  }
 private slots:
  void init() { Start(); }
  void cleanup() { Stop(); }
  void readsItsPathListAndSettings() {
    window_.reset();
    // Empty lines count; a long line is cut at 1000 characters.
    WriteFile("ov_path.ovi", "/textures/a\n\n" + std::string(1500, 'p') + "\n");
    // Out of range: no triangles skipped, quality above 100, colours beyond a byte.
    WriteFile("ov_gui.ovi", "1\n0\n250\n300\n-4\n20\n1\n2\n3\n0\nviewer\n9\nbrowser\n");
    Show();
    LIST& paths = Doc().commands().TexturePaths();
    QCOMPARE(paths.count, 3);
    QCOMPARE(std::string(static_cast<String*>(paths.tail->item)->c_str()), std::string(1000, 'p'));
    const EditorSettings& s = window_->settings();
    // Start display, the display mode it sets, step, quality, red, green, magnet falloff.
    QCOMPARE(QList<int>({s.start_display, Doc().displayMode(), int(s.reduced_step), s.jpeg_quality,
                         int(s.background[0]), int(s.background[1]), s.magnet_falloff}),
             QList<int>({1, 1, 1, 100, 255, 0, 1}));
    QVERIFY(window_->action(kCmdFaces)->isChecked());
    // Missing files change nothing.
    EditorSettings kept;
    kept.jpeg_quality = 12;
    const EditorSettings before = kept;
    QVERIFY(!ReadSettings(Path("none.ovi").toStdString(), &kept));
    QVERIFY(kept == before);
    std::vector<std::string> list{"kept"};
    QVERIFY(!ReadPathList(Path("none.ovi").toStdString(), &list));
    QCOMPARE(list, std::vector<std::string>{"kept"});
    // A target that cannot be replaced (a folder) stays, and no temporary file is left.
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    QVERIFY(!WriteSettings(Path("folder").toStdString(), kept));
    QVERIFY(!WritePathList(Path("missing/ov_path.ovi").toStdString(), list));
    QCOMPARE(QDir(dir_->path()).entryList({"*.tmp*"}, QDir::Files), QStringList());
  }
  void sheetFieldsFollowTheirRules() {
    EditorSettings s;
    std::vector<std::string> paths{"/one", "/two", "/three"};
    COV_dlg_voreinstell sheet(s, paths, *prompter_,
                              {Path("p.ovi").toStdString(), Path("g.ovi").toStdString()}, nullptr);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    // Typed over the whole text of the field `name`.
    auto retype = [&](const char* name, const char* text) {
      auto* field = sheet.findChild<QLineEdit*>(name);
      field->selectAll();
      QTest::keyClicks(field, text);
      return field->text();
    };
    sheet.tabs()->setCurrentIndex(1);
    QCOMPARE(retype("step", "0"), QString("1"));
    QCOMPARE(int(s.reduced_step), 1);
    auto* magnet = sheet.findChild<QComboBox*>("magnet");
    magnet->setFocus();
    QTest::keyClick(magnet, Qt::Key_Down);
    QCOMPARE(s.magnet_falloff, 2);
    // The colour chooser: Cancel keeps the colour, a choice is stored at once.
    prompter_->colors = {std::nullopt, Rgb8{1, 2, 3}};
    auto* background = sheet.findChild<QPushButton*>("background");
    QTest::mouseClick(background, Qt::LeftButton);
    QTest::mouseClick(background, Qt::LeftButton);
    QCOMPARE(int(s.background[0]) * 10000 + s.background[1] * 100 + s.background[2], 10203);
    auto* axis = sheet.findChild<QCheckBox*>("axis");
    QTest::mouseClick(axis, Qt::LeftButton, {}, QPoint(6, axis->height() / 2));
    QCOMPARE(s.show_axis, 0);
    sheet.tabs()->setCurrentIndex(2);
    QCOMPARE(retype("quality", "250"), QString("100"));
    QCOMPARE(retype("quality", "0"), QString("0"));
    sheet.tabs()->setCurrentIndex(3);
    QTest::keyClicks(sheet.findChild<QLineEdit*>("browser"), "x");
    QCOMPARE(s.html_browser.back(), 'x');
    // The path list: moving beyond the ends changes nothing, "=" replaces, "-" removes.
    sheet.tabs()->setCurrentIndex(0);
    COV_dlg_voreinstell_pfade& page = sheet.pathsPage();
    auto* up = sheet.findChild<QToolButton*>("up");
    auto* down = sheet.findChild<QToolButton*>("down");
    page.list()->setCurrentRow(0);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/one", "/two", "/three"}));
    page.list()->setCurrentRow(2);
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(page.list()->currentRow(), 1);
    page.edit()->setText("/3");
    QTest::mouseClick(sheet.findChild<QPushButton*>("replace"), Qt::LeftButton);
    page.list()->setCurrentRow(0);
    QTest::mouseClick(sheet.findChild<QPushButton*>("remove"), Qt::LeftButton);
    page.edit()->setText("/four");
    QTest::mouseClick(sheet.findChild<QPushButton*>("add"), Qt::LeftButton);
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/3", "/two", "/four"}));
    // Closing with No: the edits stay for this run, no file is written.
    prompter_->answers = {Answer::kNo};
    sheet.close();
    QCOMPARE(paths, (std::vector<std::string>{"/3", "/two", "/four"}));
    QCOMPARE(s.jpeg_quality, 0);
    QVERIFY(!QFile::exists(Path("p.ovi")) && !QFile::exists(Path("g.ovi")));
    // Shown again it starts from the list in effect; closing with Yes writes both files.
    sheet.show();
    QCOMPARE(page.Entries(), paths);
    prompter_->answers = {Answer::kYes};
    sheet.close();
    QCOMPARE(ReadFile(Path("p.ovi")), std::string("/3\n/two\n/four\n"));
    QCOMPARE(ReadFile(Path("g.ovi")), SettingsText(s));
  }
  void openLoadsTheSceneAndCancelChangesNothing() {
    WriteFile(Path("two.ovs"), kTwoObjects);
    prompter_->files = {std::nullopt, Path("two.ovs").toStdString()};
    const std::string before = SceneText();
    ClickMenu({"File", "Open..."});  // cancelled
    QCOMPARE(SceneText(), before);
    QVERIFY(Doc().filePath().empty());
    ClickMenu({"File", "Open..."});
    QCOMPARE(ObjectNames(), QStringList({"ball", "box"}));
    QCOMPARE(QString(Doc().currentCamera()->name.c_str()), QString("eye"));
    // Open does not put the standard camera back.
    QCOMPARE(IndexOf(*Doc().scene().cameras, &Doc().scene().StandardCamera()), -1);
    QVERIFY(!Doc().IsModified());
    // Mapping objects are dropped, also in groups.
    OpenText(
        "sphere first { } sphere _mat_object_one { }\n"
        "object g { sphere keep { } sphere cube_mat_object { } sphere last { } }\n"
        "sphere second { }\n");
    QCOMPARE(ObjectNames(), QStringList({"first", "g", "second"}));
    QCOMPARE(Names(static_cast<GroupObject*>(Find("g"))->members), QStringList({"keep", "last"}));
  }
  // A broken file leaves the emptied scene, which undo takes back; "Loading..." offers Cancel for a
  // script that never ends, which fails the open the same way.
  void brokenAndEndlessLoadsLoseNothing() {
    OpenTwo();
    WriteFile(Path("broken.ovs"), "sphere a { }\nobject g { sphere b { }\n");
    QVERIFY(!Doc().OpenPath(Path("broken.ovs").toStdString()));
    QCOMPARE(LastMessage(), std::string("Error: Could not read the file!"));
    QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs*"));
    Doc().undoStack().undo();
    QCOMPARE(ObjectNames(), QStringList({"ball", "box"}));
    prompter_->asked.clear();
    WriteFile(Path("endless.ovs"), "sphere a { }\ntop:\ngoto top\n");
    bool cancelled = false;
    QTimer cancel;
    connect(&cancel, &QTimer::timeout, [&cancelled] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
          dialog->cancel();
          cancelled = true;
        }
    });
    cancel.start(100);
    QVERIFY(!Doc().OpenPath(Path("endless.ovs").toStdString()));
    QVERIFY(cancelled);
    QCOMPARE(LastMessage(), std::string("Error: Could not read the file!"));
    Doc().undoStack().undo();
    QCOMPARE(ObjectNames(), QStringList({"ball", "box"}));
  }
  // A save that fails on a full disk says so, leaves the old file and the scene stays unsaved.
  void aFailedSaveKeepsTheOldFile() {
    OpenTwo();
    NewGroup("Gruppe");
    struct rlimit old_limit {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small { 16, old_limit.rlim_max };
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = Doc().Save();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    QVERIFY(!saved);
    QCOMPARE(LastMessage(), std::string(kExportErrorTitle) + ": " + kExportErrorText);
    QCOMPARE(ReadFile(Path("two.ovs")), std::string(kTwoObjects));
    QVERIFY(Doc().IsModified());
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).filter(".tmp"), QStringList());
  }
  void saveWithoutFileWritesNothingAndSaveAsChoosesTheWriter() {
    NewGroup();
    ClickMenu({"File", "Save"});
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList({"ov_path.ovi"}));
    QVERIFY(prompter_->Messages().empty());
    OpenTwo();
    prompter_->files.push_back(Path("out.wrl").toStdString());
    ClickMenu({"File", "Save As..."});
    QVERIFY(ReadFile(Path("out.wrl")).rfind("#VRML V1.0 ascii", 0) == 0);
    QVERIFY(!QFile::exists(Path("out.wrl.ovs")));
    // Save always writes a scene file, with ".ovs" added.
    Key(Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadFile(Path("out.wrl.ovs")), SceneText());
    prompter_->files = {Path("scene.pov").toStdString(), Path("again").toStdString()};
    QVERIFY(Doc().SaveAs());
    QVERIFY(ReadFile(Path("scene.pov")).find("sphere") != std::string::npos);
    QVERIFY(Doc().SaveAs());
    QCOMPARE(ReadFile(Path("again.ovs")), SceneText());
  }
  void importAndDeleteUndoToTheSameText() {
    OpenTwo();
    const std::string opened = SceneText();
    QFile::copy(ORVANE_SOURCE_DIR "/tests/e2e/imports/3faces.dxf", Path("ball.dxf"));
    // The file's title is taken: asked again, then imported under the new name.
    prompter_->files.push_back(Path("ball.dxf").toStdString());
    prompter_->names.push_back("faces");
    ClickMenu({"File", "Import", "Object..."});
    QCOMPARE(LastMessage(), std::string(kNameTaken));
    QCOMPARE(ObjectNames(), QStringList({"ball", "box", "faces"}));
    const std::string imported = SceneText();
    Pick(Doc().scene().objects->head->item);
    ClickMenu({"Edit", "Delete"});
    QCOMPARE(ObjectNames(), QStringList({"box", "faces"}));
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SceneText(), imported);
    Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(SceneText(), opened);
    Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(SceneText(), imported);
    // Cancel in the name dialog discards the object; a file that cannot be read is reported.
    WriteFile(Path("bad.3ds"), "not a 3ds file");
    prompter_->files = {Path("ball.dxf").toStdString(), Path("bad.3ds").toStdString()};
    prompter_->names.push_back(std::nullopt);
    QVERIFY(!Doc().Import());
    QVERIFY(!Doc().Import());
    QCOMPARE(LastMessage(), std::string("Error: Error reading file"));
    QCOMPARE(SceneText(), imported);
    // An object file adds its items; a broken one leaves the scene as it was.
    WriteFile(Path("more.ovo"), "sphere extra { radius <3> }\n");
    WriteFile(Path("broken.ovo"), "sphere half { }\nobject g { sphere b { }\n");
    prompter_->files = {Path("more.ovo").toStdString(), Path("broken.ovo").toStdString()};
    QVERIFY(Doc().Import());
    QVERIFY(!Doc().Import());
    QCOMPARE(ObjectNames(), QStringList({"ball", "box", "faces", "extra"}));
    UndoTo(imported);
  }
  void groupAndCameraAskForNames() {
    ClickMenu({"File", "Export", "Object..."});
    QCOMPARE(LastMessage(), std::string("Attention: Please select an object."));
    prompter_->names = {std::string("Gruppe"), std::string("Gruppe"), std::nullopt};
    ClickMenu({"Objects", "Group-Object..."});
    QCOMPARE(ObjectNames(), QStringList({"Gruppe"}));
    // Taken: the message, then the question again; Cancel creates nothing.
    Doc().NewGroup();
    QCOMPARE(LastMessage(), std::string(kNameTaken));
    QCOMPARE(ObjectNames(), QStringList({"Gruppe"}));
    prompter_->names = {std::string("Kamera1")};
    ClickMenu({"Objects", "Camera..."});
    QCOMPARE(Names(*Doc().scene().cameras), QStringList({"Standard_Kamera", "Kamera1"}));
    for (int i = 0; i < 2; ++i) Doc().undoStack().undo();
    QCOMPARE(ObjectNames(), QStringList());
    QCOMPARE(Doc().scene().cameras->tail->item, &Doc().scene().StandardCamera());
  }
  void clipboardAndCameraRules() {
    OpenTwo();
    auto* box = static_cast<GroupObject*>(Find("box"));
    Pick(Find("ball"));
    prompter_->files = {Path("ball.3ds").toStdString(), Path("ball.ovo").toStdString()};
    QVERIFY(!Doc().Export());
    QVERIFY(Doc().Export());
    QVERIFY(ReadFile(Path("ball.ovo")).find("sphere ball") != std::string::npos);
    Key(Qt::Key_C, Qt::ControlModifier);
    // The copy's name is taken: a new one is asked for, and it goes into the selected group.
    Pick(box);
    prompter_->names = {std::string("box"), std::string("ball2")};
    Key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(LastMessage(), std::string(kNameTaken));
    QCOMPARE(static_cast<SceneObject*>(box->members.tail->item)->parent, box);
    // The only camera goes: the standard camera comes back, and stays while it is the only one.
    Pick(Doc().scene().cameras->head->item);
    Doc().Delete();
    QCOMPARE(Doc().scene().cameras->head->item, &Doc().scene().StandardCamera());
    Doc().Delete();
    Doc().undoStack().undo();
    QCOMPARE(Names(*Doc().scene().cameras), QStringList({"eye"}));
  }
  void pasteAfterTheCopiedMaterialWentAway() {
    QFile::copy(ORVANE_SOURCE_DIR "/tests/e2e/imports/3faces.dxf", Path("faces.dxf"));
    QVERIFY(Doc().ImportPath(Path("faces.dxf").toStdString()));
    Pick(Doc().scene().objects->head->item);
    QVERIFY(Doc().Copy());
    // The import (and with it the default material it made) is undone and then dropped.
    Doc().undoStack().undo();
    NewGroup();
    QVERIFY(Doc().Paste());
    auto* pasted = static_cast<SceneObject*>(Doc().scene().objects->tail->item);
    QCOMPARE(static_cast<ListItem*>(pasted->material), Doc().scene().materials->head->item);
  }
  void exitAsksOnlyWhenThereIsSomethingToLose() {
    QVERIFY(window_->close());  // nothing to lose: no question
    QVERIFY(prompter_->Messages().empty());
    Show();
    NewGroup();
    // Yes without a file asks for one; a cancelled Save As keeps the window open.
    prompter_->answers = {Answer::kYes, Answer::kYes};
    prompter_->files = {std::nullopt, Path("kept.ovs").toStdString()};
    QVERIFY(!window_->close());
    QVERIFY(window_->close());
    QCOMPARE(ReadFile(Path("kept.ovs")), SceneText());
    Show();
    NewGroup();
    prompter_->answers = {Answer::kNo};
    QVERIFY(window_->close());
  }
  void helpRunsTheBrowserCommandLines() {
    window_.reset();
    WriteFile("ov_gui.ovi", "0\n3\n90\n180\n180\n180\n150\n150\n150\n1\n\n1\n/usr/bin/browser\n");
    Show();
    QStringList calls;
    bool works = false;
    window_->SetLauncher([&](const QString& program, const QStringList& arguments) {
      calls << (QStringList(program) + arguments).join(' ');
      return works;
    });
    ClickMenu({"?", "Help"});
    const QString handbook = QDir::currentPath() + "/doc/Orvane_Handbuch.htm";
    QCOMPARE(calls, QStringList({"/usr/bin/browser " + handbook, "/usr/bin/browser"}));
    works = true;
    calls.clear();
    window_->Run(kCmdHelp);
    QCOMPARE(calls.size(), 1);
    window_->Run(kCmdInfo);
  }
  void viewAndDisplayModes() {
    QCOMPARE(window_->baseDirectory(), QDir::currentPath().toStdString() + "/");
    const int views[] = {kCmdViewFront, kCmdViewTop, kCmdViewSide, kCmdViewCamera};
    for (int id : views) {
      window_->action(id)->trigger();
      for (int other : views) QCOMPARE(window_->action(other)->isChecked(), other == id);
    }
    window_->Run(kCmdViewPlain);
    QCOMPARE(Doc().viewMode(), int(kViewFrontPlain));
    for (int other : views) QVERIFY(!window_->action(other)->isChecked());
    window_->Run(kCmdFaces);
    QVERIFY(!window_->action(kCmdWireFrame)->isChecked());
  }
  void newAndRecentFiles() {
    OpenTwo();
    const std::string opened = SceneText();
    Key(Qt::Key_N, Qt::ControlModifier);
    UndoTo(opened);
    Doc().NewScene();
    QList<QAction*> recent = window_->recentMenu()->actions();
    QVERIFY(!recent.isEmpty());
    QCOMPARE(recent.front()->text(), QString("two.ovs"));
    recent.front()->trigger();
    QCOMPARE(ObjectNames(), QStringList({"ball", "box"}));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
