// The XML LOC reader, through ReadLocFile on real and invented files.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include "core/store.h"
#include "locgpx/locreader.h"
#include "support/fakes.h"

namespace {

QByteArray LocFile(const QByteArray& waypoints) {
    return "<?xml version=\"1.0\"?><loc version=\"1.0\" src=\"Test\">\n" + waypoints + "\n</loc>\n";
}

QByteArray LocWaypoint(const QByteArray& id, double lat, double lon) {
    return "<waypoint><name id=\"" + id + "\"><![CDATA[Cache " + id + "]]></name><coord lat=\"" +
           QByteArray::number(lat, 'g', 17) + "\" lon=\"" + QByteArray::number(lon, 'g', 17) +
           "\"/><type>geocache</type><link text=\"Cache Details\">http://example.org/" + id +
           "</link></waypoint>\n";
}

Waypoint StoredWaypoint(const QString& name) {
    Waypoint w;
    w.Name = name;
    return w;
}

}  // namespace

class LocReaderTest : public QObject {
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

private Q_SLOTS:
    void geocachingFixture() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadLocFile(FixturePath(QStringLiteral("geocaching.loc")), store, progress);
        QCOMPARE(r.result, 9);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 9);
        QStringList names;
        for (const Waypoint& w : store.Waypoints) {
            names.push_back(w.Name);
            QCOMPARE(w.Symbol, NotSet);
            QCOMPARE(w.Display, NotSet);
            QCOMPARE(w.CategoryBits, NotSet);
            QCOMPARE(w.LinkName, QStringLiteral("Cache Details"));
            QCOMPARE(w.HasTime, quint8(0));
        }
        QCOMPARE(names,
                 QStringLiteral("GCEBB GC1A37 GC1C2B GC25A9 GC2723 GC2B71 GC309F GC317A GC317D")
                     .split(QLatin1Char(' ')));
        const Waypoint& first = store.record(1);
        QCOMPARE(first.Description, QStringLiteral("Mountain Bike Heaven by susy1313"));
        QCOMPARE(first.Latitude, 35.9720333333333);
        QCOMPARE(first.Longitude, -87.1347);
        QCOMPARE(first.LatSemicircles, DegreesToSemicircles(35.9720333333333));
        QCOMPARE(first.LonSemicircles, DegreesToSemicircles(-87.1347));
        QCOMPARE(first.Url,
                 QStringLiteral("http://www.geocaching.com/seek/cache_details.asp?ID=3771"));
        const Waypoint& last = store.record(9);
        QCOMPARE(last.Description, QStringLiteral("Inlighting by JoGPS / Warner Parks"));
        QCOMPARE(last.Latitude, 36.0828);
        QCOMPARE(last.Longitude, -86.8672833333333);
        QVERIFY(!store.CoordinatesFixed);
    }

    void pathawayFixture() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadLocFile(FixturePath(QStringLiteral("pathaway-geo.loc")), store, progress);
        QCOMPARE(r.result, 9);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 9);
        for (const Waypoint& w : store.Waypoints) {
            QCOMPARE(w.Url, QStringLiteral("http://geodashing.gpsgames.org/"));
            QCOMPARE(w.LinkName, QStringLiteral("Replacement Text"));
        }
        QCOMPARE(store.record(1).Name, QStringLiteral("GCEBB"));
        QCOMPARE(store.record(1).Latitude, 35.972033);
        QCOMPARE(store.record(1).Longitude, -87.1347);
    }

    void terraByteFixtureThroughLocReader() {
        if (!FixturesAvailable()) {
            QSKIP("The peer fixtures (../shared/fixtures/peer) are not at hand.");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r =
            ReadLocFile(FixturePath(QStringLiteral("easygps.loc")), store, progress);
        QCOMPARE(r.result, 9);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 9);
        for (const Waypoint& w : store.Waypoints) {
            QCOMPARE(w.Symbol, NotSet);
            QCOMPARE(w.TypeText, QString());
            QCOMPARE(w.LinkName, QStringLiteral("Cache Details"));
        }
        const Waypoint& first = store.record(1);
        QCOMPARE(first.Name, QStringLiteral("GCEBB"));
        QCOMPARE(first.Description, QStringLiteral("Mountain Bike Heaven by susy1313"));
        QCOMPARE(first.Url,
                 QStringLiteral("http://www.geocaching.com/seek/cache_details.asp?ID=3771"));
        QCOMPARE(first.Latitude, 35.972033);
        QCOMPARE(first.Longitude, -87.1347);
        QCOMPARE(first.LatSemicircles, DegreesToSemicircles(first.Latitude));
        QCOMPARE(store.record(9).Name, QStringLiteral("GC317D"));
    }

    void fields_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<qint32>("latSemicircles");
        QTest::addColumn<qint32>("lonSemicircles");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("linkName");

        const QByteArray coord = "<coord lat=\"47.5\" lon=\"7.25\"/>";
        const qint32 lat475 = DegreesToSemicircles(47.5);
        const qint32 lon725 = DegreesToSemicircles(7.25);
        const QString home = QStringLiteral("http://geodashing.gpsgames.org/");
        const QString replacement = QStringLiteral("Replacement Text");
        QTest::newRow("all items")
            << QByteArray("<name id=\"GC1\"><![CDATA[Old Mill & Wheel]]></name>" + coord +
                          "<link text=\"Details\">http://example.org/1</link>")
            << "GC1"
            << "Old Mill & Wheel" << 47.5 << 7.25 << lat475 << lon725 << "http://example.org/1"
            << "Details";
        QTest::newRow("name without id")
            << QByteArray("<name>Old Mill</name>" + coord) << "Old Mill"
            << "Old Mill" << 47.5 << 7.25 << lat475 << lon725 << home << replacement;
        QTest::newRow("link without text")
            << QByteArray("<name id=\"A\">x</name>" + coord + "<link>http://example.org/a</link>")
            << "A"
            << "x" << 47.5 << 7.25 << lat475 << lon725 << "http://example.org/a" << replacement;
        QTest::newRow("first of each name counts")
            << QByteArray(
                   "<name id=\"A\">first</name><name id=\"B\">second</name>"
                   "<coord lat=\"1\" lon=\"2\"/><coord lat=\"3\" lon=\"4\"/>"
                   "<link text=\"one\">u1</link><link text=\"two\">u2</link>")
            << "A"
            << "first" << 1.0 << 2.0 << DegreesToSemicircles(1) << DegreesToSemicircles(2) << "u1"
            << "one";
        QTest::newRow("white space around texts, references")
            << QByteArray("<name id=\"a&amp;b\">\n  x &lt; y <![CDATA[& z]]>\n</name>" + coord)
            << "a&b"
            << "x < y & z" << 47.5 << 7.25 << lat475 << lon725 << home << replacement;
        QTest::newRow("51.5N reads as 51.5")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"51.5N\" lon=\"-0.1W\"/>") << "A"
            << "x" << 51.5 << -0.1 << DegreesToSemicircles(51.5) << DegreesToSemicircles(-0.1)
            << home << replacement;
        QTest::newRow("empty coordinates read as 0")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"\" lon=\"\"/>") << "A"
            << "x" << 0.0 << 0.0 << 0 << 0 << home << replacement;
        QTest::newRow("nan and inf read as 0")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"nan\" lon=\"-inf\"/>") << "A"
            << "x" << 0.0 << 0.0 << 0 << 0 << home << replacement;
        QTest::newRow("comma is no decimal point")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"47,5\" lon=\"7,25\"/>") << "A"
            << "x" << 47.0 << 7.0 << DegreesToSemicircles(47) << DegreesToSemicircles(7) << home
            << replacement;
        QTest::newRow("latitude 45")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"45\" lon=\"0\"/>") << "A"
            << "x" << 45.0 << 0.0 << (1 << 29) << 0 << home << replacement;
        QTest::newRow("latitude 90, longitude -180")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"90\" lon=\"-180\"/>") << "A"
            << "x" << 90.0 << -180.0 << (1 << 30) << std::numeric_limits<qint32>::min() << home
            << replacement;
        // 2^31 semicircles do not fit; the largest value stands for +180.
        QTest::newRow("longitude +180")
            << QByteArray("<name id=\"A\">x</name><coord lat=\"0\" lon=\"180\"/>") << "A"
            << "x" << 0.0 << 180.0 << 0 << std::numeric_limits<qint32>::max() << home
            << replacement;
        QTest::newRow("latitude 95 is fixed")
            << QByteArray("<name id=\"A\">Old</name><coord lat=\"95\" lon=\"10\"/>") << "FIXED-A"
            << "FIXED from  95,  10. Old" << 0.0 << 10.0 << 0 << DegreesToSemicircles(10) << home
            << replacement;
        QTest::newRow("1e400 is out of range")
            << QByteArray("<name id=\"A\">Old</name><coord lat=\"1\" lon=\"-1e400\"/>") << "FIXED-A"
            << "FIXED from  1, -1.79769313486232E+308. Old" << 1.0 << 0.0 << DegreesToSemicircles(1)
            << 0 << home << replacement;
    }
    void fields() {
        QFETCH(QByteArray, body);
        const QString path =
            write(QStringLiteral("fields.loc"), LocFile("<waypoint>" + body + "</waypoint>"));
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, 1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        const Waypoint& w = store.record(1);
        QTEST(w.Name, "name");
        QTEST(w.Description, "description");
        QTEST(w.Latitude, "latitude");
        QTEST(w.Longitude, "longitude");
        QTEST(w.LatSemicircles, "latSemicircles");
        QTEST(w.LonSemicircles, "lonSemicircles");
        QTEST(w.Url, "url");
        QTEST(w.LinkName, "linkName");
        QCOMPARE(w.Symbol, NotSet);
        QCOMPARE(w.Display, NotSet);
        QCOMPARE(w.CategoryBits, NotSet);
        QCOMPARE(store.CoordinatesFixed, w.Name.startsWith(QLatin1String("FIXED-")));
    }

    void rootName_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<QString>("message");
        const QByteArray waypoint = LocWaypoint("GC1", 1, 2);
        QTest::newRow("LOC in capitals")
            << "<LOC>" + waypoint + "</LOC>" << 0 << "Error 808: Invalid LOC file!";
        QTest::newRow("gpx") << "<gpx>" + waypoint + "</gpx>" << 0
                             << "Error 808: Invalid LOC file!";
        QTest::newRow("prefixed loc")
            << "<x:loc xmlns:x=\"urn:x\">" + waypoint + "</x:loc>" << 1 << QString();
        QTest::newRow("prefixed waypoint is another name")
            << QByteArray(
                   "<loc xmlns:x=\"urn:x\"><x:waypoint><name id=\"A\">a</name>"
                   "<coord lat=\"1\" lon=\"2\"/></x:waypoint></loc>")
            << 0 << QString();
        QTest::newRow("nested waypoint ignored")
            << "<loc><group>" + waypoint + "</group>" + waypoint + "</loc>" << 1 << QString();
        QTest::newRow("no waypoints") << QByteArray("<loc version=\"1.0\"/>") << 0 << QString();
    }
    void rootName() {
        QFETCH(QByteArray, document);
        QFETCH(QString, message);
        const QString path = write(QStringLiteral("root.loc"), document);
        WaypointStore store;
        store.Waypoints.push_back(StoredWaypoint(QStringLiteral("kept")));
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QTEST(r.result, "result");
        QCOMPARE(store.WaypointCount(), 1 + r.result);
        QCOMPARE(store.record(1).Name, QStringLiteral("kept"));
        if (message.isEmpty()) {
            QVERIFY(r.messages.empty());
        } else {
            QCOMPARE(r.messages.size(), size_t(1));
            QCOMPARE(r.messages[0].text, message);
            QCOMPARE(r.messages[0].title, QStringLiteral("Wayfold"));
            QCOMPARE(r.messages[0].icon, MessageIcon::None);
        }
        QVERIFY(progress.currentImports.empty());
    }

    void skippedWaypoints() {
        const QByteArray document = LocFile(
            LocWaypoint("GC1", 1, 2) + "<waypoint><coord lat=\"1\" lon=\"2\"/></waypoint>\n" +
            "<waypoint><name id=\"N1\">x</name></waypoint>\n" + LocWaypoint("GC2", 3, 4) +
            "<waypoint><name id=\"N2\">x</name><coord lon=\"2\"/></waypoint>\n" +
            "<waypoint><name id=\"N3\">x</name><coord lat=\"2\"/></waypoint>\n" +
            "<waypoint><group><name id=\"N4\">x</name></group>"
            "<coord lat=\"1\" lon=\"2\"/></waypoint>\n" +
            LocWaypoint("GC3", 5, 6));
        const QString path = write(QStringLiteral("skipped.loc"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, 3);
        QCOMPARE(store.WaypointCount(), 3);
        QCOMPARE(store.record(1).Name, QStringLiteral("GC1"));
        QCOMPARE(store.record(2).Name, QStringLiteral("GC2"));
        QCOMPARE(store.record(3).Name, QStringLiteral("GC3"));
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].text,
                 QStringLiteral("Some waypoints in ") + path +
                     QStringLiteral(" were skipped:\r\n"
                                    "waypoint elements without a name element: 2\r\n"
                                    "waypoint elements without the lat or lon attribute of "
                                    "coord: 3\r\n"
                                    "The other waypoints were imported."));
        QCOMPARE(r.messages[0].icon, MessageIcon::Exclamation);
    }

    void runningTotalsAndCancel_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("cancelAfterEvents");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<QList<qint32>>("totals");
        QTest::newRow("45 into an empty store") << 0 << 0 << 45 << QList<qint32>{20, 40};
        QTest::newRow("45 after 10") << 10 << 0 << 45 << QList<qint32>{20, 40};
        QTest::newRow("45 after 15") << 15 << 0 << 45 << QList<qint32>{20, 40, 60};
        // The cancel is looked at only at the running totals.
        QTest::newRow("cancel at once") << 0 << 1 << 19 << QList<qint32>{20};
        QTest::newRow("cancel during the second twenty") << 0 << 25 << 39 << QList<qint32>{20, 40};
    }
    void runningTotalsAndCancel() {
        QFETCH(int, stored);
        QFETCH(int, cancelAfterEvents);
        QFETCH(qint32, result);
        QByteArray waypoints;
        for (int i = 1; i <= 45; ++i) {
            waypoints += LocWaypoint("GC" + QByteArray::number(i), 1, 2);
        }
        const QString path = write(QStringLiteral("many.loc"), LocFile(waypoints));
        WaypointStore store;
        for (int i = 0; i < stored; ++i) {
            store.Waypoints.push_back(StoredWaypoint(QStringLiteral("old")));
        }
        RecordingProgress progress;
        progress.cancelAfterEvents = cancelAfterEvents;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, result);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), stored + result);
        QCOMPARE(store.record(stored + result).Name, QStringLiteral("GC%1").arg(result));
        QTEST(QList<qint32>(progress.runningTotals.begin(), progress.runningTotals.end()),
              "totals");
        QVERIFY(!progress.cancelRequested);
    }

    void appendsEveryTime() {
        const QString path = write(QStringLiteral("twice.loc"),
                                   LocFile(LocWaypoint("GC1", 1, 2) + LocWaypoint("GC2", 3, 4)));
        WaypointStore store;
        RecordingProgress progress;
        QCOMPARE(ReadLocFile(path, store, progress).result, 2);
        QCOMPARE(ReadLocFile(path, store, progress).result, 2);
        QCOMPARE(store.WaypointCount(), 4);
        QCOMPARE(store.record(3).Name, QStringLiteral("GC1"));
    }

    // A fault late in the file undoes the waypoints read before it.
    void faultAfterWaypointsLeavesStore() {
        QByteArray waypoints = LocWaypoint("BAD", 95, 2);
        for (int i = 1; i <= 30; ++i) {
            waypoints += LocWaypoint("GC" + QByteArray::number(i), 1, 2);
        }
        const QString path = write(QStringLiteral("late.loc"),
                                   LocFile(waypoints + "<waypoint><name>x</nam></waypoint>"));
        WaypointStore store;
        store.Waypoints.push_back(StoredWaypoint(QStringLiteral("kept")));
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, -1);
        QCOMPARE(store.WaypointCount(), 1);
        QCOMPARE(store.record(1).Name, QStringLiteral("kept"));
        QVERIFY(!store.CoordinatesFixed);
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].title, QStringLiteral("Parse Error"));
        QCOMPARE(r.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(r.messages[0].text,
                 QStringLiteral("Error parsing ") + path +
                     QStringLiteral("\r\nReason: The end tag </nam> does not match the start tag "
                                    "<name> (line 33, column 18)"));
    }

    void neitherXmlNorTerraByte_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "The file is empty (line 1, column 1)";
        QTest::newRow("binary")
            << QByteArray("\x01\x02\x03", 3)
            << "A character that XML does not allow (U+0001) (line 1, column 1)";
        QTest::newRow("terrabyte in lower case")
            << QByteArray("terrabyte Location File")
            << "Text before the root element (line 1, column 1)";
        QTest::newRow("TerraByte header before an XML root")
            << QByteArray("Terra<loc/>") << "Text before the root element (line 1, column 1)";
    }
    void neitherXmlNorTerraByte() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = write(QStringLiteral("neither.loc"), bytes);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, -1);
        QCOMPARE(store.WaypointCount(), 0);
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].title, QStringLiteral("Parse Error"));
        QCOMPARE(r.messages[0].text,
                 QStringLiteral("Error parsing ") + path + QStringLiteral("\r\nReason: ") + reason);
    }

    // pugixml alone would take this for XML with a loc root; it is a
    // TerraByte file, and nothing after its end byte is read.
    void terraByteHeaderBeforeXml() {
        const QByteArray terraByte =
            QByteArray("TerraByte Location File Copyright 2002 TopoGrafix\x0A\x0E") +
            "W\x01\x03GC1\xFF" + '\0';
        const QString path =
            write(QStringLiteral("mixed.loc"), terraByte + LocFile(LocWaypoint("GC2", 1, 2)));
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QCOMPARE(r.result, 1);
        QVERIFY(r.messages.empty());
        QCOMPARE(store.WaypointCount(), 1);
        QCOMPARE(store.record(1).Name, QStringLiteral("GC1"));
    }

    void missingFileAndFolder() {
        WaypointStore store;
        RecordingProgress progress;
        const QString missing = dir_.filePath(QStringLiteral("missing.loc"));
        ImportResult r = ReadLocFile(missing, store, progress);
        QCOMPARE(r.result, -1);
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(
            r.messages[0].text.startsWith(QStringLiteral("Error parsing ") + missing +
                                          QStringLiteral("\r\nReason: The file cannot be opened")),
            qPrintable(r.messages[0].text));

        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("folder.loc")));
        const QString folder = dir_.filePath(QStringLiteral("folder.loc"));
        r = ReadLocFile(folder, store, progress);
        QCOMPARE(r.result, -1);
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].text, QStringLiteral("Error parsing ") + folder +
                                         QStringLiteral("\r\nReason: It is a folder, not a file"));
        QCOMPARE(store.WaypointCount(), 0);
    }

    void unreadableFile() {
        const QString path = write(QStringLiteral("locked.loc"), LocFile(LocWaypoint("GC1", 1, 2)));
        QFile::setPermissions(path, QFileDevice::Permissions());
        if (QFileInfo(path).isReadable()) {
            QSKIP("The file stays readable (running as root).");
        }
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadLocFile(path, store, progress);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(r.result, -1);
        QCOMPARE(store.WaypointCount(), 0);
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(r.messages[0].text.contains(QStringLiteral("The file cannot be opened")),
                 qPrintable(r.messages[0].text));
    }
};

QTEST_GUILESS_MAIN(LocReaderTest)
#include "test_locreader.moc"
