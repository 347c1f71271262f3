// What the golden file of realistic.json (test_exporter) leaves open in the
// XML LOC writer: the escapes of every kind of character, and numbers.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>

#include "support/storefile.h"

namespace {

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

}  // namespace

class LocWriterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
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
        store.Waypoints = {NamedWaypoint(QStringLiteral("GC12"))};
        store.Waypoints[0].Latitude = latitude;
        store.Waypoints[0].Longitude = longitude;
        const QList<QByteArray> lines = Lines(EncodeLocFile(store).bytes);
        std::setlocale(LC_ALL, "C");
        QVERIFY2(german != nullptr || qgetenv("WAYFOLD_LOCPATH").isEmpty(),
                 "the German test locale could not be set");
        QCOMPARE(lines.size(), 10);
        QTEST(lines[5], "line");
    }

    // Every character XML can carry is written so that a parser gives it back
    // (test_writerroundtrip and test_gpsbabelreadback read such files back).
    void texts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("linkText");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QByteArray>("lines");  // name, description and link lines
        QTest::addColumn<int>("replaced");
        const auto row = [](const char* tag, const char* name, const char* description,
                            const char* linkText, const char* url, const char* nameLine,
                            const char* descriptionLine, const char* linkLine, int replaced = 0) {
            QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(description)
                               << QString::fromUtf8(linkText) << QString::fromUtf8(url)
                               << QByteArray(nameLine) + '\n' + descriptionLine + '\n' + linkLine
                               << replaced;
        };
        row("markup characters", "A&B<C\"D'>", "Fish & <Chips> \"q\"", "Fish & \"Chips\"",
            "http://x/?a=1&b=<2>&c=\"3\"", "<name id=\"A&amp;B&lt;C&quot;D'>\">",
            "<![CDATA[Fish & <Chips> \"q\"]]>",
            "<link text=\"Fish &amp; "
            "&quot;Chips&quot;\">http://x/?a=1&amp;b=&lt;2>&amp;c=&quot;3&quot;</link>");
        row("]]> everywhere", "x]]>y", "a]]>b]]>", "]]>", "u]]>v", "<name id=\"x]]>y\">",
            "<![CDATA[a]]]]><![CDATA[>b]]]]><![CDATA[>]]>", "<link text=\"]]>\">u]]&gt;v</link>");
        row("latin-1 as bytes", "Südhang", "Café ½", "é", "http://x/ü",
            "<name id=\"S\xFC"
            "dhang\">",
            "<![CDATA[Caf\xE9 \xBD]]>", "<link text=\"\xE9\">http://x/\xFC</link>");
        row("beyond latin-1 as references", "€1", "Joe’s €5 cache 😀", "’", "http://x/€",
            "<name id=\"&#8364;1\">",
            "<![CDATA[Joe]]>&#8217;<![CDATA[s ]]>&#8364;<![CDATA[5 cache ]]>&#128512;<![CDATA[]]>",
            "<link text=\"&#8217;\">http://x/&#8364;</link>");
        row("line breaks and tabs", "a\tb", "one\r\ntwo\tthree", "x\ny", "u\rv",
            "<name id=\"a&#9;b\">", "<![CDATA[one]]>&#13;<![CDATA[\ntwo\tthree]]>",
            "<link text=\"x&#10;y\">u&#13;v</link>");
        row("control characters", "a\001b", "bell\x07", "\x1F", "\xEF\xBF\xBF", "<name id=\"a?b\">",
            "<![CDATA[bell?]]>", "<link text=\"?\">?</link>", 4);
        QTest::newRow("unpaired surrogate")
            << QString(QChar(0xD800)) << QString() << QString() << QString()
            << QByteArray("<name id=\"?\">\n<![CDATA[]]>\n<link text=\"\"></link>") << 1;
    }
    void texts() {
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QString, linkText);
        QFETCH(QString, url);
        QFETCH(int, replaced);
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(name, description)};
        store.Waypoints[0].LinkName = linkText;
        store.Waypoints[0].Url = url;
        const EncodedFile file = EncodeLocFile(store);
        const QList<QByteArray> lines = Lines(file.bytes);
        QCOMPARE(lines.size(), 10);
        QTEST(lines[2] + '\n' + lines[3] + '\n' + lines[7], "lines");
        QCOMPARE(file.replacedCharacters, qint64(replaced));
        QCOMPARE(file.waypointsWithReplacements, replaced > 0 ? 1 : 0);
    }

    void replacedCharactersAreReported() {
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(QStringLiteral("A\x01"), QStringLiteral("\x02\x03")),
                           NamedWaypoint(QStringLiteral("B")),
                           NamedWaypoint(QStringLiteral("C\x1B"))};
        const QString out = dir_.filePath(QStringLiteral("control.loc"));
        const WriteResult result = WriteLocFile(out, store);
        QCOMPARE(result.status, WriteResult::Written);
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("4 characters in 2 waypoints could not be written in the "
                                "character set of ") +
                     QDir::toNativeSeparators(out) + QStringLiteral(" and were written as \"?\"."));
    }
};

QTEST_GUILESS_MAIN(LocWriterTest)
#include "test_locwriter.moc"
