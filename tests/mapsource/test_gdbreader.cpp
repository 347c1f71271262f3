// The GDB reader on hand-assembled files: what sets it apart from the MPS
// reader, whose tests cover the record loop they share.
#include "mapsource/gdbreader.h"
#include "mapsourcebuilder.h"

namespace {

// Filled() as version 3 holds it: UTF-8 texts, two links (the first is the
// waypoint's), an address, a phone number and a postal code.
TestWaypoint FilledV3() {
    TestWaypoint t = Filled();
    t.name = "Caf\xc3\xa9 \xe2\x82\xac";
    t.comment = "Near the \xe2\x80\x9cold\xe2\x80\x9d oak";
    t.address =
        "Hauptstra\xc3\x9f"
        "e 1";
    t.duration = 3600;
    t.links = {t.url, "http://example.org/second"};
    t.phones = {"+49 341 123", "Mobile"};
    t.postalCode = "04109";
    return t;
}

QByteArray NamedWaypointV3(const QByteArray& name) {
    TestWaypoint w;
    w.name = name;
    w.comment = name + " comment";
    return WaypointRecordV3(w);
}

QString CountTooLarge(qint64 start, qint64 at) {
    return Damaged(QStringLiteral("the W record at byte %1 holds a count at byte %2 that is "
                                  "negative or larger than the rest of the record")
                       .arg(start)
                       .arg(at));
}

}  // namespace

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

        // Version 2 has the layout of version 1; a route point's duration
        // is a number, not a flag.
        TestWaypoint routePoint;
        routePoint.name = "ROUTE";
        routePoint.wclass = 10;
        TestWaypoint timed;
        timed.name = "TIMED";
        timed.url = "http://example.org/";
        QByteArray timedRecord = WaypointRecord(timed, true);
        timedRecord[timedRecord.indexOf(QByteArray(6, '\0')) + 2] = '\x2c';
        QTest::newRow("version l")
            << GdbFile(a + WaypointRecord(routePoint, true) + timedRecord, "MapSource", 'l')
            << QStringLiteral("A TIMED") << none;
        // Version 3 in files of both programs; its class-10 records skipped.
        const QByteArray a3 = NamedWaypointV3("A");
        const QByteArray b3 = NamedWaypointV3(
            "\xc3\x9c"
            "B");
        QTest::newRow("version m from MapSource")
            << GdbFile(a3 + WaypointRecordV3(routePoint) + b3, "MapSource", 'm')
            << QStringLiteral("A \u00dcB") << none;
        QTest::newRow("version m from BaseCamp")
            << GdbFile(a3 + b3, "BaseCamp", 'm') << QStringLiteral("A \u00dcB") << none;
        QTest::newRow("version n")
            << GdbFile(a3, "BaseCamp", 'n') << none << unknown.arg(QLatin1Char('n'));
        // A version-1 record read as version 3 runs past its end: the phone
        // count would start at its last byte.
        QTest::newRow("version m with a version-1 record")
            << GdbFile(a, "MapSource", 'm') << none
            << ShortRecord('W', GdbHeader().size(), GdbHeader().size() + a.size() - 1);

        // Counts that the record cannot hold are refused where they stand.
        const qint64 second3 = GdbHeader().size() + a3.size();
        const auto counted = [&](const char* name, std::optional<qint32> TestWaypoint::*field,
                                 qint32 count) {
            TestWaypoint t = FilledV3();
            t.*field = 0x5a5a5a5a;
            const qint64 at = second3 + WaypointRecordV3(t).indexOf(LittleEndian(*(t.*field)));
            t.*field = count;
            QTest::newRow(name) << GdbFile(a3 + WaypointRecordV3(t) + b3, "MapSource", 'm') << none
                                << CountTooLarge(second3, at);
        };
        counted("link count beyond the record", &TestWaypoint::linkCount, 0x7fffff00);
        counted("link count below zero", &TestWaypoint::linkCount, -1);
        // 37 bytes follow it: 18 pairs of empty texts would fit, 19 don't.
        counted("phone count beyond the record", &TestWaypoint::phoneCount, 19);
        counted("phone count below zero", &TestWaypoint::phoneCount, -2);
    }
    void records() { CheckRecords(&ReadGdbBytes); }

    // Flags decide which doubles are on file; each row sets some of them
    // (bits: altitude 1, proximity 2, depth 4, temperature 8, time 16), in a
    // version-1 or version-3 record.
    void flaggedFields_data() {
        QTest::addColumn<bool>("v3");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("values");
        for (const bool v3 : {false, true}) {
            const auto row = [v3](const char* name, int flags, const char* values) {
                QTest::addRow("%s%s", v3 ? "v3 " : "", name) << v3 << flags << values;
            };
            row("none", 0, "0 0|0 0|0 0|0 0|0 0");
            row("altitude", 17, "1 123.25|0 0|0 0|0 0|1 1143841766");
            row("proximity", 18, "0 0|1 50.5|0 0|0 0|1 1143841766");
            row("depth", 20, "0 0|0 0|1 -3.5|0 0|1 1143841766");
            row("temperature", 24, "0 0|0 0|0 0|1 -7.5|1 1143841766");
            row("all", 31, "1 123.25|1 50.5|1 -3.5|1 -7.5|1 1143841766");
        }
    }
    void flaggedFields() {
        QFETCH(bool, v3);
        QFETCH(int, flags);
        TestWaypoint t = v3 ? FilledV3() : Filled();
        t.altitudeFlag = flags & 1;
        t.proximityFlag = (flags >> 1) & 1;
        t.depthFlag = (flags >> 2) & 1;
        t.temperatureFlag = (flags >> 3) & 1;
        t.timeFlag = (flags >> 4) & 1;
        WaypointStore store;
        RecordingProgress progress;
        const QByteArray file =
            v3 ? GdbFile(WaypointRecordV3(t) + NamedWaypointV3("NEXT"), "BaseCamp", 'm')
               : GdbFile(WaypointRecord(t, true) + NamedWaypoint("NEXT", true));
        const ImportResult r = ReadGdbBytes(file, kPath, store, progress);
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
