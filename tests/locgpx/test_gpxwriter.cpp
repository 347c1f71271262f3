// What the golden files of realistic.json and options.json (test_exporter)
// leave open in the GPX writer: cache ids, what makes a cache, the elements
// of each kind of waypoint, texts; and the files of other programs through
// the writer and our reader, checked by xmllint.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

#include "support/storefile.h"

namespace {

// The cache id of each waypoint name in a written file (0 for no cache).
QMap<QString, qint64> CacheIds(const QByteArray& file) {
    QMap<QString, qint64> ids;
    QXmlStreamReader xml(file);
    QString name;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.qualifiedName() == u"name") {
            name = xml.readElementText();
            ids[name] = 0;
        } else if (xml.qualifiedName() == u"groundspeak:cache") {
            ids[name] = xml.attributes().value(QStringLiteral("id")).toLongLong();
        }
    }
    return xml.hasError() ? QMap<QString, qint64>{{xml.errorString(), -1}} : ids;
}

// The lines of the first wpt element, between its start and end tags.
QByteArray FirstWaypoint(const QByteArray& file) {
    const qsizetype start = file.indexOf(">\r\n", file.indexOf("<wpt ")) + 3;
    return file.mid(start, file.indexOf("  </wpt>") - start).replace("\r\n", "\n");
}

// Empty when xmllint takes the file as well-formed XML, else what it says.
QString XmlLintProblems(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    if (!p.waitForFinished(60000)) {
        return QStringLiteral("xmllint did not finish");
    }
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

}  // namespace

class GpxWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // Names as "name" or "name|symbol"; the ids by name.
    void cacheIds_data() {
        AddColumns<QString, QString>("names", "ids");
        AddRow("hexadecimal", "GCEBB GC1A37 GCFFFF", "GC1A37=6711 GCEBB=3771 GCFFFF=65535");
        AddRow("base 31", "GC7FA4 GCGCA8 GC1XRPM GCG000",
               "GC1XRPM=1370315 GC7FA4=32676 GCG000=65536 GCGCA8=77386");
        AddRow("letter case", "gc7fa4", "gc7fa4=32676");
        // A code the site cannot have (I, L, O, S, U; below its first
        // number) and a cache without a code are counted.
        AddRow("counted", "GCLOVE GC9WF2 Stage|117 Final|118",
               "Final=1000000000 GC9WF2=1000000001 GCLOVE=1000000002 Stage=1000000003");
        AddRow("same number twice", "GC0G000 GCG000", "GC0G000=65536 GCG000=1000000000");
        AddRow("not caches", "GC1 GC1234567 GC12-4 Parking|45 Mill",
               "GC1=0 GC12-4=0 GC1234567=0 "
               "Mill=0 Parking=0");
    }
    void cacheIds() {
        QFETCH(QString, names);
        WaypointStore store;
        for (const QString& entry : names.split(u' ')) {
            const QStringList parts = entry.split(u'|');
            store.Waypoints.push_back(NamedWaypoint(parts[0]));
            store.Waypoints.back().Symbol = parts.size() > 1 ? parts[1].toInt() : NotSet;
        }
        const QMap<QString, qint64> ids =
            CacheIds(EncodeGpxFile(store, Options(), QStringLiteral("W")).bytes);
        QStringList found;
        for (auto i = ids.begin(); i != ids.end(); ++i) {
            found += i.key() + u'=' + QString::number(i.value());
        }
        QTEST(found.join(u' '), "ids");
    }

    // One waypoint ("field=value|..."), the options by name, and its wpt's lines.
    void waypointElements_data() {
        AddColumns<QString, QString, QString>("fields", "options", "lines");
        AddRow("what the GPX reader fills in says nothing",
               "Name=Parking|Symbol=45|CacheType=Traditional Cache|Hint= - No Hints - ", "",
               "<name>Parking</name>\n<sym>Parking Area</sym>");
        AddRow(
            "plain, from TerraByte LOC",
            "Name=Summit|Description=Top|Comment=Bring "
            "water|TypeText=Summit|Symbol=999|HasAltitude=1|Altitude=1234.5|HasTime=1|Time=-86400",
            "",
            "<ele>1234.5</ele>\n<time>1969-12-31T00:00:00Z</time>\n<name>Summit</name>\n"
            "<cmt>Bring water</cmt>\n<desc>Top</desc>\n<type>Summit</type>");
        AddRow("found cache of the site's description",
               "Name=GC1XRPM|Symbol=118|CacheType=multi-cache|Description=Drive by Mill by Anna, "
               "Bob, Multi-cache (1.5/4)|Url=http://x/|LinkName=Drive by Mill|Hint=Left",
               "",
               "<name>GC1XRPM</name>\n<desc>Drive by Mill by Anna, Bob, Multi-cache "
               "(1.5/4)</desc>\n<url>http://x/</url>\n<urlname>Drive by Mill</urlname>\n"
               "<sym>Geocache Found</sym>\n<type>Geocache|Multi-cache</type>\n"
               "<groundspeak:cache id=\"1370315\" available=\"True\" archived=\"False\">\n"
               "  <groundspeak:name>Drive by Mill</groundspeak:name>\n"
               "  <groundspeak:placed_by>Anna, Bob</groundspeak:placed_by>\n"
               "  <groundspeak:owner>Anna, Bob</groundspeak:owner>\n"
               "  <groundspeak:type>Multi-cache</groundspeak:type>\n"
               "  <groundspeak:container>Not chosen</groundspeak:container>\n"
               "  <groundspeak:difficulty>1.5</groundspeak:difficulty>\n"
               "  <groundspeak:terrain>4</groundspeak:terrain>\n"
               "  <groundspeak:encoded_hints>Left</groundspeak:encoded_hints>\n"
               "  <groundspeak:logs></groundspeak:logs>\n"
               "  <groundspeak:travelbugs></groundspeak:travelbugs>\n"
               "</groundspeak:cache>");
        // The options: the code under its type's letters, the title as the
        // name, the hint as the comment; the id stays the code's.
        AddRow("options",
               "Name=GCEBB|CacheType=Virtual Cache|Hint=Bench|Description=Mountain Bike Heaven by "
               "susy1313|LinkName=Cache Details",
               "ModNames SwapNameDesc CopyHint",
               "<name>Mountain Bike Heaven by susy1313</name>\n<cmt>Bench</cmt>\n"
               "<desc>GCEBB</desc>\n<urlname>Cache Details</urlname>\n<sym>Geocache</sym>\n"
               "<type>Geocache|Virtual Cache</type>\n"
               "<groundspeak:cache id=\"3771\" available=\"True\" archived=\"False\">\n"
               "  <groundspeak:name>Mountain Bike Heaven by susy1313</groundspeak:name>\n"
               "  <groundspeak:type>Virtual Cache</groundspeak:type>\n"
               "  <groundspeak:container>Not chosen</groundspeak:container>\n"
               "  <groundspeak:encoded_hints>Bench</groundspeak:encoded_hints>\n"
               "  <groundspeak:logs></groundspeak:logs>\n"
               "  <groundspeak:travelbugs></groundspeak:travelbugs>\n"
               "</groundspeak:cache>");
        AddRow("texts",
               "Name=A&B<C>\"D'|Description=€5 😀 "
               "\u0141\u00f3d\u017a\r\nx\ty|Symbol=1|HasAltitude=1|Altitude=nan",
               "",
               "<name>A&amp;B&lt;C&gt;&quot;D&apos;</name>\n"
               "<desc>€5 😀 Łódź&#13;\nx\ty</desc>\n<sym>Bell</sym>");
    }
    void waypointElements() {
        QFETCH(QString, fields);
        QFETCH(QString, options);
        StoreFile input;
        QJsonObject o;
        for (const QString& field : fields.split(u'|')) {
            const qsizetype at = field.indexOf(u'=');
            const QString value = field.mid(at + 1);
            bool number = false;
            const double n = value.toDouble(&number);
            o[field.left(at)] =
                number || value == u"nan" ? QJsonValue(number ? n : NAN) : QJsonValue(value);
        }
        Waypoint& w = input.store.Waypoints.emplace_back(NamedWaypoint(QString()));
        FromJson(o, "Name", w.Name, "Description", w.Description, "Url", w.Url, "LinkName",
                 w.LinkName, "Comment", w.Comment, "TypeText", w.TypeText, "CacheType", w.CacheType,
                 "Hint", w.Hint, "Symbol", w.Symbol, "HasAltitude", w.HasAltitude, "HasTime",
                 w.HasTime, "Time", w.Time);
        w.Altitude = o.value(QStringLiteral("Altitude")).toDouble(NAN);
        input.options.ModNames = options.contains(u"ModNames");
        input.options.SwapNameDesc = options.contains(u"SwapNameDesc");
        input.options.CopyHint = options.contains(u"CopyHint");
        const EncodedFile file = EncodeGpxFile(input.store, input.options, QStringLiteral("W"));
        QString lines = QString::fromUtf8(FirstWaypoint(file.bytes));
        lines.replace(
            QRegularExpression(QStringLiteral("^    "), QRegularExpression::MultilineOption),
            QString());
        QTEST(lines.trimmed(), "lines");
        QCOMPARE(input.store.Waypoints[0].Name, o.value(QStringLiteral("Name")).toString());
    }

    // Left out, counted and reported.
    void charactersXmlCannotCarry() {
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(QStringLiteral("A\x01"), QStringLiteral("\x02\x03")),
                           NamedWaypoint(QStringLiteral("B")),
                           NamedWaypoint(QStringLiteral("C") + QChar(0xD800) + QChar(0xFFFF))};
        // A cache writes its description and hint twice; each counts once.
        store.Waypoints[1].Symbol = 117;
        store.Waypoints[1].Description = QStringLiteral("\x04 by \x05, Event Cache (1/1)");
        store.Waypoints[1].Hint = QStringLiteral("\x06");
        Options hintAsComment;
        hintAsComment.CopyHint = true;
        const QString out = dir_.filePath(QStringLiteral("control.gpx"));
        const WriteResult result = WriteGpxFile(out, store, hintAsComment);
        QCOMPARE(result.status, WriteResult::Written);
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("8 characters in 3 waypoints cannot be carried by XML and were "
                                "left out of ") +
                     QDir::toNativeSeparators(out) + u'.');
        QCOMPARE(CacheIds(FileBytes(out)).keys(),
                 (QList<QString>{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    }

    // Real files of the listing site and of other programs become GPX that
    // xmllint takes and our reader reads back as they were read; each cache
    // gets the site's own number (the fixture's id, the LOC link's ID=).
    void otherProgramsFiles_data() {
        // idSource: the file that holds the site's numbers of the caches.
        AddColumns<QString, QString, int>("file", "idSource", "caches");
        AddRow("listing site GPX 2005", "GC7FA4.gpx", "GC7FA4.gpx", 1);
        AddRow("listing site GPX 2023", "GCGCA8.gpx", "GCGCA8.gpx", 1);
        AddRow("listing site LOC", "geocaching.loc", "geocaching.loc", 9);
        AddRow("LOC without links", "pathaway-geo.loc", "geocaching.loc", 9);
        AddRow("ExpertGPS, no caches", "expertgps.gpx", "", 0);
    }
    void otherProgramsFiles() {
        QFETCH(QString, file);
        QFETCH(QString, idSource);
        if (!FixturesAvailable()) {
            QSKIP("the peer fixtures are not here");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty()) {
            QSKIP("xmllint is not installed (Debian package libxml2-utils)");
        }
        WaypointStore store;
        QVERIFY(ReadKind(file.endsWith(u".gpx") ? ExportKind::Gpx : ExportKind::Loc,
                         FixturePath(file), store)
                    .isEmpty());
        const QString out = dir_.filePath(file + QStringLiteral(".gpx"));
        QCOMPARE(WriteGpxFile(out, store, Options()).status, WriteResult::Written);
        QCOMPARE(XmlLintProblems(out), QString());
        WaypointStore back;
        QCOMPARE(ReadKind(ExportKind::Gpx, out, back), QStringList());
        std::erase_if(store.Waypoints, [](const Waypoint& w) { return w.Duplicate; });
        QCOMPARE(back.WaypointCount(), store.WaypointCount());

        const QMap<QString, qint64> ids = CacheIds(FileBytes(out));
        const QByteArray source = FileBytes(FixturePath(idSource));
        const QRegularExpression siteId(QStringLiteral(R"re(cache id="(\d+)"|ID=(\d+))re"));
        int caches = 0;
        for (qint32 i = 0; i < store.WaypointCount(); ++i) {
            const Waypoint& w = store.Waypoints[i];
            const Waypoint& r = back.Waypoints[i];
            QCOMPARE(r.Name, w.Name);
            QCOMPARE(r.Description, w.Description);
            QCOMPARE(r.Latitude, w.Latitude);
            QCOMPARE(r.Longitude, w.Longitude);
            QCOMPARE(r.Url, w.Url);
            QCOMPARE(r.LinkName, w.LinkName);
            QCOMPARE(r.HasTime, w.HasTime);
            QCOMPARE(r.Time, w.Time);
            QCOMPARE(r.HasAltitude, w.HasAltitude);
            QCOMPARE(r.Altitude, w.Altitude);
            QCOMPARE(r.Hint, w.Hint);
            // LOC files name no type; the reader's own then stands.
            QCOMPARE(r.CacheType,
                     w.CacheType.isEmpty() ? QStringLiteral("Traditional Cache") : w.CacheType);
            const qint64 id = ids.value(w.Name);
            if (id == 0) {
                QCOMPARE(r.Symbol, w.Symbol == NotSet ? 18 : w.Symbol);
                continue;
            }
            ++caches;
            QCOMPARE(r.Symbol, 117);
            // The site's number of this cache in the source file.
            const qsizetype at = source.indexOf(w.Name.toUtf8());
            const QRegularExpressionMatch m = siteId.match(QString::fromUtf8(source.mid(at, 700)));
            QVERIFY2(m.hasMatch(), qPrintable(w.Name));
            QCOMPARE(id, (m.captured(1) + m.captured(2)).toLongLong());
        }
        QTEST(caches, "caches");
    }

    // The golden files too.
    void goldenFilesAreXml() {
        for (const char* golden : {"realistic.gpx", "options.gpx"}) {
            QCOMPARE(XmlLintProblems(kWriterData + QLatin1String(golden)), QString());
        }
    }
};

QTEST_GUILESS_MAIN(GpxWriterTest)
#include "test_gpxwriter.moc"
