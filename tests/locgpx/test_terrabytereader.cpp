// The TerraByte LOC reader on the real file and on files built here.
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <bit>
#include <cmath>
#include <limits>

#include "core/store.h"
#include "locgpx/locreader.h"
#include "locgpx/terrabytereader.h"
#include "support/fakes.h"

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
    char raw[8];
    qToLittleEndian(std::bit_cast<quint64>(value), raw);
    return QByteArray(1, tag) + QByteArray(raw, 8);
}

QByteArray Icon(qint32 value) {
    char raw[4];
    qToLittleEndian(value, raw);
    return QByteArray(1, '\x84') + QByteArray(raw, 4);
}

QByteArray Record(const QByteArray& fields, char end = '\xFF') {
    return 'W' + fields + end;
}

}  // namespace

class TerraByteReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            qFatal("cannot write the test file");
        }
        return path;
    }

private Q_SLOTS:
    void records_data() {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<char>("end");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<qint32>("symbol");
        QTest::addColumn<quint8>("hasAltitude");
        QTest::addColumn<double>("altitude");

        QTest::newRow("later description wins")
            << QByteArray(Counted(1, "N") + Counted(3, "Old") + Zero(8, "New")) << '\xFF' << "N"
            << "New" << NotSet << quint8(0) << 0.0;
        QTest::newRow("no name at FF takes the description")
            << QByteArray(Zero(8, "Old Mill")) << '\xFF' << "Old Mill"
            << "Old Mill" << NotSet << quint8(0) << 0.0;
        QTest::newRow("no name at 00 stays empty") << QByteArray(Zero(8, "Old Mill")) << '\0' << ""
                                                   << "Old Mill" << NotSet << quint8(0) << 0.0;
        QTest::newRow("unknown tag 4 has no data")
            << QByteArray("\x04" + Counted(1, "N")) << '\xFF' << "N"
            << "" << NotSet << quint8(0) << 0.0;
        QTest::newRow("type GEOCACHE FOUND")
            << QByteArray(Counted(7, "GEOCACHE FOUND")) << '\xFF' << ""
            << "" << 118 << quint8(0) << 0.0;
        QTest::newRow("type Trailhead is no symbol name")
            << QByteArray(Counted(7, "Trailhead")) << '\xFF' << ""
            << "" << NotSet << quint8(0) << 0.0;
        QTest::newRow("icon is not used")
            << QByteArray(Icon(118) + Counted(7, "waypoint")) << '\xFF' << ""
            << "" << 18 << quint8(0) << 0.0;
        QTest::newRow("altitude") << QByteArray(Number(0x65, 512.25)) << '\xFF' << ""
                                  << "" << NotSet << quint8(1) << 512.25;
        QTest::newRow("unused eight bytes")
            << QByteArray(Number(0x66, 1.0) + Counted(1, "N")) << '\xFF' << "N"
            << "" << NotSet << quint8(0) << 0.0;
        QTest::newRow("Windows-1252 texts")
            << QByteArray(Counted(1, "Caf\xE9") + Zero(8, "\x80 5")) << '\xFF'
            << QString::fromUtf8("Café") << QString::fromUtf8("€ 5") << NotSet << quint8(0) << 0.0;
    }
    void records() {
        QFETCH(QByteArray, fields);
        QFETCH(char, end);
        const QString path =
            write(QStringLiteral("record.loc"), kHeader + Record(fields, end) + '\0');
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadTerraByteFile(path, store, progress);
        QCOMPARE(r.result, 1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        const Waypoint& w = store.record(1);
        QTEST(w.Name, "name");
        QTEST(w.Description, "description");
        QTEST(w.Symbol, "symbol");
        QTEST(w.HasAltitude, "hasAltitude");
        QTEST(w.Altitude, "altitude");
        QCOMPARE(w.Display, NotSet);
        QCOMPARE(w.CategoryBits, NotSet);
        QCOMPARE(w.HasTime, quint8(0));
    }

    void allTexts() {
        const QByteArray fields = Counted(1, "GC1") + Counted(2, "comment") + Counted(3, "desc") +
                                  Counted(5, "http://a/") + Counted(6, "link") +
                                  Counted(7, "Geocache") + Zero(9, "http://b/") +
                                  Zero(0x10, "other link") + Number(0x63, 47.5) +
                                  Number(0x64, -7.25);
        const QString path = write(QStringLiteral("texts.loc"), kHeader + Record(fields) + '\0');
        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(ReadTerraByteFile(path, store, progress).result, 1);
        const Waypoint& w = store.record(1);
        QCOMPARE(w.Name, QStringLiteral("GC1"));
        QCOMPARE(w.Comment, QStringLiteral("comment"));
        QCOMPARE(w.Description, QStringLiteral("desc"));
        QCOMPARE(w.Url, QStringLiteral("http://b/"));
        QCOMPARE(w.LinkName, QStringLiteral("other link"));
        QCOMPARE(w.TypeText, QStringLiteral("Geocache"));
        QCOMPARE(w.Symbol, 117);
        QCOMPARE(w.Latitude, 47.5);
        QCOMPARE(w.Longitude, -7.25);
        QCOMPARE(w.LatSemicircles, DegreesToSemicircles(47.5));
        QCOMPARE(w.LonSemicircles, DegreesToSemicircles(-7.25));
        QVERIFY(!store.CoordinatesFixed);
    }

    // Raw doubles that nothing checked: no undefined conversion, no NaN or
    // infinity in the store, finite values as the file has them.
    void coordinates_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("degrees");
        QTest::addColumn<qint32>("semicircles");
        const double inf = std::numeric_limits<double>::infinity();
        const qint32 max = std::numeric_limits<qint32>::max();
        const qint32 min = std::numeric_limits<qint32>::min();
        QTest::newRow("NaN") << std::nan("") << 0.0 << 0;
        QTest::newRow("+inf") << inf << 0.0 << 0;
        QTest::newRow("-inf") << -inf << 0.0 << 0;
        QTest::newRow("1e300") << 1e300 << 1e300 << max;
        QTest::newRow("-1e300") << -1e300 << -1e300 << min;
        QTest::newRow("180") << 180.0 << 180.0 << max;
        QTest::newRow("-180") << -180.0 << -180.0 << min;
        QTest::newRow("200") << 200.0 << 200.0 << max;
        QTest::newRow("45") << 45.0 << 45.0 << (1 << 29);
    }
    void coordinates() {
        QFETCH(double, value);
        const QString path =
            write(QStringLiteral("coordinates.loc"),
                  kHeader + Record(Number(0x63, value) + Number(0x64, value)) + '\0');
        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(ReadTerraByteFile(path, store, progress).result, 1);
        const Waypoint& w = store.record(1);
        QTEST(w.Latitude, "degrees");
        QTEST(w.Longitude, "degrees");
        QTEST(w.LatSemicircles, "semicircles");
        QTEST(w.LonSemicircles, "semicircles");
        QVERIFY(!store.CoordinatesFixed);
    }

    void headerOnly() {
        const QString path = write(QStringLiteral("empty.loc"), kHeader + '\0');
        WaypointStore store;
        store.Waypoints.emplace_back();
        RecordingProgress progress;
        const ImportResult r = ReadTerraByteFile(path, store, progress);
        QCOMPARE(r.result, 0);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
    }

    void notTerraByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("lower case") << QByteArray("terrabyte Location File") + '\0';
        QTest::newRow("short") << QByteArray("TerraByt");
        QTest::newRow("empty") << QByteArray();
    }
    void notTerraByte() {
        QFETCH(QByteArray, bytes);
        const QString path = write(QStringLiteral("other.loc"), bytes);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadTerraByteFile(path, store, progress);
        QCOMPARE(r.result, -1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 0);
    }

    void missingOrFolder() {
        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(
            ReadTerraByteFile(dir_.filePath(QStringLiteral("none.loc")), store, progress).result,
            -1);
        QCOMPARE(ReadTerraByteFile(dir_.path(), store, progress).result, -1);
        QCOMPARE(store.WaypointCount(), 0);
    }

    void runningTotals() {
        QByteArray records;
        for (int i = 1; i <= 45; ++i) {
            records += Record(Counted(1, "W" + QByteArray::number(i)));
        }
        const QString path = write(QStringLiteral("totals.loc"), kHeader + records + '\0');
        WaypointStore store;
        store.Waypoints.resize(100);
        RecordingProgress progress;
        progress.cancelAfterEvents = 1;  // has no effect on this reader
        const ImportResult r = ReadTerraByteFile(path, store, progress);
        QCOMPARE(r.result, 45);
        QCOMPARE(store.WaypointCount(), 145);
        QCOMPARE(progress.runningTotals, std::vector<qint32>({120, 140}));
        QCOMPARE(store.record(145).Name, QStringLiteral("W45"));
    }

    void moreThan32767Records() {
        QByteArray records;
        const int count = 40000;
        for (int i = 1; i <= count; ++i) {
            records += Record(Counted(1, QByteArray::number(i)));
        }
        const QString path = write(QStringLiteral("large.loc"), kHeader + records + '\0');
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadTerraByteFile(path, store, progress);
        QCOMPARE(r.result, count);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), count);
        QCOMPARE(store.record(32768).Name, QStringLiteral("32768"));
        QCOMPARE(store.record(count).Name, QString::number(count));
        QCOMPARE(progress.runningTotals.size(), size_t(count / 20));
    }

    // Every prefix of a file built here: exactly the records that end
    // inside the prefix are kept, and one message says the file is cut.
    void truncationsOfBuiltFile() {
        const QByteArray records[] = {
            Record(Counted(1, "A") + Zero(8, "first") + Icon(149) + Number(0x63, 1) +
                   Number(0x64, 2) + Zero(9, "http://a/") + Zero(0x10, "link") + Number(0x66, 0)),
            Record(Counted(1, "B") + Counted(3, "second") + Counted(7, "Geocache") +
                   Number(0x65, 12)),
            Record(Counted(1, "C") + Counted(2, "") + Counted(5, "u") + Counted(6, "l"), '\0'),
        };
        QByteArray file = kHeader;
        std::vector<qsizetype> recordEnds;
        for (const QByteArray& record : records) {
            file += record;
            recordEnds.push_back(file.size());
        }
        file += '\0';
        const QStringList names = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        for (qsizetype length = 0; length <= file.size(); ++length) {
            const QString path = write(QStringLiteral("cut.loc"), file.left(length));
            WaypointStore store;
            store.Waypoints.emplace_back();
            RecordingProgress progress;
            const ImportResult r = ReadTerraByteFile(path, store, progress);
            if (length < 9) {
                QCOMPARE(r.result, -1);
                QVERIFY(r.messages.empty());
                QCOMPARE(store.WaypointCount(), 1);
                continue;
            }
            const auto complete =
                static_cast<qint32>(std::count_if(recordEnds.begin(), recordEnds.end(),
                                                  [&](qsizetype end) { return end <= length; }));
            QCOMPARE(r.result, complete);
            QCOMPARE(store.WaypointCount(), 1 + complete);
            for (qint32 i = 0; i < complete; ++i) {
                QCOMPARE(store.record(2 + i).Name, names[i]);
            }
            if (length == file.size()) {
                QVERIFY(r.messages.empty());
            } else {
                QCOMPARE(r.messages.size(), size_t(1));
                QVERIFY2(r.messages[0].text.startsWith(QStringLiteral("The TerraByte LOC file ") +
                                                       path + QStringLiteral(" is truncated")),
                         qPrintable(r.messages[0].text));
                QVERIFY(r.messages[0].text.endsWith(
                    QStringLiteral("Waypoints imported from before the damage: %1").arg(complete)));
            }
        }
    }

    // Every prefix of the real file, through the LOC reader: the prefixes
    // too short to say "TerraByte" are neither format, all others keep the
    // waypoints of the full file that they hold completely.
    void truncationsOfRealFile() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        QFile fixture(FixturePath(QStringLiteral("easygps.loc")));
        QVERIFY(fixture.open(QIODevice::ReadOnly));
        const QByteArray file = fixture.readAll();
        QStringList fullNames;
        {
            WaypointStore store;
            RecordingProgress progress;
            QCOMPARE(ReadLocFile(fixture.fileName(), store, progress).result, 9);
            for (const Waypoint& w : store.Waypoints) {
                fullNames.push_back(w.Name + QLatin1Char('|') + w.Url);
            }
        }
        qint32 previous = 0;
        for (qsizetype length = 0; length < file.size(); ++length) {
            const QString path = write(QStringLiteral("easygps-cut.loc"), file.left(length));
            WaypointStore store;
            RecordingProgress progress;
            const ImportResult r = ReadLocFile(path, store, progress);
            QCOMPARE(r.messages.size(), size_t(1));
            if (length < 9) {
                QCOMPARE(r.result, -1);
                QCOMPARE(r.messages[0].title, QStringLiteral("Parse Error"));
                QCOMPARE(store.WaypointCount(), 0);
                continue;
            }
            QVERIFY2(r.messages[0].text.contains(QStringLiteral("is truncated")),
                     qPrintable(r.messages[0].text));
            QVERIFY(r.result >= previous);
            QVERIFY(r.result <= 9);
            QCOMPARE(store.WaypointCount(), r.result);
            for (qint32 i = 1; i <= r.result; ++i) {
                QCOMPARE(store.record(i).Name + QLatin1Char('|') + store.record(i).Url,
                         fullNames[i - 1]);
            }
            previous = r.result;
        }
        // Only the end byte is missing in the longest prefix.
        QCOMPARE(previous, 9);
    }
};

QTEST_GUILESS_MAIN(TerraByteReaderTest)
#include "test_terrabytereader.moc"
