// The text, number, time and command-line helpers, the store's own rules
// and the checks before an export, over the case table session/functions.txt.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
#include "support/testfiles.h"

using namespace Qt::Literals::StringLiterals;

namespace {

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

// Each message shown as "title [icon buttons] text".
QString Shown(const TestSession& t) {
    QStringList out;
    for (const UserMessage& m : t.frontend.messages) {
        out += u"%1 [%2 %3] %4"_s.arg(m.title).arg(int(m.icon)).arg(int(m.buttons)).arg(m.text);
    }
    return out.join(u" + "_s);
}

QString Kept(WaypointStore& store, const QString& names, bool exact) {
    for (const QString& name : names.split(u',', Qt::SkipEmptyParts)) {
        store.Waypoints.emplace_back().Name = name;
    }
    exact ? MarkExactDuplicates(store) : SortAndMarkDuplicates(store);
    QStringList kept;
    for (const Waypoint& w : store.Waypoints) {
        kept += w.Duplicate ? QStringList() : QStringList{w.Name};
    }
    return kept.join(u',');
}

// What the function named in a row makes of its input.
QString Run(const QString& function, QString in) {
    const QStringList words = in.split(u' ');
    const double number = in.toDouble();
    TestSession t;
    WaypointStore& store = t.session.store;
    const std::map<QString, std::function<QString()>> functions = {
        {u"ZeroPad"_s, [&] { return ZeroPad(words[0].toInt(), words[1].toInt()); }},
        {u"DateTimeText"_s, [&] { return DateTimeText(QDateTime::fromString(in, Qt::ISODate)); }},
        {u"ManualTimeSeconds"_s,
         [&] { return QString::number(ManualTimeSeconds(in).value_or(-1)); }},
        {u"NextToken"_s, [&] { return NextToken(in) + u'|' + in; }},
        {u"LeadingNumber"_s, [&] { return QString::number(LeadingNumber(in), 'g', 17); }},
        {u"DecodeAnsi"_s, [&] { return DecodeAnsi(QByteArray::fromHex(in.toLatin1())); }},
        {u"EncodeAnsi"_s,
         [&] {
             qsizetype replaced = 0;
             const QString bytes = QString::fromLatin1(EncodeAnsi(in, &replaced));
             return bytes + u'|' + QString::number(replaced);
         }},
        {u"Windows"_s, [&] { return Describe(ParseWindowsCommandLine(in, u"C:\\Work"_s)); }},
        {u"Posix"_s,
         [&] {
             return Describe(
                 ParsePosixArguments(in.isEmpty() ? QStringList() : in.split(u'|'), u"/home/u"_s));
         }},
        {u"WritesListings"_s,
         [&] {
             return QString::number(
                 CommandsWriteListings(ParsePosixArguments(in.split(u'|'), u"/home/u"_s)));
         }},
        {u"Run"_s,
         [&] {
             const int status = RunCommands(t.session, ParsePosixArguments({in}, u"/t"_s));
             return QString::number(status) + u'|' + Shown(t);
         }},
        {u"UsageText"_s, [&] { return UsageText(); }},
        {u"Semicircles"_s, [&] { return QString::number(DegreesToSemicircles(number)); }},
        {u"NumberText"_s, [&] { return NumberText(number); }},
        {u"Sorted"_s, [&] { return Kept(store, in, false); }},
        {u"Exact"_s, [&] { return Kept(store, in, true); }},
        {u"CheckCoordinates"_s,
         [&] {
             const CoordinateFix f = CheckCoordinates(store, words[0].toDouble(),
                                                      words[1].toDouble(), u"W"_s, u"Old"_s);
             const QStringList fix = {NumberText(f.Latitude), NumberText(f.Longitude), f.Name,
                                      f.Description, QString::number(store.CoordinatesFixed)};
             ClearStore(store);
             return fix.join(u'|') + QString::number(store.CoordinatesFixed);
         }},
        {u"TimeEntry"_s,
         [&] {
             t.session.options.ManualTime = 777;
             const TimeEntryCheck check = CheckTimeEntry(t.session, in);
             return QStringList({QString::number(check.accepted), check.text,
                                 QString::number(t.session.options.ManualTime), Shown(t)})
                 .join(u'|');
         }},
        // "index waypoints importRunning": "Do it!" refused before any dialog.
        {u"DoIt"_s, [&] {
             t.session.importRunning = words[2] == u"1";
             for (int i = 0; i < words[1].toInt(); ++i) {
                 AddTestWaypoint(store, QStringLiteral("GC1"));
             }
             RunExport(t.session, {words[0].toInt(), false, QString(), nullptr});
             return Shown(t) + u'|' +
                    QString::number(t.frontend.dialogs.size() + t.processes.starts.size());
         }}};
    const auto run = functions.find(function);
    return run != functions.end() ? run->second() : u"(no function "_s + function + u')';
}

}  // namespace

class FunctionsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An instant that does not exist in Los Angeles local time does in UTC.
    void initTestCase() {
        qputenv("TZ", "America/Los_Angeles");
        tzset();
    }

    // A row is "Function: input => expected".
    void table_data() {
        AddColumns<QString, QString, QString>("function", "input", "expected");
        QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/session/functions.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        int number = 0;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype colon = line.indexOf(':');
            const qsizetype arrow = line.lastIndexOf(" =>");
            if (++number, !line.startsWith('#') && colon > 0 && arrow > colon) {
                QTest::addRow("%d %s", number, line.left(colon).constData())
                    << QString::fromLatin1(line.left(colon))
                    << QString::fromUtf8(Unescaped(line.mid(colon + 2, arrow - colon - 2)))
                    << QString::fromUtf8(Unescaped(line.mid(arrow + 4)));
            }
        }
    }
    void table() {
        QFETCH(QString, function);
        QFETCH(QString, input);
        QTEST(Run(function, input), "expected");
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

    void everyAnsiByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all += char(b);
        }
        qsizetype replaced = 0;
        QCOMPARE(EncodeAnsi(DecodeAnsi(all), &replaced), all);
        QCOMPARE(replaced, qsizetype(0));
        // A lone surrogate is one character that cannot be written.
        QCOMPARE(EncodeAnsi(QChar(0xD800) + u"x"_s, &replaced), QByteArray("?x"));
        QCOMPARE(replaced, qsizetype(1));
    }
};

QTEST_GUILESS_MAIN(FunctionsTest)
#include "test_functions.moc"
