#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ansi.h"
#include "mapsource/gdbwriter.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");
const QString kDetails = QStringLiteral("https://www.geocaching.com/seek/cache_details.aspx?wp=");

// One waypoint record of a written file, walked field by field.
struct GdbRecord {
    qint32 length = 0;
    QString name;
    QByteArray flags;  // altitude, proximity, depth, temperature, time
    double altitude = 0;
    QString comment;
    qint32 display = 0;
    qint32 symbol = 0;
    QString url;
    QByteArray categories;
    qint32 time = 0;
};

class Walker {
public:
    Walker(const QByteArray& b, qsizetype at) : b_(b), at_(at) {}
    quint8 byte() { return static_cast<quint8>(b_[at_++]); }
    qint32 int32() {
        const auto v = LittleEndianAt<qint32>(b_, at_);
        at_ += 4;
        return v;
    }
    double float64() {
        const auto v = LittleEndianAt<double>(b_, at_);
        at_ += 8;
        return v;
    }
    QString text() {
        const qsizetype end = b_.indexOf('\0', at_);
        const QString t = DecodeAnsi(b_.mid(at_, end - at_));
        at_ = end + 1;
        return t;
    }
    QByteArray bytes(qsizetype n) {
        const QByteArray r = b_.mid(at_, n);
        at_ += n;
        return r;
    }
    qsizetype at() const { return at_; }

private:
    const QByteArray& b_;
    qsizetype at_;
};

std::vector<GdbRecord> WaypointRecords(const QByteArray& file) {
    std::vector<GdbRecord> records;
    qsizetype at = 6 + 7 + 32 + 10;
    while (at + 5 <= file.size()) {
        const qint32 length = LittleEndianAt<qint32>(file, at);
        if (length < 0) {
            break;
        }
        const char type = file[at + 4];
        if (type == 'W') {
            Walker w(file, at + 5);
            GdbRecord r;
            r.length = length;
            r.name = w.text();
            w.bytes(4);
            w.text();
            w.bytes(22);
            w.bytes(8);
            const quint8 altitude = w.byte();
            r.flags.append(char(altitude));
            if (altitude != 0) {
                r.altitude = w.float64();
            }
            r.comment = w.text();
            const quint8 proximity = w.byte();
            r.flags.append(char(proximity));
            if (proximity != 0) {
                w.float64();
            }
            r.display = w.int32();
            w.int32();
            r.symbol = w.int32();
            w.bytes(4);
            const quint8 depth = w.byte();
            r.flags.append(char(depth));
            if (depth != 0) {
                w.float64();
            }
            w.bytes(6);
            w.text();
            r.url = w.text();
            r.categories = w.bytes(2);
            const quint8 temperature = w.byte();
            r.flags.append(char(temperature));
            if (temperature != 0) {
                w.float64();
            }
            r.flags.append(char(w.byte()));
            r.time = w.int32();
            if (w.at() != at + 5 + length) {
                qWarning("record of %s does not end at its Length", qPrintable(r.name));
                r.length = -1;
            }
            records.push_back(r);
        }
        at += 5 + length;
    }
    return records;
}

Options DefaultOptions() {
    Options o;
    o.IconNumber = 18;
    o.PreserveIcons = true;
    o.DisplayMode = 1;
    o.PreserveDisplay = true;
    o.ManualTime = 1796432536;
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

}  // namespace

