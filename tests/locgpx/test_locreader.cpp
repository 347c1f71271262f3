// The XML LOC reader on invented files (the cases in
// tests/data/readers/loc.txt) under the German locale, and what it hands to
// the TerraByte reader; the real files are read in test_headlessimport.
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/locreader.h"
#include "support/testfiles.h"

namespace {

// A LOC file of waypoints GC1, GC2 ... GCcount, after the waypoints first.
QByteArray LocFile(int count, const QByteArray& first = {}) {
    QByteArray file = "<?xml version=\"1.0\"?><loc version=\"1.0\" src=\"Test\">\n" + first;
    for (int i = 1; i <= count; ++i) {
        file += "<waypoint><name id=\"GC" + QByteArray::number(i) +
                "\">x</name><coord lat=\"1\" lon=\"2\"/></waypoint>\n";
    }
    return file;
}

}  // namespace

class LocReaderTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void cases_data() {
        AddCaseRows("loc.txt");
        // A fault late in the file undoes the waypoints read before it, and
        // the coordinate flag that one of them set.
        QTest::newRow("fault after 31 waypoints")
            << LocFile(30, "<waypoint><name>x</name><coord lat=\"95\" lon=\"2\"/></waypoint>\n") +
                   "<waypoint><name>x</nam></waypoint>"
            << QStringList{QStringLiteral("error: The end tag </nam> does not match the start tag "
                                          "<name> (line 33, column 18)"),
                           QStringLiteral("result: -1")};
    }
    void cases() { CheckCase(&ReadLocFile, dir_.path(), QStringLiteral("case.loc")); }

    // Running totals at the store slots that are multiples of 20; the cancel
    // is looked at only there, and what was read before it stays.
    void runningTotalsAndCancel_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("cancelAfterEvents");
        QTest::addColumn<qint32>("result");
        QTest::addColumn<std::vector<qint32>>("totals");
        QTest::newRow("45 into an empty store") << 0 << 0 << 45 << std::vector<qint32>{20, 40};
        QTest::newRow("45 after 15") << 15 << 0 << 45 << std::vector<qint32>{20, 40, 60};
        QTest::newRow("cancel at once") << 0 << 1 << 19 << std::vector<qint32>{20};
        QTest::newRow("cancel during the second twenty")
            << 0 << 25 << 39 << std::vector<qint32>{20, 40};
    }
    void runningTotalsAndCancel() {
        QFETCH(int, stored);
        QFETCH(qint32, result);
        WaypointStore store;
        store.Waypoints.resize(size_t(stored));
        RecordingProgress progress;
        QFETCH(int, cancelAfterEvents);
        progress.cancelAfterEvents = cancelAfterEvents;
        const ImportResult r = ReadLocFile(
            WriteTestFile(dir_.path(), QStringLiteral("many.loc"), LocFile(45) + "</loc>"), store,
            progress);
        QCOMPARE(r.result, result);
        QCOMPARE(Texts(r), QStringList());
        QCOMPARE(store.WaypointCount(), stored + result);
        QCOMPARE(store.record(stored + result).Name, QStringLiteral("GC%1").arg(result));
        QTEST(progress.runningTotals, "totals");
    }
};

WAYFOLD_GERMAN_TEST_MAIN(LocReaderTest)
#include "test_locreader.moc"
