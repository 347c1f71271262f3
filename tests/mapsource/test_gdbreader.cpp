// The GDB reader on hand-assembled files: what sets it apart from the MPS
// reader, whose tests cover the record loop they share.
#include "mapsource/gdbreader.h"
#include "mapsourcebuilder.h"

class GdbReaderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void records_data() {
        RecordsColumns();
        const QByteArray a = NamedWaypoint("A", true);
        const QByteArray b = NamedWaypoint("B", true);
        const QString ab = QStringLiteral("A B");
        const QString none;
        const qint64 second = GdbHeader().size() + a.size();
        const QString unknown = QStringLiteral("GDB is in an unknown format:  %1") + Inform(true);
        const QString notMapSource = QStringLiteral("That's not a valid MapSource GDB!\r\n*%1*");

        QTest::newRow("Mapsource") << GdbFile(a + b, "Mapsource") << ab << none;
        QTest::newRow("MAPSOURCE")
            << GdbFile(a + b, "MAPSOURCE") << none << notMapSource.arg(QStringLiteral("MAPSOURCE"));
        QTest::newRow("application name in Windows-1252")
            << GdbFile(a, "Map\xa7ource") << none << notMapSource.arg(QStringLiteral("Map§ource"));
        QTest::newRow("application name without its 00")
            << GdbHeader().chopped(1) << none
            << Damaged(QStringLiteral("the file ends inside the application name at byte 45"));
        // Both bytes of the version are shown.
        QTest::newRow("version k without its 00")
            << QByteArray("MsRcf\0", 6) + Record('D', "kx") + a + kMapSet << none
            << unknown.arg(QStringLiteral("kx"));
        // The fifth byte of the signature is not looked at.
        QTest::newRow("an MPS file")
            << MpsFile(NamedWaypoint("A")) << none << unknown.arg(QLatin1Char('g'));
        QTest::newRow("bytes after the map set never read")
            << GdbFile(a + b) + QByteArray("\xff\xff\xff\xffXgarbage") << ab << none;
        // The last fields are the time flag and 4 time bytes.
        QTest::newRow("length 2 short of its fields")
            << GdbFile(a + RecordWithLength(static_cast<qint32>(b.size()) - 7, 'W', b.mid(5)))
            << none << ShortRecord('W', second, second + b.size() - 4);
    }
    void records() { CheckRecords(&ReadGdbBytes); }

    // Flags decide which doubles are on file; each row sets some of them
    // (bits: altitude 1, proximity 2, depth 4, temperature 8, time 16).
    void flaggedFields_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("values");
        QTest::newRow("none") << 0 << "0 0|0 0|0 0|0 0|0 0";
        QTest::newRow("altitude") << 17 << "1 123.25|0 0|0 0|0 0|1 1143841766";
        QTest::newRow("proximity") << 18 << "0 0|1 50.5|0 0|0 0|1 1143841766";
        QTest::newRow("depth") << 20 << "0 0|0 0|1 -3.5|0 0|1 1143841766";
        QTest::newRow("temperature") << 24 << "0 0|0 0|0 0|1 -7.5|1 1143841766";
        QTest::newRow("all") << 31 << "1 123.25|1 50.5|1 -3.5|1 -7.5|1 1143841766";
    }
    void flaggedFields() {
        QFETCH(int, flags);
        TestWaypoint t = Filled();
        t.altitudeFlag = flags & 1;
        t.proximityFlag = (flags >> 1) & 1;
        t.depthFlag = (flags >> 2) & 1;
        t.temperatureFlag = (flags >> 3) & 1;
        t.timeFlag = (flags >> 4) & 1;
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGdbBytes(
            GdbFile(WaypointRecord(t, true) + NamedWaypoint("NEXT", true)), kPath, store, progress);
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(Names(store), (QStringList{QStringLiteral("Café €"), QStringLiteral("NEXT")}));
        const Waypoint& w = store.record(1);
        QTEST(FieldsText(w, QStringLiteral("Altitude,Proximity,Depth,Temperature,Time")), "values");
        QCOMPARE(FieldsText(w, QStringLiteral("Description,Semicircles,Position,Display,Colour,"
                                              "Symbol,Url,LinkName,CategoryBits,Comment,Hint")),
                 QStringLiteral("Near the “old” oak|536870912 -536870912|45 -45|2|5|117|"
                                "http://example.org/x|Link|-32767||"));
    }
};

QTEST_GUILESS_MAIN(GdbReaderTest)
#include "test_gdbreader.moc"
