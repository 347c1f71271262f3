// What the XML readers take as XML: structure, encodings and the parse
// error reasons, through the GPX reader (which shows every parse error).
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/store.h"
#include "locgpx/gpxreader.h"
#include "support/fakes.h"

namespace {

QByteArray Utf16(const QString& text, bool littleEndian, bool byteOrderMark) {
    QByteArray bytes;
    if (byteOrderMark) {
        bytes += littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    }
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes += littleEndian ? QByteArray{&low, 1} + high : QByteArray{&high, 1} + low;
    }
    return bytes;
}

}  // namespace

class XmlInputTest : public QObject {
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
    void notWellFormed_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("reason");
        const QByteArray wpt = "<wpt lat=\"1\" lon=\"2\"><name>GC1</name></wpt>";
        QTest::newRow("empty") << QByteArray() << "The file is empty (line 1, column 1)";
        QTest::newRow("white space only")
            << QByteArray(" \n\n ") << "The file holds no root element (line 3, column 2)";
        QTest::newRow("text before the root") << "x<gpx>" + wpt + "</gpx>"
                                              << "Text before the root element (line 1, column 1)";
        QTest::newRow("text after the root")
            << "<gpx>" + wpt + "</gpx>\ntrailing"
            << "Text after the end of the root element (line 2, column 1)";
        QTest::newRow("second root element")
            << "<gpx>" + wpt + "</gpx>\n  <gpx/>"
            << "A second element at the top level (only one root element is allowed) (line 2, "
               "column 3)";
        QTest::newRow("TerraByte header before the root")
            << QByteArray("TerraByte Location File\n<gpx/>")
            << "Text before the root element (line 1, column 1)";
        QTest::newRow("CDATA at the top level")
            << QByteArray("<gpx/><![CDATA[x]]>")
            << "Markup that is not allowed outside the root element (line 1, column 7)";
        QTest::newRow("end tag at the top level")
            << QByteArray("</gpx>") << "An end tag without a start tag (line 1, column 1)";
        QTest::newRow("mismatched end tag")
            << QByteArray("<gpx>\n<wpt lat=\"1\" lon=\"2\"><name>GC1</desc></wpt></gpx>")
            << "The end tag </desc> does not match the start tag <name> (line 2, column 31)";
        QTest::newRow("mismatched root end tag")
            << "<gpx>" + wpt + "</GPX>"
            << "The end tag </GPX> does not match the start tag <gpx> (line 1, column 49)";
        QTest::newRow("root not closed")
            << "<gpx>\n" + wpt
            << "The file ends before the root element <gpx> is closed (line 2, column 44)";
        QTest::newRow("child not closed")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"><name>GC1</name>")
            << "The file ends inside the element <wpt> (line 1, column 43)";
        QTest::newRow("attribute without quotes")
            << QByteArray("<gpx><wpt lat=1 lon=\"2\"/></gpx>")
            << "An attribute value in the tag <wpt> is not in quotes (line 1, column 15)";
        QTest::newRow("attribute without value")
            << QByteArray("<gpx><wpt lat lon=\"2\"/></gpx>")
            << "An attribute in the tag <wpt> has no \"=\" and value (line 1, column 15)";
        QTest::newRow("attributes without space")
            << QByteArray("<gpx><wpt lat=\"1\"lon=\"2\"/></gpx>")
            << "An attribute or the end of the tag was expected in <wpt> (line 1, column 18)";
        QTest::newRow("< in an attribute value")
            << QByteArray("<gpx><wpt lat=\"1<\" lon=\"2\"/></gpx>")
            << "An attribute value in the tag <wpt> holds \"<\" (line 1, column 17)";
        QTest::newRow("attribute value not closed")
            << QByteArray("<gpx><wpt lat=\"1 lon=2/></gpx>")
            << "The file ends inside an attribute value of <wpt> (line 1, column 31)";
        QTest::newRow("broken start tag")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"><1name/></wpt></gpx>")
            << "An element name must follow \"<\" (line 1, column 28)";
        QTest::newRow("double dash in a comment") << QByteArray("<gpx><!-- a -- b --></gpx>")
                                                  << "\"--\" inside a comment (line 1, column 13)";
        QTest::newRow("comment not closed") << QByteArray("<gpx><!-- a </gpx>")
                                            << "The file ends inside a comment (line 1, column 19)";
        QTest::newRow("CDATA not closed")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"><name><![CDATA[x</name></wpt></gpx>")
            << "The file ends inside a CDATA section (line 1, column 62)";
        QTest::newRow("DOCTYPE inside")
            << QByteArray("<gpx><!DOCTYPE gpx></gpx>")
            << "\"<!\" inside an element starts neither a comment nor a CDATA section (line 1, "
               "column 6)";
        QTest::newRow("DOCTYPE after the root")
            << QByteArray("<gpx/><!DOCTYPE gpx>")
            << "A DOCTYPE is allowed only once, before the root element (line 1, column 7)";
        QTest::newRow("DOCTYPE not closed")
            << QByteArray("<!DOCTYPE gpx [ <!ENTITY a \"b\"> <gpx/>")
            << "The file ends inside the DOCTYPE (line 1, column 39)";
        QTest::newRow("declaration not at the start")
            << QByteArray(" <?xml version=\"1.0\"?><gpx/>")
            << "An XML declaration is allowed only at the very start of the file (line 1, "
               "column 2)";
        QTest::newRow("declaration without version")
            << QByteArray("<?xml encoding=\"utf-8\"?><gpx/>")
            << "The XML declaration is malformed (line 1, column 1)";
        QTest::newRow("unsupported encoding")
            << QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><gpx/>")
            << "The declared encoding \"Shift_JIS\" is not supported (UTF-8, UTF-16, ISO-8859-1 "
               "and windows-1252 are) (line 1, column 1)";
        QTest::newRow("UTF-16 declared, 8-bit written")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-16\"?><gpx/>")
            << "The file declares the encoding \"UTF-16\" but is not written in it (line 1, "
               "column 1)";
        QTest::newRow("UTF-8 byte order mark, Latin-1 declared")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx/>")
            << "The declared encoding \"ISO-8859-1\" does not match the encoding of the file's "
               "bytes (line 1, column 1)";
        QTest::newRow("not UTF-8")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\">\n<name>Caf\xE9</name></wpt></gpx>")
            << "A byte sequence that is not UTF-8 (byte 0xe9) (line 2, column 10)";
        QTest::newRow("overlong UTF-8")
            << QByteArray("<gpx>\xC0\xBC</gpx>")
            << "A byte sequence that is not UTF-8 (byte 0xc0) (line 1, column 6)";
        QTest::newRow("UTF-8 cut at the end")
            << QByteArray("<gpx/>\n\xE2\x82")
            << "The file ends inside a UTF-8 character (line 2, column 1)";
        QTest::newRow("control character")
            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"><name>a\x01</name></wpt></gpx>")
            << "A character that XML does not allow (U+0001) (line 1, column 34)";
        QTest::newRow("NUL byte")
            << QByteArray("<gpx>\0</gpx>", 12)
            << "A character that XML does not allow (U+0000) (line 1, column 6)";
        QTest::newRow("column counts characters")
            << QByteArray(
                   "<gpx><wpt lat=\"1\" lon=\"2\"><name>\xC3\xA9\xE2\x82\xAC</nom></wpt></gpx>")
            << "The end tag </nom> does not match the start tag <name> (line 1, column 35)";
        QTest::newRow("UTF-16 surrogate without pair")
            << Utf16(QStringLiteral("<gpx>"), true, true) + QByteArray("\x00\xD8<\x00", 4)
            << "A UTF-16 surrogate without its pair (line 1, column 6)";
        QTest::newRow("UTF-32") << QByteArray("\xFF\xFE\x00\x00<\x00\x00\x00", 8)
                                << "The file is written in UTF-32, which is not supported";
        const QByteArray deep =
            QByteArray("<a>").repeated(1001) + QByteArray("</a>").repeated(1001);
        QTest::newRow("nested 1001 deep")
            << "<gpx>" + deep + "</gpx>"
            << "Elements are nested more than 1000 levels deep (line 1, column 3006)";
    }
    void notWellFormed() {
        QFETCH(QByteArray, document);
        QFETCH(QString, reason);
        const QString path = write(QStringLiteral("bad.gpx"), document);
        WaypointStore store;
        store.Waypoints.emplace_back();
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 0);
        QCOMPARE(store.WaypointCount(), 1);
        QCOMPARE(r.messages.size(), size_t(1));
        QCOMPARE(r.messages[0].title, QStringLiteral("Parse Error"));
        QCOMPARE(r.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(r.messages[0].text,
                 QStringLiteral("Error parsing ") + path + QStringLiteral("\r\nReason: ") + reason);
    }

    void wellFormed_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<qint32>("result");
        const QByteArray wpt = "<wpt lat=\"1\" lon=\"2\"><name>GC1</name></wpt>";
        QTest::newRow("comments and instructions around")
            << "<?xml version='1.0' standalone='yes' ?>\n<!-- a -->\n<?style x?>\n<gpx>" + wpt +
                   "</gpx>\n<!-- b --><?end?>\n\n"
            << 1;
        QTest::newRow("comments, instructions, CDATA and text between children")
            << "<gpx>text<!-- <wpt> -->" + wpt + "<?x <wpt>?><![CDATA[<wpt lat='1' lon='2'/>]]>" +
                   wpt + "</gpx>"
            << 2;
        QTest::newRow("> and quotes in attribute values")
            << QByteArray("<gpx a='\">' b=\"'>\"><wpt lat=\"1\" lon='2' c=\"/>\"/></gpx>") << 1;
        QTest::newRow("white space inside tags")
            << QByteArray("<gpx\n ><wpt\tlat = \"1\"\r\n lon='2'\n/></gpx \n>") << 1;
        QTest::newRow("empty root") << QByteArray("<gpx/>") << 0;
        QTest::newRow("public DOCTYPE")
            << "<!DOCTYPE gpx PUBLIC \"-//x//y\" \"http://127.0.0.1:9/gpx.dtd\"><gpx>" + wpt +
                   "</gpx>"
            << 1;
        QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF<gpx>" + wpt + "</gpx>" << 1;
        QTest::newRow("stylesheet instruction")
            << "<?xml version=\"1.0\"?><?xml-stylesheet href=\"a.xsl\"?><gpx>" + wpt + "</gpx>"
            << 1;
        QTest::newRow("deep but allowed") << "<gpx>" + QByteArray("<a>").repeated(999) +
                                                 QByteArray("</a>").repeated(999) + wpt + "</gpx>"
                                          << 1;
    }
    void wellFormed() {
        QFETCH(QByteArray, document);
        const QString path = write(QStringLiteral("good.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QVERIFY2(r.messages.empty(), r.messages.empty() ? "" : qPrintable(r.messages[0].text));
        QTEST(r.result, "result");
    }

    void encodings_data() {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("name");
        const QString cafe = QString::fromUtf8("Café € ü");
        const QString text =
            QStringLiteral("<gpx><wpt lat=\"1\" lon=\"2\"><name>%1</name></wpt></gpx>");
        const QString declared16 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
        QTest::newRow("UTF-8") << text.arg(cafe).toUtf8() << cafe;
        QTest::newRow("UTF-8 declared")
            << "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + text.arg(cafe).toUtf8() << cafe;
        QTest::newRow("UTF-16 LE with byte order mark")
            << Utf16(text.arg(cafe), true, true) << cafe;
        QTest::newRow("UTF-16 BE with byte order mark")
            << Utf16(text.arg(cafe), false, true) << cafe;
        QTest::newRow("UTF-16 LE declared")
            << Utf16(declared16 + text.arg(cafe), true, false) << cafe;
        QTest::newRow("UTF-16 BE declared")
            << Utf16(declared16 + text.arg(cafe), false, false) << cafe;
        QTest::newRow("UTF-16 beyond the BMP")
            << Utf16(text.arg(QString::fromUtf8("\xF0\x9F\x97\xBA map")), true, true)
            << QString::fromUtf8("\xF0\x9F\x97\xBA map");
        QTest::newRow("windows-1252")
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"windows-1252\"?><gpx><wpt lat=\"1\" "
                   "lon=\"2\"><name>Caf\xE9 \x80 \xFC</name></wpt></gpx>")
            << cafe;
        QTest::newRow("ISO-8859-1")
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx><wpt lat=\"1\" "
                   "lon=\"2\"><name>Caf\xE9 \xFC</name></wpt></gpx>")
            << QString::fromUtf8("Café ü");
        // In ISO-8859-1 the byte 0x80 is a C1 control character, not the euro.
        QTest::newRow("ISO-8859-1 byte 0x80")
            << QByteArray(
                   "<?xml version='1.0' encoding='latin1'?><gpx><wpt lat=\"1\" "
                   "lon=\"2\"><name>\x80</name></wpt></gpx>")
            << QString(QChar(0x80));
    }
    void encodings() {
        QFETCH(QByteArray, document);
        const QString path = write(QStringLiteral("encoded.gpx"), document);
        WaypointStore store;
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QVERIFY2(r.messages.empty(), r.messages.empty() ? "" : qPrintable(r.messages[0].text));
        QCOMPARE(r.result, 1);
        QTEST(store.record(1).Name, "name");
    }

    // A fault after some waypoints undoes them, coordinate flag included.
    void faultLeavesStoreAsItWas() {
        QByteArray wpts = "<wpt lat=\"95\" lon=\"2\"><name>BAD</name></wpt>\n";
        for (int i = 0; i < 50; ++i) {
            wpts += "<wpt lat=\"1\" lon=\"2\"><name>GC" + QByteArray::number(i) + "</name></wpt>\n";
        }
        const QString path = write(QStringLiteral("late.gpx"), "<gpx>\n" + wpts + "<wpt>");
        WaypointStore store;
        store.Waypoints.emplace_back();
        RecordingProgress progress;
        const ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.result, 0);
        QCOMPARE(store.WaypointCount(), 1);
        QVERIFY(!store.CoordinatesFixed);
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(r.messages[0].text.endsWith(QStringLiteral("(line 53, column 6)")),
                 qPrintable(r.messages[0].text));
    }

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
        const QString path = write(QStringLiteral("blocks.gpx"),
                                   "<gpx>\n" + content + "<wpt lat=\"1\" lon=\"2\"></wpx>");
        WaypointStore store;
        RecordingProgress progress;
        ImportResult r = ReadGpxFile(path, store, progress);
        QCOMPARE(r.messages.size(), size_t(1));
        QVERIFY2(r.messages[0].text.endsWith(QStringLiteral("(line %1, column 22)").arg(lines + 1)),
                 qPrintable(r.messages[0].text));
        QCOMPARE(store.WaypointCount(), 0);

        write(QStringLiteral("blocks.gpx"), "<gpx>\n" + content + "</gpx>");
        r = ReadGpxFile(path, store, progress);
        QVERIFY(r.messages.empty());
        QCOMPARE(r.result, count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(store.Waypoints[size_t(i)].Name, QStringLiteral("GC%1").arg(i));
            QCOMPARE(store.Waypoints[size_t(i)].Description.size(), 302);
        }
        QCOMPARE(progress.fileProgress.second, QFileInfo(path).size());
        QVERIFY(progress.fileProgress.first >= 3 << 20);
    }
};

QTEST_GUILESS_MAIN(XmlInputTest)
#include "test_xmlinput.moc"
