// What the XML readers take as XML: structure, encodings and the parse
// error reasons, through the GPX reader (which shows every parse error).
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/gpxreader.h"
#include "support/testfiles.h"

namespace {

QByteArray Utf16(const QString& text, bool littleEndian, bool byteOrderMark) {
    return QStringEncoder(
               littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
               byteOrderMark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default)
        .encode(text);
}

}  // namespace

class XmlInputTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    // The cases in tests/data/readers/xml.txt, and those made here.
    void cases_data() {
        AddCaseRows("xml.txt");
        const QByteArray deep =
            QByteArray("<a>").repeated(1001) + QByteArray("</a>").repeated(1001);
        QTest::newRow("nested 1001 deep")
            << "<gpx>" + deep + "</gpx>"
            << QStringList{QStringLiteral(
                   "error: Elements are nested more than 1000 levels deep (line 1, column 3006)")};
        QTest::newRow("deep but allowed")
            << "<gpx>" + QByteArray("<a>").repeated(999) + QByteArray("</a>").repeated(999) +
                   "<wpt lat=\"1\" lon=\"2\"><name>GC1</name></wpt></gpx>"
            << QStringList{QStringLiteral("names: GC1")};
        const QString cafe = QString::fromUtf8("Café € \xF0\x9F\x97\xBA");
        const QString text =
            QStringLiteral("<gpx><wpt lat=\"1\" lon=\"2\"><name>%1</name></wpt></gpx>").arg(cafe);
        const QString declared = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
        const QStringList names{QStringLiteral("names: ") + cafe};
        QTest::newRow("UTF-16 LE with byte order mark") << Utf16(text, true, true) << names;
        QTest::newRow("UTF-16 BE with byte order mark") << Utf16(text, false, true) << names;
        QTest::newRow("UTF-16 LE declared") << Utf16(declared + text, true, false) << names;
        QTest::newRow("UTF-16 BE declared") << Utf16(declared + text, false, false) << names;
    }
    void cases() { CheckCase(&ReadGpxFile, dir_.path(), QStringLiteral("case.gpx")); }

    // Elements, texts and line counts across the reader's 1 MB read blocks.
    void acrossReadBlocks() {
        QByteArray content;
        int lines = 1;
        int count = 0;
        while (content.size() < 3 * (1 << 20) + 12345) {
            const QByteArray name = "GC" + QByteArray::number(count);
            content += "<wpt lat=\"1\" lon=\"2\"><name>" + name +
                       "</name><desc>\xC3\xA9\xE2\x82\xAC" + QByteArray(300, 'd') +
                       "</desc></wpt>\n";
            ++count;
            ++lines;
        }
        WaypointStore store;
        RecordingProgress progress;
        const auto read = [&](const QByteArray& document) {
            return ReadGpxFile(WriteTestFile(dir_.path(), QStringLiteral("blocks.gpx"), document),
                               store, progress);
        };
        ImportResult r = read("<gpx>\n" + content + "<wpt lat=\"1\" lon=\"2\"></wpx>");
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(r.messages[0].text.endsWith(QStringLiteral("(line %1, column 22)").arg(lines + 1)),
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

QTEST_GUILESS_MAIN(XmlInputTest)
#include "test_xmlinput.moc"
