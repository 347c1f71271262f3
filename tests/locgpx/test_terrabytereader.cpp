// The TerraByte LOC reader on files built here, and every prefix of the real
// file and of a built one through the XML LOC reader, which hands them on.
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

#include "locgpx/locreader.h"
#include "locgpx/terrabytereader.h"
#include "support/testfiles.h"

namespace {

const QByteArray kHeader =
    QByteArray("TerraByte Location File Copyright 2002 TopoGrafix") + '\x0A' + '\x0E';

QByteArray Counted(char tag, const QByteArray& text) {
    return QByteArray(1, tag) + char(text.size()) + text;
}

QByteArray Zero(char tag, const QByteArray& text) {
    return QByteArray(1, tag) + text + '\0';
}

QByteArray Number(char tag, double value) {
    return QByteArray(1, tag) + LittleEndian(value);
}

QByteArray Record(const QByteArray& fields, char end = '\xFF') {
    return 'W' + fields + end;
}

}  // namespace

class TerraByteReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // Each row is the records of a file, and what reading it gives (as in
    // tests/data/readers/xml.txt).
    void cases_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QByteArray& records, const char* expected) {
            QTest::newRow(name) << kHeader + records + '\0'
                                << QStringList{QString::fromUtf8(expected)};
        };
        row("header only", {}, "names: ");
        row("defaults", Record(Counted(1, "N")),
            "Symbol,Display,CategoryBits,Altitude,Time: 999|999|999|0 0|0 0");
        row("every text",
            Record(Counted(1, "GC1") + Counted(2, "comment") + Counted(3, "desc") +
                   Counted(5, "http://a/") + Counted(6, "link") + Counted(7, "Geocache") +
                   Zero(9, "http://b/") + Zero(0x10, "other link") + Number(0x63, 47.5) +
                   Number(0x64, -7.25)),
            "Name,Comment,Description,Url,LinkName,TypeText,Symbol,Position: "
            "GC1|comment|desc|http://b/|other link|Geocache|117|47.5 -7.25");
        row("later description wins", Record(Counted(1, "N") + Counted(3, "Old") + Zero(8, "New")),
            "Name,Description: N|New");
        row("no name at FF takes the description", Record(Zero(8, "Old Mill")),
            "Name,Description: Old Mill|Old Mill");
        row("no name at 00 stays empty", Record(Zero(8, "Old Mill"), '\0'),
            "Name,Description: |Old Mill");
        row("unknown tag 4 has no data", Record("\x04" + Counted(1, "N")), "Name: N");
        row("type GEOCACHE FOUND", Record(Counted(7, "GEOCACHE FOUND")), "Symbol: 118");
        row("icon is not used",
            Record(QByteArray(1, '\x84') + LittleEndian<qint32>(118) + Counted(7, "waypoint")),
            "Symbol: 18");
        row("altitude", Record(Number(0x65, 512.25)), "Altitude: 1 512.25");
        row("Windows-1252 texts", Record(Counted(1, "Caf\xE9") + Zero(8, "\x80 5")),
            "Name,Description: Café|€ 5");

        // Raw doubles that nothing checked: no undefined conversion (the
        // semicircles clamp), no NaN or infinity in the store, finite values
        // as the file has them.
        const auto position = [&row](const char* name, double value, const char* expected) {
            row(name, Record(Number(0x63, value) + Number(0x64, value)), expected);
        };
        position("NaN", std::nan(""), "Position,Semicircles: 0 0|0 0");
        position("inf", std::numeric_limits<double>::infinity(), "Position,Semicircles: 0 0|0 0");
        position("200", 200, "Position,Semicircles: 200 200|2147483647 2147483647");
    }
    void cases() { CheckCase(&ReadTerraByteFile, dir_.path(), QStringLiteral("case.loc")); }

    // Running totals every 20 records, counted from the store's size; no
    // cancel. More than 32767 records are all read.
    void manyRecords() {
        QByteArray records;
        const int count = 40000;
        for (int i = 1; i <= count; ++i) {
            records += Record(Counted(1, QByteArray::number(i)));
        }
        WaypointStore store;
        store.Waypoints.resize(100);
        RecordingProgress progress;
        progress.cancelAfterEvents = 1;
        const ImportResult r = ReadTerraByteFile(
            WriteTestFile(dir_.path(), QStringLiteral("many.loc"), kHeader + records + '\0'), store,
            progress);
        QCOMPARE(r.result, count);
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(store.WaypointCount(), 100 + count);
        QCOMPARE(store.record(100 + 32768).Name, QStringLiteral("32768"));
        QCOMPARE(store.record(100 + count).Name, QString::number(count));
        QCOMPARE(progress.runningTotals.size(), size_t(count / 20));
        QCOMPARE(progress.runningTotals[0], 120);
        QCOMPARE(progress.runningTotals[1], 140);
    }

    // Every prefix of a file, through the LOC reader: those too short to say
    // "TerraByte" are neither format; all others keep the records of the
    // whole file that end inside them, and one message says the file is cut.
    void truncations_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint32>("count");
        QTest::addColumn<QList<qsizetype>>("recordEnds");  // where known
        const QByteArray records[] = {
            Record(Counted(1, "A") + Zero(8, "first") + QByteArray(1, '\x84') +
                   LittleEndian<qint32>(149) + Number(0x63, 1) + Number(0x64, 2) +
                   Zero(9, "http://a/") + Zero(0x10, "link") + Number(0x66, 0)),
            Record(Counted(1, "B") + Counted(3, "second") + Counted(7, "Geocache") +
                   Number(0x65, 12)),
            Record(Counted(1, "C") + Counted(2, "") + Counted(5, "u") + Counted(6, "l"), '\0'),
        };
        QByteArray file = kHeader;
        QList<qsizetype> recordEnds;
        for (const QByteArray& record : records) {
            file += record;
            recordEnds.push_back(file.size());
        }
        QTest::newRow("built") << file + '\0' << 3 << recordEnds;
        if (FixturesAvailable()) {
            QTest::newRow("easygps.loc")
                << FileBytes(FixturePath(QStringLiteral("easygps.loc"))) << 9 << QList<qsizetype>();
        }
    }
    void truncations() {
        QFETCH(QByteArray, file);
        QFETCH(QList<qsizetype>, recordEnds);
        const auto read = [this](const QByteArray& bytes, WaypointStore& store) {
            RecordingProgress progress;
            return ReadLocFile(WriteTestFile(dir_.path(), QStringLiteral("cut.loc"), bytes), store,
                               progress);
        };
        const auto namesAndUrls = [](const WaypointStore& store) {
            QStringList texts;
            for (const Waypoint& w : store.Waypoints) {
                texts.push_back(w.Name + QLatin1Char('|') + w.Url);
            }
            return texts;
        };
        WaypointStore whole;
        const ImportResult all = read(file, whole);
        QCOMPARE(Texts(all), QStringList());
        QTEST(all.result, "count");
        qint32 previous = 0;
        for (qsizetype length = 0; length < file.size(); ++length) {
            WaypointStore store;
            const ImportResult r = read(file.left(length), store);
            QCOMPARE(r.messages.size(), size_t(1));
            if (length < 9) {
                QCOMPARE(r.result, -1);
                QCOMPARE(r.messages[0].title, QStringLiteral("Parse Error"));
                QCOMPARE(store.WaypointCount(), 0);
                continue;
            }
            QVERIFY(r.result >= previous && r.result <= all.result);
            if (!recordEnds.isEmpty()) {
                QCOMPARE(r.result,
                         qint32(std::count_if(recordEnds.begin(), recordEnds.end(),
                                              [&](qsizetype end) { return end <= length; })));
            }
            QCOMPARE(namesAndUrls(store), namesAndUrls(whole).first(r.result));
            QVERIFY2(r.messages[0].text.startsWith(QStringLiteral("The TerraByte LOC file ") +
                                                   dir_.filePath(QStringLiteral("cut.loc")) +
                                                   QStringLiteral(" is truncated")),
                     qPrintable(r.messages[0].text));
            QVERIFY(r.messages[0].text.endsWith(
                QStringLiteral("Waypoints imported from before the damage: %1").arg(r.result)));
            previous = r.result;
        }
        // Only the end byte is missing in the longest prefix.
        QCOMPARE(previous, all.result);
    }
};

QTEST_GUILESS_MAIN(TerraByteReaderTest)
#include "test_terrabytereader.moc"
