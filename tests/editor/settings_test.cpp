// The stored settings and the "Preferences" sheet: the files byte for byte, the fall-backs of
// odd files, and the sheet's fields driven through its widgets.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <fstream>
#include <sstream>

#include "editor/preferences_sheet.h"
#include "editor/scripted_prompter.h"
#include "editor/settings.h"

using namespace orvane::editor;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const char* const kDefaultText =
    "0\n3\n90\n180\n180\n180\n150\n150\n150\n1\n\n1\n"
    "D:\\Programme\\Netscape\\Communicator\\Program\\netscape.exe\n";

}  // namespace

class SettingsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }

 private slots:
  void defaultsAreWrittenAndReadBack() {
    EditorSettings s;
    QVERIFY(WriteSettings(Path("ov_gui.ovi"), s));
    QCOMPARE(ReadFile(Path("ov_gui.ovi")), std::string(kDefaultText));
    s.start_display = 1;
    s.grid[2] = 7;
    s.image_viewer = "viewer -a";
    s.html_browser = "";
    QVERIFY(WriteSettings(Path("ov_gui.ovi"), s));
    EditorSettings read;
    QVERIFY(ReadSettings(Path("ov_gui.ovi"), &read));
    QVERIFY(read == s);
    QCOMPARE(QDir(dir_.path()).entryList(QDir::Files), QStringList({"ov_gui.ovi"}));
  }

  void oddFilesFallBack_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("expected");  // the settings as the writer writes them
    QTest::newRow("in range") << QByteArray("1\n7\n55\n1\n2\n3\n4\n5\n6\n0\nv\n4\nb\n")
                              << "1\n7\n55\n1\n2\n3\n4\n5\n6\n0\nv\n4\nb\n";
    QTest::newRow("out of range") << QByteArray(
                                         "5\n0\n250\n300\n-4\n99999999999\n1\n2\n3\n7\nv\n9\nb\n")
                                  << "0\n1\n100\n255\n0\n255\n1\n2\n3\n1\nv\n1\nb\n";
    QTest::newRow("short file: missing lines read as empty")
        << QByteArray("1\n5\n") << "1\n5\n0\n0\n0\n0\n0\n0\n0\n0\n\n1\n\n";
    QTest::newRow("atoi: blanks, signs and trailing text")
        << QByteArray("  1x\n+12abc\n-3\n 40 \n41\n42\n43\n44\n45\n1\nviewer \n2\nb\n")
        << "1\n12\n0\n40\n41\n42\n43\n44\n45\n1\nviewer \n2\nb\n";
    QTest::newRow("carriage returns")
        << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n1\r\nv\r\n3\r\nb\r\n")
        << "1\n2\n3\n4\n5\n6\n7\n8\n9\n1\nv\n3\nb\n";
    QTest::newRow("a long line is cut, its rest skipped")
        << QByteArray("0\n3\n90\n1\n2\n3\n4\n5\n6\n1\n" + QByteArray(300, 'a') + "\n2\nb\n")
        << "0\n3\n90\n1\n2\n3\n4\n5\n6\n1\n" + QString(128, 'a') + "\n2\nb\n";
    QTest::newRow("binary junk") << QByteArray("\x01\xff\x00\x80zz\n\n\xfe", 9)
                                 << "0\n1\n0\n0\n0\n0\n0\n0\n0\n0\n\n1\n\n";
  }
  void oddFilesFallBack() {
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    WriteFile(Path("odd.ovi"), file.toStdString());
    EditorSettings s;
    QVERIFY(ReadSettings(Path("odd.ovi"), &s));
    QCOMPARE(QString::fromStdString(SettingsText(s)), expected);
  }

  void missingFilesChangeNothing() {
    EditorSettings s;
    s.jpeg_quality = 12;
    QVERIFY(!ReadSettings(Path("none.ovi"), &s));
    QCOMPARE(s.jpeg_quality, 12);
    std::vector<std::string> paths{"kept"};
    QVERIFY(!ReadPathList(Path("none.ovi"), &paths));
    QCOMPARE(paths, std::vector<std::string>{"kept"});
    // A target that cannot be replaced (a folder) stays, and no temporary file is left.
    QVERIFY(QDir(dir_.path()).mkdir("folder"));
    QVERIFY(!WriteSettings(Path("folder"), s));
    QVERIFY(!WritePathList(Path("missing/ov_path.ovi"), paths));
    QCOMPARE(QDir(dir_.path()).entryList({"*.tmp*"}, QDir::Files), QStringList());
  }

  void pathLists_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("one line") << QByteArray("/a\n") << QStringList({"/a"});
    QTest::newRow("no last line feed") << QByteArray("/a\n/b") << QStringList({"/a", "/b"});
    QTest::newRow("empty lines count") << QByteArray("/a\n\n/b\n") << QStringList({"/a", "", "/b"});
    QTest::newRow("long line") << QByteArray(1500, 'p') + "\n/b\n"
                               << QStringList({QString(1000, 'p'), "/b"});
  }
  void pathLists() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, paths);
    WriteFile(Path("ov_path.ovi"), file.toStdString());
    std::vector<std::string> read;
    QVERIFY(ReadPathList(Path("ov_path.ovi"), &read));
    QStringList got;
    for (const std::string& p : read) got << QString::fromStdString(p);
    QCOMPARE(got, paths);
    QVERIFY(WritePathList(Path("copy.ovi"), read));
    std::string expected;
    for (const QString& p : paths) expected += p.toStdString() + "\n";
    QCOMPARE(ReadFile(Path("copy.ovi")), expected);
  }

  void sheetFieldsFollowTheirRules() {
    EditorSettings s;
    std::vector<std::string> paths{"/one", "/two", "/three"};
    ScriptedPrompter prompter;
    COV_dlg_voreinstell sheet(s, paths, prompter, {Path("p.ovi"), Path("g.ovi")}, nullptr);
    sheet.show();
    QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    QCOMPARE(sheet.windowTitle(), QString("Preferences"));
    QStringList tabs;
    for (int i = 0; i < sheet.tabs()->count(); ++i) tabs << sheet.tabs()->tabText(i);
    QCOMPARE(tabs, QStringList({"Pathes", "Editor", "JPEG", "Show"}));

    sheet.tabs()->setCurrentIndex(1);
    auto* step = sheet.findChild<QLineEdit*>("step");
    step->selectAll();
    QTest::keyClicks(step, "0");
    QCOMPARE(step->text(), QString("1"));
    QCOMPARE(int(s.reduced_step), 1);
    step->selectAll();
    QTest::keyClicks(step, "12");
    QCOMPARE(int(s.reduced_step), 12);
    auto* magnet = sheet.findChild<QComboBox*>("magnet");
    QCOMPARE(magnet->count(), 4);
    QCOMPARE(magnet->itemText(2), QString("Wurzel"));
    magnet->setFocus();
    QTest::keyClick(magnet, Qt::Key_Down);
    QCOMPARE(s.magnet_falloff, 2);
    // The colour chooser: Cancel keeps the colour, a choice is stored at once.
    prompter.colors = {std::nullopt, Rgb8{1, 2, 3}};
    auto* background = sheet.findChild<QPushButton*>("background");
    QTest::mouseClick(background, Qt::LeftButton);
    QCOMPARE(int(s.background[0]), 180);
    QTest::mouseClick(background, Qt::LeftButton);
    QCOMPARE(int(s.background[0]) * 10000 + s.background[1] * 100 + s.background[2], 10203);
    auto* axis = sheet.findChild<QCheckBox*>("axis");
    QTest::mouseClick(axis, Qt::LeftButton, {}, QPoint(6, axis->height() / 2));
    QCOMPARE(s.show_axis, 0);

    sheet.tabs()->setCurrentIndex(2);
    auto* quality = sheet.findChild<QLineEdit*>("quality");
    quality->selectAll();
    QTest::keyClicks(quality, "250");
    QCOMPARE(quality->text(), QString("100"));
    quality->selectAll();
    QTest::keyClicks(quality, "0");
    QCOMPARE(quality->text(), QString("0"));

    sheet.tabs()->setCurrentIndex(3);
    QTest::keyClicks(sheet.findChild<QLineEdit*>("browser"), "x");
    QCOMPARE(s.html_browser.back(), 'x');

    // The path list: moving beyond the ends changes nothing, "=" replaces, "-" removes.
    sheet.tabs()->setCurrentIndex(0);
    COV_dlg_voreinstell_pfade& page = sheet.pathsPage();
    auto* up = sheet.findChild<QToolButton*>("up");
    auto* down = sheet.findChild<QToolButton*>("down");
    page.list()->setCurrentRow(0);
    QCOMPARE(page.edit()->text(), QString("/one"));
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/one", "/two", "/three"}));
    page.list()->setCurrentRow(2);
    QTest::mouseClick(down, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/one", "/three", "/two"}));
    QCOMPARE(page.list()->currentRow(), 1);
    page.edit()->setText("/3");
    QTest::mouseClick(sheet.findChild<QPushButton*>("replace"), Qt::LeftButton);
    page.list()->setCurrentRow(0);
    QTest::mouseClick(sheet.findChild<QPushButton*>("remove"), Qt::LeftButton);
    page.edit()->setText("/four");
    QTest::mouseClick(sheet.findChild<QPushButton*>("add"), Qt::LeftButton);
    QCOMPARE(page.Entries(), (std::vector<std::string>{"/3", "/two", "/four"}));

    // Closing with No: the edits stay for this run, no file is written.
    prompter.answers = {Answer::kNo};
    sheet.close();
    QCOMPARE(prompter.Messages().back(),
             std::string("Question: Do you want save the preferences?"));
    QCOMPARE(paths, (std::vector<std::string>{"/3", "/two", "/four"}));
    QCOMPARE(s.jpeg_quality, 0);
    QVERIFY(!QFile::exists(QString::fromStdString(Path("p.ovi"))));
    QVERIFY(!QFile::exists(QString::fromStdString(Path("g.ovi"))));
    // Shown again it starts from the list in effect; closing with Yes writes both files.
    sheet.show();
    QCOMPARE(page.Entries(), paths);
    QVERIFY(page.edit()->text().isEmpty());
    prompter.answers = {Answer::kYes};
    sheet.close();
    QCOMPARE(ReadFile(Path("p.ovi")), std::string("/3\n/two\n/four\n"));
    QCOMPARE(ReadFile(Path("g.ovi")), SettingsText(s));
    QCOMPARE(prompter.unanswered, std::vector<std::string>());
  }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
