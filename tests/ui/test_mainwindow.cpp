// The main window offscreen: load, the file browser, Import and drag and
// drop, the export dispatcher's controls, unload, About.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTreeView>
#include <QWindow>

#include "ui/aboutwindow.h"
#include "ui/filebrowser.h"
#include "windowfixture.h"

namespace {

// Where a first run puts the window: 480 twips from the left and the top.
QPoint FirstRunPlace(const QWidget& window) {
    const QScreen* screen = window.screen();
    return {static_cast<int>(std::nearbyint(480 * screen->logicalDotsPerInchX() / 1440)),
            static_cast<int>(std::nearbyint(480 * screen->logicalDotsPerInchY() / 1440))};
}

// The controls that Tab takes the focus to in the shown window, starting at
// first, until it comes back to first (at most 300).
QList<QWidget*> TabWalk(QWidget* first) {
    first->window()->activateWindow();
    if (!QTest::qWaitForWindowActive(first->window())) {
        return {};
    }
    first->setFocus(Qt::TabFocusReason);
    QList<QWidget*> reached;
    for (QWidget* at = first; at != nullptr && reached.size() < 300;) {
        reached.push_back(at);
        QTest::keyClick(at, Qt::Key_Tab);
        at = QApplication::focusWidget();
        if (at == first) {
            break;
        }
    }
    return reached;
}

// The name of the nearest of names among the widget and its ancestors; the
// widget's own name or class when none is.
QString NamedAs(const QWidget* widget, const QStringList& names) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (names.contains(w->objectName())) {
            return w->objectName();
        }
    }
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
}

// What a control shows as its caption: a button's or label's text, a frame's title.
QString Caption(const QWidget* w) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        return button->text();
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(w)) {
        return frame->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        return label->text();
    }
    return QString();
}

// Shown with a size, inside its window, and on top there: the window's
// control at its centre is the control itself or one of its own.
bool InPlace(const QWidget* w) {
    const QWidget* window = w->window();
    const QWidget* top = window->childAt(w->mapTo(window, w->rect().center()));
    return w->isVisible() && !w->size().isEmpty() && top != nullptr &&
           (top == w || w->isAncestorOf(top));
}

