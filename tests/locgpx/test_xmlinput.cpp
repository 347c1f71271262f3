// The GPX reader on invented files, and what the XML readers take as XML:
// structure, encodings and the parse error reasons, through the GPX reader
// (which shows every parse error); all under the German locale. The real
// files are read in test_headlessimport.
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/gpxreader.h"
#include "support/testfiles.h"

class XmlInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void gpxCases_data() { AddCaseRows("gpx.txt"); }
    void gpxCases() { CheckCase(&ReadGpxFile, dir_.path(), QStringLiteral("case.gpx")); }

    // The cases in tests/data/readers/xml.txt, and those made here.
    void cases_data() {
        AddCaseRows("xml.txt");
        const QString cafe = QString::fromUtf8("Café € \xF0\x9F\x97\xBA");
        const QString text =
            QStringLiteral("<gpx><wpt lat=\"1\" lon=\"2\"><name>%1</name></wpt></gpx>").arg(cafe);
        for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
            QTest::addRow("%s with byte order mark", QStringConverter::nameForEncoding(encoding))
                << QByteArray(
                       QStringEncoder(encoding, QStringConverter::Flag::WriteBom).encode(text))
                << QStringList{QStringLiteral("names: ") + cafe};
        }
        const QByteArray big(1 << 20, 'x');
        QTest::newRow("megabyte attributes and text")
            << "<gpx creator=\"" + big + "\"><wpt junk=\"" + big +
                   "\" lat=\"1\" lon=\"2\"><name>GC1</name><desc>" + big + "</desc></wpt></gpx>"
            << QStringList{QStringLiteral("Name,Description: GC1|") + QString::fromLatin1(big)};
    }
    void cases() { CheckCase(&ReadGpxFile, dir_.path(), QStringLiteral("case.gpx")); }

    // Elements, texts and line counts across the reader's 1 MB read blocks.
    void acrossReadBlocks() {
        QByteArray content;
        int count = 0;
        while (content.size() < 3 * (1 << 20) + 12345) {
            const QByteArray name = "GC" + QByteArray::number(count);
            content += "<wpt lat=\"1\" lon=\"2\"><name>" + name +
                       "</name><desc>\xC3\xA9\xE2\x82\xAC" + QByteArray(300, 'd') +
                       "</desc></wpt>\n";
            ++count;
        }
        WaypointStore store;
        RecordingProgress progress;
        const auto read = [&](const QByteArray& document) {
            return ReadGpxFile(WriteTestFile(dir_.path(), QStringLiteral("blocks.gpx"), document),
                               store, progress);
        };
        ImportResult r = read("<gpx>\n" + content + "<wpt lat=\"1\" lon=\"2\"></wpx>");
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(r.messages[0].text.endsWith(QStringLiteral("(line %1, column 22)").arg(count + 2)),
                 qPrintable(r.messages[0].text));
        QCOMPARE(store.WaypointCount(), 0);

        r = read("<gpx>\n" + content + "</gpx>");
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(r.result, count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(store.Waypoints[size_t(i)].Name, QStringLiteral("GC%1").arg(i));
            QCOMPARE(store.Waypoints[size_t(i)].Description.size(), 302);
        }
        QCOMPARE(progress.fileProgress.second,
                 QFileInfo(dir_.filePath(QStringLiteral("blocks.gpx"))).size());
        QVERIFY(progress.fileProgress.first >= 3 << 20);
    }
};

WAYFOLD_GERMAN_TEST_MAIN(XmlInputTest)
#include "test_xmlinput.moc"
