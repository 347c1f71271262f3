// The main window offscreen: load, the file browser, Import and Clear, drag
// and drop, the export dispatcher's controls, unload, About.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>

#include "core/importer.h"
#include "ui/aboutwindow.h"
#include "ui/filebrowser.h"
#include "ui/optiontabs.h"
#include "windowfixture.h"

namespace {

int Pixels(int twips, double dpi) {
    return static_cast<int>(std::nearbyint(twips * dpi / 1440));
}

void WriteFile(const QString& path, const QByteArray& content = QByteArray()) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList ListedFiles(const QListWidget* list) {
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        names.push_back(list->item(row)->text());
    }
    return names;
}

// Drags the data over the window at a control and drops it there.
bool Drop(MainWindow& window, QWidget* target, const QMimeData& data) {
    // Controls have their places once the window is shown.
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    const QPointF at = target->mapTo(&window, target->rect().center());
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadOnAnEmptyStore() {
        WindowFixture f;
        MainWindow& w = f.open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Wayfold"));
        const QScreen* screen = w.screen();
        QCOMPARE(w.pos(), QPoint(Pixels(480, screen->logicalDotsPerInchX()),
                                 Pixels(480, screen->logicalDotsPerInchY())));
        auto* generate = f.find<QComboBox>("cmbGenerate");
        QCOMPARE(generate->count(), 7);
        QCOMPARE(generate->currentIndex(), 4);
        QCOMPARE(generate->currentText(), QStringLiteral("-----------------------"));
        QCOMPARE(generate->itemText(2), QStringLiteral("Make Geocaching.com LOC File"));
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 0"));
        QCOMPARE(f.find<QLabel>("sbrPanel2")->text(), QString());
        QCOMPARE(f.find<QGroupBox>("fraExport")->title(),
                 QStringLiteral("Export New File - 0 waypoints"));
        QCOMPARE(f.find<QPushButton>("cmdClear")->text(), QStringLiteral("Clear Imports"));
        QVERIFY(f.find<QProgressBar>("sbrProgress")->isHidden());
        // The file browser starts at the program's own folder.
        QCOMPARE(w.fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        // The waypoint time is the time of the start.
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

    void captionsAndToolTips_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("cmdAdd") << QStringLiteral("cmdAdd") << QStringLiteral("Import  >>")
                                << QStringLiteral("Import waypoints from selected files");
        QTest::newRow("cmdClear") << QStringLiteral("cmdClear") << QStringLiteral("Clear Imports")
                                  << QStringLiteral("Clear imported waypoint memory");
        QTest::newRow("cmdExit") << QStringLiteral("cmdExit") << QStringLiteral("E&xit")
                                 << QString();
        QTest::newRow("cmdGo") << QStringLiteral("cmdGo") << QStringLiteral("Do it!") << QString();
        QTest::newRow("cmdNetLocation")
            << QStringLiteral("cmdNetLocation") << QStringLiteral("...")
            << QStringLiteral("Select a network location for opening waypoint files");
    }
    void captionsAndToolTips() {
        QFETCH(QString, name);
        WindowFixture f;
        f.open();
        const auto* button = f.window->findChild<QPushButton*>(name);
        QVERIFY(button != nullptr);
        QTEST(button->text(), "caption");
        QTEST(button->toolTip(), "toolTip");
    }

    void menus() {
        WindowFixture f;
        f.open();
        QStringList bar;
        for (const QAction* a : f.window->menuBar()->actions()) {
            bar.push_back(a->text());
        }
        QCOMPARE(bar, (QStringList{QStringLiteral("&File"), QStringLiteral("&Options"),
                                   QStringLiteral("&Help"), QStringLiteral("About Wayfold...")}));
        QStringList file;
        for (const QAction* a : f.find<QMenu>("mnuFile")->actions()) {
            file.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(file, (QStringList{QStringLiteral("&Browse..."), QStringLiteral("-"),
                                    QStringLiteral("&Export New File"), QStringLiteral("-"),
                                    QStringLiteral("E&xit")}));
        QStringList exports;
        for (const QAction* a : f.find<QMenu>("mnuFileExport")->actions()) {
            exports.push_back(a->isSeparator() ? QStringLiteral("-") : a->text());
        }
        QCOMPARE(exports.size(), 7);
        QCOMPARE(exports.at(2), QStringLiteral("Geocaching.com &LOC File (XML)..."));
        QCOMPARE(exports.at(4), QStringLiteral("-"));
        QCOMPARE(f.find<QAction>("mnuHelpAbout")->text(), QStringLiteral("&About Wayfold"));
    }

    void storedGenerateMode_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index");
        QTest::newRow("gdb") << QStringLiteral("1") << 1;
        QTest::newRow("open gdb") << QStringLiteral("6") << 6;
        QTest::newRow("out of the list") << QStringLiteral("12") << 4;
    }
    void storedGenerateMode() {
        QFETCH(QString, stored);
        WindowFixture f;
        f.settings.setValue(QStringLiteral("Generate Mode"), stored);
        f.open();
        QTEST(f.find<QComboBox>("cmbGenerate")->currentIndex(), "index");
    }

    void choosingAnEntryStoresIt() {
        WindowFixture f;
        f.open();
        f.find<QComboBox>("cmbGenerate")->setCurrentIndex(3);
        QCOMPARE(f.settings.values.value(QStringLiteral("Generate Mode")), QStringLiteral("3"));
    }

    void doItWithEachKind_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("mps") << 0 << QStringLiteral("Save Mapsource File As...")
                             << QStringLiteral("Trail Run.mps");
        QTest::newRow("gdb") << 1 << QStringLiteral("Save Garmin Database File As...")
                             << QStringLiteral("Trail Run.gdb");
        QTest::newRow("loc") << 2 << QStringLiteral("Save .LOC File As...")
                             << QStringLiteral("Trail Run.loc");
        QTest::newRow("terrabyte")
            << 3 << QStringLiteral("Save .LOC File As...") << QStringLiteral("Trail Run.loc");
        QTest::newRow("separator") << 4 << QString() << QString();
        QTest::newRow("open mps") << 5 << QString() << QString();
        QTest::newRow("open gdb") << 6 << QString() << QString();
    }
    void doItWithEachKind() {
        QFETCH(int, index);
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        for (const bool cancel : {false, true}) {
            WindowFixture f;
            f.open();
            f.addWaypoint(QStringLiteral("GC1"));
            f.session.lastImportBaseName = QStringLiteral("Trail Run");
            f.find<QComboBox>("cmbGenerate")->setCurrentIndex(index);
            const QString path = f.temp.filePath(fileName);
            f.answers.dialogAnswers.push_back(cancel ? QString() : path);
            QTest::mouseClick(f.find<QPushButton>("cmdGo"), Qt::LeftButton);
            if (title.isEmpty()) {
                // No save dialog: nothing at all, or a launcher's own doing.
                QVERIFY(f.answers.dialogs.empty() ||
                        !f.answers.dialogs.front().title.startsWith(QStringLiteral("Save")));
                QVERIFY(f.answers.messages.empty());
                QVERIFY(f.processes.starts.empty());
                // The launchers write their temporary file (nothing is
                // started: MapSource is nowhere to be found here).
                QCOMPARE(f.session.TemporaryFiles.size(), index == 4 ? 0 : 1);
                continue;
            }
            QCOMPARE(f.answers.dialogs.size(), size_t(1));
            QCOMPARE(f.answers.dialogs.front().title, title);
            QCOMPARE(f.answers.dialogs.front().fileName, fileName);
            QCOMPARE(f.answers.dialogs.front().folder, f.window->fileBrowser()->folder());
            if (cancel) {
                QVERIFY(f.answers.messages.empty());
                QVERIFY(!QFileInfo::exists(path));
            } else {
                QVERIFY(QFileInfo(path).size() > 0);
                QVERIFY(f.answers.messages.empty());
            }
        }
    }

    void enterInTheGenerateList() {
        WindowFixture f;
        f.open();
        auto* generate = f.find<QComboBox>("cmbGenerate");
        QTest::keyClick(generate, Qt::Key_Return);
        QCOMPARE(f.answers.messageTexts(), QStringList{QStringLiteral("No waypoints to export")});
        QCOMPARE(f.window->focusWidget(), f.find<QPushButton>("cmdGo"));
        // Other keys do what the list does with them.
        generate->setFocus();
        QTest::keyClick(generate, Qt::Key_Down);
        QCOMPARE(generate->currentIndex(), 5);
        QCOMPARE(f.answers.messages.size(), size_t(1));
    }

    void exportMenuSelectsAndRuns() {
        WindowFixture f;
        f.open();
        f.addWaypoint(QStringLiteral("GC1"));
        f.session.lastImportBaseName = QStringLiteral("x");
        f.find<QAction>("mnuFileExportAs1")->trigger();
        QCOMPARE(f.find<QComboBox>("cmbGenerate")->currentIndex(), 1);
        QCOMPARE(f.settings.values.value(QStringLiteral("Generate Mode")), QStringLiteral("1"));
        QCOMPARE(f.answers.dialogs.size(), size_t(1));
        QCOMPARE(f.answers.dialogs.front().title,
                 QStringLiteral("Save Garmin Database File As..."));
        QCOMPARE(f.answers.dialogs.front().fileName, QStringLiteral("x.gdb"));
    }

    void nowIsTheMomentOfTheExport() {
        WindowFixture f;
        f.open();
        auto* box = f.find<QLineEdit>("txtTimeSet");
        f.now = f.now.addSecs(3600);
        QTest::mouseClick(f.find<QPushButton>("cmdGo"), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral("05/12/2026 02:02:03"));
        QVERIFY(!box->isEnabled());
        QCOMPARE(f.session.options.ManualTime, f.now.toSecsSinceEpoch() + 13);
    }

    void manualTimeSurvivesTheExport() {
        WindowFixture f;
        f.open();
        auto* box = f.find<QLineEdit>("txtTimeSet");
        f.find<QRadioButton>("optTimeSet0")->click();
        box->setText(QStringLiteral("01/01/2004 00:00:00"));
        QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &out);
        f.now = f.now.addSecs(3600);
        QTest::mouseClick(f.find<QPushButton>("cmdGo"), Qt::LeftButton);
        QCOMPARE(box->text(), QStringLiteral("01/01/2004 00:00:00"));
        QCOMPARE(f.session.options.ManualTime, qint64(1072915200 + 13));
    }

    void clearEmptiesTheStore() {
        WindowFixture f;
        f.open();
        f.addWaypoint(QStringLiteral("GC1"));
        f.addWaypoint(QStringLiteral("GC2"));
        UpdateStatus(f.session, 2, 2);
        QCOMPARE(f.find<QLabel>("sbrPanel2")->text(), QStringLiteral("Last Import: 2"));
        QCOMPARE(f.find<QGroupBox>("fraExport")->title(),
                 QStringLiteral("Export New File - 2 waypoints"));
        QTest::mouseClick(f.find<QPushButton>("cmdClear"), Qt::LeftButton);
        QCOMPARE(f.session.store.WaypointCount(), 0);
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 0"));
        QCOMPARE(f.find<QLabel>("sbrPanel2")->text(), QString());
        QCOMPARE(f.find<QGroupBox>("fraExport")->title(),
                 QStringLiteral("Export New File - 0 waypoints"));
    }

    void fileListShowsImportableFilesByName() {
        WindowFixture f;
        f.open();
        for (const char* name : {"c.gpx", "B.LOC", "a.mps", "d.gdb", "notes.txt", "e.gpx.bak"}) {
            WriteFile(f.temp.filePath(QString::fromLatin1(name)));
        }
        QVERIFY(QDir(f.temp.path()).mkdir(QStringLiteral("folder.gpx")));
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        QCOMPARE(ListedFiles(f.find<QListWidget>("filOpen")),
                 (QStringList{QStringLiteral("a.mps"), QStringLiteral("B.LOC"),
                              QStringLiteral("c.gpx"), QStringLiteral("d.gdb")}));
        QCOMPARE(f.find<QListWidget>("filOpen")->selectionMode(),
                 QAbstractItemView::ExtendedSelection);
    }

    void importTakesTheSelectedFilesInListOrder() {
        WindowFixture f;
        f.open();
        for (const char* name : {"c.gpx", "a.loc", "b.gpx", "d.loc"}) {
            WriteFile(f.temp.filePath(QString::fromLatin1(name)));
        }
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        // Selected last-to-first; imported first-to-last.
        for (const int row : {2, 1, 0}) {
            list->item(row)->setSelected(true);
        }
        QTest::mouseClick(f.find<QPushButton>("cmdAdd"), Qt::LeftButton);
        // Each empty file is refused by its reader with a message of its own;
        // the waypoints' order is checked with real files in test_importcancel.
        QCOMPARE(f.answers.messages.size(), size_t(3));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("c"));
        QCOMPARE(f.find<QLabel>("sbrPanel2")->text(), QStringLiteral("Last Import: 0"));
        QVERIFY(f.window->cursor().shape() != Qt::BusyCursor);
    }

    void doubleClickImports() {
        WindowFixture f;
        f.open();
        WriteFile(f.temp.filePath(QStringLiteral("trail.gpx")));
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        list->item(0)->setSelected(true);
        Q_EMIT list->itemDoubleClicked(list->item(0));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("trail"));
    }

    void dropOfAFolderAndAFile() {
        WindowFixture f;
        f.open();
        const QString folder = f.temp.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = f.temp.filePath(QStringLiteral("dropped.gpx"));
        WriteFile(file);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(folder), QUrl::fromLocalFile(file)});
        QVERIFY(Drop(*f.window, f.find<QListWidget>("filOpen"), data));
        QTRY_COMPARE(f.session.lastImportBaseName, QStringLiteral("dropped"));
        QVERIFY(!f.answers.messages.empty());
        const UserMessage& first = f.answers.messages.front();
        QCOMPARE(first.text,
                 QStringLiteral("Cannot import entire directories.\r\nPlease browse inside the "
                                "directory and drag'n'drop the files you wish to import."));
        QCOMPARE(first.icon, MessageIcon::Information);
        QCOMPARE(first.title, QStringLiteral("Wayfold"));
        int folderMessages = 0;
        for (const UserMessage& m : f.answers.messages) {
            folderMessages += m.text.startsWith(QStringLiteral("Cannot import entire")) ? 1 : 0;
        }
        QCOMPARE(folderMessages, 1);
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(),
                 QStringLiteral("Imported waypoints: ") +
                     QString::number(f.session.store.WaypointCount()));
    }

    void dropOfText() {
        WindowFixture f;
        f.open();
        QMimeData data;
        data.setText(QStringLiteral("some words from a word processor"));
        QVERIFY(Drop(*f.window, f.find<QLabel>("lblIntro"), data));
        QTRY_COMPARE(f.answers.messageTexts(),
                     QStringList{QStringLiteral("Can't import that object type")});
    }

    void dropsOnlyOnTheImportSide() {
        WindowFixture f;
        f.open();
        QMimeData data;
        data.setText(QStringLiteral("x"));
        QVERIFY(!Drop(*f.window, f.find<QComboBox>("cmbGenerate"), data));
        QVERIFY(Drop(*f.window, f.find<QPushButton>("cmdAdd"), data));
        QVERIFY(Drop(*f.window, f.find<QTreeView>("dirOpen"), data));
        QTRY_COMPARE(f.answers.messages.size(), size_t(2));
    }

    void unloadStoresPlaceAndFolder() {
        WindowFixture f;
        MainWindow& w = f.open();
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        w.move(100, 50);
        const QString leftover = f.temp.filePath(QStringLiteral("MPS1234.tmp"));
        WriteFile(leftover, "x");
        f.session.TemporaryFiles = {QString(), leftover,
                                    f.temp.filePath(QStringLiteral("gone.tmp"))};
        QVERIFY(w.close());
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
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("top");
        QTest::newRow("far right") << QStringLiteral(" 9000000") << QStringLiteral(" 480");
        QTest::newRow("minimised") << QStringLiteral("-48000") << QStringLiteral("-48000");
        QTest::newRow("huge") << QStringLiteral("1e300") << QStringLiteral("0");
    }
    void placeOutOfSightGivesTheFirstRunPlace() {
        QFETCH(QString, left);
        QFETCH(QString, top);
        WindowFixture f;
        f.settings.setValue(QStringLiteral("Left"), left);
        f.settings.setValue(QStringLiteral("Top"), top);
        MainWindow& w = f.open();
        const QScreen* screen = w.screen();
        QCOMPARE(w.pos(), QPoint(Pixels(480, screen->logicalDotsPerInchX()),
                                 Pixels(480, screen->logicalDotsPerInchY())));
    }

    void importDirFallsBackToTheProgramFolder() {
        WindowFixture f;
        f.settings.setValue(QStringLiteral("ImportDir"), f.temp.filePath(QStringLiteral("gone")));
        f.open().showImportDir();
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(f.answers.messages.empty());
    }

    void importDirDefaultsToHome() {
        WindowFixture f;
        f.open().showImportDir();
        QCOMPARE(f.window->fileBrowser()->folder(), QDir::homePath());
    }

    void unreachableDriveGoesBack() {
        WindowFixture f;
        f.open();
        auto* drives = f.find<QComboBox>("drvOpen");
        const int before = drives->currentIndex();
        const QString gone = f.temp.filePath(QStringLiteral("unplugged"));
        drives->addItem(gone, gone);
        drives->setCurrentIndex(drives->count() - 1);
        Q_EMIT drives->activated(drives->count() - 1);
        QCOMPARE(f.answers.messages.size(), size_t(1));
        const UserMessage& m = f.answers.messages.front();
        QCOMPARE(m.title, QStringLiteral("Error ") + QString::number(ENOENT) +
                              QStringLiteral(" with ") + gone + QLatin1Char('/'));
        QCOMPARE(m.text, QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(m.icon, MessageIcon::Exclamation);
        QCOMPARE(drives->currentIndex(), before);
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
    }

    void networkLocationBrowser() {
        WindowFixture f;
        f.open();
        // Cancelled: nothing changes and nothing is stored.
        f.find<QPushButton>("cmdNetLocation")->click();
        QCOMPARE(f.answers.folderPrompts,
                 QStringList{QStringLiteral("Please select a location to display")});
        QCOMPARE(f.window->fileBrowser()->folder(), QCoreApplication::applicationDirPath());
        QVERIFY(!f.settings.values.contains(QStringLiteral("LastPath")));

        f.answers.dialogAnswers.push_back(f.temp.path());
        f.find<QAction>("mnuFileBrowse")->trigger();
        QCOMPARE(f.window->fileBrowser()->folder(), f.temp.path());
        QCOMPARE(f.settings.values.value(QStringLiteral("LastPath")), f.temp.path());

        f.answers.dialogAnswers.push_back(f.temp.filePath(QStringLiteral("gone")));
        f.find<QPushButton>("cmdNetLocation")->click();
        QCOMPARE(f.answers.messages.size(), size_t(1));
        QCOMPARE(f.answers.messages.front().title, QStringLiteral("Path Error"));
        QCOMPARE(f.answers.messages.front().text, QStringLiteral("Network path not found"));
        QCOMPARE(f.window->fileBrowser()->folder(), f.temp.path());
        QCOMPARE(f.settings.values.value(QStringLiteral("LastPath")), f.temp.path());
    }

    void aboutWindow_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("help menu, key") << QStringLiteral("mnuHelpAbout") << true;
        QTest::newRow("menu bar, click") << QStringLiteral("mnuAbout") << false;
    }
    void aboutWindow() {
        QFETCH(QString, item);
        QFETCH(bool, byKey);
        WindowFixture f;
        f.open();
        f.window->findChild<QAction*>(item)->trigger();
        auto* about = f.window->findChild<AboutWindow*>();
        QVERIFY(about != nullptr);
        QVERIFY(about->isVisible());
        QVERIFY(about->isModal());
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(),
                 QStringLiteral("Product version: ") + QString::number(WAYFOLD_VERSION_MAJOR) +
                     QLatin1Char('.') + QString::number(WAYFOLD_VERSION_MINOR) +
                     QStringLiteral(" Build ") + QString::number(WAYFOLD_VERSION_PATCH));
        QPointer<AboutWindow> watch(about);
        if (byKey) {
            QTest::keyClick(about, Qt::Key_Space);
        } else {
            QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("lblInfo")), Qt::LeftButton);
        }
        QTRY_VERIFY(watch.isNull());
    }

    void productVersion() {
        QCOMPARE(ProductVersionText(0, 61, 215), QStringLiteral("Product version: 0.61 Build 215"));
    }

    void aboutSystemCommand_data() {
        QTest::addColumn<uint>("message");
        QTest::addColumn<quint64>("parameter");
        QTest::addColumn<bool>("about");
        QTest::newRow("about") << 274u << quint64(1000) << true;
        QTest::newRow("with flag bits") << 274u << quint64(1000 | 0x0002) << false;
        QTest::newRow("close") << 274u << quint64(0xF060) << false;
        QTest::newRow("other message") << 273u << quint64(1000) << false;
    }
    void aboutSystemCommand() {
        QFETCH(uint, message);
        QFETCH(quint64, parameter);
        QTEST(IsAboutCommand(message, static_cast<quintptr>(parameter)), "about");
    }

    void shellVerbTick() {
        WindowFixture f;
        f.open();
        auto* item = f.find<QAction>("mnuOptionsContext");
        item->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(QFileInfo::exists(
            f.data.filePath(QStringLiteral("applications/wayfold-open-in-mapsource.desktop"))));
        // The next start shows the tick from what is registered.
        WindowFixture again;
        qputenv("XDG_DATA_HOME", f.data.path().toUtf8());
        again.open();
        QVERIFY(again.find<QAction>("mnuOptionsContext")->isChecked());
        again.find<QAction>("mnuOptionsContext")->trigger();
        QVERIFY(!again.find<QAction>("mnuOptionsContext")->isChecked());
        QVERIFY(!QFileInfo::exists(
            f.data.filePath(QStringLiteral("applications/wayfold-open-in-mapsource.desktop"))));
    }

    void exitClosesTheWindow() {
        WindowFixture f;
        f.open();
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.find<QPushButton>("cmdExit")->click();
        QVERIFY(!f.window->isVisible());
        QVERIFY(f.settings.values.contains(QStringLiteral("ImportDir")));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
