#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "core/frontend.h"
#include "core/importer.h"
#include "core/process.h"
#include "core/session.h"
#include "settings/settingsstore.h"

// A front end that records everything asked of it and answers message boxes
// and dialogs from queues the test fills (default button / cancelled when the
// queue is empty).
class FakeFrontend final : public Frontend {
public:
    MessageAnswer showMessage(const UserMessage& message) override;
    void setStatusText(int panel, const QString& text) override;
    void setExportCaption(const QString& text) override { exportCaption = text; }
    void setClearCaption(const QString& text) override { clearCaptions.push_back(text); }
    void setBusy(bool busy) override { busyChanges.push_back(busy); }
    void processEvents() override;
    void setProgress(qint64 done, qint64 total) override { lastProgress = {done, total}; }
    void importFinished() override { ++importsFinished; }
    bool canAsk() const override { return interactive; }
    std::optional<QString> saveFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> openFileDialog(const FileDialogRequest& request) override;
    std::optional<QString> folderDialog(const QString& prompt) override;

    // What was shown.
    std::vector<UserMessage> messages;
    QString panel1;
    QString panel2;
    QStringList panel2History;
    QString exportCaption;
    QStringList clearCaptions;
    std::vector<bool> busyChanges;
    std::pair<qint64, qint64> lastProgress{0, 0};
    int importsFinished = 0;
    int eventsProcessed = 0;
    std::vector<FileDialogRequest> dialogs;
    QStringList folderPrompts;

    // False acts like a headless run: nobody can answer dialogs.
    bool interactive = true;
    // Answers, taken from the front.
    std::deque<MessageAnswer> messageAnswers;
    // A null QString answers "cancelled".
    std::deque<QString> dialogAnswers;
    // Runs whenever the core lets events through (to press Cancel mid-import, say).
    std::function<void()> onProcessEvents;

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
    bool fail = false;
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

// Skips the current test when the peer fixtures are not at hand.
QString FixturePath(const QString& name);
bool FixturesAvailable();
