// Imports from the window: several files in list order, a long import
// during which the window stays responsive, the import and export controls
// rest, and Clear cancels it, the table following it, and closing the window
// in the middle of a run.
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>

#include "session/commandline.h"
#include "support/testfiles.h"
#include "ui/filebrowser.h"
#include "ui/waypointmodel.h"
#include "windowfixture.h"

class ImportCancelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Files selected last to first are read first to last; the last, large
    // one is cancelled by Clear. While it is read, the controls that import
    // or export refuse, a file opened is read after it, and the reader stops
    // soon after the click keeping what it had read; Clear then empties the
    // store.
    void filesInListOrderAndClearCancels() {
        WindowFixture f;
        QVERIFY(f.show());
        for (const char* name : {"c", "a", "b"}) {
            QVERIFY(!f.writeGpx(name, 2, QByteArray(name).toUpper()).isEmpty());
        }
        const QString large = f.writeGpx("large", 20000, "GCW");
        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        for (const int row : {3, 2, 1, 0}) {
            list->item(row)->setSelected(true);
        }
        f.set("cmbGenerate", "currentIndex", 0);  // not the separator
        auto* progress = f.find<QProgressBar>("sbrProgress");
        const auto controls = [&f, progress] {
            return f.are("cmdAdd.enabled|cmdGo.enabled|mnuFileExport.enabled") + u'|' +
                   QVariant(progress->isVisible()).toString();
        };
        QString during;
        qint32 countAtCancel = -1;
        f.interrupt(
            "cmdClear",
            [&] {
                if (f.session.lastImportBaseName != u"large" || f.view->model()->rowCount() <= 6) {
                    return false;
                }
                QMimeData data;
                data.setUrls({QUrl::fromLocalFile(large)});
                // Rows show with their file as they are read. A drop, an export
                // or a removal while the reader runs is refused; a file opened
                // then is read after it.
                during = controls() + u'|' + QVariant(f.drop(list, data)).toString() + u'|' +
                         f.view->model()->index(6, WaypointModel::File).data().toString();
                list->clearSelection();
                list->item(0)->setSelected(true);
                Q_EMIT list->itemDoubleClicked(list->item(0));
                f.view->selectRow(0);
                f.window->waypointTable()->removeSelected();
                f.window->exportAs(0);
                countAtCancel = f.session.store.WaypointCount();
                return true;
            },
            [&] { f.click("cmdAdd"); });
        QCOMPARE(during, u"false|false|false|true|false|large.gpx");
        QCOMPARE(controls(), u"true|true|true|false");
        QVERIFY(f.answers.dialogs.empty() && f.window->cursor().shape() != Qt::BusyCursor);
        const QStringList names = Names(f.session.store);
        QCOMPARE(names.mid(0, 7).join(u',') + u'|' + names.mid(names.size() - 3).join(u','),
                 QStringLiteral("A1,A2,B1,B2,C1,C2,GCW1|GCW%1,A1,A2").arg(names.size() - 8));
        const qint32 count = f.session.store.WaypointCount();
        QVERIFY(count > 8 && count < 20008 && count <= countAtCancel + 22);
        QCOMPARE(f.view->model()->rowCount(), count);
        QCOMPARE(f.is("fraExport", "title") + f.is("cmdClear", "text"),
                 QStringLiteral("Export New File - %1 waypointsClear Imports").arg(count));
        f.click("cmdClear");
        QCOMPARE(f.session.store.WaypointCount(), 0);

        // The status line says what was kept of a cancelled file.
        list->clearSelection();
        list->item(3)->setSelected(true);
        f.interrupt(
            "cmdClear", [&f] { return f.session.store.WaypointCount() > 0; },
            [&f] { f.click("cmdAdd"); });
        const qint32 kept = f.session.store.WaypointCount();
        QVERIFY(kept > 0 && kept < 20000);
        QCOMPARE(f.is("sbrPanel2", "text"),
                 QStringLiteral("Import of large.gpx cancelled: %1 waypoints kept").arg(kept));
    }

    // Closing the window while a file is read ends the run: the command line
    // stops there, a window import reads no further file, and nothing is
    // written or started after the close.
    void closingTheWindowEndsTheRun() {
        for (const bool commandLine : {true, false}) {
            WindowFixture f;
            QVERIFY(f.show());
            QVERIFY(!f.writeGpx("large", 20000, "GCW").isEmpty());
            QVERIFY(!f.writeGpx("small", 2, "S").isEmpty());
            const QString gps = f.temp.filePath(QStringLiteral("gps/"));
            QVERIFY(MakeFakeMapSource(gps + QStringLiteral("mapsource.exe")));
            f.settings.setValue(QStringLiteral("Mapsource_Dir"), gps);
            // The run did not finish: the program ends with status 1.
            int status = 0;
            f.interrupt(
                "cmdExit", [] { return true; },
                [&] {
                    if (commandLine) {
                        status = RunCommands(
                            f.session,
                            ParsePosixArguments(
                                QStringLiteral("large.gpx|/s:%1.mps|small.gpx|/m|/l:%1.loc")
                                    .arg(f.temp.filePath(QStringLiteral("out")))
                                    .split(u'|'),
                                f.temp.path()));
                    } else {
                        QVERIFY(!f.window->fileBrowser()->showFolder(f.temp.path()));
                        f.find<QListWidget>("filOpen")->selectAll();
                        f.click("cmdAdd");
                        status = f.window->exitStatus();
                    }
                });
            QVERIFY(!f.window->isVisible());
            const qint32 count = f.session.store.WaypointCount();
            QVERIFY2(count > 0 && count < 20000, qPrintable(QString::number(count)));
            QCOMPARE(f.session.lastImportBaseName, u"large");
            QCOMPARE(QDir(f.temp.path()).entryList(QDir::Files), Split("large.gpx|small.gpx"));
            QVERIFY(f.session.TemporaryFiles.isEmpty() && f.processes.starts.empty());
            QVERIFY2(f.answers.messages.empty(), qPrintable(f.answers.messageTexts().join(u'|')));
            QCOMPARE(status, 1);
        }
    }
};

QTEST_MAIN(ImportCancelTest)
#include "test_importcancel.moc"
