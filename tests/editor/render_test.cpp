// The render preferences sheet through its controls, and the render window's TRACE!, Stop and Show
// on real scenes: the pictures it writes, the temporary light, the preview and its refusals.

#include <sched.h>

#include "editor/editor_fixture.h"
#include "editor/render_sheet.h"
#include "editor/render_window.h"
#include "material/texture.h"

// A red ball in front of the camera; it shows only where a light shines on it.
const std::string kBall = R"(material red { diffus_color <255,0,0> }
sphere ball { radius <2> material red } camera eye { position <0,0,-8> } raytrace { camera eye }
)";

// Pixel (x, y) of a 24-bit TGA written top row first.
static QRgb TgaPixel(const std::string& tga, int width, int x, int y) {
  const std::size_t at = 18 + (std::size_t(y) * width + x) * 3;
  if (at + 2 >= tga.size()) return 0;
  return qRgb(uint8_t(tga[at + 2]), uint8_t(tga[at + 1]), uint8_t(tga[at]));
}

// The field typed in ("x", "y" or "resolution"), then the picture size and fieldRight, fieldBottom.
const std::tuple<const char*, const char*, const char*, QSize, QSize> kSizes[] = {
    {"odd Y loses a pixel", "y", "101", {320, 100}, {320, 240}},
    {"resolution sets the frame", "resolution", "640 x 480", {640, 480}, {640, 480}}};
// The stored right border, then Xmin, Ymin, Xmax, Ymax and visible as shown.
const std::tuple<const char*, int, QStringList> kFrames[] = {
    {"stored frame", 200, {"5", "6", "200", "240", "7"}},
    {"no right border: whole picture", 0, {"0", "0", "320", "240", "0"}}};
// The combo box ("sky" typed passes "s" and "sk"), the mode set, the background's red afterwards.
const std::tuple<const char*, const char*, int, int> kTextures[] = {
    {"fractal mask typed", "mask", 2, 10}, {"typed background", "background", 2, 0}};
// Whether the depth map's file is asked for, and the answer (empty: cancelled).
const std::tuple<const char*, bool, const char*> kFiles[] = {{"picture", false, "/tmp/a.tga"},
                                                             {"depth map cancelled", true, ""}};
const std::tuple<const char*, std::string, const char*, const char*> kRefusals[] = {
    {"no camera", "sphere ball { radius <1> }\n", "x", "Attention: You should select a camera!"},
    {"missing folder", kBall, "no/such/folder/x",
     "Error: The save-path points to a write-protected drive!"}};
// The viewer, TGA (or JPEG) output, whether a picture was rendered, what is run (or nothing).
const std::tuple<const char*, const char*, bool, bool, const char*> kShows[] = {
    {"TGA", "view", true, true, "view shown00001.tga"},
    {"JPEG only", "view", false, true, "view shown00001.jpg"},
    {"no viewer", "", true, true, ""},
    {"no picture yet", "view", true, false, ""}};
const std::tuple<const char*, bool> kPanoramas[] = {{"perspective", false}, {"panorama", true}};
const std::tuple<const char*, bool> kStops[] = {{"window closed", false}, {"Stop button", true}};

