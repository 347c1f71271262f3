#include "session/commandline.h"

#include <QFileInfo>

#include "core/textutil.h"
#include "session/exporter.h"
#include "session/formats.h"
#include "session/importer.h"
#include "session/session.h"

namespace {

QStringList UsageLines() {
    QString synopsis = QStringLiteral("Wayfold [file1 file2 file3 ...]");
    QStringList flags;
    for (const Destination& destination : Destinations()) {
        if (destination.synopsis != nullptr) {
            synopsis += QLatin1Char(' ') + QLatin1String(destination.synopsis);
        }
        flags.push_back(QLatin1String(destination.usage));
    }
    for (const FileFormat& format : FileFormats()) {
        if (format.synopsis != nullptr) {
            synopsis += QLatin1Char(' ') + QLatin1String(format.synopsis);
        }
        if (format.flag != 0) {
            flags.push_back(QLatin1String(format.usage));
        }
    }
    return QStringList{QStringLiteral("Usage: "), synopsis + QStringLiteral(" [/q]"), QString(),
                       QStringLiteral("file1 file2... : Filenames of importable files")} +
           flags +
           QStringList{
               QStringLiteral("/q : Quit Wayfold (useful for scripting)"),
               QString(),
               QStringLiteral("Filenames may either be relative or absolute."),
               QStringLiteral("Filenames with spaces much be eclosed in double-quotes (\"\")"),
           };
}

// "/s:file, /g:file ... or /x:file": how the flags that take a file are written.
QString FileFlagsText() {
    QStringList flags;
    for (const FileFormat& format : FileFormats()) {
        if (format.flag != 0) {
            flags.push_back(QStringLiteral("/") + QLatin1Char(format.flag) +
                            QStringLiteral(":file"));
        }
    }
    const QString last = flags.takeLast();
    return flags.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// The flags: the first two characters, "/" and a letter (lower-cased), choose
// a destination or a format. Flags that take a file name lose their first
// three characters.
Command FlagCommand(const QString& argument) {
    const QChar letter = argument.size() > 1 && argument.front() == QLatin1Char('/')
                             ? argument.at(1).toLower()
                             : QChar();
    if (letter == QLatin1Char('q')) {
        return {Command::Quit, QString()};
    }
    for (const Destination& destination : Destinations()) {
        if (letter == QLatin1Char(destination.flag)) {
            return {Command::Send, destination.takesPath ? argument.mid(3) : QString(), nullptr,
                    &destination};
        }
    }
    for (const FileFormat& format : FileFormats()) {
        if (format.flag != 0 && letter == QLatin1Char(format.flag)) {
            return {Command::Write, argument.mid(3), &format};
        }
    }
    return {Command::InvalidFlag, argument};
}

// Our own long options. They never reach the flag table.
bool TakeLongOption(const QString& argument, CommandLine& result) {
    if (!argument.startsWith(QLatin1String("--"))) {
        return false;
    }
    const QString option = argument.toLower();
    if (option == QLatin1String("--headless")) {
        result.headless = true;
    } else if (option == QLatin1String("--help")) {
        result.showUsage = true;
    } else if (option == QLatin1String("--version")) {
        result.showVersion = true;
    } else {
        result.commands.push_back({Command::InvalidFlag, argument});
    }
    return true;
}

// On POSIX systems "/" also starts every absolute path: an argument is a
// flag when it starts with "/" and holds no further "/" ("/q", "/sxout.mps"),
// or when its third character is ":" ("/s:/tmp/x.mps").
bool IsPosixFlag(const QString& argument) {
    return argument.startsWith(QLatin1Char('/')) &&
           (argument.indexOf(QLatin1Char('/'), 1) < 0 ||
            (argument.size() > 2 && argument.at(2) == QLatin1Char(':')));
}

bool EndsAtInvalidFlag(const CommandLine& result) {
    return !result.commands.empty() && result.commands.back().kind == Command::InvalidFlag;
}

}  // namespace

QString UsageText() {
    return UsageLines().join(QStringLiteral("\r\n"));
}

QString TerminalUsageText() {
    return UsageLines().join(u'\n') +
           QStringLiteral(
               "\n\n"
               "--headless : Work without a window, even when a display is available\n"
               "--version : Print the version\n"
               "--help : Show this usage\n");
}

CommandLine ParseWindowsCommandLine(const QString& rawText, const QString& currentFolder) {
    CommandLine result;
    QString text = rawText.trimmed();
    // Only flags are matched without regard to letter case; file names keep theirs.
    const QString lower = text.toLower();
    if (lower == QLatin1String("/q")) {
        result.quitAtOnce = true;
        return result;
    }
    result.showUsage = lower.contains(QLatin1String("/?"));
    result.quitWhenDone = lower.contains(QLatin1String("/q"));

    // A quoted flag value (/s:"c:\my files\x.mps") becomes a quoted argument
    // ("/s:c:\my files\x.mps"): the opening quote moves in front of the flag.
    // Each rewrite moves a quote three places to the left, so this ends.
    for (;;) {
        const qsizetype colon = text.indexOf(QLatin1String(":\""));
        if (colon < 2) {
            break;
        }
        text =
            text.left(colon - 2) + QLatin1Char('"') + text.mid(colon - 2, 3) + text.mid(colon + 2);
    }

    while (!text.isEmpty()) {
        const QString argument = NextToken(text);
        if (argument.isEmpty()) {
            continue;
        }
        if (TakeLongOption(argument, result)) {
            if (EndsAtInvalidFlag(result)) {
                break;
            }
            continue;
        }
        result.empty = false;
        if (argument.contains(QLatin1Char('/'))) {
            result.commands.push_back(FlagCommand(argument));
            if (EndsAtInvalidFlag(result)) {
                break;
            }
            continue;
        }
        if (argument.contains(QLatin1Char(':'))) {
            result.commands.push_back({Command::Import, argument});
        } else if (argument.contains(QLatin1Char('.')) && argument.startsWith(QLatin1Char('\\'))) {
            result.commands.push_back({Command::Import, currentFolder + argument});
        } else if (argument.contains(QLatin1Char('.')) ||
                   QFileInfo(currentFolder + QLatin1Char('\\') + argument).isDir()) {
            result.commands.push_back(
                {Command::Import, currentFolder + QLatin1Char('\\') + argument});
        }
        // A name without a colon and without a dot is skipped silently.
    }
    if (EndsAtInvalidFlag(result)) {
        result.empty = false;
    }
    return result;
}

CommandLine ParsePosixArguments(const QStringList& arguments, const QString& currentFolder) {
    CommandLine result;
    QStringList plain;
    for (const QString& argument : arguments) {
        if (!argument.startsWith(QLatin1String("--"))) {
            plain.push_back(argument);
        }
    }
    if (plain.size() == 1 && plain.front().compare(QLatin1String("/q"), Qt::CaseInsensitive) == 0) {
        result.quitAtOnce = true;
    }
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("/?") ||
            argument.compare(QLatin1String("--help"), Qt::CaseInsensitive) == 0) {
            result.showUsage = true;
        }
        if (IsPosixFlag(argument) && FlagCommand(argument).kind == Command::Quit) {
            result.quitWhenDone = true;
        }
    }

    for (const QString& argument : arguments) {
        if (TakeLongOption(argument, result)) {
            if (EndsAtInvalidFlag(result)) {
                break;
            }
            continue;
        }
        if (argument.isEmpty()) {
            continue;
        }
        result.empty = false;
        if (IsPosixFlag(argument)) {
            result.commands.push_back(FlagCommand(argument));
            if (EndsAtInvalidFlag(result)) {
                break;
            }
            continue;
        }
        const QString path = argument.startsWith(QLatin1Char('/'))
                                 ? argument
                                 : currentFolder + QLatin1Char('/') + argument;
        const QString fileName = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        if (fileName.contains(QLatin1Char('.')) || QFileInfo(path).isDir()) {
            result.commands.push_back({Command::Import, path});
        }
        // A file name without a dot is skipped silently; a folder may be a
        // device whose visits are imported.
    }
    if (EndsAtInvalidFlag(result)) {
        result.empty = false;
    }
    return result;
}

