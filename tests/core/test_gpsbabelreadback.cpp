// GPSBabel, an independent program, reads back the GDB, XML LOC ("geo"),
// TerraByte LOC ("easygps") and GPX files we write; names, coordinates,
// descriptions and links must come back as written.
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <map>

#include "support/storefile.h"

namespace {

// A waypoint of GPSBabel's GPX: the text of each element, and "lat", "lon".
using GpxWaypoint = QHash<QString, QString>;

// GPSBabel converts the file to GPX 1.0; the waypoints by name.
std::map<QString, GpxWaypoint> ReadWithGpsBabel(const QString& format, const QString& file,
                                                QString* error) {
    QProcess p;
    p.start(QStringLiteral("gpsbabel"),
            {QStringLiteral("-i"), format, QStringLiteral("-f"), file, QStringLiteral("-o"),
             QStringLiteral("gpx"), QStringLiteral("-F"), QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    std::map<QString, GpxWaypoint> result;
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"wpt") {
            GpxWaypoint w;
            for (const char* axis : {"lat", "lon"}) {
                w[QLatin1String(axis)] = xml.attributes().value(QLatin1String(axis)).toString();
            }
            while (xml.readNextStartElement()) {
                w[xml.name().toString()] =
                    xml.readElementText(QXmlStreamReader::IncludeChildElements);
            }
            result[w.value(QStringLiteral("name"))] = w;
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

bool NoControls(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; });
}

}  // namespace

class GpsBabelReadBackTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("gpsbabel")).isEmpty()) {
            QSKIP("gpsbabel is not installed (Debian package gpsbabel); it reads our files back");
        }
    }

    void readBack_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("store");  // empty: SpecialCharacters()
        QTest::addColumn<int>("gdbVersion");
        const std::tuple<ExportKind, const char*, int> formats[] = {
            {ExportKind::Gdb, "gdb", 1},
            {ExportKind::Gdb, "gdb", 3},
            {ExportKind::Loc, "geo", 1},
            {ExportKind::TerraByte, "easygps", 1},
            {ExportKind::Gpx, "gpx", 1}};
        for (const auto& [kind, format, version] : formats) {
            for (const char* store : {"realistic", ""}) {
                QTest::addRow("%s%s %s", format, version == 3 ? " v3" : "", store)
                    << kind << QString::fromLatin1(format) << QString::fromLatin1(store) << version;
            }
        }
    }
    void readBack() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, format);
        QFETCH(QString, store);
        QFETCH(int, gdbVersion);
        StoreFile input = store.isEmpty() ? SpecialCharacters() : LoadStoreFile(store);
        QVERIFY(input.loaded);
        input.options.GdbVersion = gdbVersion;
        const QString out = dir_.filePath(QStringLiteral("readback.") + format);
        QCOMPARE(WriteKind(kind, out, input.store, input.options).status, WriteResult::Written);
        QString error;
        const auto read = ReadWithGpsBabel(format, out, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // GPSBabel reads the 8-bit texts of GDB version 1 and TerraByte LOC
        // as UTF-8, so only plain ASCII texts come back unchanged from it;
        // GDB version 3 is UTF-8 and comes back whole.
        // Control characters are left out of its GPX there.
        const bool loc = kind == ExportKind::Loc;
        const bool gpx = kind == ExportKind::Gpx;
        const bool texts8bit =
            kind == ExportKind::TerraByte || (kind == ExportKind::Gdb && gdbVersion == 1);
        const auto same = [loc, gpx, texts8bit](const QString& text) {
            return loc || gpx || (texts8bit ? IsAscii(text) : NoControls(text));
        };
        int expected = 0;
        for (const Waypoint& w : input.store.Waypoints) {
            expected += w.Duplicate ? 0 : 1;
            if (w.Duplicate || !same(w.Name)) {
                continue;
            }
            const auto found = read.find(w.Name);
            QVERIFY2(found != read.end(), qPrintable(w.Name));
            const GpxWaypoint& g = found->second;
            // GDB files carry the semicircles, the LOC formats the degrees.
            const bool gdb = kind == ExportKind::Gdb;
            const double lat = gdb ? SemicirclesToDegrees(w.LatSemicircles) : w.Latitude;
            const double lon = gdb ? SemicirclesToDegrees(w.LonSemicircles) : w.Longitude;
            QVERIFY2(qAbs(g.value(QStringLiteral("lat")).toDouble() - lat) < 1e-6,
                     qPrintable(w.Name));
            QVERIFY2(qAbs(g.value(QStringLiteral("lon")).toDouble() - lon) < 1e-6,
                     qPrintable(w.Name));
            QString description = w.Description;
            if (gpx) {
                // Characters XML cannot carry were left out.
                description.remove(QChar(7)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            } else if (loc) {
                // The CDATA section stands on a line of its own inside the
                // name element, and GPSBabel keeps those line breaks;
                // characters XML cannot carry were written as "?". GPSBabel
                // passes a CR on raw, and XML reads its GPX's CR LF as LF.
                description = QLatin1Char('\n') + description.replace(QChar(7), u'?') + u'\n';
                description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            }
            if (gpx && g.contains(QStringLiteral("cache"))) {
                // GPSBabel describes a geocache by its title: the link
                // name, or the description where the link has none.
                const QString desc = g.value(QStringLiteral("desc"));
                QVERIFY2(desc == w.LinkName || desc == description, qPrintable(desc));
            } else if (same(description)) {
                QCOMPARE(g.value(QStringLiteral("desc")), description);
            }
            if (same(w.Url)) {
                QCOMPARE(g.value(QStringLiteral("url")), w.Url);
            }
            if (!gdb && same(w.LinkName)) {
                QCOMPARE(g.value(QStringLiteral("urlname")), w.LinkName);
            }
        }
        QCOMPARE(int(read.size()), expected);
        if (gdbVersion == 3 && store.isEmpty()) {
            QVERIFY(read.count(QStringLiteral("Москва €5 – Köln")) == 1);
        }
    }
};

QTEST_GUILESS_MAIN(GpsBabelReadBackTest)
#include "test_gpsbabelreadback.moc"
