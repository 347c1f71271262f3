#include <QtTest>

#include "core/commandline.h"
#include "support/fakes.h"

namespace {

// "kind:path" for each command, joined by "|", to compare whole plans at once.
QString Describe(const CommandLine& c) {
    static const char* const names[] = {"import",  "mps",     "gdb",  "terrabyte", "loc",
                                        "openmps", "opengdb", "quit", "invalid"};
    QStringList out;
    for (const Command& command : c.commands) {
        out.push_back(QString::fromLatin1(names[command.kind]) + QLatin1Char(':') + command.path);
    }
    return out.join(u'|');
}

void AddPlanColumns() {
    // POSIX arguments in "line" are separated by "|".
    AddColumns<QString, QString, bool, bool>("line", "plan", "quitWhenDone", "showUsage");
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

    static void checkPlan(const CommandLine& c) {
        QTEST(Describe(c), "plan");
        QTEST(c.quitWhenDone, "quitWhenDone");
        QTEST(c.showUsage, "showUsage");
        QVERIFY(!c.quitAtOnce);
    }

private Q_SLOTS:
    void windows_data() {
        AddPlanColumns();
        AddRow("upper-case flags, path kept", "C:\\Data\\A.LOC /M /Q",
               "import:C:\\Data\\A.LOC|openmps:|quit:", true, false);
        AddRow("quoted flag value", "a.loc /s:\"C:\\My Files\\Out.mps\" /q",
               "import:C:\\Work\\a.loc|mps:C:\\My Files\\Out.mps|quit:", true, false);
        AddRow("two quoted flag values", "/l:\"a b.loc\" /e:\"c d.loc\"",
               "loc:a b.loc|terrabyte:c d.loc", false, false);
        AddRow("quoted file", "\"C:\\my files\\a.loc\"   b.gpx",
               "import:C:\\my files\\a.loc|import:C:\\Work\\b.gpx", false, false);
        AddRow("leading backslash", "\\x\\a.loc", "import:C:\\Work\\x\\a.loc", false, false);
        AddRow("no dot ignored", "readme", "", false, false);
        AddRow("invalid flag ends", "a.loc /x b.loc", "import:C:\\Work\\a.loc|invalid:/x", false,
               false);
        AddRow("slash inside is a flag", "data/a.loc", "invalid:data/a.loc", false, false);
        AddRow("third character not examined", "/sxout.mps", "mps:out.mps", false, false);
        AddRow("usage anywhere", "x.loc /?", "import:C:\\Work\\x.loc|invalid:/?", false, true);
        AddRow("headless is ours", "--headless a.gpx", "import:C:\\Work\\a.gpx", false, false);
    }
    void windows() {
        QFETCH(QString, line);
        checkPlan(ParseWindowsCommandLine(line, QStringLiteral("C:\\Work")));
    }

    void posix_data() {
        AddPlanColumns();
        AddRow("absolute and relative", "/data/A.LOC|b.gpx|/M|/Q",
               "import:/data/A.LOC|import:/home/u/b.gpx|openmps:|quit:", true, false);
        AddRow("writers keep the case of their paths",
               "x.gpx|/S:Out Dir/A.mps|/g:/tmp/B.gdb|/l:c.loc|/e:d.loc|/6",
               "import:/home/u/x.gpx|mps:Out Dir/A.mps|gdb:/tmp/B.gdb|loc:c.loc|terrabyte:d.loc|"
               "opengdb:",
               false, false);
        AddRow("no dot in the file name", "./my.dir/gc12|readme", "", false, false);
        AddRow("invalid flag ends", "a.loc|/x|b.loc", "import:/home/u/a.loc|invalid:/x", false,
               false);
        AddRow("unknown long option", "--frobnicate", "invalid:--frobnicate", false, false);
        AddRow("long path is a file", "/ab/c.gpx", "import:/ab/c.gpx", false, false);
        AddRow("non-ASCII", "Łódź café.gpx", "import:/home/u/Łódź café.gpx", false, false);
        AddRow("help", "x.loc|--help", "import:/home/u/x.loc", false, true);
        AddRow("usage", "/?", "invalid:/?", false, true);
        AddRow("empty flag value", "/s:", "mps:", false, false);
    }
    void posix() {
        QFETCH(QString, line);
        checkPlan(ParsePosixArguments(line.split(u'|'), QStringLiteral("/home/u")));
    }

    void specialCases() {
        QVERIFY(ParseWindowsCommandLine(QStringLiteral(" /Q "), QString()).quitAtOnce);
        QVERIFY(!ParseWindowsCommandLine(QStringLiteral("/q a.loc"), QString()).quitAtOnce);
        QVERIFY(ParseWindowsCommandLine(QString(), QString()).empty);
        QVERIFY(ParsePosixArguments({QStringLiteral("/q")}, QString()).quitAtOnce);
        QVERIFY(ParsePosixArguments({QStringLiteral("--headless"), QStringLiteral("/Q")}, QString())
                    .quitAtOnce);
        QVERIFY(!ParsePosixArguments({QStringLiteral("/q"), QStringLiteral("a.gpx")}, QString())
                     .quitAtOnce);
        QVERIFY(ParsePosixArguments({}, QString()).empty);
        QVERIFY(ParsePosixArguments({QStringLiteral("--headless")}, QString()).headless);
        QVERIFY(ParsePosixArguments({QStringLiteral("--version")}, QString()).showVersion);
        QVERIFY(!ParsePosixArguments({QStringLiteral("readme")}, QString()).empty);
    }

    void usageText() {
        const QStringList lines = UsageText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines.front(), QStringLiteral("Usage: "));
        QCOMPARE(lines.at(2), QString());
        QCOMPARE(lines.back(),
                 QStringLiteral("Filenames with spaces much be eclosed in double-quotes (\"\")"));
    }

    void runCommands_data() {
        // Messages are separated by "|".
        AddColumns<QString, int, QString>("line", "status", "messages");
        // Nothing after the invalid flag is processed.
        AddRow(
            "invalid flag", "a.jpeg|/x|b.jpeg", 2,
            QStringLiteral("Can't import files of type .JPEG\r\n|Invalid flag detected\r\n\r\n") +
                UsageText());
        AddRow("empty writer path", "/s:", 1,
               "No file name given after the flag; write it as "
               "/s:file, /g:file, /e:file or /l:file.");
        AddRow("quit", "/q", 0, "");
    }
    void runCommands() {
        QFETCH(QString, line);
        QFETCH(QString, messages);
        TestSession t;
        QTEST(RunCommands(t.session, ParsePosixArguments(line.split(u'|'), QStringLiteral("/t"))),
              "status");
        QCOMPARE(t.frontend.messageTexts().join(u'|'), messages);
        QCOMPARE(t.session.QuitWhenDone, line == QLatin1String("/q"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
