// The main window offscreen: load, the file browser, Import and drag and
// drop, the export dispatcher's controls, the place of every control, unload,
// About; and the scripts of tests/data/ui/scripts.txt, which also drive the
// waypoint table and the option tabs.
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeView>
#include <QWindow>

#include "ui/aboutwindow.h"
#include "ui/filebrowser.h"
#include "ui/listingpane.h"
#include "ui/waypointmodel.h"
#include "windowfixture.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Where a first run puts the window: 480 twips from the left and the top.
QPoint FirstRunPlace(const QWidget& window) {
    const QScreen* screen = window.screen();
    return {static_cast<int>(std::nearbyint(480 * screen->logicalDotsPerInchX() / 1440)),
            static_cast<int>(std::nearbyint(480 * screen->logicalDotsPerInchY() / 1440))};
}

// Shown with a size, inside its window, and on top there: the window's
// control at its centre is the control itself or one of its own.
bool InPlace(const QWidget* w) {
    const QWidget* top = w->window()->childAt(w->mapTo(w->window(), w->rect().center()));
    return w->isVisible() && !w->size().isEmpty() && top != nullptr &&
           (top == w || w->isAncestorOf(top));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A path is written to; a cancelled, empty or wildcard answer drops the
    // export. The export menu selects the kind in the list and runs it.
    void doItWithEachKind_data() { AddTableRows({"index", "title", "filter", "fileName", "menu"}); }
    void doItWithEachKind() {
        QFETCH(QString, index);
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        QFETCH(QString, menu);
        for (int answer = 0; answer < 4; ++answer) {
            WindowFixture f;
            AddTestWaypoint(f.session.store, QStringLiteral("GC1"));
            f.session.lastImportBaseName = fileName.left(fileName.lastIndexOf(u'.'));
            const QString path = f.temp.filePath(fileName);
            const QString answers[] = {path, QString(), QStringLiteral(""),
                                       f.temp.filePath(QStringLiteral("*.mps"))};
            if (!title.isEmpty()) {
                f.answers.dialogAnswers.push_back(answers[answer]);
            }
            if (answer == 1) {
                auto* item = f.find<QAction>(qPrintable(QStringLiteral("mnuFileExportAs") + index));
                QCOMPARE(item->text(), menu);
                item->trigger();
                QCOMPARE(f.settings.values.value(QStringLiteral("Generate Mode")), index);
            } else {
                f.find<QComboBox>("cmbGenerate")->setCurrentIndex(index.toInt());
                f.click("cmdGo");
            }
            QCOMPARE(f.find<QComboBox>("cmbGenerate")->currentIndex(), index.toInt());
            const bool separator = index == QLatin1String("4");
            QCOMPARE(f.find<QPushButton>("cmdGo")->isEnabled(), !separator);
            QVERIFY(f.processes.starts.empty());
            QCOMPARE(f.session.store.WaypointCount(), 1);
            if (title.isEmpty()) {
                // The launchers write their temporary file, say that MapSource
                // is not found and ask where it is (nobody answers here).
                QCOMPARE(f.answers.messageTexts().join(u'|').left(24),
                         separator ? QString() : QStringLiteral("MapSource was not found."));
                QCOMPARE(f.answers.dialogs.size(), size_t(separator ? 0 : 1));
                QCOMPARE(f.session.TemporaryFiles.size(), separator ? 0 : 1);
                break;
            }
            QVERIFY2(f.answers.messages.empty(), qPrintable(f.answers.messageTexts().join(u'|')));
            QCOMPARE(f.answers.dialogs.size(), size_t(1));
            const FileDialogRequest& d = f.answers.dialogs.front();
            QCOMPARE(d.title + u'|' + d.fileName + u'|' + d.defaultExtension,
                     title + u'|' + fileName + u'|' + fileName.right(3));
            QTEST(d.filter, "filter");
            QCOMPARE(d.folder, f.window->fileBrowser()->folder());
            QCOMPARE(QFileInfo(path).size() > 0, answer == 0);
        }
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
        for (const auto& [name, attribute] :
             {std::pair{u"g.loc", FILE_ATTRIBUTE_HIDDEN}, std::pair {
                  u"h.gpx",
                  FILE_ATTRIBUTE_SYSTEM
              }}) {
            const QString path =
                QDir::toNativeSeparators(f.temp.filePath(QString::fromUtf16(name)));
            QVERIFY(MakeFile(path));
            QVERIFY(SetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16()), attribute));
            QVERIFY(GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.utf16())) & attribute);
        }
