// The render preferences sheet through its controls, and the render window's TRACE!, Stop and
// Show on real scenes: the pictures it writes, the temporary light, the preview and the
// messages of its refusals.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>
#include <sstream>

#include "editor/editor_fixture.h"
#include "editor/render_sheet.h"
#include "editor/render_window.h"
#include "material/texture.h"
#include "scene/light_source.h"

using namespace orvane;
using namespace orvane::editor;

namespace {

// A red ball in front of the camera; it shows only where a light shines on it.
const char* const kBall =
    "material red { diffus_color <255,0,0> }\n"
    "sphere ball { radius <2> material red }\n"
    "camera eye { position <0,0,-8> }\n"
    "raytrace { camera eye }\n";

std::string ReadBytes(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Pixel (x, y) of a 24-bit TGA written top row first.
QRgb TgaPixel(const std::string& tga, int width, int x, int y) {
  const std::size_t at = 18 + (std::size_t(y) * width + x) * 3;
  if (at + 2 >= tga.size()) return 0;
  return qRgb(uint8_t(tga[at + 2]), uint8_t(tga[at + 1]), uint8_t(tga[at]));
}

Texture* AddTexture(Scene& scene, const char* name, int32_t kind) {
  auto* texture = new Texture(kind);
  texture->name = name;
  scene.images->Append(texture, 1);
  return texture;
}

}  // namespace

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
  // Shows the sheet on page `page` ("Save" is 0).
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
  // The picture size, the output name and the camera for a render of kBall.
  void PrepareBall(int width, int height, const char* output) {
    OpenText(kBall);
    Settings().SetSize(width, height);
    Settings().fieldRight = width;
    Settings().fieldBottom = height;
    Settings().outputName = dir_->filePath(output).toLocal8Bit().constData();
  }

 private slots:
  // The main window's own windows, shown by their menu commands.
  void init() {
    Start();
    window_->Run(kCmdRenderPreferences);
    window_->Run(kCmdRender);
    sheet_ = &window_->renderSheet();
    render_ = &window_->renderWindow();
    QVERIFY(sheet_->isVisible() && render_->isVisible());
  }
  void cleanup() { Stop(); }

  void sheetHasItsPagesInOrder() {
    QStringList titles;
    for (int i = 0; i < sheet_->tabs()->count(); ++i) titles << sheet_->tabs()->tabText(i);
    QCOMPARE(titles,
             QStringList({"Save", "Frame", "Depth-Map", "Background", "Ambient Light", "Fog"}));
    QCOMPARE(sheet_->windowTitle(), QString("Render Preferences"));
  }

