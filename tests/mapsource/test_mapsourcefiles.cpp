// The MPS and GDB readers on the files of tests/data/readers/mps.txt and
// gdb.txt and on the real files, each also cut at every byte; progress and
// cancel.
#include <QTemporaryDir>

#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "mapsource/mpswriter.h"
#include "support/testfiles.h"

namespace {

using BytesReader = ImportResult (*)(QByteArrayView, const QString&, WaypointStore&,
                                     ImportProgress&);

// Every cut short of the end of the map-set record (the file's end where it
// is not found) imports nothing and says why in one message; a longer one
// reads as the whole file does.
void CheckCuts(BytesReader read, const QByteArray& bytes) {
    const qsizetype mapSet = bytes.lastIndexOf(QByteArrayView("\x02\0\0\0V\0\x01", 7));
    const qsizetype end = mapSet < 0 ? bytes.size() : mapSet + 7;
    WaypointStore store;
    store.Waypoints.push_back(Sentinel());
    RecordingProgress progress;
    const ImportResult full = read(bytes, QStringLiteral("f"), store, progress);
    for (qsizetype size = 0; size < bytes.size(); ++size) {
        store.Waypoints.resize(1);
        const ImportResult r = read(bytes.first(size), QStringLiteral("f"), store, progress);
        const bool cut = size < end;
        QVERIFY2(r.result == (cut ? 0 : full.result) && store.WaypointCount() == 1 + r.result &&
                     (cut ? r.messages.size() == 1 : Texts(r) == Texts(full)) &&
                     store.record(1).Name == Sentinel().Name,
                 qPrintable(QStringLiteral("the first %1 bytes").arg(size)));
    }
}

}  // namespace

class MapSourceFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void check(FileReader reader, BytesReader read, const char* name) {
        CheckCase(reader, dir_.path(), QLatin1String(name));
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        if (expected.filter(QStringLiteral("message: ")).isEmpty()) {
            CheckCuts(read, document);
        }
    }

private Q_SLOTS:
    void mps_data() { AddCaseRows("mps.txt"); }
    void mps() { check(&ReadMpsFile, &ReadMpsBytes, "case.mps"); }
    void gdb_data() { AddCaseRows("gdb.txt"); }
    void gdb() { check(&ReadGdbFile, &ReadGdbBytes, "case.gdb"); }

    void realFilesCut() {
        REQUIRE_PEER_FIXTURES();
        const QDir fixtures(QStringLiteral(WAYFOLD_FIXTURES));
        for (const QString& name :
             fixtures.entryList({QStringLiteral("*.mps"), QStringLiteral("*.gdb")})) {
            CheckCuts(name.endsWith(QLatin1String("gdb")) ? &ReadGdbBytes : &ReadMpsBytes,
                      FileBytes(fixtures.filePath(name)));
        }
    }

    // The running count every 50 waypoints, after those already there; a
    // cancel while the second record is read leaves the store as it was.
    void progressAndCancel() {
        WaypointStore written;
        for (int i = 1; i <= 120; ++i) {
            AddTestWaypoint(written, QString::number(i));
        }
        const QByteArray file = EncodeMpsFile(written, Options()).bytes;
        for (const int cancelAfter : {0, 2}) {
            WaypointStore store;
            store.Waypoints.resize(10);
            RecordingProgress progress;
            progress.cancelAfterEvents = cancelAfter;
            const ImportResult r = ReadMpsBytes(file, QStringLiteral("f"), store, progress);
            QCOMPARE(r.messages.size(), size_t(0));
            QCOMPARE(Names(store, 11), cancelAfter ? QStringList() : Names(written));
            QCOMPARE(r.result, store.WaypointCount() - 10);
            QCOMPARE(progress.currentImports,
                     (cancelAfter ? std::vector<qint32>() : std::vector<qint32>{50, 100}));
            QCOMPARE(progress.eventPasses, cancelAfter ? 2 : 120);
        }
    }
};

QTEST_GUILESS_MAIN(MapSourceFilesTest)
#include "test_mapsourcefiles.moc"
