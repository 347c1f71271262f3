// Exports from the command line of the built program, headless.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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

// Sets up a failure, runs the program given after its first three
// arguments (mode, folder, file name) and records in the folder what the
// test checks: the program's exit status ("status"), the target folder's
// entries, hidden ones too ("listing"), and the file's bytes afterwards
// ("after"). The modes that mount run in a private mount namespace; "fs"
// and "target" are empty folders and "old" the old file.
const char kFailureScript[] = R"(
mode=$1 dir=$2 name=$3
shift 3
cd "$dir" || exit 99
target=target
case $mode in
"tmpfs "*)
    mount -t tmpfs -o size=128k tmpfs fs || exit 99
    mkdir fs/target && cp old "fs/target/$name" || exit 99
    target=fs/target
    dd if=/dev/zero of=fs/filler bs=4096 2>/dev/null
    if [ "$mode" = "tmpfs page" ]; then truncate -s -4096 fs/filler || exit 99; fi
    "$@" ;;
"read-only mount")
    mount --bind target target && mount -o remount,bind,ro target || exit 99
    "$@" ;;
"limit "*)
    # Blocks of 512 bytes; the signal a write beyond raises is ignored.
    if [ "$mode" = "limit full" ]; then blocks=0; else blocks=2; fi
    (trap '' XFSZ; ulimit -f $blocks && exec "$@") ;;
*)  "$@" ;;
esac
echo $? >status
ls -A "$target" >listing
cat "$target/$name" >after 2>/dev/null
exit 0
)";

// The command that runs another in a private mount namespace where it may
// mount a file system: as root, or as root of a user namespace of its own.
// Empty where neither is allowed.
QStringList MountNamespace() {
    static const QStringList way = [] {
        QTemporaryDir probe;
        for (const QStringList& candidate :
             {QStringList{QStringLiteral("unshare"), QStringLiteral("--mount")},
              QStringList{QStringLiteral("unshare"), QStringLiteral("--user"),
                          QStringLiteral("--map-root-user"), QStringLiteral("--mount")}}) {
            QProcess p;
            p.start(candidate.front(),
                    candidate.mid(1) + QStringList{QStringLiteral("sh"), QStringLiteral("-c"),
                                                   QStringLiteral("mount -t tmpfs tmpfs \"$0\""),
                                                   probe.path()});
            if (p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit &&
                p.exitCode() == 0) {
                return candidate;
            }
        }
        return QStringList();
    }();
    return way;
}

