// The GPX reader, through ReadGpxFile on real and invented files.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/store.h"
#include "locgpx/gpxreader.h"
#include "support/fakes.h"

namespace {

QByteArray GpxFile(const QByteArray& content) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<gpx version=\"1.0\" creator=\"Test\" xmlns=\"http://www.topografix.com/GPX/1/0\">\n" +
           content + "\n</gpx>\n";
}

QByteArray Wpt(const QByteArray& inside,
               const QByteArray& coordinates = "lat=\"47.5\" lon=\"7.25\"") {
    return "<wpt " + coordinates + ">" + inside + "</wpt>\n";
}

}  // namespace

class GpxReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            qFatal("cannot write the test file");
        }
        return path;
    }

    // Reads one waypoint from a file holding just that one.
    Waypoint readOne(const QByteArray& wpt) {
        const QString path = write(QStringLiteral("one.gpx"), GpxFile(wpt));
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        if (r.result != 1 || !r.messages.empty() || store.WaypointCount() != 1) {
            qWarning("the waypoint was not read: result %d", r.result);
            return {};
        }
        return store.record(1);
    }

private Q_SLOTS:
    void singleCacheFixtures_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<qint32>("time");
        QTest::addColumn<QString>("cacheType");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("linkName");
        QTest::newRow("GC7FA4") << "GC7FA4.gpx"
                                << "GC7FA4"
                                << QString::fromUtf8(
                                       "Points géodésiques du Québec by Sverdrup2, Locationless "
                                       "(Reverse) Cache (1/1)")
                                << 46.1333333333333 << -73.0
                                << qint32(
                                       1029369600)  // 2002-08-15 00:00:00, the -07:00 not applied
                                << "Locationless (Reverse) Cache"
                                << "http://www.geocaching.com/seek/"
                                   "cache_details.aspx?guid=727f9d2c-f080-41f1-a2c9-a326ead462ed"
                                << QString::fromUtf8("Points géodésiques du Québec");
        QTest::newRow("GCGCA8") << "GCGCA8.gpx"
                                << "GCGCA8"
                                << "Oozy rat in a sanitary zoo by robertlipe, Unknown Cache (3/2)"
                                << 35.921667 << -86.861667
                                << qint32(1056844800)  // 2003-06-29T00:00:00
                                << "Unknown Cache"
                                << "https://www.geocaching.com/geocache/GCGCA8"
                                << "Oozy rat in a sanitary zoo";
    }
    void singleCacheFixtures() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        QFETCH(QString, file);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(FixturePath(file), store, progress);
        QCOMPARE(r.result, 1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        const Waypoint& w = store.record(1);
        QTEST(w.Name, "name");
        QTEST(w.Description, "description");
        QTEST(w.Latitude, "latitude");
        QTEST(w.Longitude, "longitude");
        QCOMPARE(w.HasTime, quint8(255));
        QTEST(w.Time, "time");
        QTEST(w.CacheType, "cacheType");
        QTEST(w.Url, "url");
        QTEST(w.LinkName, "linkName");
        // The hint element holds only white space.
        QCOMPARE(w.Hint, QString());
        QCOMPARE(w.Symbol, 117);
        QCOMPARE(w.HasAltitude, quint8(0));
        QCOMPARE(w.Display, NotSet);
        QCOMPARE(w.CategoryBits, NotSet);
        QCOMPARE(w.LatSemicircles, DegreesToSemicircles(w.Latitude));
        QCOMPARE(w.LonSemicircles, DegreesToSemicircles(w.Longitude));
    }

    void expertGpsFixture() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadGpxFile(FixturePath(QStringLiteral("expertgps.gpx")), store, progress);
        QCOMPARE(r.result, 86);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 86);
        for (qint32 i = 1; i <= 86; ++i) {
            const Waypoint& w = store.record(i);
            // Only DARKHOLLPO has neither time nor elevation.
            const bool dark = w.Name == QLatin1String("DARKHOLLPO");
            QCOMPARE(dark, i == 58);
            QCOMPARE(w.HasTime, quint8(dark ? 0 : 255));
            QCOMPARE(w.HasAltitude, quint8(dark ? 0 : 1));
            // GPX 1.1 has link elements, no url.
            QCOMPARE(w.Url, QString());
            QCOMPARE(w.CacheType, QStringLiteral("Traditional Cache"));
            QCOMPARE(w.Hint, QStringLiteral(" - No Hints - "));
        }
        const Waypoint& first = store.record(1);
        QCOMPARE(first.Name, QStringLiteral("5066"));
        QCOMPARE(first.Latitude, 42.438878);
        QCOMPARE(first.Longitude, -71.119277);
        QCOMPARE(first.Altitude, 44.586548);
        QCOMPARE(first.Time, qint32(1006981528));  // 2001-11-28T21:05:28Z
        QCOMPARE(first.Symbol, 98);                // Crossing
        QCOMPARE(store.record(2).Symbol, NotSet);  // Dot
        const Waypoint& last = store.record(86);
        QCOMPARE(last.Name, QStringLiteral("5150TANK"));
        QCOMPARE(last.Description, QStringLiteral("Water Tank"));
        QCOMPARE(store.WaypointCount(), 86);
        QVERIFY(progress.runningTotals == std::vector<qint32>({20, 40, 60, 80}));
    }

    void fields_data() {
        QTest::addColumn<QByteArray>("inside");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<qint32>("symbol");
        QTest::addColumn<QString>("cacheType");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("linkName");
        const QString traditional = QStringLiteral("Traditional Cache");
        const QString noHints = QStringLiteral(" - No Hints - ");
        QTest::newRow("no name takes desc") << QByteArray("<desc>Old Mill</desc>") << "Old Mill"
                                            << "Old Mill" << 18 << traditional << noHints << ""
                                            << "";
        QTest::newRow("empty name stays empty") << QByteArray("<name/><desc>Old Mill</desc>") << ""
                                                << "Old Mill" << 18 << traditional << noHints << ""
                                                << "";
        QTest::newRow("cache type and hint")
            << QByteArray(
                   "<name>GC1</name><groundspeak:cache xmlns:groundspeak=\"urn:g\">"
                   "<groundspeak:type>Multi-cache</groundspeak:type>"
                   "<groundspeak:encoded_hints>Under the bridge</groundspeak:encoded_hints>"
                   "<groundspeak:logs><groundspeak:log><groundspeak:type>Found it"
                   "</groundspeak:type></groundspeak:log></groundspeak:logs>"
                   "</groundspeak:cache>")
            << "GC1"
            << "" << 18 << "Multi-cache"
            << "Under the bridge"
            << ""
            << "";
        QTest::newRow("cache without type or hint")
            << QByteArray(
                   "<name>GC1</name><groundspeak:cache><groundspeak:logs><groundspeak:log>"
                   "<groundspeak:type>Found it</groundspeak:type></groundspeak:log>"
                   "</groundspeak:logs></groundspeak:cache>")
            << "GC1"
            << "" << 18 << traditional << noHints << ""
            << "";
        QTest::newRow("other prefix is another name")
            << QByteArray("<name>GC1</name><gs:cache><gs:type>Multi-cache</gs:type></gs:cache>")
            << "GC1"
            << "" << 18 << traditional << noHints << ""
            << "";
        QTest::newRow("empty hint")
            << QByteArray("<groundspeak:cache><groundspeak:encoded_hints/></groundspeak:cache>")
            << ""
            << "" << 18 << traditional << ""
            << ""
            << "";
        QTest::newRow("sym Geocache Found") << QByteArray("<sym>Geocache Found</sym>") << ""
                                            << "" << 118 << traditional << noHints << ""
                                            << "";
        QTest::newRow("sym in other case") << QByteArray("<sym>geocache</sym>") << ""
                                           << "" << 117 << traditional << noHints << ""
                                           << "";
        QTest::newRow("sym Dot is no symbol name") << QByteArray("<sym>Dot</sym>") << ""
                                                   << "" << NotSet << traditional << noHints << ""
                                                   << "";
        QTest::newRow("empty sym") << QByteArray("<sym></sym>") << ""
                                   << "" << NotSet << traditional << noHints << ""
                                   << "";
        QTest::newRow("url and urlname")
            << QByteArray(
                   "<url>http://example.org/?a=1&amp;b=2</url><urlname><![CDATA[Old "
                   "<Mill>]]></urlname>")
            << ""
            << "" << 18 << traditional << noHints << "http://example.org/?a=1&b=2"
            << "Old <Mill>";
        QTest::newRow("GPX 1.1 link is not read")
            << QByteArray("<link href=\"http://example.org/\"><text>Old Mill</text></link>") << ""
            << "" << 18 << traditional << noHints << ""
            << "";
        QTest::newRow("first of each name counts")
            << QByteArray("<name>A</name><name>B</name><desc>d1</desc><desc>d2</desc>") << "A"
            << "d1" << 18 << traditional << noHints << ""
            << "";
        QTest::newRow("five levels of unknown elements")
            << QByteArray("<a><b><c><d><e>deep</e></d></c></b></a><name>GC1</name>") << "GC1"
            << "" << 18 << traditional << noHints << ""
            << "";
    }
    void fields() {
        QFETCH(QByteArray, inside);
        const Waypoint w = readOne(Wpt(inside));
        QTEST(w.Name, "name");
        QTEST(w.Description, "description");
        QTEST(w.Symbol, "symbol");
        QTEST(w.CacheType, "cacheType");
        QTEST(w.Hint, "hint");
        QTEST(w.Url, "url");
        QTEST(w.LinkName, "linkName");
        QCOMPARE(w.Latitude, 47.5);
        QCOMPARE(w.Longitude, 7.25);
        QCOMPARE(w.Display, NotSet);
        QCOMPARE(w.CategoryBits, NotSet);
    }

    void time_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint8>("hasTime");
        QTest::addColumn<qint32>("time");
        const qint32 t = 1074162030;  // 2004-01-15 10:20:30 UTC
        QTest::newRow("fraction and Z")
            << QByteArray("2004-01-15T10:20:30.000Z") << quint8(255) << t;
        QTest::newRow("seven digit fraction, zone")
            << QByteArray("2004-01-15T10:20:30.0000000-07:00") << quint8(255) << t;
        QTest::newRow("no fraction, Z") << QByteArray("2004-01-15T10:20:30Z") << quint8(255) << t;
        QTest::newRow("no fraction, no zone")
            << QByteArray("2004-01-15T10:20:30") << quint8(255) << t;
        QTest::newRow("no fraction, +02:00 not applied")
            << QByteArray("2004-01-15T10:20:30+02:00") << quint8(255) << t;
        QTest::newRow("no fraction, -07:00 not applied")
            << QByteArray("2004-01-15T10:20:30-07:00") << quint8(255) << t;
        QTest::newRow("blanks around")
            << QByteArray("\n  2004-01-15T10:20:30Z  \n") << quint8(255) << t;
        QTest::newRow("epoch") << QByteArray("1970-01-01T00:00:00.0") << quint8(255) << qint32(0);
        QTest::newRow("before 1970")
            << QByteArray("1969-12-31T23:59:59Z") << quint8(255) << qint32(-1);
        QTest::newRow("first 32-bit second") << QByteArray("1901-12-13T20:45:52Z") << quint8(255)
                                             << std::numeric_limits<qint32>::min();
        QTest::newRow("last 32-bit second") << QByteArray("2038-01-19T03:14:07Z") << quint8(255)
                                            << std::numeric_limits<qint32>::max();
        QTest::newRow("beyond 32 bits") << QByteArray("2038-01-19T03:14:08Z") << quint8(0) << 0;
        QTest::newRow("empty") << QByteArray("") << quint8(0) << 0;
        QTest::newRow("date only") << QByteArray("2004-01-15") << quint8(0) << 0;
        QTest::newRow("no such day") << QByteArray("2004-02-30T10:20:30Z") << quint8(0) << 0;
        QTest::newRow("zone without colon")
            << QByteArray("2004-01-15T10:20:30+0200") << quint8(0) << 0;
        QTest::newRow("text") << QByteArray("yesterday") << quint8(0) << 0;
    }
    void time() {
        QFETCH(QByteArray, text);
        const Waypoint w = readOne(Wpt("<time>" + text + "</time><name>GC1</name>"));
        QCOMPARE(w.Name, QStringLiteral("GC1"));
        QTEST(w.HasTime, "hasTime");
        QTEST(w.Time, "time");
    }

    void noTimeElement() {
        const Waypoint w = readOne(Wpt("<name>GC1</name>"));
        QCOMPARE(w.Name, QStringLiteral("GC1"));
        QCOMPARE(w.HasTime, quint8(0));
        QCOMPARE(w.Time, 0);
    }

    void elevation_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint8>("hasAltitude");
        QTest::addColumn<double>("altitude");
        QTest::newRow("12.5") << QByteArray("12.5") << quint8(1) << 12.5;
        QTest::newRow("blanks around") << QByteArray(" -3.25 \n") << quint8(1) << -3.25;
        QTest::newRow("plus sign") << QByteArray("+7") << quint8(1) << 7.0;
        QTest::newRow("12.5m") << QByteArray("12.5m") << quint8(0) << 0.0;
        QTest::newRow("comma") << QByteArray("12,5") << quint8(0) << 0.0;
        QTest::newRow("empty") << QByteArray("") << quint8(0) << 0.0;
        QTest::newRow("inf") << QByteArray("inf") << quint8(0) << 0.0;
        QTest::newRow("nan") << QByteArray("nan") << quint8(0) << 0.0;
        QTest::newRow("too large") << QByteArray("1e400") << quint8(0) << 0.0;
        QTest::newRow("two signs") << QByteArray("+-7") << quint8(0) << 0.0;
    }
    void elevation() {
        QFETCH(QByteArray, text);
        const Waypoint w = readOne(Wpt("<ele>" + text + "</ele><name>GC1</name>"));
        QCOMPARE(w.Name, QStringLiteral("GC1"));
        QTEST(w.HasAltitude, "hasAltitude");
        QTEST(w.Altitude, "altitude");
    }

    void coordinates_data() {
        QTest::addColumn<QByteArray>("attributes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::newRow("52.1x") << QByteArray("lat=\"52.1x\" lon=\"-1.5\"") << "GC1" << 52.1 << -1.5;
        QTest::newRow("order of attributes")
            << QByteArray("lon=\"8\" lat=\"9\"") << "GC1" << 9.0 << 8.0;
        QTest::newRow("latitude 90.5 fixed")
            << QByteArray("lat=\"90.5\" lon=\"1\"") << "FIXED-GC1" << 0.0 << 1.0;
        QTest::newRow("longitude -180.5 fixed")
            << QByteArray("lat=\"1\" lon=\"-180.5\"") << "FIXED-GC1" << 1.0 << 0.0;
    }
    void coordinates() {
        QFETCH(QByteArray, attributes);
        const Waypoint w = readOne(Wpt("<name>GC1</name><desc>d</desc>", attributes));
        QTEST(w.Name, "name");
        QTEST(w.Latitude, "latitude");
        QTEST(w.Longitude, "longitude");
        QCOMPARE(w.LatSemicircles, DegreesToSemicircles(w.Latitude));
        QCOMPARE(w.LonSemicircles, DegreesToSemicircles(w.Longitude));
    }

    void rootAndChildren_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<QString>("message");
        const QByteArray wpt = Wpt("<name>GC1</name>");
        QTest::newRow("GPX in capitals")
            << "<GPX>" + wpt + "</GPX>" << 0 << "Error 909: Invalid GPX file!";
        QTest::newRow("loc") << "<loc>" + wpt + "</loc>" << 0 << "Error 909: Invalid GPX file!";
        QTest::newRow("prefixed root")
            << "<g:gpx xmlns:g=\"urn:g\">" + wpt + "</g:gpx>" << 1 << QString();
        QTest::newRow("prefixed wpt is another name")
            << QByteArray("<g:gpx xmlns:g=\"urn:g\"><g:wpt lat=\"1\" lon=\"2\"/></g:gpx>") << 0
            << QString();
        QTest::newRow("route and track points ignored")
            << "<gpx><rte><rtept lat=\"1\" lon=\"2\"/></rte><trk><trkseg><trkpt lat=\"1\" "
               "lon=\"2\"/></trkseg></trk>" +
                   wpt +
                   "<extensions><wpt lat=\"1\" lon=\"2\"/>"
                   "</extensions></gpx>"
            << 1 << QString();
        QTest::newRow("no wpt") << QByteArray("<gpx/>") << 0 << QString();
        QTest::newRow("nested unknown elements around")
            << "<gpx><a><b><c><d><e>x</e></d></c></b></a>" + wpt +
                   "<a><b><c><d><e/></d></c></b></a></gpx>"
            << 1 << QString();
    }
    void rootAndChildren() {
        QFETCH(QByteArray, document);
        QFETCH(QString, message);
        const QString path = write(QStringLiteral("root.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QTEST(r.result, "result");
        QCOMPARE(store.WaypointCount(), r.result);
        if (message.isEmpty()) {
            QVERIFY(r.messages.empty());
        } else {
            QCOMPARE(r.messages.size(), size_t(1));
            QCOMPARE(r.messages[0].text, message);
            QCOMPARE(r.messages[0].title, QStringLiteral("Wayfold"));
        }
    }

    void skippedWithoutCoordinates() {
        const QByteArray document =
            GpxFile(Wpt("<name>GC1</name>") + Wpt("<name>N1</name>", "lat=\"1\"") +
                    Wpt("<name>N2</name>", "lon=\"1\"") + Wpt("<name>N3</name>", "") +
                    Wpt("<name>GC2</name>"));
        const QString path = write(QStringLiteral("skipped.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 2);
        QCOMPARE(store.WaypointCount(), 2);
        QCOMPARE(store.record(2).Name, QStringLiteral("GC2"));
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].text,
                 QStringLiteral("Some waypoints in ") + path +
                     QStringLiteral(" were skipped:\r\nwpt elements without the lat or lon "
                                    "attribute: 3\r\nThe other waypoints were imported."));
    }

    void cancel() {
        QByteArray wpts;
        for (int i = 1; i <= 45; ++i) {
            wpts += Wpt("<name>GC" + QByteArray::number(i) + "</name>");
        }
        const QString path = write(QStringLiteral("cancel.gpx"), GpxFile(wpts));
        WaypointStore store;
        RecordingProgress progress;
        progress.cancelAfterEvents = 3;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 19);
        QCOMPARE(store.WaypointCount(), 19);
        QCOMPARE(progress.runningTotals, std::vector<qint32>({20}));
        QCOMPARE(progress.currentImports, std::vector<qint32>({19}));
    }

    // Entities are never fetched or expanded: the references stay as text.
    void doctypeEntities() {
        const QString outside =
            write(QStringLiteral("outside.dtd"), "<!ENTITY injected \"FROM OUTSIDE\">");
        const QByteArray document =
            "<?xml version=\"1.0\"?>\n"
            "<!DOCTYPE gpx SYSTEM \"" +
            QUrl::fromLocalFile(outside).toEncoded() +
            "\" [\n"
            "  <!ENTITY xxe SYSTEM \"file:///etc/passwd\">\n"
            "  <!ENTITY lol \"lol\">\n"
            "  <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
            "  <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
            "  <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
            "  <!ENTITY loop \"&loop;\">\n"
            "  <!-- a comment with ]> inside -->\n"
            "  <!ENTITY % p \"<!ENTITY q 'x>y'>\"> %p;\n"
            "]>\n"
            "<gpx><wpt lat=\"1\" lon=\"2\"><name>&xxe;</name><desc>&lol3; &loop; &injected;</desc>"
            "</wpt></gpx>\n";
        const QString path = write(QStringLiteral("entities.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.record(1).Name, QStringLiteral("&xxe;"));
        QCOMPARE(store.record(1).Description, QStringLiteral("&lol3; &loop; &injected;"));
    }

    void megabyteAttributeAndText() {
        const QByteArray big(1 << 20, 'x');
        const QByteArray document = "<gpx creator=\"" + big + "\">" +
                                    Wpt("<name>GC1</name><desc>" + big + "</desc>",
                                        "junk=\"" + big + "\" lat=\"1\" lon=\"2\"") +
                                    "</gpx>";
        const QString path = write(QStringLiteral("big.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 1);
        QCOMPARE(store.record(1).Name, QStringLiteral("GC1"));
        QCOMPARE(store.record(1).Description.size(), big.size());
        QCOMPARE(store.record(1).Latitude, 1.0);
    }
};

QTEST_GUILESS_MAIN(GpxReaderTest)
#include "test_gpxreader.moc"
