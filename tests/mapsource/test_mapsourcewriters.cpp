// What the golden files of realistic.json and options.json (test_exporter)
// and the round trips (test_writerroundtrip) leave open in the MPS and GDB
// writers: hand-made golden files, link completion, cache names, texts the
// fields cannot hold and the symbol table.
#include <QtTest>

#include "core/symbols.h"
#include "mapsource/fieldencoding.h"
#include "mapsource/gdbreader.h"
#include "mapsource/gdbwriter.h"
#include "support/storefile.h"
#include "support/testfiles.h"

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

    // Only the written one of two duplicates gets a link
    // (tests/data/mapsource/links.txt).
    void linkCompletion_data() { AddCaseRows("../mapsource/links.txt"); }
    void linkCompletion() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        const QString name = QString::fromUtf8(document.split('\n').front());
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(name), NamedWaypoint(name.toLower())};
        Options o = TestOptions();
        o.CacheSiteUrl = QString::fromUtf8(document.split('\n').value(1));
        WaypointStore back;
        RecordingProgress progress;
        ReadGdbBytes(EncodeGdbFile(store, o).bytes, QStringLiteral("x.gdb"), back, progress);
        QCOMPARE(back.WaypointCount(), 1);
        QVERIFY(store.Waypoints[1].Duplicate && store.Waypoints[1].Url.isEmpty());
        QCOMPARE(QStringList({QStringLiteral("written: ") + back.Waypoints[0].Url,
                              QStringLiteral("written: ") + store.Waypoints[0].Url}),
                 expected + expected);
    }

    // Cache names with ModNames on (tests/data/mapsource/exportnames.txt).
    void exportName_data() { AddCaseRows("../mapsource/exportnames.txt"); }
    void exportName() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        Options o;
        o.ModNames = true;
        Waypoint w;
        w.Name = QString::fromUtf8(document.split('\n').front());
        w.CacheType = QString::fromUtf8(document.split('\n').back());
        QCOMPARE(QStringList({u'[' + ExportName(w, o) + u']',
                              u'[' + ExportName(w, o, CacheCodes::TerraByte) + u']'}),
                 expected + expected);
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
