// The GPX, XML LOC and TerraByte LOC readers on the cases of
// tests/data/readers (hostile files among them) and on generated large
// files, the real files of other programs, files cut at every length, ZIP
// archives of GPX files, and files that are missing or not files; all under
// the German locale, whose decimal separator is a comma.
#include <QTcpServer>
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

using namespace Qt::StringLiterals;

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

bool MakeFifo(const QString& path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}

}  // namespace

class ReadersTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // The cases of the tables, with generated ones: for GPX, megabyte values
    // and elements, texts and line counts across the reader's 1 MB read
    // blocks; for XML LOC, running totals at the store slots that are
    // multiples of 20, where alone the cancel is looked at (what was read
    // before it stays), and a fault late in the file that undoes the
    // waypoints read before it and the coordinate flag one of them set; for
    // TerraByte, running totals every 20 records from the store's size, no
    // cancel, and more than 32767 records all read. xml.txt is read as GPX,
    // which shows every parse error; the real files by the reader their
    // extension names.
    void initTestCase() {
        // What a reader that read the DTD a document names would take.
        QVERIFY(MakeFile(dir_.filePath(u"secret.dtd"_s), "<!ENTITY secret \"from outside\">\n"));
    }

    void read_data() {
        AddCaseLines({{"readers/gpx.txt", "gpx"},
                      {"readers/xml.txt", "gpx"},
                      {"readers/loc.txt", "loc"},
                      {"readers/terrabyte.txt", "terrabyte"},
                      {"readers/peer.txt", "peer"}});
        const QByteArray mb(1 << 20, 'x');
        AddCase(u"gpx"_s, u"megabyte attributes and text"_s,
                "<gpx creator=\"" + mb + "\"><wpt junk=\"" + mb +
                    "\" lat=\"1\" lon=\"2\"><name>GC1</name><desc>" + mb + "</desc></wpt></gpx>",
                {u"Name,Description: GC1|"_s + QLatin1String(mb)});
        QByteArray gpx = "<gpx>";
        QByteArray loc = "<?xml version=\"1.0\"?><loc version=\"1.0\" src=\"Test\">";
        QByteArray terraByte = "TerraByte Location File Copyright 2002 TopoGrafix\x0A\x0E";
        QStringList names;
        QStringList totals;
        const QByteArray description = "\xC3\xA9\xE2\x82\xAC" + QByteArray(300, 'd');
        for (int n = 1; n <= 40000; ++n) {
            names += QString::number(n);
            const QByteArray name = "GC" + QByteArray::number(n);
            gpx += n > 9000 ? QByteArray()
                            : "\n<wpt lat=\"1\" lon=\"2\"><name>" + name + "</name><desc>" +
                                  description + "</desc></wpt>";
            loc += n > 45 ? QByteArray()
                          : "\n<waypoint><name id=\"" + name +
                                "\">x</name><coord lat=\"1\" lon=\"2\"/></waypoint>";
            terraByte += "W\x08" + QByteArray::number(n) + QByteArray("\0\xFF", 2);
            totals += n % 20 == 0 ? QString::number(100 + n) : QString();
        }
        totals.removeAll(QString());
        const auto first = [&](int count) { return names.first(count).join(u"|GC"_s); };
        AddCase(u"gpx"_s, u"across read blocks"_s, gpx + "\n</gpx>",
                {u"names: GC"_s + first(9000),
                 u"Description@9000: "_s + QString::fromUtf8(description), u"progress: 3145728"_s});
        AddCase(
            u"gpx"_s, u"across read blocks, fault at the end"_s,
            gpx + "\n<wpt lat=\"1\" lon=\"2\"></wpx>",
            {u"error: The end tag </wpx> does not match the start tag <wpt> (line 9002, column 22)"_s});
        for (const auto& [tag, settings, runningTotals, read] :
             {std::tuple("45 after one", "stored: 1", "20 40", 45),
              {"45 after 15", "stored: 15", "20 40 60", 45},
              {"cancel at once", "cancel: 1", "20", 18},
              {"cancel during the second twenty", "cancel: 25", "20 40", 38}}) {
            AddCase(u"loc"_s, QLatin1String(tag), loc + "</loc>",
                    {QLatin1String(settings), u"totals: "_s + QLatin1String(runningTotals),
                     u"names: GC"_s + first(read)});
        }
        QByteArray faulty = loc.first(loc.indexOf("\n<waypoint><name id=\"GC31"));
        faulty.insert(faulty.indexOf('\n'),
                      "\n<waypoint><name>x</name><coord lat=\"95\" lon=\"2\"/></waypoint>");
        AddCase(
            u"loc"_s, u"fault after 31 waypoints"_s,
            faulty + "\n<waypoint><name>x</nam></waypoint>",
            {u"error: The end tag </nam> does not match the start tag <name> (line 33, column 18)"_s,
             u"result: -1"_s});
        AddCase(u"terrabyte"_s, u"40000 records after 100"_s, terraByte + QByteArray(1, '\0'),
                {u"stored: 100"_s, u"cancel: 1"_s, u"Name@32768: 32768"_s, u"Name@40000: 40000"_s,
                 u"result: 40000"_s, u"totals: "_s + totals.join(u' ')});
    }
    void read() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        const QHash<QString, FileReader> readers{{u"mps"_s, &ReadMpsFile},
                                                 {u"gdb"_s, &ReadGdbFile},
                                                 {u"loc"_s, &ReadLocFile},
                                                 {u"terrabyte"_s, &ReadTerraByteFile},
                                                 {u"gpx"_s, &ReadGpxFile}};
        if (kind == u"peer") {
            REQUIRE_PEER_FIXTURES();
            const QString path = FixturePath(QString::fromUtf8(document));
            CheckRead(readers.value(QFileInfo(path).suffix()), path, expected);
            return;
        }
        // No reader may connect to the listener the documents name.
        QTcpServer listener;
        QVERIFY(listener.listen(QHostAddress::LocalHost));
        const QByteArray big =
            document.contains("%BIG%") ? QByteArray("0123456789").repeated(10 << 20) : QByteArray();
        document.replace("%PORT%", QByteArray::number(listener.serverPort()))
            .replace("%NEST%",
                     QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000))
            .replace("%BIG%", big);
        for (QString& e : expected) {
            e.replace(u"%BIG%"_s, QLatin1String(big));
        }
        const QString path = dir_.filePath(u"case."_s + kind);
        QVERIFY(MakeFile(path, document));
        CheckRead(readers.value(kind), path, expected);
        QVERIFY2(!listener.waitForNewConnection(), "a reader connected to the listener");
    }

    // A cache's listing as the window shows it, and the table's summary of
    // it, which reads the markup itself and must agree.
    void listing() {
        REQUIRE_PEER_FIXTURES();
        WaypointStore store;
        RecordingProgress progress;
        ReadGpxFile(FixturePath(u"GCGCA8.gpx"_s), store, progress);
        ReadGpxFile(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), store, progress);
        QCOMPARE(store.WaypointCount(), 6);
        const CacheListing l = ParseListing(store.record(1));
        QVERIFY(l.cache && l.archived && !l.available && l.hint.isEmpty());
        QCOMPARE(
            l.title + u'|' + l.owner + u'|' + l.type + u'|' + l.container + u'|' + l.difficulty +
                u'/' + l.terrain + u'|' + l.state + u'|' + l.country,
            u"Oozy rat in a sanitary zoo|robertlipe|Unknown Cache|Not chosen|3/2|Tennessee|United States"_s);
        QCOMPARE(l.attributes.size(), size_t(8));
        QCOMPARE(l.attributes[0].text, u"Wheelchair accessible"_s);
        QVERIFY(!l.attributes[0].included && l.attributes[1].included);
        QVERIFY(l.longDescription.html && l.longDescription.text.contains(u"<li>Too hot to hoot"));
        QCOMPARE(l.logs.size(), size_t(25));
        QCOMPARE(l.logs[3].date + u'|' + l.logs[3].type + u'|' + l.logs[3].finder,
                 u"2017-10-08T19:00:00Z|Didn't find it|Abiectio"_s);
        QCOMPARE(ParseListing(store.record(2)).hint, u"Under the third plank"_s);
        // The parking: no cache, no cache type, no hint; what its file gave.
        const CacheListing parking = ParseListing(store.record(6));
        QVERIFY(!parking.cache && parking.type.isEmpty() && parking.hint.isEmpty());
        QCOMPARE(parking.waypointType, u"Waypoint|Parking Area"_s);
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
            "id=\"1>2\" available=\"false\"><short_description><![CDATA[<difficulty>5</difficulty>"
            "]]></short_description><logs><log/></logs><terrain>1.5</terrain><!-- "
            "<container>x</container> --><container>Small &amp; &#x263A;</container>"
            "<difficulty>2</difficulty></groundspeak:cache>";
        store.Waypoints.push_back(odd);
        for (qint32 n = 1; n <= store.WaypointCount(); ++n) {
            const CacheListing f = ParseListing(store.record(n));
            const ListingSummary s = SummarizeListing(store.record(n).Listing);
            QCOMPARE(
                std::tuple(s.cache, s.available, s.archived, s.cacheType, s.waypointType,
                           s.container + u'|' + s.difficulty + u'/' + s.terrain),
                std::tuple(f.cache, f.available, f.archived, n == 7 || !f.type.isEmpty(),
                           f.waypointType, f.container + u'|' + f.difficulty + u'/' + f.terrain));
        }
        QCOMPARE(SummarizeListing(odd.Listing).container, u"Small & \u263A"_s);
        QVERIFY(!SummarizeListing(odd.Listing).available);
    }

    // The listing site's hint decoding keeps what stands in brackets.
    void decodeHint() {
        QCOMPARE(DecodeHint(u"Haqre gur [oevqtr], Zbff! 3 [xz] abegu"_s),
                 u"Under the [oevqtr], Moss! 3 [xz] north"_s);
        QCOMPARE(DecodeHint(DecodeHint(u"Abc xyz"_s)), u"Abc xyz"_s);
    }

    // Every prefix of a file, through the LOC reader: those too short to say
    // "TerraByte" are neither format; all others keep the records of the
    // whole file that end inside them, and one message says the file is cut.
    // truncated.txt gives where the records of its file end.
    void truncations() {
        REQUIRE_PEER_FIXTURES();
        const QList<QByteArray> cut =
            FileBytes(QStringLiteral(WAYFOLD_TEST_DATA "/readers/truncated.txt"))
                .trimmed()
                .split('\n')
                .back()
                .split('\t');
        const QString path = dir_.filePath(u"cut.loc"_s);
        for (const auto& [document, ends] :
             {std::pair(Unescaped(cut[1]), cut[2].mid(6).split(' ')),
              {FileBytes(FixturePath(u"easygps.loc"_s)), QList<QByteArray>()}}) {
            const auto read = [&](qsizetype length, QStringList& texts) {
                WaypointStore store;
                RecordingProgress progress;
                QVERIFY(MakeFile(path, document.left(length)));
                const ImportResult r = ReadLocFile(path, store, progress);
                texts = Texts(r.messages);
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
                const QString damage = u"The TerraByte LOC file %1 is truncated"_s.arg(path);
                QVERIFY2(
                    length < 9
                        ? texts[0].contains(QLatin1String("Error parsing"))
                        : texts[0].startsWith(damage) &&
                              texts[0].endsWith(
                                  u"Waypoints imported from before the damage: %1"_s.arg(count)),
                    qPrintable(texts[0]));
                QCOMPARE(texts.mid(1), whole.first(count));
                QVERIFY(count >= previous);
                if (!ends.isEmpty()) {
                    QCOMPARE(count,
                             std::count_if(ends.begin(), ends.end(), [&](const QByteArray& end) {
                                 return end.toLongLong() <= length;
                             }));
                }
                previous = count;
            }
            // Only the end byte is missing in the longest prefix.
            QCOMPARE(previous, whole.size());
        }
    }

    // ZIP archives through the session: a pocket query, caches read before
    // their waypoints, and archives refused with nothing imported, for the
    // reason given. damage: "cut" cuts the archive in half, "understate"
    // makes the first entry claim 1000 bytes; other text is changed in the
    // stored (not deflated) archive.
    void zipArchives_data() {
        AddColumns<QStringList, QByteArray, QString>("entries", "damage", "reason");
        QStringList many;
        for (int n = 0; n <= 1000; ++n) {
            many += u"%1.gpx"_s.arg(n);
        }
        AddRow("pocket query",
               QStringList{u"4711-wpts.gpx"_s, u"4711.gpx"_s, u"docs/"_s, u"readme.txt"_s,
                           u"inner.zip"_s, u"../up.gpx"_s, u"/etc/abs.gpx"_s},
               QByteArray(), QString());
        AddRow("too many entries", many, QByteArray(),
               u"it holds 1001 entries; at most 1000 are read"_s);
        AddRow(
            "bomb", QStringList{u"4711.gpx"_s, u"big.gpx"_s}, QByteArray(),
            u"its entry big.gpx would unpack to 21 MB, more than 100 times its packed size; it looks like a ZIP bomb"_s);
        AddRow(
            "damaged entry", QStringList{u"4711.gpx"_s, u"4711-wpts.gpx"_s},
            QByteArray("Park here"),
            u"its entry 4711-wpts.gpx can't be unpacked (CRC error); nothing of it was imported"_s);
        AddRow(
            "understated size", QStringList{u"4711.gpx"_s}, QByteArray("understate"),
            u"its entry 4711.gpx can't be unpacked (it holds more than the archive's directory says); nothing of it was imported"_s);
        AddRow("cut archive", QStringList{u"4711.gpx"_s}, QByteArray("cut"),
               u"it is not a ZIP archive that can be read (Not a zip archive)"_s);
    }
    void zipArchives() {
        QFETCH(QStringList, entries);
        QFETCH(QByteArray, damage);
        QFETCH(QString, reason);
        const QString path = dir_.filePath(u"pq.zip"_s);
        QList<std::pair<QString, QByteArray>> archive;
        for (const QString& name : entries) {
            archive.push_back({name, EntryBytes(name)});
        }
        QVERIFY(MakeZip(path, archive, !damage.isEmpty()));
        QByteArray bytes = FileBytes(path);
        if (damage == "cut") {
            bytes.truncate(bytes.size() / 2);
        } else if (damage == "understate") {
            // The first entry's unpacked size in its header and the directory: 1000.
            for (const auto& [record, at] : {std::pair("PK\x03\x04", 22), {"PK\x01\x02", 24}}) {
                bytes.replace(bytes.indexOf(record) + at, 4, QByteArray("\xe8\x03\0\0", 4));
            }
        } else if (!damage.isEmpty()) {
            QVERIFY(bytes.contains(damage));
            bytes.replace(damage, damage.toUpper());
        }
        QVERIFY(MakeFile(path, bytes));
        TestSession t;
        t.session.store.Waypoints.push_back(Sentinel());
        QVERIFY(ImportFile(t.session, path));
        if (!reason.isEmpty()) {
            QCOMPARE(t.frontend.messageTexts(),
                     QStringList{u"Can't import %1: %2."_s.arg(path, reason)});
            QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
            return;
        }
        QCOMPARE(t.frontend.messageTexts(),
                 QStringList({u"Some entries of %1 were not read:\r\n"
                              "readme.txt (not a GPX file)\r\n"
                              "inner.zip (an archive inside the archive)\r\n"
                              "../up.gpx (a name that climbs out of the archive)\r\n"
                              "/etc/abs.gpx (an absolute path)\r\n"
                              "Its GPX files were imported."_s.arg(path),
                              u"Some waypoints in %1/4711-wpts.gpx were skipped:\r\n"
                              "wpt elements without the lat or lon attribute: 1\r\n"
                              "The other waypoints were imported."_s.arg(path)}));
        // The caches file's waypoints as it holds them on its own, then the
        // waypoints file's.
        WaypointStore caches;
        RecordingProgress progress;
        ReadGpxFile(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), caches, progress);
        QVERIFY(caches.WaypointCount() > 1);
        const std::vector<Waypoint>& stored = t.session.store.Waypoints;
        QCOMPARE(Names(t.session.store),
                 QStringList{Sentinel().Name} + Names(caches) + QStringList{u"ST9WF01"_s});
        QCOMPARE(stored[1].File + u'|' + stored.back().File,
                 u"%1/4711.gpx|%1/4711-wpts.gpx"_s.arg(path));
        QCOMPARE(t.frontend.panel2, u"Last Import: %1"_s.arg(stored.size() - 1));
    }

    // A cancel in the caches file leaves the waypoints file unread. The
    // cancel is looked at when the store reaches 19 waypoints.
    void zipCancelled() {
        const QString path = dir_.filePath(u"cancel.zip"_s);
        QVERIFY(MakeZip(path, {{u"4711-wpts.gpx"_s, EntryBytes(u"4711-wpts.gpx"_s)},
                               {u"4711.gpx"_s, EntryBytes(u"4711.gpx"_s)}}));
        CheckRead(&ReadZipFile, path,
                  {u"stored: 15"_s, u"cancel: 1"_s, u"names: GC9WF01|GC9WF02|GC9WF03|GC9WF04"_s});
    }

    // Through the session, each with one message and the store as it was.
    // The MapSource formats and the XML ones each share their words; a .loc
    // file that is not XML goes to the TerraByte reader, which can't read
    // these either (-1).
    void badFiles() {
        QTemporaryDir dir;
        QFile absent(dir.filePath(u"absent"_s));
        QVERIFY(!absent.open(QIODevice::ReadOnly));
        const QStringList mapSource{u"Please create %1 before using this function!"_s,
                                    u"the file is empty"_s, u"it is a folder, not a file"_s,
                                    u"it is not a plain file"_s,
                                    u"the file can't be opened (Permission denied)"_s};
        const QStringList xml{u"The file cannot be opened: "_s + absent.errorString(),
                              u"The file is empty (line 1, column 1)"_s,
                              u"It is a folder, not a file"_s, u"It is not a plain file"_s,
                              u"The file cannot be opened: Permission denied"_s};
        const QStringList kinds{u"missing"_s, u"empty"_s, u"folder"_s, u"pipe"_s, u"unreadable"_s};
        for (const QString& extension : {u"mps"_s, u"gdb"_s, u"loc"_s, u"gpx"_s}) {
            for (qsizetype k = 0; k < kinds.size(); ++k) {
                const QString path = dir.filePath(kinds[k] + u'.' + extension);
                const bool made = k == 0 || (k == 1 && MakeFile(path)) ||
                                  (k == 2 && QDir().mkdir(path)) || (k == 3 && MakeFifo(path)) ||
                                  (k == 4 && MakeFile(path, "MsRcd") &&
                                   QFile::setPermissions(path, QFileDevice::Permissions()) &&
                                   !QFileInfo(path).isReadable());
                if (!made) {
                    // No pipes among a folder's files on Windows; root reads
                    // a file without read permission.
                    qInfo("%s left out: it can't be made here", qPrintable(path));
                    continue;
                }
                const bool mapSourceFile = extension == u"mps" || extension == u"gdb";
                TestSession t;
                t.session.store.Waypoints.push_back(Sentinel());
                QVERIFY(ImportFile(t.session, path));
                QCOMPARE(t.frontend.messageTexts(),
                         QStringList{
                             mapSourceFile
                                 ? (k == 0 ? mapSource[0].arg(path)
                                           : u"Can't import %1: "_s.arg(path) + mapSource[k] + u'.')
                                 : u"Error parsing %1\r\nReason: "_s.arg(path) + xml[k]});
                QCOMPARE(int(t.frontend.messages.front().icon), mapSourceFile ? (k ? 2 : 0) : 3);
                QCOMPARE(t.session.problemCount, 1);
                QCOMPARE(Names(t.session.store), QStringList{Sentinel().Name});
                QCOMPARE(
                    t.frontend.panel1 + u'|' + t.frontend.panel2,
                    u"Imported waypoints: 1|Last Import: %1"_s.arg(extension == u"loc" ? -1 : 0));
            }
        }
    }
};

WAYFOLD_GERMAN_TEST_MAIN(ReadersTest)
#include "test_readers.moc"
