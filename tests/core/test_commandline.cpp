#include <QtTest>

#include "core/commandline.h"
#include "support/fakes.h"

Q_DECLARE_METATYPE(Command::Kind)

namespace {

// "kind:path" for each command, to compare whole plans in one go.
QStringList Describe(const CommandLine& c) {
    QStringList out;
    for (const Command& command : c.commands) {
        static const char* const names[] = {"import",  "mps",     "gdb",  "terrabyte", "loc",
                                            "openmps", "opengdb", "quit", "invalid"};
        out.push_back(QString::fromLatin1(names[command.kind]) + QLatin1Char(':') + command.path);
    }
    return out;
}

}  // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<bool>("quitWhenDone");
        QTest::addColumn<bool>("showUsage");
        const QString cwd = QStringLiteral("C:\\Work");
        Q_UNUSED(cwd);
        QTest::newRow("upper-case flags, path kept")
            << QStringLiteral("C:\\Data\\A.LOC /M /Q")
            << QStringList{QStringLiteral("import:C:\\Data\\A.LOC"), QStringLiteral("openmps:"),
                           QStringLiteral("quit:")}
            << true << false;
        QTest::newRow("quoted flag value")
            << QStringLiteral("a.loc /s:\"C:\\My Files\\Out.mps\" /q")
            << QStringList{QStringLiteral("import:C:\\Work\\a.loc"),
                           QStringLiteral("mps:C:\\My Files\\Out.mps"), QStringLiteral("quit:")}
            << true << false;
        QTest::newRow("two quoted flag values")
            << QStringLiteral("/l:\"a b.loc\" /e:\"c d.loc\"")
            << QStringList{QStringLiteral("loc:a b.loc"), QStringLiteral("terrabyte:c d.loc")}
            << false << false;
        QTest::newRow("quoted file") << QStringLiteral("\"C:\\my files\\a.loc\"   b.gpx")
                                     << QStringList{QStringLiteral("import:C:\\my files\\a.loc"),
                                                    QStringLiteral("import:C:\\Work\\b.gpx")}
                                     << false << false;
        QTest::newRow("leading backslash")
            << QStringLiteral("\\x\\a.loc")
            << QStringList{QStringLiteral("import:C:\\Work\\x\\a.loc")} << false << false;
        QTest::newRow("no dot ignored")
            << QStringLiteral("readme") << QStringList{} << false << false;
        QTest::newRow("invalid flag ends")
            << QStringLiteral("a.loc /x b.loc")
            << QStringList{QStringLiteral("import:C:\\Work\\a.loc"), QStringLiteral("invalid:/x")}
            << false << false;
        QTest::newRow("slash inside is a flag")
            << QStringLiteral("data/a.loc") << QStringList{QStringLiteral("invalid:data/a.loc")}
            << false << false;
        QTest::newRow("third character not examined")
            << QStringLiteral("/sxout.mps") << QStringList{QStringLiteral("mps:out.mps")} << false
            << false;
        QTest::newRow("usage anywhere")
            << QStringLiteral("x.loc /?")
            << QStringList{QStringLiteral("import:C:\\Work\\x.loc"), QStringLiteral("invalid:/?")}
            << false << true;
        QTest::newRow("headless is ours")
            << QStringLiteral("--headless a.gpx")
            << QStringList{QStringLiteral("import:C:\\Work\\a.gpx")} << false << false;
    }
    void windows() {
        QFETCH(QString, text);
        const CommandLine c = ParseWindowsCommandLine(text, QStringLiteral("C:\\Work"));
        QTEST(Describe(c), "plan");
        QTEST(c.quitWhenDone, "quitWhenDone");
        QTEST(c.showUsage, "showUsage");
        QVERIFY(!c.quitAtOnce);
    }

    void windowsQuitAlone() {
        QVERIFY(ParseWindowsCommandLine(QStringLiteral(" /Q "), QString()).quitAtOnce);
        QVERIFY(!ParseWindowsCommandLine(QStringLiteral("/q a.loc"), QString()).quitAtOnce);
        QVERIFY(ParseWindowsCommandLine(QString(), QString()).empty);
    }

    void posix_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<bool>("quitWhenDone");
        QTest::addColumn<bool>("showUsage");
        QTest::newRow("absolute and relative")
            << QStringList{QStringLiteral("/data/A.LOC"), QStringLiteral("b.gpx"),
                           QStringLiteral("/M"), QStringLiteral("/Q")}
            << QStringList{QStringLiteral("import:/data/A.LOC"),
                           QStringLiteral("import:/home/u/b.gpx"), QStringLiteral("openmps:"),
                           QStringLiteral("quit:")}
            << true << false;
        QTest::newRow("writers keep the case of their paths")
            << QStringList{QStringLiteral("x.gpx"),         QStringLiteral("/S:Out Dir/A.mps"),
                           QStringLiteral("/g:/tmp/B.gdb"), QStringLiteral("/l:c.loc"),
                           QStringLiteral("/e:d.loc"),      QStringLiteral("/6")}
            << QStringList{QStringLiteral("import:/home/u/x.gpx"),
                           QStringLiteral("mps:Out Dir/A.mps"),
                           QStringLiteral("gdb:/tmp/B.gdb"),
                           QStringLiteral("loc:c.loc"),
                           QStringLiteral("terrabyte:d.loc"),
                           QStringLiteral("opengdb:")}
            << false << false;
        QTest::newRow("no dot in the file name")
            << QStringList{QStringLiteral("./my.dir/gc12"), QStringLiteral("readme")}
            << QStringList{} << false << false;
        QTest::newRow("invalid flag ends")
            << QStringList{QStringLiteral("a.loc"), QStringLiteral("/x"), QStringLiteral("b.loc")}
            << QStringList{QStringLiteral("import:/home/u/a.loc"), QStringLiteral("invalid:/x")}
            << false << false;
        QTest::newRow("unknown long option")
            << QStringList{QStringLiteral("--frobnicate")}
            << QStringList{QStringLiteral("invalid:--frobnicate")} << false << false;
        QTest::newRow("long path is a file")
            << QStringList{QStringLiteral("/ab/c.gpx")}
            << QStringList{QStringLiteral("import:/ab/c.gpx")} << false << false;
        QTest::newRow("non-ASCII")
            << QStringList{QString::fromUtf8("Łódź café.gpx")}
            << QStringList{QString::fromUtf8("import:/home/u/Łódź café.gpx")} << false << false;
        QTest::newRow("help") << QStringList{QStringLiteral("x.loc"), QStringLiteral("--help")}
                              << QStringList{QStringLiteral("import:/home/u/x.loc")} << false
                              << true;
        QTest::newRow("usage") << QStringList{QStringLiteral("/?")}
                               << QStringList{QStringLiteral("invalid:/?")} << false << true;
        QTest::newRow("empty flag value") << QStringList{QStringLiteral("/s:")}
                                          << QStringList{QStringLiteral("mps:")} << false << false;
    }
    void posix() {
        QFETCH(QStringList, arguments);
        const CommandLine c = ParsePosixArguments(arguments, QStringLiteral("/home/u"));
        QTEST(Describe(c), "plan");
        QTEST(c.quitWhenDone, "quitWhenDone");
        QTEST(c.showUsage, "showUsage");
    }

    void posixSpecialCases() {
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

    void invalidFlagStopsTheRun() {
        TestSession t;
        const CommandLine c = ParsePosixArguments(
            {QStringLiteral("a.jpeg"), QStringLiteral("/x"), QStringLiteral("b.jpeg")},
            QStringLiteral("/tmp"));
        QCOMPARE(RunCommands(t.session, c), 2);
        QCOMPARE(t.frontend.messages.size(), size_t(2));
        QCOMPARE(t.frontend.messages[0].text,
                 QStringLiteral("Can't import files of type .JPEG\r\n"));
        QCOMPARE(t.frontend.messages[1].text,
                 QStringLiteral("Invalid flag detected\r\n\r\n") + UsageText());
        QCOMPARE(t.frontend.messages[1].title, QStringLiteral("Wayfold"));
        QCOMPARE(t.session.lastImportBaseName, QStringLiteral("a"));
    }

    void statusReflectsProblems() {
        TestSession t;
        QCOMPARE(RunCommands(t.session, ParsePosixArguments({QStringLiteral("/q")}, QString())), 0);
        QVERIFY(t.session.QuitWhenDone);
        TestSession u;
        QCOMPARE(RunCommands(u.session, ParsePosixArguments({QStringLiteral("x.tar.gz")},
                                                            QStringLiteral("/t"))),
                 1);
        QCOMPARE(u.frontend.messages.front().text,
                 QStringLiteral("Can't import files of type .GZ\r\n"));
        QCOMPARE(u.frontend.panel1, QStringLiteral("Imported waypoints: 0"));
        QCOMPARE(u.frontend.panel2, QStringLiteral("Last Import: 0"));
        QCOMPARE(u.frontend.exportCaption, QStringLiteral("Export New File - 0 waypoints"));
        QCOMPARE(u.frontend.clearCaptions.back(), QStringLiteral("Clear Imports"));
    }

    void emptyWriterPathIsReported() {
        TestSession t;
        QCOMPARE(RunCommands(t.session, ParsePosixArguments({QStringLiteral("/s:")}, QString())),
                 1);
        QCOMPARE(t.frontend.messages.size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_commandline.moc"