// Enough waypoints that every format's file spans several pages.
QByteArray ManyWaypoints() {
    QByteArray gpx = "<?xml version=\"1.0\"?>\n<gpx>\n";
    for (int i = 0; i < 300; ++i) {
        gpx += QStringLiteral(
                   "<wpt lat=\"47.%1\" lon=\"7.%1\"><name>GC%1</name><desc>Waypoint "
                   "%1, described at some length to fill the file</desc></wpt>\n")
                   .arg(i, 4, 10, QLatin1Char('0'))
                   .toUtf8();
    }
    return gpx + "</gpx>\n";
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
        const ProgramRun r = run({QStringLiteral("/s:out.mps"), QStringLiteral("/g:old.gdb"),
                                  QStringLiteral("/l:out.loc"), QStringLiteral("/e:out.tb.loc"),
                                  QStringLiteral("/m"), QStringLiteral("/6"), QStringLiteral("/q")},
                                 dir.path());
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.count(QStringLiteral("Wayfold: No waypoints to export\n")), 6);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.gdb")});
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("old.gdb"))), QByteArray("old"));
    }

    // The bundled samples, GPX and XML LOC, written to all five formats.
    void allFiveFormats() {
        QTemporaryDir dir;
        const ProgramRun r = run(
            kSamples + QStringList{QStringLiteral("/s:out.mps"), QStringLiteral("/g:out.gdb"),
                                   QStringLiteral("/l:out.loc"), QStringLiteral("/e:out.tb.loc"),
                                   QStringLiteral("/x:out.gpx"), QStringLiteral("/q")},
            dir.path());
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const std::pair<const char*, QByteArray> starts[] = {
            {"out.mps", QByteArray("MsRcd\0", 6)},
            {"out.gdb", QByteArray("MsRcf\0\x02\0\0\0Dk\0", 13)},
            {"out.loc", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
            {"out.tb.loc", "TerraByte Location"},
            {"out.gpx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx "}};
        for (const auto& [file, start] : starts) {
            QVERIFY2(FileBytes(dir.filePath(QLatin1String(file))).startsWith(start), file);
        }
    }

    // A write that fails, for every writer: a full file system (nothing left,
    // or one page left so that the write fails part-way), a read-only folder,
    // a target that is a folder. The program names the file and the reason,
    // exits 1, and leaves the old file as it was and nothing else beside it.
    // The file systems are real: a small tmpfs, a read-only bind mount (which
    // holds for root too), each in a private mount namespace. Where no
    // namespace can be made, the file size limit stands in for the full file
    // system, and permissions for the read-only mount when they apply.
    void writeFailures_data() {
        QTest::addColumn<ExportKind>("kind");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("failure");
        for (const auto& [kind, file] : kKinds) {
            for (const char* failure : {"full", "one page left", "read-only", "folder"}) {
                QTest::addRow("%s, %s", file, failure)
                    << kind << QString::fromLatin1(file) << QString::fromLatin1(failure);
            }
        }
    }
    void writeFailures() {
        QFETCH(ExportKind, kind);
        QFETCH(QString, fileName);
        QFETCH(QString, failure);
        QTemporaryDir dir;
        QDir folder(dir.path());
        QVERIFY(folder.mkdir(QStringLiteral("fs")) && folder.mkdir(QStringLiteral("target")));
        const QByteArray old("the old file\0\x01\xFF\n", 16);
        QVERIFY(MakeFile(dir.filePath(QStringLiteral("old")), old));
        QVERIFY(MakeFile(dir.filePath(QStringLiteral("in.gpx")), ManyWaypoints()));
        const QStringList mountNamespace = MountNamespace();
        const bool full = failure == QLatin1String("full");
        QString mode = QStringLiteral("plain");
        QString targetFolder = dir.filePath(QStringLiteral("target"));
        QString reason;
        bool locked = false;
        if (failure == QLatin1String("folder")) {
            QVERIFY(folder.mkpath(QStringLiteral("target/") + fileName));
            reason = QStringLiteral("Filename refers to a directory");
        } else if (failure == QLatin1String("read-only")) {
            QVERIFY(MakeFile(targetFolder + QLatin1Char('/') + fileName, old));
            if (!mountNamespace.isEmpty()) {
                mode = QStringLiteral("read-only mount");
                // The save file sees that it cannot replace the file.
                reason = QStringLiteral("Existing file %1 is not writable");
            } else if (PermissionsApply(dir.path())) {
                locked = QFile::setPermissions(targetFolder, QFile::ReadOwner | QFile::ExeOwner);
            } else {
                QSKIP("neither a read-only mount nor permissions can refuse this process a write");
            }
        } else if (!mountNamespace.isEmpty()) {
            mode = full ? QStringLiteral("tmpfs full") : QStringLiteral("tmpfs page");
            targetFolder = dir.filePath(QStringLiteral("fs/target"));
            reason = QStringLiteral("No space left on device");
        } else {
            qInfo("no mount namespace here: the file size limit stands in for a full file system");
            QVERIFY(MakeFile(targetFolder + QLatin1Char('/') + fileName, old));
            mode = full ? QStringLiteral("limit full") : QStringLiteral("limit page");
            reason = QStringLiteral("File too large");
        }
        const QString out = targetFolder + QLatin1Char('/') + fileName;
        // /s: /g: /l: /e:, in the order of the kinds, and /x:.
        const QString flag = QStringLiteral("/%1:").arg(
            QLatin1Char(kind == ExportKind::Gpx ? 'x' : "sgle"[int(kind)]));
        const QStringList script{QStringLiteral("sh"),
                                 QStringLiteral("-c"),
                                 QString::fromLatin1(kFailureScript),
                                 QStringLiteral("sh"),
                                 mode,
                                 dir.path(),
                                 fileName,
                                 QStringLiteral(WAYFOLD_PROGRAM),
                                 QStringLiteral("--headless"),
                                 dir.filePath(QStringLiteral("in.gpx")),
                                 flag + out,
                                 QStringLiteral("/q")};
        const QStringList command =
            mode.startsWith(QLatin1String("plain")) || mode.startsWith(QLatin1String("limit"))
                ? script
                : mountNamespace + script;
        QProcess p;
        p.setProcessEnvironment(ProgramEnvironment(home_.path()));
        p.start(command.front(), command.mid(1));
        const bool finished = p.waitForFinished(60000);
        if (locked) {
            QFile::setPermissions(targetFolder,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QVERIFY(finished);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(p.exitCode() == 0, qPrintable(err));
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("status"))), QByteArray("1\n"));
        // Permissions refuse in ways that depend on the system; any reason will do.
        const QString message = QStringLiteral("Wayfold: Could not write ") + out +
                                QStringLiteral("\nReason: ") +
                                QString(reason).replace(QLatin1String("%1"), out);
        QVERIFY2(err.contains(message) && (!reason.isEmpty() || !err.contains(message + u'\n')),
                 qPrintable(err));
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("listing"))), fileName.toUtf8() + '\n');
        if (failure == QLatin1String("folder")) {
            QVERIFY(QFileInfo(out).isDir() &&
                    QDir(out).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        } else {
            QCOMPARE(FileBytes(dir.filePath(QStringLiteral("after"))), old);
        }
    }
};

QTEST_GUILESS_MAIN(ExportCliTest)
#include "test_exportcli.moc"
