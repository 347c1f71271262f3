// Open in MapSource with a recording process starter; the real start of a
// fake MapSource is checked through the program in tests/app/test_cli.cpp.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "core/exporter.h"
#include "core/tempfiles.h"
#include "mapsource/launcher.h"
#include "support/fakes.h"

namespace {

// A session with one waypoint, a temporary folder of its own and an empty
// Wine prefix.
struct Launch {
    Launch() {
        t.session.tempFolder = path("tmp");
        QDir().mkpath(t.session.tempFolder);
        qputenv("WINEPREFIX", path("prefix").toUtf8());
        AddTestWaypoint(t.session.store, QStringLiteral("GC1"));
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    void open(ExportKind kind) { OpenInMapSource(t.session, kind); }
    QString started() const {
        return t.processes.starts.size() == 1 ? t.processes.starts.front().program : QString();
    }
    QString storedFolder() const {
        return t.settings.values.value(QStringLiteral("Mapsource_Dir"));
    }

    QTemporaryDir dir;
    TestSession t;
};

}  // namespace

class LauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // MapSource in the standard places of a Wine prefix, named in any case:
    // the first place that holds it is started and its folder stored (each
    // row has programs in later places too); a folder of its name is not it.
    void standardPlaces_data() {
        // The programs installed in the row's drive C; the first is started.
        AddColumns<QString, QString, bool>("drive", "programs", "found");
        AddRow("garmin/mapsource", "prefix/drive_c/",
               "Program Files/Garmin/MapSource/MapSource.exe|Program Files/MapSource/MapSource.exe|"
               "Program Files/Garmin/MapSource.exe",
               true);
        AddRow("mapsource", "prefix/drive_c/",
               "program files/MapSource/mapsource.exe|program files/garmin/mapsource.exe", true);
        // The folders without "(x86)" come first, all three of them.
        AddRow("garmin", "prefix/drive_c/",
               "PROGRAM FILES/garmin/mapsource.exe|PROGRAM FILES (x86)/Garmin/MapSource/"
               "MapSource.exe",
               true);
        AddRow("x86", "prefix/drive_c/",
               "Program Files (x86)/Garmin/MapSource/MapSource.exe|Program Files "
               "(x86)/MapSource/MapSource.exe",
               true);
        AddRow("~/.wine", "home/.wine/drive_c/",
               "program files/garmin/mapsource.exe|program files (x86)/garmin/mapsource.exe", true);
        AddRow("folder", "prefix/drive_c/", "program files/garmin/mapsource.exe/x", false);
    }
    void standardPlaces() {
        QFETCH(QString, drive);
        QFETCH(QString, programs);
        QFETCH(bool, found);
        Launch l;
        QStringList installed;
        for (const QString& program : programs.split(u'|')) {
            installed.push_back(l.dir.filePath(drive + program));
            QVERIFY(MakeFakeMapSource(installed.back()));
        }
        const QString exe = found ? installed.front() : QString();
        const QByteArray home = qgetenv("HOME");
        if (drive.startsWith(QLatin1String("home/"))) {
            qunsetenv("WINEPREFIX");
            qputenv("HOME", l.path("home").toUtf8());
        }
        l.open(ExportKind::OpenMps);
        qputenv("HOME", home);
        QCOMPARE(l.started(), exe);
        QCOMPARE(l.storedFolder(), found ? QFileInfo(exe).path() + u'/' : QString());
        QCOMPARE(l.t.frontend.dialogs.size(), size_t(found ? 0 : 1));
    }

