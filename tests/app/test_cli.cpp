// End-to-end runs of the built program: headless, with a recording stand-in
// for MapSource, with writes that fail, and with its window on the offscreen
// platform.
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "session/commandline.h"
#include "session/formats.h"
#include "support/fakes.h"

using namespace Qt::StringLiterals;

const QString kLakeside = QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx");

class CliTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Runs without MapSource: the exit status, what is printed where
    // (<settings> stands for the settings' place).
    void runs_data() {
        AddColumns<QString, QString, int, QString, QString>("arguments", "display", "status", "out",
                                                            "err");
        const QString usage = UsageText().replace(u"\r\n"_s, u"\n"_s);
        const QString help =
            usage +
            u"\n\n--headless : Work without a window, even when a display is "
            "available\n--version : Print the version\n--help : Show this usage\n"_s;
        const QString nothing = u"\nImported waypoints: 0 | Last Import: 0\n"_s;
        AddRow("headless /?", "--headless|/?", "", 0, help, "");
        // Nothing after the invalid flag is processed.
        AddRow("invalid flag", "--headless|x.txt|/help|y.txt", "", 2, "",
               u"Wayfold: Can't import files of type .TXT\n"_s + nothing +
                   u"Wayfold: Invalid flag detected\n\n"_s + usage + u'\n');
        AddRow("quit at once, display without server", "/q", ":99", 0, "", "");
        AddRow("version", "--version", "", 0, "Wayfold " WAYFOLD_VERSION "\n", "");
        // With nothing imported, no file is written and MapSource is not started.
        AddRow("nothing to export", "--headless|/s:new.mps|/x:new.gpx|/m|/6|/q", "", 1, "",
               u"Wayfold: No waypoints to export\n"_s.repeated(4));
        for (const char* flag : {"/m", "/6"}) {
            AddRow(flag, u"--headless|"_s + kLakeside + u'|' + QLatin1String(flag) + u"|/q"_s, "",
                   1, "",
                   u"Imported waypoints: 5 | Last Import: 5\nWayfold: MapSource was not found, so "
                   "it was not started.\nSet the value \"Mapsource_Dir\" (section \"Program "
                   "Settings\" in <settings>) to the folder that holds mapsource.exe.\n"_s);
        }
#ifndef Q_OS_WIN
        // Windows always has a display, where the window would open; its
        // command line holds at most 32767 characters.
        AddRow("no display, file before usage", "x.loc|--help", "", 0, help, "");
        AddRow("long and strange, display without server",
               QString(100000, u'x') + u".jpeg|Łódź.png|\"unterminated|/q"_s, ":99", 1, "",
               u"Wayfold: Can't import files of type .JPEG\n"_s + nothing +
                   u"Wayfold: Can't import files of type .PNG\n"_s + nothing);
#endif
    }
    void runs() {
        QFETCH(QString, arguments);
        QFETCH(QString, display);
        QFETCH(QString, err);
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(u"TMPDIR"_s, home.path());
        if (!display.isEmpty()) {
            environment.insert(u"DISPLAY"_s, display);
        }
        const ProgramRun r = RunProgram(arguments.split(u'|'), environment, home.path());
#ifdef Q_OS_WIN
        const QString settings = u"\\HKEY_CURRENT_USER\\Software\\Wayfold\\Wayfold"_s;
#else
        const QString settings = home.filePath(u"config/Wayfold/Wayfold.ini"_s);
#endif
        QTEST(r.status, "status");
        QTEST(r.out, "out");
        QCOMPARE(r.err, err.replace(u"<settings>"_s, settings));
        // Nothing was handed over, so nothing is left behind.
        QCOMPARE(QDir(home.path()).entryList(QDir::Files), QStringList());
    }

    // MapSource in the folder stored for it, with the GDB version stored
    // ("letter": the version's letter in the file) or, on Windows with
    // nothing stored, in a program folder that Windows names, which is
    // then stored as Windows writes it. No shell is involved anywhere: the
    // temporary folder's path, with a space and a ";", reaches MapSource
    // intact. The row names the file's kind first.
    void openInMapSource_data() {
        AddColumns<QString, QString, char, QString>("flag", "gdbVersion", "letter", "place");
        const QString stored = u"Fake GPS/mapsource.exe"_s;
        AddRow("MPS", "/m", "3", 'g', stored);
        AddRow("GDB", "/6", "", 'k', stored);
        AddRow("GDB version 3", "/6", "3", 'm', stored);
        AddRow("GDB version 2 is 1", "/6", "2", 'k', stored);
#ifdef Q_OS_WIN
        AddRow("MPS, Program Files", "/m", "", 'g', "ProgramFiles/Garmin/MapSource/MapSource.exe");
        AddRow("MPS, Program Files (x86)", "/m", "", 'g',
               "ProgramFiles(x86)/MapSource/MapSource.exe");
#endif
    }
    void openInMapSource() {
        QFETCH(QString, flag);
        QFETCH(QString, gdbVersion);
        QFETCH(QString, place);
        QTemporaryDir home;
        const QString program = home.filePath(place);
        const QString folder = QFileInfo(program).path();
        const QString temp = home.filePath(u"tmp dir;x"_s);
        QVERIFY(MakeFakeMapSource(program) && QDir().mkpath(temp));
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(u"TMPDIR"_s, temp);
        const bool stored = place.startsWith(u"Fake"_s);
        QVERIFY(!stored ||
                StoreProgramSettings(home.path(),
                                     {{u"Mapsource_Dir"_s, QDir::toNativeSeparators(folder + u'/')},
                                      {u"GdbVersion"_s, gdbVersion}}));
#ifdef Q_OS_WIN
        // A 64-bit program's ProgramFiles is made from ProgramW6432 as it starts.
        for (const char* name : {"ProgramFiles", "ProgramFiles(x86)"}) {
            environment.insert(QLatin1String(name),
                               QDir::toNativeSeparators(home.filePath(QLatin1String(name))));
        }
        environment.insert(u"ProgramW6432"_s, environment.value(u"ProgramFiles"_s));
#endif
        const ProgramRun r = RunProgram({u"--headless"_s, kLakeside, flag, u"/q"_s}, environment);
        QCOMPARE(r.status, 0);
        QVERIFY2(WaitForFile(folder + u"/done.txt"_s), qPrintable(r.err));
        // Started exactly once, with one argument: the temporary file, which
        // stays for MapSource although the program has ended.
        const QStringList handed = QDir(temp).entryList(
            {QLatin1String(QTest::currentDataTag()).first(3) + u"*.wayfold.tmp"_s});
        QCOMPARE(handed.size(), 1);
        QCOMPARE(FileBytes(folder + u"/args.txt"_s),
                 QDir::toNativeSeparators(QDir(temp).filePath(handed.front())).toUtf8() + '\n');
        // What MapSource got is the file the writer made, of the samples'
        // waypoints.
        const QByteArray copy = FileBytes(folder + u"/copy.bin"_s);
        QCOMPARE(copy, FileBytes(QDir(temp).filePath(handed.front())));
        QVERIFY(copy.contains("GC9WF01") && copy.contains("PK9WF01"));
        QTEST(copy.at(11), "letter");
#ifdef Q_OS_WIN
        QVERIFY(stored ||
                ProgramSettings(home.path())->value(u"Program Settings/Mapsource_Dir"_s) ==
                    QDir::toNativeSeparators(folder).toLower() + u'\\');
#endif
    }

    // With its window: a first start shows the home folder and stores it with
    // the first-run place when "/q" unloads the window; nothing else is stored.
    // On Windows the first-run folder is drive C:, and the store the registry.
    void windowStartsAndQuits() {
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        const auto stored = [&home] {
            const auto settings = ProgramSettings(home.path());
            QStringList values;
            for (const QString& key : settings->allKeys()) {
                values += key + u'=' + settings->value(key).toString();
            }
            return values;
        };
        // "/q" alone quits before the window opens, so nothing is stored.
        QVERIFY(RunProgram({u"/q"_s}, environment).status == 0 && stored().isEmpty());
        QCOMPARE(RunProgram({u"readme"_s, u"/q"_s}, environment).status, 0);
#ifdef Q_OS_WIN
        const QString folder = u"C:\\"_s;
#else
        const QString folder = home.path();
#endif
        QCOMPARE(stored(),
                 QStringList({u"Program Settings/ImportDir="_s + folder,
                              u"Program Settings/Left= 480"_s, u"Program Settings/Top= 480"_s}));
    }

    // Every writer through the program, over a file that is there already:
    // written whole; or a write that fails (tests/data/app/writefailure.sh
    // makes the failures in a mount namespace of its own), where the program
    // names the file and the reason, exits 1, and leaves the old file as it
    // was and nothing else beside it.
    void writes_data() {
        AddColumns<QString, QString, QByteArray>("flag", "failure", "start");
        const QMap<QByteArray, QByteArray> starts{
            {"gdb", QByteArray("MsRcf\0\x02\0\0\0Dk\0", 13)},
            {"ggz", "PK\3\4"},
            {"gpx", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<gpx "},
            {"loc", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
            {"mps", QByteArray("MsRcd\0", 6)},
            {"terrabyte", "TerraByte Location"}};
        for (const FileFormat& format : FileFormats()) {
            for (const char* failure : {"none", "full", "page", "read-only", "folder"}) {
                // Field notes are written from a device's visits, which no GPX file holds.
                if (format.write != nullptr && format.flag != 0 &&
                    qstrcmp(format.id, "fieldnotes")) {
                    QTest::addRow("%s, %s", format.id, failure)
                        << u"/%1:out put.%2"_s.arg(QChar::fromLatin1(format.flag))
                               .arg(QLatin1String(format.extension))
                        << QString::fromLatin1(failure) << starts.value(format.id);
                }
            }
        }
    }
    void writes() {
        QFETCH(QString, flag);
        QFETCH(QString, failure);
        QFETCH(QByteArray, start);
        QTemporaryDir dir;
        // Enough waypoints that every format's file spans several pages and
        // a GPX file is written in pieces.
        QByteArray gpx = "<gpx>";
        for (int i = 0; i < 2000; ++i) {
            gpx += "<wpt lat=\"47.5\" lon=\"7.5\"><name>GC" + QByteArray::number(i) +
                   "</name><desc>" + QByteArray(80, 'x') + "</desc></wpt>\n";
        }
        const QByteArray old("the old file\0\x01\xFF\n", 16);
        QVERIFY(MakeFile(dir.filePath(u"in put.gpx"_s), gpx + "</gpx>\n") &&
                MakeFile(dir.filePath(u"old"_s), old));
        const QString fileName = flag.mid(3);
        const bool fails = failure != u"none"_s;
#ifdef Q_OS_WIN
        if (fails) {
            QSKIP("The failures are made by a shell script, in a Linux mount namespace");
        }
#endif
        const QString target = fails ? dir.filePath(u"fs/target/"_s + fileName) : fileName;
        // Windows hands the program one text, which it splits itself: names
        // with blanks quoted, also after a flag, and flags in capitals.
        const QString text =
            u"--headless \"in put.gpx\" %1\"%2\" /Q"_s.arg(flag.left(3).toUpper(), target);
        QVERIFY(QFile::copy(dir.filePath(u"old"_s), dir.filePath(fileName)));
        QProcess p;
        p.setProcessEnvironment(ProgramEnvironment(dir.path()));
        p.setWorkingDirectory(dir.path());
        p.setProgram(fails ? u"sh"_s : QStringLiteral(WAYFOLD_PROGRAM));
#ifdef Q_OS_WIN
        p.setNativeArguments(text);
#else
        p.setArguments((fails
                            ? QStringList{QStringLiteral(WAYFOLD_TEST_DATA "/app/writefailure.sh"),
                                          failure, fileName, QStringLiteral(WAYFOLD_PROGRAM)}
                            : QStringList()) +
                       QProcess::splitCommand(text));
#endif
        p.start();
        QVERIFY(p.waitForFinished(120000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        if (!fails) {
            QVERIFY2(p.exitCode() == 0, qPrintable(err));
            QVERIFY(start.size() > 3 && FileBytes(dir.filePath(fileName)).startsWith(start));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                     QStringList({u"in put.gpx"_s, u"old"_s, fileName}));
            return;
        }
        if (p.exitCode() == 98) {
            QSKIP("no mount namespace: neither root nor allowed a user namespace");
        }
        QVERIFY2(p.exitCode() == 0, qPrintable(err));
        const QString reason = failure == u"folder"_s ? u"Filename refers to a directory"_s
                               : failure == u"read-only"_s
                                   ? u"Existing file %1 is not writable"_s.arg(target)
                                   : u"No space left on device"_s;
        QVERIFY2(err.contains(u"Wayfold: Could not write %1\nReason: %2\n"_s.arg(target, reason)),
                 qPrintable(err));
        // The script's output: the program's status, the target folder's
        // entries and the target's bytes.
        QCOMPARE(p.readAllStandardOutput(),
                 "1\n" + fileName.toUtf8() + '\n' + (failure == u"folder"_s ? QByteArray() : old));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
