// What the golden files of realistic.json and options.json (test_roundtrip)
// leave open in the GPX, XML LOC and TerraByte LOC writers: the cases of
// tests/data/writers/*.txt, written under the German locale, whose decimal
// separator is a comma; and the files of other programs as GPX that xmllint
// takes, keeping what GPSBabel keeps of their listings.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <cmath>

#include "locgpx/ggzwriter.h"
#include "locgpx/gpxwriter.h"
#include "locgpx/pocketquery.h"
#include "support/storefile.h"
#include "support/testfiles.h"

using namespace Qt::StringLiterals;

namespace {

// Empty when xmllint takes the file as well-formed XML and, with schema,
// finds it valid against the GPX 1.0 and cache 1.0.1 schemas; else what it says.
QString XmlLintProblems(const QString& path, bool schema = false) {
    QProcess p;
    p.start(u"xmllint"_s,
            QStringList{u"--noout"_s, path} +
                (schema ? QStringList{u"--schema"_s, WAYFOLD_FIXTURES "/../schema/master10.xsd"_L1}
                        : QStringList()));
    if (!p.waitForFinished(60000)) {
        return u"xmllint did not finish"_s;
    }
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError());
}

// Every field of every wpt's cache element, by the wpt's name: "path
// @attribute=value" and "path=text" lines, the path of local names below the
// cache element, in document order.
QMap<QString, QStringList> CacheFields(const QString& path) {
    QFile file(path);
    QMap<QString, QStringList> fields;
    if (!file.open(QIODevice::ReadOnly)) {
        return fields;
    }
    QXmlStreamReader xml(&file);
    QString name;
    QStringList lines;
    QStringList at;  // gpx, wpt, cache, ...
    const auto inCache = [&at] { return at.size() > 2 && at[1] == u"wpt" && at[2] == u"cache"; };
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            at.push_back(xml.name().toString());
            for (const QXmlStreamAttribute& a :
                 inCache() ? xml.attributes() : QXmlStreamAttributes()) {
                lines += at.mid(2).join(u'/') + u" @"_s + a.name().toString() + u'=' +
                         a.value().toString();
            }
        } else if (xml.isCharacters() && !xml.isWhitespace() && inCache()) {
            lines += at.mid(2).join(u'/') + u'=' + xml.text().trimmed().toString();
        } else if (xml.isCharacters() && at.size() == 3 && at[2] == u"name") {
            name = xml.text().toString();
        } else if (xml.isEndElement()) {
            if (at.size() == 2 && at[1] == u"wpt") {
                fields[name] = lines;
                lines.clear();
            }
            at.pop_back();
        }
    }
    return fields;
}

}  // namespace

class WritersTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // A case's document is a store as in tests/data/writers/*.json (an
    // Altitude of "nan" is not a number). Its keys:
    //   has: text        the file holds text (read as Latin-1 but for GPX)
    //   match: pattern   a regular expression the file matches
    //   ids: name=id ...  each cache's id by its name, "-" for none
    //   file: name       the file is tests/data/writers/name
    //   message: text    a message of the writer (%1 is the file's path)
    //   icon: n          the first message's MessageIcon as a number
    //   Name,Time@n: x   fields of the n-th waypoint in the store afterwards
    void write_data() {
        AddCaseLines({{"writers/gpx.txt", "gpx"},
                      {"writers/loc.txt", "loc"},
                      {"writers/terrabyte.txt", "terrabyte"}});
    }
    void write() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        // "{c*n}" is the letter c n times.
        static const QRegularExpression repeat(u"\\{([a-z])\\*(\\d+)\\}"_s);
        for (QRegularExpressionMatch m;
             (m = repeat.match(QString::fromUtf8(document))).hasMatch();) {
            document.replace(m.captured().toUtf8(),
                             m.captured(1).repeated(m.captured(2).toInt()).toUtf8());
        }
        for (QString& e : expected) {
            for (QRegularExpressionMatch m; (m = repeat.match(e)).hasMatch();) {
                e.replace(m.captured(), m.captured(1).repeated(m.captured(2).toInt()));
            }
        }
        const QString base = dir_.filePath(QStringLiteral("store"));
        QVERIFY(MakeFile(base + QStringLiteral(".json"), document));
        StoreFile input = LoadStoreFile(base);
        const QJsonArray list =
            QJsonDocument::fromJson(document)[QLatin1String("waypoints")].toArray();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (list[i][QLatin1String("Altitude")] == QLatin1String("nan")) {
                input.store.Waypoints[size_t(i)].Altitude = NAN;
            }
        }
        const QString out = dir_.filePath(u"out."_s + kind);
        const WriteResult result = WriteKind(kind, out, input.store, input.options);
        QCOMPARE(result.status, WriteResult::Written);
        const QByteArray bytes = FileBytes(out);
        const QString text =
            kind == QStringLiteral("gpx") ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
        QStringList messages;
        for (const QString& e : expected) {
            const QString key = e.section(QStringLiteral(": "), 0, 0);
            const QString value = e.mid(key.size() + 2);
            const qsizetype at = key.indexOf(u'@');
            if (key == QLatin1String("has")) {
                QVERIFY2(text.contains(value), qPrintable(value));
            } else if (key == QLatin1String("match")) {
                const QRegularExpression pattern(value,
                                                 QRegularExpression::DotMatchesEverythingOption);
                QVERIFY2(pattern.match(text).hasMatch(), qPrintable(value));
            } else if (key == QLatin1String("ids")) {
                // The cache element's id follows the name within its wpt, or no
                // cache element does.
                for (const QString& pair : value.split(u' ')) {
                    const QString name = QRegularExpression::escape(pair.section(u'=', 0, 0));
                    const QString id = pair.section(u'=', 1);
                    const QRegularExpression pattern(
                        id == u"-"
                            ? u"<name>"_s + name + u"</name>(?:(?!groundspeak:cache).)*?</wpt>"_s
                            : u"<name>"_s + name +
                                  u"</name>(?:(?!</wpt>).)*<groundspeak:cache id=\""_s + id + u'"',
                        QRegularExpression::DotMatchesEverythingOption);
                    QVERIFY2(pattern.match(text).hasMatch(), qPrintable(pair));
                }
            } else if (key == QLatin1String("file")) {
                QCOMPARE(bytes, FileBytes(kWriterData + value));
            } else if (key == QLatin1String("message")) {
                messages +=
                    QString(value).replace(QLatin1String("%1"), QDir::toNativeSeparators(out));
            } else if (key == QLatin1String("icon")) {
                QCOMPARE(int(result.messages.at(0).icon), value.toInt());
            } else {
                const qint32 n = at < 0 ? 1 : key.mid(at + 1).toInt();
                QCOMPARE(FieldsText(input.store.record(n), key.left(at)), value);
            }
        }
        QCOMPARE(Texts(result.messages), messages);
    }

    // Real files of the listing site and of other programs, and the golden
    // files.
    void otherProgramsFiles_data() {
        QTest::addColumn<QString>("file");
        for (const char* file : {"GC7FA4.gpx", "GCGCA8.gpx", "geocaching.loc", "pathaway-geo.loc",
                                 "expertgps.gpx", "realistic.gpx", "options.gpx"}) {
            QTest::newRow(file) << QString::fromLatin1(file);
        }
    }
    // A GGZ of 1,500 caches and a plain waypoint, its GPX files kept small so
    // that there are several: only the caches are in it, every index offset
    // cuts exactly its cache's wpt out of its file, the CRCs match the files,
    // and our own zip input reads the caches back.
    void ggzIndex() {
        WaypointStore store;
        for (int i = 0; i < 1500; ++i) {
            Waypoint w = NamedWaypoint(u"GC%1"_s.arg(0x20000 + i, 0, 16).toUpper(),
                                       u"Cache %1 by Owner, Multi-cache (2/3.5)"_s.arg(i));
            w.Latitude = 47 + i / 10000.0;
            w.Longitude = 7;
            store.Waypoints.push_back(w);
        }
        store.Waypoints.push_back(NamedWaypoint(u"Parking"_s));
        const QString ggz = dir_.filePath(u"caches.ggz"_s);
        QVERIFY(MakeFile(
            ggz, EncodeGgzFile(store, TestOptions(), u"2026-12-05T01:02:03Z"_s, 100000).bytes));
        QMap<QString, ZipEntry> files;
        for (const ZipEntry& e : ZipEntries(ggz)) {
            files.insert(e.name, e);
        }
        const QString index =
            QString::fromUtf8(files.take(u"index/com/garmin/geocaches/v0/index.xml"_s).bytes);
        QVERIFY(files.size() > 1);
        // The text of an element, the first of its name in the text given.
        const auto element = [](const QString& in, const QString& name) {
            return in.section(u'<' + name + u'>', 1, 1).section(u'<', 0, 0);
        };
        int caches = 0;
        for (const QString& file : index.split(u"<file>"_s).mid(1)) {
            const ZipEntry data = files.value(u"data/"_s + element(file, u"name"_s));
            QVERIFY2(data.bytes.size() > 0 && data.bytes.size() <= 100000, qPrintable(file));
            QCOMPARE(element(file, u"crc"_s), data.crc);
            for (const QString& cache : file.split(u"<gch>"_s).mid(1)) {
                const QByteArray wpt = data.bytes.mid(element(cache, u"file_pos"_s).toLongLong(),
                                                      element(cache, u"file_len"_s).toLongLong());
                QVERIFY(wpt.startsWith("<wpt ") && wpt.endsWith("</wpt>") &&
                        wpt.count("<wpt ") == 1);
                QVERIFY(wpt.contains("<name>" + element(cache, u"code"_s).toUtf8() + "</name>"));
                ++caches;
            }
        }
        QCOMPARE(caches, 1500);
        WaypointStore back;
        RecordingProgress progress;
        QCOMPARE(ReadZipFile(ggz, back, progress).result, 1500);
    }

    void otherProgramsFiles() {
        QFETCH(QString, file);
        if (QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty()) {
            QSKIP("xmllint is not installed (Debian package libxml2-utils)");
        }
        if (file.contains(u'.') && QFile::exists(kWriterData + file)) {
            QCOMPARE(XmlLintProblems(kWriterData + file), QString());
            return;
        }
        REQUIRE_PEER_FIXTURES();
        WaypointStore store;
        QVERIFY(ReadKind(FixturePath(file), store).isEmpty());
        const QString out = dir_.filePath(file + QStringLiteral(".gpx"));
        QCOMPARE(WriteGpxFile(out, store, Options()).status, WriteResult::Written);
        QCOMPARE(XmlLintProblems(out, true), QString());
        // Every field of the cache listing that GPSBabel's GPX to GPX keeps is
        // kept, as GPSBabel writes it.
        if (file.endsWith(u".gpx") && !QStandardPaths::findExecutable(u"gpsbabel"_s).isEmpty()) {
            const QString babel = dir_.filePath(file + QStringLiteral(".babel.gpx"));
            QCOMPARE(
                QProcess::execute(u"gpsbabel"_s, {u"-i"_s, u"gpx"_s, u"-f"_s, FixturePath(file),
                                                  u"-o"_s, u"gpx"_s, u"-F"_s, babel}),
                0);
            const QMap<QString, QStringList> ours = CacheFields(out);
            const QMap<QString, QStringList> theirs = CacheFields(babel);
            QVERIFY(!theirs.isEmpty());
            for (auto it = theirs.cbegin(); it != theirs.cend(); ++it) {
                QCOMPARE(ours.value(it.key()), it.value());
            }
        }
    }
};

WAYFOLD_GERMAN_TEST_MAIN(WritersTest)
#include "test_writers.moc"
