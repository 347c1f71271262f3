// The MPS writer's golden files of realistic.json and options.json are
// compared in test_exporter; this is the hand-made one.
#include <QtTest>

#include "support/storefile.h"

class MpsWriterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The application and map-set records, and two waypoints without name or
    // comment: records of 92 bytes, the second one (a duplicate) left out.
    void emptyNamesMakeRecordsOf92Bytes() {
        WaypointStore store;
        store.Waypoints = {NamedWaypoint(QString()), NamedWaypoint(QString())};
        QCOMPARE(EncodeMpsFile(store, TestOptions()).bytes,
                 FileBytes(kWriterData + QStringLiteral("mps-empty-name.mps")));
    }
};

QTEST_GUILESS_MAIN(MpsWriterTest)
#include "test_mpswriter.moc"