  void sizeFields_data() {
    QTest::addColumn<QString>("field");  // "x", "y" or "resolution"
    QTest::addColumn<QString>("input");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("frameEnd");  // fieldRight, fieldBottom
    QTest::newRow("odd X loses a pixel") << "x"
                                         << "321" << QSize(320, 240) << QSize(320, 240);
    QTest::newRow("odd Y loses a pixel") << "y"
                                         << "101" << QSize(320, 100) << QSize(320, 240);
    QTest::newRow("resolution sets the frame") << "resolution"
                                               << "640 x 480" << QSize(640, 480) << QSize(640, 480);
    QTest::newRow("largest resolution") << "resolution"
                                        << "1600 x 1200" << QSize(1600, 1200) << QSize(1600, 1200);
  }
  void sizeFields() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    ShowPage(0);
    if (field == "resolution") {
      auto* combo = Control<QComboBox>("resolution");
      const int index = combo->findText(input);
      QVERIFY(index >= 0);
      combo->setCurrentIndex(index);
      emit combo->activated(index);
      QCOMPARE(Control<QLineEdit>("x")->text() + " x " + Control<QLineEdit>("y")->text(), input);
    } else {
      Type(Control<QLineEdit>(field.toLatin1()), input);
    }
    QTEST(QSize(Settings().Width(), Settings().Height()), "picture");
    QCOMPARE(QSize(Settings().fieldLeft, Settings().fieldTop), QSize(0, 0));
    QTEST(QSize(Settings().fieldRight, Settings().fieldBottom), "frameEnd");
  }

  void framePage_data() {
    QTest::addColumn<int>("storedRight");
    QTest::addColumn<QStringList>("shown");  // Xmin, Ymin, Xmax, Ymax, visible
    QTest::newRow("stored frame") << 200 << QStringList({"5", "6", "200", "240", "7"});
    QTest::newRow("no right border: whole picture")
        << 0 << QStringList({"0", "0", "320", "240", "0"});
  }
  void framePage() {
    QFETCH(int, storedRight);
    RenderSettings& s = Settings();
    s.fieldLeft = 5;
    s.fieldTop = 6;
    s.fieldRight = storedRight;
    s.fieldBrightness = 7;
    ShowPage(1);
    QStringList shown;
    for (const char* name : {"xmin", "ymin", "xmax", "ymax", "visible"})
      shown << Control<QLineEdit>(name)->text();
    QTEST(shown, "shown");
    QTest::mouseClick(Control<QPushButton>("reset"), Qt::LeftButton);
    QCOMPARE(QList<int>({s.fieldLeft, s.fieldTop, s.fieldRight, s.fieldBottom, s.fieldBrightness}),
             QList<int>({0, 0, 320, 240, 0}));
  }

  void textureNames_data() {
    QTest::addColumn<QString>("combo");
    QTest::addColumn<bool>("pick");  // chosen from the list, else typed key by key
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("found");  // the texture the setting names, or empty
    QTest::addColumn<int>("use");        // mask type or background mode
    QTest::addColumn<int>("red");        // the background colour's red afterwards
    QTest::newRow("bitmap mask") << "mask" << true << "wood"
                                 << "wood" << 1 << 10;
    QTest::newRow("fractal mask typed") << "mask" << false << "sky"
                                        << "sky" << 2 << 10;
    QTest::newRow("chess mask counts as bitmap") << "mask" << true << "board"
                                                 << "board" << 1 << 10;
    QTest::newRow("unknown mask") << "mask" << false << "woo"
                                  << "" << 0 << 10;
    QTest::newRow("bitmap background") << "background" << true << "wood"
                                       << "wood" << 1 << 10;
    QTest::newRow("fractal background") << "background" << true << "sky"
                                        << "sky" << 2 << 10;
    // Typing passes the unknown names "s" and "sk" first.
    QTest::newRow("typed background") << "background" << false << "sky"
                                      << "sky" << 2 << 0;
    QTest::newRow("unknown background") << "background" << false << "none"
                                        << "" << 0 << 0;
  }
  void textureNames() {
    QFETCH(QString, combo);
    QFETCH(bool, pick);
    QFETCH(QString, name);
    QFETCH(QString, found);
    Scene& scene = Doc().scene();
    AddTexture(scene, "wood", kTextureImage);
    AddTexture(scene, "sky", kTextureFractal);
    AddTexture(scene, "board", kTextureChess);
    RenderSettings& s = Settings();
    s.background[0] = 10;
    ShowPage(combo == "mask" ? 1 : 3);
    auto* box = Control<QComboBox>(combo.toLatin1());
    QCOMPARE(box->count(), 3);
    if (pick) {
      box->setCurrentIndex(box->findText(name));
      emit box->textActivated(name);
    } else {
      Type(box->lineEdit(), name);
    }
    const Texture* texture = combo == "mask" ? s.fieldMask : s.backgroundTexture;
    QCOMPARE(texture ? QString(texture->name.c_str()) : QString(), found);
    QTEST(combo == "mask" ? s.fieldMaskType : s.backgroundMode, "use");
    QTEST(int(s.background[0]), "red");
  }

  void colours_data() {
    QTest::addColumn<bool>("fog");
    QTest::addColumn<double>("depth");  // the fog depth before
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<double>("depthAfter");
    QTest::newRow("fog without depth gets 100") << true << 0.0 << true << 100.0;
    QTest::newRow("fog depth kept") << true << 7.0 << true << 7.0;
    QTest::newRow("cancel changes nothing") << true << 0.0 << false << 0.0;
    QTest::newRow("ambient light") << false << 0.0 << true << 0.0;
  }
  void colours() {
    QFETCH(bool, fog);
    QFETCH(double, depth);
    QFETCH(bool, chosen);
    RenderSettings& s = Settings();
    s.fogDistance = static_cast<float>(depth);
    const uint8_t* colour = fog ? s.fog : s.ambient;
    const Rgb8 before{colour[0], colour[1], colour[2]};
    prompter_->colors.push_back(chosen ? std::optional<Rgb8>(Rgb8{1, 2, 3}) : std::nullopt);
    ShowPage(fog ? 5 : 4);
    QTest::mouseClick(Control<QPushButton>(fog ? "fogColor" : "ambientColor"), Qt::LeftButton);
    QCOMPARE((Rgb8{colour[0], colour[1], colour[2]}), (chosen ? Rgb8{1, 2, 3} : before));
    QTEST(double(s.fogDistance), "depthAfter");
    QCOMPARE(Control<QLineEdit>("fogDepth")->text().toDouble(), double(s.fogDistance));
  }

  void fileDialogs_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("answer");  // empty: cancelled
    QTest::addColumn<QString>("filter");
    QTest::newRow("picture") << "imageBrowse"
                             << "/tmp/a.tga"
                             << "TGA 24bit (*.tga)|*.tga|All Files (*.*)|*.*||";
    QTest::newRow("picture cancelled") << "imageBrowse"
                                       << ""
                                       << "TGA 24bit (*.tga)|*.tga|All Files (*.*)|*.*||";
    QTest::newRow("depth map") << "depthBrowse"
                               << "/tmp/d.tga"
                               << "TGA    (*.tga)|*.tga|All Files (*.*)|*.*||";
    QTest::newRow("depth map cancelled") << "depthBrowse"
                                         << ""
                                         << "TGA    (*.tga)|*.tga|All Files (*.*)|*.*||";
  }
  void fileDialogs() {
    QFETCH(QString, button);
    QFETCH(QString, answer);
    RenderSettings& s = Settings();
    s.outputName = "old";
    s.depthMapName = "old";
    s.depthMap = 1;
    const bool depth = button == "depthBrowse";
    prompter_->files.push_back(answer.isEmpty() ? std::nullopt
                                                : std::optional<std::string>(answer.toStdString()));
    ShowPage(depth ? 2 : 0);
    QTest::mouseClick(Control<QPushButton>(button.toLatin1()), Qt::LeftButton);
    QTEST(QString::fromStdString(prompter_->asked.back().title), "filter");
    QCOMPARE(QString((depth ? s.depthMapName : s.outputName).c_str()), answer);
    QCOMPARE(Control<QLineEdit>(depth ? "depthMap" : "image")->text(), answer);
    if (depth) QCOMPARE(s.depthMap, uint32_t(answer.isEmpty() ? 0 : 1));
  }

  void timeText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0.0 << "00:00:00";
    QTest::newRow("under a second") << 0.9 << "00:00:00";
    QTest::newRow("minute and second") << 61.0 << "00:01:01";
    QTest::newRow("hours") << 37325.0 << "10:22:05";
    QTest::newRow("negative") << -5.0 << "00:00:00";
  }
  void timeText() {
    QFETCH(double, seconds);
    QTEST(RenderTimeText(seconds), "text");
  }

  // With or without a light of its own, the scene is lit during the render and its light list
  // is as before afterwards.
  void lightsDuringTheRender_data() {
    QTest::addColumn<bool>("ownLight");
    QTest::newRow("no light: one at the camera") << false;
    QTest::newRow("own light kept") << true;
  }
  void lightsDuringTheRender() {
    QFETCH(bool, ownLight);
    PrepareBall(160, 120, "lit");
    if (ownLight) {
      auto* lamp = new LightSource;
      lamp->placement.position = Doc().currentCamera()->placement.position;
      Doc().scene().lights->Append(lamp, 1);
    }
    ListItem* before = Doc().scene().lights->First();
    int during = -1;
    connect(render_, &RenderWindow::blockTraced, this, [&] { during = LightCount(); });
    QVERIFY(render_->Trace());
    QCOMPARE(during, 1);
    QCOMPARE(LightCount(), ownLight ? 1 : 0);
    QCOMPARE(Doc().scene().lights->First(), before);
    const std::string tga = ReadBytes(dir_->filePath("lit00001.tga"));
    QCOMPARE(tga.size(), std::size_t(18 + 160 * 120 * 3));
    QVERIFY(qRed(TgaPixel(tga, 160, 80, 60)) > 100);  // the ball's middle is lit
    QCOMPARE(TgaPixel(tga, 160, 0, 0), qRgb(0, 0, 0));
    QCOMPARE(Doc().currentCamera()->HalfWidth(), 160.0f);
  }

  void titleAndPreview_data() {
    QTest::addColumn<bool>("panorama");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("previewRows");  // rows of the picture; white below
    QTest::newRow("perspective") << false << "Rendern (640 x 480)" << 240;
    QTest::newRow("panorama") << true << "Rendern (640 x 320)" << 160;
  }
  void titleAndPreview() {
    QFETCH(bool, panorama);
    QFETCH(int, previewRows);
    PrepareBall(640, 480, "wide");
    Settings().panorama = panorama;
    QVERIFY(render_->Trace());
    QTEST(render_->windowTitle(), "title");
    QCOMPARE(Settings().panorama, uint32_t(0));
    QCOMPARE(Doc().currentCamera()->HalfWidth(), 160.0f);
    const QImage& preview = render_->previewImage();
    const std::string tga = ReadBytes(dir_->filePath("wide00001.tga"));
    const int lines = panorama ? 320 : 480;
    QCOMPARE(tga.size(), std::size_t(18 + 640 * lines * 3));
    // Every preview pixel is the picture's pixel at the scaled place.
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

  void sameAsCommandLine() {
    const QString orvane = QCoreApplication::applicationDirPath() + "/../../orvane";
    if (!QFileInfo::exists(orvane)) QSKIP("the orvane program is not built");
    const std::string scene = std::string(kBall) + "TRACE! <1>\n";
    std::ofstream(dir_->filePath("ball.ovs").toStdString()) << scene;
    QProcess cli;
    cli.setWorkingDirectory(dir_->path());
    cli.start(orvane, {"run", "--size", "320x240", "--output", "cli", "ball.ovs"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    PrepareBall(320, 240, "window");
    QVERIFY(render_->Trace());
    const std::string expected = ReadBytes(dir_->filePath("cli00001.tga"));
    QCOMPARE(expected.size(), std::size_t(18 + 320 * 240 * 3));
    QVERIFY(ReadBytes(dir_->filePath("window00001.tga")) == expected);
  }

  void refusals_data() {
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("message");
    QTest::newRow("no camera") << "sphere ball { radius <1> }\n"
                               << "x"
                               << "Attention: You should select a camera!";
    QTest::newRow("missing folder") << kBall << "no/such/folder/x"
                                    << "Error: The save-path points to a write-protected drive!";
    QTest::newRow("missing folder, own light")
        << QString(kBall) + "light lamp { position <0,5,0> }\n"
        << "no/such/folder/x"
        << "Error: The save-path points to a write-protected drive!";
  }
  void refusals() {
    QFETCH(QString, scene);
    QFETCH(QString, output);
    QFETCH(QString, message);
    OpenText(scene.toStdString());
    Settings().outputName = dir_->filePath(output).toLocal8Bit().constData();
    ListItem* light = Doc().scene().lights->First();
    const int lights = LightCount();
    QVERIFY(!render_->Trace());
    QCOMPARE(QString::fromStdString(prompter_->Messages().back()), message);
    QCOMPARE(LightCount(), lights);
    QCOMPARE(Doc().scene().lights->First(), light);
    QVERIFY(!render_->tracing());
  }

  // A render stopped midway leaves no picture and no light; the window answers while it runs.
  void stopMidway_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Stop button") << "stop";
    QTest::newRow("window closed") << "close";
  }
  void stopMidway() {
    QFETCH(QString, how);
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
        if (how == "stop")
          QTest::mouseClick(render_->findChild<QPushButton*>("stop"), Qt::LeftButton);
        else
          render_->close();
      });
    });
    QVERIFY(!render_->Trace());
    QVERIFY(!second);
    QVERIFY(line > 0 && line < 480);
    QCOMPARE(lights, 1);
    QVERIFY(!QFileInfo::exists(dir_->filePath("stopped00001.tga")));
    QVERIFY(!QFileInfo::exists(dir_->filePath("stopped00001.jpg")));
    QCOMPARE(LightCount(), 0);
    QCOMPARE(Settings().prepareOnly, uint32_t(0));
    QCOMPARE(render_->lastPicture(), QString());
  }

  // The other windows' commands wait: New from the keyboard does not replace the scene under
  // the tracer.
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

  void showRunsTheViewer_data() {
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<bool>("tga");
    QTest::addColumn<bool>("render");
    QTest::addColumn<QString>("run");  // "program argument", or empty
    QTest::newRow("TGA") << "view" << true << true << "view shown00001.tga";
    QTest::newRow("JPEG only") << "view" << false << true << "view shown00001.jpg";
    QTest::newRow("no viewer") << "" << true << true << "";
    QTest::newRow("no picture yet") << "view" << true << false << "";
  }
  void showRunsTheViewer() {
    QFETCH(QString, viewer);
    QFETCH(bool, tga);
    QFETCH(bool, render);
    window_->settings().image_viewer = viewer.toStdString();
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
    QTEST(run, "run");
  }
};

QTEST_MAIN(RenderTest)
#include "render_test.moc"
