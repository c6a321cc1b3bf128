// The editor's shell through its real widgets: menus, shortcuts, file flows, the stored settings,
// the "Preferences" sheet; the material browser and editor (previews against the core's renderer),
// textures, the object browser's tree and panel. Each change is one undo step.

#include <sys/resource.h>
#include <csignal>

#include "editor/construction_dialogs.h"
#include "editor/editor_fixture.h"
#include "editor/material_browser.h"
#include "editor/material_editor.h"
#include "editor/material_preview.h"
#include "editor/preferences_sheet.h"
#include "editor/scene_lists.h"
#include "editor/settings.h"
#include "editor/tool_window.h"
#include "imageio/ilbm.h"
#include "interchange/vrml_export.h"
#include "material/texture.h"
#include "render/render_driver.h"
#include "scene/group_object.h"
#include "scene/mesh_object.h"
#include "script/scene_commands.h"

const std::string kTwoObjects = R"(material red { diffus_color <255,0,0> }
sphere ball { radius <1> material red } object box { sphere inner { radius <0.5> } }
camera eye { position <0,0,-8> })";

const char* const kNameTaken =
    "Error: There is a object with the same name.\nPlease change the name!";

const std::string kScene =
    R"(material red { diffus <0.9> diffus_color <220,40,30> highlight <0.7> highlight_size <20> }
material blue { diffus_color <0,0,255> } sphere ball { radius <1> material red }
object pair { sphere a { radius <1> } sphere b { radius <1> } }
points corners { number <4> <-1,-1,0> <1,-1,0> <1,1,0> <-1,1,0> }
trimesh plate { points corners triangles <2> <0,1,2> <0,2,3> } light lamp { position <0,5,0> })";

// A name taken among the item's kind is refused with its message (empty: accepted).
const std::tuple<const char*, const char*, const char*, const char*> kRenames[] = {
    {"free", "ball", "globe", ""},
    {"object taken", "ball", "plate", kObjectNameTaken},
    {"light as a mesh", "lamp", "plate", ""},
    {"material taken", "red", "blue", kMaterialNameTaken},
    {"material free", "red", "crimson", ""}};
// The entry dragged, the drop target, where the dragged one hangs afterwards, whether refused.
const std::tuple<const char*, const char*, const char*, const char*, bool> kDrops[] = {
    {"into a group", "ball", "pair", "pair", false},
    {"out to the top", "a", "objects", "objects", false},
    {"group into its member", "pair", "a", "objects", true}};

static QStringList Names(const LIST& objects) {
  QStringList names;
  for (ListNode* n = objects.head; n; n = n->next)
    names << static_cast<SceneObject*>(n->item)->name.c_str();
  return names;
}

class MainWindowTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  using EditorFixture::Pick;
  MaterialBrowser& Browser() { return window_->materialBrowser(); }
  ObjectBrowser& Objects() { return window_->objectBrowser(); }
  Material* Named(const char* name) { return FindMaterial(Doc().scene(), String(name)); }
  Texture* NamedTexture(const char* n) { return FindTexture(Doc().scene().images, String(n)); }
  // The messages shown since the last call.
  bool Expect(const std::vector<std::string>& messages) {
    const std::vector<std::string> shown = prompter_->Messages();
    prompter_->asked.clear();
    return shown == messages;
  }
  bool Expect(const char* title, const char* s) { return Expect({std::string(title) + ": " + s}); }
  QTreeWidgetItem* Entry(const QString& name) {
    const auto found = Objects().tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  void Pick(const QString& name) { PickEntry(Entry(name)); }
  QString ParentOf(const QString& name) {
    QTreeWidgetItem* entry = Entry(name);
    return entry && entry->parent() ? entry->parent()->text(0) : QString();
  }
  template <class W>
  W* Panel(const char* name) {
    return Objects().findChild<W*>(name);
  }
  void SelectThreePoints() {
    Pick("plate");
    Doc().edit().mode = EditMode::kPoints;
    for (uint32_t point : {0u, 1u, 2u}) Doc().selection().Add(point, 1.0f);
  }
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
  void init() {
    Start();
    QTRY_VERIFY(Objects().isVisible());
    OpenText(kScene);
    prompter_->asked.clear();
  }
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
    auto retype = [&](const char* name, const char* text) {
      auto* field = sheet.findChild<QLineEdit*>(name);
      field->selectAll();
      QTest::keyClicks(field, text);
      return field->text();
    };
    auto click = [&](const char* name) {
      QTest::mouseClick(sheet.findChild<QAbstractButton*>(name), Qt::LeftButton);
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
    click("background");
    click("background");
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
    page.list()->setCurrentRow(0);
    click("up");
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/one", "/two", "/three"}));
    page.list()->setCurrentRow(2);
    click("down");
    click("up");
    QCOMPARE(page.list()->currentRow(), 1);
    page.edit()->setText("/3");
    click("replace");
    page.list()->setCurrentRow(0);
    click("remove");
    page.edit()->setText("/four");
    click("add");
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
    Show();
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
    for (const char* name : {"broken.ovs", "endless.ovs"}) {
      prompter_->asked.clear();
      QVERIFY(!Doc().OpenPath(Path(name).toStdString()));
      QCOMPARE(LastMessage(), std::string("Error: Could not read the file!"));
      QCOMPARE(window_->windowHandle()->title(), QString("Orvane - two.ovs*"));
      Doc().undoStack().undo();
      QCOMPARE(ObjectNames(), QStringList({"ball", "box"}));
    }
    QVERIFY(cancelled);
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
  void saveSaveAsImportAndDelete() {
    Show();
    NewGroup();
    ClickMenu({"File", "Save"});
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList({"ov_path.ovi", "scene.ovs"}));
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
  void namesClipboardAndCameras() {
    Show();
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
    Show();
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
    window_->settings().html_browser = "/usr/bin/browser";
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
  // The preview is the core's render of the preview scene; an unreadable picture is reported once.
  void previewIsTheCoresRenderOfThePreviewScene() {
    MaterialPreview& preview = window_->materialPreview();
    const PreviewPlanes traced = preview.Trace(*Named("red"));
    const QRgb centre = traced.ToImage().pixel(32, 32);
    QVERIFY2(qRed(centre) > 2 * qGreen(centre), "the red sphere fills the middle");
    std::ostringstream log;
    RenderDriver driver(preview.scene(), log, log);
    for (ListNode* n = preview.scene().cameras->head; n; n = n->next)
      if (static_cast<Camera*>(n->item)->name == "mat_camera")
        driver.SetCamera(static_cast<Camera*>(n->item));
    PreviewPlanes core = traced;
    driver.renderPreview(kPreviewSize, kPreviewSize, core.planes[0].data(), core.planes[1].data(),
                         core.planes[2].data(), core.planes[0].size());
    QVERIFY(core.planes == traced.planes);
    WriteFile(kFrontImageFile, "FORM broken");
    MaterialPreview broken(QDir::currentPath().toStdString() + "/", *prompter_);
    QVERIFY(Expect("Error", kFrontImageMissing));
    QVERIFY(broken.Trace(*Named("red")).planes != traced.planes);
    // New materials propose "neu" with a running number, get a cell and are one undo step.
    const std::string before = SceneText();
    prompter_->names = {std::string("red"), std::string("n1"), std::string("n2")};
    Browser().Run(kCmdNewMaterial);
    Browser().Run(kCmdNewMaterial);
    QCOMPARE(prompter_->asked[2].title, std::string("red"));  // asked again after the refusal
    QCOMPARE(prompter_->asked[3].title, std::string("neu2"));
    QVERIFY(Expect("Error", kMaterialTaken));
    QCOMPARE(Browser().selected(), 2);
    QCOMPARE(Doc().currentMaterial(), Named("n2"));
    Browser().Run(kCmdCalculateAll);  // the others join; n2 stays chosen
    const std::size_t materials = Doc().scene().materials->count;
    QVERIFY(materials >= 4);
    QCOMPARE(Browser().cells().size(), materials);
    Browser().grid()->setFixedWidth(200);  // two columns
    QCOMPARE(Browser().CellOrigin(5), QPoint(2, 2 * 82 + 2));
    QCOMPARE(Browser().CellAt(QPoint(75, 90)), 4);
    Browser().Click(3);
    QCOMPARE(Doc().currentMaterial(), Browser().cells()[2].material);
    Doc().SetCurrentMaterial(Browser().cells()[0].material);  // as the object browser does
    QCOMPARE(Browser().selected(), 1);
    UndoTo(before, 2);
    QCOMPARE(Browser().cells().size(), materials - 2);
  }
  // The editor stores a channel when another is shown; Cancel keeps the material.
  void editorStoresChannels() {
    Material* red = Named("red");
    MaterialEditor editor(Doc(), window_->materialPreview(), *red, window_.get());
    auto field = [&](const char* name) { return editor.findChild<QLineEdit*>(name); };
    auto type = [&](const char* name, const char* text) {
      field(name)->setText(text);
      emit field(name)->textEdited(text);
    };
    QCOMPARE(field("%")->text(), QString("90"));
    type("%", "50");
    editor.findChild<QSlider*>("brightness")->setValue(50);  // 220,40,30 at half
    editor.ShowChannel(kHighlight);
    QCOMPARE(field("%")->text(), QString("70"));
    type("special field", "35");
    editor.ShowChannel(kTransparent);
    type("%", "81");
    type("special field", "1.5");
    editor.Confirm();
    const Material& w = editor.working();
    QCOMPARE(w.colour(kDiffuse), (Rgb{110, 20, 15}));
    QCOMPARE(w.value(kHighlight, 2), 65.0f);
    QVERIFY(Near(w.value(kTransparent, 1), 0.9) && Near(w.value(kTransparent, 2), 1.5));
    QCOMPARE(red->value(kDiffuse, 0), 0.9f);  // until the editor's copy is taken over
    const std::string before = SceneText();
    Doc().ChangeMaterial(red, w, "Edit red");
    CheckUndo(before);
    // Assign, Rename and Delete with their refusals; a group asks whether its members get it.
    Doc().SetCurrentMaterial(nullptr);
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Attention", kNoMaterial));
    Doc().SetCurrentMaterial(Named("blue"));
    Doc().SetCurrent(nullptr);
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Attention", kNoObject));
    const std::string assigned = SceneText();
    Doc().SetCurrent(Find("pair"));
    prompter_->answers = {Answer::kYes};
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Question", kAssignAllQuestion));
    auto* pair = static_cast<GroupObject*>(Find("pair"));
    for (ListNode* n = pair->members.head; n; n = n->next)
      QCOMPARE(static_cast<SceneObject*>(n->item)->material, Named("blue"));
    UndoTo(assigned);
    prompter_->names = {std::string("red"), std::string("navy"), std::string("navy")};
    Browser().Run(kCmdRenameMaterial);
    QVERIFY(Expect("Error", kMaterialTaken));
    QVERIFY(Named("navy"));
    Doc().SetCurrentMaterial(Named("red"));
    Browser().Run(kCmdDeleteMaterial);  // the ball wears it
    QVERIFY(Expect("Attention", kMaterialInUseText));
    Doc().SetCurrentMaterial(Named("navy"));
    Browser().Run(kCmdCopyMaterial);
    Browser().Run(kCmdDeleteMaterial);
    QVERIFY(!Named("navy"));
    Browser().Run(kCmdPasteMaterial);
    QVERIFY(Named("navy"));
    UndoTo(assigned, 3);
  }
  // Procedural textures named from "proc_tex"; without 8-bit textures fractals get no colours.
  void proceduralTextures() {
    const std::string before = SceneText();
    std::unique_ptr<ConstructionDialog> chess = MakeProceduralTextureDialog(Doc(), window_.get());
    QVERIFY(Expect("Warning", kNoPaletteWarning));
    QVERIFY(chess->FieldEnabled("Xmin") && !chess->FieldEnabled("R2"));
    chess->SetChoice("Type", 1);
    QVERIFY(chess->FieldEnabled("R2"));
    chess->SetText("G2", "128");
    QVERIFY(chess->Confirm());
    Texture* made = NamedTexture("proc_tex");
    QVERIFY(made && made->kind == kTextureChess);
    QCOMPARE(made->twoColours.colour2(), (Colour16{0, 128, 0}));
    std::unique_ptr<ConstructionDialog> fractal = MakeProceduralTextureDialog(Doc(), window_.get());
    QCOMPARE(fractal->Text("Name"), QString("proc_tex1"));
    fractal->SetText("Name", "proc_tex");
    prompter_->asked.clear();
    QVERIFY(!fractal->Confirm());
    QVERIFY(Expect("Error", kMaterialTaken));
    fractal->SetText("Name", "mandel");
    fractal->SetText("Iterationen", "50");
    QVERIFY(fractal->Confirm());
    Texture* mandel = NamedTexture("mandel");
    QVERIFY(mandel && mandel->kind == kTextureFractal && mandel->fractal.iterations == 50);
    UndoTo(before, 2);
    // Textures take a free name, offer their folder for the search paths once, and show on a click.
    QDir().mkdir("pictures");
    Texture drawn(kTextureImage);
    QVERIFY(drawn.CreatePicture(64, 64, 8));
    drawn.picture()->paletteCount = 256;
    QVERIFY(writeILBM(*drawn.picture(), "pictures/wood.iff", true));
    QVERIFY(QFile::copy("pictures/wood.iff", "pictures/oak.iff"));
    WriteFile("pictures/broken.iff", "FORM garbage");
    const std::string folder = QDir::current().absoluteFilePath("pictures").toStdString();
    prompter_->files = {folder + "/broken.iff", folder + "/wood.bmp2"};
    Browser().Run(kCmdImageTexture);
    Browser().Run(kCmdImageTexture);
    QVERIFY(Expect({std::string("Error: ") + kImageFailed, std::string("Error: ") + kImageFailed}));
    const std::string loaded = SceneText();
    prompter_->files = {folder + "/wood.iff", folder + "/oak.iff"};
    prompter_->names = {std::string("wood"), std::string("wood"), std::string("oak")};
    prompter_->answers = {Answer::kYes};
    Browser().Run(kCmdImageTexture);
    Browser().Run(kCmdImageTexture);  // same folder: no question
    QVERIFY(Expect(
        {std::string("Question: ") + kAddPathQuestion, std::string("Error: ") + kTextureTaken}));
    std::vector<std::string> paths;
    QVERIFY(ReadPathList(kPathListFileName, &paths));
    QCOMPARE(paths, std::vector<std::string>{folder});
    Texture* oak = NamedTexture("oak");
    QVERIFY(oak && oak->fileName == "oak.iff");
    ToolWindow* show = window_->toolWindow("Texture-Show");
    Objects().DoubleClicked(Objects().EntryOf(oak));
    QVERIFY(show->shownFlag());
    UndoTo(loaded, 2);
  }
  void renamesByTheRulesOfEachKind_data() { AddRows(kRenames); }
  void renamesByTheRulesOfEachKind() {
    const auto& [name, entry, renamed, message] = Row(kRenames);
    Pick(entry);
    const std::string before = SceneText();
    Entry(entry)->setText(0, renamed);  // what the in-place editor does when it ends
    if (*message) {
      QCOMPARE(prompter_->Messages(), (std::vector<std::string>{"Error: " + std::string(message)}));
      QVERIFY(Entry(entry));
      QCOMPARE(SceneText(), before);
      return;
    }
    QVERIFY(Entry(renamed));
    UndoTo(before);
    QVERIFY(Entry(entry));
  }
  void flagBoxesSetTheirFlags() {
    Pick("plate");
    const std::string before = SceneText();
    Panel<QCheckBox>("Phong")->click();
    QVERIFY(Doc().currentObject()->HasFlag(kUsePhong));
    Panel<QCheckBox>("Phong")->click();
    QVERIFY(!Doc().currentObject()->HasFlag(kUsePhong));
    Panel<QCheckBox>("Shadow")->click();
    QVERIFY(!Doc().currentObject()->HasFlag(kHasShadow) &&
            !Doc().currentObject()->HasFlag(kGetsShadow));
    UndoTo(before, 3);
    Pick("pair");
    Panel<QPushButton>("reference object >")->click();
    QCOMPARE(Doc().referenceObject()->name.c_str(), "pair");
    const std::string unassigned = SceneText();
    Objects().Drop(Entry("blue"), Entry("ball"));
    Pick("ball");
    QCOMPARE(Panel<QLineEdit>("material")->text(), QString("blue"));
    Objects().Drop(Entry("ball"), Entry("ball"));  // onto itself: nothing
    UndoTo(unassigned);
  }
  void dropsMoveObjects_data() { AddRows(kDrops); }
  void dropsMoveObjects() {
    const auto& [name, dragged, target, parent, refused] = Row(kDrops);
    const std::string before = SceneText();
    const int steps = Doc().undoStack().count();
    Objects().Drop(Entry(dragged), Entry(target));
    QCOMPARE(ParentOf(dragged), QString(parent));
    if (refused) {
      QCOMPARE(prompter_->Messages(),
               std::vector<std::string>{std::string("Attention: ") + kGroupIntoItself});
      QCOMPARE(SceneText(), before);
      return;
    }
    QCOMPARE(Doc().undoStack().count(), steps + 1);
    UndoTo(before);
    Doc().undoStack().redo();
    QCOMPARE(ParentOf(dragged), QString(parent));
  }
  // Points mode: Copy makes "NAME_sub" (numbered when taken) of the selected points, Cut deletes.
  void pointsModeClipboard() {
    SelectThreePoints();
    QVERIFY(Doc().Copy());
    const auto* part = static_cast<const MeshObject*>(Doc().clipboard());
    QCOMPARE(part->name.c_str(), "plate_sub");
    QCOMPARE(part->triangle_count, 1u);
    Doc().edit().mode = EditMode::kObject;
    QVERIFY(Doc().Paste());  // the name is free: not asked
    SelectThreePoints();
    const std::string before = SceneText();
    QVERIFY(Doc().Cut());
    QCOMPARE(Doc().clipboard()->name.c_str(), "plate_sub1");
    QCOMPARE(static_cast<MeshObject*>(Doc().currentObject())->point_count, 1u);
    QVERIFY(Doc().selection().empty());
    UndoTo(before);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
