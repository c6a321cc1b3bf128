// The material browser, the material editor and texture loading: previews against the core's
// renderer, the grid and the menu commands, every change one undo step.

#include "editor/construction_dialogs.h"
#include "editor/editor_fixture.h"
#include "editor/material_browser.h"
#include "editor/material_editor.h"
#include "editor/material_preview.h"
#include "editor/settings.h"
#include "editor/tool_window.h"
#include "imageio/ilbm.h"
#include "material/texture.h"
#include "render/render_driver.h"
#include "scene/group_object.h"
#include "script/scene_commands.h"

const std::string kScene =
    R"(material red { diffus <0.9> diffus_color <220,40,30> highlight <0.7> highlight_size <20> }
material blue { diffus_color <0,0,255> } sphere ball { radius <1> material red }
object pair { sphere a { radius <1> } sphere b { radius <1> } })";

class MaterialTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  MaterialBrowser& Browser() { return window_->materialBrowser(); }
  Material* Named(const char* name) { return FindMaterial(Doc().scene(), String(name)); }
  Texture* NamedTexture(const char* n) { return FindTexture(Doc().scene().images, String(n)); }
  // The messages shown since the last call.
  bool Expect(const std::vector<std::string>& messages) {
    const std::vector<std::string> shown = prompter_->Messages();
    prompter_->asked.clear();
    return shown == messages;
  }
  bool Expect(const char* title, const char* s) { return Expect({std::string(title) + ": " + s}); }
 private slots:
  void init() {
    Start();
    OpenText(kScene);
    prompter_->asked.clear();
  }
  void cleanup() { Stop(); }
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
  }
  // New materials propose "neu" with a running number, get a cell and are one undo step.
  void newMaterialsAndTheGrid() {
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
    QCOMPARE(Browser().Columns(), 2);
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
  }
  // Assign, Rename and Delete with their refusals; a group asks whether its members get it.
  void assignRenameDelete() {
    Doc().SetCurrentMaterial(nullptr);
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Attention", kNoMaterial));
    Doc().SetCurrentMaterial(Named("blue"));
    Doc().SetCurrent(nullptr);
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Attention", kNoObject));
    const std::string before = SceneText();
    Doc().SetCurrent(Find("pair"));
    prompter_->answers = {Answer::kYes};
    Browser().Run(kCmdAssign);
    QVERIFY(Expect("Question", kAssignAllQuestion));
    auto* pair = static_cast<GroupObject*>(Find("pair"));
    for (ListNode* n = pair->members.head; n; n = n->next)
      QCOMPARE(static_cast<SceneObject*>(n->item)->material, Named("blue"));
    UndoTo(before);
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
    UndoTo(before, 3);
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
  }
  // Textures take a free name, offer their folder for the search paths once, and show on a click.
  void texturesLoadThroughThePathList() {
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
    const std::string before = SceneText();
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
    // A double click on the texture in the object browser shows it.
    ToolWindow* show = window_->toolWindow("Texture-Show");
    window_->objectBrowser().DoubleClicked(window_->objectBrowser().EntryOf(oak));
    QVERIFY(show->shownFlag());
    UndoTo(before, 2);
  }
};

QTEST_MAIN(MaterialTest)
#include "material_test.moc"
