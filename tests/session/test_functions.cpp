// The text, number, time and command-line helpers, the store's own rules,
// the checks before an export and the options restored from the settings.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <numeric>

#include "core/ansi.h"
#include "core/options.h"
#include "core/textutil.h"
#include "session/commandline.h"
#include "session/exportdispatch.h"
#include "session/exporter.h"
#include "session/formats.h"
#include "session/importer.h"
#include "session/optionstore.h"
#include "session/settingsstore.h"
#include "session/timeentry.h"
#include "support/fakes.h"

using namespace Qt::Literals::StringLiterals;
using namespace std::string_literals;

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
    return ParsePosixArguments(arguments.split(u'|', Qt::SkipEmptyParts), u"/home/u"_s);
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
    // What the readers and the window do not reach: numbers read from the
    // front of a text, degrees clamped and rounded to the even semicircle,
    // and Windows-1252 both ways, "?" (counted) for what it has no byte for.
    void textsAndNumbers() {
        QCOMPARE(Each(u"51.5N|+5|  480|1.5e2|12e|.5|4٥|abc|0x10|1e-400|-1e400"_s.split(u'|'),
                      [](const QString& t) { return QString::number(LeadingNumber(t), 'g', 17); }),
                 u"51.5|5|480|150|12|0.5|4|0|0|0|-1.7976931348623157e+308"_s.split(u'|'));
        QCOMPARE(Each(u"90 -1e300 1e300 nan 4.1909515857696533203125e-08 "
                      u"1.25728547573089599609375e-07"_s.split(u' '),
                      [](const QString& t) {
                          return QString::number(DegreesToSemicircles(t.toDouble()));
                      }),
                 u"1073741824 -2147483648 2147483647 0 0 2"_s.split(u' '));
        QByteArray all(256, 0);
        std::iota(all.begin(), all.end(), char(0));
        qsizetype replaced = 0;
        QCOMPARE(EncodeAnsi(DecodeAnsi(all), &replaced), all);
        QCOMPARE(EncodeAnsi(u"a😀b\u0080Ā€"_s + QChar(0xD800) + u'x', &replaced),
                 QByteArray("a?b??\x80?x"));
        QCOMPARE(replaced, qsizetype(4));
    }

    // The command line of Windows (in C:\Work) and the arguments of other
    // systems (separated by "|", in /home/u): the commands and flags.
    void commandLines() {
        const char* cases[][3] = {
            {"W", "C:\\Data\\A.LOC a.loc /s:\"C:\\My Files\\Out.mps\" /X:\"e f.gpx\" /M /Q",
             "import:C:\\Data\\A.LOC|import:C:\\Work\\a.loc|mps:C:\\My Files\\Out.mps|gpx:e "
             "f.gpx|openmps:|quit:|quit when done"},
            // A quoted name loses the character after its closing quote; a
            // quote that is not closed is part of the name.
            {"W", "\"C:\\my files\\a.loc\"   b.gpx \"c.loc\"xd.loc \"x y.loc",
             "import:C:\\my "
             "files\\a.loc|import:C:\\Work\\b.gpx|import:C:\\Work\\c.loc|import:C:\\Work\\d.loc|"
             "import:C:\\Work\\y.loc"},
            {"W", "\\y\\a.loc readme data/a.loc", "import:C:\\Work\\y\\a.loc|invalid:data/a.loc"},
            {"W", "a.loc /? b.loc", "import:C:\\Work\\a.loc|invalid:/?|usage"},
            {"W", " /Q ", "quit at once|empty"},
            {"P", "x.gpx|/S:Out Dir/A.mps|/g:/tmp/B.gdb|/l:c.loc|/e:d.loc|/X:E.gpx|/6",
             "import:/home/u/x.gpx|mps:Out "
             "Dir/A.mps|gdb:/tmp/B.gdb|loc:c.loc|terrabyte:d.loc|gpx:E.gpx|opengdb:"},
            {"P", "./my.dir/gc12|readme|a.loc|/k|b.loc", "import:/home/u/a.loc|invalid:/k"},
            {"P", "/sxout.mps|/abc.gpx", "mps:out.mps|invalid:/abc.gpx"},
            {"P", "/q", "quit:|quit at once|quit when done"},
            {"P", "--headless|/Q", "quit:|quit at once|quit when done|headless"},
            {"P", "/q|a.gpx", "quit:|import:/home/u/a.gpx|quit when done"},
            {"P", "--headless", "headless|empty"},
        };
        for (const auto& [system, in, expected] : cases) {
            const QString text = QString::fromUtf8(in);
            QCOMPARE(Describe(*system == 'W' ? ParseWindowsCommandLine(text, u"C:\\Work"_s)
                                             : Posix(text)),
                     QString::fromUtf8(expected));
        }
        // Only a run that writes GPX or GGZ, or sends to a device, keeps the listings.
        QCOMPARE(
            Each(u"a.gpx|/s:b.mps|/g:c.gdb|/l:d.loc|/e:e.loc|/m|/6|/f:n.txt a.gpx|/x:c.gpx "
                 u"a.gpx|/z:c.ggz a.gpx|/d"_s.split(u' '),
                 [](const QString& a) { return QString::number(CommandsWriteListings(Posix(a))); }),
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

    // The time box (holding 777 before) takes 1969-12-31 23:59:47 to
    // 2038-01-19 03:13:54 in its one form: accepted|text|time|messages.
    void timeBox() {
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
        QCOMPARE(Each(u"31/12/1969 23:59:46|19/01/2038 03:13:55| 1/1/1970 00:00:00 |31/02/2010 "
                      u"00:00:00|01/01/2010 24:00:00|2010-01-01 00:00:00"_s.split(u'|'),
                      entry)
                     .join(u'\n')
                     .count(u"|777|"_s + kDateEntryError),
                 6);
    }

    // The save dialog never proposes a file this run imported (one click on
    // Save would replace it) and opens where the last export went while that
    // folder is there, else in the file browser's. An index
    // the list does not hold (-1: nothing chosen) is refused before any dialog.
    void saveDialogProposesNoImportedFile() {
        TestSession t;
        QTemporaryDir dir;
        const QString imported = dir.filePath(u"lakeside.gpx"_s);
        QVERIFY(QFile::copy(QStringLiteral(WAYFOLD_EXAMPLES "/lakeside.gpx"), imported));
        QVERIFY(MakeFile(dir.filePath(u"lakeside-2.gpx"_s), "<gpx/>"));
        QVERIFY(ImportFile(t.session, imported));
        const int gpx =
            int(GenerateListTexts().indexOf(u"Make GPX File (Garmin devices, BaseCamp)"_s));
        t.frontend.dialogAnswers = {QString(), dir.filePath(u"out/caches.gpx"_s), QString()};
        QVERIFY(QDir(dir.path()).mkdir(u"out"_s));
        RunExport(t.session, {-1, false, dir.path(), nullptr});
        RunExport(t.session, {int(GenerateListTexts().size()), false, dir.path(), nullptr});
        QCOMPARE(Shown(t),
                 u"Wayfold Error [3 1] Error selecting function. + Wayfold Error [3 1] "
                 u"Error selecting function."_s);
        RunExport(t.session, {gpx, false, dir.path(), nullptr});
        QVERIFY(ImportFile(t.session, dir.filePath(u"lakeside-2.gpx"_s)));
        t.session.lastImportBaseName = u"lakeside"_s;  // the first import's
        RunExport(t.session, {gpx, false, dir.path(), nullptr});
        RunExport(t.session, {gpx, false, QDir::homePath(), nullptr});
        QVERIFY(QDir(dir.filePath(u"out"_s)).removeRecursively());
        RunExport(t.session, {gpx, false, dir.path(), nullptr});
        QStringList shown;
        for (const FileDialogRequest& d : t.frontend.dialogs) {
            shown += QDir(dir.path()).relativeFilePath(d.folder) + u'/' + d.fileName;
        }
        QCOMPARE(
            shown,
            u"./lakeside-2.gpx ./lakeside-3.gpx out/lakeside.gpx ./lakeside-3.gpx"_s.split(u' '));
    }

    // The options restored from stored settings: what is taken, what falls
    // back to its default, and what is written back. A row: the stored
    // settings ("Name=value" joined by "|"), the restored options, and the
    // settings afterwards ("=": as they were).
    void restore() {
        const char* rows[][3] = {
            // Any number but 0 ticks a check box, text does not; only the
            // scheme, host and port of the cache site are taken.
            {"IconNumber=117|DisplayMode= 2|Categories=-32768|GdbVersion= 3|PreserveIcons=0|"
             "ModNames=2|PreserveCats=1|CopyHint=yes|SwapNameDesc=1|PreserveTimes=1|"
             "PreserveDisplay=0|CacheSiteUrl= https://caches.example:8443/some/page?x=1 ",
             "icon 117|display 2|categories -32768|gdb 3|site https://caches.example:8443|ticked "
             "ModNames SwapNameDesc PreserveTimes PreserveCats",
             "="},
            // A choice not offered is replaced and written back; categories
            // beyond 16 bits are none, GDB versions other than 3 are 1, and a
            // site without a scheme is none, all left stored as they were.
            // What is not stored is not written.
            {"IconNumber=5|DisplayMode=7|Categories=70000|GdbVersion=3.5|"
             "CacheSiteUrl=caches.example",
             "icon 18|display 1|categories 0|gdb 1|site -|ticked PreserveIcons PreserveDisplay",
             "CacheSiteUrl=caches.example|Categories=70000|DisplayMode=1|GdbVersion=3.5|"
             "IconNumber=18"},
        };
        const auto storeOf = [](const char* text) {
            MemorySettingsStore settings;
            for (const QString& line : QString::fromLatin1(text).split(u'|', Qt::SkipEmptyParts)) {
                settings.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
            }
            return settings;
        };
        for (const auto& [stored, options, after] : rows) {
            MemorySettingsStore settings = storeOf(stored);
            Options o;
            RestoreOptions(o, settings);
            QString ticked = u"ticked"_s;  // in the table's order
            for (const OptionBinding& binding : OptionBindings()) {
                if (binding.kind == OptionKind::Flag && OptionValue(o, binding) != 0) {
                    ticked += u' ' + QLatin1String(binding.key);
                }
            }
            QCOMPARE(u"icon %1|display %2|categories %3|gdb %4|site %5|%6"_s.arg(o.IconNumber)
                         .arg(o.DisplayMode)
                         .arg(o.Categories)
                         .arg(o.GdbVersion)
                         .arg(o.CacheSiteUrl.isEmpty() ? u"-"_s : o.CacheSiteUrl, ticked),
                     QString::fromLatin1(options));
            QCOMPARE(settings.values, storeOf(after == "="s ? stored : after).values);
        }
    }

    // A setting reaches the disk as it is set, not only when the program ends.
    void settingsReachTheDiskAtOnce() {
#ifdef Q_OS_WIN
        QSKIP("The settings are the registry's on Windows");
#endif
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        QtSettingsStore settings;
        settings.setValue(u"LastPath"_s, u"/x"_s);
        QVERIFY(FileBytes(settings.location()).contains("LastPath=/x"));
    }
};

QTEST_GUILESS_MAIN(FunctionsTest)
#include "test_functions.moc"
