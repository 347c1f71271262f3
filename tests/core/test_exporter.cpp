// Every writer through the export: golden files, empty stores, failures.
#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "support/storefile.h"

namespace {

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Each waypoint's name and description and, with all, the other things an
// export may change in the store.
QStringList StoreTexts(const WaypointStore& store, bool all) {
    QStringList texts;
    for (const Waypoint& w : store.Waypoints) {
        texts += w.Name + u'|' + w.Description +
                 (all ? u'|' + w.Url + u'|' + w.TypeText + u'|' + QString::number(w.Duplicate)
                      : QString());
    }
    return texts;
}

}  // namespace

class ExporterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The session's options and pinned clock (its manual time is the one the
    // JSON stores give) reach the writers, and the files are the golden ones.
    void goldenFiles_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("golden");
        QTest::addColumn<int>("reports");
        QTest::addColumn<int>("gdbVersion");
        const auto row = [](ExportKind kind, const char* store, const char* golden, int reports,
                            int gdbVersion = 1) {
            QTest::newRow(golden) << kind << QString::fromLatin1(store)
                                  << QString::fromLatin1(golden) << reports << gdbVersion;
        };
        // "Łódź" loses two characters, but not where CopyHint writes the hint.
        row(ExportKind::Mps, "realistic", "realistic.mps", 1);
        row(ExportKind::Mps, "options", "options.mps", 1);
        row(ExportKind::Gdb, "realistic", "realistic.gdb", 1);
        row(ExportKind::Gdb, "options", "options.gdb", 0);
        // UTF-8 carries every character.
        row(ExportKind::Gdb, "realistic", "realistic.v3.gdb", 0, 3);
        row(ExportKind::Gdb, "options", "options.v3.gdb", 0, 3);
        row(ExportKind::Loc, "realistic", "realistic.loc", 0);
        row(ExportKind::TerraByte, "realistic", "realistic.tb.loc", 1);
        row(ExportKind::TerraByte, "options", "options.tb.loc", 1);
        row(ExportKind::Gpx, "realistic", "realistic.gpx", 0);
        row(ExportKind::Gpx, "options", "options.gpx", 0);
    }
    void goldenFiles() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, store);
        QFETCH(QString, golden);
        QFETCH(int, reports);
        StoreFile input = LoadStoreFile(store);
        QVERIFY(input.loaded);
        TestSession t;
        QCOMPARE(t.session.options.ManualTime, input.options.ManualTime);
        t.session.store = input.store;
        t.session.options = input.options;
        QFETCH(int, gdbVersion);
        t.session.options.GdbVersion = gdbVersion;
        QTemporaryDir dir;
        const QString out = dir.filePath(golden);
        QVERIFY(MakeFile(out, QByteArray(5000, 'x')));  // replaced completely

        QVERIFY(ExportFile(t.session, kind, out));
        // A GPX golden file names the version it was made for as its creator.
        QByteArray expected = FileBytes(kWriterData + golden);
        if (kind == ExportKind::Gpx) {
            const qsizetype at = expected.indexOf("creator=\"Wayfold ") + 17;
            QVERIFY(at > 17);
            expected.replace(at, expected.indexOf('"', at) - at, WAYFOLD_VERSION);
        }
        QCOMPARE(FileBytes(out), expected);
        QCOMPARE(FolderEntries(dir.path()), QStringList{golden});
        QCOMPARE(t.frontend.busyChanges, (std::vector<bool>{true, false}));
        QCOMPARE(int(t.frontend.messages.size()), reports);
        QCOMPARE(t.session.problemCount, reports);
        if (reports > 0) {
            QVERIFY2(t.frontend.messages[0].text.startsWith(
                         QStringLiteral("2 characters in 1 waypoint could not be written in the "
                                        "character set of ") +
                         QDir::toNativeSeparators(out)),
                     qPrintable(t.frontend.messages[0].text));
        }
        // The store keeps every waypoint, sorted, names and descriptions as they were.
        QVERIFY(!t.session.store.Waypoints[0].SortKey.isEmpty());
        QVERIFY(std::ranges::is_sorted(t.session.store.Waypoints, {}, &Waypoint::SortKey));
        QStringList before = StoreTexts(input.store, false);
        QStringList after = StoreTexts(t.session.store, false);
        before.sort();
        after.sort();
        QCOMPARE(after, before);
    }

    // The writers onto a device. A whole file comes with the reports of its
    // format: MPS and TerraByte LOC remind of the coordinates the readers
    // repaired. A device that fails part-way: nothing counts as written, the
    // message names the file and the system's reason, and the store is left
    // as a successful export leaves it (the name/description swap undone).
    void deviceWrites_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<int>("limit");  // -1: all but the last byte
        for (const auto& [kind, file] : kKinds) {
            for (const int limit : {0, 10, 100, -1}) {
                QTest::addRow("%s, %d bytes", file, limit) << kind << limit;
            }
        }
    }
    void deviceWrites() {
        QFETCH(ExportKind, kind);
        QFETCH(int, limit);
        StoreFile success = LoadStoreFile(QStringLiteral("options"));
        success.store.CoordinatesFixed = true;
        StoreFile input = success;
        QVERIFY(input.loaded && input.options.SwapNameDesc);
        QBuffer whole;
        whole.open(QIODevice::WriteOnly);
        const QString name = QStringLiteral("/somewhere/out");
        const WriteResult written = WriteKind(kind, name, success.store, success.options, &whole);
        QCOMPARE(written.status, WriteResult::Written);
        QVERIFY(success.store.CoordinatesFixed);
        const bool warns = kind == ExportKind::Mps || kind == ExportKind::TerraByte;
        QCOMPARE(!written.messages.empty() &&
                     written.messages.back().title == QLatin1String("Errors during import"),
                 warns);
        if (warns) {
            const UserMessage& last = written.messages.back();
            QCOMPARE(last.icon, MessageIcon::Exclamation);
            QCOMPARE(last.text,
                     QStringLiteral("Some input waypoints had out-of-range latitudes or "
                                    "longitudes.\r\n\r\nOffending values were reset to 0 and "
                                    "the waypoints renamed to \r\n'FIXED - ' + OriginalName"));
        }
        if (limit < 0) {
            limit = int(whole.data().size()) - 1;
        }
        FailingDevice device(limit);
        const WriteResult result = WriteKind(kind, name, input.store, input.options, &device);
        QCOMPARE(result.status, WriteResult::Failed);
        QCOMPARE(device.written, whole.data().left(limit));
        QCOMPARE(result.messages.size(), size_t(1));
        QCOMPARE(result.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(result.messages[0].text,
                 QStringLiteral("Could not write ") + QDir::toNativeSeparators(name) +
                     QStringLiteral("\r\nReason: No space left on device"));
        QCOMPARE(StoreTexts(input.store, true), StoreTexts(success.store, true));
    }

    // The export says so and writes nothing (the program's console and exit
    // status: test_exportcli); the writers, called directly, neither create a
    // file nor touch an old one.
    void emptyStore_data() { AddKindRows(); }
    void emptyStore() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        TestSession t;
        const QString old = dir.filePath(QStringLiteral("old-") + fileName);
        QVERIFY(MakeFile(old, "old"));
        QVERIFY(!ExportFile(t.session, kind, dir.filePath(fileName)));
        for (const QString& path : {dir.filePath(fileName), old}) {
            QCOMPARE(WriteKind(kind, path, t.session.store, t.session.options).status,
                     WriteResult::NothingToWrite);
        }
        QCOMPARE(FolderEntries(dir.path()), QStringList{QStringLiteral("old-") + fileName});
        QCOMPARE(FileBytes(old), QByteArray("old"));
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        QCOMPARE(t.frontend.messages[0].icon, MessageIcon::Information);
        QVERIFY(t.frontend.busyChanges.empty());
    }

    void notAFileKind() {
        TestSession t;
        t.session.store.Waypoints = {NamedWaypoint(QStringLiteral("GC1"))};
        QVERIFY(!ExportFile(t.session, ExportKind::Separator, QStringLiteral("x")));
        QCOMPARE(t.frontend.messageTexts(),
                 QStringList{QStringLiteral("Error selecting function.")});
        QCOMPARE(t.frontend.messages[0].title, QStringLiteral("Wayfold Error"));
    }
};

QTEST_GUILESS_MAIN(ExporterTest)
#include "test_exporter.moc"