QStringList ListedFiles(const QListWidget* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        names.push_back(list->item(row)->text());
    }
    return names;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadOnAnEmptyStore() {
        WindowFixture f;
        MainWindow& w = *f.window;
        QCOMPARE(w.pos(), FirstRunPlace(w));
        auto* generate = f.find<QComboBox>("cmbGenerate");
        QCOMPARE(generate->count(), 8);
        QCOMPARE(generate->currentText(), QStringLiteral("-----------------------"));
        QCOMPARE(generate->itemText(2), QStringLiteral("Make Geocaching.com LOC File"));
        QCOMPARE(generate->itemText(7), QStringLiteral("Make GPX File (Garmin devices, BaseCamp)"));
        QCOMPARE(f.status(), QStringLiteral("Imported waypoints: 0||Export New File - 0 "
                                            "waypoints|Clear Imports"));
        QVERIFY(f.find<QProgressBar>("sbrProgress")->isHidden());
        // The file browser starts at the program's own folder.
        QCOMPARE(w.fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        // The waypoint time is the time of the start, and can be typed over.
        QCOMPARE(f.find<QLineEdit>("txtTimeSet")->text(), QStringLiteral("05/12/2026 01:02:03"));
        QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
        QVERIFY(f.find<QRadioButton>("optTimeSet1")->isChecked());
        QVERIFY(f.find<QLineEdit>("txtTimeSet")->isEnabled());
        // The third panel shows the time of day.
        QCOMPARE(f.find<QLabel>("sbrPanel3")->text(),
                 QLocale().toString(f.now.toLocalTime().time(), QLocale::ShortFormat));
        QVERIFY(!f.find<QAction>("mnuOptionsContext")->isChecked());
        // Loading stores nothing.
        QVERIFY2(f.settings.values.isEmpty(),
                 qPrintable(QStringList(f.settings.values.keys()).join(u',')));
        QVERIFY(f.answers.messages.empty());
    }

    void generateMode_data() {
        // A null "stored" is no value at all.
        AddColumns<QString, int>("stored", "index");
        AddRow("absent", QString(), 4);
        AddRow("6", "6", 6);
        AddRow("none selected", "-1", -1);
        AddRow("7", "7", 7);
        AddRow("8", "8", 4);
        AddRow("-2", "-2", 4);
        AddRow("text", "gdb", 0);
        AddRow("huge", "1e300", 4);
    }
    void generateMode() {
        QFETCH(QString, stored);
        WindowFixture f({{"Generate Mode", stored}});
        auto* generate = f.find<QComboBox>("cmbGenerate");
        QTEST(generate->currentIndex(), "index");
        generate->setCurrentIndex(3);
        QCOMPARE(f.settings.values.value(QStringLiteral("Generate Mode")), QStringLiteral("3"));
    }

    void doItWithEachKind_data() {
        // An empty title: no save dialog.
        AddColumns<int, QString, QString, QString>("index", "title", "filter", "fileName");
        const char* mps = "Mapsource Files (*.mps)|*.mps|All Files (*.*)|*.*";
        const char* loc = "LOC Files (*.loc)|*.loc|All Files (*.*)|*.*";
        AddRow("mps", 0, "Save Mapsource File As...", mps, "Trail Run.mps");
        AddRow("gdb", 1, "Save Garmin Database File As...",
               "Garmin Database Files (*.gdb)|*.gdb|All Files (*.*)|*.*", "Trail Run.gdb");
        AddRow("loc", 2, "Save .LOC File As...", loc, "Trail Run.loc");
        AddRow("terrabyte", 3, "Save .LOC File As...", loc, "Trail Run.loc");
        // Before the first import the proposed name is just the extension.
        AddRow("no import yet", 0, "Save Mapsource File As...", mps, ".mps");
        AddRow("separator", 4, "", "", "");
        AddRow("open mps", 5, "", "", "");
        AddRow("open gdb", 6, "", "", "");
        AddRow("gpx", 7, "Save GPX File As...", "GPX Files (*.gpx)|*.gpx|All Files (*.*)|*.*",
               "Trail Run.gpx");
    }
    void doItWithEachKind() {
        QFETCH(int, index);
        QFETCH(QString, fileName);
        // A path is written to; a cancelled, empty or wildcard answer drops the export.
        for (int answer = 0; answer < 4; ++answer) {
            WindowFixture f;
            f.addWaypoint(QStringLiteral("GC1"));
            f.session.lastImportBaseName = fileName.left(fileName.lastIndexOf(u'.'));
            f.find<QComboBox>("cmbGenerate")->setCurrentIndex(index);
            const QString path = f.temp.filePath(fileName);
            const QString answers[] = {path, QString(), QStringLiteral(""),
                                       f.temp.filePath(QStringLiteral("*.mps"))};
            if (!fileName.isEmpty()) {
                f.answers.dialogAnswers.push_back(answers[answer]);
            }
            f.click("cmdGo");
            QVERIFY2(f.answers.messages.empty(), qPrintable(f.answers.messageTexts().join(u'|')));
            QVERIFY(f.processes.starts.empty());
            QCOMPARE(f.session.store.WaypointCount(), 1);
            if (fileName.isEmpty()) {
                // The launchers write their temporary file; only the MPS one
                // asks where MapSource is (nobody answers here).
                QCOMPARE(f.answers.dialogs.size(), size_t(index == 5 ? 1 : 0));
                QCOMPARE(f.session.TemporaryFiles.size(), index == 4 ? 0 : 1);
                break;
            }
            QCOMPARE(f.answers.dialogs.size(), size_t(1));
            const FileDialogRequest& d = f.answers.dialogs.front();
            QTEST(d.title, "title");
            QTEST(d.filter, "filter");
            QCOMPARE(d.fileName, fileName);
            QCOMPARE(d.defaultExtension, fileName.right(3));
            QCOMPARE(d.folder, f.window->fileBrowser()->folder());
            QCOMPARE(QFileInfo(path).size() > 0, answer == 0);
        }
    }

    void exportMenuSelectsAndRuns_data() {
        AddColumns<int, QString>("index", "fileName");
        AddRow("gdb", 1, "x.gdb");
        AddRow("gpx, last", 7, "x.gpx");
    }
    void exportMenuSelectsAndRuns() {
        QFETCH(int, index);
        WindowFixture f;
        f.addWaypoint(QStringLiteral("GC1"));
        f.session.lastImportBaseName = QStringLiteral("x");
        f.find<QAction>(qPrintable(QStringLiteral("mnuFileExportAs%1").arg(index)))->trigger();
        QCOMPARE(f.find<QComboBox>("cmbGenerate")->currentIndex(), index);
        QCOMPARE(f.settings.values.value(QStringLiteral("Generate Mode")), QString::number(index));
        QCOMPARE(f.answers.dialogs.size(), size_t(1));
        QTEST(f.answers.dialogs.front().fileName, "fileName");
    }

    // Enter in the Generate list is "Do it!"; "Now" takes the moment of the
    // export, even of one refused for an empty store; a manual time stays.
    void doItByEnterAndTheWaypointTime() {
        WindowFixture f;
        auto* generate = f.find<QComboBox>("cmbGenerate");
        auto* box = f.find<QLineEdit>("txtTimeSet");
        f.now = f.now.addSecs(3600);
        QTest::keyClick(generate, Qt::Key_Return);
        QCOMPARE(f.answers.messageTexts(), QStringList{QStringLiteral("No waypoints to export")});
        QCOMPARE(f.window->focusWidget(), f.find<QPushButton>("cmdGo"));
        QCOMPARE(box->text(), QStringLiteral("05/12/2026 02:02:03"));
        QVERIFY(!box->isEnabled());
        QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
        // Other keys do what the list does with them.
        generate->setFocus();
        QTest::keyClick(generate, Qt::Key_Down);
        QCOMPARE(generate->currentIndex(), 5);
        QCOMPARE(f.answers.messages.size(), size_t(1));

        f.find<QRadioButton>("optTimeSet0")->click();
        box->setText(QStringLiteral("01/01/2004 00:00:00"));
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &out);
        f.now = f.now.addSecs(3600);
        f.click("cmdGo");
        QCOMPARE(box->text(), QStringLiteral("01/01/2004 00:00:00"));
        QCOMPARE(f.session.options.ManualTime, qint64(1072915200 + 13));
    }

    void fileListShowsImportableFilesByName() {
        WindowFixture f;
        for (const char* name : {"c.gpx", "B.LOC", "a.mps", "d.gdb", "notes.txt", "e.gpx.bak"}) {
            QVERIFY(MakeFile(f.temp.filePath(QString::fromLatin1(name))));
        }
        QVERIFY(QDir(f.temp.path()).mkdir(QStringLiteral("folder.gpx")));
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        QCOMPARE(ListedFiles(list).join(u','), QStringLiteral("a.mps,B.LOC,c.gpx,d.gdb"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        // A double click imports.
        list->item(2)->setSelected(true);
        Q_EMIT list->itemDoubleClicked(list->item(2));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("c"));
    }

    void drops() {
        WindowFixture f;
        QVERIFY(f.show());
        QMimeData text;
        text.setText(QStringLiteral("some words from a word processor"));
        QVERIFY(!f.drop(f.find<QComboBox>("cmbGenerate"), text));
        QVERIFY(f.drop(f.find<QTreeView>("dirOpen"), text));
        QTRY_COMPARE(f.answers.messageTexts(),
                     QStringList{QStringLiteral("Can't import that object type")});

        const QString folder = f.temp.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = f.temp.filePath(QStringLiteral("dropped.gpx"));
        QVERIFY(MakeFile(file));
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(folder), QUrl::fromLocalFile(file)});
        QVERIFY(f.drop(f.find<QLabel>("lblIntro"), files));
        QTRY_COMPARE(f.session.lastImportBaseName, QStringLiteral("dropped"));
        // The folder is refused once; the empty file then has its reader's message.
        QCOMPARE(f.answers.messages.size(), size_t(3));
        const UserMessage& refused = f.answers.messages[1];
        QCOMPARE(refused.text,
                 QStringLiteral("Cannot import entire directories.\r\nPlease browse inside the "
                                "directory and drag'n'drop the files you wish to import."));
        QCOMPARE(refused.icon, MessageIcon::Information);
    }

    // A window closed maximised or minimised stores the place it returns to,
    // frame included as for a normal close, so it does not walk at each start.
    void exitStoresPlaceAndFolder_data() {
        AddColumns<Qt::WindowState>("state");
        AddRow("normal", Qt::WindowNoState);
        AddRow("maximised", Qt::WindowMaximized);
        AddRow("minimised", Qt::WindowMinimized);
    }
    void exitStoresPlaceAndFolder() {
        QFETCH(Qt::WindowState, state);
        WindowFixture f;
        MainWindow& w = *f.window;
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        QVERIFY(f.show());
        w.move(100, 50);
        // Only a window with a frame can walk by it.
        QVERIFY(w.frameGeometry() != w.geometry());
        w.setWindowState(state);
        QTRY_COMPARE(w.windowHandle()->windowStates(), Qt::WindowStates(state));
        const QString leftover = f.temp.filePath(QStringLiteral("MPS1234.tmp"));
        QVERIFY(MakeFile(leftover, "x"));
        f.session.TemporaryFiles = {QString(), leftover,
                                    f.temp.filePath(QStringLiteral("gone.tmp"))};
        f.click("cmdExit");
        QVERIFY(!w.isVisible());
        const QScreen* screen = w.screen();
        const auto twips = [](int pixels, double dpi) {
            return QStringLiteral(" ") + QString::number(std::lround(pixels * 1440 / dpi));
        };
        QCOMPARE(f.settings.values.value(QStringLiteral("Left")),
                 twips(100, screen->logicalDotsPerInchX()));
        QCOMPARE(f.settings.values.value(QStringLiteral("Top")),
                 twips(50, screen->logicalDotsPerInchY()));
        QCOMPARE(f.settings.values.value(QStringLiteral("ImportDir")), f.temp.path());
        QVERIFY(!QFileInfo::exists(leftover));

        // The next start opens where this one ended.
        WindowFixture again;
        again.settings.values = f.settings.values;
        MainWindow& next = again.open();
        QCOMPARE(next.pos(), QPoint(100, 50));
        next.showImportDir();
        QCOMPARE(next.fileBrowser()->folder(), f.temp.path());
    }

    void placeOutOfSightGivesTheFirstRunPlace_data() {
        AddColumns<QString, QString>("left", "top");
        AddRow("far right", " 9000000", " 480");
        AddRow("minimised", "-48000", "-48000");
        AddRow("huge", "1e300", "0");
    }
    void placeOutOfSightGivesTheFirstRunPlace() {
        QFETCH(QString, left);
        QFETCH(QString, top);
        WindowFixture f({{"Left", left}, {"Top", top}});
        QCOMPARE(f.window->pos(), FirstRunPlace(*f.window));
    }

    // A first start showing the home folder is checked by running the program.
    void goneImportDir() {
        WindowFixture f({{"ImportDir", QStringLiteral("/gone/for/good")}});
        f.window->showImportDir();
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(f.answers.messages.empty());
    }

    void unreachableDriveGoesBack() {
        WindowFixture f;
        auto* drives = f.find<QComboBox>("drvOpen");
        const int before = drives->currentIndex();
        const QString gone = f.temp.filePath(QStringLiteral("unplugged"));
        drives->addItem(gone, gone);
        drives->setCurrentIndex(drives->count() - 1);
        Q_EMIT drives->activated(drives->count() - 1);
        QCOMPARE(f.answers.messages.size(), size_t(1));
        const UserMessage& m = f.answers.messages.front();
        QCOMPARE(m.title, QStringLiteral("Error %1 with %2/").arg(QString::number(ENOENT), gone));
        QCOMPARE(m.text, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(m.icon, MessageIcon::Exclamation);
        QCOMPARE(drives->currentIndex(), before);
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
    }

    void networkLocationBrowser() {
        WindowFixture f;
        // Cancelled: nothing changes and nothing is stored.
        f.click("cmdNetLocation");
        QCOMPARE(f.answers.folderPrompts,
                 QStringList{QStringLiteral("Please select a location to display")});
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(!f.settings.values.contains(QStringLiteral("LastPath")));

        f.answers.dialogAnswers.push_back(f.temp.path());
        f.find<QAction>("mnuFileBrowse")->trigger();
        QCOMPARE(f.window->fileBrowser()->folder(), f.temp.path());
        QCOMPARE(f.settings.values.value(QStringLiteral("LastPath")), f.temp.path());

        f.answers.dialogAnswers.push_back(f.temp.filePath(QStringLiteral("gone")));
        f.click("cmdNetLocation");
        QCOMPARE(f.answers.messages.size(), size_t(1));
        QCOMPARE(f.answers.messages.front().title, QStringLiteral("Path Error"));
        QCOMPARE(f.answers.messages.front().text, QStringLiteral("Network path not found"));
        QCOMPARE(f.window->fileBrowser()->folder(), f.temp.path());
        QCOMPARE(f.settings.values.value(QStringLiteral("LastPath")), f.temp.path());
    }

    void aboutWindow_data() {
        AddColumns<QString, bool>("item", "byKey");
        AddRow("help menu, key", "mnuHelpAbout", true);
        AddRow("menu bar, click", "mnuAbout", false);
    }
    void aboutWindow() {
        QFETCH(QString, item);
        QFETCH(bool, byKey);
        WindowFixture f;
        f.window->findChild<QAction*>(item)->trigger();
        QPointer<AboutWindow> about = f.window->findChild<AboutWindow*>();
        QVERIFY(about && about->isVisible() && about->isModal());
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
                 ProductVersionText(WAYFOLD_VERSION_MAJOR, WAYFOLD_VERSION_MINOR,
                                    WAYFOLD_VERSION_PATCH));
        if (byKey) {
            QTest::keyClick(about, Qt::Key_Space);
        } else {
            QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("lblInfo")), Qt::LeftButton);
        }
        QTRY_VERIFY(about.isNull());
    }

    // Every control of the window is in its place in the default window: it
    // has its caption and tooltip, shows, and is covered by no other control;
    // Tab reaches those that take the focus in the order of the layout (the
    // file browser, the import buttons, the export frame, then the option
    // tabs; whatever follows them comes after) and comes back to the first.
    // Each option control shows when its page is chosen.
    void everyControlInPlaceAndInTabOrder() {
        struct Control {
            const char* name;
            const char* caption;
            const char* toolTip;  // null: the control's own choice
            bool tab;
        };
        // Those that Tab reaches, in Tab order.
        const Control controls[] = {
            {"fraFile", "Select Files to Import",
             "Browse for and select waypoint files to import from", false},
            {"drvOpen", "", "Select the drive to search for waypoints to import", true},
            {"dirOpen", "", "Browse directories to look for waypoints to import", true},
            {"cmdNetLocation", "...", "Select a network location for opening waypoint files", true},
            {"filOpen", "", "View supported files for waypoints to import", true},
            {"cmdAdd", "Import  >>", "Import waypoints from selected files", true},
            {"cmdClear", "Clear Imports", "Clear imported waypoint memory", true},
            {"cmdExit", "E&xit", "", true},
            {"fraExport", "Export New File - 0 waypoints",
             "Options for exporting imported waypoints", false},
            {"lblExport", "Export format:", "", false},
            {"cmbGenerate", "", "", true},
            {"cmdGo", "Do it!", "", true},
            {"lblOptions", "Export Options", "", false},
            {"TabStrip1", "", "", true},
            {"imgLogo", "", nullptr, false},
            {"lblIntro",
             "Wayfold converts multiple files in MPS, GDB, GPX and LOC format into a single "
             "file in Garmin Mapsource or LOC format.",
             "", false},
            {"sbrMain", "", "", false},
        };
        WindowFixture f;
        QVERIFY(f.show());
        QStringList names;
        QStringList tabOrder;
        for (const Control& c : controls) {
            names.push_back(QString::fromLatin1(c.name));
            if (c.tab) {
                tabOrder.push_back(names.back());
            }
        }
        // Each stop of Tab as the nearest control of the table it is part of.
        QStringList stops;
        for (const QWidget* at : TabWalk(f.find<QWidget>("drvOpen"))) {
            const QString name = NamedAs(at, names);
            if (stops.isEmpty() || stops.back() != name) {
                stops.push_back(name);
            }
        }
        QCOMPARE(stops.mid(0, tabOrder.size()), tabOrder);
        QCOMPARE(QApplication::focusWidget(), f.find<QWidget>("drvOpen"));
        for (const Control& c : controls) {
            const QWidget* w = f.find<QWidget>(c.name);
            QVERIFY2(InPlace(w), c.name);
            QCOMPARE(Caption(w), QString::fromUtf8(c.caption));
            if (c.toolTip != nullptr) {
                QCOMPARE(w->toolTip(), QString::fromUtf8(c.toolTip));
            }
        }
        // The file browser shows the drive and the folder it is at.
        QVERIFY(f.find<QComboBox>("drvOpen")->count() > 0);
        QVERIFY(f.find<QTreeView>("dirOpen")->currentIndex().isValid());

        QStringList options = QStringLiteral(
                                  "chkKeepTracks chkIconPrv chkHintToDesc chkModName "
                                  "chkSwapNameDesc fraDisplay chkDispPrv txtTimeSet chkTimeKeep "
                                  "chkCatsKeep")
                                  .split(u' ');
        for (const auto& [group, count] :
             {std::pair{"optWptIcon", 8}, {"optDispMode", 3}, {"optTimeSet", 2}, {"chkCats", 16}}) {
            for (int i = 0; i < count; ++i) {
                options.push_back(QString::fromLatin1(group) + QString::number(i));
            }
        }
        auto* tabs = f.find<QTabWidget>("TabStrip1");
        for (const QString& name : options) {
            const QWidget* w = tabs->findChild<QWidget*>(name);
            QVERIFY2(w != nullptr, qPrintable(name));
            for (int page = 0; page < tabs->count(); ++page) {
                if (tabs->widget(page)->isAncestorOf(w)) {
                    tabs->setCurrentIndex(page);
                }
            }
            QVERIFY2(InPlace(w), qPrintable(name));
        }
    }

    void productVersion() {
        QCOMPARE(ProductVersionText(0, 61, 215), QStringLiteral("Product version: 0.61 Build 215"));
    }

    void aboutSystemCommand_data() {
        AddColumns<uint, quint64, bool>("message", "parameter", "about");
        AddRow("about", 274u, quint64(1000), true);
        AddRow("with flag bits", 274u, quint64(1000 | 0x0002), false);
        AddRow("other message", 273u, quint64(1000), false);
    }
    void aboutSystemCommand() {
        QFETCH(uint, message);
        QFETCH(quint64, parameter);
        QTEST(IsAboutCommand(message, static_cast<quintptr>(parameter)), "about");
    }

    void shellVerbTick() {
        WindowFixture f;
        const QString entry =
            f.data.filePath(QStringLiteral("applications/wayfold-open-in-mapsource.desktop"));
        f.find<QAction>("mnuOptionsContext")->trigger();
        QVERIFY(f.find<QAction>("mnuOptionsContext")->isChecked());
        QVERIFY(QFileInfo::exists(entry));
        // The next start shows the tick from what is registered.
        WindowFixture again;
        qputenv("XDG_DATA_HOME", f.data.path().toUtf8());
        again.open();
        auto* tick = again.find<QAction>("mnuOptionsContext");
        QVERIFY(tick->isChecked());
        tick->trigger();
        QVERIFY(!tick->isChecked());
        QVERIFY(!QFileInfo::exists(entry));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
