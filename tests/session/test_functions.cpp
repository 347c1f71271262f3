// The text, number, time and command-line helpers, the store's own rules
// and the checks before an export.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>
#include <ctime>

#include "core/ansi.h"
#include "core/textutil.h"
#include "session/commandline.h"
#include "session/exportdispatch.h"
#include "session/exporter.h"
#include "session/formats.h"
#include "session/importer.h"
#include "session/timeentry.h"
#include "support/fakes.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// What f makes of each input, as text.
template <typename F>
QStringList Each(const QStringList& inputs, F f) {
    QStringList out;
    for (const QString& in : inputs) {
        out += f(in);
    }
    return out;
}

// The commands as "kind:path" and then the flags that are set, joined by "|".
QString Describe(const CommandLine& c) {
    const QStringList names = u"import - - quit invalid"_s.split(u' ');
    QStringList out;
    for (const Command& command : c.commands) {
        out += (command.format        ? QLatin1String(command.format->id)
                : command.destination ? u"open"_s + QLatin1String(command.destination->format)
                                      : names[command.kind]) +
               u':' + command.path;
    }
    const std::pair<bool, const char*> flags[] = {
        {c.quitAtOnce, "quit at once"}, {c.quitWhenDone, "quit when done"}, {c.showUsage, "usage"},
        {c.showVersion, "version"},     {c.headless, "headless"},           {c.empty, "empty"}};
    for (const auto& [set, name] : flags) {
        out += set ? QStringList{QString::fromLatin1(name)} : QStringList();
    }
    return out.join(u'|');
}

// The arguments of other systems, separated by "|", in /home/u.
CommandLine Posix(const QString& arguments) {
    return ParsePosixArguments(arguments.isEmpty() ? QStringList() : arguments.split(u'|'),
                               u"/home/u"_s);
}

// Each message shown as "title [icon buttons] text".
QString Shown(const TestSession& t) {
    QStringList out;
    for (const UserMessage& m : t.frontend.messages) {
        out += u"%1 [%2 %3] %4"_s.arg(m.title).arg(int(m.icon)).arg(int(m.buttons)).arg(m.text);
    }
    return out.join(u" + "_s);
}

const QString kDateEntryError =
    u"Date entry error [2 2] Invalid time entry!\r\nTime format MUST be dd/mm/yyyy HH:mm:ss.\r\nLeading zeros (e.g. 06) must be included, and date must be between 01/01/1970 and 31/12/2037.\r\n\r\nWould you like to set to the current time?"_s;

}  // namespace

class FunctionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An instant that does not exist in Los Angeles local time does in UTC.
    void initTestCase() {
        qputenv("TZ", "America/Los_Angeles");
        tzset();
    }

    void textsAndNumbers() {
        // Dates are padded to two places, the year not at all.
        QCOMPARE(ZeroPad(-5, 3) + u' ' + ZeroPad(-123, 2), u"-005 -123"_s);
        QCOMPARE(DateTimeText(QDateTime(QDate(800, 3, 4), QTime(5, 6, 7), QTimeZone::utc())),
                 u"04/03/800 05:06:07"_s);
        // Seconds since 1970 and 13, none when invalid.
        const auto seconds = [](const QString& text) {
            return QString::number(ManualTimeSeconds(text).value_or(-1));
        };
        QCOMPARE(
            Each({u"01/01/1970 00:00:10"_s, u"31/12/2037 23:59:59"_s, u"08/03/2026 02:30:00"_s},
                 seconds),
            QStringList({u"23"_s, u"2145916812"_s, u"1772937013"_s}));
        QCOMPARE(Each(u"31/02/2010 00:00:00|01/13/2010 00:00:00|01/01/2010 24:00:00|01/01/2010 "
                      u"00:00:00Z|2010-01-01 00:00:00"_s.split(u'|'),
                      seconds),
                 QStringList(5, u"-1"_s));

        const auto leading = [](const QString& text) {
            return QString::number(LeadingNumber(text), 'g', 17);
        };
        QCOMPARE(Each(u"51.5N|+5|  480|1.5e2|12e|.5|4٥|-1e400"_s.split(u'|'), leading),
                 u"51.5|5|480|150|12|0.5|4|-1.7976931348623157e+308"_s.split(u'|'));
        QCOMPARE(Each({u"abc"_s, u"inf"_s, u"nan"_s, u"0x10"_s, u"1e-400"_s,
                       u"0."_s + QString(400, u'0') + u'1'},
                      leading),
                 QStringList(6, u"0"_s));
        QCOMPARE(Each({u"1e400"_s, QString(400, u'9')}, leading),
                 QStringList(2, u"1.7976931348623157e+308"_s));

        // Degrees to semicircles: clamped, NaN 0, halves to the even neighbour.
        const auto semicircles = [](const QString& text) {
            return QString::number(DegreesToSemicircles(text.toDouble()));
        };
        QCOMPARE(Each(u"90 -180 -1e300 180 1e300 nan 4.1909515857696533203125e-08 "
                      u"1.25728547573089599609375e-07"_s.split(u' '),
                      semicircles),
                 u"1073741824 -2147483648 -2147483648 2147483647 2147483647 0 0 2"_s.split(u' '));
        QCOMPARE(
            NumberText(-0.0) + u' ' + NumberText(1e-20) + u' ' + NumberText(0.30000000000000004),
            u"0 1E-20 0.3"_s);
    }

    // Windows-1252: every byte back from its character; characters it has
    // no byte for are "?", counted.
    void ansi() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all += char(b);
        }
        qsizetype replaced = 0;
        QCOMPARE(EncodeAnsi(DecodeAnsi(all), &replaced), all);
        QCOMPARE(replaced, qsizetype(0));
        QCOMPARE(DecodeAnsi(QByteArray::fromHex("00418092E9FF")), u"\0A€’éÿ"_s);
        QCOMPARE(EncodeAnsi(u"a😀b\u0080\u009F\u00A0ÿĀ€’"_s + QChar(0xD800) + u'x', &replaced),
                 QByteArray("a?b??\xA0\xFF?\x80\x92?x"));
        QCOMPARE(replaced, qsizetype(5));
    }

    // The command line of Windows (in C:\Work) and the arguments of other
    // systems (separated by "|", in /home/u): the commands and flags.
    void commandLines() {
        const char* cases[][3] = {
            {"W", "C:\\Data\\A.LOC /M /Q", "import:C:\\Data\\A.LOC|openmps:|quit:|quit when done"},
            {"W", "a.loc /s:\"C:\\My Files\\Out.mps\" /q",
             "import:C:\\Work\\a.loc|mps:C:\\My Files\\Out.mps|quit:|quit when done"},
            {"W", "/l:\"a b.loc\" /e:\"c d.loc\" /X:\"e f.gpx\"",
             "loc:a b.loc|terrabyte:c d.loc|gpx:e f.gpx"},
            // A quoted name loses the character after its closing quote; a
            // quote that is not closed is part of the name.
            {"W", "\"C:\\my files\\a.loc\"   b.gpx \"c.loc\"xd.loc \"x y.loc",
             "import:C:\\my "
             "files\\a.loc|import:C:\\Work\\b.gpx|import:C:\\Work\\c.loc|import:C:\\Work\\d.loc|"
             "import:C:\\Work\\y.loc"},
            {"W", "\\y\\a.loc readme", "import:C:\\Work\\y\\a.loc"},
            {"W", "a.loc /? b.loc", "import:C:\\Work\\a.loc|invalid:/?|usage"},
            {"W", "data/a.loc", "invalid:data/a.loc"},
            {"W", "/sxout.mps", "mps:out.mps"},
            {"W", "--headless a.gpx", "import:C:\\Work\\a.gpx|headless"},
            {"W", " /Q ", "quit at once|empty"},
            {"W", "", "empty"},
            {"P", "/data/A.LOC|b.gpx|/M|/Q",
             "import:/data/A.LOC|import:/home/u/b.gpx|openmps:|quit:|quit when done"},
            {"P", "x.gpx|/S:Out Dir/A.mps|/g:/tmp/B.gdb|/l:c.loc|/e:d.loc|/X:E.gpx|/6",
             "import:/home/u/x.gpx|mps:Out "
             "Dir/A.mps|gdb:/tmp/B.gdb|loc:c.loc|terrabyte:d.loc|gpx:E.gpx|opengdb:"},
            {"P", "./my.dir/gc12|readme", ""},
            {"P", "a.loc|/k|b.loc", "import:/home/u/a.loc|invalid:/k"},
            {"P", "/sxout.mps|/Quit", "mps:out.mps|quit:|quit when done"},
            {"P", "/abc.gpx", "invalid:/abc.gpx"},
            {"P", "--frobnicate", "invalid:--frobnicate"},
            {"P", "/?", "invalid:/?|usage"},
            {"P", "/s:", "mps:"},
            {"P", "/q", "quit:|quit at once|quit when done"},
            {"P", "--headless|/Q", "quit:|quit at once|quit when done|headless"},
            {"P", "/q|a.gpx", "quit:|import:/home/u/a.gpx|quit when done"},
            {"P", "", "empty"},
            {"P", "--headless", "headless|empty"},
        };
        for (const auto& [system, in, expected] : cases) {
            const QString text = QString::fromUtf8(in);
            QCOMPARE(Describe(*system == 'W' ? ParseWindowsCommandLine(text, u"C:\\Work"_s)
                                             : Posix(text)),
                     QString::fromUtf8(expected));
        }
        // Only a run that writes GPX or GGZ, or sends to a device, keeps the listings.
        const auto listings = [](const QString& a) {
            return QString::number(CommandsWriteListings(Posix(a)));
        };
        QCOMPARE(Each(u"a.gpx|/s:b.mps|/g:c.gdb|/l:d.loc|/e:e.loc|/m|/6|/f:n.txt a.gpx|/x:c.gpx "
                      u"a.gpx|/z:c.ggz a.gpx|/d"_s.split(u' '),
                      listings),
                 u"0 1 1 1"_s.split(u' '));
        QCOMPARE(
            UsageText(),
            u"Usage: \r\nWayfold [file1 file2 file3 ...] [/m] [/d[:device]] [/s:mps_save] [/e:loc_save] [/l:loc_save] [/x:gpx_save] [/z:ggz_save] [/f:notes.txt] [/q]\r\n\r\nfile1 file2... : Filenames of importable files\r\n/m : Export imported waypoints to Mapsource as an MPS file\r\n/6 : Export imported waypoints to Mapsource as a GDB file\r\n/d[:device] : Send imported waypoints as a GPX file to the Garmin device (mounted at device)\r\n/s:mps_save : Save imported waypoints to file mps_save as a Mapsource MPS file\r\n/g:gdb_save : Save imported waypoints to file gdb_save as a Mapsource GDB file\r\n/e:loc_save : Save imported waypoints to file loc_save as a TerraByte LOC file\r\n/l:loc_save : Save imported waypoints to file loc_save as an XML LOC file\r\n/x:gpx_save : Save imported waypoints to file gpx_save as a GPX file\r\n/z:ggz_save : Save the imported caches to file ggz_save as a GGZ file (Garmin, large sets)\r\n/f:notes.txt : Save the visits read from a device to file notes.txt as field notes\r\n/q : Quit Wayfold (useful for scripting)\r\n\r\nFilenames may either be relative or absolute.\r\nFilenames with spaces much be eclosed in double-quotes (\"\")"_s);
        TestSession t;
        const int status = RunCommands(t.session, Posix(u"/s:"_s));
        QCOMPARE(
            QString::number(status) + u'|' + Shown(t),
            u"1|Wayfold [2 0] No file name given after the flag; write it as /s:file, /g:file, /e:file, /l:file, /x:file, /z:file or /f:file."_s);
    }

    // Coordinates out of range are fixed, the first digits of what they
    // were kept in the description, and the store marked so until it is
    // cleared: "lat lon" to lat|lon|name|description|marked, then cleared.
    void coordinatesFixed() {
        const auto fix = [](const QString& latLon) {
            WaypointStore store;
            const CoordinateFix f =
                CheckCoordinates(store, latLon.section(u' ', 0, 0).toDouble(),
                                 latLon.section(u' ', 1).toDouble(), u"W"_s, u"Old"_s);
            const QString fixed = QString::number(store.CoordinatesFixed);
            ClearStore(store);
            return QStringList{NumberText(f.Latitude), NumberText(f.Longitude), f.Name,
                               f.Description, fixed + QString::number(store.CoordinatesFixed)}
                .join(u'|');
        };
        QCOMPARE(
            Each(u"90 -180|95.5 -200|45 180.123456789012345"_s.split(u'|'), fix),
            QStringList({u"90|-180|W|Old|00"_s, u"0|0|FIXED-W|FIXED from  95.5, -200. Old|10"_s,
                         u"45|0|FIXED-W|FIXED from  45,  180.123456789012. Old|10"_s}));
    }

    // The time box, holding 777 before: accepted|text|time|messages.
    void timeEntry() {
        const auto entry = [](const QString& in) {
            TestSession t;
            t.session.options.ManualTime = 777;
            const TimeEntryCheck check = CheckTimeEntry(t.session, in);
            return QStringList({QString::number(check.accepted), check.text,
                                QString::number(t.session.options.ManualTime), Shown(t)})
                .join(u'|');
        };
        QCOMPARE(
            Each({u" 31/12/1969 23:59:50 "_s, u"19/01/2038 03:13:54"_s}, entry),
            QStringList({u"1|31/12/1969 23:59:50|3|"_s, u"1|19/01/2038 03:13:54|2147483647|"_s}));
        QCOMPARE(
            Each({u"31/12/1969 23:59:46"_s, u"19/01/2038 03:13:55"_s, u" 1/1/1970 00:00:00 "_s},
                 entry),
            QStringList({u"0|31/12/1969 23:59:46|777|"_s + kDateEntryError,
                         u"0|19/01/2038 03:13:55|777|"_s + kDateEntryError,
                         u"0|1/1/1970 00:00:00|777|"_s + kDateEntryError}));
    }

    // "Do it!" with the index chosen (-1: nothing), refused before any
    // dialog: the messages|dialogs shown and programs started.
    void doItRefused() {
        const auto doIt = [](int index, int waypoints, bool importRunning) {
            TestSession t;
            t.session.importRunning = importRunning;
            for (int i = 0; i < waypoints; ++i) {
                AddTestWaypoint(t.session.store, u"GC1"_s);
            }
            RunExport(t.session, {index, false, QString(), nullptr});
            return Shown(t) + u'|' +
                   QString::number(t.frontend.dialogs.size() + t.processes.starts.size());
        };
        QCOMPARE(doIt(0, 0, false), u"Wayfold [1 0] No waypoints to export|0"_s);
        QCOMPARE(doIt(4, 1, false) + doIt(0, 1, true), u"|0|0"_s);
        QCOMPARE(doIt(-1, 1, false) + u" + "_s + doIt(11, 1, false),
                 u"Wayfold Error [3 1] Error selecting function.|0 + Wayfold Error [3 1] Error "
                 u"selecting function.|0"_s);
    }

    // The save dialog never proposes a file this run imported (one click on
    // Save would replace it) and opens where the last export went.
    void saveDialogProposesNoImportedFile() {
        TestSession t;
        QTemporaryDir dir;
        const QString imported = dir.filePath(u"lakeside.gpx"_s);
        QVERIFY(QFile::copy(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), imported));
        QVERIFY(MakeFile(dir.filePath(u"lakeside-2.gpx"_s), "<gpx/>"));  // imported as well
        QVERIFY(ImportFile(t.session, imported));
        QVERIFY(ImportFile(t.session, dir.filePath(u"lakeside-2.gpx"_s)));
        t.session.lastImportBaseName = u"lakeside"_s;
        const int gpx =
            int(GenerateListTexts().indexOf(u"Make GPX File (Garmin devices, BaseCamp)"_s));
        t.frontend.dialogAnswers = {dir.filePath(u"out/caches.gpx"_s), QString()};
        QVERIFY(QDir(dir.path()).mkdir(u"out"_s));
        RunExport(t.session, {gpx, false, dir.path(), nullptr});
        RunExport(t.session, {gpx, false, QDir::homePath(), nullptr});
        QCOMPARE(t.frontend.dialogs.size(), size_t(2));
        QCOMPARE(t.frontend.dialogs[0].folder + u'|' + t.frontend.dialogs[0].fileName,
                 dir.path() + u"|lakeside-3.gpx"_s);
        QCOMPARE(t.frontend.dialogs[1].folder + u'|' + t.frontend.dialogs[1].fileName,
                 dir.filePath(u"out"_s) + u"|lakeside.gpx"_s);
        QVERIFY(QFileInfo(dir.filePath(u"out/caches.gpx"_s)).size() > 0);
    }
};

QTEST_GUILESS_MAIN(FunctionsTest)
#include "test_functions.moc"
