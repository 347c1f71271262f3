// Exports from the command line of the built program, headless.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "support/storefile.h"

namespace {

const QStringList kSamples = {QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"),
                              QStringLiteral(WAYFOLD_EXAMPLES "/hilltop.loc")};

// Permission checks mean nothing to a process that ignores them (root).
bool PermissionsApply(const QString& folder) {
    const QString probe = folder + QStringLiteral("/probe");
    QDir(folder).mkdir(QStringLiteral("probe"));
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::ExeOwner);
    const bool refused = !MakeFile(probe + QStringLiteral("/x"), "x");
    QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir(probe).removeRecursively();
    return refused;
}

}  // namespace

class ExportCliTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    ProgramRun run(const QStringList& arguments, const QString& folder) {
        return RunProgram(QStringList{QStringLiteral("--headless")} + arguments,
                          ProgramEnvironment(home_.path()), folder);
    }

private Q_SLOTS:
    void emptyStoreWritesNoFile() {
        QTemporaryDir dir;
        QVERIFY(MakeFile(dir.filePath(QStringLiteral("old.gdb")), "old"));
        const ProgramRun r = run(
            {QStringLiteral("/s:out.mps"), QStringLiteral("/g:old.gdb"),
             QStringLiteral("/l:out.loc"), QStringLiteral("/e:out.tb.loc"), QStringLiteral("/q")},
            dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.count(QStringLiteral("Wayfold: No waypoints to export\n")), 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.gdb")});
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("old.gdb"))), QByteArray("old"));
    }

    // The bundled samples, GPX and XML LOC, written to all four formats.
    void allFourFormats() {
        QTemporaryDir dir;
        const ProgramRun r =
            run(kSamples + QStringList{QStringLiteral("/s:out.mps"), QStringLiteral("/g:out.gdb"),
                                       QStringLiteral("/l:out.loc"),
                                       QStringLiteral("/e:out.tb.loc"), QStringLiteral("/q")},
                dir.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const std::pair<const char*, QByteArray> starts[] = {
            {"out.mps", QByteArray("MsRcd\0", 6)},
            {"out.gdb", QByteArray("MsRcf\0\x02\0\0\0Dk\0", 13)},
            {"out.loc", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
            {"out.tb.loc", "TerraByte Location"}};
        for (const auto& [file, start] : starts) {
            QVERIFY2(FileBytes(dir.filePath(QLatin1String(file))).startsWith(start), file);
        }
    }

    // A write that fails reports the file, exits 1 and leaves the old file:
    // out of room (the file size limit holds for the program it starts), over
    // a read-only file, into a read-only folder.
    void failedWriteKeepsTheOldFile_data() {
        QTest::addColumn<QString>("readOnly");  // "file", "folder" or none
        QTest::newRow("full disk") << QString();
        QTest::newRow("over a read-only file") << QStringLiteral("file");
        QTest::newRow("into a read-only folder") << QStringLiteral("folder");
    }
    void failedWriteKeepsTheOldFile() {
        QFETCH(QString, readOnly);
        QTemporaryDir dir;
        if (!readOnly.isEmpty() && !PermissionsApply(dir.path())) {
            QSKIP("this process may write anywhere (root), so read-only files cannot be tested");
        }
        const QString target = dir.filePath(QStringLiteral("target"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("target")));
        const QString out = target + QStringLiteral("/out.gdb");
        QVERIFY(MakeFile(out, "old"));
        const auto readable = QFile::ReadOwner | QFile::ExeOwner;
        if (!readOnly.isEmpty()) {
            QFile::setPermissions(readOnly == QLatin1String("folder") ? target : out, readable);
        }
        ProgramRun r;
        {
            // The samples make a GDB file of 1507 bytes.
            std::optional<FileSizeLimit> limit;
            if (readOnly.isEmpty() && !limit.emplace(1024).ok()) {
                QSKIP("needs a file size limit");
            }
            r = run(kSamples + QStringList{QStringLiteral("/g:") + out, QStringLiteral("/q")},
                    dir.path());
        }
        QFile::setPermissions(target, readable | QFile::WriteOwner);
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Wayfold: Could not write ") + out),
                 qPrintable(r.err));
        QCOMPARE(FileBytes(out), QByteArray("old"));
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("out.gdb")});
    }
};

QTEST_GUILESS_MAIN(ExportCliTest)
#include "test_exportcli.moc"
