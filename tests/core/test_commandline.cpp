#include <QtTest>

#include "core/commandline.h"
#include "support/fakes.h"

namespace {

// "kind:path" for each command and then the flags that are set, joined by
// "|", to compare whole plans at once.
QString Describe(const CommandLine& c) {
    static const char* const names[] = {"import", "mps",     "gdb",     "terrabyte", "loc",
                                        "gpx",    "openmps", "opengdb", "quit",      "invalid"};
    QStringList out;
    for (const Command& command : c.commands) {
        out.push_back(QString::fromLatin1(names[command.kind]) + QLatin1Char(':') + command.path);
    }
    const std::pair<bool, const char*> flags[] = {
        {c.quitAtOnce, "quit at once"}, {c.quitWhenDone, "quit when done"}, {c.showUsage, "usage"},
        {c.showVersion, "version"},     {c.headless, "headless"},           {c.empty, "empty"}};
    for (const auto& [set, name] : flags) {
        if (set) {
            out.push_back(QString::fromLatin1(name));
        }
    }
    return out.join(u'|');
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windows_data() {
        AddColumns<QString, QString>("line", "plan");
        AddRow("upper-case flags, path kept", "C:\\Data\\A.LOC /M /Q",
               "import:C:\\Data\\A.LOC|openmps:|quit:|quit when done");
        AddRow("quoted flag value", "a.loc /s:\"C:\\My Files\\Out.mps\" /q",
               "import:C:\\Work\\a.loc|mps:C:\\My Files\\Out.mps|quit:|quit when done");
        AddRow("three quoted flag values", "/l:\"a b.loc\" /e:\"c d.loc\" /X:\"e f.gpx\"",
               "loc:a b.loc|terrabyte:c d.loc|gpx:e f.gpx");
        AddRow("quoted file", "\"C:\\my files\\a.loc\"   b.gpx",
               "import:C:\\my files\\a.loc|import:C:\\Work\\b.gpx");
        AddRow("leading backslash", "\\x\\a.loc", "import:C:\\Work\\x\\a.loc");
        AddRow("no dot ignored", "readme", "");
        AddRow("invalid flag ends", "a.loc /z b.loc", "import:C:\\Work\\a.loc|invalid:/z");
        AddRow("slash inside is a flag", "data/a.loc", "invalid:data/a.loc");
        AddRow("flag letter after a folder name", "geocaches/a.loc", "invalid:geocaches/a.loc");
        AddRow("third character not examined", "/sxout.mps", "mps:out.mps");
        AddRow("usage anywhere", "x.loc /?", "import:C:\\Work\\x.loc|invalid:/?|usage");
        AddRow("headless is ours", "--headless a.gpx", "import:C:\\Work\\a.gpx|headless");
        // "/q" alone ends the program before anything is processed.
        AddRow("quit alone", " /Q ", "quit at once|empty");
        AddRow("quit with a file", "/q a.loc", "quit:|import:C:\\Work\\a.loc|quit when done");
        AddRow("nothing", "", "empty");
    }
    void windows() {
        QFETCH(QString, line);
        QTEST(Describe(ParseWindowsCommandLine(line, QStringLiteral("C:\\Work"))), "plan");
    }

    void posix_data() {
        // The arguments in "line" are separated by "|".
        AddColumns<QString, QString>("line", "plan");
        AddRow("absolute and relative", "/data/A.LOC|b.gpx|/M|/Q",
               "import:/data/A.LOC|import:/home/u/b.gpx|openmps:|quit:|quit when done");
        AddRow("writers keep the case of their paths",
               "x.gpx|/S:Out Dir/A.mps|/g:/tmp/B.gdb|/l:c.loc|/e:d.loc|/X:E.gpx|/6",
               "import:/home/u/x.gpx|mps:Out Dir/A.mps|gdb:/tmp/B.gdb|loc:c.loc|terrabyte:d.loc|"
               "gpx:E.gpx|opengdb:");
        AddRow("no dot in the file name", "./my.dir/gc12|readme", "");
        AddRow("invalid flag ends", "a.loc|/z|b.loc", "import:/home/u/a.loc|invalid:/z");
        // Without a further "/" the first two characters choose the flag.
        AddRow("flag words", "/sxout.mps|/Quit", "mps:out.mps|quit:|quit when done");
        AddRow("flag word not known", "/help|b.gpx", "invalid:/help");
        AddRow("root folder file", "/abc.gpx", "invalid:/abc.gpx");
        AddRow("unknown long option", "--frobnicate", "invalid:--frobnicate");
        AddRow("non-ASCII", "Łódź café.gpx", "import:/home/u/Łódź café.gpx");
        AddRow("help", "x.loc|--help", "import:/home/u/x.loc|usage");
        AddRow("usage", "/?", "invalid:/?|usage");
        AddRow("empty flag value", "/s:", "mps:");
        AddRow("quit alone", "/q", "quit:|quit at once|quit when done");
        AddRow("headless quit", "--headless|/Q", "quit:|quit at once|quit when done|headless");
        AddRow("quit with a file", "/q|a.gpx", "quit:|import:/home/u/a.gpx|quit when done");
        AddRow("nothing", "", "empty");
        AddRow("headless alone", "--headless", "headless|empty");
    }
    void posix() {
        QFETCH(QString, line);
        const QStringList arguments = line.isEmpty() ? QStringList() : line.split(u'|');
        QTEST(Describe(ParsePosixArguments(arguments, QStringLiteral("/home/u"))), "plan");
    }

    void usageText() {
        const QStringList lines = UsageText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 15);
        QCOMPARE(lines.front(), QStringLiteral("Usage: "));
        QCOMPARE(lines.at(2), QString());
        QCOMPARE(lines.back(),
                 QStringLiteral("Filenames with spaces much be eclosed in double-quotes (\"\")"));
    }

    // The end-to-end runs of the program check the other statuses and messages.
    void emptyWriterPath() {
        TestSession t;
        const CommandLine c = ParsePosixArguments({QStringLiteral("/s:")}, QStringLiteral("/t"));
        QCOMPARE(RunCommands(t.session, c), 1);
        QCOMPARE(t.frontend.messageTexts(),
                 QStringList{QStringLiteral("No file name given after the flag; write it as "
                                            "/s:file, /g:file, /e:file, /l:file or /x:file.")});
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
