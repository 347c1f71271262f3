// End-to-end runs of the built program: headless, with a recording stand-in
// for MapSource, and with its window on the offscreen platform.
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "session/commandline.h"
#include "support/testfiles.h"

const QString kLakeside = QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx");

class CliTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data() { AddCaseRows("../app/cliruns.txt"); }
    void runs() {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("TMPDIR"), home.path());
        QStringList arguments;
        for (const QString& line : QString::fromUtf8(document).split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("display: "))) {
                environment.insert(QStringLiteral("DISPLAY"), line.mid(9));
            } else if (line.startsWith(QLatin1String("posix: "))) {
#ifdef Q_OS_WIN
                QSKIP(qPrintable(line.mid(7)));
#endif
            } else {
                arguments =
                    line.mid(11)
                        .replace(QLatin1String("<examples>"), QLatin1String(WAYFOLD_EXAMPLES))
                        .replace(QLatin1String("<long>"), QString(100000, u'x'))
                        .split(u'|');
            }
        }
        const ProgramRun r = RunProgram(arguments, environment, home.path());
        QStringList got{QStringLiteral("status: %1").arg(r.status)};
        const QString usage =
            QString(UsageText()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        for (const auto& [stream, text] : {std::pair{QStringLiteral("out: "), r.out},
                                           std::pair{QStringLiteral("err: "), r.err}}) {
            if (text.isEmpty()) {
                continue;
            }
            QVERIFY2(text.endsWith(u'\n'), qPrintable(text));
            for (const QString& line :
                 QString(text).replace(usage, QStringLiteral("<usage>")).chopped(1).split(u'\n')) {
                got += stream + line;
            }
        }
#ifdef Q_OS_WIN
        const QString settings = QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                           QStringLiteral("Wayfold"), QStringLiteral("Wayfold"))
                                     .fileName();
#else
        const QString settings = home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini"));
#endif
        QCOMPARE(got, expected.replaceInStrings(QStringLiteral("<settings>"), settings)
                          .replaceInStrings(QStringLiteral("<home>"), home.path())
                          .replaceInStrings(QStringLiteral("<version>"),
                                            QStringLiteral(WAYFOLD_VERSION)));
        // Nothing was handed over, so nothing is left behind.
        QCOMPARE(QDir(home.path()).entryList(QDir::Files), QStringList());
    }

    // No shell is involved anywhere: the temporary folder's path, with a
    // space and a ";", reaches MapSource intact. The GDB format version
    // comes from the settings file ("gdbVersion": the letter expected); the
    // row names the file's kind first.
    void openInMapSource_data() {
        AddColumns<QString, QString, char>("flag", "gdbVersion", "letter");
        AddRow("MPS", "/m", "3", 'g');
        AddRow("GDB", "/6", "", 'k');
        AddRow("GDB version 3", "/6", "3", 'm');
        AddRow("GDB version 2 is 1", "/6", "2", 'k');
    }
    void openInMapSource() {
        QFETCH(QString, flag);
        QFETCH(QString, gdbVersion);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Fake GPS"));
        QVERIFY(MakeFakeMapSource(folder + QStringLiteral("/mapsource.exe")));
        const QString temp = home.filePath(QStringLiteral("tmp dir;x"));
        QVERIFY(QDir().mkpath(temp));
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("TMPDIR"), temp);
        QVERIFY(StoreProgramSettings(home.path(), {{QStringLiteral("Mapsource_Dir"),
                                                    QDir::toNativeSeparators(folder + u'/')},
                                                   {QStringLiteral("GdbVersion"), gdbVersion}}));
        const ProgramRun r = RunProgram(
            {QStringLiteral("--headless"), kLakeside, flag, QStringLiteral("/q")}, environment);
        QCOMPARE(r.status, 0);
        QVERIFY2(WaitForFile(folder + QStringLiteral("/done.txt")), qPrintable(r.err));
        // Started exactly once, with one argument: the temporary file, which
        // stays for MapSource although the program has ended.
        const QStringList handed = QDir(temp).entryList(
            {QLatin1String(QTest::currentDataTag()).first(3) + QStringLiteral("*.wayfold.tmp")});
        QCOMPARE(handed.size(), 1);
        QCOMPARE(FileBytes(folder + QStringLiteral("/args.txt")),
                 QDir::toNativeSeparators(QDir(temp).filePath(handed.front())).toUtf8() + '\n');
        // What MapSource got is the file the writer made, of the samples'
        // waypoints.
        const QByteArray copy = FileBytes(folder + QStringLiteral("/copy.bin"));
        QCOMPARE(copy, FileBytes(QDir(temp).filePath(handed.front())));
        QVERIFY(copy.contains("GC9WF01") && copy.contains("PK9WF01"));
        QTEST(copy.at(11), "letter");
    }

