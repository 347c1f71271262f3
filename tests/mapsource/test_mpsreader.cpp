// The MPS reader on hand-assembled files. The record loop is the GDB
// reader's too, so the rows that are no matter of format are here alone.
#include "mapsource/mpsreader.h"
#include "mapsourcebuilder.h"

class MpsReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void records_data() {
        RecordsColumns();
        const QByteArray a = NamedWaypoint("A");
        const QByteArray b = NamedWaypoint("B");
        const QString ab = QStringLiteral("A B");
        const QString none;
        const qint64 second = MpsHeader().size() + a.size();
        const QString unknown = QStringLiteral("MPS is in an unknown format:  %1") + Inform(false);
        TestWaypoint longer;
        longer.name = "LONG";
        longer.trailing = QByteArray(7, 'W');

        QTest::newRow("version g") << MpsFile(a + b) << ab << none;
        QTest::newRow("version h") << MpsFile(a + b, 'h') << ab << none;
        QTest::newRow("version i") << MpsFile(a + b, 'i') << ab << none;
        QTest::newRow("version k") << MpsFile(a + b, 'k') << none << unknown.arg(QLatin1Char('k'));
        QTest::newRow("version g without its 00")
            << QByteArray("MsRcd\0", 6) + Record('D', "gx") + a + kMapSet << none
            << unknown.arg(QLatin1Char('g'));
        QTest::newRow("version record of no bytes")
            << QByteArray("MsRcd\0", 6) + Record('D', {}) + a + kMapSet << none
            << ShortRecord('D', 6, 11);
        QTest::newRow("application record of one byte")
            << QByteArray("MsRcd\0", 6) + Record('D', QByteArray("g\0", 2)) + Record('A', "x") + a +
                   kMapSet
            << none << ShortRecord('A', 13, 18);
        QTest::newRow("map-set length 0") << MpsHeader() + a + b + Record('V', {}) << ab << none;
        QTest::newRow("map set followed by 5 bytes")
            << MpsFile(a + b) + QByteArray("\x05\0\0\0W", 5) << ab << none;
        QTest::newRow("map set followed by 6 stray bytes")
            << MpsFile(a + b) + QByteArray(6, '\0') << none
            << QStringLiteral("Unknown record identifier: (0)") + Inform(false);
        QTest::newRow("record letter 0xE9")
            << MpsFile(a + Record('\xe9', {})) << none
            << QStringLiteral("Unknown record identifier: (233)é") + Inform(false);
        QTest::newRow("no map-set record")
            << MpsHeader() + a + b << none
            << Damaged(QStringLiteral("the file ends at byte %1 without its map-set record")
                           .arg(second + b.size()));
        QTest::newRow("record header cut short")
            << MpsHeader() + a + QByteArray("\x10\0\0", 3) << none
            << Damaged(QStringLiteral("the file ends inside the record at byte %1").arg(second));
        // Lengths of -1, 0 and 2^31-1 in the second waypoint record.
        const QByteArray bData = b.mid(5);
        QTest::newRow("length -1")
            << MpsFile(a + RecordWithLength(-1, 'W', bData)) << none
            << Damaged(
                   QStringLiteral("the record at byte %1 has a negative length (-1)").arg(second));
        QTest::newRow("length 0") << MpsFile(a + RecordWithLength(0, 'W', {})) << none
                                  << ShortRecord('W', second, second + 5);
        QTest::newRow("length 2^31-1")
            << MpsFile(a + RecordWithLength(2147483647, 'W', bData)) << none
            << Damaged(QStringLiteral("the file ends inside the record at byte %1, which declares "
                                      "2147483647 data bytes where %2 are left")
                           .arg(second)
                           .arg(bData.size() + kMapSet.size()));
        // The depth double starts 15 bytes before the end of the fields.
        QTest::newRow("length 10 short of its fields")
            << MpsFile(a + RecordWithLength(static_cast<qint32>(b.size()) - 15, 'W', b.mid(5)))
            << none << ShortRecord('W', second, second + b.size() - 15);
        QTest::newRow("name without its 00")
            << MpsFile(a + Record('W', "NAME")) << none << ShortRecord('W', second, second + 5);
        QTest::newRow("record longer than its fields")
            << MpsFile(a + WaypointRecord(longer, false) + b) << QStringLiteral("A LONG B") << none;
        QTest::newRow("no MapSource signature")
            << QByteArray("MsRx") + MpsFile(a).mid(4) << none
            << QStringLiteral("That's not a valid Mapsource file!");
        QTest::newRow("GDB signature") << GdbFile(NamedWaypoint("A", true)) << none
                                       << QStringLiteral("That's not a valid MPS file!");
        QTest::newRow("signature cut after its fifth byte")
            << QByteArray("MsRcd") << none
            << Damaged(QStringLiteral("the file ends at byte 5 inside its 6-byte signature"));
    }
    void records() { CheckRecords(&ReadMpsBytes); }

    void fieldsAsRead() {
        TestWaypoint t = Filled();
        t.altitudeFlag = 1;
        t.depthFlag = 1;
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadMpsBytes(MpsFile(WaypointRecord(t, false)), kPath, store, progress);
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(r.result, 1);
        // The double after a flag is there in MPS whatever the flag says.
        QCOMPARE(FieldsText(store.record(1),
                            QStringLiteral("Name,Description,Semicircles,Position,Altitude,"
                                           "Proximity,Depth,Display,Colour,Symbol,CategoryBits,"
                                           "Url,LinkName,Comment,Hint,Time")),
                 QStringLiteral("Café €|Near the “old” oak|536870912 -536870912|45 -45|1 123.25|"
                                "0 50.5|1 -3.5|2|5|117|999|||||0 0"));
    }

    void statusEveryFifty() {
        QByteArray records;
        for (int i = 1; i <= 120; ++i) {
            records += NamedWaypoint(QByteArray::number(i));
        }
        WaypointStore store;
        store.Waypoints.resize(10);
        RecordingProgress progress;
        QCOMPARE(ReadMpsBytes(MpsFile(records), kPath, store, progress).result, 120);
        QCOMPARE(store.WaypointCount(), 130);
        QCOMPARE(store.record(11).Name, QStringLiteral("1"));
        QCOMPARE(store.record(130).Name, QStringLiteral("120"));
        QCOMPARE(progress.currentImports, (std::vector<qint32>{50, 100}));
        QCOMPARE(progress.eventPasses, 120);
    }
};

QTEST_GUILESS_MAIN(MpsReaderTest)
#include "test_mpsreader.moc"
