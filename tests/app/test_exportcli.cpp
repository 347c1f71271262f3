// Exports from the command line of the built program, headless.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "mapsource/mpswriter.h"
#include "support/storefile.h"

namespace {

struct Run {
    int status = -1;
    QString err;
};

const QString kData = QStringLiteral(WAYFOLD_TEST_DATA "/writers/");
const QString kLakeside = QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx");
const QString kHilltop = QStringLiteral(WAYFOLD_EXAMPLES "/hilltop.loc");

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class ExportCliTest : public QObject {
    Q_OBJECT

    QTemporaryDir home_;

    // Runs the program in folder; with a shell prefix ("ulimit -f 8; ") the
    // program runs under sh after that prefix.
    Run run(const QStringList& arguments, const QString& folder,
            const QString& shellPrefix = QString()) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove(QStringLiteral("DISPLAY"));
        e.remove(QStringLiteral("WAYLAND_DISPLAY"));
        e.insert(QStringLiteral("HOME"), home_.path());
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.path() + QStringLiteral("/config"));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(folder);
        QStringList all = {QStringLiteral("--headless")};
        all += arguments;
        if (shellPrefix.isEmpty()) {
            p.start(QStringLiteral(WAYFOLD_PROGRAM), all);
        } else {
            p.start(QStringLiteral("sh"),
                    QStringList{QStringLiteral("-c"),
                                shellPrefix + QStringLiteral("exec \"$0\" \"$@\""),
                                QStringLiteral(WAYFOLD_PROGRAM)} +
                        all);
        }
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        Run r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // The samples need the GPX and LOC readers, which land on their own.
    bool samplesReadable() {
        QTemporaryDir dir;
        const Run r = run({kLakeside, kHilltop, QStringLiteral("/q")}, dir.path());
        return r.status == 0 && !r.err.contains(QStringLiteral("not available yet"));
    }

    // An MPS file of the realistic test store, as input for the program;
    // extra adds that many more waypoints.
    static QString writeInput(const QString& folder, int extra = 0) {
        StoreFile input = LoadStoreFile(kData + QStringLiteral("realistic.json"));
        for (int i = 0; i < extra; ++i) {
            Waypoint w = input.store.Waypoints.front();
            w.Name = QStringLiteral("EXTRA%1").arg(i);
            input.store.Waypoints.push_back(w);
        }
        const QString path = folder + QStringLiteral("/input.mps");
        if (!input.loaded ||
            WriteMpsFile(path, input.store, input.options).status != WriteResult::Written) {
            return QString();
        }
        return path;
    }

    static bool permissionsApply(const QString& folder) {
        const QString probe = folder + QStringLiteral("/probe");
        QDir(folder).mkdir(QStringLiteral("probe"));
        QFile::setPermissions(probe, QFile::ReadOwner | QFile::ExeOwner);
        QFile f(probe + QStringLiteral("/x"));
        const bool refused = !f.open(QIODevice::WriteOnly);
        f.close();
        f.remove();
        QFile::setPermissions(probe, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(probe).removeRecursively();
        return refused;
    }

private Q_SLOTS:
    void emptyStoreWritesNoFile() {
        QTemporaryDir dir;
        QFile old(dir.filePath(QStringLiteral("old.gdb")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const Run r = run(
            {QStringLiteral("/s:out.mps"), QStringLiteral("/g:old.gdb"),
             QStringLiteral("/l:out.loc"), QStringLiteral("/e:out.tb.loc"), QStringLiteral("/q")},
            dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.count(QStringLiteral("Wayfold: No waypoints to export\n")), 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.gdb")});
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("old.gdb"))), QByteArray("old"));
    }

    void allFourFormats_data() {
        QTest::addColumn<bool>("samples");
        QTest::newRow("MPS input") << false;
        QTest::newRow("the samples") << true;
    }
    void allFourFormats() {
        QFETCH(bool, samples);
        if (samples && !samplesReadable()) {
            QSKIP("the GPX and LOC readers are not part of this build yet");
        }
        QTemporaryDir dir;
        const QStringList inputs =
            samples ? QStringList{kLakeside, kHilltop} : QStringList{writeInput(dir.path())};
        QVERIFY(!inputs.front().isEmpty());
        const Run r =
            run(inputs + QStringList{QStringLiteral("/s:out.mps"), QStringLiteral("/g:out.gdb"),
                                     QStringLiteral("/l:out.loc"), QStringLiteral("/e:out.tb.loc"),
                                     QStringLiteral("/q")},
                dir.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(
            ReadAll(dir.filePath(QStringLiteral("out.mps"))).startsWith(QByteArray("MsRcd\0", 6)));
        QVERIFY(ReadAll(dir.filePath(QStringLiteral("out.gdb")))
                    .startsWith(QByteArray("MsRcf\0\x02\0\0\0Dk\0", 13)));
        QVERIFY(ReadAll(dir.filePath(QStringLiteral("out.loc")))
                    .startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
        QVERIFY(
            ReadAll(dir.filePath(QStringLiteral("out.tb.loc"))).startsWith("TerraByte Location"));
    }

    // A write that runs out of room (here the file size limit, which holds
    // for root too) reports the file and leaves the old one.
    void fullDiskKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString input = writeInput(dir.path(), 100);
        QVERIFY(!input.isEmpty());
        QFile old(dir.filePath(QStringLiteral("out.gdb")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        // A block of the shell's ulimit is 512 or 1024 bytes; the input
        // makes a file of many.
        const Run r = run({input, QStringLiteral("/g:out.gdb"), QStringLiteral("/q")}, dir.path(),
                          QStringLiteral("trap '' XFSZ; ulimit -f 1; "));
        QVERIFY2(r.status == 1, qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("Wayfold: Could not write ") +
                                dir.filePath(QStringLiteral("out.gdb"))) ||
                     r.err.contains(QStringLiteral("Wayfold: Could not write out.gdb")),
                 qPrintable(r.err));
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("out.gdb"))), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{QStringLiteral("input.mps"), QStringLiteral("out.gdb")}));
    }

    void readOnlyTargets_data() {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("over a read-only file") << false;
        QTest::newRow("into a read-only folder") << true;
    }
    void readOnlyTargets() {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        if (!permissionsApply(dir.path())) {
            QSKIP("this process may write anywhere (root), so read-only files cannot be tested");
        }
        const QString input = writeInput(dir.path());
        QVERIFY(!input.isEmpty());
        const QString target = dir.filePath(QStringLiteral("target"));
        QDir(dir.path()).mkdir(QStringLiteral("target"));
        const QString out = target + QStringLiteral("/out.mps");
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        const auto readable = QFile::ReadOwner | QFile::ExeOwner;
        QFile::setPermissions(readOnlyFolder ? target : out, readable);
        const Run r = run({input, QStringLiteral("/s:") + out, QStringLiteral("/q")}, dir.path());
        QFile::setPermissions(target, readable | QFile::WriteOwner);
        QFile::setPermissions(out, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Wayfold: Could not write ") + out),
                 qPrintable(r.err));
        QCOMPARE(ReadAll(out), QByteArray("old"));
        QCOMPARE(QDir(target).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("out.mps")});
    }
};

QTEST_GUILESS_MAIN(ExportCliTest)
#include "test_exportcli.moc"
