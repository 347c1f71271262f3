// The MPS and GDB readers on files built from their fields here and on the
// real files, each also cut at every byte; progress and cancel. The layouts
// are those described in src/mapsource/mapsourceinput.cpp. And what the
// golden files of realistic.json and options.json and the round trips
// (test_roundtrip) leave open in the MPS and GDB writers: hand-made golden
// files, link completion, cache names, texts the fields cannot hold and the
// symbol table.
#include <QTemporaryDir>
#include <QtEndian>
#include <array>

#include "core/symbols.h"
#include "mapsource/fieldencoding.h"
#include "mapsource/gdbreader.h"
#include "mapsource/gdbwriter.h"
#include "mapsource/mpsreader.h"
#include "mapsource/mpswriter.h"
#include "support/storefile.h"

using namespace Qt::StringLiterals;

namespace {

using BytesReader = ImportResult (*)(QByteArrayView, const QString&, WaypointStore&,
                                     ImportProgress&);

// Every cut short of the end of the map-set record (the file's end where it
// is not found) imports nothing and says why in one message; a longer one
// reads as the whole file does.
void CheckCuts(BytesReader read, const QByteArray& bytes) {
    const qsizetype mapSet = bytes.lastIndexOf(QByteArrayView("\x02\0\0\0V\0\x01", 7));
    const qsizetype end = mapSet < 0 ? bytes.size() : mapSet + 7;
    WaypointStore store;
    store.Waypoints.push_back(Sentinel());
    RecordingProgress progress;
    const ImportResult full = read(bytes, QStringLiteral("f"), store, progress);
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        store.Waypoints.resize(1);
        const ImportResult r = read(bytes.first(size), QStringLiteral("f"), store, progress);
        const bool cut = size < end;
        QVERIFY2(r.result == (cut ? 0 : full.result) && store.WaypointCount() == 1 + r.result &&
                     (cut ? r.messages.size() == 1 : Texts(r.messages) == Texts(full.messages)) &&
                     store.record(1).Name == Sentinel().Name,
                 qPrintable(QStringLiteral("the first %1 bytes").arg(size)));
    }
}

enum class Layout { Mps, Gdb1, Gdb3 };

// Little-endian numbers and zero-terminated texts, one after the other.
struct Fields {
    QByteArray bytes;
    template <typename T>
    Fields& put(T value) {
        value = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        return *this;
    }
    Fields& text(QByteArrayView text) {
        bytes += text.toByteArray() + '\0';
        return *this;
    }
};

QByteArray Record(char type, QByteArrayView data) {
    return Fields().put(qint32(data.size())).bytes + type + data.toByteArray();
}

// The values behind the flags of altitude, proximity, depth and temperature,
// and the time.
const double kValues[] = {123.25, 50.5, -3.5, -7.5};
const qint32 kTime = 1143841766;
const QByteArray kUrl = "http://example.org/x";

// A user waypoint's data with every field filled: the flags of altitude,
// proximity, depth, temperature and time as given, each value written after
// a flag of 1 (in MPS after every flag); declared counts of links and phone
// numbers (GDB version 3), which hold two links and one phone number.
QByteArray Point(Layout layout, QByteArrayView name, std::array<quint8, 5> flags = {},
                 qint32 links = 2, qint32 phones = 1) {
    const bool gdb3 = layout == Layout::Gdb3;
    Fields f;
    const auto flagged = [&](int n) {
        f.put(flags[n]);
        if (layout == Layout::Mps || flags[n] == 1) {
            n < 4 ? f.put(kValues[n]) : f.put(kTime);
        }
    };
    f.text(name).put(qint32(0)).text("Deutschland").bytes += QByteArray(22, '\xff');
    f.put(qint32(1 << 29)).put(qint32(-(1 << 29)));
    flagged(0);
    f.text(gdb3 ? "Near the \xe2\x80\x9cold\xe2\x80\x9d oak" : "Near the \x93old\x94 oak");
    flagged(1);
    f.put(qint32(2)).put(qint32(5)).put(qint32(117)).text("Leipzig").text("Sachsen");
    f.text("Rathaus").put(quint8(0));
    flagged(2);
    if (gdb3) {
        f.text("Main Street 1").put(quint8(0)).put(qint32(3600)).text("left at the gate");
        f.put(links).text(kUrl).text("http://b/");
    } else {
        f.bytes += QByteArray(6, '\0');
        f.text("left at the gate");
        if (layout == Layout::Mps) {
            return f.bytes;
        }
        f.text(kUrl);
    }
    f.put(qint16(-32767));
    flagged(3);
    flagged(4);
    if (gdb3) {
        f.put(phones).text("+49 341 123").text("Mobile").text("Deutschland").text("04109");
    }
    return f.bytes;
}

