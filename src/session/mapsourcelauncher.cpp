#include "session/mapsourcelauncher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"

namespace {

const QString kMapSourceDir = QStringLiteral("Mapsource_Dir");
const QString kExecutable = QStringLiteral("mapsource.exe");

#ifdef Q_OS_WIN
constexpr QChar kSeparator = u'\\';
#else
constexpr QChar kSeparator = u'/';
#endif

// FileExists: a regular file, not a folder.
bool IsFile(const QString& path) {
    return QFileInfo(path).isFile();
}

QString ExistingExecutable(const QString& path) {
#ifdef Q_OS_WIN
    return IsFile(path) ? path : QString();
#else
    return FindFileIgnoringCase(path);
#endif
}

// Starts MapSource on the file; a failure is reported naming the program.
bool Start(Session& session, const QString& executable, const QString& file) {
    const StartCommand command = MapSourceCommand(executable, file);
    if (command.program.isEmpty()) {
        session.report({command.problem, QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return false;
    }
    QString error;
    if (!session.processes.startDetached(command.program, command.arguments, &error)) {
        session.report({QStringLiteral("Could not start ") +
                            QDir::toNativeSeparators(command.program) + QStringLiteral(":\r\n") +
                            error,
                        QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return false;
    }
    session.temporaryFilesHandedOver.insert(file, session.nowUtc());
    return true;
}

// Without anybody to answer the dialog, the run says what it looked for.
void ReportNotFound(Session& session) {
    session.report(
        {QStringLiteral("MapSource was not found, so it was not started.\r\n"
                        "Set the value \"Mapsource_Dir\" (section \"Program Settings\" in ") +
             session.settings.location() +
             QStringLiteral(") to the folder that holds mapsource.exe."),
         QStringLiteral("Wayfold"), MessageIcon::Exclamation});
}

}  // namespace

QString WithTrailingSeparator(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))) {
        return folder;
    }
    return folder + kSeparator;
}

QString FindFileIgnoringCase(const QString& path) {
    if (path.isEmpty()) {
        return QString();
    }
    if (IsFile(path)) {
        return path;
    }
    const QStringList parts = QDir::fromNativeSeparators(path).split(QLatin1Char('/'));
    QString found = parts.front().isEmpty() ? QStringLiteral("/") : parts.front();
    if (!parts.front().isEmpty() && !QFileInfo(found).exists()) {
        return QString();
    }
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty()) {
            continue;
        }
        QDir dir(found);
        QString next;
        if (QFileInfo::exists(dir.filePath(part))) {
            next = dir.filePath(part);
        } else {
            const QStringList names =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            for (const QString& name : names) {
                if (name.compare(part, Qt::CaseInsensitive) == 0) {
                    next = dir.filePath(name);
                    break;
                }
            }
        }
        if (next.isEmpty()) {
            return QString();
        }
        found = next;
    }
    return IsFile(found) ? found : QString();
}

QStringList StandardMapSourcePlaces() {
    const QStringList relative = {
        QStringLiteral("garmin/mapsource/mapsource.exe"),
        QStringLiteral("mapsource/mapsource.exe"),
        QStringLiteral("garmin/mapsource.exe"),
    };
#ifdef Q_OS_WIN
    // The program folders as Windows names them (they need not be on c:),
    // lower-cased like every folder stored for MapSource.
    QStringList roots;
    for (const auto& [variable, fallback] :
         {std::pair{"ProgramFiles", u"c:/program files"},
          std::pair{"ProgramFiles(x86)", u"c:/program files (x86)"}}) {
        roots.push_back(qEnvironmentVariable(variable, QString::fromUtf16(fallback)).toLower() +
                        QLatin1Char('/'));
    }
#else
    QStringList roots = {QStringLiteral("program files/"), QStringLiteral("program files (x86)/")};
    QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (prefix.isEmpty()) {
        prefix = QDir::homePath() + QStringLiteral("/.wine");
    }
    for (QString& root : roots) {
        root.prepend(prefix + QStringLiteral("/drive_c/"));
    }
#endif
    QStringList places;
    for (const QString& root : roots) {
        for (const QString& tail : relative) {
            places.push_back(QDir::toNativeSeparators(root + tail));
        }
    }
    return places;
}

