#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTest>
#include <deque>
#include <utility>
#include <vector>

#include "core/frontend.h"
#include "session/importer.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"

// A front end that records everything asked of it and answers message boxes
// and dialogs from queues the test fills (default button / cancelled when the
// queue is empty).
class FakeFrontend final : public Frontend {
public:
    MessageAnswer showMessage(const UserMessage& message) override;
    void setStatusText(int panel, const QString& text) override;
    void setExportCaption(const QString&) override {}
    void setClearCaption(const QString&) override {}
    void setBusy(bool busy) override { busyChanges.push_back(busy); }
    void processEvents() override {}
    void setProgress(qint64, qint64) override {}
    void importFinished() override {}
    std::optional<QString> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> openFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> folderDialog(const QString& prompt) override;
    bool canAsk() const override { return ask; }
    // False: nobody is there to answer, as without a window.
    bool ask = true;

    // What was shown.
    std::vector<UserMessage> messages;
    QString panel1;
    QString panel2;
    std::vector<bool> busyChanges;
    std::vector<FileDialogRequest> dialogs;
    QStringList folderPrompts;

    // Answers, taken from the front.
    std::deque<MessageAnswer> messageAnswers;
    // A null QString answers "cancelled".
    std::deque<QString> dialogAnswers;

    QStringList messageTexts() const;

private:
    std::optional<QString> takeDialogAnswer();
};

class FakeProcessStarter final : public ProcessStarter {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };
    bool startDetached(const QString& program, const QStringList& arguments,
                       QString* error) override;

    std::vector<Start> starts;
    // When set, every start fails with this reason (after being recorded).
    QString failure;
};

// What a reader reported while it ran. cancelAfterEvents > 0 makes the
// cancel request appear once that many event passes have happened.
class RecordingProgress final : public ImportProgress {
public:
    void showRunningTotal(qint32 total) override { runningTotals.push_back(total); }
    void showCurrentImport(qint32 count) override { currentImports.push_back(count); }
    void letEventsThrough() override;
    bool takeCancelRequest() override;
    void showFileProgress(qint64 done, qint64 total) override { fileProgress = {done, total}; }

    std::vector<qint32> runningTotals;
    std::vector<qint32> currentImports;
    int eventPasses = 0;
    int cancelAfterEvents = 0;
    bool cancelRequested = false;
    std::pair<qint64, qint64> fileProgress{0, 0};
};

// A session with fakes and a clock pinned to 2026-12-05 01:02:03 UTC.
struct TestSession {
    TestSession();
    FakeFrontend frontend;
    MemorySettingsStore settings;
    FakeProcessStarter processes;
    QDateTime now;
    Session session;
};

// The columns of a test's data table and its rows:
// AddColumns<int, QString>("count", "name") adds one column of each type, and
// AddRow("tag", a, b) is QTest::newRow("tag") << a << b.
template <typename... Types, typename... Names>
void AddColumns(const Names&... names) {
    (QTest::addColumn<Types>(names), ...);
}
template <typename... Values>
void AddRow(const char* tag, const Values&... values) {
    (QTest::newRow(tag) << ... << values);
}

// Real files of other programs, in ../shared/fixtures/peer beside the clone.
QString FixturePath(const QString& name);
bool FixturesAvailable();
// Why a test that needs them cannot run: nothing when they are at hand; a
// skip only when WAYFOLD_NO_PEER_FIXTURES=1 asks for it, else a failure
// that says what to provide.
#define REQUIRE_PEER_FIXTURES()                                                           \
    do {                                                                                  \
        if (!FixturesAvailable()) {                                                       \
            if (qEnvironmentVariable("WAYFOLD_NO_PEER_FIXTURES") == QLatin1String("1")) { \
                QSKIP("the peer fixtures are left out (WAYFOLD_NO_PEER_FIXTURES=1)");     \
            }                                                                             \
            QFAIL(                                                                        \
                "The peer fixtures are missing: provide ../shared/fixtures/peer beside "  \
                "the clone, or set WAYFOLD_NO_PEER_FIXTURES=1 to leave them out.");       \
        }                                                                                 \
    } while (false)

// Writes a file, making its folder first; executable adds the owner's execute
// permission. False when the file could not be written.
bool MakeFile(const QString& path, const QByteArray& content = QByteArray(),
              bool executable = false);
// A ZIP archive of the entries (name and bytes; a name ending in "/" is a
// folder), deflated or stored. False when it could not be written.
bool MakeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries,
             bool stored = false);
// The entries of a ZIP archive as libzip reads them: name, bytes, and the
// CRC-32 the archive records for them in hexadecimal.
struct ZipEntry {
    QString name;
    QByteArray bytes;
    QString crc;
};
QList<ZipEntry> ZipEntries(const QString& path);
// A file's bytes; empty when it cannot be read.
QByteArray FileBytes(const QString& path);
// Waits up to ten seconds for a file to appear.
bool WaitForFile(const QString& path);

// A stand-in for MapSource at program (a script, on Windows a program) that
// appends its arguments to args.txt, copies the file it was given to copy.bin and then writes
// done.txt, all next to itself.
bool MakeFakeMapSource(const QString& program);

// Appends a waypoint named name at 47.5 N 7.5 E.
void AddTestWaypoint(WaypointStore& store, const QString& name);

// The built program, run to its end; status -1 when it crashed or hung.
struct ProgramRun {
    int status = -1;
    QString out;
    QString err;
};
// The system's environment without any display, with HOME at home and the
// configuration, data and Wine folders below it (config, data, wine). On
// Windows, where the settings are the user's registry, they are emptied.
QProcessEnvironment ProgramEnvironment(const QString& home);
// Stores settings of section "Program Settings" where the program run with
// ProgramEnvironment(home) reads them.
bool StoreProgramSettings(const QString& home, const QList<std::pair<QString, QString>>& values);
ProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QString& workingFolder = QString());
