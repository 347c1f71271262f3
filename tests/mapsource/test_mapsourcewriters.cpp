// What the golden files of realistic.json and options.json and the round
// trips (test_roundtrip) leave open in the MPS and GDB
// writers: hand-made golden files, link completion, cache names, texts the
// fields cannot hold and the symbol table.
#include <QtTest>

#include "core/symbols.h"
#include "mapsource/fieldencoding.h"
#include "mapsource/gdbreader.h"
#include "mapsource/gdbwriter.h"
#include "support/storefile.h"
#include "support/testfiles.h"

using namespace Qt::StringLiterals;

class MapSourceWritersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The empty GDB layout (62 bytes, application name "MapSource"), the
    // 78-byte GDB record of waypoint "A", and two MPS waypoints without name
    // or comment: records of 92 bytes, the second one (a duplicate) left out.
    void handMadeGoldenFiles_data() {
        AddColumns<QString, int, QString>("kind", "count", "name");
        AddRow("gdb-empty.gdb", QStringLiteral("gdb"), 0, QString());
        AddRow("gdb-waypoint-a.gdb", QStringLiteral("gdb"), 1, QStringLiteral("A"));
        AddRow("mps-empty-name.mps", QStringLiteral("mps"), 2, QString());
    }
    void handMadeGoldenFiles() {
        QFETCH(QString, kind);
        QFETCH(int, count);
        QFETCH(QString, name);
        WaypointStore store;
        store.Waypoints.assign(count, NamedWaypoint(name));
        Options o = TestOptions();
        o.ManualTime = 0x12345678;
        QCOMPARE(FormatById(kind)->encode(store, o).bytes,
                 FileBytes(kWriterData + QLatin1String(QTest::currentDataTag())));
    }

    // Only the written one of two duplicates gets a link, made of the cache
    // site (the default one when none is set) and a code of at least six
    // characters that starts with GC, in capitals.
    void linkCompletion() {
        const auto link = [](const QString& name, const QString& site) {
            WaypointStore store;
            store.Waypoints = {NamedWaypoint(name), NamedWaypoint(name.toLower())};
            Options o = TestOptions();
            o.CacheSiteUrl = site;
            WaypointStore back;
            RecordingProgress progress;
            ReadGdbBytes(EncodeGdbFile(store, o).bytes, u"x.gdb"_s, back, progress);
            const bool one = back.WaypointCount() == 1 && store.Waypoints[1].Duplicate &&
                             store.Waypoints[1].Url.isEmpty() &&
                             back.Waypoints[0].Url == store.Waypoints[0].Url;
            return one ? back.Waypoints[0].Url : u"(not one link)"_s;
        };
        QCOMPARE(QStringList({link(u"GC00AB"_s, {}), link(u"GC123"_s, {}), link(u"Park12"_s, {}),
                              link(u"Gc1a2b"_s, u"http://caches.example:8080"_s)}),
                 QStringList({u"https://www.geocaching.com/seek/cache_details.aspx?wp=GC00AB"_s,
                              {},
                              {},
                              u"http://caches.example:8080/seek/cache_details.aspx?wp=GC1A2B"_s}));
    }

    // Cache names with ModNames on, where the MapSource and TerraByte tables
    // agree (the options golden files hold the rest): the code's GC becomes
    // the letters of its type, any letter case, the type text as it is.
    void exportName() {
        Options o;
        o.ModNames = true;
        QStringList names;
        for (const QString& c :
             u"gc1A2B:Traditional Cache|GC1:WEBCAM CACHE|GC1234:virtual cache|"
             u"Gc77:Locationless (Reverse) Cache|GC5:Unknown Cache|GC5: multi-cache|GC:Multi-cache|"
             u"G:Multi-cache|:Multi-cache"_s.split(u'|')) {
            Waypoint w;
            w.Name = c.section(u':', 0, 0);
            w.CacheType = c.section(u':', 1);
            names += ExportName(w, o) + u'/' + ExportName(w, o, CacheCodes::TerraByte);
        }
        QCOMPARE(names.join(u' '),
                 u"GC1A2B/GC1A2B WC1/WC1 VC1234/VC1234 LC77/LC77 GC5/GC5 GC5/GC5 MC/MC G/G /"_s);
    }

    // A character outside the BMP is one "?"; so is a NUL, which would end
    // the field early and shift every later field. 200 surrogate pairs are
    // 200 characters (400 UTF-16 units) for a length byte: nothing to cut.
    void textsFieldsCannotHold() {
        QByteArray out;
        ByteWriter w(out);
        qsizetype replaced = 0;
        w.zeroText(QString::fromUtf8("a😀b"), &replaced);
        w.zeroText(QStringView(u"A\0B", 3), &replaced);
        QCOMPARE(out, QByteArray("a?b\0A?B\0", 8));
        QCOMPARE(replaced, 2);
        QVERIFY(!w.shortText(QString::fromUtf8("😀").repeated(200), nullptr));
        QCOMPARE(out.mid(8), char(200) + QByteArray(200, '?'));
    }

    // Every name is distinct and found again in any letter case; other
    // names are matched whole, spaces and all.
    void symbols() {
        QSet<QString> seen;
        for (qint32 n = 0; n < SymbolCount; ++n) {
            const QString name = SymbolName(n);
            QVERIFY2(!name.isEmpty() && !seen.contains(name.toLower()), qPrintable(name));
            seen.insert(name.toLower());
            QCOMPARE(SymbolNumber(name.toUpper()).value_or(-1), n);
        }
        QCOMPARE(QStringList({SymbolName(0), SymbolName(18), SymbolName(61), SymbolName(72),
                              SymbolName(118), SymbolName(119), SymbolName(-1)})
                     .join(u','),
                 QStringLiteral("Marina,Waypoint,Trail Head,City (Capitol),Geocache Found,,"));
        for (const char* name :
             {"geocache  found", "city (capital)", "Trailhead", " Waypoint", "", "Dot"}) {
            QVERIFY2(!SymbolNumber(QString::fromUtf8(name)), name);
        }
    }
};

QTEST_GUILESS_MAIN(MapSourceWritersTest)
#include "test_mapsourcewriters.moc"
