#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/exporter.h"
#include "core/tempfiles.h"
#include "mapsource/launcher.h"
#include "mapsource/mpsreader.h"
#include "support/fakes.h"

namespace {

void WriteFile(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    if (executable) {
        f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
    }
}

// A stand-in for MapSource: records its arguments and copies the file it
// was given, next to itself.
const QByteArray kRecordingScript =
    "#!/bin/sh\n"
    "here=$(dirname \"$0\")\n"
    "printf '%s\\n' \"$@\" >> \"$here/args.txt\"\n"
    "cp \"$1\" \"$here/copy.bin\"\n"
    "echo done >> \"$here/done.txt\"\n";

void AddWaypoint(Session& session, const QString& name) {
    Waypoint w;
    w.Name = name;
    w.Description = QStringLiteral("Test cache ") + name;
    w.Latitude = 46.5;
    w.Longitude = 7.25;
    w.LatSemicircles = DegreesToSemicircles(46.5);
    w.LonSemicircles = DegreesToSemicircles(7.25);
    w.Symbol = NotSet;
    w.Display = NotSet;
    w.CategoryBits = NotSet;
    session.store.Waypoints.push_back(w);
}

bool WaitForFile(const QString& path) {
    for (int i = 0; i < 200 && !QFileInfo::exists(path); ++i) {
        QTest::qWait(25);
    }
    return QFileInfo::exists(path);
}

}  // namespace

class LauncherTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QByteArray oldPrefix_;

    QString path(const QString& relative) const {
        return dir_.path() + QLatin1Char('/') + relative;
    }

