#include <QDir>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <clocale>

#include "locgpx/locwriter.h"
#include "support/storefile.h"

namespace {

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");

Waypoint Named(const QString& name, const QString& description = QString()) {
    Waypoint w;
    w.Name = name;
    w.Description = description;
    w.Symbol = NotSet;
    w.Display = NotSet;
    w.CategoryBits = NotSet;
    return w;
}

// The lines of a written file, without their CR LF. Texts never hold a bare
// CR (it is written as a reference), so CR LF always ends a line.
QList<QByteArray> Lines(const QByteArray& file) {
    QList<QByteArray> lines;
    qsizetype at = 0;
    for (qsizetype end; (end = file.indexOf("\r\n", at)) >= 0; at = end + 2) {
        lines.push_back(file.mid(at, end - at));
    }
    return lines;
}

struct ReadBack {
    QString name;
    QString description;
    QString lat;
    QString lon;
    QString linkText;
    QString url;
};

// The waypoints of a written file as an XML parser reads them. The
// description line stands between two line breaks of the name element.
std::vector<ReadBack> ParseWithXmlReader(const QByteArray& file, QString* error) {
    std::vector<ReadBack> result;
    QXmlStreamReader xml(file);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("waypoint")) {
            result.emplace_back();
        } else if (xml.name() == QLatin1String("name")) {
            result.back().name = xml.attributes().value(QLatin1String("id")).toString();
            QString text = xml.readElementText();
            if (text.startsWith(QLatin1Char('\n')) && text.endsWith(QLatin1Char('\n'))) {
                text = text.mid(1, text.size() - 2);
            }
            result.back().description = text;
        } else if (xml.name() == QLatin1String("coord")) {
            result.back().lat = xml.attributes().value(QLatin1String("lat")).toString();
            result.back().lon = xml.attributes().value(QLatin1String("lon")).toString();
        } else if (xml.name() == QLatin1String("link")) {
            result.back().linkText = xml.attributes().value(QLatin1String("text")).toString();
            result.back().url = xml.readElementText();
        }
    }
    if (xml.hasError()) {
        *error = xml.errorString();
    }
    return result;
}

}  // namespace

class LocWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void goldenFile() {
        StoreFile input = LoadStoreFile(kData + QStringLiteral("realistic.json"));
        QVERIFY(input.loaded);
        const QString out = dir_.filePath(QStringLiteral("realistic.loc"));
        const WriteResult result = WriteLocFile(out, input.store);
        QCOMPARE(result.status, WriteResult::Written);
        QCOMPARE(result.waypoints, 7);
        QVERIFY(result.messages.empty());
        const QByteArray actual = ReadWholeFile(out);
        const QByteArray expected = ReadWholeFile(kData + QStringLiteral("realistic.loc"));
        QVERIFY2(actual == expected, FirstDifference(actual, expected).constData());
    }

    void numbersIgnoreTheLocale_data() {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("51.5 -0.25")
            << 51.5 << -0.25 << QByteArray("<coord lat=\"51.5\" lon=\"-0.25\"/>");
        QTest::newRow("12 0") << 12.0 << 0.0 << QByteArray("<coord lat=\"12\" lon=\"0\"/>");
        QTest::newRow("-0") << -0.0 << -180.0 << QByteArray("<coord lat=\"0\" lon=\"-180\"/>");
        QTest::newRow("15 digits") << 47.06123456789012345 << 7.1
                                   << QByteArray("<coord lat=\"47.0612345678901\" lon=\"7.1\"/>");
        QTest::newRow("tiny") << 1e-20 << 90.0 << QByteArray("<coord lat=\"1E-20\" lon=\"90\"/>");
    }
    void numbersIgnoreTheLocale() {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        // A German locale writes "51,5" where the C library's formatting is used.
        qputenv("LOCPATH", qgetenv("WAYFOLD_LOCPATH"));
        const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC12"))};
        store.Waypoints[0].Latitude = latitude;
        store.Waypoints[0].Longitude = longitude;
        const QList<QByteArray> lines = Lines(EncodeLocFile(store).bytes);
        std::setlocale(LC_ALL, "C");
        QVERIFY2(german != nullptr || qgetenv("WAYFOLD_LOCPATH").isEmpty(),
                 "the German test locale could not be set");
        QCOMPARE(lines.size(), 10);
        QTEST(lines[5], "line");
    }

    void layout() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC12"), QStringLiteral("Old Mill"))};
        store.Waypoints[0].Latitude = 51.5;
        store.Waypoints[0].Longitude = -0.25;
        QCOMPARE(EncodeLocFile(store).bytes,
                 QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><loc version=\"1.0\" "
                            "src=\"Wayfold\">\r\n"
                            "<waypoint>\r\n"
                            "<name id=\"GC12\">\r\n"
                            "<![CDATA[Old Mill]]>\r\n"
                            "</name>\r\n"
                            "<coord lat=\"51.5\" lon=\"-0.25\"/>\r\n"
                            "<type>geocache</type>\r\n"
                            "<link text=\"\"></link>\r\n"
                            "</waypoint>\r\n"
                            "</loc>\r\n"));
    }

    void duplicatesAreExact() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("GC12")), Named(QStringLiteral("gc12"))};
        QCOMPARE(EncodeLocFile(store).waypoints, 2);
        store.Waypoints = {Named(QStringLiteral("GC12")), Named(QStringLiteral("GC12"))};
        QCOMPARE(EncodeLocFile(store).waypoints, 1);
    }

    void texts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("linkText");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("nameLine");
        QTest::addColumn<QByteArray>("descriptionLine");
        QTest::addColumn<QByteArray>("linkLine");
        QTest::addColumn<int>("replaced");
        QTest::newRow("markup characters")
            << "A&B<C\"D'>"
            << "Fish & <Chips> \"q\""
            << "Fish & Chips"
            << "http://x/?a=1&b=<2>" << QByteArray("<name id=\"A&amp;B&lt;C&quot;D'>\">")
            << QByteArray("<![CDATA[Fish & <Chips> \"q\"]]>")
            << QByteArray("<link text=\"Fish &amp; Chips\">http://x/?a=1&amp;b=&lt;2></link>") << 0;
        QTest::newRow("]]> everywhere")
            << "x]]>y"
            << "a]]>b]]>"
            << "]]>"
            << "u]]>v" << QByteArray("<name id=\"x]]>y\">")
            << QByteArray("<![CDATA[a]]]]><![CDATA[>b]]]]><![CDATA[>]]>")
            << QByteArray("<link text=\"]]>\">u]]&gt;v</link>") << 0;
        QTest::newRow("latin-1 as bytes")
            << QString::fromUtf8("Südhang") << QString::fromUtf8("Café ½") << QString::fromUtf8("é")
            << QString::fromUtf8("http://x/ü")
            << QByteArray(
                   "<name id=\"S\xFC"
                   "dhang\">")
            << QByteArray("<![CDATA[Caf\xE9 \xBD]]>")
            << QByteArray("<link text=\"\xE9\">http://x/\xFC</link>") << 0;
        QTest::newRow("beyond latin-1 as references")
            << QString::fromUtf8("€1") << QString::fromUtf8("Joe’s €5 cache 😀")
            << QString::fromUtf8("’") << QString::fromUtf8("http://x/€")
            << QByteArray("<name id=\"&#8364;1\">")
            << QByteArray(
                   "<![CDATA[Joe]]>&#8217;<![CDATA[s ]]>&#8364;<![CDATA[5 cache "
                   "]]>&#128512;<![CDATA[]]>")
            << QByteArray("<link text=\"&#8217;\">http://x/&#8364;</link>") << 0;
        QTest::newRow("line breaks and tabs")
            << "a\tb"
            << "one\r\ntwo\tthree"
            << "x\ny"
            << "u\rv" << QByteArray("<name id=\"a&#9;b\">")
            << QByteArray("<![CDATA[one]]>&#13;<![CDATA[\ntwo\tthree]]>")
            << QByteArray("<link text=\"x&#10;y\">u&#13;v</link>") << 0;
        QTest::newRow("control characters")
            << QStringLiteral(
                   "a\x01"
                   "b")
            << QStringLiteral("bell\x07") << QStringLiteral("\x1F") << QString(QChar(0xFFFF))
            << QByteArray("<name id=\"a?b\">") << QByteArray("<![CDATA[bell?]]>")
            << QByteArray("<link text=\"?\">?</link>") << 4;
        QTest::newRow("unpaired surrogate")
            << QString(QChar(0xD800)) << QString() << QString() << QString()
            << QByteArray("<name id=\"?\">") << QByteArray("<![CDATA[]]>")
            << QByteArray("<link text=\"\"></link>") << 1;
    }
    void texts() {
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QString, linkText);
        QFETCH(QString, url);
        QFETCH(int, replaced);
        WaypointStore store;
        store.Waypoints = {Named(name, description)};
        store.Waypoints[0].LinkName = linkText;
        store.Waypoints[0].Url = url;
        const EncodedFile file = EncodeLocFile(store);
        const QList<QByteArray> lines = Lines(file.bytes);
        QCOMPARE(lines.size(), 10);
        QTEST(lines[2], "nameLine");
        QTEST(lines[3], "descriptionLine");
        QTEST(lines[7], "linkLine");
        QCOMPARE(file.replacedCharacters, qint64(replaced));
        QCOMPARE(file.waypointsWithReplacements, replaced > 0 ? 1 : 0);

        // An XML parser reads every character back, but for those XML
        // cannot carry.
        QString error;
        const std::vector<ReadBack> back = ParseWithXmlReader(file.bytes, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(back.size(), size_t(1));
        if (replaced == 0) {
            QCOMPARE(back[0].name, name);
            QCOMPARE(back[0].description, description);
            QCOMPARE(back[0].linkText, linkText);
            QCOMPARE(back[0].url, url);
        }
    }

    void replacedCharactersAreReported() {
        WaypointStore store;
        store.Waypoints = {Named(QStringLiteral("A\x01"), QStringLiteral("\x02\x03")),
                           Named(QStringLiteral("B")), Named(QStringLiteral("C\x1B"))};
        const QString out = dir_.filePath(QStringLiteral("control.loc"));
        const WriteResult result = WriteLocFile(out, store);
        QCOMPARE(result.status, WriteResult::Written);
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("4 characters in 2 waypoints could not be written in the "
                                "character set of ") +
                     QDir::toNativeSeparators(out) + QStringLiteral(" and were written as \"?\"."));
    }

    void emptyStoreLeavesAnOldFile() {
        const QString out = dir_.filePath(QStringLiteral("old.loc"));
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        WaypointStore store;
        QCOMPARE(WriteLocFile(out, store).status, WriteResult::NothingToWrite);
        QCOMPARE(ReadWholeFile(out), QByteArray("old"));
    }

    void failingDevice_data() {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing taken") << 0;
        QTest::newRow("inside the declaration") << 10;
        QTest::newRow("last byte missing") << -1;
    }
    void failingDevice() {
        QFETCH(int, limit);
        StoreFile input = LoadStoreFile(kData + QStringLiteral("realistic.json"));
        QVERIFY(input.loaded);
        if (limit < 0) {
            WaypointStore copy = input.store;
            limit = int(EncodeLocFile(copy).bytes.size()) - 1;
        }
        FailingDevice device(limit);
        const QString name = QStringLiteral("/somewhere/out.loc");
        const WriteResult result = WriteLocFile(device, name, input.store);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(result.messages.size(), size_t(1));
        QVERIFY(result.messages[0].text.contains(QDir::toNativeSeparators(name)));
    }
};

QTEST_GUILESS_MAIN(LocWriterTest)
#include "test_locwriter.moc"
