// The GDB reader on real files and on hand-assembled ones.
#include <QtTest>

#include "mapsource/gdbreader.h"
#include "mapsourcebuilder.h"
#include "support/fakes.h"

namespace {

const QString kPath = QStringLiteral("/data/test.gdb");

const QString kInform = QStringLiteral(
    "\r\nPlease inform the program author and send the GDB file you are trying to import");

QString Damaged(const QString& reason) {
    return QStringLiteral("Can't import /data/test.gdb: ") + reason + QLatin1Char('.');
}

QString ShortRecord(char letter, qint64 start, qint64 field) {
    return Damaged(QStringLiteral("the %1 record at byte %2 is too short for its fields (the "
                                  "field at byte %3 runs past its end)")
                       .arg(QLatin1Char(letter))
                       .arg(start)
                       .arg(field));
}

}  // namespace

class GdbReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void records_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("messages");

        const QByteArray a = NamedWaypoint("A", true);
        const QByteArray b = NamedWaypoint("B", true);
        const QStringList ab{QStringLiteral("A"), QStringLiteral("B")};
        const QStringList none;
        const qint64 first = GdbHeader().size();
        const qint64 second = first + a.size();
        const QByteArray bData = b.mid(5);
        TestWaypoint other;
        other.name = "ADDRESS";

        QTest::newRow("MapSource") << GdbFile(a + b) << 2 << ab << none;
        QTest::newRow("Mapsource") << GdbFile(a + b, "Mapsource") << 2 << ab << none;
        QTest::newRow("MAPSOURCE")
            << GdbFile(a + b, "MAPSOURCE") << 0 << none
            << QStringList{QStringLiteral("That's not a valid MapSource GDB!\r\n*MAPSOURCE*")};
        QTest::newRow("no application name")
            << GdbFile(a, "") << 0 << none
            << QStringList{QStringLiteral("That's not a valid MapSource GDB!\r\n**")};
        QTest::newRow("application name in Windows-1252")
            << GdbFile(a, "Map\xa7ource") << 0 << none
            << QStringList{QStringLiteral("That's not a valid MapSource GDB!\r\n*Map§ource*")};
        QTest::newRow("application name without its 00")
            << GdbHeader().chopped(1) << 0 << none
            << QStringList{
                   Damaged(QStringLiteral("the file ends inside the application name at byte 45"))};

        QTest::newRow("version l")
            << GdbFile(a, "MapSource", 'l') << 0 << none
            << QStringList{QStringLiteral("GDB is in an unknown format:  l") + kInform};
        QTest::newRow("version g")
            << GdbFile(a, "MapSource", 'g') << 0 << none
            << QStringList{QStringLiteral("GDB is in an unknown format:  g") + kInform};
        QTest::newRow("version k without its 00")
            << QByteArray("MsRcf\0", 6) + Record('D', "kx") + a + kMapSet << 0 << none
            << QStringList{QStringLiteral("GDB is in an unknown format:  kx") + kInform};
        QTest::newRow("version record of one byte")
            << QByteArray("MsRcf\0", 6) + Record('D', "k") + a + kMapSet << 0 << none
            << QStringList{ShortRecord('D', 6, 11)};
        QTest::newRow("an MPS file")
            << MpsFile(NamedWaypoint("A")) << 0 << none
            << QStringList{QStringLiteral("GDB is in an unknown format:  g") + kInform};
        QTest::newRow("fifth and sixth byte not tested")
            << QByteArray("MsRcXY") + GdbFile(a + b).mid(6) << 2 << ab << none;

        other.wclass = 1;
        QTest::newRow("class 1 skipped by its length")
            << GdbFile(a + GdbWaypoint(other) + b) << 2 << ab << none;
        other.wclass = 12;
        QTest::newRow("class 12 skipped by its length")
            << GdbFile(GdbWaypoint(other) + a + b + GdbWaypoint(other)) << 2 << ab << none;
        QTest::newRow("route, track and map records")
            << GdbFile(Record('R', QByteArray(40, 'W')) + a + Record('T', {}) +
                       Record('L', "\x01\x02") + b)
            << 2 << ab << none;
        QTest::newRow("bytes after the map set never read")
            << GdbFile(a + b) + QByteArray("\xff\xff\xff\xffXgarbage") << 2 << ab << none;
        QTest::newRow("record letter X")
            << GdbFile(a + Record('X', "123") + b) << 0 << none
            << QStringList{QStringLiteral("Unknown record identifier: (88)X") + kInform};
        QTest::newRow("record letter 0xE9")
            << GdbFile(a + Record('\xe9', {})) << 0 << none
            << QStringList{QStringLiteral("Unknown record identifier: (233)é") + kInform};

        QTest::newRow("no map-set record")
            << GdbHeader() + a + b << 0 << none
            << QStringList{Damaged(QStringLiteral("the file ends at byte %1 without its map-set "
                                                  "record")
                                       .arg(second + b.size()))};
        QTest::newRow("waypoint length -1")
            << GdbFile(a + RecordWithLength(-1, 'W', bData)) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the record at byte %1 has a negative length (-1)").arg(second))};
        QTest::newRow("waypoint length 0") << GdbFile(a + RecordWithLength(0, 'W', {})) << 0 << none
                                           << QStringList{ShortRecord('W', second, second + 5)};
        QTest::newRow("waypoint length 2^31-1")
            << GdbFile(a + RecordWithLength(2147483647, 'W', bData)) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the file ends inside the record at byte %1, which declares "
                                  "2147483647 data bytes where %2 are left")
                       .arg(second)
                       .arg(bData.size() + kMapSet.size()))};
        QTest::newRow("map length -1")
            << GdbFile(a + RecordWithLength(-1, 'L', {})) << 0 << none
            << QStringList{Damaged(
                   QStringLiteral("the record at byte %1 has a negative length (-1)").arg(second))};
        QTest::newRow("map-set length 0")
            << GdbHeader() + a + Record('V', {}) << 1 << QStringList{QStringLiteral("A")} << none;
        // The last fields are the time flag and 4 time bytes.
        QTest::newRow("waypoint length 2 short")
            << GdbFile(a + RecordWithLength(static_cast<qint32>(bData.size()) - 2, 'W', bData)) << 0
            << none << QStringList{ShortRecord('W', second, second + 5 + bData.size() - 4)};

        TestWaypoint longer;
        longer.name = "LONG";
        longer.trailing = QByteArray(11, 'V');
        QTest::newRow("waypoint record longer than its fields")
            << GdbFile(a + GdbWaypoint(longer) + b) << 3
            << QStringList{QStringLiteral("A"), QStringLiteral("LONG"), QStringLiteral("B")}
            << none;
        TestWaypoint filled;
        filled.name = "TOWN";
        filled.country = "Deutschland";
        filled.city = "Leipzig";
        filled.state = "Sachsen";
        QTest::newRow("country, city and state filled")
            << GdbFile(GdbWaypoint(filled) + b) << 2
            << QStringList{QStringLiteral("TOWN"), QStringLiteral("B")} << none;
        QTest::newRow("no MapSource signature")
            << QByteArray("MSRC") + GdbFile(a).mid(4) << 0 << none
            << QStringList{QStringLiteral("That's not a valid Mapsource file!")};
        QTest::newRow("signature of 5 bytes")
            << QByteArray("MsRcf") << 0 << none
            << QStringList{Damaged(QStringLiteral("the file ends at byte 5 inside its 6-byte "
                                                  "signature"))};
    }
    void records() {
        QFETCH(QByteArray, file);
        QFETCH(int, result);
        QFETCH(QStringList, names);
        QFETCH(QStringList, messages);

        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        const ImportResult r = ReadGdbBytes(file, kPath, store, progress);
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

    // Flags decide which doubles are on file; each row changes one of them.
    void flaggedFields_data() {
        QTest::addColumn<int>("altitudeFlag");
        QTest::addColumn<int>("proximityFlag");
        QTest::addColumn<int>("depthFlag");
        QTest::addColumn<int>("temperatureFlag");
        QTest::addColumn<int>("timeFlag");
        QTest::newRow("none") << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("altitude") << 1 << 0 << 0 << 0 << 1;
        QTest::newRow("proximity") << 0 << 1 << 0 << 0 << 1;
        QTest::newRow("depth") << 0 << 0 << 1 << 0 << 1;
        QTest::newRow("temperature") << 0 << 0 << 0 << 1 << 1;
        QTest::newRow("all") << 1 << 1 << 1 << 1 << 1;
    }
    void flaggedFields() {
        QFETCH(int, altitudeFlag);
        QFETCH(int, proximityFlag);
        QFETCH(int, depthFlag);
        QFETCH(int, temperatureFlag);
        QFETCH(int, timeFlag);
        TestWaypoint t;
        t.name = "FLAGS";
        t.altitudeFlag = static_cast<quint8>(altitudeFlag);
        t.altitude = 391;
        t.comment = "Start";
        t.proximityFlag = static_cast<quint8>(proximityFlag);
        t.proximity = 25.5;
        t.display = 2;
        t.colour = 3;
        t.symbol = 142;
        t.depthFlag = static_cast<quint8>(depthFlag);
        t.depth = 12.75;
        t.url = "http://example.org/x";
        t.categories = 0x4000;
        t.temperatureFlag = static_cast<quint8>(temperatureFlag);
        t.temperature = -7.5;
        t.timeFlag = static_cast<quint8>(timeFlag);
        t.time = 1143841766;

        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGdbBytes(GdbFile(GdbWaypoint(t) + NamedWaypoint("NEXT", true)),
                                            kPath, store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(Names(store), (QStringList{QStringLiteral("FLAGS"), QStringLiteral("NEXT")}));
        const Waypoint& w = store.record(1);
        QCOMPARE(w.HasAltitude, quint8(altitudeFlag));
        QCOMPARE(w.Altitude, altitudeFlag ? 391.0 : 0.0);
        QCOMPARE(w.Description, QStringLiteral("Start"));
        QCOMPARE(w.HasProximity, quint8(proximityFlag));
        QCOMPARE(w.Proximity, proximityFlag ? 25.5 : 0.0);
        QCOMPARE(w.Display, 2);
        QCOMPARE(w.Colour, 3);
        QCOMPARE(w.Symbol, 142);
        QCOMPARE(w.HasDepth, quint8(depthFlag));
        QCOMPARE(w.Depth, depthFlag ? 12.75 : 0.0);
        QCOMPARE(w.Url, QStringLiteral("http://example.org/x"));
        QCOMPARE(w.LinkName, QStringLiteral("Link"));
        QCOMPARE(w.CategoryBits, 0x4000);
        QCOMPARE(w.HasTemperature, quint8(temperatureFlag));
        QCOMPARE(w.Temperature, temperatureFlag ? -7.5 : 0.0);
        QCOMPARE(w.HasTime, quint8(timeFlag));
        QCOMPARE(w.Time, timeFlag ? 1143841766 : 0);
    }

    void otherFields() {
        TestWaypoint t;
        t.name = "GC1A2B";
        t.lat = 1 << 29;
        t.lon = -(1 << 29);
        t.categories = static_cast<qint16>(0x8001);  // bytes 01 80
        t.city = "Springfield";
        t.state = "IL";
        t.facility = "Town Hall";
        t.directions = "north gate";
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGdbBytes(GdbFile(GdbWaypoint(t)), kPath, store, progress);
        QCOMPARE(r.result, 1);
        const Waypoint& w = store.record(1);
        QCOMPARE(w.LatSemicircles, 536870912);
        QCOMPARE(w.Latitude, 45.0);
        QCOMPARE(w.LonSemicircles, -536870912);
        QCOMPARE(w.Longitude, -45.0);
        QCOMPARE(w.CategoryBits, -32767);
        QVERIFY(w.Url.isEmpty());
        QCOMPARE(w.LinkName, QStringLiteral("Link"));
        QCOMPARE(w.Symbol, 18);
        QVERIFY(w.Comment.isEmpty());
        QVERIFY(w.CacheType.isEmpty());
        QVERIFY(w.Hint.isEmpty());
    }

    void statusEveryFiftyAfterTen() {
        QByteArray records;
        for (int i = 1; i <= 120; ++i) {
            records += NamedWaypoint(QByteArray::number(i), true);
        }
        WaypointStore store;
        store.Waypoints.resize(10);
        RecordingProgress progress;
        const ImportResult r = ReadGdbBytes(GdbFile(records), kPath, store, progress);
        QCOMPARE(r.result, 120);
        QCOMPARE(store.WaypointCount(), 130);
        QCOMPARE(store.record(11).Name, QStringLiteral("1"));
        QCOMPARE(store.record(130).Name, QStringLiteral("120"));
        QCOMPARE(progress.currentImports, (std::vector<qint32>{50, 100}));
        QCOMPARE(progress.eventPasses, 120);
    }

    void cancelAddsNothing() {
        QByteArray records;
        for (int i = 1; i <= 60; ++i) {
            records += NamedWaypoint(QByteArray::number(i), true);
        }
        WaypointStore store;
        store.Waypoints.push_back(Sentinel());
        RecordingProgress progress;
        progress.cancelAfterEvents = 55;
        const ImportResult r = ReadGdbBytes(GdbFile(records), kPath, store, progress);
        QCOMPARE(r.result, 0);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        QCOMPARE(progress.eventPasses, 55);
    }

    void gpsbabelVersionK() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures are not at hand (../shared/fixtures/peer).");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGdbFile(
            FixturePath(QStringLiteral("gdb-sample2-ver1-gpsbabel.gdb")), store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(r.result, 7);
        QCOMPARE(Names(store), QStringLiteral("001 004 005 007 Jahnstrasse Liebknechtstrasse NARVA")
                                   .split(QLatin1Char(' ')));
        const Waypoint& jahn = store.record(5);
        QCOMPARE(jahn.Description, QStringLiteral("Jahnstrasse 11"));
        QCOMPARE(jahn.Display, 2);
        QCOMPARE(jahn.Symbol, 140);
        QCOMPARE(jahn.LatSemicircles, 602412908);
        QCOMPARE(jahn.LonSemicircles, 144443926);
        QCOMPARE(jahn.HasTime, quint8(1));
        QCOMPARE(jahn.Time, 1143841702);
        const Waypoint& narva = store.record(7);
        QCOMPARE(narva.Description, QStringLiteral("Start"));
        QCOMPARE(narva.HasAltitude, quint8(1));
        QCOMPARE(narva.Altitude, 391.0);
        QCOMPARE(narva.Symbol, 142);
        QCOMPARE(narva.Url, QStringLiteral("http://www.narva-light.de"));
        QCOMPARE(narva.LinkName, QStringLiteral("Link"));
        QCOMPARE(narva.CategoryBits, 16384);
        QCOMPARE(narva.LatSemicircles, 602400373);
        QVERIFY(qAbs(narva.Latitude - 50.492616) < 1e-6);
        QVERIFY(qAbs(narva.Longitude - 12.105448) < 1e-6);
        QCOMPARE(narva.Time, 1143841766);
    }

    void refusedFixtures_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("message");
        QTest::newRow("version l") << QStringLiteral("gdb-sample2.gdb")
                                   << QStringLiteral("GDB is in an unknown format:  l") + kInform;
        QTest::newRow("version m") << QStringLiteral("gdb-sample-v3.gdb")
                                   << QStringLiteral("GDB is in an unknown format:  m") + kInform;
        QTest::newRow("an MPS file") << QStringLiteral("mapsource.mps")
                                     << QStringLiteral("GDB is in an unknown format:  g") + kInform;
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
        const ImportResult r = ReadGdbFile(FixturePath(fixture), store, progress);
        QCOMPARE(Texts(r), QStringList{message});
        QCOMPARE(r.result, 0);
        QCOMPARE(store.WaypointCount(), 1);
    }
};

QTEST_GUILESS_MAIN(GdbReaderTest)
#include "test_gdbreader.moc"