class RenderTest : public QObject, public EditorFixture {
  Q_OBJECT
 private:
  COV_wnd_render* sheet_ = nullptr;
  RenderWindow* render_ = nullptr;
  RenderSettings& Settings() { return Doc().scene().render; }
  template <class T>
  T* Control(const char* name) {
    T* control = sheet_->findChild<T*>(name);
    if (!control) qFatal("no control %s", name);
    return control;
  }
  void ShowPage(int page) {
    sheet_->ShowOnce();
    sheet_->tabs()->setCurrentIndex(page);
    QCoreApplication::processEvents();
  }
  void Type(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
  }
  int LightCount() { return Doc().scene().lights->count; }
  void PrepareBall(int width, int height, const char* output) {
    OpenText(kBall);
    Settings().SetSize(width, height);
    Settings().fieldRight = width;
    Settings().fieldBottom = height;
    Settings().outputName = Path(output).toLocal8Bit().constData();
  }
 private slots:
  // One CPU for the renders' worker threads (and the command line's): coverage counters do not
  // race.
  void initTestCase() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    QCOMPARE(sched_setaffinity(0, sizeof one, &one), 0);
  }
  void init() {
    Start();
    window_->Run(kCmdRenderPreferences);
    window_->Run(kCmdRender);
    sheet_ = &window_->renderSheet();
    render_ = &window_->renderWindow();
    QVERIFY(sheet_->isVisible() && render_->isVisible());
  }
  void cleanup() { Stop(); }
  void sizeFields_data() { AddRows(kSizes); }
  void sizeFields() {
    const auto& [name, field, input, picture, frameEnd] = Row(kSizes);
    ShowPage(0);
    if (field == std::string("resolution")) {
      auto* combo = Control<QComboBox>("resolution");
      const int index = combo->findText(input);
      QVERIFY(index >= 0);
      combo->setCurrentIndex(index);
      emit combo->activated(index);
      QCOMPARE(Control<QLineEdit>("x")->text() + " x " + Control<QLineEdit>("y")->text(),
               QString(input));
    } else {
      Type(Control<QLineEdit>(field), input);
    }
    QCOMPARE(QSize(Settings().Width(), Settings().Height()), picture);
    QCOMPARE(QSize(Settings().fieldRight, Settings().fieldBottom), frameEnd);
  }
  void framePage_data() { AddRows(kFrames); }
  void framePage() {
    const auto& [name, storedRight, expected] = Row(kFrames);
    RenderSettings& s = Settings();
    s.fieldLeft = 5;
    s.fieldTop = 6;
    s.fieldRight = storedRight;
    s.fieldBrightness = 7;
    ShowPage(1);
    QStringList shown;
    for (const char* field : {"xmin", "ymin", "xmax", "ymax", "visible"})
      shown << Control<QLineEdit>(field)->text();
    QCOMPARE(shown, expected);
    QTest::mouseClick(Control<QPushButton>("reset"), Qt::LeftButton);
    QCOMPARE(QList<int>({s.fieldLeft, s.fieldTop, s.fieldRight, s.fieldBottom, s.fieldBrightness}),
             QList<int>({0, 0, 320, 240, 0}));
  }
  void textureNames_data() { AddRows(kTextures); }
  void textureNames() {
    const auto& [name, combo, use, red] = Row(kTextures);
    const bool mask = combo == std::string("mask");
    Scene& scene = Doc().scene();
    for (auto [title, kind] : {std::pair{"wood", kTextureImage}, std::pair{"sky", kTextureFractal},
                               std::pair{"board", kTextureChess}}) {
      auto* made = new Texture(kind);
      made->name = title;
      scene.images->Append(made, 1);
    }
    RenderSettings& s = Settings();
    s.background[0] = 10;
    ShowPage(mask ? 1 : 3);
    auto* box = Control<QComboBox>(combo);
    QCOMPARE(box->count(), 3);
    Type(box->lineEdit(), "sky");
    const Texture* texture = mask ? s.fieldMask : s.backgroundTexture;
    QCOMPARE(texture ? QString(texture->name.c_str()) : QString(), QString("sky"));
    QCOMPARE(mask ? s.fieldMaskType : s.backgroundMode, use);
    QCOMPARE(int(s.background[0]), red);
  }
  void fileDialogs_data() { AddRows(kFiles); }
  void fileDialogs() {
    const auto& [name, depth, chosen] = Row(kFiles);
    const QString answer(chosen);
    RenderSettings& s = Settings();
    s.outputName = "old";
    s.depthMapName = "old";
    s.depthMap = 1;
    prompter_->files.push_back(answer.isEmpty() ? std::nullopt
                                                : std::optional<std::string>(chosen));
    ShowPage(depth ? 2 : 0);
    QTest::mouseClick(Control<QPushButton>(depth ? "depthBrowse" : "imageBrowse"), Qt::LeftButton);
    QCOMPARE(QString((depth ? s.depthMapName : s.outputName).c_str()), answer);
    QCOMPARE(Control<QLineEdit>(depth ? "depthMap" : "image")->text(), answer);
    if (depth) QCOMPARE(s.depthMap, uint32_t(answer.isEmpty() ? 0 : 1));
  }
  void titleAndPreview_data() { AddRows(kPanoramas); }
  void titleAndPreview() {
    const auto& [name, panorama] = Row(kPanoramas);
    PrepareBall(640, 480, "wide");
    Settings().panorama = panorama;
    QVERIFY(render_->Trace());
    const int lines = panorama ? 320 : 480;
    QCOMPARE(Settings().panorama, uint32_t(0));
    QCOMPARE(Doc().currentCamera()->HalfWidth(), 160.0f);
    const QImage& preview = render_->previewImage();
    const std::string tga = ReadFile(Path("wide00001.tga"));
    QCOMPARE(tga.size(), std::size_t(18 + 640 * lines * 3));
    // Every preview pixel is the picture's pixel at the scaled place; white below the picture.
    const int previewRows = lines / 2;
    for (int p = 0; p < previewRows; p += 7) {
      for (int c = 0; c < 320; c += 5) {
        const QRgb want = TgaPixel(tga, 640, c * 2, p * lines / previewRows);
        if ((preview.pixel(c, p) & 0xffffff) != (want & 0xffffff))
          QFAIL(qPrintable(QString("preview pixel %1, %2").arg(c).arg(p)));
      }
    }
    if (previewRows < 240) QCOMPARE(preview.pixel(100, 200), qRgb(255, 255, 255));
    QVERIFY(render_->neededTime().contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")));
    QCOMPARE(render_->remainingTime(), QString("00:00:00"));
  }
  // The fog colour: Cancel changes nothing; a choice without a depth sets the depth to 100. Fog
  // over the distance to the hit: the ball 6 units away in fog of depth 8 takes 3/4 of its blue.
  void fogCoversTheHits() {
    PrepareBall(20, 20, "fog");
    RenderSettings& s = Settings();
    const Rgb8 before{s.fog[0], s.fog[1], s.fog[2]};
    prompter_->colors = {std::nullopt, Rgb8{0, 0, 255}};
    ShowPage(5);
    auto* button = Control<QPushButton>("fogColor");
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE((Rgb8{s.fog[0], s.fog[1], s.fog[2]}), before);
    QCOMPARE(s.fogDistance, 0.0f);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE((Rgb8{s.fog[0], s.fog[1], s.fog[2]}), (Rgb8{0, 0, 255}));
    QCOMPARE(Control<QLineEdit>("fogDepth")->text(), QString("100"));
    QCOMPARE(s.fogDistance, 100.0f);
    Type(Control<QLineEdit>("fogDepth"), "8");
    QCOMPARE(s.fogDistance, 8.0f);
    QVERIFY(render_->Trace());
    const QRgb centre = TgaPixel(ReadFile(Path("fog00001.tga")), 20, 10, 10);
    QVERIFY2(qRed(centre) < 70 && qBlue(centre) > 180, qPrintable(QString::number(centre, 16)));
  }
  void sameAsCommandLine() {
    const QString orvane = QCoreApplication::applicationDirPath() + "/../../orvane";
    if (!QFileInfo::exists(orvane)) QSKIP("the orvane program is not built");
    WriteFile(Path("ball.ovs"), std::string(kBall) + "TRACE! <1>\n");
    QProcess cli;
    cli.setWorkingDirectory(dir_->path());
    cli.start(orvane, {"run", "--size", "320x240", "--output", "cli", "ball.ovs"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    PrepareBall(320, 240, "window");
    QVERIFY(render_->Trace());
    const std::string expected = ReadFile(Path("cli00001.tga"));
    QCOMPARE(expected.size(), std::size_t(18 + 320 * 240 * 3));
    QVERIFY(ReadFile(Path("window00001.tga")) == expected);
  }
  void refusals_data() { AddRows(kRefusals); }
  void refusals() {
    const auto& [name, scene, output, message] = Row(kRefusals);
    OpenText(scene);
    Settings().outputName = Path(output).toLocal8Bit().constData();
    ListItem* light = Doc().scene().lights->First();
    const int lights = LightCount();
    QVERIFY(!render_->Trace());
    QCOMPARE(LastMessage(), std::string(message));
    QCOMPARE(LightCount(), lights);
    QCOMPARE(Doc().scene().lights->First(), light);
    QVERIFY(!render_->tracing());
  }
  // A render stopped midway leaves no picture and no light; the window answers while it runs.
  void stopMidway_data() { AddRows(kStops); }
  void stopMidway() {
    const auto& [name, button] = Row(kStops);
    PrepareBall(640, 480, "stopped");
    Settings().jpegOutput = 1;
    render_->ShowOnce();
    int line = 0;
    int lights = 0;
    bool second = true;
    connect(render_, &RenderWindow::blockTraced, this, [&](int next) {
      if (line != 0) return;
      line = next;
      second = render_->StartTrace();  // ignored while one runs
      // From the event loop, between blocks.
      QTimer::singleShot(0, this, [&] {
        lights = LightCount();
        if (button)
          QTest::mouseClick(render_->findChild<QPushButton*>("stop"), Qt::LeftButton);
        else
          render_->close();
      });
    });
    QVERIFY(!render_->Trace());
    QVERIFY(!second);
    QVERIFY(line > 0 && line < 480);
    QCOMPARE(lights, 1);
    QVERIFY(!QFileInfo::exists(Path("stopped00001.tga")));
    QVERIFY(!QFileInfo::exists(Path("stopped00001.jpg")));
    QCOMPARE(LightCount(), 0);
    QCOMPARE(Settings().prepareOnly, uint32_t(0));
    QCOMPARE(render_->lastPicture(), QString());
  }
  // The other windows' commands wait: New from the keyboard does not replace the traced scene.
  void otherWindowsWaitForTheRender() {
    PrepareBall(320, 240, "busy");
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    bool first = true;
    connect(render_, &RenderWindow::blockTraced, this, [&] {
      if (!first) return;
      first = false;
      QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
    });
    QVERIFY(render_->Trace());
    QVERIFY(Find("ball"));
    QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
    QVERIFY(!Find("ball"));  // afterwards the key is the New command again
  }
  void showRunsTheViewer_data() { AddRows(kShows); }
  void showRunsTheViewer() {
    const auto& [name, viewer, tga, render, shown] = Row(kShows);
    window_->settings().image_viewer = viewer;
    QString run;
    render_->SetLauncher([&](const QString& program, const QStringList& arguments) {
      run = program + " " + QFileInfo(arguments.join(" ")).fileName();
      return true;
    });
    PrepareBall(20, 20, "shown");
    Settings().tgaOutput = tga;
    Settings().jpegOutput = !tga;
    if (render) QVERIFY(render_->Trace());
    QTest::mouseClick(render_->findChild<QPushButton*>("show"), Qt::LeftButton);
    QCOMPARE(run, QString(shown));
  }
};

QTEST_MAIN(RenderTest)
#include "render_test.moc"
