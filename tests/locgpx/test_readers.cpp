// The GPX, XML LOC and TerraByte LOC readers on the cases of
// tests/data/readers, the real files of other programs, files cut at every
// length, ZIP archives of GPX files, and files that are missing or not
// files; all under the German locale, whose decimal separator is a comma.
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/gpxreader.h"
#include "locgpx/listing.h"
#include "locgpx/locreader.h"
#include "locgpx/pocketquery.h"
#include "locgpx/terrabytereader.h"
#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "support/testfiles.h"

#include <sys/stat.h>

namespace {

// What a test archive's entry holds, by its name: the GPX sample as a
// pocket query's caches, a waypoints file with one waypoint that lacks its
// coordinates, 20 MiB of blanks in a GPX file, or a line of text.
QByteArray EntryBytes(const QString& name) {
    if (name == QLatin1String("4711.gpx")) {
        return FileBytes(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"));
    }
    if (name.endsWith(QLatin1String("-wpts.gpx"))) {
        return "<gpx><wpt lat=\"46.9\" lon=\"7.4\"><name>ST9WF01</name><cmt>Park here</cmt></wpt>"
               "<wpt lat=\"46.9\"><name>ST9WF02</name></wpt></gpx>";
    }
    if (name == QLatin1String("big.gpx")) {
        return "<gpx>" + QByteArray(20 << 20, ' ') + "</gpx>";
    }
    return "x";
}

}  // namespace

class ReadersTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void gpx_data() { AddCaseRows("gpx.txt"); }
    void gpx() { CheckCase(&ReadGpxFile, dir_.path(), QStringLiteral("case.gpx")); }
    // What the XML readers take as XML, read as GPX (which shows every
    // parse error).
    void xml_data() { AddCaseRows("xml.txt"); }
    void xml() { gpx(); }
    void loc_data() { AddCaseRows("loc.txt"); }
    void loc() { CheckCase(&ReadLocFile, dir_.path(), QStringLiteral("case.loc")); }
    void terraByte_data() { AddCaseRows("terrabyte.txt"); }
    void terraByte() { CheckCase(&ReadTerraByteFile, dir_.path(), QStringLiteral("case.loc")); }

