// Imports from the window: several files in list order, a long import
// during which the window stays responsive, the import and export controls
// rest, and Clear cancels it, and closing the window in the middle of a run.
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QTimer>

#include "core/commandline.h"
#include "ui/filebrowser.h"
#include "windowfixture.h"

namespace {

// A GPX file with count waypoints named prefix + 1, prefix + 2, ...
bool WriteGpx(const QString& path, int count, const QByteArray& prefix) {
    QByteArray gpx =
        "<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" "
        "xmlns=\"http://www.topografix.com/GPX/1/0\">\n";
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i);
        gpx += "<wpt lat=\"47." + n + "\" lon=\"7." + n + "\"><name>" + prefix + n +
               "</name><desc>Generated cache " + n + "</desc><sym>Geocache</sym></wpt>\n";
    }
    return MakeFile(path, gpx + "</gpx>\n");
}

}  // namespace

class ImportCancelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void selectedFilesInListOrder() {
        WindowFixture f;
        MainWindow& w = *f.window;
        for (const char* name : {"c", "a", "b"}) {
            QVERIFY(WriteGpx(f.temp.filePath(QString::fromLatin1(name) + QStringLiteral(".gpx")), 2,
                             QByteArray(name).toUpper()));
        }
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        // Selected last-to-first; imported first-to-last.
        for (const int row : {2, 1, 0}) {
            f.find<QListWidget>("filOpen")->item(row)->setSelected(true);
        }
        f.click("cmdAdd");
        QStringList names;
        for (const Waypoint& wpt : f.session.store.Waypoints) {
            names.push_back(wpt.Name);
        }
        QCOMPARE(names.join(u','), QStringLiteral("A1,A2,B1,B2,C1,C2"));
        QCOMPARE(f.status(),
                 QStringLiteral("Imported waypoints: 6|Last Import: 2|Export New File - "
                                "6 waypoints|Clear Imports"));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("c"));
        QVERIFY(w.cursor().shape() != Qt::BusyCursor);

        // Clear empties the store.
        f.click("cmdClear");
        QCOMPARE(f.session.store.WaypointCount(), 0);
        QCOMPARE(
            f.status(),
            QStringLiteral("Imported waypoints: 0||Export New File - 0 waypoints|Clear Imports"));
    }

    void controlsRestAndClearCancels() {
        constexpr int kLargeCount = 20000;
        WindowFixture f;
        MainWindow& w = *f.window;
        QVERIFY(f.show());
        const QString large = f.temp.filePath(QStringLiteral("large.gpx"));
        QVERIFY(WriteGpx(large, kLargeCount, "GCW"));
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        QCOMPARE(list->count(), 1);
        list->item(0)->setSelected(true);

        auto* add = f.find<QPushButton>("cmdAdd");
        auto* clear = f.find<QPushButton>("cmdClear");
        auto* go = f.find<QPushButton>("cmdGo");
        QAction* exportMenu = f.find<QMenu>("mnuFileExport")->menuAction();
        auto* progress = f.find<QProgressBar>("sbrProgress");
        // What the window looked like while the reader ran.
        QString during;
        qint32 countAtCancel = -1;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (countAtCancel >= 0 || clear->text() != QStringLiteral("Cancel Import..")) {
                return;
            }
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(large)});
            during = QStringLiteral("progress %1 add %2 go %3 menu %4 drop %5")
                         .arg(progress->isVisible() && progress->value() > 0)
                         .arg(add->isEnabled())
                         .arg(go->isEnabled())
                         .arg(exportMenu->isEnabled())
                         .arg(f.drop(list, data));
            // A double click or an export request while the reader runs is refused.
            Q_EMIT list->itemDoubleClicked(list->item(0));
            w.exportAs(0);
            countAtCancel = f.session.store.WaypointCount();
            QTest::mouseClick(clear, Qt::LeftButton);
        });
        probe.start();
        QTest::mouseClick(add, Qt::LeftButton);
        probe.stop();

        QVERIFY(countAtCancel >= 0);
        QCOMPARE(during, QStringLiteral("progress 1 add 0 go 0 menu 0 drop 0"));
        QVERIFY(progress->isHidden());
        QVERIFY(f.answers.dialogs.empty());
        // The reader stopped soon after the click, keeping what it had read.
        const qint32 count = f.session.store.WaypointCount();
        QVERIFY2(count > 0 && count < kLargeCount && count <= countAtCancel + 20,
                 qPrintable(QStringLiteral("%1 after %2").arg(count).arg(countAtCancel)));
        QVERIFY2(f.status().startsWith(QStringLiteral("Imported waypoints: %1|").arg(count)),
                 qPrintable(f.status()));
        QVERIFY2(f.status().endsWith(
                     QStringLiteral("|Export New File - %1 waypoints|Clear Imports").arg(count)),
                 qPrintable(f.status()));
        QVERIFY(add->isEnabled() && go->isEnabled() && exportMenu->isEnabled());
        QVERIFY(w.cursor().shape() != Qt::BusyCursor);
    }

    // Closing the window while a file is read ends the run: the command line
    // stops there, a window import reads no further file, and nothing is
    // written or started after the close.
    void closingTheWindowEndsTheRun_data() {
        AddColumns<bool>("commandLine");
        AddRow("command line", true);
        AddRow("selected files", false);
    }
    void closingTheWindowEndsTheRun() {
        QFETCH(bool, commandLine);
        WindowFixture f;
        MainWindow& w = *f.window;
        QVERIFY(f.show());
        const QString large = f.temp.filePath(QStringLiteral("large.gpx"));
        QVERIFY(WriteGpx(large, 20000, "GCW"));
        QVERIFY(WriteGpx(f.temp.filePath(QStringLiteral("small.gpx")), 2, "S"));
        const QString gps = f.temp.filePath(QStringLiteral("gps/"));
        QVERIFY(MakeFakeMapSource(gps + QStringLiteral("mapsource.exe")));
        f.settings.setValue(QStringLiteral("Mapsource_Dir"), gps);

        auto* clear = f.find<QPushButton>("cmdClear");
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (clear->text() == QStringLiteral("Cancel Import..") && w.isVisible()) {
                f.click("cmdExit");
            }
        });
        probe.start();
        // The run did not finish: the command line ends with status 1.
        int status = 1;
        if (commandLine) {
            const CommandLine line = ParsePosixArguments(
                {large, QStringLiteral("/s:") + f.temp.filePath(QStringLiteral("out.mps")),
                 QStringLiteral("small.gpx"), QStringLiteral("/m"),
                 QStringLiteral("/l:") + f.temp.filePath(QStringLiteral("out.loc"))},
                f.temp.path());
            status = RunCommands(f.session, line);
        } else {
            QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
            auto* list = f.find<QListWidget>("filOpen");
            QCOMPARE(list->count(), 2);
            list->selectAll();
            f.click("cmdAdd");
        }
        probe.stop();

        QVERIFY(!w.isVisible());
        const qint32 count = f.session.store.WaypointCount();
        QVERIFY2(count > 0 && count < 20000, qPrintable(QString::number(count)));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("large"));
        QCOMPARE(QDir(f.temp.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("large.gpx"), QStringLiteral("small.gpx")}));
        QVERIFY(f.session.TemporaryFiles.isEmpty());
        QVERIFY(f.processes.starts.empty());
        QVERIFY2(f.answers.messages.empty(), qPrintable(f.answers.messageTexts().join(u'|')));
        QCOMPARE(status, 1);
    }
};

QTEST_MAIN(ImportCancelTest)
#include "test_importcancel.moc"
