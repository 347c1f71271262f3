// The main window offscreen: load, the file browser, Import and drag and
// drop, the export controls, the option tabs, the waypoint table, the place
// of every control, unload, About.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QWindow>

#include "ui/aboutwindow.h"
#include "ui/listingpane.h"
#include "ui/waypointmodel.h"
#include "windowfixture.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Shown with a size, inside its window, and on top there: the window's
// control at its centre is the control itself or one of its own.
bool InPlace(const QWidget* w) {
    const QWidget* top = w->window()->childAt(w->mapTo(w->window(), w->rect().center()));
    return w->isVisible() && !w->size().isEmpty() && top != nullptr &&
           (top == w || w->isAncestorOf(top));
}

// The status line, the export frame's title and the count of rows shown.
constexpr const char* kCounts = "sbrPanel1.text|sbrPanel2.text|fraExport.title|lblShown.text";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A path answered is written; a cancelled, empty or wildcard answer
    // drops the export. The export menu selects the kind in the list and
    // runs it. A launcher writes its temporary file and says MapSource is
    // not found; the separator does nothing.
    void doItWithEachKind() {
        WindowFixture f;
        AddTestWaypoint(f.session.store, QStringLiteral("GC1"));
        f.session.lastImportBaseName = QStringLiteral("Trail Run");
        const QString mps = f.temp.filePath(QStringLiteral("Trail Run.mps"));
        for (const QString& answer :
             {QString(), QStringLiteral(""), f.temp.filePath(QStringLiteral("*.mps")), mps}) {
            QVERIFY(!QFileInfo::exists(mps));
            f.answers.dialogAnswers.push_back(answer);
            f.click("mnuFileExportAs0");
        }
        QVERIFY(QFileInfo(mps).size() > 0 && f.messages().isEmpty());
        QCOMPARE(f.stored("Generate Mode") + f.is("cmbGenerate", "currentIndex"), u"00");
        const FileDialogRequest& d = f.answers.dialogs.front();
        QCOMPARE(
            QStringList({d.title, d.fileName, d.defaultExtension, d.folder, d.filter}).join(u'|'),
            QStringLiteral("Save Mapsource File As...|Trail Run.mps|mps|%1|Mapsource Files "
                           "(*.mps)|*.mps|All Files (*.*)|*.*")
                .arg(f.window->fileBrowser()->folder()));
        f.click("mnuFileExportAs6");
        QCOMPARE(f.answers.messageTexts().join(u'|').left(24), u"MapSource was not found.");
        QCOMPARE(f.session.TemporaryFiles.size(), 1);
        f.set("cmbGenerate", "currentIndex", 4);
        QVERIFY(!f.find<QPushButton>("cmdGo")->isEnabled());
        f.click("cmdGo");
        QCOMPARE(f.answers.dialogs.size(), size_t(5));
        QVERIFY(f.processes.starts.empty() && f.session.store.WaypointCount() == 1);
        QCOMPARE(f.messages().size(), 1);
    }

    // A first start: the separator chosen, "Now" with the time of the start
    // and its box open, nothing stored. A choice in the list is stored, and
    // a stored one it cannot select shows the separator. Enter in the list
    // is "Do it!", where "Now" takes the moment of the export; other keys do
    // what the list does with them. About.
    void firstStartAndDoIt() {
        WindowFixture f;
        QCOMPARE(f.is("txtTimeSet", "text"), u"05/12/2026 01:02:03");
        QCOMPARE(f.session.options.ManualTime, 1796432536);
        QCOMPARE(f.settings.values.keys() + f.messages(), QStringList());
        f.now = f.now.addSecs(3600);
        f.set("cmbGenerate", "currentIndex", 0);
        f.key("cmbGenerate", Qt::Key_Return);
        QTRY_COMPARE(f.focus(), u"cmdGo");
        QCOMPARE(f.are("txtTimeSet.text|txtTimeSet.enabled") + f.messages().join(u'|'),
                 u"05/12/2026 02:02:03|falseWayfold/No waypoints to export");
        QCOMPARE(f.session.options.ManualTime, 1796436136);
        f.key("cmbGenerate", Qt::Key_Down);
        QCOMPARE(f.is("cmbGenerate", "currentIndex") + f.stored("Generate Mode") +
                     QString::number(f.messages().size()),
                 u"111");

        // The About window has a title bar, the version, and where the
        // documentation is; its Close button or a click closes it.
        for (const char* item : {"mnuHelpAbout", "mnuAbout"}) {
            f.click(item);
            QPointer<AboutWindow> about = f.window->findChild<AboutWindow*>();
            QVERIFY(about && !about->windowFlags().testFlag(Qt::FramelessWindowHint));
            QWidget* info = about->findChild<QLabel*>(QStringLiteral("lblInfo"));
            QVERIFY(info->property("text").toString().startsWith(u"Wayfold " WAYFOLD_VERSION "\n"));
            QWidget* close = about->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close);
            QTest::mouseClick(item[3] == 'H' ? close : info, Qt::LeftButton);
            QTRY_VERIFY(about.isNull());
        }
        f.settings.setValue(QStringLiteral("Generate Mode"), QStringLiteral("11"));
        f.open();
        QCOMPARE(f.is("cmbGenerate", "currentIndex"), u"4");
    }

    // The network location: cancelled, nothing changes; a folder chosen is
    // shown and stored; one that is gone is refused. A drive that cannot be
    // read is refused with the system's message; on Windows every drive
    // letter is listed in lower case, and choosing one shows its root. The
    // shell verb tick is read back at the next start (desktop entries; the
    // registry on Windows) and is no setting.
    void networkLocationAndShellVerbs() {
        WindowFixture f;
        const auto shown = [&f] {
            return f.window->fileBrowser()->folder() + u'|' + f.stored("LastPath");
        };
        f.click("cmdNetLocation");
        QCOMPARE(shown(), QCoreApplication::applicationDirPath() + u'|');
        f.answers.dialogAnswers = {f.temp.path(), f.temp.filePath(QStringLiteral("gone"))};
        f.click("mnuFileBrowse");
        const QString chosen = f.temp.path() + u'|' + QDir::toNativeSeparators(f.temp.path());
        QCOMPARE(shown(), chosen);
        f.click("cmdNetLocation");
        QCOMPARE(f.messages(), Split("Path Error/Network path not found"));
        QCOMPARE(shown(), chosen);
        auto* drives = f.find<QComboBox>("drvOpen");
        const int before = drives->currentIndex();
        const QString gone = f.temp.filePath(QStringLiteral("unplugged"));
        drives->addItem(gone, gone);
        drives->setCurrentIndex(drives->count() - 1);
        Q_EMIT drives->activated(drives->count() - 1);
#ifdef Q_OS_WIN
        const QString title = QDir::toNativeSeparators(gone).toUpper() + u'\\';
#else
        const QString title = gone + u'/';
#endif
        QCOMPARE(f.messages().back(), QStringLiteral("Error %1 with ").arg(ENOENT) + title + u'/' +
                                          QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(f.answers.messages.back().icon, MessageIcon::Exclamation);
        QCOMPARE(drives->currentIndex(), before);
        QCOMPARE(shown(), chosen);
#ifdef Q_OS_WIN
        QStringList letters;
        QStringList expected;
        for (int i = 0; i < drives->count() - 1; ++i) {
            letters.push_back(drives->itemText(i).left(2));
        }
        for (const QFileInfo& drive : QDir::drives()) {
            expected.push_back(drive.absoluteFilePath().left(2).toLower());
        }
        QCOMPARE(letters, expected);
        Q_EMIT drives->activated(letters.indexOf(QStringLiteral("c:")));
        QCOMPARE(QDir(f.window->fileBrowser()->folder()), QDir(QStringLiteral("C:/")));
#endif

        const QString entry =
            f.data.filePath(QStringLiteral("applications/wayfold-open-in-mapsource.desktop"));
        f.click("mnuOptionsContext");
#ifndef Q_OS_WIN
        QVERIFY(QFileInfo::exists(entry));
#endif
        QCOMPARE(f.settings.values.keys(), Split("LastPath"));
        QCOMPARE(f.open().findChild<QAction*>(QStringLiteral("mnuOptionsContext"))->isChecked(),
                 true);
        f.click("mnuOptionsContext");
        QVERIFY(f.is("mnuOptionsContext", "checked") == u"false" && !QFileInfo::exists(entry));
    }

    // Each option control shows a stored value without storing it again; a
    // change is stored at once and set as the option. The tracks box is no
    // setting. The category boxes are a 16-bit set whose 16th is the sign bit.
    void optionControls() {
        WindowFixture f(
            "PreserveIcons=0|CopyHint=1|IconNumber=99|DisplayMode=2|GdbVersion=1|"
            "Categories=-32767");
        f.click("chkKeepTracks");
        f.restore();
        QString shown = f.is("cboGdbFormat", "currentIndex");
        for (const char* c : {"chkIconPrv", "chkHintToDesc", "optWptIcon7", "optDispMode2"}) {
            shown += f.is(c, "checked").left(1);
        }
        for (int i = 0; i < 16; ++i) {
            shown += f.is(qPrintable(QStringLiteral("chkCats%1").arg(i)), "checked").left(1);
        }
        QCOMPARE(shown,
                 u"0fttt"
                 u"tffffffffffffff"
                 u"t");
        QCOMPARE(f.settings.values.keys(),
                 Split("Categories|CopyHint|DisplayMode|GdbVersion|IconNumber|"
                       "PreserveIcons"));
        const auto both = [&f](const char* name) {
            return f.stored(name) + u' ' +
                   QString::number(OptionValue(f.session.options, OptionBindingByKey(name)));
        };
        for (const char* c : {"chkIconPrv", "chkHintToDesc", "optWptIcon3", "optDispMode0"}) {
            f.click(c);
        }
        f.set("cboGdbFormat", "currentIndex", 1);
        QCOMPARE(QStringList({both("PreserveIcons"), both("CopyHint"), both("IconNumber"),
                              both("DisplayMode"), both("GdbVersion")}),
                 Split("1 1|0 0|118 118|1 1|3 3"));
        f.set("cboGdbFormat", "currentIndex", 0);
        QCOMPARE(both("GdbVersion"), u"1 1");
        f.click("chkCats0");
        QCOMPARE(both("Categories"), u"-32768 -32768");
        for (const char* box : {"chkCats15", "chkCats0", "chkCats3", "chkCats14"}) {
            f.click(box);
        }
        QCOMPARE(both("Categories"), u"16393 16393");
    }

    // Choosing "Manual" opens the box with the entry selected, "Now" takes
    // the time again; typing chooses "Manual" and edits at the cursor;
    // another window taking the focus checks nothing, leaving the box does.
    // A date that cannot be: No goes back to the entry, checked again when
    // left; Yes takes the current time, set when the box is left.
    void timeEntry() {
        WindowFixture f;
        f.click("optTimeSet0");
        QTRY_COMPARE(f.focus() + f.is("txtTimeSet", "selectedText"),
                     u"txtTimeSet05/12/2026 01:02:03");
        f.now = f.now.addDays(1);
        f.click("optTimeSet1");
        QCOMPARE(f.is("txtTimeSet", "text") + f.is("txtTimeSet", "enabled"),
                 u"06/12/2026 01:02:03false");
        QCOMPARE(f.session.options.ManualTime, 1796518936);
        f.set("txtTimeSet", "cursorPosition", 1);
        f.key("txtTimeSet", Qt::Key_Delete);
        QCOMPARE(f.is("optTimeSet0", "checked") + f.is("txtTimeSet", "text"),
                 u"true0/12/2026 01:02:03");
        f.set("txtTimeSet", "text", QStringLiteral("half past two"));
        f.leave("txtTimeSet", true);
        QCOMPARE(f.messages() + f.settings.values.keys(), QStringList());
        f.set("txtTimeSet", "text", QStringLiteral("01/01/1970 00:00:10"));
        f.leave("txtTimeSet");
        QCOMPARE(f.messages() + f.settings.values.keys() +
                     QStringList{QString::number(f.session.options.ManualTime)},
                 Split("23"));

        f.set("txtTimeSet", "text", QStringLiteral("01/13/2004 00:00:00"));
        f.now = f.now.addSecs(60);
        f.answers.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
        for (const char* shown : {"01/13/2004 00:00:00", "06/12/2026 01:03:03"}) {
            f.leave("txtTimeSet");
            QCOMPARE(f.is("txtTimeSet", "text"), QLatin1String(shown));
            QTRY_COMPARE(f.focus() + f.is("txtTimeSet", "selectedText"),
                         QStringLiteral("txtTimeSet") + QLatin1String(shown));
            QCOMPARE(f.session.options.ManualTime, 23);
        }
        QCOMPARE(f.messages(), Split("Date entry error/Invalid time entry!|"
                                     "Date entry error/Invalid time entry!"));
        f.leave("txtTimeSet");
        QVERIFY(f.messages().size() == 2 && f.session.options.ManualTime == 1796518996);
    }

    // The filter takes names, descriptions, types, sizes and D/T in any
    // case, and rows an import adds are filtered as they come.
    void filter() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        f.import(FixturePath(QStringLiteral("geocaching.loc")), Example("lakeside.gpx"));
        for (const auto& [text, shown] :
             {std::pair{"JOGPS", 5}, {"TRADITIONAL", 1}, {"zzz", 0}, {"gc2", 3}}) {
            f.set("txtFilter", "text", QString::fromLatin1(text));
            QTRY_COMPARE(f.is("lblShown", "text"), QStringLiteral("%1 of 14 shown").arg(shown));
        }
        f.import(FixturePath(QStringLiteral("mapsource.mps")));
        QTRY_COMPARE(f.is("lblShown", "text"), u"6 of 23 shown");
        f.click("cmdClear");
        f.import(Example("lakeside.gpx"), UiData("towers.gpx"));
        QString names;
        for (const char* text : {"micro", "2.5", "parking area"}) {
            f.set("txtFilter", "text", QString::fromLatin1(text));
            names += f.texts(0).join(u',') + u'/';
        }
        // The parking is no cache: its file gave it the type of a waypoint.
        QCOMPARE(names + f.texts(WaypointModel::Type).join(u','),
                 u"GC9WF03/GC9WF02/PK9WF01/Waypoint|Parking Area");
    }

    // Delete takes the selected rows out of the store, Ctrl+Z puts them back
    // until the next export, selected, and the export writes what is left.
    // The rows follow the view's order, not the store's, before and after
    // the export sorted the store; adjacent rows are one range.
    void removeUndoAndExport() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        QVERIFY(f.show());
        f.import(FixturePath(QStringLiteral("geocaching.loc")));
        f.view->sortByColumn(0, Qt::DescendingOrder);
        f.select({0, 1, 3});
        f.key("tblWaypoints", Qt::Key_Delete);
        QCOMPARE(f.are(kCounts),
                 u"Imported waypoints: 6|Last Import: 9|Export New File "
                 u"- 6 waypoints|6 of 6 shown");
        QCOMPARE(f.texts(0), Split("GC317A|GC2B71|GC2723|GC25A9|GC1C2B|GC1A37"));
        f.key("tblWaypoints", QKeySequence(Qt::CTRL | Qt::Key_Z));
        f.key("tblWaypoints", QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(f.texts(0),
                 Split("GCEBB|GC317D|GC317A|GC309F|GC2B71|GC2723|GC25A9|GC1C2B|GC1A37"));
        QStringList ranges;
        for (const QItemSelectionRange& r : f.view->selectionModel()->selection()) {
            ranges += QStringLiteral("%1-%2 %3").arg(r.top()).arg(r.bottom()).arg(r.width());
        }
        QCOMPARE(ranges, Split("0-1 13|3-3 13"));
        f.select({1, 3, 4});
        f.key("tblWaypoints", Qt::Key_Delete);
        f.exportTo(2, "left.loc");
        const QStringList left = Split("GCEBB|GC317A|GC2723|GC25A9|GC1C2B|GC1A37");
        QCOMPARE(f.texts(0), left);
        f.key("tblWaypoints", QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(f.texts(0), left);
        f.click("cmdClear");
        QCOMPARE(f.are(kCounts),
                 u"Imported waypoints: 0||Export New File - 0 waypoints|0 of 0 shown");
        f.view->sortByColumn(0, Qt::AscendingOrder);
        f.import(f.temp.filePath(QStringLiteral("left.loc")));
        QCOMPARE(f.texts(0), QStringList(left.rbegin(), left.rend()));
    }

    // With names and descriptions swapped the MapSource exports write the
    // descriptions as names: two equal ones make one of them skipped. A
    // double click opens the row's link; coordinates the import reset are
    // marked with what was read.
    void swapLinksAndFixedCoordinates() {
        WindowFixture f;
        QVERIFY(f.show());
        f.import(UiData("towers.gpx"));
        f.set("TabStrip1", "currentIndex", 1);
        f.click("chkSwapNameDesc");
        QCOMPARE(f.texts(0, Qt::ToolTipRole),
                 Split("|Skipped at export: same name as Old tower in towers.gpx (MPS and GDB "
                       "files)"));
        f.click("cmdClear");
        f.import(UiData("far.gpx"));
        QCOMPARE(f.texts(0) + f.texts(0, Qt::DecorationRole) + f.texts(0, Qt::ToolTipRole),
                 Split("FIXED-GC1|GC2|QIcon||Out-of-range coordinates were reset to 0 (read as "
                       "95.5, -200)|"));
        for (const int row : {0, 1}) {
            const QPoint at = f.view->visualRect(f.view->model()->index(row, 0)).center();
            QTest::mouseClick(f.view->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(f.view->viewport(), Qt::LeftButton, {}, at);
        }
        QCOMPARE(f.links, Split("https://example.org/gc1"));
    }

    // The same caches from two files, and one name again in other letter
    // case: the MapSource exports write one of each name regardless of case,
    // the LOC exports one of each exact name, exactly what the table did not
    // mark for them. Working it out moved nothing.
    void marksWhatTheExportsSkip() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        f.import(FixturePath(QStringLiteral("geocaching.loc")),
                 FixturePath(QStringLiteral("mapsource.mps")), UiData("gc1a37.gpx"));
        const QStringList first =
            Split("GCEBB|GC1A37|GC1C2B|GC25A9|GC2723|GC2B71|GC309F|GC317A|GC317D");
        QStringList tips(9);
        for (int i = 1; i <= 10; ++i) {
            tips.push_back(QStringLiteral("Skipped at export: same name as %1 in geocaching.loc")
                               .arg(first[i % 9]));
        }
        tips.back() = tips[9] + QStringLiteral(" (MPS and GDB files)");
        QCOMPARE(f.texts(0), first + first.mid(1) + Split("GCEBB|gc1a37"));
        QCOMPARE(f.texts(0, Qt::ToolTipRole), tips);
        QCOMPARE(f.texts(WaypointModel::Symbol).front(), u"\u2014");
        f.exportTo(0, "out.mps");
        f.exportTo(2, "out.loc");
        QStringList sorted = first;
        sorted.move(0, 8);
        for (const char* file : {"out.mps", "out.loc"}) {
            f.click("cmdClear");
            f.import(f.temp.filePath(QString::fromLatin1(file)));
            QCOMPARE(f.texts(0), sorted);
            sorted.insert(1, QStringLiteral("gc1a37"));
        }
    }

    // Rows of equal keys keep the store's order, also where an import adds
    // rows to a sorted table (no LOC waypoint has a time).
    void equalKeysKeepTheStoreOrder() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        f.import(Example("hilltop.loc"));
        f.view->sortByColumn(WaypointModel::Time, Qt::DescendingOrder);
        f.import(FixturePath(QStringLiteral("geocaching.loc")));
        const QStringList order = Split(
            "GC9WF11|GC9WF12|GC9WF13|GC9WF01|GCEBB|GC1A37|GC1C2B|"
            "GC25A9|GC2723|GC2B71|GC309F|GC317A|GC317D");
        QCOMPARE(f.texts(0), order);
    }

    // The file list shows the importable files by name and follows the
    // folder; a double click or Enter imports. Drops: text is refused, a
    // folder with a message, a file read.
    void fileListAndDrops() {
        WindowFixture f;
        QVERIFY(f.show());
        for (const char* name : {"c.gpx", "B.LOC", "a.mps", "d.gdb", "notes.txt", "e.gpx.bak"}) {
            QVERIFY(MakeFile(f.temp.filePath(QString::fromLatin1(name))));
        }
        const QString zip = f.temp.filePath(QStringLiteral("f.zip"));
        QVERIFY(MakeZip(zip, {{QStringLiteral("4711.gpx"),
                               "<gpx><wpt lat=\"1\" lon=\"2\"><name>GC1</name></wpt></gpx>"}}));
        QVERIFY(QDir(f.temp.path()).mkdir(QStringLiteral("folder.gpx")));
#ifdef Q_OS_WIN
        // Hidden and system files are not listed.
        for (const char* name : {"g.loc", "h.gpx"}) {
            const QString path = QDir::toNativeSeparators(f.temp.filePath(QLatin1String(name)));
            const DWORD attribute = name[0] == 'g' ? FILE_ATTRIBUTE_HIDDEN : FILE_ATTRIBUTE_SYSTEM;
            QVERIFY(MakeFile(path) &&
                    SetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()), attribute));
        }