// A record of another class than 0 (a map point): only its class is read.
const QByteArray kMapPoint = Record('W', QByteArray("MAP\0\x0a\0\0\0", 8) + QByteArray(13, '\xab'));
const QByteArray kApplication(
    "\x9d\x01SQA\0Feb 04 1980\0"
    "06:45:00",
    27);
const QByteArray kMapSet = Record('V', QByteArrayView("\0\x01", 2));

// A file of the version letter given, the application record (in GDB its
// name after it), the records and the map set.
QByteArray File(Layout layout, char version, const QList<QByteArray>& records,
                QByteArrayView application = "MapSource") {
    QByteArray file = QByteArray(layout == Layout::Mps ? "MsRcd" : "MsRcf", 6) +
                      Record('D', QByteArray(1, version) + '\0') + Record('A', kApplication);
    file += layout == Layout::Mps ? QByteArray() : application.toByteArray() + '\0';
    return file + records.join() + kMapSet;
}

// Rows of a file read with the names given (and fields, see CheckRead), or
// refused with nothing read and a message: its reason (" " and a text, or
// "\r\n" and a text) with the numbers given for %1, %2 ...; "Unknown"
// wraps the text of a file in a format not known.
void Read(const QString& tag, const QByteArray& file, const QStringList& expected) {
    AddRow(qPrintable(tag), file, expected);
}
template <typename... Numbers>
void Refuse(const QString& tag, const QByteArray& file, QString reason, Numbers... numbers) {
    ((reason = reason.arg(numbers)), ...);
    Read(tag, file, {u"names: "_s, u"message: Can't import %1:"_s + reason});
}
QString Unknown(const char* format, const QString& text) {
    return u"\r\n%2%3\r\nPlease inform the program author and send the %1 file you are trying to import"_s
        .arg(QLatin1String(format),
             text.contains(u'(') ? QString()
                                 : QLatin1String(format) + u" is in an unknown format:  "_s,
             text);
}
const QString kTooShort =
    u" the %1 record at byte %2 is too short for its fields (the field at byte %3 runs past its end)."_s;

}  // namespace

class MapSourceFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void check(FileReader reader, BytesReader read, const char* name) {
        CheckCase(reader, dir_.path(), QLatin1String(name));
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        if (expected.filter(QStringLiteral("message: ")).isEmpty()) {
            CheckCuts(read, document);
        }
    }