#endif
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        QStringList names;
        for (int row = 0; row < list->count(); ++row) {
            names.push_back(list->item(row)->text());
        }
        QCOMPARE(names.join(u','), QStringLiteral("a.mps,B.LOC,c.gpx,d.gdb,f.zip"));
        QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        list->item(2)->setSelected(true);
        Q_EMIT list->itemDoubleClicked(list->item(2));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("c"));
        // F5 lists a new file at once, keeping the selection; a change to the
        // folder is listed soon by itself; Enter imports the selection.
        const auto listed = [list] {
            QStringList texts;
            for (int row = 0; row < list->count(); ++row) {
                texts.push_back(list->item(row)->text() +
                                (list->item(row)->isSelected() ? QStringLiteral("*") : QString()));
            }
            return texts.join(u',');
        };
        QVERIFY(MakeFile(f.temp.filePath(QStringLiteral("b.gpx"))));
        QTest::keyClick(list, Qt::Key_F5);
        QCOMPARE(listed(), QStringLiteral("a.mps,b.gpx,B.LOC,c.gpx*,d.gdb,f.zip"));
        QVERIFY(QFile::remove(f.temp.filePath(QStringLiteral("a.mps"))));
        QTRY_COMPARE(listed(), QStringLiteral("b.gpx,B.LOC,c.gpx*,d.gdb,f.zip"));
        list->clearSelection();
        list->item(0)->setSelected(true);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("b"));
        f.answers.messages.clear();

        QMimeData text;
        text.setText(QStringLiteral("some words from a word processor"));
        QVERIFY(!f.drop(f.find<QComboBox>("cmbGenerate"), text));
        QVERIFY(f.drop(f.find<QTreeView>("dirOpen"), text));
        QTRY_COMPARE(f.answers.messageTexts(),
                     QStringList{QStringLiteral("Can't import that object type")});
        const QString folder = f.temp.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(folder));
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(folder),
                       QUrl::fromLocalFile(f.temp.filePath(QStringLiteral("d.gdb"))),
                       QUrl::fromLocalFile(zip)});
        QVERIFY(f.drop(f.find<QLabel>("lblIntro"), files));
        QTRY_COMPARE(f.session.lastImportBaseName, QStringLiteral("f"));
        // A record from an archive names the archive and its entry.
        QCOMPARE(f.view->model()->index(0, WaypointModel::File).data().toString(),
                 QStringLiteral("f.zip/4711.gpx"));
        // The folder is refused once; the empty file then has its reader's message.
        QCOMPARE(f.answers.messages.size(), size_t(3));
        QCOMPARE(f.answers.messages[1].text,
                 QStringLiteral("Cannot import entire directories.\r\nPlease browse inside the "
                                "directory and drag'n'drop the files you wish to import."));
        QCOMPARE(f.answers.messages[1].icon, MessageIcon::Information);
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
        QCOMPARE(w.exitStatus(), 0);
        // Stored in twips, as " 1500" for 100 pixels at 96 dots an inch.
        QCOMPARE(f.settings.values.value(QStringLiteral("Left")) +
                     f.settings.values.value(QStringLiteral("Top")),
                 QStringLiteral(" %1 %2")
                     .arg(std::lround(100 * 1440 / w.screen()->logicalDotsPerInchX()))
                     .arg(std::lround(50 * 1440 / w.screen()->logicalDotsPerInchY())));
        QCOMPARE(f.settings.values.value(QStringLiteral("ImportDir")),
                 QDir::toNativeSeparators(f.temp.path()));
        QVERIFY(!QFileInfo::exists(leftover));

        // The next start opens where this one ended.
        MainWindow& next = f.open();
        QCOMPARE(next.pos(), QPoint(100, 50));
        next.showImportDir();
        QCOMPARE(next.fileBrowser()->folder(), f.temp.path());
    }

    // No stored place, or one out of sight, and a stored folder that is gone,
    // give what a first run shows, with the progress bar hidden and the time of
    // day.
    void placeOutOfSightGivesTheFirstRunPlace_data() {
        AddTableRows({"left", "top"});
    }
    void placeOutOfSightGivesTheFirstRunPlace() {
        QFETCH(QString, left);
        QFETCH(QString, top);
        WindowFixture f(
            {{"Left", left}, {"Top", top}, {"ImportDir", QStringLiteral("/gone/for/good")}});
        QCOMPARE(f.window->pos(), FirstRunPlace(*f.window));
        f.window->showImportDir();
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(f.answers.messages.empty());
        QVERIFY(f.find<QProgressBar>("sbrProgress")->isHidden());
        QCOMPARE(f.find<QLabel>("sbrPanel3")->text(),
                 QLocale().toString(f.now.toLocalTime().time(), QLocale::ShortFormat));
    }

    // The smallest window with its frame fits a 1600 x 1000 screen at twice
    // the scale (800 x 500), a first start opens inside the screen, and the
    // divider moves the controls up to a few lines, which then scroll.
    void fitsTheScreen() {
        WindowFixture f;
        MainWindow& w = *f.window;
        const QSize least = w.minimumSizeHint().expandedTo(w.minimumSize());
        QVERIFY2(least.width() + 16 <= 800 && least.height() + 48 <= 500,
                 qPrintable(QStringLiteral("%1 x %2").arg(least.width()).arg(least.height())));
        QVERIFY(f.show());
        const QRect room = w.screen()->availableGeometry();
        QVERIFY2(room.contains(w.frameGeometry()),
                 qPrintable(QStringLiteral("%1 x %2").arg(w.width()).arg(w.height())));
        auto* divider = f.find<QSplitter>("splMain");
        divider->setSizes({0, divider->height()});
        QVERIFY2(divider->sizes().front() < 100,
                 qPrintable(QString::number(divider->sizes().front())));
    }

    // The current row's listing beside the table: its HTML shown as HTML but
    // loading nothing it names, the hint decoded on a click, logs, and the
    // cache's own waypoints.
    void listingPane() {
        REQUIRE_PEER_FIXTURES();
        WindowFixture f;
        ListingBrowser* pane = f.window->listingPane()->browser();
        ImportFile(f.session, FixturePath(QStringLiteral("GCGCA8.gpx")));
        ImportFile(f.session, QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"));
        f.view->setCurrentIndex(f.view->model()->index(0, 0));
        QString text = pane->toPlainText();
        for (const char* shown : {"Oozy rat in a sanitary zoo", "Archived", "Code: GCGCA8",
                                  "D/T: 3/2", "Size: Not chosen", "no Wheelchair accessible",
                                  "Too hot to hoot", "Didn't find it by Abiectio"}) {
            QVERIFY2(text.contains(QLatin1String(shown)), shown);
        }
        QVERIFY(!text.contains(QLatin1String("<li>")));
        QVERIFY(pane->toHtml().contains(QLatin1String("mtgc_member-banner.gif")));
        QVERIFY(!pane->openLinks() && !pane->openExternalLinks());
        const QString image = f.temp.filePath(QStringLiteral("here.png"));
        QVERIFY(QPixmap(4, 4).save(image));
        for (const QUrl& url :
             {QUrl(QStringLiteral("http://www.mtgc.org/mtgc_member-banner.gif")),
              QUrl(QStringLiteral("https://example.org/a.css")), QUrl::fromLocalFile(image)}) {
            QVERIFY2(pane->loadResource(QTextDocument::ImageResource, url).isNull(),
                     qPrintable(url.toString()));
        }

        f.view->setCurrentIndex(f.view->model()->index(1, 0));
        text = pane->toPlainText();
        QVERIFY(text.contains(u"Under the third plank") && text.contains(u"PK9WF01"));
        QVERIFY(pane->toHtml().contains(QLatin1String("href=\"#hint\"")));
        Q_EMIT pane->anchorClicked(QUrl(QStringLiteral("#hint")));
        text = pane->toPlainText();
        QVERIFY(text.contains(u"Haqre gur guveq cynax") && !text.contains(u"Under the third"));
        f.view->setCurrentIndex(QModelIndex());
        QVERIFY(pane->toPlainText().isEmpty());
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
#ifdef Q_OS_WIN
        const QString title = QDir::toNativeSeparators(gone).toUpper() + u'\\';
#else
        const QString title = gone + u'/';
#endif
        QCOMPARE(m.title, QStringLiteral("Error %1 with ").arg(ENOENT) + title);
        QCOMPARE(m.text, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(m.icon, MessageIcon::Exclamation);
        QCOMPARE(drives->currentIndex(), before);
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
    }

#ifdef Q_OS_WIN
    // Every drive letter, written in lower case; choosing one shows its root.
    void driveList() {
        WindowFixture f;
        auto* drives = f.find<QComboBox>("drvOpen");
        QStringList letters;
        for (int i = 0; i < drives->count(); ++i) {
            letters.push_back(drives->itemText(i).left(2));
        }
        QStringList expected;
        for (const QFileInfo& drive : QDir::drives()) {
            expected.push_back(drive.absoluteFilePath().left(2).toLower());
        }
        QCOMPARE(letters, expected);
        const int c = letters.indexOf(QStringLiteral("c:"));
        QVERIFY(c >= 0);
        drives->setCurrentIndex(c);
        Q_EMIT drives->activated(c);
        QCOMPARE(f.answers.messages.size(), size_t(0));
        QCOMPARE(QDir(f.window->fileBrowser()->folder()), QDir(QStringLiteral("C:/")));
    }
#endif

    // The About window has a title bar, the version, the copyright and where
    // the documentation is; Escape, its Close button or a click closes it.
    void aboutWindow() {
        WindowFixture f;
        const std::pair<const char*, const char*> ways[] = {
            {"mnuHelpAbout", "Escape"}, {"mnuAbout", "Close"}, {"mnuAbout", "click"}};
        for (const auto& [item, way] : ways) {
            f.find<QAction>(item)->trigger();
            QPointer<AboutWindow> about = f.window->findChild<AboutWindow*>();
            QVERIFY(about && about->isVisible() && about->isModal());
            QVERIFY(!about->windowFlags().testFlag(Qt::FramelessWindowHint));
            QCOMPARE(about->windowTitle(), QStringLiteral("About Wayfold"));
            QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
                     ProductVersionText(WAYFOLD_VERSION_MAJOR, WAYFOLD_VERSION_MINOR,
                                        WAYFOLD_VERSION_PATCH));
            auto* info = about->findChild<QLabel*>(QStringLiteral("lblInfo"));
            QVERIFY(info->text().startsWith(QStringLiteral("Wayfold " WAYFOLD_VERSION "\n")));
            QVERIFY(about->findChild<QLabel*>(QStringLiteral("lblLicence"))
                        ->text()
                        .contains(QStringLiteral("man wayfold")));
            if (QByteArray(way) == "Escape") {
                QTest::keyClick(about, Qt::Key_Escape);
            } else if (QByteArray(way) == "Close") {
                about->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
            } else {
                QTest::mouseClick(info, Qt::LeftButton);
            }
            QTRY_VERIFY2(about.isNull(), way);
        }
        QCOMPARE(ProductVersionText(0, 61, 215), QStringLiteral("Product version: 0.61 Build 215"));
        // The system menu's About, without the flag bits that make it another command.
        QVERIFY(IsAboutCommand(274, 1000) && !IsAboutCommand(274, 1000 | 2) &&
                !IsAboutCommand(273, 1000));
    }

    // Every control of the window is in its place in a window of the first-run
    // size (a smaller one scrolls the controls): it has its caption and
    // tooltip, shows, and is covered by no other control; Tab reaches those
    // that take the focus in the order of the layout and comes back to the
    // first. Each option control shows on its page.
    void everyControlInPlaceAndInTabOrder() {
        WindowFixture f;
        f.window->resize(MainWindow::firstRunSize());
        QVERIFY(f.show());
        QStringList names;
        QStringList tabOrder;
        for (const QStringList& c : TableLines("controls")) {
            const QWidget* w = f.find(qPrintable(c[0]));
            QVERIFY2(InPlace(w), qPrintable(c[0]));
            // A button's or label's text, a frame's title.
            QCOMPARE(w->property(w->inherits("QGroupBox") ? "title" : "text").toString(), c[1]);
            if (c[2] != QLatin1String("*")) {
                QCOMPARE(w->toolTip(), c[2]);
            }
            names.push_back(c[0]);
            if (c[3] == QLatin1String("tab")) {
                tabOrder.push_back(c[0]);
            }
        }
        // Each stop of Tab as the nearest control of the table it is part of
        // ("Do it!" is one while the list does not show the separator).
        f.find<QComboBox>("cmbGenerate")->setCurrentIndex(0);
        QWidget* first = f.find("drvOpen");
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        first->setFocus(Qt::TabFocusReason);
        QStringList stops;
        for (QWidget* at = first; stops.size() < 300;) {
            QString name = at->objectName();
            for (const QWidget* up = at; up != nullptr && !names.contains(name);
                 up = up->parentWidget()) {
                name = up->objectName();
            }
            if (stops.isEmpty() || stops.back() != name) {
                stops.push_back(name);
            }
            QTest::keyClick(at, Qt::Key_Tab);
            if ((at = QApplication::focusWidget()) == first) {
                break;
            }
        }
        QCOMPARE(stops.mid(0, tabOrder.size()), tabOrder);
        // No control comes round twice.
        QCOMPARE(stops.removeDuplicates(), 0);
        QCOMPARE(QApplication::focusWidget(), first);
        // The file browser shows the drive and the folder it is at.
        QVERIFY(f.find<QComboBox>("drvOpen")->count() > 0);
        QVERIFY(f.find<QTreeView>("dirOpen")->currentIndex().isValid());

        auto* tabs = f.find<QTabWidget>("TabStrip1");
        for (const QStringList& line : TableLines("options")) {
            const QWidget* w = f.find(qPrintable(line[0]));
            for (int page = 0; page < tabs->count(); ++page) {
                if (tabs->widget(page)->isAncestorOf(w)) {
                    tabs->setCurrentIndex(page);
                }
            }
            QVERIFY2(InPlace(w), qPrintable(line[0]));
        }
    }

    // The window's scripts in tests/data/ui/scripts.txt, each on a new window.
    void scripts_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : Sections("scripts.txt").keys()) {
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void scripts() {
        QFETCH(QString, name);
        const QList<QStringList> script = Sections("scripts.txt").value(name);
        const auto peer = [](const QStringList& step) {
            return step.join(u';').contains(u"%peer%");
        };
        if (std::any_of(script.begin(), script.end(), peer)) {
            REQUIRE_PEER_FIXTURES();
        }
        WindowFixture f;
        f.run(script);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