#ifdef Q_OS_WIN
    // Windows hands the program one text, which it splits itself: a quoted
    // name with blanks, a flag in capitals with its value quoted, a value
    // that names the current folder's file.
    void windowsCommandLine() {
        QTemporaryDir home;
        const QString folder = QDir::toNativeSeparators(home.filePath(QStringLiteral("my files")));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(kLakeside, folder + QStringLiteral("\\lake side.gpx")));
        QProcess p;
        p.setProcessEnvironment(ProgramEnvironment(home.path()));
        p.setWorkingDirectory(folder);
        p.setProgram(QStringLiteral(WAYFOLD_PROGRAM));
        p.setNativeArguments(QStringLiteral("--headless \"lake side.gpx\" /S:\"") + folder +
                             QStringLiteral("\\out put.mps\" /x:copy.gpx /Q"));
        p.start();
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(FileBytes(folder + QStringLiteral("\\out put.mps")).startsWith("MsRc"));
        QVERIFY(FileBytes(folder + QStringLiteral("\\copy.gpx")).contains("GC9WF01"));
    }

    // With nothing stored, MapSource is found in the program folders that
    // Windows names, the 64-bit one first; it is started on the file, and its
    // folder is stored as Windows writes it.
    void mapSourceInProgramFiles_data() {
        AddColumns<QString, QString>("variable", "place");
        AddRow("Program Files", QStringLiteral("ProgramFiles"),
               QStringLiteral("Garmin/MapSource/MapSource.exe"));
        AddRow("Program Files (x86)", QStringLiteral("ProgramFiles(x86)"),
               QStringLiteral("MapSource/MapSource.exe"));
    }
    void mapSourceInProgramFiles() {
        QFETCH(QString, variable);
        QFETCH(QString, place);
        QTemporaryDir home;
        const QString temp = home.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(temp));
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("TMPDIR"), temp);
        // A 64-bit program's ProgramFiles is made from ProgramW6432 as it starts.
        for (const char* name : {"ProgramFiles", "ProgramFiles(x86)"}) {
            const QString folder = home.filePath(QLatin1String(name));
            QVERIFY(QDir().mkpath(folder));
            environment.insert(QLatin1String(name), QDir::toNativeSeparators(folder));
        }
        environment.insert(QStringLiteral("ProgramW6432"),
                           environment.value(QStringLiteral("ProgramFiles")));
        const QString program = home.filePath(variable + u'/' + place);
        QVERIFY(MakeFakeMapSource(program));
        const QString folder = QFileInfo(program).path();
        const ProgramRun r = RunProgram(
            {QStringLiteral("--headless"), kLakeside, QStringLiteral("/m"), QStringLiteral("/q")},
            environment);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(WaitForFile(folder + QStringLiteral("/done.txt")));
        const QStringList handed = QDir(temp).entryList({QStringLiteral("MPS*.wayfold.tmp")});
        QCOMPARE(handed.size(), 1);
        QCOMPARE(FileBytes(folder + QStringLiteral("/args.txt")),
                 QDir::toNativeSeparators(QDir(temp).filePath(handed.front())).toUtf8() + '\n');
        QVERIFY(FileBytes(folder + QStringLiteral("/copy.bin")).contains("GC9WF01"));
        QCOMPARE(QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Wayfold\\Wayfold"),
                           QSettings::NativeFormat)
                     .value(QStringLiteral("Program Settings/Mapsource_Dir")),
                 QDir::toNativeSeparators(folder).toLower() + u'\\');
    }
#endif

    // With its window: a first start shows the home folder and stores it with
    // the first-run place when "/q" unloads the window; nothing else is stored.
    // On Windows the first-run folder is drive C:, and the store the registry.
    void windowStartsAndQuits() {
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QCOMPARE(RunProgram({QStringLiteral("readme"), QStringLiteral("/q")}, environment).status,
                 0);
#ifdef Q_OS_WIN
        QSettings stored(QStringLiteral("HKEY_CURRENT_USER\\Software\\Wayfold\\Wayfold\\"
                                        "Program Settings"),
                         QSettings::NativeFormat);
        QStringList values;
        for (const QString& key : stored.childKeys()) {
            values += key + u'=' + stored.value(key).toString();
        }
        QCOMPARE(values, QStringList({QStringLiteral("ImportDir=C:\\"), QStringLiteral("Left= 480"),
                                      QStringLiteral("Top= 480")}));
        return;
#endif
        QCOMPARE(FileBytes(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini"))),
                 "[Program%20Settings]\nImportDir=" + home.path().toUtf8() +
                     "\nLeft=\" 480\"\nTop=\" 480\"\n");
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
