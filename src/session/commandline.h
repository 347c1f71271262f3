#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct Session;

struct Destination;
struct FileFormat;

// One argument of the command line, in the order given.
struct Command {
    enum Kind {
        Import,       // a file to import
        Write,        // a format's flag with a file name ("/s:file")
        Send,         // a destination's flag ("/m")
        Quit,         // /q
        InvalidFlag,  // any other flag; processing ends here
    };
    Kind kind = Import;
    QString path;  // the file for Import and Write; the flag itself for InvalidFlag
    const FileFormat* format = nullptr;
    const Destination* destination = nullptr;
};

struct CommandLine {
    bool quitAtOnce = false;    // the only argument is /q
    bool showUsage = false;     // /? or --help anywhere
    bool showVersion = false;   // --version
    bool headless = false;      // --headless
    bool quitWhenDone = false;  // /q anywhere
    bool empty = true;          // nothing to process: the user works in the window
    std::vector<Command> commands;
};

// Whether a command writes a file that carries the caches' listings (straight
// or for a destination).
bool CommandsWriteListings(const CommandLine& commandLine);

// The Windows command line: the raw text after the program name, split the way
// Windows programs of this kind split it (double quotes around arguments with
// spaces, "/s:"-style flags with quoted values).
CommandLine ParseWindowsCommandLine(const QString& text, const QString& currentFolder);

// POSIX arguments as the shell delivered them. An argument that starts with
// "/" is a flag when it holds no further "/" or has ":" as its third
// character, and its first two characters choose it; anything else is a file
// name.
CommandLine ParsePosixArguments(const QStringList& arguments, const QString& currentFolder);

// The usage message, lines separated by CR LF.
QString UsageText();
// The usage for a terminal (--help, /? without a window): lines ended by LF,
// followed by our own long options.
QString TerminalUsageText();

// Works through the commands left to right and returns the exit status: 0
// when all went well, 1 when any import or export reported a problem or the
// window was closed during the run (which ends the processing), 2 for an
// invalid flag (which ends the processing).
int RunCommands(Session& session, const CommandLine& commandLine);