bool CommandsWriteListings(const CommandLine& commandLine) {
    return std::ranges::any_of(commandLine.commands, [](const Command& command) {
        const FileFormat* format = command.kind == Command::Write ? command.format
                                   : command.kind == Command::Send
                                       ? FormatById(QLatin1String(command.destination->format))
                                       : nullptr;
        return format != nullptr && format->writesListings;
    });
}

int RunCommands(Session& session, const CommandLine& commandLine) {
    session.QuitWhenDone = session.QuitWhenDone || commandLine.quitWhenDone;
    for (const Command& command : commandLine.commands) {
        if (session.windowClosed) {
            break;
        }
        switch (command.kind) {
            case Command::Import:
                ImportFile(session, command.path);
                break;
            case Command::Write:
                if (command.path.isEmpty()) {
                    session.report(
                        {QStringLiteral("No file name given after the flag; write it as ") +
                             FileFlagsText() + QLatin1Char('.'),
                         QStringLiteral("Wayfold"), MessageIcon::Exclamation});
                    break;
                }
                ExportFile(session, *command.format, command.path);
                break;
            case Command::Send:
                SendToDestination(session, *command.destination, command.path);
                break;
            case Command::Quit:
                session.QuitWhenDone = true;
                break;
            case Command::InvalidFlag:
                session.report({QStringLiteral("Invalid flag detected\r\n\r\n") + UsageText(),
                                QStringLiteral("Wayfold"), MessageIcon::None});
                return 2;
        }
    }
    // A run that the closed window cut short did not finish.
    return session.problemCount > 0 || session.windowClosed ? 1 : 0;
}
