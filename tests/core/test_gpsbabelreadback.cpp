// GPSBabel, an independent program, reads back the GDB, XML LOC ("geo") and
// TerraByte LOC ("easygps") files we write; names, coordinates, descriptions
// and links must come back as written.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <map>

#include "locgpx/locwriter.h"
#include "locgpx/terrabytewriter.h"
#include "mapsource/gdbwriter.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

struct GpxWaypoint {
    double lat = 0;
    double lon = 0;
    QString description;
    QString url;
    QString urlName;
};

// GPSBabel converts the file to GPX 1.0; the waypoints by name.
std::map<QString, GpxWaypoint> ReadWithGpsBabel(const QString& format, const QString& file,
                                                QString* error) {
    std::map<QString, GpxWaypoint> result;
    QProcess p;
    p.start(QStringLiteral("gpsbabel"),
            {QStringLiteral("-i"), format, QStringLiteral("-f"), file, QStringLiteral("-o"),
             QStringLiteral("gpx"), QStringLiteral("-F"), QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return result;
    }
    QXmlStreamReader xml(p.readAllStandardOutput());
    GpxWaypoint current;
    QString name;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto tag = xml.name();
            if (tag == QLatin1String("wpt")) {
                current = {};
                name.clear();
                current.lat = xml.attributes().value(QLatin1String("lat")).toDouble();
                current.lon = xml.attributes().value(QLatin1String("lon")).toDouble();
            } else if (tag == QLatin1String("name")) {
                name = xml.readElementText();
            } else if (tag == QLatin1String("desc")) {
                current.description = xml.readElementText();
            } else if (tag == QLatin1String("url")) {
                current.url = xml.readElementText();
            } else if (tag == QLatin1String("urlname")) {
                current.urlName = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("wpt")) {
            result[name] = current;
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
    }
    return result;
}

// Printable ASCII: what GPX can carry and UTF-8 reads the same as Windows-1252.
bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

// Hand-made waypoints with everything that needs escaping.
WaypointStore SpecialCharacters() {
    WaypointStore store;
    const auto add = [&store](const QString& name, const QString& description, const QString& url,
                              const QString& linkName, double lat, double lon) {
        Waypoint w;
        w.Name = name;
        w.Description = description;
        w.Url = url;
        w.LinkName = linkName;
        w.Latitude = lat;
        w.Longitude = lon;
        w.LatSemicircles = DegreesToSemicircles(lat);
        w.LonSemicircles = DegreesToSemicircles(lon);
        w.Symbol = NotSet;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        store.Waypoints.push_back(w);
    };
    add(QStringLiteral("A&B"), QStringLiteral("Fish & <Chips> \"quoted\" 'single'"),
        QStringLiteral("http://x.example/?a=1&b=2"), QStringLiteral("Fish & Chips"), 51.5, -0.25);
    add(QStringLiteral("C<D\"E"), QStringLiteral("ends ]]> here ]]"),
        QStringLiteral("http://x.example/]]>"), QStringLiteral("\"q\" <x>"), -33.8651234,
        151.2099876);
    add(QStringLiteral("GC1EUR"), QString::fromUtf8("€5 for Joe’s café"),
        QString::fromUtf8("http://x.example/€"), QString::fromUtf8("Joe’s"), 0.000001, -179.999999);
    add(QStringLiteral("CTRL"), QStringLiteral("bell\x07 here"), QString(), QString(), 89.999999,
        180);
    return store;
}

}  // namespace

class GpsBabelReadBackTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void compare(const QString& format, const QString& file, const WaypointStore& store,
                 bool texts8bit, bool hasLinkNames) {
        QString error;
        const auto read = ReadWithGpsBabel(format, file, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        int expected = 0;
        for (const Waypoint& w : store.Waypoints) {
            if (w.Duplicate) {
                continue;
            }
            ++expected;
            // GPSBabel reads the 8-bit texts of these formats as UTF-8, so
            // only plain ASCII texts come back unchanged from it.
            QString name = w.Name;
            if (texts8bit && !IsAscii(name)) {
                continue;
            }
            const auto found = read.find(name);
            QVERIFY2(found != read.end(), qPrintable(name));
            const GpxWaypoint& g = found->second;
            // GDB files carry the semicircles, the LOC formats the degrees.
            const double lat = format == QLatin1String("gdb")
                                   ? SemicirclesToDegrees(w.LatSemicircles)
                                   : w.Latitude;
            const double lon = format == QLatin1String("gdb")
                                   ? SemicirclesToDegrees(w.LonSemicircles)
                                   : w.Longitude;
            QVERIFY2(qAbs(g.lat - lat) < 1e-6, qPrintable(name));
            QVERIFY2(qAbs(g.lon - lon) < 1e-6, qPrintable(name));
            QString description = w.Description;
            if (!texts8bit) {
                // The CDATA line stands on a line of its own inside the name
                // element, and GPSBabel keeps those line breaks; characters
                // XML cannot carry were written as "?".
                QCOMPARE(g.description.front(), QLatin1Char('\n'));
                description = QLatin1Char('\n') + description + QLatin1Char('\n');
                description.replace(QChar(7), QLatin1Char('?'));
            }
            if (!texts8bit || IsAscii(description)) {
                QCOMPARE(g.description, description);
            }
            if (!texts8bit || IsAscii(w.Url)) {
                QCOMPARE(g.url, w.Url);
            }
            if (hasLinkNames && (!texts8bit || IsAscii(w.LinkName))) {
                QCOMPARE(g.urlName, w.LinkName);
            }
        }
        QCOMPARE(int(read.size()), expected);
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("gpsbabel")).isEmpty()) {
            QSKIP("gpsbabel is not installed (Debian package gpsbabel); it reads our files back");
        }
    }

    void gdb_data() {
        QTest::addColumn<QString>("store");
        QTest::newRow("realistic") << QStringLiteral("realistic");
        QTest::newRow("special characters") << QString();
    }
    void gdb() {
        QFETCH(QString, store);
        StoreFile input;
        if (store.isEmpty()) {
            input.store = SpecialCharacters();
            input.options.IconNumber = 18;
        } else {
            input = LoadStoreFile(kData + store + QStringLiteral(".json"));
            QVERIFY(input.loaded);
        }
        const QString out = dir_.filePath(QStringLiteral("readback.gdb"));
        QCOMPARE(WriteGdbFile(out, input.store, input.options).status, WriteResult::Written);
        compare(QStringLiteral("gdb"), out, input.store, true, false);
    }

    void xmlLoc_data() { gdb_data(); }
    void xmlLoc() {
        QFETCH(QString, store);
        StoreFile input;
        if (store.isEmpty()) {
            input.store = SpecialCharacters();
        } else {
            input = LoadStoreFile(kData + store + QStringLiteral(".json"));
            QVERIFY(input.loaded);
        }
        const QString out = dir_.filePath(QStringLiteral("readback.loc"));
        QCOMPARE(WriteLocFile(out, input.store).status, WriteResult::Written);
        compare(QStringLiteral("geo"), out, input.store, false, true);
    }

    void terraByte_data() { gdb_data(); }
    void terraByte() {
        QFETCH(QString, store);
        StoreFile input;
        if (store.isEmpty()) {
            input.store = SpecialCharacters();
            input.options.IconNumber = 18;
        } else {
            input = LoadStoreFile(kData + store + QStringLiteral(".json"));
            QVERIFY(input.loaded);
        }
        const QString out = dir_.filePath(QStringLiteral("readback.tb.loc"));
        QCOMPARE(WriteTerraByteFile(out, input.store, input.options).status, WriteResult::Written);
        compare(QStringLiteral("easygps"), out, input.store, true, true);
    }
};

QTEST_GUILESS_MAIN(GpsBabelReadBackTest)
#include "test_gpsbabelreadback.moc"
