// End-to-end runs of the built program: headless, with a recording stand-in
// for MapSource, and with its window on the offscreen platform.
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "core/commandline.h"
#include "mapsource/gdbreader.h"
#include "mapsource/mpsreader.h"
#include "support/testfiles.h"

namespace {

// A message as the console writes it: title, ": " and the text with line breaks.
QString Console(const QString& title, const QString& text) {
    return title + QStringLiteral(": ") +
           QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")) + u'\n';
}

QString NotImported(const char* type) {
    return Console(QStringLiteral("Wayfold"),
                   QStringLiteral("Can't import files of type %1\r\n").arg(QLatin1String(type))) +
           QStringLiteral("Imported waypoints: 0 | Last Import: 0\n");
}

const QString kLakeside = QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx");

}  // namespace

class CliTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runs_data() {
        // Arguments are separated by "|"; an empty display is none.
        AddColumns<QString, QString, int, QString, QString>("arguments", "display", "status", "out",
                                                            "err");
        // Without a window the usage is the program's output, with the long options.
        const QString usage =
            QString(UsageText()).replace(QLatin1String("\r\n"), QLatin1String("\n")) +
            QStringLiteral(
                "\n\n--headless : Work without a window, even when a "
                "display is available\n--version : Print the "
                "version\n--help : Show this usage\n");
        AddRow("headless /?", "--headless|/?", "", 0, usage, "");
        // No display and no --headless: the program finds out by itself.
        AddRow("no display", "/?", "", 0, usage, "");
        AddRow("file before usage", "x.loc|--help", "", 0, usage, "");
        // Nothing after the invalid flag is processed.
        AddRow("invalid flag", "--headless|x.txt|/help|y.txt", "", 2, "",
               NotImported(".TXT") +
                   Console(QStringLiteral("Wayfold"),
                           QStringLiteral("Invalid flag detected\r\n\r\n") + UsageText()));
        AddRow("quit alone, display without server", "/q", ":99", 0, "", "");
        AddRow("display without server: headless", "nothing.txt|/q", ":99", 1, "",
               NotImported(".TXT"));
        AddRow("long and strange arguments",
               QStringLiteral("--headless|%1.jpeg|Łódź.png|\"unterminated|/q")
                   .arg(QStringLiteral("x").repeated(100000)),
               "", 1, "", NotImported(".JPEG") + NotImported(".PNG"));
        AddRow("version", "--version", "", 0, "Wayfold " WAYFOLD_VERSION "\n", "");
        // Without MapSource the run says what to set.
        for (const char* flag : {"/m", "/6"}) {
            QTest::addRow("no MapSource, %s", flag)
                << QStringLiteral("--headless|%1|%2|/q").arg(kLakeside, QLatin1String(flag))
                << QString() << 1 << QString()
                << QStringLiteral("Imported waypoints: 5 | Last Import: 5\n") +
                       Console(QStringLiteral("Wayfold"),
                               QStringLiteral("MapSource was not found, so it was not started.\r\n"
                                              "Set the value \"Mapsource_Dir\" (section \"Program "
                                              "Settings\" in %1/config/Wayfold/Wayfold.ini) to the "
                                              "folder that holds mapsource.exe."));
        }
    }
    void runs() {
        QFETCH(QString, arguments);
        QFETCH(QString, display);
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("TMPDIR"), home.path());
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        const ProgramRun r = RunProgram(arguments.split(u'|'), environment, home.path());
        QTEST(r.status, "status");
        QTEST(r.out, "out");
        QFETCH(QString, err);
        QCOMPARE(r.err, QString(err).replace(QLatin1String("%1"), home.path()));
        // Nothing was handed over, so nothing is left behind.
        QCOMPARE(QDir(home.path()).entryList(QDir::Files), QStringList());
    }

    // No shell is involved anywhere: the temporary folder's path, with a
    // space and a ";", reaches MapSource intact. The GDB format version
    // comes from the settings file ("gdbVersion": the letter expected).
    void openInMapSource_data() {
        AddColumns<QString, QString, char>("flag", "gdbVersion", "letter");
        AddRow("mps", "/m", "3", 'g');
        AddRow("gdb", "/6", "", 'k');
        AddRow("gdb version 3", "/6", "3", 'm');
        AddRow("gdb version 2 is 1", "/6", "2", 'k');
    }
    void openInMapSource() {
        QFETCH(QString, flag);
        QFETCH(QString, gdbVersion);
        QTemporaryDir home;
        const QString folder = home.filePath(QStringLiteral("Fake GPS"));
        QVERIFY(MakeFakeMapSource(folder + QStringLiteral("/mapsource.exe")));
        QVERIFY(MakeFile(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                         "[Program Settings]\nMapsource_Dir=" + folder.toUtf8() +
                             "/\nGdbVersion=" + gdbVersion.toUtf8() + '\n'));
        const QString temp = home.filePath(QStringLiteral("tmp dir;x"));
        QVERIFY(QDir().mkpath(temp));
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("TMPDIR"), temp);
        const ProgramRun r = RunProgram(
            {QStringLiteral("--headless"), kLakeside, flag, QStringLiteral("/q")}, environment);
        QCOMPARE(r.status, 0);
        QVERIFY2(WaitForFile(folder + QStringLiteral("/done.txt")), qPrintable(r.err));
        // Started exactly once, with one argument: the temporary file, which
        // stays for MapSource although the program has ended.
        const QStringList handed = QDir(temp).entryList(
            {(flag == QLatin1String("/m") ? QStringLiteral("MPS") : QStringLiteral("GDB")) +
             QStringLiteral("*.wayfold.tmp")});
        QCOMPARE(handed.size(), 1);
        QCOMPARE(FileBytes(folder + QStringLiteral("/args.txt")),
                 QDir(temp).filePath(handed.front()).toUtf8() + '\n');
        // What MapSource got is the file the writer made.
        const QByteArray copy = FileBytes(folder + QStringLiteral("/copy.bin"));
        QTEST(copy.at(11), "letter");
        WaypointStore back;
        RecordingProgress progress;
        const ImportResult read = (flag == QLatin1String("/m") ? ReadMpsBytes : ReadGdbBytes)(
            copy, QStringLiteral("copy"), back, progress);
        QVERIFY(read.messages.empty());
        QCOMPARE(Names(back).first(2),
                 (QStringList{QStringLiteral("GC9WF01"), QStringLiteral("GC9WF02")}));
        QCOMPARE(read.result, 5);
    }

    // With its window: a first start shows the home folder and stores it with
    // the first-run place when "/q" unloads the window; nothing else is stored.
    void windowStartsAndQuits() {
        QTemporaryDir home;
        QProcessEnvironment environment = ProgramEnvironment(home.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QCOMPARE(RunProgram({QStringLiteral("readme"), QStringLiteral("/q")}, environment).status,
                 0);
        QSettings stored(home.filePath(QStringLiteral("config/Wayfold/Wayfold.ini")),
                         QSettings::IniFormat);
        stored.beginGroup(QStringLiteral("Program Settings"));
        QCOMPARE(stored.allKeys().join(u','), QStringLiteral("ImportDir,Left,Top"));
        QCOMPARE(stored.value(QStringLiteral("ImportDir")).toString(), home.path());
        QCOMPARE(stored.value(QStringLiteral("Top")).toString(), QStringLiteral(" 480"));
        QCOMPARE(stored.value(QStringLiteral("Left")).toString(), QStringLiteral(" 480"));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
