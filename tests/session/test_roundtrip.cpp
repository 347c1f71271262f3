// Every writer: the golden files through the export, seeded random and
// hand-made stores read back by our own reader and by GPSBabel, a device
// that fails part-way, an empty store.
#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "core/ansi.h"
#include "core/symbols.h"
#include "mapsource/fieldencoding.h"
#include "session/exportdispatch.h"
#include "support/storefile.h"
#include "support/testfiles.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Each waypoint's name and description and, with all, the other things an
// export may change in the store.
QStringList StoreTexts(const WaypointStore& store, bool all) {
    QStringList texts;
    for (const Waypoint& w : store.Waypoints) {
        texts += w.Name + u'|' + w.Description +
                 (all ? u'|' + w.Url + u'|' + w.TypeText + u'|' + QString::number(w.Duplicate)
                      : QString());
    }
    return texts;
}

// n waypoints made of pieces XML must escape or cannot carry, characters
// beyond Windows-1252 and names that differ only in case, anywhere on
// earth, the poles and the date line included, with odd flags.
StoreFile RandomStore(int n) {
    QRandomGenerator random(16);
    const QStringList pieces =
        u"gc1|GC1|a&b|<x>|]]>|\"q'|€5|Joe’s|Łódź|😀|x\r\ny|T\tN|b\x07l|Straße|café|z"_s.split(u'|');
    const auto text = [&] {
        QString t;
        for (int i = random.bounded(3); i >= 0; --i) {
            t += pieces[random.bounded(int(pieces.size()))];
        }
        return t;
    };
    StoreFile result{{}, TestOptions(), true};
    for (int i = 0; i < n; ++i) {
        Waypoint w = NamedWaypoint(text() + QString::number(random.bounded(n / 3 + 1)), text());
        for (QString* field : {&w.Url, &w.LinkName, &w.Comment, &w.Hint}) {
            *field = text();
        }
        w.Latitude =
            random.bounded(4) ? random.bounded(180.0) - 90 : 90.0 - random.bounded(2) * 180;
        w.Longitude =
            random.bounded(4) ? random.bounded(360.0) - 180 : 180.0 - random.bounded(2) * 360;
        w.LatSemicircles = DegreesToSemicircles(w.Latitude);
        w.LonSemicircles = DegreesToSemicircles(w.Longitude);
        w.HasAltitude = quint8(random.bounded(3) * 127);
        w.Altitude = random.bounded(9000.0) - 400;
        w.HasDepth = w.HasProximity = quint8(random.bounded(2));
        w.Depth = w.Proximity = random.bounded(100.0);
        w.Symbol = random.bounded(2) ? NotSet : random.bounded(160);
        result.store.Waypoints.push_back(w);
    }
    return result;
}

// GPSBabel's reading of a file as GPX 1.0, read back by our own GPX
// reader: each waypoint by name.
std::map<QString, Waypoint> ReadWithGpsBabel(const QString& format, const QString& file,
                                             QString* error) {
    const QString gpx = file + u".babel.gpx"_s;
    QProcess p;
    p.start(u"gpsbabel"_s, {u"-i"_s, format, u"-f"_s, file, u"-o"_s, u"gpx"_s, u"-F"_s, gpx});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError()) + u"failed"_s;
    }
    WaypointStore store;
    *error += ReadKind(gpx, store).join(u'\n');
    std::map<QString, Waypoint> result;
    for (const Waypoint& w : store.Waypoints) {
        result[w.Name] = w;
    }
    return result;
}

}  // namespace

class RoundTripTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // The session's options and pinned clock (its manual time is the one the
    // JSON stores give) reach the writers, and the files are the golden ones.
    void goldenFiles_data() {
        AddColumns<QString, int>("golden", "reports");
        // "Łódź" loses two characters, but not where CopyHint writes the hint;
        // GDB version 3 (UTF-8) carries every character.
        for (const QString& row :
             u"realistic.mps:1 realistic.gdb:1 realistic.v3.gdb:0 realistic.loc:0 "
             u"realistic.tb.loc:1 "
             u"realistic.gpx:0 options.mps:1 options.gdb:0 options.v3.gdb:0 options.tb.loc:1 "
             u"options.gpx:0"_s.split(u' ')) {
            AddRow(qPrintable(row), row.section(u':', 0, 0), row.section(u':', 1).toInt());
        }
    }
    void goldenFiles() {
        QFETCH(QString, golden);
        QFETCH(int, reports);
        QString kind;
        for (const auto& [k, file] : kKinds) {  // TerraByte LOC after LOC
            kind = golden.endsWith(QLatin1String(file).mid(3)) ? QLatin1String(k) : kind;
        }
        StoreFile input = LoadStoreFile(golden.section(u'.', 0, 0));
        QVERIFY(input.loaded);
        TestSession t;
        QCOMPARE(t.session.options.ManualTime, input.options.ManualTime);
        t.session.store = input.store;
        t.session.options = input.options;
        t.session.options.GdbVersion = golden.contains(u".v3.") ? 3 : 1;
        QTemporaryDir temporary;
        const QDir dir(temporary.path());
        const QString out = dir.filePath(golden);
        QVERIFY(MakeFile(out, QByteArray(5000, 'x')));  // replaced completely
        QVERIFY(ExportFile(t.session, *FormatById(kind), out));
        // A GPX golden file names the version it was made for as its creator.
        QByteArray expected = FileBytes(kWriterData + golden);
        const qsizetype at = expected.indexOf("creator=\"Wayfold ") + 17;
        if (kind == QStringLiteral("gpx")) {
            expected.replace(at, expected.indexOf('"', at) - at, WAYFOLD_VERSION);
        }
        QCOMPARE(FileBytes(out), expected);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{golden});
        QCOMPARE(t.frontend.busyChanges, (std::vector<bool>{true, false}));
        QCOMPARE(QList({t.session.problemCount, int(t.frontend.messages.size())}),
                 QList({reports, reports}));
        QVERIFY(reports == 0 || t.frontend.messages[0].text.startsWith(
                                    u"2 characters in 1 waypoint could not be written in the "
                                    u"character set of "_s +
                                    QDir::toNativeSeparators(out)));
        // The store keeps every waypoint, sorted, names and descriptions as they were.
        QVERIFY(!t.session.store.Waypoints[0].SortKey.isEmpty());
        QVERIFY(std::ranges::is_sorted(t.session.store.Waypoints, {}, &Waypoint::SortKey));
        QVERIFY(std::ranges::is_permutation(StoreTexts(input.store, false),
                                            StoreTexts(t.session.store, false)));
    }

    // Read back by our reader, each waypoint written (duplicates left out)
    // comes back with every field the format carries, as the format carries
    // it; GPSBabel reads the same names, coordinates, descriptions and links.
    // "many" is 33,000 waypoints, more than 16 bits count, which neither
    // MapSource format limits; an empty store writes nothing.
    void roundTrip_data() {
        AddColumns<QString, QString, QString, int>("kind", "fileName", "store", "gdbVersion");
        for (const auto& [kind, file] : kKinds) {
            for (const char* store :
                 {"realistic", "options", "awkward", "random", "many", "empty"}) {
                for (int version = 1; version <= (QLatin1String(kind) == u"gdb" ? 3 : 1);
                     version += 2) {
                    QTest::addRow("%s v%d %s", file, version, store)
                        << QString::fromLatin1(kind) << QString::fromLatin1(file)
                        << QString::fromLatin1(store) << version;
                }
            }
        }
    }
    void roundTrip() {
        QFETCH(QString, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, store);
        QFETCH(int, gdbVersion);
        StoreFile input = store == u"random"  ? RandomStore(300)
                          : store == u"many"  ? RandomStore(33000)
                          : store == u"empty" ? RandomStore(0)
                                              : LoadStoreFile(store);
        Options o = input.options;
        o.GdbVersion = gdbVersion;
        const QString path = dir_.filePath(store + fileName);
        if (store == u"empty") {  // no file is created, an old one is kept
            QVERIFY(MakeFile(path, "old"));
            for (const QString& file : {path, path + u".new"_s}) {
                QCOMPARE(WriteKind(kind, file, input.store, o).status, WriteResult::NothingToWrite);
            }
            QVERIFY(FileBytes(path) == "old" && !QFile::exists(path + u".new"_s));
            return;
        }
        QCOMPARE(WriteKind(kind, path, input.store, o).status, WriteResult::Written);
        WaypointStore back;
        const QStringList problems = ReadKind(path, back);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        std::vector<Waypoint> written = input.store.Waypoints;
        std::erase_if(written, [](const Waypoint& w) { return w.Duplicate; });
        QCOMPARE(back.Waypoints.size(), written.size());

        const bool mapSource = kind == QStringLiteral("mps") || kind == QStringLiteral("gdb");
        const bool ansi = kind == QStringLiteral("terrabyte") || (mapSource && gdbVersion == 1);
        const auto as = [&](QString text) {
            return ansi                            ? DecodeAnsi(EncodeAnsi(text))
                   : kind == QStringLiteral("loc") ? text.replace(QChar(7), u'?')
                   : kind == QStringLiteral("gpx") ? text.remove(QChar(7))
                                                   : text;
        };
        // GPSBabel (Debian package gpsbabel) reads all but MPS. It reads the
        // 8-bit texts of GDB version 1 and TerraByte LOC as UTF-8 and leaves
        // control characters out of its GPX; XML reads CR LF as LF.
        QStringList format;  // GPSBabel's name for it, the fields it keeps
        for (const QByteArray& line : FileBytes(kWriterData + u"formats.txt"_s).split('\n')) {
            format = line.startsWith(kind.toLatin1() + ' ')
                         ? QString::fromLatin1(line).split(u' ').mid(1)
                         : format;
        }
        const bool babelReads = kind != QStringLiteral("mps") && store != u"many" &&
                                !QStandardPaths::findExecutable(u"gpsbabel"_s).isEmpty();
        QString error;
        const auto babel =
            babelReads ? ReadWithGpsBabel(format[0], path, &error) : std::map<QString, Waypoint>();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(babel.size(), babelReads ? back.Waypoints.size() : 0);
        // What GPSBabel keeps: printable ASCII of the 8-bit texts, which it
        // reads as UTF-8, and GDB texts without control characters.
        const auto same = [&](const QString& text) {
            return std::ranges::all_of(text, [&](QChar c) {
                return ansi ? c >= u' ' && c < u'\x7F' : kind != QStringLiteral("gdb") || c >= u' ';
            });
        };
        const auto lf = [](QString text) { return text.replace(u"\r\n"_s, u"\n"_s); };
        const auto codes =
            kind == QStringLiteral("terrabyte") ? CacheCodes::TerraByte : CacheCodes::MapSource;
        for (size_t i = 0; i < written.size() && store != u"many"; ++i) {
            // The waypoint as the format gives it back.
            Waypoint e = written[i];
            const Waypoint& r = back.Waypoints[i];
            if ((mapSource || kind == QStringLiteral("gpx")) && o.SwapNameDesc) {
                e.Name.swap(e.Description);
            }
            const WaypointStyle style = ResolveWaypointStyle(e, o);
            // MapSource files carry the semicircles, the others the degrees.
            e.Latitude = mapSource ? SemicirclesToDegrees(e.LatSemicircles) : e.Latitude;
            e.Longitude = mapSource ? SemicirclesToDegrees(e.LonSemicircles) : e.Longitude;
            e.LatSemicircles = DegreesToSemicircles(e.Latitude);
            e.LonSemicircles = DegreesToSemicircles(e.Longitude);
            e.Name = as(kind == QStringLiteral("loc") ? e.Name : ExportName(e, o, codes));
            e.Description =
                as(kind == QStringLiteral("gdb") && o.CopyHint ? e.Hint : e.Description);
            for (QString* text : {&e.Url, &e.LinkName, &e.Comment, &e.TypeText, &e.Hint}) {
                *text = as(*text);
            }
            // MPS keeps the flag values, the others only whether a value is there.
            for (auto [has, value] : {std::pair{&e.HasAltitude, &e.Altitude},
                                      {&e.HasDepth, &e.Depth},
                                      {&e.HasProximity, &e.Proximity},
                                      {&e.HasTemperature, &e.Temperature}}) {
                *value = kind == QStringLiteral("mps") || *has ? *value : 0;
                *has = kind == QStringLiteral("mps") ? *has : quint8(*has != 0);
            }
            e.HasTime = kind == QStringLiteral("gdb") ? 1 : e.HasTime ? 255 : 0;
            e.Time = kind != QStringLiteral("gdb")    ? (e.HasTime ? e.Time : 0)
                     : o.PreserveTimes && e.Time != 0 ? e.Time
                                                      : qint32(o.ManualTime);
            // GDB categories are 16 bits, bit 15 read back as the sign. The
            // golden files show which GPX waypoints are caches, and TerraByte
            // LOC gives the symbol by its type text.
            const bool cache =
                kind == QStringLiteral("gpx") && (r.Symbol == 117 || r.Symbol == 118);
            std::tie(e.Symbol, e.Display, e.CategoryBits) =
                mapSource ? std::tuple(style.Symbol, style.DisplayMode, qint32(style.Categories))
                          : std::tuple(NotSet, NotSet, NotSet);
            e.Symbol = kind == QStringLiteral("terrabyte")
                           ? SymbolNumber(e.TypeText).value_or(NotSet)
                       : cache                                         ? r.Symbol
                       : kind != QStringLiteral("gpx")                 ? e.Symbol
                       : DeviceSymbolName(written[i].Symbol).isEmpty() ? 18
                                                                       : written[i].Symbol;
            e.Hint = cache || kind != QStringLiteral("gpx") ? e.Hint : u" - No Hints - "_s;
            e.CacheType = !cache                      ? r.CacheType
                          : e.CacheType.isEmpty()     ? u"Traditional Cache"_s
                          : e.CacheType == u"unknown" ? u"Unknown Cache"_s
                                                      : e.CacheType;
            const QString carried = u"Name,Description,"_s + format[1];
            QCOMPARE(FieldsText(r, carried), FieldsText(e, carried));
            // LOC writes 15 significant digits.
            QVERIFY(kind != QStringLiteral("loc") ||
                    qAbs(r.Latitude - e.Latitude) + qAbs(r.Longitude - e.Longitude) < 1e-11);
            if (!babelReads || !same(r.Name)) {
                continue;
            }
            const auto found = babel.find(lf(r.Name));
            QVERIFY2(found != babel.end(), qPrintable(r.Name));
            const Waypoint& g = found->second;
            QVERIFY(qAbs(g.Latitude - r.Latitude) + qAbs(g.Longitude - r.Longitude) < 2e-6);
            // The CDATA section of a LOC description stands on a line of its
            // own, and GPSBabel keeps those breaks. It gives the name where
            // there is no description and describes a geocache by its title:
            // the link name, or the description the cache was written with.
            const QString description = kind == QStringLiteral("loc")
                                            ? u'\n' + lf(r.Description) + u'\n'
                                            : lf(r.Description);
            const QString desc = g.Description;
            QVERIFY2(!same(r.Description) || desc == description ||
                         (r.Description.isEmpty() && desc == lf(r.Name)) ||
                         ((g.Symbol == 117 || g.Symbol == 118) &&
                          (desc == r.LinkName || desc == lf(as(written[i].Description)))),
                     qPrintable(desc + u" / "_s + description));
            QVERIFY(!same(r.Url) || g.Url == lf(r.Url));
            QVERIFY(kind == QStringLiteral("gdb") || !same(r.LinkName) ||
                    g.LinkName == lf(r.LinkName));
        }
    }

    // The writers onto a device. A whole file comes with the reports of its
    // format: MPS and TerraByte LOC remind of the coordinates the readers
    // repaired. A device that fails part-way: nothing counts as written, the
    // message names the file and the system's reason, and the store is left
    // as a successful export leaves it (the name/description swap undone).
    void deviceWrites_data() {
        AddColumns<QString, int>("kind", "limit");  // -1: all but the last byte
        for (const auto& [kind, file] : kKinds) {
            for (const int limit : {0, 10, 100, -1}) {
                QTest::addRow("%s, %d bytes", file, limit) << QString::fromLatin1(kind) << limit;
            }
        }
    }
    void deviceWrites() {
        QFETCH(QString, kind);
        QFETCH(int, limit);
        StoreFile success = LoadStoreFile(u"options"_s);
        success.store.CoordinatesFixed = true;
        StoreFile input = success;
        QVERIFY(input.loaded && input.options.SwapNameDesc);
        QBuffer whole;
        whole.open(QIODevice::WriteOnly);
        const QString name = u"/somewhere/out"_s;
        const WriteResult written = WriteKind(kind, name, success.store, success.options, &whole);
        QCOMPARE(written.status, WriteResult::Written);
        const UserMessage last = written.messages.empty() ? UserMessage() : written.messages.back();
        QCOMPARE(last.title + QString::number(int(last.icon)) + last.text,
                 kind != QStringLiteral("mps") && kind != QStringLiteral("terrabyte")
                     ? u"Wayfold0"_s
                     : u"Errors during import2Some input waypoints had out-of-range latitudes or "
                       u"longitudes.\r\n\r\nOffending values were reset to 0 and the waypoints "
                       u"renamed to \r\n'FIXED - ' + OriginalName"_s);
        limit = limit < 0 ? int(whole.data().size()) - 1 : limit;
        FailingDevice device(limit);
        const WriteResult result = WriteKind(kind, name, input.store, input.options, &device);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(device.written, whole.data().left(limit));
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(QString::number(int(result.messages[0].icon)) + result.messages[0].text,
                 u"3Could not write "_s + QDir::toNativeSeparators(name) +
                     u"\r\nReason: No space left on device"_s);
        QCOMPARE(StoreTexts(input.store, true), StoreTexts(success.store, true));
    }
};

QTEST_GUILESS_MAIN(RoundTripTest)
#include "test_roundtrip.moc"