class GdbWriterTest : public QObject {
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
        const QString out = dir_.filePath(store + QStringLiteral(".gdb"));
        const WriteResult result = WriteGdbFile(out, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Written);
        const QByteArray actual = ReadWholeFile(out);
        const QByteArray expected = ReadWholeFile(kData + store + QStringLiteral(".gdb"));
        QVERIFY2(actual == expected, FirstDifference(actual, expected).constData());
        for (const GdbRecord& r : WaypointRecords(actual)) {
            QVERIFY2(r.length > 0, qPrintable(r.name));
        }
        // The completed link stays in the store, with the name it belongs to.
        const auto mill =
            std::find_if(input.store.Waypoints.begin(), input.store.Waypoints.end(),
                         [](const Waypoint& w) { return w.Name == QLatin1String("gc9wf2"); });
        QVERIFY(mill != input.store.Waypoints.end());
        QCOMPARE(mill->Url, kDetails + QStringLiteral("GC9WF2"));
        QCOMPARE(mill->Description,
                 QStringLiteral("Old Mill Wheel by Wayfold Samples, Multi-cache (3/2.5)"));
    }

    void emptyLayoutIs62Bytes() {
        WaypointStore store;
        const EncodedFile file = EncodeGdbFile(store, DefaultOptions());
        QCOMPARE(file.bytes.size(), 62);
        QCOMPARE(file.bytes, ReadWholeFile(kData + QStringLiteral("gdb-empty.gdb")));
        // ... but an empty store never becomes a file.
        const QString out = dir_.filePath(QStringLiteral("empty.gdb"));
        QCOMPARE(WriteGdbFile(out, store, DefaultOptions()).status, WriteResult::NothingToWrite);
        QVERIFY(!QFile::exists(out));
    }

    void waypointA() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("A"))};
        store.Waypoints[0].Symbol = 18;
        store.Waypoints[0].Display = 1;
        store.Waypoints[0].CategoryBits = 0;
        Options o = DefaultOptions();
        o.ManualTime = 0x12345678;
        const QString out = dir_.filePath(QStringLiteral("a.gdb"));
        QCOMPARE(WriteGdbFile(out, store, o).status, WriteResult::Written);
        QCOMPARE(ReadWholeFile(out), ReadWholeFile(kData + QStringLiteral("gdb-waypoint-a.gdb")));
        QCOMPARE(ReadWholeFile(out).size(), 62 + 78);
    }

    void lengthFollowsTheFlags_data() {
        QTest::addColumn<int>("altitude");
        QTest::addColumn<int>("proximity");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("temperature");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("flags");
        QTest::newRow("none") << 0 << 0 << 0 << 0 << 73 << QByteArray("\0\0\0\0\x01", 5);
        QTest::newRow("altitude") << 1 << 0 << 0 << 0 << 81 << QByteArray("\x01\0\0\0\x01", 5);
        QTest::newRow("all four") << 1 << 1 << 1 << 1 << 105
                                  << QByteArray("\x01\x01\x01\x01\x01", 5);
        // Readers take the double only after the flag value 1.
        QTest::newRow("flag 255 is written as 1")
            << 255 << 0 << 2 << 0 << 89 << QByteArray("\x01\0\x01\0\x01", 5);
    }
    void lengthFollowsTheFlags() {
        QFETCH(int, altitude);
        QFETCH(int, proximity);
        QFETCH(int, depth);
        QFETCH(int, temperature);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("A"))};
        Waypoint& w = store.Waypoints[0];
        w.HasAltitude = quint8(altitude);
        w.Altitude = 12.5;
        w.HasProximity = quint8(proximity);
        w.HasDepth = quint8(depth);
        w.HasTemperature = quint8(temperature);
        const auto records = WaypointRecords(EncodeGdbFile(store, DefaultOptions()).bytes);
        QCOMPARE(records.size(), size_t(1));
        QTEST(int(records[0].length), "length");
        QTEST(records[0].flags, "flags");
        QCOMPARE(records[0].altitude, altitude != 0 ? 12.5 : 0.0);
    }

    void linkCompletion_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("site");  // CacheSiteUrl option
        QTest::addColumn<QString>("written");
        QTest::newRow("GC1A2B") << "GC1A2B"
                                << ""
                                << "" << kDetails + QStringLiteral("GC1A2B");
        QTest::newRow("gc1a2b") << "gc1a2b"
                                << ""
                                << "" << kDetails + QStringLiteral("GC1A2B");
        QTest::newRow("7 characters") << "GC12345"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("5 characters") << "GC123"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("not a cache") << "Parking"
                                     << ""
                                     << ""
                                     << "";
        QTest::newRow("has a link") << "GC1A2B"
                                    << "http://x.example/1"
                                    << ""
                                    << "http://x.example/1";
        QTest::newRow("other site") << "GC1A2B"
                                    << ""
                                    << "http://caches.example:8080"
                                    << "http://caches.example:8080/seek/cache_details.aspx"
                                       "?wp=GC1A2B";
    }
    void linkCompletion() {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(QString, site);
        QFETCH(QString, written);
        WaypointStore store;
        store.Waypoints = {Named(name)};
        store.Waypoints[0].Url = url;
        Options o = DefaultOptions();
        o.CacheSiteUrl = site;
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0].url, written);
        QCOMPARE(store.Waypoints[0].Url, written);
    }

    void onlyTheWrittenDuplicateGetsALink() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC00AB")), Named(QStringLiteral("gc00ab"))};
        const auto records = WaypointRecords(EncodeGdbFile(store, DefaultOptions()).bytes);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(store.Waypoints[0].Url, kDetails + QStringLiteral("GC00AB"));
        QVERIFY(store.Waypoints[1].Duplicate);
        QCOMPARE(store.Waypoints[1].Url, QString());
    }

    void swapKeepsTheLinkOfTheName() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC1A2B"), QStringLiteral("Old Mill"))};
        Options o = DefaultOptions();
        o.SwapNameDesc = true;
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QCOMPARE(records.size(), size_t(1));
        QCOMPARE(records[0].name, QStringLiteral("Old Mill"));
        QCOMPARE(records[0].comment, QStringLiteral("GC1A2B"));
        QCOMPARE(records[0].url, kDetails + QStringLiteral("GC1A2B"));
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1A2B"));
        QCOMPARE(store.Waypoints[0].Description, QStringLiteral("Old Mill"));
    }

    void modNamesKeepsTheLinkOfTheName() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC1A2B"))};
        store.Waypoints[0].CacheType = QStringLiteral("multi-cache");
        Options o = DefaultOptions();
        o.ModNames = true;
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QCOMPARE(records[0].name, QStringLiteral("MC1A2B"));
        QCOMPARE(records[0].url, kDetails + QStringLiteral("GC1A2B"));
    }

    void times_data() {
        QTest::addColumn<bool>("preserve");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("written");
        QTest::newRow("kept") << true << 1600000000 << 1600000000;
        QTest::newRow("no time: manual") << true << 0 << 1796432536;
        QTest::newRow("before 1970 kept") << true << -86400 << -86400;
        QTest::newRow("not kept: manual") << false << 1600000000 << 1796432536;
    }
    void times() {
        QFETCH(bool, preserve);
        QFETCH(int, time);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("T"))};
        store.Waypoints[0].Time = time;
        store.Waypoints[0].HasTime = 0;  // the time flag is written as 1 regardless
        Options o = DefaultOptions();
        o.PreserveTimes = preserve;
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QTEST(int(records[0].time), "written");
        QCOMPARE(records[0].flags.back(), '\x01');
    }

    void copyHint_data() {
        QTest::addColumn<bool>("copyHint");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("comment");
        QTest::newRow("GPX waypoint") << true << "Under the plank"
                                      << "Under the plank";
        QTest::newRow("LOC waypoint: empty comment") << true << ""
                                                     << "";
        QTest::newRow("off") << false << "Under the plank"
                             << "Heron's Lookout";
    }
    void copyHint() {
        QFETCH(bool, copyHint);
        QFETCH(QString, hint);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC9WF1"), QStringLiteral("Heron's Lookout"))};
        store.Waypoints[0].Hint = hint;
        Options o = DefaultOptions();
        o.CopyHint = copyHint;
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QTEST(records[0].comment, "comment");
        QCOMPARE(store.Waypoints[0].Description, QStringLiteral("Heron's Lookout"));
    }

    void categories_data() {
        QTest::addColumn<bool>("preserve");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("option");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("categories 1 and 16 kept") << true << -32767 << 0 << QByteArray("\x01\x80");
        QTest::newRow("not set: option") << true << int(NotSet) << 2 << QByteArray("\x02\0", 2);
        QTest::newRow("not kept: option bit 15") << false << 5 << -32768 << QByteArray("\0\x80", 2);
    }
    void categories() {
        QFETCH(bool, preserve);
        QFETCH(int, stored);
        QFETCH(int, option);
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("C"))};
        store.Waypoints[0].CategoryBits = stored;
        Options o = DefaultOptions();
        o.PreserveCats = preserve;
        o.Categories = qint16(option);
        const auto records = WaypointRecords(EncodeGdbFile(store, o).bytes);
        QTEST(records[0].categories, "bytes");
    }

    void moreThan32767Waypoints() {
        WaypointStore store;
        for (int i = 0; i < 33000; ++i) {
            store.Waypoints.push_back(Named(QStringLiteral("W%1").arg(i, 5, 10, QLatin1Char('0'))));
        }
        const auto records = WaypointRecords(EncodeGdbFile(store, DefaultOptions()).bytes);
        QCOMPARE(records.size(), size_t(33000));
    }

    void noWarningAboutFixedCoordinates() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("FIXED-A"))};
        store.CoordinatesFixed = true;
        const WriteResult result =
            WriteGdbFile(dir_.filePath(QStringLiteral("fixed.gdb")), store, DefaultOptions());
        QCOMPARE(result.status, WriteResult::Written);
        QVERIFY(result.messages.empty());
    }

    void failingDevice_data() {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing taken") << 0;
        QTest::newRow("inside the application name") << 50;
        QTest::newRow("inside a waypoint") << 120;
        QTest::newRow("last byte missing") << -1;
    }
    void failingDevice() {
        QFETCH(int, limit);
        StoreFile input = LoadStoreFile(kData + QStringLiteral("options.json"));
        QVERIFY(input.loaded);
        if (limit < 0) {
            WaypointStore copy = input.store;
            limit = int(EncodeGdbFile(copy, input.options).bytes.size()) - 1;
        }
        StoreFile success = LoadStoreFile(kData + QStringLiteral("options.json"));
        EncodeGdbFile(success.store, success.options);

        FailingDevice device(limit);
        const QString name = QStringLiteral("/somewhere/out.gdb");
        const WriteResult result = WriteGdbFile(device, name, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(result.messages.size(), size_t(1));
        QVERIFY2(result.messages[0].text.contains(QDir::toNativeSeparators(name)),
                 qPrintable(result.messages[0].text));
        // A failed export leaves the store as a successful one does.
        QCOMPARE(input.store.WaypointCount(), success.store.WaypointCount());
        for (size_t i = 0; i < input.store.Waypoints.size(); ++i) {
            const Waypoint& a = input.store.Waypoints[i];
            const Waypoint& b = success.store.Waypoints[i];
            QCOMPARE(a.Name, b.Name);
            QCOMPARE(a.Description, b.Description);
            QCOMPARE(a.Url, b.Url);
            QCOMPARE(a.Duplicate, b.Duplicate);
        }
    }
};

QTEST_GUILESS_MAIN(GdbWriterTest)
#include "test_gdbwriter.moc"