private Q_SLOTS:
    void mps_data() {
        AddColumns<QByteArray, QStringList>("document", "expected");
        const Layout mps = Layout::Mps;
        const QByteArray a = Record('W', Point(mps, "A"));
        const QByteArray b = Record('W', Point(mps, "B"));
        const QByteArray two = File(mps, 'g', {a, b});
        const qsizetype last = two.size() - kMapSet.size();
        const QByteArray start = two.first(last);
        const QStringList ab{u"names: A|B"_s};
        for (const char version : {'g', 'h', 'i'}) {
            Read(u"version "_s + QLatin1Char(version), File(mps, version, {a, b}), ab);
        }
        Refuse(u"version k"_s, File(mps, 'k', {a}), Unknown("MPS", u"k"_s));
        Refuse(u"version g without its 00"_s, QByteArray(two).replace(11, 2, "gx"),
               Unknown("MPS", u"g"_s));
        const QByteArray signature("MsRcd\0", 6);
        Refuse(u"version record of no bytes"_s, signature + Record('D', "") + kMapSet, kTooShort,
               'D', 6, 11);
        Refuse(u"application record of one byte"_s,
               signature + Record('D', QByteArray("g\0", 2)) + Record('A', "x") + kMapSet,
               kTooShort, 'A', 13, 18);
        // A map set ends the file when fewer than 6 bytes follow it.
        Read(u"map set of no bytes"_s, start + Record('V', ""), ab);
        Read(u"map set followed by 5 bytes"_s, two + "\x05\0\0\0W", ab);
        Refuse(u"map set followed by 6 stray bytes"_s, two + QByteArray(6, '\0'),
               Unknown("MPS", u"Unknown record identifier: (0)"_s));
        Refuse(u"record letter 0xE9"_s, start + Record('\xe9', "") + kMapSet,
               Unknown("MPS", u"Unknown record identifier: (233)\u00e9"_s));
        Refuse(u"no map-set record"_s, start,
               u" the file ends at byte %1 without its map-set record."_s, last);
        Refuse(u"record header cut short"_s, start + "\x05\0\0",
               u" the file ends inside the record at byte %1."_s, last);
        Refuse(u"length -1"_s, start + "\xff\xff\xff\xffW" + kMapSet,
               u" the record at byte %1 has a negative length (-1)."_s, last);
        Refuse(
            u"length 2^31-1"_s, start + "\xff\xff\xff\x7fW" + kMapSet,
            u" the file ends inside the record at byte %1, which declares 2147483647 data bytes where 7 are left."_s,
            last);
        // Without the 00 of its last text.
        Refuse(u"W record one byte short"_s, start + Record('W', a.mid(5).chopped(1)) + kMapSet,
               kTooShort, 'W', last, last + a.indexOf("left at the gate"));
        Read(u"record longer than its fields"_s,
             File(mps, 'g', {a, Record('W', Point(mps, "LONG") + "WWWWWWW"), b}),
             {u"names: A|LONG|B"_s});
        Refuse(u"no MapSource signature"_s, QByteArray(two).replace(3, 1, "x"),
               u"\r\nThat's not a valid Mapsource file!"_s);
        Refuse(u"GDB signature"_s, File(Layout::Gdb1, 'k', {a}),
               u"\r\nThat's not a valid MPS file!"_s);
        Refuse(u"signature cut after its fifth byte"_s, "MsRcd",
               u" the file ends at byte 5 inside its 6-byte signature."_s);
        // The doubles are there whatever the flags say.
        Read(
            u"every field"_s, File(mps, 'g', {Record('W', Point(mps, "Caf\xe9 \x80", {1, 0, 1}))}),
            {u"Name,Description,Semicircles,Position,Altitude,Proximity,Depth,Display,Colour,"
             u"Symbol,CategoryBits,Url,LinkName,Comment,Hint,Time: "
             "Caf\u00e9 \u20ac|Near the \u201cold\u201d oak|536870912 -536870912|45 -45|1 123.25|0 50.5|1 -3.5|2|5|117|999|||||0 0"_s});
        Read(u"records of every kind and class, 3 bytes after the map set"_s,
             File(mps, 'g',
                  {a, kMapPoint, Record('R', "WW"), b, Record('T', "xy"), Record('L', "")}) +
                 "abc",
             ab);
    }
    void mps() { check(&ReadMpsFile, &ReadMpsBytes, "case.mps"); }

    void gdb_data() {
        AddColumns<QByteArray, QStringList>("document", "expected");
        for (const Layout layout : {Layout::Gdb1, Layout::Gdb3}) {
            const bool gdb3 = layout == Layout::Gdb3;
            const QString v = gdb3 ? u"v3 "_s : QString();
            const QByteArray a = Record('W', Point(layout, "A"));
            const QByteArray b = Record('W', Point(layout, gdb3 ? "\xc3\x9c"
                                                                  "B"
                                                                : "\xdc"
                                                                  "B"));
            // Version 2 differs from version 1 only in records that are skipped;
            // the map set ends the file whatever follows it.
            for (const char version : gdb3 ? QByteArray("m") : QByteArray("kl")) {
                for (const char* application : {"MapSource", "Mapsource", "BaseCamp"}) {
                    Read(u"version %1 from %2"_s.arg(version).arg(QLatin1String(application)),
                         File(layout, version, {a, kMapPoint, Record('T', "VVV"), b}, application) +
                             "garbage",
                         {u"names: A|\u00dcB"_s});
                }
            }
            // A value follows a flag only when the flag is 1.
            for (int mask = 0; mask <= 32; ++mask) {
                std::array<quint8, 5> flags{};
                QStringList flagged;
                for (int n = 0; n < 5; ++n) {
                    flags[n] = mask == 32 ? 2 : (mask >> n) & 1;
                    flagged += flags[n] != 1 ? u"%1 0"_s.arg(flags[n])
                                             : u"1 "_s + (n < 4 ? QString::number(kValues[n])
                                                                : QString::number(kTime));
                }
                const QByteArray name = gdb3 ? "Caf\xc3\xa9 \xe2\x82\xac" : "Caf\xe9 \x80";
                Read(
                    v + u"flags %1"_s.arg(mask),
                    File(layout, gdb3 ? 'm' : 'k',
                         {Record('W', Point(layout, name, flags)),
                          Record('W', Point(layout, "NEXT"))}),
                    {u"names: Caf\u00e9 \u20ac|NEXT"_s,
                     u"Altitude,Proximity,Depth,Temperature,Time: "_s + flagged.join(u'|'),
                     u"Description,Semicircles,Position,Display,Colour,Symbol,Url,LinkName,"
                     u"CategoryBits,Comment,Hint: "
                     "Near the \u201cold\u201d oak|536870912 -536870912|45 -45|2|5|117|http://example.org/x|Link|-32767||"_s});
            }
            Refuse(v + u"application name in Windows-1252"_s,
                   File(layout, 'k', {a}, "Map\xa7ource"),
                   u"\r\nThat's not a valid MapSource GDB!\r\n*Map\u00a7ource*"_s);
            // Without the 00 of its last text (version 1: the time flag).
            const QByteArray start = File(layout, gdb3 ? 'm' : 'k', {}).chopped(kMapSet.size());
            const qsizetype at = start.size();
            Refuse(v + u"W record one byte short"_s,
                   start + Record('W', a.mid(5).chopped(1)) + kMapSet, kTooShort, 'W', at,
                   at + (gdb3 ? a.indexOf("04109") : a.size() - 1));
        }
        const QByteArray a = Record('W', Point(Layout::Gdb1, "A"));
        Refuse(u"application name without its 00"_s, File(Layout::Gdb1, 'k', {}).first(45 + 9),
               u" the file ends inside the application name at byte 45."_s);
        Refuse(u"version k without its 00"_s,
               QByteArray("MsRcf\0", 6) + Record('D', "kx") + a + kMapSet, Unknown("GDB", u"kx"_s));
        // Versions below k and above m.
        Refuse(u"an MPS file"_s, File(Layout::Mps, 'g', {a}), Unknown("GDB", u"g"_s));
        Refuse(u"version n"_s, File(Layout::Gdb3, 'n', {a}), Unknown("GDB", u"n"_s));
        const QByteArray start = File(Layout::Gdb3, 'm', {}).chopped(kMapSet.size());
        const QByteArray full = Point(Layout::Gdb3, "A");
        for (const auto& [tag, links, phones] :
             {std::tuple("link count beyond the record", 0x7fffffff, 1),
              {"link count below zero", -1, 1},
              {"phone count beyond the record", 2, 19},
              {"phone count below zero", 2, -2}}) {
            Refuse(
                QLatin1String(tag),
                start + Record('W', Point(Layout::Gdb3, "A", {}, links, phones)) + kMapSet,
                u" the W record at byte %1 holds a count at byte %2 that is negative or larger than the rest of the record."_s,
                start.size(), start.size() + 1 + full.indexOf(phones == 1 ? kUrl : "+49"));
        }
    }
    void gdb() { check(&ReadGdbFile, &ReadGdbBytes, "case.gdb"); }

    void realFilesCut() {
        REQUIRE_PEER_FIXTURES();
        for (const QFileInfo& file :
             QDir(u"" WAYFOLD_FIXTURES ""_s).entryInfoList({u"*.mps"_s, u"*.gdb"_s})) {
            CheckCuts(file.suffix() == u"gdb" ? &ReadGdbBytes : &ReadMpsBytes,
                      FileBytes(file.filePath()));
        }
    }

    // The running count every 50 waypoints, after those already there; a
    // cancel while the second record is read leaves the store as it was.
    void progressAndCancel() {
        WaypointStore written;
        for (int i = 1; i <= 120; ++i) {
            AddTestWaypoint(written, QString::number(i));
        }
        for (const int cancelAfter : {0, 2}) {
            WaypointStore store;
            store.Waypoints.resize(10);
            RecordingProgress progress;
            progress.cancelAfterEvents = cancelAfter;
            const ImportResult r =
                ReadMpsBytes(EncodeMpsFile(written, Options()).bytes, u"f"_s, store, progress);
            QCOMPARE(Names(store, 11), cancelAfter ? QStringList() : Names(written));
            QCOMPARE(
                std::tuple(r.messages.size(), r.result, progress.eventPasses,
                           progress.currentImports),
                std::tuple(size_t(0), store.WaypointCount() - 10, cancelAfter ? 2 : 120,
                           cancelAfter ? std::vector<qint32>() : std::vector<qint32>{50, 100}));
        }
    }

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

QTEST_GUILESS_MAIN(MapSourceFilesTest)
#include "test_mapsourcefiles.moc"