private Q_SLOTS:
    void init() {
        // No real Wine prefix takes part: the standard places are empty.
        qputenv("WINEPREFIX", path(QStringLiteral("empty-prefix")).toUtf8());
    }

    void findsFilesIgnoringCase() {
        WriteFile(path(QStringLiteral("case/Program Files/Garmin/MapSource.EXE")), "x");
        const QString found =
            FindFileIgnoringCase(path(QStringLiteral("case/program files/garmin/mapsource.exe")));
        QCOMPARE(found, path(QStringLiteral("case/Program Files/Garmin/MapSource.EXE")));
        QCOMPARE(FindFileIgnoringCase(path(QStringLiteral("case/program files/garmin"))),
                 QString());
        QCOMPARE(FindFileIgnoringCase(path(QStringLiteral("case/program files/other.exe"))),
                 QString());
        QCOMPARE(FindFileIgnoringCase(QString()), QString());
    }

    void standardPlacesLieInTheWinePrefix() {
        qputenv("WINEPREFIX", "/opt/prefix");
        const QStringList places = StandardMapSourcePlaces();
        QCOMPARE(places.size(), 6);
        QCOMPARE(
            places.at(0),
            QStringLiteral("/opt/prefix/drive_c/program files/garmin/mapsource/mapsource.exe"));
        QCOMPARE(places.at(1),
                 QStringLiteral("/opt/prefix/drive_c/program files/mapsource/mapsource.exe"));
        QCOMPARE(places.at(2),
                 QStringLiteral("/opt/prefix/drive_c/program files/garmin/mapsource.exe"));
        QCOMPARE(places.at(3),
                 QStringLiteral(
                     "/opt/prefix/drive_c/program files (x86)/garmin/mapsource/mapsource.exe"));
        qunsetenv("WINEPREFIX");
        QCOMPARE(StandardMapSourcePlaces().front(),
                 QDir::homePath() +
                     QStringLiteral("/.wine/drive_c/program files/garmin/mapsource/mapsource.exe"));
    }

    void windowsProgramsRunThroughWine() {
        const QString exe = path(QStringLiteral("wine-test/MapSource.exe"));
        WriteFile(exe, QByteArray("MZ\x90\x00", 4));
        const QString bin = path(QStringLiteral("wine-bin"));
        WriteFile(bin + QStringLiteral("/wine"), "#!/bin/sh\n", true);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8());
        const StartCommand withWine =
            MapSourceCommand(exe, QStringLiteral("/tmp/a b;c/MPSab12cd.wayfold.tmp"));
        qputenv("PATH", path(QStringLiteral("nowhere")).toUtf8());
        const StartCommand withoutWine = MapSourceCommand(exe, QStringLiteral("/tmp/x.tmp"));
        qputenv("PATH", oldPath);

        QCOMPARE(withWine.program, bin + QStringLiteral("/wine"));
        QCOMPARE(withWine.arguments,
                 QStringList({exe, QStringLiteral("Z:\\tmp\\a b;c\\MPSab12cd.wayfold.tmp")}));
        QVERIFY(withoutWine.program.isEmpty());
        QVERIFY(withoutWine.problem.contains(QStringLiteral("\"wine\"")));
        QVERIFY(withoutWine.problem.contains(exe));

        const QString native = path(QStringLiteral("native/mapsource.exe"));
        WriteFile(native, kRecordingScript, true);
        const StartCommand direct = MapSourceCommand(native, QStringLiteral("/tmp/x.tmp"));
        QCOMPARE(direct.program, native);
        QCOMPARE(direct.arguments, QStringList{QStringLiteral("/tmp/x.tmp")});
    }

    void trailingSeparator() {
        QCOMPARE(WithTrailingSeparator(QStringLiteral("/opt/gps")), QStringLiteral("/opt/gps/"));
        QCOMPARE(WithTrailingSeparator(QStringLiteral("/opt/gps/")), QStringLiteral("/opt/gps/"));
        QCOMPARE(WithTrailingSeparator(QStringLiteral("d:\\gps\\")), QStringLiteral("d:\\gps\\"));
    }

    void unwritableTemporaryFolder_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("mps") << int(ExportKind::OpenMps)
                             << QStringLiteral("Unable to create temporary file");
        QTest::newRow("gdb") << int(ExportKind::OpenGdb)
                             << QStringLiteral("Unable to create temporary GDB file");
    }
    void unwritableTemporaryFolder() {
        QFETCH(int, kind);
        TestSession t;
        // A folder below a regular file can never be created, not even by root.
        WriteFile(path(QStringLiteral("plain-file")), "x");
        t.session.tempFolder = path(QStringLiteral("plain-file/tmp"));
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind(kind));
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        QTEST(t.frontend.messages.front().text, "message");
        QCOMPARE(t.frontend.messages.front().icon, MessageIcon::Exclamation);
        QVERIFY(t.session.TemporaryFiles.isEmpty());
        QVERIFY(t.processes.starts.empty());
    }

    void emptyStoreStartsNothing() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("empty-store"));
        QDir().mkpath(t.session.tempFolder);
        OpenInMapSource(t.session, ExportKind::OpenMps);
        OpenInMapSource(t.session, ExportKind::OpenGdb);
        QVERIFY(t.processes.starts.empty());
        QVERIFY(t.session.TemporaryFiles.isEmpty());
        QVERIFY(QDir(t.session.tempFolder).entryList(QDir::Files).isEmpty());
    }

    void storedFolderIsUsedAndGetsItsSeparator() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-stored"));
        QDir().mkpath(t.session.tempFolder);
        const QString folder = path(QStringLiteral("Stored GPS"));
        WriteFile(folder + QStringLiteral("/mapsource.exe"), kRecordingScript, true);
        t.settings.setValue(QStringLiteral("Mapsource_Dir"), folder);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenMps);
        QCOMPARE(t.frontend.messageTexts(), QStringList());
        QCOMPARE(t.processes.starts.size(), size_t(1));
        QCOMPARE(t.processes.starts[0].program, folder + QStringLiteral("/mapsource.exe"));
        QCOMPARE(t.processes.starts[0].arguments, QStringList{t.session.TemporaryFiles.front()});
        QCOMPARE(t.settings.values.value(QStringLiteral("Mapsource_Dir")),
                 folder + QLatin1Char('/'));
        const QString name = QFileInfo(t.session.TemporaryFiles.front()).fileName();
        QVERIFY2(
            name.startsWith(QStringLiteral("MPS")) && name.endsWith(QStringLiteral(".wayfold.tmp")),
            qPrintable(name));
        QVERIFY(t.frontend.dialogs.empty());
    }

    void secondStandardPlaceIsFoundAndStored() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-standard"));
        QDir().mkpath(t.session.tempFolder);
        const QString prefix = path(QStringLiteral("prefix"));
        qputenv("WINEPREFIX", prefix.toUtf8());
        const QString exe =
            prefix + QStringLiteral("/drive_c/Program Files/MapSource/MapSource.exe");
        WriteFile(exe, kRecordingScript, true);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenMps);
        QCOMPARE(t.processes.starts.size(), size_t(1));
        QCOMPARE(t.processes.starts[0].program, exe);
        QCOMPARE(t.settings.values.value(QStringLiteral("Mapsource_Dir")),
                 prefix + QStringLiteral("/drive_c/Program Files/MapSource/"));
    }

    void dialogComesBackUntilTheRightFolder() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-dialog"));
        QDir().mkpath(t.session.tempFolder);
        // A stored folder from which MapSource was removed: the dialog is
        // shown even though nothing else is searched.
        t.settings.setValue(QStringLiteral("Mapsource_Dir"), path(QStringLiteral("removed/")));
        const QString right = path(QStringLiteral("Maps Right"));
        WriteFile(right + QStringLiteral("/mapsource.exe"), kRecordingScript, true);
        WriteFile(right + QStringLiteral("/Other.exe"), "x", true);
        WriteFile(path(QStringLiteral("Maps Wrong/Other.exe")), "x", true);
        t.frontend.dialogAnswers = {path(QStringLiteral("Maps Wrong/Other.exe")),
                                    right + QStringLiteral("/Other.exe")};
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenMps);
        QCOMPARE(t.frontend.dialogs.size(), size_t(2));
        QCOMPARE(t.frontend.dialogs[0].title, QStringLiteral("Locate Mapsource Executable..."));
        QCOMPARE(t.frontend.dialogs[0].fileName, QStringLiteral("mapsource.exe"));
        QCOMPARE(t.frontend.dialogs[0].filter, QStringLiteral("Executables (*.exe)|*.exe"));
        QCOMPARE(t.frontend.dialogs[0].defaultExtension, QStringLiteral("exe"));
        QCOMPARE(t.processes.starts.size(), size_t(1));
        QCOMPARE(t.processes.starts[0].program, right + QStringLiteral("/mapsource.exe"));
        // Letter case is kept: on this system it is part of the name.
        QCOMPARE(t.settings.values.value(QStringLiteral("Mapsource_Dir")),
                 right + QLatin1Char('/'));
    }

    void cancelledDialogStartsNothing() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-cancel"));
        QDir().mkpath(t.session.tempFolder);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        t.frontend.dialogAnswers = {QStringLiteral("/tmp/*.exe")};
        OpenInMapSource(t.session, ExportKind::OpenMps);
        QCOMPARE(t.frontend.dialogs.size(), size_t(1));
        QVERIFY(t.processes.starts.empty());
        QVERIFY(!t.settings.values.contains(QStringLiteral("Mapsource_Dir")));
        QCOMPARE(t.session.TemporaryFiles.size(), 1);
        QVERIFY(QFileInfo(t.session.TemporaryFiles.front()).size() > 0);
    }

    void gdbLauncherUsesTheStoredTextAsItStands_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("started");  // empty: nothing is started
        const QString base = QDir::tempPath();
        Q_UNUSED(base);
        QTest::newRow("with separator")
            << QStringLiteral("gps/") << QStringLiteral("gps/mapsource.exe");
        // Without the separator "mapsource.exe" joins the last component.
        QTest::newRow("without separator")
            << QStringLiteral("gps") << QStringLiteral("gpsmapsource.exe");
        QTest::newRow("folder without program") << QStringLiteral("nothing/") << QString();
        QTest::newRow("absent") << QString() << QString();
    }
    void gdbLauncherUsesTheStoredTextAsItStands() {
        QFETCH(QString, stored);
        QFETCH(QString, started);
        TestSession t;
        const QString root =
            path(QStringLiteral("gdb-") + QString::fromLatin1(QTest::currentDataTag())
                                              .replace(QLatin1Char(' '), QLatin1Char('-')));
        t.session.tempFolder = root + QStringLiteral("/tmp");
        QDir().mkpath(t.session.tempFolder);
        QDir().mkpath(root + QStringLiteral("/nothing"));
        WriteFile(root + QStringLiteral("/gps/mapsource.exe"), kRecordingScript, true);
        WriteFile(root + QStringLiteral("/gpsmapsource.exe"), kRecordingScript, true);
        if (!stored.isEmpty()) {
            t.settings.setValue(QStringLiteral("Mapsource_Dir"), root + QLatin1Char('/') + stored);
        }
        // MapSource in a standard place is never looked at by this launcher.
        qputenv("WINEPREFIX", (root + QStringLiteral("/prefix")).toUtf8());
        WriteFile(
            root + QStringLiteral("/prefix/drive_c/program files/garmin/mapsource/mapsource.exe"),
            kRecordingScript, true);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenGdb);
        QVERIFY(t.frontend.messages.empty());
        QVERIFY(t.frontend.dialogs.empty());
        if (started.isEmpty()) {
            QVERIFY(t.processes.starts.empty());
        } else {
            QCOMPARE(t.processes.starts.size(), size_t(1));
            QCOMPARE(t.processes.starts[0].program, root + QLatin1Char('/') + started);
        }
        QCOMPARE(t.settings.values.value(QStringLiteral("Mapsource_Dir")),
                 stored.isEmpty() ? QString() : root + QLatin1Char('/') + stored);
        QCOMPARE(t.session.TemporaryFiles.size(), 1);
        QVERIFY(QFileInfo(t.session.TemporaryFiles.front())
                    .fileName()
                    .startsWith(QStringLiteral("GDB")));
    }

    void headlessRunsSayWhatToSet() {
        TestSession t;
        t.frontend.interactive = false;
        t.session.tempFolder = path(QStringLiteral("tmp-headless"));
        QDir().mkpath(t.session.tempFolder);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenMps);
        OpenInMapSource(t.session, ExportKind::OpenGdb);
        QCOMPARE(t.frontend.messages.size(), size_t(2));
        for (const UserMessage& m : t.frontend.messages) {
            QVERIFY(m.text.contains(QStringLiteral("\"Mapsource_Dir\"")));
        }
        QVERIFY(t.frontend.dialogs.empty());
        QCOMPARE(t.session.problemCount, 2);
    }

    void twoGdbLaunchesMakeTwoFilesBothDeleted() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-two"));
        QDir().mkpath(t.session.tempFolder);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenGdb);
        OpenInMapSource(t.session, ExportKind::OpenGdb);
        QCOMPARE(t.session.TemporaryFiles.size(), 2);
        QVERIFY(t.session.TemporaryFiles[0] != t.session.TemporaryFiles[1]);
        const QStringList files = t.session.TemporaryFiles;
        for (const QString& f : files) {
            QVERIFY(QFileInfo::exists(f));
        }
        DeleteTemporaryFiles(t.session);
        for (const QString& f : files) {
            QVERIFY(!QFileInfo::exists(f));
        }
    }

    void handedOverFilesWaitForTheProgram() {
        TestSession t;
        t.session.tempFolder = path(QStringLiteral("tmp-handed"));
        QDir().mkpath(t.session.tempFolder);
        const QString folder = path(QStringLiteral("handed-gps/"));
        WriteFile(folder + QStringLiteral("mapsource.exe"), kRecordingScript, true);
        t.settings.setValue(QStringLiteral("Mapsource_Dir"), folder);
        AddWaypoint(t.session, QStringLiteral("GC1"));
        OpenInMapSource(t.session, ExportKind::OpenMps);
        const QString file = t.session.TemporaryFiles.front();
        // Right after the start the file stays for the program to open...
        DeleteTemporaryFiles(t.session);
        QVERIFY(QFileInfo::exists(file));
        // ...and goes once the program has had its time.
        t.session.TemporaryFiles = {file};
        t.now = t.now.addSecs(HandOverSeconds + 1);
        DeleteTemporaryFiles(t.session);
        QVERIFY(!QFileInfo::exists(file));
    }

    void dayOldCleanupTouchesOnlyOurOldFiles() {
        const QString folder = path(QStringLiteral("stale"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList ours = {QStringLiteral("MPSabc123.wayfold.tmp"),
                                  QStringLiteral("GDBxyz789.wayfold.tmp")};
        const QStringList kept = {
            QStringLiteral("MPSfresh1.wayfold.tmp"), QStringLiteral("MPS1234.tmp"),
            QStringLiteral("GDBxyz789.other.tmp"), QStringLiteral("MPSlonger12.wayfold.tmp"),
            QStringLiteral("notes.txt")};
        for (const QString& name : ours + kept) {
            WriteFile(folder + QLatin1Char('/') + name, "x");
            if (name != QLatin1String("MPSfresh1.wayfold.tmp")) {
                QFile f(folder + QLatin1Char('/') + name);
                QVERIFY(f.open(QIODevice::ReadWrite));
                QVERIFY(f.setFileTime(now.addDays(-2).toLocalTime(),
                                      QFileDevice::FileModificationTime));
            }
        }
        DeleteStaleTemporaryFiles(folder, now);
        for (const QString& name : ours) {
            QVERIFY2(!QFileInfo::exists(folder + QLatin1Char('/') + name), qPrintable(name));
        }
        for (const QString& name : kept) {
            QVERIFY2(QFileInfo::exists(folder + QLatin1Char('/') + name), qPrintable(name));
        }
    }

    void realMapSourceReceivesTheFileUntouched() {
        // The whole road without fakes on the process side: a temporary
        // folder whose path has spaces and ";" reaches the program intact.
        const QString folder = path(QStringLiteral("real gps"));
        WriteFile(folder + QStringLiteral("/mapsource.exe"), kRecordingScript, true);
        const QString temp = path(QStringLiteral("tmp with space;semi"));
        QDir().mkpath(temp);
        FakeFrontend frontend;
        MemorySettingsStore settings;
        settings.setValue(QStringLiteral("Mapsource_Dir"), folder);
        QtProcessStarter processes;
        Session session(frontend, settings, processes, &SystemClockUtc, temp);
        AddWaypoint(session, QStringLiteral("GC1A2B"));
        AddWaypoint(session, QStringLiteral("GC3C4D"));
        OpenInMapSource(session, ExportKind::OpenMps);
        QVERIFY(WaitForFile(folder + QStringLiteral("/done.txt")));
        QFile args(folder + QStringLiteral("/args.txt"));
        QVERIFY(args.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(args.readAll()),
                 session.TemporaryFiles.front() + QLatin1Char('\n'));
        QVERIFY(session.TemporaryFiles.front().contains(QStringLiteral("tmp with space;semi/MPS")));

        WaypointStore back;
        RecordingProgress progress;
        const ImportResult r = ReadMpsFile(folder + QStringLiteral("/copy.bin"), back, progress);
        QCOMPARE(r.result, 2);
        QCOMPARE(back.WaypointCount(), 2);
        QCOMPARE(back.record(1).Name, QStringLiteral("GC1A2B"));
        QCOMPARE(back.record(2).LatSemicircles, DegreesToSemicircles(46.5));
    }
};

QTEST_GUILESS_MAIN(LauncherTest)
#include "test_launcher.moc"
