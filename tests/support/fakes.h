#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTest>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "core/frontend.h"
#include "session/importer.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"

template <typename T>
std::optional<T> TakeFront(std::deque<T>& queue) {
    if (queue.empty()) {
        return std::nullopt;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

// The texts of messages.
inline QStringList Texts(const std::vector<UserMessage>& messages) {
    QStringList texts;
    for (const UserMessage& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

// A front end that records everything asked of it and answers message boxes
// and dialogs from queues the test fills (default button / cancelled when the
// queue is empty).
class FakeFrontend final : public Frontend {
public:
    MessageAnswer showMessage(const UserMessage& message) override {
        messages.push_back(message);
        return TakeFront(messageAnswers).value_or(DefaultAnswer(message.buttons));
    }
    void setStatusText(int panel, const QString& text) override {
        if (panel == 1 || panel == 2) {
            (panel == 1 ? panel1 : panel2) = text;
        }
    }
    void setExportCaption(const QString&) override {}
    void setClearCaption(const QString&) override {}
    void setBusy(bool busy) override { busyChanges.push_back(busy); }
    void processEvents() override {}
    void setProgress(qint64, qint64) override {}
    void importFinished() override {}
    std::optional<QString> saveFileDialog(const FileDialogRequest& request) override {
        dialogs.push_back(request);
        return takeDialogAnswer();
    }
    std::optional<QString> openFileDialog(const FileDialogRequest& request) override {
        return saveFileDialog(request);
    }
    std::optional<QString> folderDialog(const QString& prompt) override {
        folderPrompts.push_back(prompt);
        return takeDialogAnswer();
    }
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

    QStringList messageTexts() const { return Texts(messages); }

private:
    // A null answer, or none left, is a cancel.
    std::optional<QString> takeDialogAnswer() {
        const std::optional<QString> answer = TakeFront(dialogAnswers);
        return answer && !answer->isNull() ? answer : std::nullopt;
    }
};

class FakeProcessStarter final : public ProcessStarter {
public:
    struct Start {
        QString program;
        QStringList arguments;
    };
    bool startDetached(const QString& program, const QStringList& arguments,
                       QString* error) override {
        starts.push_back({program, arguments});
        *error = failure.isEmpty() ? *error : failure;
        return failure.isEmpty();
    }

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
    void letEventsThrough() override { cancelRequested |= ++eventPasses == cancelAfterEvents; }
    bool takeCancelRequest() override { return std::exchange(cancelRequested, false); }
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
    FakeFrontend frontend;
    MemorySettingsStore settings;
    FakeProcessStarter processes;
    QDateTime now{QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC};
    Session session{frontend, settings, processes, [this] { return now; }, QDir::tempPath()};
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
inline QString FixturePath(const QString& name) {
    return QStringLiteral(WAYFOLD_FIXTURES) + QLatin1Char('/') + name;
}

inline bool FixturesAvailable() {
    return QFileInfo(QStringLiteral(WAYFOLD_FIXTURES)).isDir();
}

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
inline bool MakeFile(const QString& path, const QByteArray& content = QByteArray(),
                     bool executable = false) {
    QFile f(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !f.open(QIODevice::WriteOnly) ||
        f.write(content) != content.size()) {
        return false;
    }
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

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
inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Waits up to ten seconds for a file to appear.
inline bool WaitForFile(const QString& path) {
    for (int i = 0; i < 400 && !QFileInfo::exists(path); ++i) {
        QTest::qWait(25);
    }
    return QFileInfo::exists(path);
}

// A stand-in for MapSource at program (a script, on Windows a program) that
// appends its arguments to args.txt, copies the file it was given to copy.bin and then writes
// done.txt, all next to itself.
inline bool MakeFakeMapSource(const QString& program) {
#ifdef Q_OS_WIN
    QFile::remove(program);
    return QDir().mkpath(QFileInfo(program).path()) &&
           QFile::copy(QStringLiteral(WAYFOLD_FAKE_MAPSOURCE), program);
#else
    return MakeFile(program,
                    "#!/bin/sh\n"
                    "here=$(dirname \"$0\")\n"
                    "printf '%s\\n' \"$@\" >> \"$here/args.txt\"\n"
                    "cp \"$1\" \"$here/copy.bin\"\n"
                    "echo done >> \"$here/done.txt\"\n",
                    true);
#endif
}

// Appends a waypoint named name at 47.5 N 7.5 E.
inline void AddTestWaypoint(WaypointStore& store, const QString& name) {
    Waypoint w;
    w.Name = name;
    w.Latitude = 47.5;
    w.Longitude = 7.5;
    w.LatSemicircles = DegreesToSemicircles(w.Latitude);
    w.LonSemicircles = DegreesToSemicircles(w.Longitude);
    store.Waypoints.push_back(w);
}

// The built program, run to its end; status -1 when it crashed or hung.
struct ProgramRun {
    int status = -1;
    QString out;
    QString err;
};
// The system's environment without any display, with HOME at home and the
// configuration, data and Wine folders below it (config, data, wine). On
// Windows, where the settings are the user's registry, they are emptied.
inline QProcessEnvironment ProgramEnvironment(const QString& home) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        e.remove(QString::fromLatin1(name));
    }
    e.insert(QStringLiteral("HOME"), home);
    e.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    e.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    e.insert(QStringLiteral("WINEPREFIX"), home + QStringLiteral("/wine"));
#ifdef Q_OS_WIN
    QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Wayfold"), QSettings::NativeFormat)
        .remove(QString());
#endif
    return e;
}

// The settings of the program run with ProgramEnvironment(home).
inline std::unique_ptr<QSettings> ProgramSettings(const QString& home) {
#ifdef Q_OS_WIN
    Q_UNUSED(home);
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Wayfold\\Wayfold"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(home + QStringLiteral("/config/Wayfold/Wayfold.ini"),
                                       QSettings::IniFormat);
#endif
}

// Stores settings of section "Program Settings" where the program run with
// ProgramEnvironment(home) reads them.
inline bool StoreProgramSettings(const QString& home,
                                 const QList<std::pair<QString, QString>>& values) {
    const auto settings = ProgramSettings(home);
    for (const auto& [name, value] : values) {
        settings->setValue(QStringLiteral("Program Settings/") + name, value);
    }
    settings->sync();
    return settings->status() == QSettings::NoError;
}

#ifdef Q_OS_WIN
// A test's arguments are written as on Linux; Windows takes every "/" for the
// start of a flag, so the paths in them go over with the drive and "\".
inline QString WindowsArgument(const QString& argument) {
    const auto native = [](const QString& path) {
        return QDir::toNativeSeparators(path.startsWith(u'/') ? QFileInfo(path).absoluteFilePath()
                                                              : path);
    };
    if (argument.startsWith(u'/') && argument.size() > 2 && argument.at(2) == u':') {
        return argument.left(3) + native(argument.mid(3));
    }
    return argument.startsWith(u'/') && argument.indexOf(u'/', 1) < 0 ? argument : native(argument);
}

#endif

inline ProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
                             const QString& workingFolder = QString()) {
    QProcess p;
#ifdef Q_OS_WIN
    // The temporary folder a test gives is the program's on Windows too.
    QProcessEnvironment windows = environment;
    if (environment.contains(QStringLiteral("TMPDIR"))) {
        const QString temp = QDir::toNativeSeparators(environment.value(QStringLiteral("TMPDIR")));
        windows.insert(QStringLiteral("TMP"), temp);
        windows.insert(QStringLiteral("TEMP"), temp);
    }
    p.setProcessEnvironment(windows);
#else
    p.setProcessEnvironment(environment);
#endif
    p.setWorkingDirectory(workingFolder);
#ifdef Q_OS_WIN
    QStringList windowsArguments;
    for (const QString& argument : arguments) {
        windowsArguments.push_back(WindowsArgument(argument));
    }
    p.start(QStringLiteral(WAYFOLD_PROGRAM), windowsArguments);
#else
    p.start(QStringLiteral(WAYFOLD_PROGRAM), arguments);
#endif
    // Three minutes, for the sanitizers: a program that takes longer hangs.
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    // Windows writes a program's text with CR LF line ends.
    const auto text = [](const QByteArray& bytes) {
        QString lines = QString::fromUtf8(bytes);
#ifdef Q_OS_WIN
        lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
#endif
        return lines;
    };
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            text(p.readAllStandardOutput()), text(p.readAllStandardError())};
}
