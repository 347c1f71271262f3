// What the golden files of realistic.json and options.json (test_exporter)
// and the round trips (test_writerroundtrip) leave open in the GDB writer.
#include <QtTest>

#include "support/storefile.h"

class GdbWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The empty layout (62 bytes, application name "MapSource") and the
    // 78-byte record of waypoint "A".
    void handMadeGoldenFiles() {
        WaypointStore store;
        QCOMPARE(EncodeGdbFile(store, TestOptions()).bytes,
                 FileBytes(kWriterData + QStringLiteral("gdb-empty.gdb")));
        Waypoint a;
        a.Name = QStringLiteral("A");
        a.Symbol = 18;
        a.Display = 1;
        store.Waypoints = {a};
        Options o = TestOptions();
        o.ManualTime = 0x12345678;
        QCOMPARE(EncodeGdbFile(store, o).bytes,
                 FileBytes(kWriterData + QStringLiteral("gdb-waypoint-a.gdb")));
    }

    // Only the written one of two duplicates gets a link.
    void linkCompletion_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("site");  // CacheSiteUrl option
        QTest::addColumn<QString>("written");
        QTest::newRow("default site")
            << "GC00AB" << QString()
            << QStringLiteral("https://www.geocaching.com/seek/cache_details.aspx?wp=GC00AB");
        QTest::newRow("5 characters") << "GC123" << QString() << QString();
        QTest::newRow("6, not a cache") << "Park12" << QString() << QString();
        QTest::newRow("other site")
            << "Gc1a2b" << QStringLiteral("http://caches.example:8080")
            << QStringLiteral("http://caches.example:8080/seek/cache_details.aspx?wp=GC1A2B");
    }
    void linkCompletion() {
        QFETCH(QString, name);
        QFETCH(QString, site);
        QFETCH(QString, written);
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(name), NamedWaypoint(name.toLower())};
        Options o = TestOptions();
        o.CacheSiteUrl = site;
        WaypointStore back;
        RecordingProgress progress;
        ReadGdbBytes(EncodeGdbFile(store, o).bytes, QStringLiteral("x.gdb"), back, progress);
        QCOMPARE(back.WaypointCount(), 1);
        QCOMPARE(back.Waypoints[0].Url, written);
        QCOMPARE(store.Waypoints[0].Url, written);
        QVERIFY(store.Waypoints[1].Duplicate);
        QCOMPARE(store.Waypoints[1].Url, QString());
    }
};

QTEST_GUILESS_MAIN(GdbWriterTest)
#include "test_gdbwriter.moc"