    // A cache's listing as the window shows it, and the table's summary of
    // it, which reads the markup itself and must agree.
    void listing() {
        REQUIRE_PEER_FIXTURES();
        WaypointStore store;
        RecordingProgress progress;
        ReadGpxFile(FixturePath(QStringLiteral("GCGCA8.gpx")), store, progress);
        ReadGpxFile(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), store, progress);
        QCOMPARE(store.WaypointCount(), 6);
        const CacheListing l = ParseListing(store.record(1));
        QVERIFY(l.cache && l.archived && !l.available);
        QCOMPARE(l.title + u'|' + l.owner + u'|' + l.type + u'|' + l.container + u'|' +
                     l.difficulty + u'/' + l.terrain + u'|' + l.state + u'|' + l.country,
                 QStringLiteral("Oozy rat in a sanitary zoo|robertlipe|Unknown Cache|Not chosen|3/"
                                "2|Tennessee|United States"));
        QCOMPARE(l.attributes.size(), size_t(8));
        QCOMPARE(l.attributes[0].text, QStringLiteral("Wheelchair accessible"));
        QVERIFY(!l.attributes[0].included && l.attributes[1].included);
        QVERIFY(l.longDescription.html && l.longDescription.text.contains(u"<li>Too hot to hoot"));
        QCOMPARE(l.logs.size(), size_t(25));
        QCOMPARE(l.logs[3].date + u'|' + l.logs[3].type + u'|' + l.logs[3].finder,
                 QStringLiteral("2017-10-08T19:00:00Z|Didn't find it|Abiectio"));
        QVERIFY(l.hint.isEmpty());
        QCOMPARE(ParseListing(store.record(2)).hint, QStringLiteral("Under the third plank"));
        // The parking: no cache, no cache type, no hint; what its file gave.
        const CacheListing parking = ParseListing(store.record(6));
        QVERIFY(!parking.cache && parking.type.isEmpty() && parking.hint.isEmpty());
        QCOMPARE(parking.waypointType, QStringLiteral("Waypoint|Parking Area"));
        // A run that writes no listing keeps none, but the fields beside them.
        WaypointStore lean;
        lean.KeepListings = false;
        ReadGpxFile(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), lean, progress);
        QVERIFY(lean.record(1).Listing.isEmpty() && !store.record(2).Listing.isEmpty());
        QCOMPARE(lean.record(1).Hint, store.record(2).Hint);

        Waypoint odd;
        // Children out of the schema's order, a description that shows
        // markup in CDATA, references, quotes holding ">", an attribute value
        // with blanks around it (which is no "True").
        odd.Listing =
            "<type>Geocache|Letterbox Hybrid</type><groundspeak:cache archived=' True\n' "
            "id=\"1>2\" available=\"false\"><short_description><![CDATA["
            "<difficulty>5</difficulty>]]></"
            "short_description><logs><log/></"
            "logs><terrain>1.5</terrain><!-- "
            "<container>x</container> "
            "--><container>Small &amp; &#x263A;</container>"
            "<difficulty>2</difficulty></groundspeak:cache>";
        store.Waypoints.push_back(odd);
        for (qint32 n = 1; n <= store.WaypointCount(); ++n) {
            const CacheListing full = ParseListing(store.record(n));
            const ListingSummary s = SummarizeListing(store.record(n).Listing);
            QCOMPARE(s.cache, full.cache);
            QCOMPARE(s.container + u'|' + s.difficulty + u'/' + s.terrain,
                     full.container + u'|' + full.difficulty + u'/' + full.terrain);
            QCOMPARE(s.available, full.available);
            QCOMPARE(s.archived, full.archived);
            QCOMPARE(s.waypointType, full.waypointType);
            QCOMPARE(s.cacheType, n == 7 || !full.type.isEmpty());
        }
        QCOMPARE(SummarizeListing(odd.Listing).container, QStringLiteral("Small & \u263A"));
        QVERIFY(!SummarizeListing(odd.Listing).available);
    }

    // The listing site's hint decoding keeps what stands in brackets.
    void decodeHint() {
        QCOMPARE(DecodeHint(QStringLiteral("Haqre gur [oevqtr], Zbff! 3 [xz] abegu")),
                 QStringLiteral("Under the [oevqtr], Moss! 3 [xz] north"));
        QCOMPARE(DecodeHint(DecodeHint(QStringLiteral("Abc xyz"))), QStringLiteral("Abc xyz"));
    }

    // Each read by the reader its extension names.
    void realFiles_data() { AddCaseRows("peer.txt"); }
    void realFiles() {
        REQUIRE_PEER_FIXTURES();
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        const QString path = FixturePath(QString::fromUtf8(document));
        const QHash<QString, FileReader> readers{{QStringLiteral("mps"), &ReadMpsFile},
                                                 {QStringLiteral("gdb"), &ReadGdbFile},
                                                 {QStringLiteral("loc"), &ReadLocFile},
                                                 {QStringLiteral("gpx"), &ReadGpxFile}};
        CheckRead(readers.value(QFileInfo(path).suffix()), path, expected);
    }

    // Every prefix of a file, through the LOC reader: those too short to say
    // "TerraByte" are neither format; all others keep the records of the
    // whole file that end inside them, and one message says the file is cut.
    void truncations_data() {
        AddCaseRows("truncated.txt");
        QTest::newRow("easygps.loc")
            << QByteArray("peer:easygps.loc") << QStringList{QStringLiteral("ends: ")};
    }
    void truncations() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        if (document.startsWith("peer:")) {
            REQUIRE_PEER_FIXTURES();
            document = FileBytes(FixturePath(QString::fromLatin1(document.mid(5))));
        }
        const QStringList ends = expected[0].mid(6).split(u' ', Qt::SkipEmptyParts);
        const QString path = dir_.filePath(QStringLiteral("cut.loc"));
        const auto read = [&](qsizetype length, QStringList& texts) {
            WaypointStore store;
            RecordingProgress progress;
            QVERIFY(MakeFile(path, document.left(length)));
            const ImportResult r = ReadLocFile(path, store, progress);
            texts = Texts(r);
            for (const Waypoint& w : store.Waypoints) {
                texts.push_back(w.Name + u'|' + w.Url);
            }
            QCOMPARE(r.result, length < 9 ? -1 : store.WaypointCount());
        };
        QStringList whole;
        read(document.size(), whole);
        qsizetype previous = 0;
        for (qsizetype length = 0; length < document.size(); ++length) {
            QStringList texts;
            read(length, texts);
            const qsizetype count = texts.size() - 1;
            const QString damage =
                QStringLiteral("The TerraByte LOC file %1 is truncated").arg(path);
            QVERIFY2(length < 9
                         ? texts[0].contains(QLatin1String("Error parsing"))
                         : texts[0].startsWith(damage) &&
                               texts[0].endsWith(
                                   QStringLiteral("Waypoints imported from before the damage: %1")
                                       .arg(count)),
                     qPrintable(texts[0]));
            QCOMPARE(texts.mid(1), whole.first(count));
            QVERIFY(count >= previous);
            if (!ends.isEmpty()) {
                QCOMPARE(count, std::count_if(ends.begin(), ends.end(), [&](const QString& end) {
                             return end.toLongLong() <= length;
                         }));
            }
            previous = count;
        }
        // Only the end byte is missing in the longest prefix.
        QCOMPARE(previous, whole.size());
    }

    // ZIP archives through the session: a pocket query, caches read before
    // their waypoints, and archives that are refused with nothing imported.
    // damage: "cut" cuts the archive in half, "understate" makes the first
    // entry claim 1000 bytes; other text is changed in the stored (not
    // deflated) archive. Messages hold %1 for the archive's path.
    void zipArchives_data() {
        AddColumns<QStringList, QByteArray, QStringList>("entries", "damage", "messages");
        QStringList many;
        for (int n = 0; n <= 1000; ++n) {
            many += QStringLiteral("%1.gpx").arg(n);
        }
        AddRow("pocket query",
               QStringList{QStringLiteral("4711-wpts.gpx"), QStringLiteral("4711.gpx"),
                           QStringLiteral("docs/"), QStringLiteral("readme.txt"),
                           QStringLiteral("inner.zip"), QStringLiteral("../up.gpx"),
                           QStringLiteral("/etc/abs.gpx")},
               QByteArray(),
               QStringList{QStringLiteral("Some entries of %1 were not read:\r\n"
                                          "readme.txt (not a GPX file)\r\n"
                                          "inner.zip (an archive inside the archive)\r\n"
                                          "../up.gpx (a name that climbs out of the archive)\r\n"
                                          "/etc/abs.gpx (an absolute path)\r\n"
                                          "Its GPX files were imported."),
                           QStringLiteral("Some waypoints in %1/4711-wpts.gpx were skipped:\r\n"
                                          "wpt elements without the lat or lon attribute: 1\r\n"
                                          "The other waypoints were imported.")});
        AddRow("too many entries", many, QByteArray(),
               QStringList{QStringLiteral(
                   "Can't import %1: it holds 1001 entries; at most 1000 are read.")});
        AddRow("bomb", QStringList{QStringLiteral("4711.gpx"), QStringLiteral("big.gpx")},
               QByteArray(),
               QStringList{QStringLiteral("Can't import %1: its entry big.gpx would unpack to 21 "
                                          "MB, more than 100 times its packed size; it looks like "
                                          "a ZIP bomb.")});
        AddRow("damaged entry",
               QStringList{QStringLiteral("4711.gpx"), QStringLiteral("4711-wpts.gpx")},
               QByteArray("Park here"),
               QStringList{QStringLiteral("Can't import %1: its entry 4711-wpts.gpx can't be "
                                          "unpacked (CRC error); nothing of it was imported.")});
        AddRow(
            "understated size", QStringList{QStringLiteral("4711.gpx")}, QByteArray("understate"),
            QStringList{QStringLiteral("Can't import %1: its entry 4711.gpx can't be unpacked (it "
                                       "holds more than the archive's directory says); nothing "
                                       "of it was imported.")});
        AddRow("cut archive", QStringList{QStringLiteral("4711.gpx")}, QByteArray("cut"),
               QStringList{QStringLiteral("Can't import %1: it is not a ZIP archive that can be "
                                          "read (Not a zip archive).")});
    }
    void zipArchives() {
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, damage);
        QFETCH(QStringList, messages);
        const QString path = dir_.filePath(QStringLiteral("pq.zip"));
        QList<std::pair<QString, QByteArray>> archive;
        for (const QString& name : entries) {
            archive.push_back({name, EntryBytes(name)});
        }
        QVERIFY(MakeZip(path, archive, !damage.isEmpty()));
        if (!damage.isEmpty()) {
            QByteArray bytes = FileBytes(path);
            if (damage == "cut") {
                bytes.truncate(bytes.size() / 2);
            } else if (damage == "understate") {
                // The first entry's unpacked size in its header and the directory: 1000.
                for (const auto& [record, at] : {std::pair("PK\x03\x04", 22), {"PK\x01\x02", 24}}) {
                    bytes.replace(bytes.indexOf(record) + at, 4, QByteArray("\xe8\x03\0\0", 4));
                }
            } else {
                QVERIFY(bytes.contains(damage));
                bytes.replace(damage, damage.toUpper());
            }
            QVERIFY(MakeFile(path, bytes));
        }
        // What the caches file holds on its own.
        WaypointStore caches;
        RecordingProgress progress;
        ReadGpxFile(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), caches, progress);
        QVERIFY(caches.WaypointCount() > 1);

        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        QVERIFY(ImportFile(t.session, path));
        for (QString& m : messages) {
            m = m.arg(path);
        }
        QCOMPARE(t.frontend.messageTexts(), messages);
        const std::vector<Waypoint>& stored = t.session.store.Waypoints;
        if (messages.front().startsWith(QLatin1String("Can't import"))) {
            QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
            return;
        }
        QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name} + Names(caches) +
                                             QStringList{QStringLiteral("ST9WF01")});
        QCOMPARE(stored[1].File, path + QStringLiteral("/4711.gpx"));
        QCOMPARE(stored.back().File, path + QStringLiteral("/4711-wpts.gpx"));
        QCOMPARE(t.frontend.panel2, QStringLiteral("Last Import: %1").arg(stored.size() - 1));
    }

    // A cancel in the caches file leaves the waypoints file unread. The
    // cancel is looked at when the store reaches 19 waypoints.
    void zipCancelled() {
        const QString path = dir_.filePath(QStringLiteral("cancel.zip"));
        QVERIFY(MakeZip(
            path, {{QStringLiteral("4711-wpts.gpx"), EntryBytes(QStringLiteral("4711-wpts.gpx"))},
                   {QStringLiteral("4711.gpx"), EntryBytes(QStringLiteral("4711.gpx"))}}));
        CheckRead(&ReadZipFile, path,
                  {QStringLiteral("stored: 15"), QStringLiteral("cancel: 1"),
                   QStringLiteral("names: GC9WF01|GC9WF02|GC9WF03|GC9WF04")});
    }

    // Through the session, each with one message and the store as it was.
    void badFiles_data() { AddCaseRows("badfiles.txt"); }
    void badFiles() {
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        const QString path = dir.filePath(name);
        if (name.startsWith(QLatin1String("empty"))) {
            QVERIFY(MakeFile(path));
        } else if (name.startsWith(QLatin1String("folder"))) {
            QVERIFY(QDir(dir.path()).mkdir(name));
        } else if (name.startsWith(QLatin1String("pipe"))) {
#ifdef Q_OS_WIN
            QSKIP("Windows keeps no pipes among the files of a folder");
#else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        } else if (name.startsWith(QLatin1String("unreadable"))) {
#ifdef Q_OS_WIN
            QSKIP("Windows has no permission that keeps a file's owner from reading it");
#endif
            QVERIFY(MakeFile(path, "MsRcd"));
            QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
            if (QFileInfo(path).isReadable()) {
                QSKIP("This user can read a file without read permission (root).");
            }
        }
        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        QVERIFY(ImportFile(t.session, path));
        // The system's own words for a file that is not there.
        QFile absent(dir.filePath(QStringLiteral("absent")));
        QVERIFY(!absent.open(QIODevice::ReadOnly));
        QCOMPARE(t.frontend.messageTexts(),
                 QStringList{expected[0].mid(9).arg(path).replace(QLatin1String("<no such file>"),
                                                                  absent.errorString())});
        QCOMPARE(QStringLiteral("icon: %1").arg(int(t.frontend.messages.front().icon)),
                 expected[1]);
        QCOMPARE(t.session.problemCount, 1);
        QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
        QCOMPARE(t.frontend.panel1, QStringLiteral("Imported waypoints: 1"));
        QCOMPARE(QStringLiteral("last: ") + t.frontend.panel2.mid(13), expected[2]);
    }
};

WAYFOLD_GERMAN_TEST_MAIN(ReadersTest)
#include "test_readers.moc"
