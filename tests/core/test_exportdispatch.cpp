// "Do it!" without the window: the checks before an export, and the time
// entry of the Cat/Time tab. The window's tests run the exports themselves.
#include <QtTest>

#include "core/exportdispatch.h"
#include "core/timeentry.h"
#include "support/fakes.h"

class ExportDispatchTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What comes of "Do it!" before any dialog: index -1 is no selection.
    void refusals_data() {
        // An empty message: none is shown.
        AddColumns<int, int, QString, bool>("index", "waypoints", "message", "importRunning");
        AddRow("empty store, mps", 0, 0, "No waypoints to export", false);
        AddRow("empty store, nothing selected", -1, 0, "No waypoints to export", false);
        AddRow("separator", 4, 1, "", false);
        AddRow("nothing selected", -1, 1, "Error selecting function.", false);
        AddRow("past the list", 8, 1, "Error selecting function.", false);
        AddRow("while an import runs", 0, 1, "", true);
    }
    void refusals() {
        QFETCH(int, index);
        QFETCH(int, waypoints);
        QFETCH(QString, message);
        QFETCH(bool, importRunning);
        TestSession t;
        t.session.importRunning = importRunning;
        for (int i = 0; i < waypoints; ++i) {
            AddTestWaypoint(t.session.store, QStringLiteral("GC1"));
        }
        RunExport(t.session, {index, false, QString(), nullptr});
        QCOMPARE(t.frontend.messageTexts().join(u'|'), message);
        QVERIFY(t.frontend.dialogs.empty());
        QVERIFY(t.processes.starts.empty());
        if (waypoints == 0) {
            QCOMPARE(t.frontend.messages.front().icon, MessageIcon::Information);
        } else if (!message.isEmpty()) {
            const UserMessage& m = t.frontend.messages.front();
            QCOMPARE(m.title, QStringLiteral("Wayfold Error"));
            QCOMPARE(m.icon, MessageIcon::Critical);
            QCOMPARE(m.buttons, MessageButtons::OkCancel);
        }
    }

    void timeEntries_data() {
        // -1 seconds: the entry is rejected.
        AddColumns<QString, qint64>("entry", "seconds");
        AddRow("before the epoch, count still positive", "31/12/1969 23:59:50", qint64(3));
        AddRow("count negative", "31/12/1969 23:59:46", qint64(-1));
        AddRow("last second", "19/01/2038 03:13:54", qint64(2147483647));
        AddRow("past 32 bits", "19/01/2038 03:13:55", qint64(-1));
        AddRow("no leading zeros", "1/1/1970 00:00:00", qint64(-1));
    }
    void timeEntries() {
        QFETCH(QString, entry);
        QFETCH(qint64, seconds);
        TestSession t;
        t.session.options.ManualTime = 777;
        const TimeEntryCheck check = CheckTimeEntry(t.session, entry);
        QCOMPARE(check.accepted, seconds >= 0);
        QCOMPARE(check.text, entry.trimmed());
        QCOMPARE(t.session.options.ManualTime, seconds >= 0 ? seconds : 777);
        QCOMPARE(t.frontend.messages.size(), size_t(seconds >= 0 ? 0 : 1));
        if (seconds < 0) {
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
};

QTEST_GUILESS_MAIN(ExportDispatchTest)
#include "test_exportdispatch.moc"
