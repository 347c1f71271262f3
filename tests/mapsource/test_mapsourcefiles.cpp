// MPS and GDB files as a whole: every prefix of every file, and a cancel
// through the session.
#include <QTemporaryDir>

#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "mapsourcebuilder.h"

namespace {

// An MPS file with every kind of record (of another class, and route, track
// and map records of any length, which are skipped) and a waypoint whose
// texts are filled.
QByteArray BuiltMps() {
    TestWaypoint town;
    town.name = "TOWN";
    town.country = "USA";
    town.city = "Springfield";
    town.state = "IL";
    TestWaypoint other = town;
    other.wclass = 3;
    return MpsFile(WaypointRecord(town, false) + WaypointRecord(other, false) +
                   Record('R', QByteArray(20, 'W')) + NamedWaypoint("LAST") + Record('T', "xy") +
                   Record('L', {})) +
           QByteArray("\1\2\3");
}

QByteArray BuiltGdb(bool v3) {
    TestWaypoint full;
    full.name = "FULL";
    full.city = "Leipzig";
    full.altitudeFlag = full.proximityFlag = full.depthFlag = full.temperatureFlag = 1;
    full.url = "http://example.org/";
    full.address = "Markt 1";
    full.links = {full.url, "http://example.org/2"};
    full.phones = {"0341", "Work"};
    full.postalCode = "04109";
    TestWaypoint other = full;
    other.wclass = 1;
    TestWaypoint last;
    last.name = "LAST";
    const auto record = [v3](const TestWaypoint& t) {
        return v3 ? WaypointRecordV3(t) : WaypointRecord(t, true);
    };
    return GdbFile(record(full) + record(other) + Record('T', QByteArray(9, 'V')) + record(last),
                   "MapSource", v3 ? 'm' : 'k') +
           QByteArray("after");
}

}  // namespace

class MapSourceFilesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every prefix of a file imports nothing and says why in one message;
    // only the whole file imports (its message, if any, the real files' rows
    // in test_headlessimport check).
    void truncations_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("gdb");
        QTest::addColumn<int>("whole");
        QTest::addColumn<int>("trailing");  // bytes after the map-set record
        if (FixturesAvailable()) {
            const auto add = [](const char* name, int whole) {
                QTest::newRow(name) << FileBytes(FixturePath(QString::fromLatin1(name)))
                                    << QByteArray(name).endsWith("gdb") << whole << 0;
            };
            add("mapsource.mps", 9);
            add("route.mps", 14);
            add("mps-track.mps", 0);
            add("gdb-sample2-ver1-gpsbabel.gdb", 7);
            add("gdb-sample2.gdb", 3);
            add("gdb-sample-v3.gdb", 9);
            add("gdb-sample-v3-ilinks.gdb", 5);
        }
        QTest::newRow("built mps") << BuiltMps() << false << 2 << 3;
        QTest::newRow("built gdb") << BuiltGdb(false) << true << 2 << 5;
        QTest::newRow("built gdb v3") << BuiltGdb(true) << true << 2 << 5;
    }
    void truncations() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, gdb);
        QFETCH(int, trailing);
        QVERIFY(!bytes.isEmpty());
        const BytesReader read = gdb ? &ReadGdbBytes : &ReadMpsBytes;
        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        const ImportResult full = read(bytes, kPath, store, progress);
        QTEST(full.result, "whole");
        QCOMPARE(store.WaypointCount(), 1 + full.result);

        // Bytes after the map set may go without changing anything.
        for (qsizetype size = 0; size < bytes.size(); ++size) {
            const bool cut = size < bytes.size() - trailing;
            store.Waypoints.resize(1);
            const ImportResult r = read(QByteArrayView(bytes).first(size), kPath, store, progress);
            const qint32 expected = cut ? 0 : full.result;
            if (r.result != expected || r.messages.size() != (cut ? 1 : full.messages.size()) ||
                store.WaypointCount() != 1 + expected || store.record(1).Name != Sentinel().Name) {
                QFAIL(qPrintable(QStringLiteral("The first %1 bytes: result %2, %3 messages, "
                                                "store count %4")
                                     .arg(size)
                                     .arg(r.result)
                                     .arg(r.messages.size())
                                     .arg(store.WaypointCount())));
            }
        }
    }

    // The record loop is both formats', so one of them will do.
    void cancelThroughTheSession() {
        QByteArray records;
        for (int i = 0; i < 5; ++i) {
            records += NamedWaypoint(QByteArray::number(i), true);
        }
        QTemporaryDir dir;
        const QString path =
            WriteTestFile(dir.path(), QStringLiteral("five.gdb"), GdbFile(records));
        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        // The Clear button pressed while the second record is read.
        t.frontend.onProcessEvents = [&t] {
            if (t.frontend.eventsProcessed == 2) {
                ClearOrCancel(t.session);
            }
        };
        QVERIFY(ImportFile(t.session, path));
        QVERIFY(t.frontend.messages.empty());
        QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
        QCOMPARE(t.frontend.eventsProcessed, 2);
        QCOMPARE(t.frontend.panel2, QStringLiteral("Last Import: 0"));

        // Nothing of the cancel is left over for the next import.
        t.frontend.onProcessEvents = nullptr;
        QVERIFY(ImportFile(t.session, path));
        QCOMPARE(t.session.store.WaypointCount(), 6);
    }
};

QTEST_GUILESS_MAIN(MapSourceFilesTest)
#include "test_mapsourcefiles.moc"
