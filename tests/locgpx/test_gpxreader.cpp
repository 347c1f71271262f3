// The GPX reader on invented files (the cases in tests/data/readers/gpx.txt),
// under the German locale; the real ones are read in test_headlessimport.
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "locgpx/gpxreader.h"
#include "support/testfiles.h"

class GpxReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    ImportResult read(const QByteArray& document, WaypointStore& store) {
        RecordingProgress progress;
        return ReadGpxFile(WriteTestFile(dir_.path(), QStringLiteral("test.gpx"), document), store,
                           progress);
    }

private Q_SLOTS:
    void cases_data() { AddCaseRows("gpx.txt"); }
    void cases() { CheckCase(&ReadGpxFile, dir_.path(), QStringLiteral("case.gpx")); }

    // Entities are never fetched or expanded: the references stay as text.
    void doctypeEntities() {
        const QString outside = WriteTestFile(dir_.path(), QStringLiteral("outside.dtd"),
                                              "<!ENTITY injected \"FROM OUTSIDE\">");
        WaypointStore store;
        const ImportResult r =
            read("<?xml version=\"1.0\"?>\n<!DOCTYPE gpx SYSTEM \"" +
                     QUrl::fromLocalFile(outside).toEncoded() +
                     "\" [\n"
                     "  <!ENTITY xxe SYSTEM \"file:///etc/passwd\">\n"
                     "  <!ENTITY lol \"lol\">\n"
                     "  <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
                     "  <!ENTITY lol2 "
                     "\"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
                     "  <!ENTITY loop \"&loop;\">\n"
                     "  <!-- a comment with ]> inside -->\n"
                     "  <!ENTITY % p \"<!ENTITY q 'x>y'>\"> %p;\n"
                     "]>\n"
                     "<gpx><wpt lat=\"1\" lon=\"2\"><name>&xxe;</name><desc>&lol2; &loop; "
                     "&injected;</desc></wpt></gpx>\n",
                 store);
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(FieldsText(store.record(1), QStringLiteral("Name,Description")),
                 QStringLiteral("&xxe;|&lol2; &loop; &injected;"));
    }

    void megabyteAttributeAndText() {
        const QByteArray big(1 << 20, 'x');
        WaypointStore store;
        const ImportResult r =
            read("<gpx creator=\"" + big + "\"><wpt junk=\"" + big +
                     "\" lat=\"1\" lon=\"2\"><name>GC1</name><desc>" + big + "</desc></wpt></gpx>",
                 store);
        QCOMPARE(r.result, 1);
        QCOMPARE(store.record(1).Name, QStringLiteral("GC1"));
        QCOMPARE(store.record(1).Description.size(), big.size());
    }
};

WAYFOLD_GERMAN_TEST_MAIN(GpxReaderTest)
#include "test_gpxreader.moc"
