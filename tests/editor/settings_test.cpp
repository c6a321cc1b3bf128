// The stored settings and the "Preferences" sheet: missing and unwritable files, and the sheet's
// fields driven through its widgets.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "editor/editor_fixture.h"
#include "editor/preferences_sheet.h"
#include "editor/settings.h"

class SettingsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString File(const char* name) const { return dir_.filePath(name); }
  std::string Path(const char* name) const { return File(name).toStdString(); }

 private slots:
  void missingFilesChangeNothing() {
    EditorSettings s;
    s.jpeg_quality = 12;
    const EditorSettings before = s;
    QVERIFY(!ReadSettings(Path("none.ovi"), &s));
    QVERIFY(s == before);
    std::vector<std::string> paths{"kept"};
    QVERIFY(!ReadPathList(Path("none.ovi"), &paths));
    QCOMPARE(paths, std::vector<std::string>{"kept"});
    // A target that cannot be replaced (a folder) stays, and no temporary file is left.
    QVERIFY(QDir(dir_.path()).mkdir("folder"));
    QVERIFY(!WriteSettings(Path("folder"), s));
    QVERIFY(!WritePathList(Path("missing/ov_path.ovi"), paths));
    QCOMPARE(QDir(dir_.path()).entryList({"*.tmp*"}, QDir::Files), QStringList());
  }

  void sheetFieldsFollowTheirRules() {
    EditorSettings s;
    std::vector<std::string> paths{"/one", "/two", "/three"};
    ScriptedPrompter prompter;
    COV_dlg_voreinstell sheet(s, paths, prompter, {Path("p.ovi"), Path("g.ovi")}, nullptr);
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
    prompter.colors = {std::nullopt, Rgb8{1, 2, 3}};
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
    prompter.answers = {Answer::kNo};
    sheet.close();
    QCOMPARE(paths, (std::vector<std::string>{"/3", "/two", "/four"}));
    QCOMPARE(s.jpeg_quality, 0);
    QVERIFY(!QFile::exists(File("p.ovi")) && !QFile::exists(File("g.ovi")));
    // Shown again it starts from the list in effect; closing with Yes writes both files.
    sheet.show();
    QCOMPARE(page.Entries(), paths);
    prompter.answers = {Answer::kYes};
    sheet.close();
    QCOMPARE(ReadFile(File("p.ovi")), std::string("/3\n/two\n/four\n"));
    QCOMPARE(ReadFile(File("g.ovi")), SettingsText(s));
    QCOMPARE(prompter.unanswered, std::vector<std::string>());
  }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
