#include <QTemporaryDir>
#include <QtTest>

#include "core/exportdispatch.h"
#include "core/timeentry.h"
#include "support/fakes.h"

namespace {

void AddWaypoint(Session& session, const QString& name) {
    Waypoint w;
    w.Name = name;
    w.Latitude = 47.5;
    w.Longitude = 7.5;
    w.LatSemicircles = DegreesToSemicircles(w.Latitude);
    w.LonSemicircles = DegreesToSemicircles(w.Longitude);
    session.store.Waypoints.push_back(w);
}

// The writers and launchers answer for themselves once the dispatcher has
// handed over: a written file, a started program, or a message of theirs.
}  // namespace

class ExportDispatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void generateListAndMenu() {
        const QStringList list = GenerateListTexts();
        QCOMPARE(list.size(), GenerateEntryCount);
        QCOMPARE(list.at(2), QStringLiteral("Make Geocaching.com LOC File"));
        QCOMPARE(list.at(DefaultGenerateMode), QStringLiteral("-----------------------"));
        const QStringList menu = ExportMenuTexts();
        QCOMPARE(menu.size(), GenerateEntryCount);
        QVERIFY(menu.at(4).isEmpty());
        QCOMPARE(menu.at(1), QStringLiteral("Mapsource &GDB File..."));
    }

    void storedGenerateMode_data() {
        QTest::addColumn<QString>("stored");  // null: no value
        QTest::addColumn<int>("index");
        QTest::newRow("absent") << QString() << 4;
        QTest::newRow("1") << QStringLiteral("1") << 1;
        QTest::newRow("6") << QStringLiteral("6") << 6;
        QTest::newRow("none selected") << QStringLiteral("-1") << -1;
        QTest::newRow("7") << QStringLiteral("7") << 4;
        QTest::newRow("-2") << QStringLiteral("-2") << 4;
        QTest::newRow("text") << QStringLiteral("gdb") << 0;
        QTest::newRow("huge") << QStringLiteral("1e300") << 4;
    }
    void storedGenerateMode() {
        QFETCH(QString, stored);
        MemorySettingsStore settings;
        if (!stored.isNull()) {
            settings.setValue(QStringLiteral("Generate Mode"), stored);
        }
        QTEST(StoredGenerateMode(settings), "index");
    }

    void emptyStoreSaysSoWhateverTheKind_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("separator") << 4;
        QTest::newRow("mps") << 0;
        QTest::newRow("nothing selected") << -1;
    }
    void emptyStoreSaysSoWhateverTheKind() {
        QFETCH(int, index);
        TestSession t;
        RunExport(t.session, {index, false, QString(), nullptr});
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        QCOMPARE(t.frontend.messages.front().text, QStringLiteral("No waypoints to export"));
        QCOMPARE(t.frontend.messages.front().title, QStringLiteral("Wayfold"));
        QCOMPARE(t.frontend.messages.front().icon, MessageIcon::Information);
        QVERIFY(t.frontend.dialogs.empty());
    }

    void separatorDoesNothing() {
        TestSession t;
        AddWaypoint(t.session, QStringLiteral("GC1"));
        RunExport(t.session, {4, false, QString(), nullptr});
        QVERIFY(t.frontend.messages.empty());
        QVERIFY(t.frontend.dialogs.empty());
        QVERIFY(t.processes.starts.empty());
    }

    void noSelectionIsAnError_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("-1") << -1;
        QTest::newRow("7") << 7;
    }
    void noSelectionIsAnError() {
        QFETCH(int, index);
        TestSession t;
        AddWaypoint(t.session, QStringLiteral("GC1"));
        t.frontend.messageAnswers.push_back(MessageAnswer::Cancel);
        RunExport(t.session, {index, false, QString(), nullptr});
        QCOMPARE(t.frontend.messages.size(), size_t(1));
        const UserMessage& m = t.frontend.messages.front();
        QCOMPARE(m.text, QStringLiteral("Error selecting function."));
        QCOMPARE(m.title, QStringLiteral("Wayfold Error"));
        QCOMPARE(m.icon, MessageIcon::Critical);
        QCOMPARE(m.buttons, MessageButtons::OkCancel);
        QVERIFY(t.frontend.dialogs.empty());
    }

    void saveDialogs_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("mps") << 0 << QStringLiteral("Save Mapsource File As...")
                             << QStringLiteral("Mapsource Files (*.mps)|*.mps|All Files (*.*)|*.*")
                             << QStringLiteral("Trail Run.mps");
        QTest::newRow("gdb") << 1 << QStringLiteral("Save Garmin Database File As...")
                             << QStringLiteral(
                                    "Garmin Database Files (*.gdb)|*.gdb|All Files (*.*)|*.*")
                             << QStringLiteral("Trail Run.gdb");
        QTest::newRow("loc") << 2 << QStringLiteral("Save .LOC File As...")
                             << QStringLiteral("LOC Files (*.loc)|*.loc|All Files (*.*)|*.*")
                             << QStringLiteral("Trail Run.loc");
        QTest::newRow("terrabyte") << 3 << QStringLiteral("Save .LOC File As...")
                                   << QStringLiteral("LOC Files (*.loc)|*.loc|All Files (*.*)|*.*")
                                   << QStringLiteral("Trail Run.loc");
    }
    void saveDialogs() {
        QFETCH(int, index);
        QFETCH(QString, fileName);
        QTemporaryDir dir;
        TestSession t;
        AddWaypoint(t.session, QStringLiteral("GC1"));
        t.session.lastImportBaseName = QStringLiteral("Trail Run");
        const QString path = dir.filePath(fileName);
        t.frontend.dialogAnswers.push_back(path);
        RunExport(t.session, {index, false, dir.path(), nullptr});
        QCOMPARE(t.frontend.dialogs.size(), size_t(1));
        const FileDialogRequest& d = t.frontend.dialogs.front();
        QTEST(d.title, "title");
        QTEST(d.filter, "filter");
        QCOMPARE(d.fileName, fileName);
        QCOMPARE(d.defaultExtension, fileName.right(3));
        QCOMPARE(d.folder, dir.path());
        QVERIFY(QFileInfo(path).size() > 0);
        QVERIFY2(t.frontend.messages.empty(), qPrintable(t.frontend.messageTexts().join(u'|')));
        QVERIFY(t.processes.starts.empty());
        // An export leaves the store to the next one.
        QCOMPARE(t.session.store.WaypointCount(), 1);
    }

    void beforeTheFirstImportTheNameIsJustTheExtension() {
        TestSession t;
        AddWaypoint(t.session, QStringLiteral("GC1"));
        RunExport(t.session, {0, false, QString(), nullptr});
        QCOMPARE(t.frontend.dialogs.size(), size_t(1));
        QCOMPARE(t.frontend.dialogs.front().fileName, QStringLiteral(".mps"));
    }

    void abandonedSilently_data() {
        QTest::addColumn<QString>("answer");  // null: cancelled
        QTest::newRow("cancelled") << QString();
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("wildcard") << QStringLiteral("/tmp/*.mps");
    }
    void abandonedSilently() {
        QFETCH(QString, answer);
        for (int index = 0; index <= 3; ++index) {
            TestSession t;
            AddWaypoint(t.session, QStringLiteral("GC1"));
            t.frontend.dialogAnswers.push_back(answer);
            RunExport(t.session, {index, false, QString(), nullptr});
            QCOMPARE(t.frontend.dialogs.size(), size_t(1));
            QVERIFY2(t.frontend.messages.empty(), qPrintable(t.frontend.messageTexts().join(u'|')));
            QVERIFY(t.processes.starts.empty());
        }
    }

    void launchersAskForNoFileName_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("mps") << 5;
        QTest::newRow("gdb") << 6;
    }
    void launchersAskForNoFileName() {
        QFETCH(int, index);
        TestSession t;
        AddWaypoint(t.session, QStringLiteral("GC1"));
        QTemporaryDir temp;
        t.session.tempFolder = temp.path();
        qputenv("WINEPREFIX", temp.filePath(QStringLiteral("no-prefix")).toUtf8());
        RunExport(t.session, {index, false, QString(), nullptr});
        // The launcher writes its temporary file; only the MPS launcher asks
        // where MapSource is (here nobody answers).
        for (const FileDialogRequest& d : t.frontend.dialogs) {
            QCOMPARE(d.title, QStringLiteral("Locate Mapsource Executable..."));
        }
        QCOMPARE(t.frontend.dialogs.size(), size_t(index == 5 ? 1 : 0));
        QCOMPARE(t.session.TemporaryFiles.size(), 1);
        QVERIFY(QFileInfo(t.session.TemporaryFiles.front()).size() > 0);
    }

    void nowIsRefreshedBeforeEachExport() {
        TestSession t;
        t.session.options.ManualTime = 99;
        QString shown;
        const auto show = [&shown](const QString& text) { shown = text; };
        // Even the empty-store refusal comes after the refresh.
        RunExport(t.session, {4, true, QString(), show});
        QCOMPARE(shown, QStringLiteral("05/12/2026 01:02:03"));
        QCOMPARE(
            t.session.options.ManualTime,
            qint64(QDateTime(QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC).toSecsSinceEpoch() + 13));

        // "Manual" keeps the entered time.
        shown.clear();
        t.session.options.ManualTime = 13;
        t.now = t.now.addSecs(60);
        RunExport(t.session, {4, false, QString(), show});
        QVERIFY(shown.isEmpty());
        QCOMPARE(t.session.options.ManualTime, qint64(13));
    }

    void nothingWhileAnImportRuns() {
        TestSession t;
        t.session.importRunning = true;
        RunExport(t.session, {0, true, QString(), nullptr});
        QVERIFY(t.frontend.messages.empty());
        QVERIFY(t.frontend.dialogs.empty());
    }

    void timeEntries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("epoch") << QStringLiteral("01/01/1970 00:00:00") << true << qint64(13);
        QTest::newRow("blanks around")
            << QStringLiteral("  01/01/1970 00:00:10 ") << true << qint64(23);
        QTest::newRow("before the epoch, count still positive")
            << QStringLiteral("31/12/1969 23:59:50") << true << qint64(3);
        QTest::newRow("count negative")
            << QStringLiteral("31/12/1969 23:59:46") << false << qint64(0);
        QTest::newRow("last second")
            << QStringLiteral("19/01/2038 03:13:54") << true << qint64(2147483647);
        QTest::newRow("past 32 bits")
            << QStringLiteral("19/01/2038 03:13:55") << false << qint64(0);
        QTest::newRow("no leading zeros")
            << QStringLiteral("1/1/1970 00:00:00") << false << qint64(0);
        QTest::newRow("month first") << QStringLiteral("12/31/2004 00:00:00") << false << qint64(0);
        QTest::newRow("no such day") << QStringLiteral("30/02/2004 00:00:00") << false << qint64(0);
        QTest::newRow("letters") << QStringLiteral("ab/cd/efgh ij:kl:mn") << false << qint64(0);
        QTest::newRow("T between") << QStringLiteral("01/01/2004T00:00:00") << false << qint64(0);
        QTest::newRow("empty") << QString() << false << qint64(0);
    }
    void timeEntries() {
        QFETCH(QString, entry);
        QFETCH(bool, accepted);
        QFETCH(qint64, seconds);
        TestSession t;
        t.session.options.ManualTime = 777;
        const TimeEntryCheck check = CheckTimeEntry(t.session, entry);
        QCOMPARE(check.accepted, accepted);
        QCOMPARE(check.text, entry.trimmed());
        if (accepted) {
            QCOMPARE(t.session.options.ManualTime, seconds);
            QVERIFY(t.frontend.messages.empty());
        } else {
            QCOMPARE(t.session.options.ManualTime, qint64(777));
            QCOMPARE(t.frontend.messages.size(), size_t(1));
            const UserMessage& m = t.frontend.messages.front();
            QCOMPARE(m.title, QStringLiteral("Date entry error"));
            QCOMPARE(m.buttons, MessageButtons::YesNo);
            QCOMPARE(m.icon, MessageIcon::Exclamation);
            QCOMPARE(m.text,
                     QStringLiteral("Invalid time entry!\r\nTime format MUST be dd/mm/yyyy "
                                    "HH:mm:ss.\r\nLeading zeros (e.g. 06) must be included, and "
                                    "date must be between 01/01/1970 and 31/12/2037.\r\n\r\nWould "
                                    "you like to set to the current time?"));
        }
    }

    void rejectedEntryTakesTheCurrentTimeOnYes() {
        TestSession t;
        t.session.options.ManualTime = 777;
        t.frontend.messageAnswers.push_back(MessageAnswer::Yes);
        const TimeEntryCheck check = CheckTimeEntry(t.session, QStringLiteral("yesterday"));
        QVERIFY(!check.accepted);
        QCOMPARE(check.text, QStringLiteral("05/12/2026 01:02:03"));
        // Taken only once the box is checked again.
        QCOMPARE(t.session.options.ManualTime, qint64(777));
    }
};

QTEST_GUILESS_MAIN(ExportDispatchTest)
#include "test_exportdispatch.moc"