StartCommand MapSourceCommand(const QString& executable, const QString& file) {
#ifdef Q_OS_WIN
    return {executable, {QDir::toNativeSeparators(file)}, QString()};
#else
    // A Windows program (a PE file starts with "MZ") runs through Wine; a
    // program the system can run itself is started directly.
    QFile f(executable);
    const bool windowsProgram = f.open(QIODevice::ReadOnly) && f.read(2) == "MZ";
    if (!windowsProgram) {
        return {executable, {file}, QString()};
    }
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) {
        return {QString(),
                {},
                QStringLiteral("MapSource (") + executable +
                    QStringLiteral(") is a Windows program, and \"wine\", which starts Windows "
                                   "programs, was not found on PATH.")};
    }
    QString windowsFile = file;
    windowsFile.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return {wine, {executable, QStringLiteral("Z:") + windowsFile}, QString()};
#endif
}

namespace {

// Finds MapSource and starts it on the file. The stored folder comes first;
// with searchPlaces an empty one sends the search through the standard
// places, and the stored text always gets its separator (without it, the
// program's name joins the folder's last part). When nothing is found, the
// user is told so and may locate the program, until it is found or the
// dialog is cancelled; the folder found is remembered.
void FindAndStart(Session& session, const QString& file, bool searchPlaces) {
    QString folder = session.settings.valueOr(kMapSourceDir, QString());
    bool picked = false;
    for (;;) {
        if (folder.isEmpty() && searchPlaces) {
            for (const QString& place : StandardMapSourcePlaces()) {
                const QString executable = ExistingExecutable(place);
                if (!executable.isEmpty()) {
                    // QFileInfo gives "/" on every system; the folder is
                    // stored as the system writes it ("c:\program files\...").
                    session.settings.setValue(
                        kMapSourceDir,
                        QDir::toNativeSeparators(QFileInfo(executable).path()) + kSeparator);
                    Start(session, executable, file);
                    return;
                }
            }
        } else if (!folder.isEmpty()) {
            if (searchPlaces || picked) {
                folder = WithTrailingSeparator(folder);
            }
            const QString executable = ExistingExecutable(folder + kExecutable);
            if (!executable.isEmpty()) {
                if (Start(session, executable, file) && (searchPlaces || picked)) {
                    session.settings.setValue(kMapSourceDir, folder);
                }
                return;
            }
        }
        if (!session.frontend.canAsk()) {
            ReportNotFound(session);
            return;
        }
        session.tell({QStringLiteral("MapSource was not found.\r\n"
                                     "Please locate mapsource.exe, or cancel to leave it."),
                      QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        const std::optional<QString> answer = session.frontend.openFileDialog(
            {QStringLiteral("Locate Mapsource Executable..."), kExecutable,
             QStringLiteral("Executables (*.exe)|*.exe"), QStringLiteral("exe"), QString()});
        if (!answer || answer->isEmpty() || answer->contains(QLatin1Char('*'))) {
            return;
        }
#ifdef Q_OS_WIN
        // Windows names ignore letter case; the folder is kept lower-cased.
        const QString path = QDir::toNativeSeparators(answer->toLower());
#else
        // Elsewhere letter case is part of the name and is kept.
        const QString path = QDir::toNativeSeparators(*answer);
#endif
        folder = path.left(path.lastIndexOf(kSeparator));
        picked = true;
    }
}

}  // namespace

void OpenInMapSource(Session& session, const QString& file) {
    FindAndStart(session, file, true);
}

void OpenInStoredMapSource(Session& session, const QString& file) {
    FindAndStart(session, file, false);
}
