// The MPS reader on real files and on hand-assembled ones.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "mapsource/mpsreader.h"
#include "mapsourcebuilder.h"
#include "support/fakes.h"

namespace {

const QString kPath = QStringLiteral("/data/test.mps");

const QString kInform = QStringLiteral(
    "\r\nPlease inform the program author and send the MPS file you are trying to import");

QString Damaged(const QString& reason) {
    return QStringLiteral("Can't import /data/test.mps: ") + reason + QLatin1Char('.');
}

}  // namespace

class MpsReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void records_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("messages");

        const QByteArray a = NamedWaypoint("A");
        const QByteArray b = NamedWaypoint("B");
        const QStringList ab{QStringLiteral("A"), QStringLiteral("B")};
        const QStringList none;
        // Where the first record after the header starts, and the second.
        const qint64 first = MpsHeader().size();
        const qint64 second = first + a.size();
        TestWaypoint other;
        other.name = "MAPPOINT";

        QTest::newRow("version g") << MpsFile(a + b) << 2 << ab << none;
        QTest::newRow("version h") << MpsFile(a + b, 'h') << 2 << ab << none;
        QTest::newRow("version i") << MpsFile(a + b, 'i') << 2 << ab << none;
        QTest::newRow("version k")
            << MpsFile(a + b, 'k') << 0 << none
            << QStringList{QStringLiteral("MPS is in an unknown format:  k") + kInform};
        QTest::newRow("version d")
            << MpsFile(a, 'd') << 0 << none
            << QStringList{QStringLiteral("MPS is in an unknown format:  d") + kInform};
        QTest::newRow("version g without its 00")
            << QByteArray("MsRcd\0", 6) + Record('D', "gx") + a + kMapSet << 0 << none
            << QStringList{QStringLiteral("MPS is in an unknown format:  g") + kInform};
        QTest::newRow("version record of no bytes")
            << QByteArray("MsRcd\0", 6) + Record('D', {}) + a + kMapSet << 0 << none
            << QStringList{Damaged(QStringLiteral(
                   "the D record at byte 6 is too short for its fields (the field at byte 11 runs "
                   "past its end)"))};
        QTest::newRow("application record of one byte")
            << QByteArray("MsRcd\0", 6) + Record('D', QByteArray("g\0", 2)) + Record('A', "x") + a +
                   kMapSet
            << 0 << none
            << QStringList{Damaged(QStringLiteral(
                   "the A record at byte 13 is too short for its fields (the field at byte 18 runs "
                   "past its end)"))};

        other.wclass = 1;
        QTest::newRow("class 1 skipped by its length")
            << MpsFile(a + MpsWaypoint(other) + b) << 2 << ab << none;
        other.wclass = 3;
        QTest::newRow("class 3 skipped by its length")
            << MpsFile(MpsWaypoint(other) + a + MpsWaypoint(other) + b) << 2 << ab << none;

        QTest::newRow("route, track and map records of any length")
            << MpsFile(Record('R', {}) + a + Record('T', QByteArray(300, 'W')) +
                       Record('L', "\x01") + b + Record('R', QByteArray(5, '\0')))
            << 2 << ab << none;
        QTest::newRow("map set followed by 5 bytes")
            << MpsFile(a + b) + QByteArray("\x05\0\0\0W", 5) << 2 << ab << none;
        QTest::newRow("map set followed by a further record")
            << MpsFile(a) + b + kMapSet << 2 << ab << none;
        QTest::newRow("map set followed by 6 stray bytes")
            << MpsFile(a + b) + QByteArray(6, '\0') << 0 << none
            << QStringList{QStringLiteral("Unknown record identifier: (0)") + kInform};
        QTest::newRow("unknown record X")
            << MpsFile(a + Record('X', "abc") + b) << 0 << none
            << QStringList{QStringLiteral("Unknown record identifier: (88)X") + kInform};
        QTest::newRow("lower-case w")
            << MpsFile(a + Record('w', {})) << 0 << none
            << QStringList{QStringLiteral("Unknown record identifier: (119)w") + kInform};

        QTest::newRow("no map-set record")
            << MpsHeader() + a + b << 0 << none
            << QStringList{Damaged(QStringLiteral("the file ends at byte %1 without its map-set "
                                                  "record")
                                       .arg(second + b.size()))};
        QTest::newRow("no records at all")
            << QByteArray("MsRcd\0", 6) << 0 << none
            << QStringList{
                   Damaged(QStringLiteral("the file ends at byte 6 without its map-set record"))};
        QTest::newRow("record header cut short")
            << MpsHeader() + a + QByteArray("\x10\0\0", 3) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the file ends inside the record at byte %1").arg(second))};

        const QByteArray bData = b.mid(5);
        QTest::newRow("waypoint length -1")
            << MpsFile(a + RecordWithLength(-1, 'W', bData)) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the record at byte %1 has a negative length (-1)").arg(second))};
        QTest::newRow("waypoint length 0")
            << MpsFile(a + RecordWithLength(0, 'W', {})) << 0 << none
            << QStringList{Damaged(QStringLiteral("the W record at byte %1 is too short for its "
                                                  "fields (the field at byte %2 runs past its end)")
                                       .arg(second)
                                       .arg(second + 5))};
        QTest::newRow("waypoint length 2^31-1")
            << MpsFile(a + RecordWithLength(2147483647, 'W', bData)) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the file ends inside the record at byte %1, which declares "
                                  "2147483647 data bytes where %2 are left")
                       .arg(second)
                       .arg(bData.size() + kMapSet.size()))};
        QTest::newRow("route length -1")
            << MpsFile(RecordWithLength(-1, 'R', QByteArray(8, '\0')) + a) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the record at byte %1 has a negative length (-1)").arg(first))};
        QTest::newRow("route length 0") << MpsFile(a + Record('R', {}) + b) << 2 << ab << none;
        QTest::newRow("map-set length 0")
            << MpsHeader() + a + b + Record('V', {}) << 2 << ab << none;
        QTest::newRow("track length 2^31-1")
            << MpsFile(a + RecordWithLength(2147483647, 'T', {})) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the file ends inside the record at byte %1, which declares "
                                  "2147483647 data bytes where %2 are left")
                       .arg(second)
                       .arg(kMapSet.size()))};

        // The depth double starts 15 bytes before the end of the fields; a
        // Length 10 short cuts it.
        QTest::newRow("waypoint length shorter than its fields")
            << MpsFile(a + RecordWithLength(static_cast<qint32>(bData.size()) - 10, 'W', bData))
            << 0 << none
            << QStringList{Damaged(QStringLiteral("the W record at byte %1 is too short for its "
                                                  "fields (the field at byte %2 runs past its end)")
                                       .arg(second)
                                       .arg(second + 5 + bData.size() - 15))};
        QTest::newRow("name without its 00")
            << MpsFile(a + Record('W', "NAME")) << 0 << none
            << QStringList{Damaged(QStringLiteral("the W record at byte %1 is too short for its "
                                                  "fields (the field at byte %2 runs past its end)")
                                       .arg(second)
                                       .arg(second + 5))};
        TestWaypoint longer;
        longer.name = "LONG";
        longer.trailing = QByteArray(7, 'W');
        QTest::newRow("waypoint record longer than its fields")
            << MpsFile(a + MpsWaypoint(longer) + b) << 3
            << QStringList{QStringLiteral("A"), QStringLiteral("LONG"), QStringLiteral("B")}
            << none;
        TestWaypoint filled;
        filled.name = "TOWN";
        filled.country = "USA";
        filled.city = "Springfield";
        filled.state = "IL";
        filled.facility = "Town Hall";
        QTest::newRow("country, city, state and facility filled")
            << MpsFile(MpsWaypoint(filled) + b) << 2
            << QStringList{QStringLiteral("TOWN"), QStringLiteral("B")} << none;

        QTest::newRow("no MapSource signature")
            << QByteArray("MsRx") + MpsFile(a).mid(4) << 0 << none
            << QStringList{QStringLiteral("That's not a valid Mapsource file!")};
        QTest::newRow("three bytes")
            << QByteArray("MsR") << 0 << none
            << QStringList{QStringLiteral("That's not a valid Mapsource file!")};
        QTest::newRow("GDB signature")
            << GdbFile(NamedWaypoint("A", true)) << 0 << none
            << QStringList{QStringLiteral("That's not a valid MPS file!")};
        QTest::newRow("signature cut after its fifth byte")
            << QByteArray("MsRcd") << 0 << none
            << QStringList{Damaged(QStringLiteral("the file ends at byte 5 inside its 6-byte "
                                                  "signature"))};
        QTest::newRow("signature cut after its fourth byte")
            << QByteArray("MsRc") << 0 << none
            << QStringList{Damaged(QStringLiteral("the file ends at byte 4 inside its 6-byte "
                                                  "signature"))};
        QTest::newRow("no bytes") << QByteArray() << 0 << none
                                  << QStringList{Damaged(QStringLiteral("the file is empty"))};
    }
    void records() {
        QFETCH(QByteArray, file);
        QFETCH(int, result);
        QFETCH(QStringList, names);
        QFETCH(QStringList, messages);

        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        const ImportResult r = ReadMpsBytes(file, kPath, store, progress);
        QCOMPARE(Texts(r), messages);
        for (const UserMessage& m : r.messages) {
            QCOMPARE(m.title, QStringLiteral("Wayfold"));
            QCOMPARE(m.icon, MessageIcon::Exclamation);
        }
        QCOMPARE(r.result, result);
        QCOMPARE(store.WaypointCount(), 1 + result);
        QCOMPARE(store.record(1).Name, QStringLiteral("already here"));
        QCOMPARE(Names(store, 2), names);
    }

    void fieldsAsRead() {
        TestWaypoint t;
        t.name = "Caf\xe9 \x80";
        t.country = "Deutschland";
        t.lat = 1 << 29;  // 00 00 00 20
        t.lon = -(1 << 29);
        t.altitudeFlag = 1;
        t.altitude = 123.25;
        t.comment = "Near the \x93old\x94 oak";
        t.proximityFlag = 0;
        t.proximity = 50.5;
        t.display = 2;
        t.colour = 5;
        t.symbol = 117;
        t.city = "Leipzig";
        t.state = "Sachsen";
        t.facility = "Rathaus";
        t.depthFlag = 1;
        t.depth = -3.5;
        t.directions = "left at the gate";

        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadMpsBytes(MpsFile(MpsWaypoint(t)), kPath, store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(r.result, 1);
        const Waypoint& w = store.record(1);
        QCOMPARE(w.Name, QStringLiteral("Café €"));
        QCOMPARE(w.LatSemicircles, 536870912);
        QCOMPARE(w.Latitude, 45.0);
        QCOMPARE(w.LonSemicircles, -536870912);
        QCOMPARE(w.Longitude, -45.0);
        QCOMPARE(w.HasAltitude, quint8(1));
        QCOMPARE(w.Altitude, 123.25);
        QCOMPARE(w.Description, QStringLiteral("Near the “old” oak"));
        // The double after a flag is there in MPS whatever the flag says.
        QCOMPARE(w.HasProximity, quint8(0));
        QCOMPARE(w.Proximity, 50.5);
        QCOMPARE(w.Display, 2);
        QCOMPARE(w.Colour, 5);
        QCOMPARE(w.Symbol, 117);
        QCOMPARE(w.HasDepth, quint8(1));
        QCOMPARE(w.Depth, -3.5);
        QCOMPARE(w.CategoryBits, NotSet);
        QVERIFY(w.Url.isEmpty());
        QVERIFY(w.LinkName.isEmpty());
        QVERIFY(w.Comment.isEmpty());
        QVERIFY(w.Hint.isEmpty());
        QCOMPARE(w.HasTime, quint8(0));
    }

    void statusEveryFifty() {
        QByteArray records;
        for (int i = 1; i <= 120; ++i) {
            records += NamedWaypoint(QByteArray::number(i));
        }
        WaypointStore store;
        store.Waypoints.resize(10);
        RecordingProgress progress;
        const ImportResult r = ReadMpsBytes(MpsFile(records), kPath, store, progress);
        QCOMPARE(r.result, 120);
        QCOMPARE(store.WaypointCount(), 130);
        QCOMPARE(store.record(11).Name, QStringLiteral("1"));
        QCOMPARE(store.record(130).Name, QStringLiteral("120"));
        QCOMPARE(progress.currentImports, (std::vector<qint32>{50, 100}));
        QCOMPARE(progress.eventPasses, 120);
    }

    void cancelAddsNothing() {
        QByteArray records;
        for (int i = 1; i <= 5; ++i) {
            records += NamedWaypoint(QByteArray::number(i));
        }
        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        progress.cancelAfterEvents = 3;
        const ImportResult r = ReadMpsBytes(MpsFile(records), kPath, store, progress);
        QCOMPARE(r.result, 0);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        QCOMPARE(progress.eventPasses, 3);
    }

    void twoFilesAppendInOrder() {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.mps"));
        const QString second = dir.filePath(QStringLiteral("second.mps"));
        for (const auto& [path, records] :
             {std::pair{first, NamedWaypoint("A") + NamedWaypoint("B")},
              std::pair{second, NamedWaypoint("C")}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(MpsFile(records));
        }
        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(ReadMpsFile(first, store, progress).result, 2);
        QCOMPARE(ReadMpsFile(second, store, progress).result, 1);
        QCOMPARE(Names(store),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    }

    void mapSourceFile() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures are not at hand (../shared/fixtures/peer).");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadMpsFile(FixturePath(QStringLiteral("mapsource.mps")), store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(r.result, 9);
        QCOMPARE(Names(store),
                 QStringLiteral("GC1A37 GC1C2B GC25A9 GC2723 GC2B71 GC309F GC317A GC317D GCEBB")
                     .split(QLatin1Char(' ')));
        const Waypoint& w = store.record(1);
        QCOMPARE(w.Description, QStringLiteral("The Troll by a182pilot & Family"));
        QCOMPARE(w.LatSemicircles, 430578619);
        QCOMPARE(w.LonSemicircles, -1034127312);
        QVERIFY(qAbs(w.Latitude - 36.090683) < 1e-6);
        QVERIFY(qAbs(w.Longitude + 86.679550) < 1e-6);
        QCOMPARE(store.record(9).Description, QStringLiteral("Mountain Bike Heaven by susy1313"));
        for (const Waypoint& each : store.Waypoints) {
            QCOMPARE(each.Display, 0);
            QCOMPARE(each.Symbol, 18);
            QCOMPARE(each.HasAltitude, quint8(0));
            QCOMPARE(each.CategoryBits, NotSet);
        }
    }

    void routeFile() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures are not at hand (../shared/fixtures/peer).");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadMpsFile(FixturePath(QStringLiteral("route.mps")), store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(r.result, 14);
        QCOMPARE(store.WaypointCount(), 14);
        const Waypoint& first = store.record(1);
        QCOMPARE(first.Name, QStringLiteral("ATLAUN"));
        QCOMPARE(first.Description, QStringLiteral("ATLAUN"));
        QCOMPARE(first.LatSemicircles, 361260639);
        QCOMPARE(first.LonSemicircles, -1093855191);
        QCOMPARE(first.HasAltitude, quint8(1));
        QCOMPARE(first.Display, 1);
        QCOMPARE(first.Symbol, 0);
        QCOMPARE(store.record(2).Symbol, 17);
        QCOMPARE(store.record(14).Name, QStringLiteral("B49B"));
    }

    void refusedFixtures_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("message");
        QTest::newRow("version d") << QStringLiteral("mps-track.mps")
                                   << QStringLiteral("MPS is in an unknown format:  d") + kInform;
        QTest::newRow("a GDB file") << QStringLiteral("gdb-sample2-ver1-gpsbabel.gdb")
                                    << QStringLiteral("That's not a valid MPS file!");
    }
    void refusedFixtures() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures are not at hand (../shared/fixtures/peer).");
        }
        QFETCH(QString, fixture);
        QFETCH(QString, message);
        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        const ImportResult r = ReadMpsFile(FixturePath(fixture), store, progress);
        QCOMPARE(Texts(r), QStringList{message});
        QCOMPARE(r.result, 0);
        QCOMPARE(store.WaypointCount(), 1);
    }
};

QTEST_GUILESS_MAIN(MpsReaderTest)
#include "test_mpsreader.moc"
