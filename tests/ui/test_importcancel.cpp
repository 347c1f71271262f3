// A long import from the window: the window stays responsive, the import and
// export controls rest while the reader runs, and Clear cancels it.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "core/importer.h"
#include "ui/filebrowser.h"
#include "windowfixture.h"

namespace {

constexpr int kLargeCount = 20000;

// A GPX file with count waypoints GCW00001, GCW00002, ...
void WriteGpx(const QString& path, int count) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<gpx version=\"1.0\" creator=\"Wayfold test\" "
        "xmlns=\"http://www.topografix.com/GPX/1/0\">\n");
    for (int i = 1; i <= count; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(5, '0');
        f.write("<wpt lat=\"47." + n + "\" lon=\"7." + n + "\"><name>GCW" + n +
                "</name><desc>Generated cache " + n +
                "</desc><sym>Geocache</sym><type>Geocache|Traditional Cache</type></wpt>\n");
    }
    f.write("</gpx>\n");
}

}  // namespace

class ImportCancelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        TestSession t;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("one.gpx"));
        WriteGpx(path, 1);
        ImportFile(t.session, path);
        if (t.session.store.WaypointCount() != 1) {
            QSKIP("The GPX reader is not part of this build yet.");
        }
    }

    void controlsRestAndClearCancels() {
        WindowFixture f;
        MainWindow& w = f.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        WriteGpx(f.temp.filePath(QStringLiteral("large.gpx")), kLargeCount);
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        QCOMPARE(list->count(), 1);
        list->item(0)->setSelected(true);

        auto* add = f.find<QPushButton>("cmdAdd");
        auto* clear = f.find<QPushButton>("cmdClear");
        auto* go = f.find<QPushButton>("cmdGo");
        QMenu* exportMenu = f.find<QMenu>("mnuFileExport");
        auto* progress = f.find<QProgressBar>("sbrProgress");
        struct Seen {
            bool running = false;
            bool addEnabled = true;
            bool goEnabled = true;
            bool menuEnabled = true;
            bool dropAccepted = true;
            bool progressShown = false;
            qint32 countAtCancel = -1;
        } seen;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (seen.running || clear->text() != QStringLiteral("Cancel Import..")) {
                return;
            }
            seen.running = true;
            seen.progressShown = progress->isVisible() && progress->value() > 0;
            seen.addEnabled = add->isEnabled();
            seen.goEnabled = go->isEnabled();
            seen.menuEnabled = exportMenu->menuAction()->isEnabled();
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(f.temp.filePath(QStringLiteral("large.gpx")))});
            const QPoint at = list->mapTo(&w, list->rect().center());
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&w, &enter);
            seen.dropAccepted = enter.isAccepted();
            // A double click or an export request while the reader runs is refused.
            Q_EMIT list->itemDoubleClicked(list->item(0));
            w.exportAs(0);
            seen.countAtCancel = f.session.store.WaypointCount();
            QTest::mouseClick(clear, Qt::LeftButton);
        });
        probe.start();
        QTest::mouseClick(add, Qt::LeftButton);
        probe.stop();

        QVERIFY(seen.running);
        QVERIFY(!seen.addEnabled);
        QVERIFY(!seen.goEnabled);
        QVERIFY(!seen.menuEnabled);
        QVERIFY(!seen.dropAccepted);
        QVERIFY(seen.progressShown);
        QVERIFY(progress->isHidden());
        QVERIFY(f.answers.dialogs.empty());
        // The reader stopped soon after the click, keeping what it had read.
        const qint32 count = f.session.store.WaypointCount();
        QVERIFY2(count > 0 && count < kLargeCount, qPrintable(QString::number(count)));
        QVERIFY(count <= seen.countAtCancel + 20);
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(),
                 QStringLiteral("Imported waypoints: ") + QString::number(count));
        QCOMPARE(f.find<QGroupBox>("fraExport")->title(), QStringLiteral("Export New File - ") +
                                                              QString::number(count) +
                                                              QStringLiteral(" waypoints"));
        QCOMPARE(clear->text(), QStringLiteral("Clear Imports"));
        QVERIFY(add->isEnabled());
        QVERIFY(go->isEnabled());
        QVERIFY(exportMenu->menuAction()->isEnabled());
        QVERIFY(w.cursor().shape() != Qt::BusyCursor);

        // Now Clear clears.
        QTest::mouseClick(clear, Qt::LeftButton);
        QCOMPARE(f.session.store.WaypointCount(), 0);
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 0"));
    }

    void threeFilesInListOrder() {
        WindowFixture f;
        MainWindow& w = f.open();
        for (const char* name : {"c.gpx", "a.gpx", "b.gpx"}) {
            QFile file(f.temp.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("<?xml version=\"1.0\"?>\n<gpx version=\"1.0\" "
                                  "xmlns=\"http://www.topografix.com/GPX/1/0\">"
                                  "<wpt lat=\"47.1\" lon=\"7.1\"><name>") +
                       QByteArray(name).left(1).toUpper() + "1</name></wpt>" +
                       "<wpt lat=\"47.2\" lon=\"7.2\"><name>" + QByteArray(name).left(1).toUpper() +
                       "2</name></wpt></gpx>\n");
        }
        QVERIFY(!w.fileBrowser()->showFolder(f.temp.path()));
        auto* list = f.find<QListWidget>("filOpen");
        list->selectAll();
        QTest::mouseClick(f.find<QPushButton>("cmdAdd"), Qt::LeftButton);
        QStringList names;
        for (const Waypoint& wpt : f.session.store.Waypoints) {
            names.push_back(wpt.Name);
        }
        QCOMPARE(names,
                 (QStringList{QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1"),
                              QStringLiteral("B2"), QStringLiteral("C1"), QStringLiteral("C2")}));
        QCOMPARE(f.find<QLabel>("sbrPanel1")->text(), QStringLiteral("Imported waypoints: 6"));
        QCOMPARE(f.find<QLabel>("sbrPanel2")->text(), QStringLiteral("Last Import: 2"));
        QCOMPARE(f.session.lastImportBaseName, QStringLiteral("c"));
    }
};

QTEST_MAIN(ImportCancelTest)
#include "test_importcancel.moc"