    // A program that fails to start is named in the message, the stored
    // folder is not rewritten (it would gain its separator), and the file is
    // not kept for the program.
    void failedStartIsReported() {
        Launch l;
        QVERIFY(MakeFakeMapSource(l.path("Stored GPS/mapsource.exe")));
        l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.path("Stored GPS"));
        l.t.processes.failure = QStringLiteral("Permission denied");
        l.open(ExportKind::OpenMps);
        QCOMPARE(
            l.t.frontend.messageTexts(),
            QStringList{QStringLiteral("Could not start ") + l.path("Stored GPS/mapsource.exe") +
                        QStringLiteral(":\r\nPermission denied")});
        QCOMPARE(l.storedFolder(), l.path("Stored GPS"));
        QVERIFY(l.t.session.temporaryFilesHandedOver.isEmpty());
    }

    void windowsProgramsRunThroughWine() {
        Launch l;
        const QString exe = l.path("wine-test/MapSource.exe");
        QVERIFY(MakeFile(exe, QByteArray("MZ\x90\x00", 4)));
        QVERIFY(MakeFile(l.path("bin/wine"), "#!/bin/sh\n", true));
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", l.path("bin").toUtf8());
        const StartCommand withWine =
            MapSourceCommand(exe, QStringLiteral("/tmp/a b;c/MPSab12cd.wayfold.tmp"));
        qputenv("PATH", l.path("nowhere").toUtf8());
        const StartCommand withoutWine = MapSourceCommand(exe, QStringLiteral("/tmp/x.tmp"));
        qputenv("PATH", oldPath);
        QCOMPARE(withWine.program, l.path("bin/wine"));
        QCOMPARE(withWine.arguments,
                 QStringList({exe, QStringLiteral("Z:\\tmp\\a b;c\\MPSab12cd.wayfold.tmp")}));
        QVERIFY(withoutWine.program.isEmpty());
        QVERIFY(withoutWine.problem.contains(QStringLiteral("\"wine\"")));
        QVERIFY(withoutWine.problem.contains(exe));
    }

    void trailingSeparator() {
        QCOMPARE(WithTrailingSeparator(QStringLiteral("/opt/gps")), QStringLiteral("/opt/gps/"));
        QCOMPARE(WithTrailingSeparator(QStringLiteral("/opt/gps/")), QStringLiteral("/opt/gps/"));
        QCOMPARE(WithTrailingSeparator(QStringLiteral("d:\\gps\\")), QStringLiteral("d:\\gps\\"));
    }

    void unwritableTemporaryFolder_data() {
        AddColumns<ExportKind, QString>("kind", "message");
        AddRow("mps", ExportKind::OpenMps, "Unable to create temporary file");
        AddRow("gdb", ExportKind::OpenGdb, "Unable to create temporary GDB file");
    }
    void unwritableTemporaryFolder() {
        QFETCH(ExportKind, kind);
        Launch l;
        // A folder below a regular file can never be created, not even by root.
        QVERIFY(MakeFile(l.path("plain-file")));
        l.t.session.tempFolder = l.path("plain-file/tmp");
        l.open(kind);
        QCOMPARE(l.t.frontend.messages.size(), size_t(1));
        QTEST(l.t.frontend.messages.front().text, "message");
        QCOMPARE(l.t.frontend.messages.front().icon, MessageIcon::Exclamation);
        QVERIFY(l.t.session.TemporaryFiles.isEmpty());
        QVERIFY(l.t.processes.starts.empty());
    }

    // Even with MapSource at hand, an empty store shows, asks and starts
    // nothing and leaves no file.
    void emptyStoreDoesNothing() {
        Launch l;
        ClearStore(l.t.session.store);
        QVERIFY(MakeFakeMapSource(l.path("prefix/drive_c/program files/garmin/mapsource.exe")));
        l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.path("removed/"));
        OpenMpsInMapSource(l.t.session);
        OpenGdbInMapSource(l.t.session);
        QVERIFY(l.t.frontend.messages.empty() && l.t.frontend.dialogs.empty());
        QVERIFY(l.t.processes.starts.empty());
        QVERIFY(l.t.session.TemporaryFiles.isEmpty());
        QVERIFY(QDir(l.t.session.tempFolder).entryList(QDir::Files).isEmpty());
    }

    // The fake is a script the system runs itself: it is started directly.
    void storedFolderIsUsedAndGetsItsSeparator() {
        Launch l;
        QVERIFY(MakeFakeMapSource(l.path("Stored GPS/mapsource.exe")));
        l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.path("Stored GPS"));
        l.open(ExportKind::OpenMps);
        QVERIFY(l.t.frontend.messages.empty() && l.t.frontend.dialogs.empty());
        QCOMPARE(l.started(), l.path("Stored GPS/mapsource.exe"));
        QCOMPARE(l.t.processes.starts[0].arguments, l.t.session.TemporaryFiles);
        QCOMPARE(l.storedFolder(), l.path("Stored GPS/"));
    }

    void dialogComesBackUntilTheRightFolder() {
        Launch l;
        // A stored folder from which MapSource was removed: the dialog is
        // shown, and MapSource in a standard place is not started instead.
        l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.path("removed/"));
        QVERIFY(MakeFakeMapSource(l.path("prefix/drive_c/program files/garmin/mapsource.exe")));
        QVERIFY(MakeFakeMapSource(l.path("Maps Right/mapsource.exe")));
        QVERIFY(MakeFile(l.path("Maps Right/Other.exe"), "x", true));
        QVERIFY(MakeFile(l.path("Maps Wrong/Other.exe"), "x", true));
        // A wildcard answer is a cancel: nothing is started or stored.
        l.t.frontend.dialogAnswers = {l.path("Maps Wrong/Other.exe"), l.path("Maps Right/*.exe")};
        l.open(ExportKind::OpenMps);
        QCOMPARE(l.t.frontend.dialogs.size(), size_t(2));
        QVERIFY(l.t.processes.starts.empty());
        QCOMPARE(l.storedFolder(), l.path("removed/"));
        QVERIFY(QFileInfo(l.t.session.TemporaryFiles.front()).size() > 0);

        l.t.frontend.dialogAnswers = {l.path("Maps Wrong/Other.exe"),
                                      l.path("Maps Right/Other.exe")};
        l.open(ExportKind::OpenMps);
        QCOMPARE(l.t.frontend.dialogs.size(), size_t(4));
        const FileDialogRequest& d = l.t.frontend.dialogs[0];
        QCOMPARE(d.title, QStringLiteral("Locate Mapsource Executable..."));
        QCOMPARE(d.fileName, QStringLiteral("mapsource.exe"));
        QCOMPARE(d.filter, QStringLiteral("Executables (*.exe)|*.exe"));
        QCOMPARE(d.defaultExtension, QStringLiteral("exe"));
        QCOMPARE(l.started(), l.path("Maps Right/mapsource.exe"));
        // Letter case is kept: on this system it is part of the name.
        QCOMPARE(l.storedFolder(), l.path("Maps Right/"));
    }

    void gdbLauncherUsesTheStoredTextAsItStands_data() {
        // An empty "started": nothing is started.
        AddColumns<QString, QString>("stored", "started");
        AddRow("with separator", "gps/", "gps/mapsource.exe");
        // Without the separator "mapsource.exe" joins the last component.
        AddRow("without separator", "gps", "gpsmapsource.exe");
        AddRow("folder without program", "tmp/", "");
        AddRow("absent", "", "");
    }
    void gdbLauncherUsesTheStoredTextAsItStands() {
        QFETCH(QString, stored);
        QFETCH(QString, started);
        Launch l;
        QVERIFY(MakeFakeMapSource(l.path("gps/mapsource.exe")));
        QVERIFY(MakeFakeMapSource(l.path("gpsmapsource.exe")));
        // MapSource in a standard place is never looked at by this launcher.
        QVERIFY(MakeFakeMapSource(l.path("prefix/drive_c/program files/garmin/mapsource.exe")));
        if (!stored.isEmpty()) {
            l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.dir.filePath(stored));
        }
        l.open(ExportKind::OpenGdb);
        QVERIFY(l.t.frontend.messages.empty() && l.t.frontend.dialogs.empty());
        QCOMPARE(l.started(), started.isEmpty() ? QString() : l.dir.filePath(started));
        QCOMPARE(l.storedFolder(), stored.isEmpty() ? QString() : l.dir.filePath(stored));
        QCOMPARE(l.t.session.TemporaryFiles.size(), 1);
        QVERIFY(QFileInfo(l.t.session.TemporaryFiles.front())
                    .fileName()
                    .startsWith(QStringLiteral("GDB")));
    }

    void twoGdbLaunchesMakeTwoFilesBothDeleted() {
        Launch l;
        l.open(ExportKind::OpenGdb);
        l.open(ExportKind::OpenGdb);
        const QStringList files = l.t.session.TemporaryFiles;
        QCOMPARE(files.size(), 2);
        QVERIFY(files[0] != files[1]);
        QVERIFY(QFileInfo::exists(files[0]) && QFileInfo::exists(files[1]));
        DeleteTemporaryFiles(l.t.session);
        QVERIFY(!QFileInfo::exists(files[0]) && !QFileInfo::exists(files[1]));
    }

    void handedOverFilesWaitForTheProgram() {
        Launch l;
        QVERIFY(MakeFakeMapSource(l.path("gps/mapsource.exe")));
        l.t.settings.setValue(QStringLiteral("Mapsource_Dir"), l.path("gps/"));
        l.open(ExportKind::OpenMps);
        const QString file = l.t.session.TemporaryFiles.front();
        // Right after the start the file stays for the program to open...
        DeleteTemporaryFiles(l.t.session);
        QVERIFY(QFileInfo::exists(file));
        // ...and goes once the program has had its time.
        l.t.session.TemporaryFiles = {file};
        l.t.now = l.t.now.addSecs(HandOverSeconds + 1);
        DeleteTemporaryFiles(l.t.session);
        QVERIFY(!QFileInfo::exists(file));
    }

    void dayOldCleanupTouchesOnlyOurOldFiles() {
        Launch l;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList ours =
            QStringLiteral("MPSabc123.wayfold.tmp GDBxyz789.wayfold.tmp").split(u' ');
        const QStringList kept = QStringLiteral(
                                     "MPSfresh1.wayfold.tmp MPS1234.tmp "
                                     "GDBxyz789.other.tmp MPSlonger12.wayfold.tmp notes.txt")
                                     .split(u' ');
        for (const QString& name : ours + kept) {
            QFile f(l.path("stale/") + name);
            QVERIFY(MakeFile(f.fileName(), "x") && f.open(QIODevice::ReadWrite));
            if (name != kept.front()) {
                QVERIFY(f.setFileTime(now.addDays(-2).toLocalTime(),
                                      QFileDevice::FileModificationTime));
            }
        }
        DeleteStaleTemporaryFiles(l.path("stale"), now);
        for (const QString& name : ours + kept) {
            QVERIFY2(QFileInfo::exists(l.path("stale/") + name) == kept.contains(name),
                     qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(LauncherTest)
#include "test_launcher.moc"
