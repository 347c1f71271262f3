#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ansi.h"
#include "locgpx/terrabytewriter.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");
const QByteArray kHeader("TerraByte Location File Copyright 2002 TopoGrafix\x0A\x0E");

// The length-byte texts of each record: name (tag 1), comment (2), type (7).
struct TerraByteRecord {
    QString name;
    QString comment;
    QString type;
    qint32 icon = 0;
};

std::vector<TerraByteRecord> Records(const QByteArray& file) {
    std::vector<TerraByteRecord> records;
    qsizetype at = kHeader.size();
    const auto shortText = [&file, &at] {
        const int n = static_cast<quint8>(file[at++]);
        const QString t = DecodeAnsi(file.mid(at, n));
        at += n;
        return t;
    };
    const auto skipZeroText = [&file, &at] { at = file.indexOf('\0', at) + 1; };
    while (at < file.size() && file[at] != '\0') {
        ++at;  // "W"
        TerraByteRecord r;
        for (bool more = true; more;) {
            const auto tag = static_cast<quint8>(file[at++]);
            switch (tag) {
                case 1:
                    r.name = shortText();
                    break;
                case 2:
                    r.comment = shortText();
                    break;
                case 7:
                    r.type = shortText();
                    break;
                case 8:
                case 9:
                case 16:
                    skipZeroText();
                    break;
                case 0x84:
                    r.icon = LittleEndianAt<qint32>(file, at);
                    at += 4;
                    break;
                case 99:
                case 100:
                case 101:
                case 102:
                    at += 8;
                    break;
                default:
                    more = false;
            }
        }
        records.push_back(r);
    }
    return records;
}

Options DefaultOptions() {
    Options o;
    o.IconNumber = 18;
    o.PreserveIcons = true;
    o.DisplayMode = 1;
    o.PreserveDisplay = true;
    return o;
}

Waypoint Named(const QString& name) {
    Waypoint w;
    w.Name = name;
    w.Symbol = NotSet;
    w.Display = NotSet;
    w.CategoryBits = NotSet;
    return w;
}

Waypoint Gc1() {
    Waypoint w;
    w.Name = QStringLiteral("GC1");
    w.TypeText = QStringLiteral("Geocache");
    w.Symbol = 117;
    return w;
}

}  // namespace

class TerraByteWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void goldenFiles_data() {
        QTest::addColumn<QString>("store");
        QTest::newRow("realistic store, default options") << QStringLiteral("realistic");
        QTest::newRow("every option turned") << QStringLiteral("options");
    }
    void goldenFiles() {
        QFETCH(QString, store);
        StoreFile input = LoadStoreFile(kData + store + QStringLiteral(".json"));
        QVERIFY(input.loaded);
        const QString out = dir_.filePath(store + QStringLiteral(".tb.loc"));
        const WriteResult result = WriteTerraByteFile(out, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Written);
        // Only the exact copy is left out; names differing in case are both written.
        QCOMPARE(result.waypoints, 7);
        const QByteArray actual = ReadWholeFile(out);
        const QByteArray expected = ReadWholeFile(kData + store + QStringLiteral(".tb.loc"));
        QVERIFY2(actual == expected, FirstDifference(actual, expected).constData());
        // Every written waypoint has a type text now; names are as they were.
        for (const Waypoint& w : input.store.Waypoints) {
            if (!w.Duplicate) {
                QVERIFY2(!w.TypeText.isEmpty(), qPrintable(w.Name));
            }
        }
        QVERIFY(std::any_of(input.store.Waypoints.begin(), input.store.Waypoints.end(),
                            [](const Waypoint& w) { return w.Name == QLatin1String("gc9wf2"); }));
    }

    void recordGc1() {
        WaypointStore store;
        store.Waypoints = {Gc1()};
        const QString out = dir_.filePath(QStringLiteral("gc1.loc"));
        QCOMPARE(WriteTerraByteFile(out, store, DefaultOptions()).status, WriteResult::Written);
        QCOMPARE(ReadWholeFile(out), ReadWholeFile(kData + QStringLiteral("terrabyte-gc1.loc")));
    }

    void modNamesUsesItsOwnTable_data() {
        QTest::addColumn<QString>("cacheType");
        QTest::addColumn<QString>("written");
        QTest::newRow("Multi-cache") << "Multi-cache"
                                     << "MC1";
        QTest::newRow("unknown has no row here") << "unknown"
                                                 << "GC1";
        QTest::newRow("virtual cache") << "Virtual Cache"
                                       << "VC1";
    }
    void modNamesUsesItsOwnTable() {
        QFETCH(QString, cacheType);
        WaypointStore store;
        store.Waypoints = {Gc1()};
        store.Waypoints[0].CacheType = cacheType;
        Options o = DefaultOptions();
        o.ModNames = true;
        const EncodedFile file = EncodeTerraByteFile(store, o);
        const auto records = Records(file.bytes);
        QCOMPARE(records.size(), size_t(1));
        QTEST(records[0].name, "written");
        QCOMPARE(file.bytes.mid(kHeader.size(), 6),
                 QByteArray("W\x01\x03") + records[0].name.toLatin1());
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1"));
    }

    void duplicatesAreExact() {
        WaypointStore store;
        store.Waypoints = {Gc1(), Gc1()};
        store.Waypoints[1].Name = QStringLiteral("gc1");
        QCOMPARE(Records(EncodeTerraByteFile(store, DefaultOptions()).bytes).size(), size_t(2));
        store.Waypoints = {Gc1(), Gc1()};
        QCOMPARE(Records(EncodeTerraByteFile(store, DefaultOptions()).bytes).size(), size_t(1));
    }

    void latitude() {
        WaypointStore store;
        store.Waypoints = {Gc1()};
        store.Waypoints[0].Latitude = 51.5;
        const EncodedFile file = EncodeTerraByteFile(store, DefaultOptions());
        QVERIFY(file.bytes.contains(QByteArray::fromHex("630000000000C04940")));
    }

    void typeTextGiven_data() {
        QTest::addColumn<bool>("preserveIcons");
        QTest::addColumn<int>("iconNumber");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<QString>("typeText");
        QTest::addColumn<QString>("written");
        QTest::newRow("XML LOC waypoint") << true << 18 << int(NotSet) << ""
                                          << "Waypoint";
        QTest::newRow("XML LOC waypoint, geocache icon") << true << 117 << int(NotSet) << ""
                                                         << "Geocache";
        QTest::newRow("own symbol kept") << true << 18 << 111 << ""
                                         << "Tall Tower";
        QTest::newRow("own symbol not kept") << false << 112 << 111 << ""
                                             << "Short Tower";
        QTest::newRow("symbol beyond the table") << true << 118 << 149 << ""
                                                 << "Geocache Found";
        QTest::newRow("negative symbol") << true << 18 << -1 << ""
                                         << "Waypoint";
        QTest::newRow("own type text") << true << 18 << 117 << "cache"
                                       << "cache";
    }
    void typeTextGiven() {
        QFETCH(bool, preserveIcons);
        QFETCH(int, iconNumber);
        QFETCH(int, symbol);
        QFETCH(QString, typeText);
        QFETCH(QString, written);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("X"))};
        store.Waypoints[0].Symbol = symbol;
        store.Waypoints[0].TypeText = typeText;
        Options o = DefaultOptions();
        o.PreserveIcons = preserveIcons;
        o.IconNumber = iconNumber;
        const auto records = Records(EncodeTerraByteFile(store, o).bytes);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0].type, written);
        // The Icon field carries the symbol as stored.
        QCOMPARE(records[0].icon, symbol);
        QCOMPARE(store.Waypoints[0].TypeText, written);
    }

    void longTextsAreCutAndReported() {
        WaypointStore store;
        store.Waypoints = {Named(QString(300, QLatin1Char('n'))), Named(QStringLiteral("short"))};
        store.Waypoints[0].Comment = QString(256, QLatin1Char('c'));
        store.Waypoints[0].TypeText = QString(255, QLatin1Char('t'));
        store.Waypoints[0].Description = QString(1000, QLatin1Char('d'));
        store.Waypoints[1].TypeText = QString(999, QLatin1Char('t'));
        const QString out = dir_.filePath(QStringLiteral("long.loc"));
        const WriteResult result = WriteTerraByteFile(out, store, DefaultOptions());
        QCOMPARE(result.status, WriteResult::Written);
        const QByteArray bytes = ReadWholeFile(out);
        const auto records = Records(bytes);
        QCOMPARE(records.size(), size_t(2));
        QCOMPARE(records[0].name, QString(255, QLatin1Char('n')));
        QCOMPARE(records[0].comment, QString(255, QLatin1Char('c')));
        QCOMPARE(records[0].type, QString(255, QLatin1Char('t')));
        QCOMPARE(records[1].type, QString(255, QLatin1Char('t')));
        // The description ends at its 0x00 and needs no cut.
        QVERIFY(bytes.contains(QByteArray(1000, 'd') + '\0'));
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("3 texts were longer than 255 characters and cut to 255 in ") +
                     QDir::toNativeSeparators(out) + QLatin1Char('.'));
        QCOMPARE(result.messages[0].icon, MessageIcon::Exclamation);
        // The store keeps the whole texts.
        QCOMPARE(store.Waypoints[0].Name.size(), 300);
    }

    void fixedCoordinatesAreWarnedAbout() {
        WaypointStore store;
        store.Waypoints = {Gc1()};
        store.CoordinatesFixed = true;
        const WriteResult result =
            WriteTerraByteFile(dir_.filePath(QStringLiteral("fixed.loc")), store, DefaultOptions());
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].title, QStringLiteral("Errors during import"));
    }

    void emptyStoreWritesNothing() {
        WaypointStore store;
        const QString out = dir_.filePath(QStringLiteral("empty.loc"));
        QCOMPARE(WriteTerraByteFile(out, store, DefaultOptions()).status,
                 WriteResult::NothingToWrite);
        QVERIFY(!QFile::exists(out));
    }

    void failingDevice_data() {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing taken") << 0;
        QTest::newRow("inside the header") << 20;
        QTest::newRow("end byte missing") << -1;
    }
    void failingDevice() {
        QFETCH(int, limit);
        StoreFile input = LoadStoreFile(kData + QStringLiteral("realistic.json"));
        QVERIFY(input.loaded);
        if (limit < 0) {
            WaypointStore copy = input.store;
            limit = int(EncodeTerraByteFile(copy, input.options).bytes.size()) - 1;
        }
        FailingDevice device(limit);
        const QString name = QStringLiteral("/somewhere/out.loc");
        const WriteResult result = WriteTerraByteFile(device, name, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(result.messages.size(), size_t(1));
        QVERIFY(result.messages[0].text.contains(QDir::toNativeSeparators(name)));
        QCOMPARE(device.written.size(), qsizetype(limit));
    }
};

QTEST_GUILESS_MAIN(TerraByteWriterTest)
#include "test_terrabytewriter.moc"
