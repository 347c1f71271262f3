#include <QtTest>

#include "mapsource/fieldencoding.h"

namespace {

Options DefaultOptions() {
    Options o;
    o.IconNumber = 18;
    o.PreserveIcons = true;
    o.DisplayMode = 1;
    o.PreserveDisplay = true;
    return o;
}

}  // namespace

class FieldEncodingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbersAreLittleEndian() {
        QByteArray out;
        ByteWriter w(out);
        w.int16(413);
        w.int32(2);
        w.int32(27);
        w.int16(-32767);
        w.int32(-2);
        w.float64(51.5);
        QCOMPARE(out.toHex(' '), QByteArray("9d 01 02 00 00 00 1b 00 00 00 01 80 fe ff ff ff "
                                            "00 00 00 00 00 c0 49 40"));
    }

    void recordLengthCountsTheDataAfterTheLetter() {
        QByteArray out;
        ByteWriter w(out);
        const qsizetype record = w.beginRecord('V');
        w.byte(0);
        w.byte(1);
        w.endRecord(record);
        QCOMPARE(out, QByteArray("\x02\0\0\0V\0\x01", 7));
    }

    void texts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("zeroTerminated");
        QTest::addColumn<int>("replaced");
        QTest::newRow("ascii") << QStringLiteral("GC1A2B") << QByteArray("GC1A2B\0", 7) << 0;
        QTest::newRow("empty") << QString() << QByteArray("\0", 1) << 0;
        QTest::newRow("windows-1252") << QString::fromUtf8("Joe’s €5 Südhang")
                                      << QByteArray(
                                             "Joe\x92s \x80"
                                             "5 S\xFC"
                                             "dhang\0",
                                             17)
                                      << 0;
        QTest::newRow("outside the code page") << QString::fromUtf8("Łódź")
                                               << QByteArray(
                                                      "?\xF3"
                                                      "d?\0",
                                                      5)
                                               << 2;
        QTest::newRow("outside the BMP: one ? each")
            << QString::fromUtf8("a😀b") << QByteArray("a?b\0", 4) << 1;
        // A NUL would end the field early and shift every later field.
        QTest::newRow("NUL inside") << QString(QStringLiteral("A") + QChar(0) + QStringLiteral("B"))
                                    << QByteArray("A?B\0", 4) << 1;
    }
    void texts() {
        QFETCH(QString, text);
        QFETCH(QByteArray, zeroTerminated);
        QByteArray out;
        ByteWriter w(out);
        qsizetype replaced = 0;
        w.zeroText(text, &replaced);
        QCOMPARE(out, zeroTerminated);
        QTEST(int(replaced), "replaced");
    }

    void shortTextsAreCutAt255Characters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("cut");
        QTest::newRow("empty") << QString() << 0 << false;
        QTest::newRow("255") << QString(255, QLatin1Char('x')) << 255 << false;
        QTest::newRow("256") << QString(256, QLatin1Char('x')) << 255 << true;
        QTest::newRow("1000") << QString(1000, QLatin1Char('x')) << 255 << true;
        // 200 pairs are 200 characters, 400 UTF-16 units: nothing to cut.
        QString pairs;
        for (int i = 0; i < 200; ++i) {
            pairs += QString::fromUtf8("😀");
        }
        QTest::newRow("surrogate pairs count once") << pairs << 200 << false;
    }
    void shortTextsAreCutAt255Characters() {
        QFETCH(QString, text);
        QFETCH(int, length);
        QByteArray out;
        ByteWriter w(out);
        QTEST(w.shortText(text, nullptr), "cut");
        QCOMPARE(out.size(), length + 1);
        QCOMPARE(static_cast<quint8>(out[0]), quint8(length));
    }

    void style_data() {
        QTest::addColumn<bool>("preserveIcons");
        QTest::addColumn<bool>("preserveDisplay");
        QTest::addColumn<bool>("preserveCats");
        QTest::addColumn<int>("symbol");
        QTest::addColumn<int>("display");
        QTest::addColumn<int>("categoryBits");
        QTest::addColumn<int>("wantDisplay");
        QTest::addColumn<int>("wantSymbol");
        QTest::addColumn<int>("wantCategories");
        // Options: IconNumber 117, DisplayMode 1, Categories 4.
        QTest::newRow("all kept") << true << true << true << 45 << 2 << 3 << 2 << 45 << 3;
        QTest::newRow("none kept") << false << false << false << 45 << 2 << 3 << 1 << 117 << 4;
        QTest::newRow("XML LOC waypoint: nothing set")
            << true << true << true << 999 << 999 << 999 << 1 << 117 << 4;
        QTest::newRow("display 0 kept") << true << true << true << 18 << 0 << 0 << 0 << 18 << 0;
        QTest::newRow("bit 15 kept")
            << true << true << true << 18 << 1 << -32767 << 1 << 18 << -32767;
    }
    void style() {
        QFETCH(bool, preserveIcons);
        QFETCH(bool, preserveDisplay);
        QFETCH(bool, preserveCats);
        Options o;
        o.IconNumber = 117;
        o.DisplayMode = 1;
        o.Categories = 4;
        o.PreserveIcons = preserveIcons;
        o.PreserveDisplay = preserveDisplay;
        o.PreserveCats = preserveCats;
        Waypoint w;
        QFETCH(int, symbol);
        QFETCH(int, display);
        QFETCH(int, categoryBits);
        w.Symbol = symbol;
        w.Display = display;
        w.CategoryBits = categoryBits;
        const WaypointStyle s = ResolveWaypointStyle(w, o);
        QTEST(int(s.DisplayMode), "wantDisplay");
        QTEST(int(s.Symbol), "wantSymbol");
        QTEST(int(s.Categories), "wantCategories");
        QCOMPARE(s.PlainSymbol, 117);
    }

    void exportName_data() {
        QTest::addColumn<bool>("modNames");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("cacheType");
        QTest::addColumn<QString>("mapSource");
        QTest::addColumn<QString>("terraByte");
        QTest::newRow("off") << false << "gc1A2B"
                             << "Multi-cache"
                             << "gc1A2B"
                             << "gc1A2B";
        QTest::newRow("multi") << true << "gc1A2B"
                               << "Multi-cache"
                               << "MC1A2B"
                               << "MC1A2B";
        QTest::newRow("traditional") << true << "gc1A2B"
                                     << "Traditional Cache"
                                     << "GC1A2B"
                                     << "GC1A2B";
        QTest::newRow("webcam") << true << "GC1"
                                << "WEBCAM CACHE"
                                << "WC1"
                                << "WC1";
        QTest::newRow("virtual") << true << "GC1234"
                                 << "virtual cache"
                                 << "VC1234"
                                 << "VC1234";
        QTest::newRow("locationless") << true << "Gc77"
                                      << "Locationless (Reverse) Cache"
                                      << "LC77"
                                      << "LC77";
        QTest::newRow("unknown") << true << "GC5"
                                 << "unknown"
                                 << "UC5"
                                 << "GC5";
        QTest::newRow("Unknown Cache") << true << "GC5"
                                       << "Unknown Cache"
                                       << "GC5"
                                       << "GC5";
        QTest::newRow("padded type") << true << "GC5"
                                     << " multi-cache"
                                     << "GC5"
                                     << "GC5";
        QTest::newRow("empty type") << true << "GC5"
                                    << ""
                                    << "GC5"
                                    << "GC5";
        QTest::newRow("not a cache") << true << "Parking"
                                     << "Multi-cache"
                                     << "Parking"
                                     << "Parking";
        QTest::newRow("bare GC") << true << "GC"
                                 << "Multi-cache"
                                 << "MC"
                                 << "MC";
        QTest::newRow("one letter") << true << "G"
                                    << "Multi-cache"
                                    << "G"
                                    << "G";
        QTest::newRow("empty name") << true << ""
                                    << "Multi-cache"
                                    << ""
                                    << "";
    }
    void exportName() {
        QFETCH(bool, modNames);
        QFETCH(QString, name);
        QFETCH(QString, cacheType);
        Options o = DefaultOptions();
        o.ModNames = modNames;
        Waypoint w;
        w.Name = name;
        w.CacheType = cacheType;
        QTEST(ExportName(w, o), "mapSource");
        QTEST(ExportName(w, o, CacheCodes::TerraByte), "terraByte");
        QCOMPARE(w.Name, name);
    }

    void swapIsUndoneWhenTheScopeEnds() {
        WaypointStore store;
        store.Waypoints.resize(2);
        store.Waypoints[0].Name = QStringLiteral("GC1");
        store.Waypoints[0].Description = QStringLiteral("Old Mill");
        {
            const NameDescriptionSwap swap(store, true);
            QCOMPARE(store.Waypoints[0].Name, QStringLiteral("Old Mill"));
            QCOMPARE(store.Waypoints[0].Description, QStringLiteral("GC1"));
        }
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1"));
        QCOMPARE(store.Waypoints[0].Description, QStringLiteral("Old Mill"));
        {
            const NameDescriptionSwap noSwap(store, false);
            QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1"));
        }
        QCOMPARE(store.Waypoints[0].Name, QStringLiteral("GC1"));
    }
};

QTEST_GUILESS_MAIN(FieldEncodingTest)
#include "test_fieldencoding.moc"