#endif
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        const auto listed = [list] {
            QString texts;
            for (const QListWidgetItem* item :
                 list->findItems(QStringLiteral("*"), Qt::MatchWildcard)) {
                texts += item->text() + (item->isSelected() ? u'*' : u',');
            }
            return texts;
        };
        QCOMPARE(listed(), u"a.mps,B.LOC,c.gpx,d.gdb,f.zip,");
        list->item(2)->setSelected(true);
        Q_EMIT list->itemDoubleClicked(list->item(2));
        QCOMPARE(f.session.lastImportBaseName, u"c");
        // F5 lists a new file at once, keeping the selection; Enter imports
        // the selection.
        QVERIFY(MakeFile(f.temp.filePath(QStringLiteral("b.gpx"))));
        QTest::keyClick(list, Qt::Key_F5);
        QCOMPARE(listed(), u"a.mps,b.gpx,B.LOC,c.gpx*d.gdb,f.zip,");
        list->setCurrentRow(1, QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.session.lastImportBaseName, u"b");
        f.answers.messages.clear();

        QMimeData text;
        text.setText(QStringLiteral("some words from a word processor"));
        QVERIFY(!f.drop(f.find("cmbGenerate"), text) && f.drop(f.find("dirOpen"), text));
        QTRY_COMPARE(f.answers.messageTexts(), Split("Can't import that object type"));
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(f.temp.filePath(QStringLiteral("folder.gpx"))),
                       QUrl::fromLocalFile(f.temp.filePath(QStringLiteral("d.gdb"))),
                       QUrl::fromLocalFile(zip)});
        QVERIFY(f.drop(f.find("lblIntro"), files));
        QTRY_COMPARE(f.session.lastImportBaseName, u"f");
        // A record from an archive names the archive and its entry.
        QCOMPARE(f.texts(WaypointModel::File), Split("f.zip/4711.gpx"));
        // The folder is refused once; the empty file then has its reader's message.
        QCOMPARE(f.messages().size(), 3);
        QCOMPARE(f.messages()[1], u"Wayfold/Cannot import entire directories.");
        QCOMPARE(f.answers.messages[1].icon, MessageIcon::Information);
    }

    // A window closed normal, maximised or minimised stores the place it
    // returns to, frame included, so it does not walk at each start, and the
    // folder shown; leftover temporary files go. No stored place, or one out
    // of sight, and a stored folder that is gone, give what a first run shows
    // (480 twips from the left and the top) without a message.
    void placeAndFolderAtExitAndStart() {
        for (const Qt::WindowState state :
             {Qt::WindowNoState, Qt::WindowMaximized, Qt::WindowMinimized}) {
            WindowFixture f;
            MainWindow& w = *f.window;
            QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
            QVERIFY(f.show());
            w.move(100, 50);
            w.setWindowState(state);
            QTRY_COMPARE(w.windowHandle()->windowStates(), Qt::WindowStates(state));
            const QString leftover = f.temp.filePath(QStringLiteral("MPS1234.tmp"));
            QVERIFY(MakeFile(leftover, "x"));
            f.session.TemporaryFiles = {QString(), leftover, leftover + u'2'};
            f.click("cmdExit");
            QVERIFY(!w.isVisible() && w.exitStatus() == 0 && !QFileInfo::exists(leftover));
            // Stored in twips, as " 1500" for 100 pixels at 96 dots an inch.
            QCOMPARE(f.stored("Left") + f.stored("Top"),
                     QStringLiteral(" %1 %2")
                         .arg(std::lround(100 * 1440 / w.screen()->logicalDotsPerInchX()))
                         .arg(std::lround(50 * 1440 / w.screen()->logicalDotsPerInchY())));
            QCOMPARE(f.stored("ImportDir"), QDir::toNativeSeparators(f.temp.path()));
            QCOMPARE(f.open().pos(), QPoint(100, 50));
            f.window->showImportDir();
            QCOMPARE(f.window->fileBrowser()->folder(), f.temp.path());
        }
        WindowFixture f("ImportDir=/gone/for/good");
        const QScreen* screen = f.window->screen();
        const QPoint first(std::lround(480 * screen->logicalDotsPerInchX() / 1440),
                           std::lround(480 * screen->logicalDotsPerInchY() / 1440));
        QCOMPARE(f.window->pos(), first);
        // The last is the title bar above the screen.
        for (const auto& [left, top] :
             {std::pair{" 9000000", " 480"}, {"1e300", "0"}, {"480", "-300"}}) {
            f.settings.setValue(QStringLiteral("Left"), QLatin1String(left));
            f.settings.setValue(QStringLiteral("Top"), QLatin1String(top));
            QVERIFY2(f.open().pos() == first, left);
        }
        f.window->showImportDir();
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(f.answers.messages.empty());
    }

    // The current row's listing beside the table: its HTML shown as HTML but
    // loading nothing it names, the hint decoded on a click, logs, and the
    // cache's own waypoints. A file's row; a child waypoint shows its cache
    // while that is in the list; a device's visits mark the caches found, with the day. The texts
    // read from the listings stay with their records when an export sorts
    // the store; the parking goes right after its cache.
    void listingsAndTheirRows() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        QVERIFY(f.show());
        ListingBrowser* pane = f.window->listingPane()->browser();
        f.import(FixturePath(QStringLiteral("GCGCA8.gpx")), Example("lakeside.gpx"));
        f.view->setCurrentIndex(f.view->model()->index(0, 0));
        QString text = pane->toPlainText();
        for (const char* shown : {"Oozy rat in a sanitary zoo", "Archived", "D/T: 3/2",
                                  "no Wheelchair accessible", "Didn't find it by Abiectio"}) {
            QVERIFY2(text.contains(QLatin1String(shown)), shown);
        }
        QVERIFY(!text.contains(u"<li>") && pane->toHtml().contains(u"mtgc_member-banner.gif"));
        QVERIFY(
            pane->loadResource(QTextDocument::ImageResource,
                               QUrl(QStringLiteral("http://www.mtgc.org/mtgc_member-banner.gif")))
                .isNull());
        f.view->setCurrentIndex(f.view->model()->index(1, 0));
        text = pane->toPlainText();
        QVERIFY(text.contains(u"Under the third plank") && text.contains(u"PK9WF01") &&
                pane->toHtml().contains(u"href=\"#hint\""));
        Q_EMIT pane->anchorClicked(QUrl(QStringLiteral("#hint")));
        text = pane->toPlainText();
        QVERIFY(text.contains(u"Haqre gur guveq cynax") && !text.contains(u"Under the third"));

        QStringList row;
        for (int c = 0; c < WaypointModel::Columns; ++c) {
            row.push_back(f.view->model()->index(0, c).data().toString());
        }
        QCOMPARE(row.join(u'|'),
                 u"GCGCA8|Oozy rat in a sanitary zoo by robertlipe, Unknown Cache "
                 u"(3/2)|Unknown Cache|3/2|Not chosen|Archived|Geocache|35.921667|"
                 u"-86.861667|2003-06-29 00:00:00|https://www.geocaching.com/"
                 u"geocache/GCGCA8|GCGCA8.gpx|");
        const QString visits = f.temp.filePath(QStringLiteral("geocache_visits.txt"));
        const QString lines = QStringLiteral(
            "GC9WF02,2026-12-05T10:22Z,Found it,\"TFTC\"\r\n"
            "GC9WF03,2026-12-05T11:00Z,Didn't find it,\"no luck\"\r\n");
        QVERIFY(MakeFile(visits, QByteArray("\xff\xfe") +
                                     QByteArray(reinterpret_cast<const char*>(lines.utf16()),
                                                lines.size() * 2)));
        f.import(visits);
        f.exportTo(7, "all.gpx");
        QCOMPARE(f.texts(0), Split("GC9WF01|PK9WF01|GC9WF02|GC9WF03|GC9WF04|GCGCA8"));
        QCOMPARE(f.texts(WaypointModel::Rating) + f.texts(WaypointModel::Size) +
                     f.texts(WaypointModel::Status) + f.texts(WaypointModel::Cache),
                 Split("1.5/2||3/2.5|4/1|1/1|3/2|Small||Regular|Micro|Virtual|Not chosen|||Found "
                       "2026-12-05|||Archived||GC9WF01||||"));
        f.select({0});
        f.key("tblWaypoints", Qt::Key_Delete);
        QCOMPARE(f.texts(WaypointModel::Cache), Split("||||"));
    }

    // The smallest window with its frame fits a 1600 x 1000 screen at twice
    // the scale (800 x 500), and a first start opens inside the screen. Every
    // control is in its place in a window of the first-run size: it shows,
    // and no other control covers it; Tab reaches those that take the focus
    // in the order of the layout and comes back to the first. Each option
    // control shows on its page. The divider moves the controls up to a few
    // lines, which then scroll.
    void everyControlInPlaceAndInTabOrder() {
        WindowFixture f;
        const QSize least = f.window->minimumSizeHint().expandedTo(f.window->minimumSize());
        QVERIFY(least.width() + 16 <= 800 && least.height() + 48 <= 500);
        QVERIFY(f.show());
        QVERIFY(f.window->screen()->availableGeometry().contains(f.window->frameGeometry()));
        f.window->resize(MainWindow::firstRunSize());
        const QStringList tabOrder = Split(
            "drvOpen|dirOpen|cmdNetLocation|filOpen|cmdAdd|cmdClear|cmdExit|cmbGenerate|"
            "cmdGo|TabStrip1|txtFilter|tblWaypoints|mapPane|txtListing");
        const QStringList names =
            tabOrder + Split("fraFile|fraExport|lblExport|lblOptions|imgLogo|lblIntro|sbrMain");
        for (const QString& name : names) {
            QVERIFY2(InPlace(f.find(qPrintable(name))), qPrintable(name));
        }
        // Tab follows the focus chain; the controls come in it in this order.
        QStringList stops;
        for (QWidget* w = f.find("drvOpen"); stops.size() < tabOrder.size();
             w = w->nextInFocusChain()) {
            if (tabOrder.contains(w->objectName()) && !stops.contains(w->objectName())) {
                stops.push_back(w->objectName());
            }
        }
        QCOMPARE(stops, tabOrder);
        auto* tabs = f.find<QTabWidget>("TabStrip1");
        QStringList options;
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            const QRegularExpression option(QStringLiteral("^(chk|opt|cbo|txt|fra)."));
            for (const QWidget* w : tabs->widget(page)->findChildren<QWidget*>(option)) {
                QVERIFY2(InPlace(w), qPrintable(w->objectName()));
                options += w->objectName();
            }
        }
        QVERIFY(options.contains(QStringLiteral("chkCats15")) && options.size() >= 40);
        auto* divider = f.find<QSplitter>("splMain");
        divider->setSizes({0, divider->height()});
        QVERIFY(divider->sizes().front() < 100);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
