#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ansi.h"
#include "mapsource/mpswriter.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

// The waypoint records of a file as written: name, comment, display mode and
// symbol, walked by their Length fields.
struct MpsRecord {
    QString name;
    QString comment;
    qint32 display = 0;
    qint32 symbol = 0;
    qint32 length = 0;
};

std::vector<MpsRecord> WaypointRecords(const QByteArray& file) {
    std::vector<MpsRecord> records;
    qsizetype at = 6;
    while (at + 5 <= file.size()) {
        const qint32 length = LittleEndianAt<qint32>(file, at);
        if (length < 0) {
            break;
        }
        const char type = file[at + 4];
        const qsizetype data = at + 5;
        if (type == 'W') {
            MpsRecord r;
            r.length = length;
            const qsizetype nameEnd = file.indexOf('\0', data);
            r.name = DecodeAnsi(file.mid(data, nameEnd - data));
            const qsizetype comment = nameEnd + 1 + 27 + 8 + 9;
            const qsizetype commentEnd = file.indexOf('\0', comment);
            r.comment = DecodeAnsi(file.mid(comment, commentEnd - comment));
            const qsizetype display = commentEnd + 1 + 9;
            r.display = LittleEndianAt<qint32>(file, display);
            r.symbol = LittleEndianAt<qint32>(file, display + 8);
            records.push_back(r);
        }
        at = data + length;
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

Waypoint Named(const QString& name, const QString& description = QString()) {
    Waypoint w;
    w.Name = name;
    w.Description = description;
    w.Symbol = NotSet;
    w.Display = NotSet;
    w.CategoryBits = NotSet;
    return w;
}

QStringList Names(const std::vector<MpsRecord>& records) {
    QStringList names;
    for (const MpsRecord& r : records) {
        names.push_back(r.name);
    }
    return names;
}

}  // namespace

class MpsWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }

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
        const WaypointStore before = input.store;
        const QString out = path(store + QStringLiteral(".mps"));
        const WriteResult result = WriteMpsFile(out, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Written);
        // Two of the eight are duplicates (an exact copy, and a name that
        // differs only in letter case; with the swap, only the exact copy).
        QCOMPARE(result.waypoints, input.options.SwapNameDesc ? 7 : 6);
        const QByteArray actual = ReadWholeFile(out);
        const QByteArray expected = ReadWholeFile(kData + store + QStringLiteral(".mps"));
        QVERIFY2(actual == expected, FirstDifference(actual, expected).constData());

        // The store keeps every waypoint, sorted, with names and
        // descriptions as they were.
        QCOMPARE(input.store.WaypointCount(), before.WaypointCount());
        for (const Waypoint& w : input.store.Waypoints) {
            const auto same = std::find_if(
                before.Waypoints.begin(), before.Waypoints.end(), [&w](const Waypoint& b) {
                    return b.Name == w.Name && b.Description == w.Description &&
                           b.Latitude == w.Latitude;
                });
            QVERIFY2(same != before.Waypoints.end(), qPrintable(w.Name));
        }
        for (qint32 i = 1; i < input.store.WaypointCount(); ++i) {
            QVERIFY(input.store.Waypoints[size_t(i - 1)].SortKey <=
                    input.store.Waypoints[size_t(i)].SortKey);
        }
        // "Łódź" lost two characters.
        QCOMPARE(result.messages.size(), size_t(1));
        QVERIFY2(result.messages[0].text.startsWith(
                     QStringLiteral("2 characters in 1 waypoint could not be written in the "
                                    "character set of ") +
                     QDir::toNativeSeparators(out)),
                 qPrintable(result.messages[0].text));
    }

    void emptyNamesMakeRecordsOf92Bytes() {
        WaypointStore store;
        store.Waypoints = {Named(QString()), Named(QString())};
        const QString out = path(QStringLiteral("empty-name.mps"));
        QCOMPARE(WriteMpsFile(out, store, DefaultOptions()).status, WriteResult::Written);
        QCOMPARE(ReadWholeFile(out), ReadWholeFile(kData + QStringLiteral("mps-empty-name.mps")));
    }

    void duplicatesByLetterCase() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("B")), Named(QStringLiteral("a")),
                           Named(QStringLiteral("A"))};
        const EncodedFile file = EncodeMpsFile(store, DefaultOptions());
        const QStringList names = Names(WaypointRecords(file.bytes));
        QCOMPARE(names.size(), 2);
        QVERIFY(names[0] == QLatin1String("a") || names[0] == QLatin1String("A"));
        QCOMPARE(names[1], QStringLiteral("B"));
        // The one written is the one the sort placed first.
        QCOMPARE(names[0], store.Waypoints[0].Name);
        QVERIFY(!store.Waypoints[0].Duplicate);
        QVERIFY(store.Waypoints[1].Duplicate);
    }

    void modNamesLeavesTheStoredName() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC1234"))};
        store.Waypoints[0].CacheType = QStringLiteral("virtual cache");
        Options o = DefaultOptions();
        o.ModNames = true;
        const auto records = WaypointRecords(EncodeMpsFile(store, o).bytes);
        QCOMPARE(Names(records), QStringList{QStringLiteral("VC1234")});
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1234"));
    }

    void displayMode_data() {
        QTest::addColumn<bool>("preserve");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("written");
        QTest::newRow("MPS waypoint, kept") << true << 2 << 2;
        QTest::newRow("GPX waypoint, option") << true << int(NotSet) << 1;
        QTest::newRow("not kept") << false << 2 << 1;
    }
    void displayMode() {
        QFETCH(bool, preserve);
        QFETCH(int, stored);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("X"))};
        store.Waypoints[0].Display = stored;
        Options o = DefaultOptions();
        o.PreserveDisplay = preserve;
        const auto records = WaypointRecords(EncodeMpsFile(store, o).bytes);
        QCOMPARE(records.size(), size_t(1));
        QTEST(int(records[0].display), "written");
    }

    void swapWritesTheDescriptionAsName() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC1A2B"), QStringLiteral("gc old mill")),
                           Named(QStringLiteral("GC0001"), QStringLiteral("Bridge"))};
        store.Waypoints[0].CacheType = QStringLiteral("Multi-cache");
        Options o = DefaultOptions();
        o.SwapNameDesc = true;
        o.ModNames = true;
        const auto records = WaypointRecords(EncodeMpsFile(store, o).bytes);
        QCOMPARE(records.size(), size_t(2));
        // Sorted by the former descriptions.
        QCOMPARE(records[0].name, QStringLiteral("Bridge"));
        QCOMPARE(records[0].comment, QStringLiteral("GC0001"));
        QCOMPARE(records[1].name, QStringLiteral("MC old mill"));
        QCOMPARE(records[1].comment, QStringLiteral("GC1A2B"));
        QCOMPARE(records[1].length, 11 + 6 + 87);
        QCOMPARE(store.Waypoints[1].Name, QStringLiteral("GC1A2B"));
        QCOMPARE(store.Waypoints[1].Description, QStringLiteral("gc old mill"));
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC0001"));
    }

    void replacesAShorterFileCompletely() {
        const QString out = path(QStringLiteral("replace.mps"));
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, 'x'));
        }
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("A"))};
        QCOMPARE(WriteMpsFile(out, store, DefaultOptions()).status, WriteResult::Written);
        const QByteArray written = ReadWholeFile(out);
        QCOMPARE(written.size(), 6 + 7 + 32 + 5 + 88 + 7);
        QVERIFY(written.endsWith(QByteArray("\x02\0\0\0V\0\x01", 7)));
    }

    void emptyStoreWritesNothing() {
        const QString out = path(QStringLiteral("empty.mps"));
        WaypointStore store;
        QCOMPARE(WriteMpsFile(out, store, DefaultOptions()).status, WriteResult::NothingToWrite);
        QVERIFY(!QFile::exists(out));
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        QCOMPARE(WriteMpsFile(out, store, DefaultOptions()).status, WriteResult::NothingToWrite);
        QCOMPARE(ReadWholeFile(out), QByteArray("old"));
    }

    void moreThan32767Waypoints() {
        WaypointStore store;
        for (int i = 0; i < 40000; ++i) {
            store.Waypoints.push_back(
                Named(QStringLiteral("WP%1").arg(i, 5, 10, QLatin1Char('0'))));
        }
        const EncodedFile file = EncodeMpsFile(store, DefaultOptions());
        QCOMPARE(file.waypoints, 40000);
        const auto records = WaypointRecords(file.bytes);
        QCOMPARE(records.size(), size_t(40000));
        QCOMPARE(records.back().name, QStringLiteral("WP39999"));
    }

    void fixedCoordinatesAreWarnedAbout() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("FIXED-A"))};
        store.CoordinatesFixed = true;
        const WriteResult result =
            WriteMpsFile(path(QStringLiteral("fixed.mps")), store, DefaultOptions());
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].title, QStringLiteral("Errors during import"));
        QCOMPARE(result.messages[0].icon, MessageIcon::Exclamation);
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("Some input waypoints had out-of-range latitudes or longitudes."
                                "\r\n\r\nOffending values were reset to 0 and the waypoints "
                                "renamed to \r\n'FIXED - ' + OriginalName"));
        QVERIFY(store.CoordinatesFixed);
    }

    void failingDevice_data() {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing taken") << 0;
        QTest::newRow("inside the signature") << 3;
        QTest::newRow("inside a waypoint") << 60;
        QTest::newRow("last byte missing") << -1;
    }
    void failingDevice() {
        QFETCH(int, limit);
        StoreFile input = LoadStoreFile(kData + QStringLiteral("options.json"));
        QVERIFY(input.loaded);
        const WaypointStore before = input.store;
        if (limit < 0) {
            WaypointStore copy = input.store;
            limit = int(EncodeMpsFile(copy, input.options).bytes.size()) - 1;
        }
        FailingDevice device(limit);
        const QString name = QStringLiteral("/somewhere/out.mps");
        const WriteResult result = WriteMpsFile(device, name, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].icon, MessageIcon::Critical);
        QVERIFY2(result.messages[0].text.contains(QDir::toNativeSeparators(name)),
                 qPrintable(result.messages[0].text));
        QVERIFY2(result.messages[0].text.contains(QStringLiteral("No space left on device")),
                 qPrintable(result.messages[0].text));
        // The swap is undone on the failure path too.
        for (const Waypoint& b : before.Waypoints) {
            QVERIFY(std::any_of(input.store.Waypoints.begin(), input.store.Waypoints.end(),
                                [&b](const Waypoint& w) {
                                    return w.Name == b.Name && w.Description == b.Description;
                                }));
        }
    }
};

QTEST_GUILESS_MAIN(MpsWriterTest)
#include "test_mpswriter.moc"
