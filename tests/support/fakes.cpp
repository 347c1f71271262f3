#include "support/fakes.h"

#include <zip.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <utility>

namespace {

template <typename T>
std::optional<T> TakeFront(std::deque<T>& queue) {
    if (queue.empty()) {
        return std::nullopt;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

MessageAnswer FakeFrontend::showMessage(const UserMessage& message) {
    messages.push_back(message);
    return TakeFront(messageAnswers).value_or(DefaultAnswer(message.buttons));
}

void FakeFrontend::setStatusText(int panel, const QString& text) {
    if (panel == 1) {
        panel1 = text;
    } else if (panel == 2) {
        panel2 = text;
    }
}

std::optional<QString> FakeFrontend::saveFileDialog(const FileDialogRequest& request) {
    dialogs.push_back(request);
    return takeDialogAnswer();
}

std::optional<QString> FakeFrontend::openFileDialog(const FileDialogRequest& request) {
    return saveFileDialog(request);
}

std::optional<QString> FakeFrontend::folderDialog(const QString& prompt) {
    folderPrompts.push_back(prompt);
    return takeDialogAnswer();
}

std::optional<QString> FakeFrontend::takeDialogAnswer() {
    // A null answer, or none left, is a cancel.
    const std::optional<QString> answer = TakeFront(dialogAnswers);
    return answer && !answer->isNull() ? answer : std::nullopt;
}

QStringList FakeFrontend::messageTexts() const {
    QStringList texts;
    for (const UserMessage& m : messages) {
        texts.push_back(m.text);
    }
    return texts;
}

void RecordingProgress::letEventsThrough() {
    ++eventPasses;
    if (cancelAfterEvents > 0 && eventPasses == cancelAfterEvents) {
        cancelRequested = true;
    }
}

bool RecordingProgress::takeCancelRequest() {
    return std::exchange(cancelRequested, false);
}

bool FakeProcessStarter::startDetached(const QString& program, const QStringList& arguments,
                                       QString* error) {
    starts.push_back({program, arguments});
    if (!failure.isEmpty()) {
        *error = failure;
        return false;
    }
    return true;
}

TestSession::TestSession()
    : now(QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC),
      session(
          frontend, settings, processes, [this] { return now; }, QDir::tempPath()) {}

QString FixturePath(const QString& name) {
    return QStringLiteral(WAYFOLD_FIXTURES) + QLatin1Char('/') + name;
}

bool FixturesAvailable() {
    return QFileInfo(QStringLiteral(WAYFOLD_FIXTURES)).isDir();
}

bool MakeFile(const QString& path, const QByteArray& content, bool executable) {
    QFile f(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !f.open(QIODevice::WriteOnly) ||
        f.write(content) != content.size()) {
        return false;
    }
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

bool MakeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries,
             bool stored) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    for (const auto& [name, bytes] : entries) {
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t index =
            name.endsWith(u'/') ? zip_dir_add(archive, utf8.constData(), ZIP_FL_ENC_UTF_8)
                                : zip_file_add(archive, utf8.constData(),
                                               zip_source_buffer(archive, bytes.constData(),
                                                                 zip_uint64_t(bytes.size()), 0),
                                               ZIP_FL_ENC_UTF_8);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index),
                                                  stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

QList<ZipEntry> ZipEntries(const QString& path) {
    QList<ZipEntry> entries;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (file == nullptr || zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0) {
            zip_fclose(file);
            break;
        }
        ZipEntry entry{QString::fromUtf8(stat.name), QByteArray(qsizetype(stat.size), '\0'),
                       QStringLiteral("%1").arg(stat.crc, 8, 16, QLatin1Char('0'))};
        if (zip_fread(file, entry.bytes.data(), stat.size) != zip_int64_t(stat.size)) {
            entry.bytes.clear();
        }
        zip_fclose(file);
        entries.push_back(entry);
    }
    zip_close(archive);
    return entries;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WaitForFile(const QString& path) {
    for (int i = 0; i < 400 && !QFileInfo::exists(path); ++i) {
        QTest::qWait(25);
    }
    return QFileInfo::exists(path);
}

bool MakeFakeMapSource(const QString& program) {
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

void AddTestWaypoint(WaypointStore& store, const QString& name) {
    Waypoint w;
    w.Name = name;
    w.Latitude = 47.5;
    w.Longitude = 7.5;
    w.LatSemicircles = DegreesToSemicircles(w.Latitude);
    w.LonSemicircles = DegreesToSemicircles(w.Longitude);
    store.Waypoints.push_back(w);
}

QProcessEnvironment ProgramEnvironment(const QString& home) {
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

bool StoreProgramSettings(const QString& home, const QList<std::pair<QString, QString>>& values) {
#ifdef Q_OS_WIN
    Q_UNUSED(home);
    QSettings settings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Wayfold\\Wayfold"),
                       QSettings::NativeFormat);
#else
    QSettings settings(home + QStringLiteral("/config/Wayfold/Wayfold.ini"), QSettings::IniFormat);
#endif
    for (const auto& [name, value] : values) {
        settings.setValue(QStringLiteral("Program Settings/") + name, value);
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
}

#ifdef Q_OS_WIN
namespace {

// A test's arguments are written as on Linux; Windows takes every "/" for the
// start of a flag, so the paths in them go over with the drive and "\".
QString WindowsArgument(const QString& argument) {
    const auto native = [](const QString& path) {
        return QDir::toNativeSeparators(path.startsWith(u'/') ? QFileInfo(path).absoluteFilePath()
                                                              : path);
    };
    if (argument.startsWith(u'/') && argument.size() > 2 && argument.at(2) == u':') {
        return argument.left(3) + native(argument.mid(3));
    }
    return argument.startsWith(u'/') && argument.indexOf(u'/', 1) < 0 ? argument : native(argument);
}

}  // namespace
#endif

ProgramRun RunProgram(const QStringList& arguments, const QProcessEnvironment& environment,
                      const QString& workingFolder) {
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
    // Three minutes: a run over a 100 MB file takes a while under the sanitizers.
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
