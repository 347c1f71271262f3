// Open in MapSource with a recording process starter, situation by
// situation; the real start of a fake MapSource is checked through the
// program in tests/app/test_cli.cpp.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "session/exporter.h"
#include "session/formats.h"
#include "session/mapsourcelauncher.h"
#include "session/tempfiles.h"
#include "support/fakes.h"

using namespace Qt::StringLiterals;

namespace {

// Runs Open in MapSource in a folder where the situation ("key: value"
// joined by "|", paths relative to the folder) holds, and says what came of
// it: "started" the program and its arguments ("|" between them; the file
// handed over is "<file>", with "\" between folders "<windows file>"),
// "stored" the stored folder afterwards, "asked n" the times the user was
// told MapSource was not found and shown the dialog to locate it, "said"
// each other message, and "files n kept n" the temporary files left and
// how many of them a clean-up keeps for the program.
//
// The situation: "gdb" the GDB launcher; "stored" the stored folder;
// "program" a stand-in for MapSource ("standard": one in program
// files/garmin of the prefix); "file" another program; "windows" a
// Windows program (one that starts with "MZ"); "path" the only folder on
// PATH; "answer" the next answer of the file dialog (none: cancelled);
// "failure" the reason every start fails; "home wine" no WINEPREFIX, the
// prefix is "home/.wine" (else the empty folder "prefix"); "temp" the
// temporary folder (else "tmp").
QString Launch(const QString& situation) {
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    const QByteArray home = qgetenv("HOME");
    const QByteArray path = qgetenv("PATH");
    qputenv("WINEPREFIX", (root + u"prefix"_s).toUtf8());
    TestSession t;
    t.session.tempFolder = root + u"tmp"_s;
    AddTestWaypoint(t.session.store, u"GC1"_s);
    bool gdb = false;
    bool made = true;
    for (const QString& line : situation.split(u'|')) {
        const QString key = line.section(u": "_s, 0, 0);
        const QString value = line.section(u": "_s, 1);
        gdb = gdb || key == u"gdb"_s;
        if (key == u"standard"_s) {
            made &=
                MakeFakeMapSource(root + u"prefix/drive_c/program files/garmin/mapsource.exe"_s);
        } else if (key == u"stored"_s) {
            t.settings.setValue(u"Mapsource_Dir"_s, root + value);
        } else if (key == u"program"_s) {
            made &= MakeFakeMapSource(root + value);
        } else if (key == u"path"_s) {
            qputenv("PATH", (root + value).toUtf8());
        } else if (key == u"file"_s || key == u"windows"_s) {
            made &= MakeFile(root + value, key == u"file"_s ? "x" : "MZ\x90", true);
        } else if (key == u"answer"_s) {
            t.frontend.dialogAnswers.push_back(root + value);
        } else if (key == u"failure"_s) {
            t.processes.failure = value;
        } else if (key == u"home wine"_s) {
            qunsetenv("WINEPREFIX");
            qputenv("HOME", (root + u"home"_s).toUtf8());
        } else if (key == u"temp"_s) {
            t.session.tempFolder = root + value;
        }
    }
    QDir().mkpath(t.session.tempFolder);
    SendToDestination(t.session, Destinations()[gdb ? 1 : 0]);
    qputenv("HOME", home);
    qputenv("PATH", path);

    const QString file = t.session.TemporaryFiles.value(0, QString(1, QChar(0)));
    const auto relative = [&](QString text) {
        return text.isEmpty()
                   ? u"-"_s
                   : text.replace(file, u"<file>"_s)
                         .replace(QString(file).replace(u'/', u'\\'), u"<windows file>"_s)
                         .replace(root, QString());
    };
    const auto& starts = t.processes.starts;
    QStringList got{
        u"started "_s +
            relative(starts.empty()
                         ? QString()
                         : (QStringList{starts[0].program} + starts[0].arguments).join(u'|')),
        u"stored "_s + relative(t.settings.values.value(u"Mapsource_Dir"_s))};
    const QStringList told = t.frontend.messageTexts();
    const QString notFound =
        u"MapSource was not found.\r\nPlease locate mapsource.exe, or cancel to leave it."_s;
    const auto asked = t.frontend.dialogs.size();
    bool consistent = qsizetype(asked) == told.count(notFound);
    for (const FileDialogRequest& d : t.frontend.dialogs) {
        consistent &=
            QStringList({d.title, d.fileName, d.filter, d.defaultExtension}).join(u'|') ==
            u"Locate Mapsource Executable...|mapsource.exe|Executables (*.exe)|*.exe|exe"_s;
    }
    got += asked > 0 ? QStringList{u"asked %1"_s.arg(asked)} : QStringList();
    for (const QString& text : told) {
        got += text == notFound ? QStringList() : QStringList{u"said "_s + relative(text)};
    }
    const QDir temp(t.session.tempFolder);
    const int files = int(
        temp.entryList({gdb ? u"GDB*.wayfold.tmp"_s : u"MPS*.wayfold.tmp"_s}, QDir::Files).size());
    const bool tracked = t.session.TemporaryFiles.size() == temp.entryList(QDir::Files).size();
    DeleteTemporaryFiles(t.session);
    got += u"files %1 kept %2"_s.arg(files).arg(temp.entryList(QDir::Files).size());
    // A file handed over goes once the program has had its time.
    t.now = t.now.addSecs(HandOverSeconds + 1);
    DeleteTemporaryFiles(t.session);
    got +=
        made && tracked && consistent && temp.isEmpty() ? QStringList() : QStringList{u"(amiss)"_s};
    return got.join(u"; "_s);
}

}  // namespace

class MapSourceLauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Linux's: MapSource in a Wine prefix, started through Wine, names that
    // keep letter case (test_cli starts a stand-in from Windows' folders).
    //
    // MapSource in the standard places of a Wine prefix, named in any case:
    // the first place that holds it is started and its folder stored. Each
    // place added in front of the ones there takes over.
    void situations() {
#ifdef Q_OS_WIN
        QSKIP("Wine prefixes and names that keep letter case are Linux's");
#endif
        QStringList places;  // in the order they are searched
        for (const QString& root : {u"Program Files/"_s, u"Program Files (x86)/"_s}) {
            places += root + u"Garmin/MapSource/MapSource.exe"_s;
            places += root + u"MapSource/MapSource.exe"_s;
            places += root + u"Garmin/MapSource.exe"_s;
        }
        // Each run writes all names in one case (as given, lower, upper), so
        // that no two folders differ in case alone; one finds no WINEPREFIX
        // and takes ~/.wine.
        for (qsizetype first = places.size() - 1; first >= 0; --first) {
            const auto named = [first](const QString& place) {
                return (first == 4 ? u"home/.wine/drive_c/"_s : u"prefix/drive_c/"_s) +
                       (first % 3 == 0   ? place
                        : first % 3 == 1 ? place.toLower()
                                         : place.toUpper());
            };
            QString situation = first == 4 ? u"home wine"_s : QString();
            for (qsizetype i = first; i < places.size(); ++i) {
                situation += u"|program: "_s + named(places[i]);
            }
            const QString started = named(places[first]);
            QCOMPARE(Launch(situation), u"started %1|<file>; stored %2/; files 1 kept 1"_s.arg(
                                            started, started.section(u'/', 0, -2)));
        }

        const char* rows[][2] = {
            // A folder of MapSource's name is not it; an answer with a
            // wildcard cancels the dialog.
            {"program: prefix/drive_c/program files/garmin/mapsource.exe/x|program: Maps "
             "Right/mapsource.exe|answer: Maps Right/*.exe",
             "started -; stored -; asked 1; files 1 kept 0"},
            // The fake is a script the system runs itself: it is started directly.
            {"stored: Stored GPS|program: Stored GPS/mapsource.exe",
             "started Stored GPS/mapsource.exe|<file>; stored Stored GPS/; files 1 kept 1"},
            // The stored folder is not rewritten, and the file not kept.
            {"stored: Stored GPS|program: Stored GPS/mapsource.exe|failure: No",
             "started Stored GPS/mapsource.exe|<file>; stored Stored GPS; said Could not start "
             "Stored GPS/mapsource.exe:\r\nNo; files 1 kept 0"},
            // A stored folder without MapSource: the dialog, not the standard
            // places. It comes back until the right folder (letter case is
            // part of the name here).
            {"stored: removed/|standard|"
             "program: Maps Right/mapsource.exe|file: Maps Wrong/Other.exe|file: maps right/"
             "x.exe|answer: Maps Wrong/Other.exe|answer: Maps Right/Other.exe",
             "started Maps Right/mapsource.exe|<file>; stored Maps Right/; asked 2; files 1 "
             "kept 1"},
            {"file: f|temp: f/tmp",
             "started -; stored -; said Unable to create temporary file; files 0 kept 0"},
            {"gdb|file: f|temp: f/tmp",
             "started -; stored -; said Unable to create temporary GDB file; files 0 kept 0"},
            // The GDB launcher takes the stored text as it stands and never
            // looks in the standard places: without the separator
            // "mapsource.exe" joins the last component.
            {"gdb|stored: gps|program: gps/mapsource.exe|program: gpsmapsource.exe",
             "started gpsmapsource.exe|<file>; stored gps; files 1 kept 1"},
            // Where it finds nothing the user may locate MapSource; the folder
            // found is stored with its separator.
            {"gdb|standard|program: Maps Right/mapsource.exe|answer: Maps Right/mapsource.exe",
             "started Maps Right/mapsource.exe|<file>; stored Maps Right/; asked 1; files 1 "
             "kept 1"},
            // A Windows program runs through Wine, which sees the file on
            // drive Z:; without Wine that is said.
            {"stored: S/|windows: S/MapSource.exe|file: bin/wine|path: bin|temp: a b;c",
             "started bin/wine|S/MapSource.exe|Z:<windows file>; stored S/; files 1 kept 1"},
            {"stored: S/|windows: S/MapSource.exe|path: nowhere",
             "started -; stored S/; said MapSource (S/MapSource.exe) is a Windows program, and "
             "\"wine\", which starts Windows programs, was not found on PATH.; files 1 kept 0"},
        };
        for (const auto& [situation, expected] : rows) {
            QCOMPARE(Launch(QString::fromUtf8(situation)), QString::fromUtf8(expected));
        }
    }

    // Only our own files older than a day go.
    void dayOldCleanup() {
        QTemporaryDir dir;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QStringList kept =
            u"GDBxyz789.other.tmp MPS1234.tmp MPSfresh1.wayfold.tmp MPSlonger12.wayfold.tmp "
            u"notes.txt"_s.split(u' ');
        for (const QString& name :
             kept + QStringList{u"MPSabc123.wayfold.tmp"_s, u"GDBxyz789.wayfold.tmp"_s}) {
            QFile f(dir.filePath(name));
            QVERIFY(MakeFile(f.fileName(), "x") && f.open(QIODevice::ReadWrite));
            QVERIFY(name.contains(u"fresh"_s) || f.setFileTime(now.addDays(-2).toLocalTime(),
                                                               QFileDevice::FileModificationTime));
        }
        DeleteStaleTemporaryFiles(dir.path(), now);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), kept);
    }
};

QTEST_GUILESS_MAIN(MapSourceLauncherTest)
#include "test_mapsourcelauncher.moc"
