// Start-up: reads the command line, chooses the window or the console, and
// works through the files and flags given.
#include <QApplication>
#include <QDir>
#include <cstdio>
#include <vector>

#include "app/consolefrontend.h"
#include "core/options.h"
#include "session/commandline.h"
#include "session/importer.h"
#include "session/optionstore.h"
#include "session/process.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "session/tempfiles.h"
#include "ui/mainwindow.h"
#include "ui/widgetfrontend.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// The program is a window program, so Windows gives it no console. Started
// from one (cmd, PowerShell), its text goes to that console; written into a
// pipe or a file, it already has where to go.
void AttachParentConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* ignored = nullptr;
        freopen_s(&ignored, "CONOUT$", "w", stdout);
        freopen_s(&ignored, "CONOUT$", "w", stderr);
    }
}
#endif

CommandLine ReadCommandLine(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    // The raw text after the program name, which may itself be quoted.
    QString text = QString::fromWCharArray(GetCommandLineW());
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        text = close < 0 ? QString() : text.mid(close + 1);
    } else {
        const qsizetype space = text.indexOf(QLatin1Char(' '));
        text = space < 0 ? QString() : text.mid(space + 1);
    }
    return ParseWindowsCommandLine(text, QDir::toNativeSeparators(QDir::currentPath()));
#else
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(QString::fromLocal8Bit(argv[i]));
    }
    return ParsePosixArguments(arguments, QDir::currentPath());
#endif
}

// Holds back Qt's own diagnostics while the platform is chosen.
class HeldMessages {
public:
    static void start() { previous_ = qInstallMessageHandler(&hold); }
    static void stop(bool replay) {
        qInstallMessageHandler(previous_);
        if (replay) {
            for (const Held& m : held_) {
                qt_message_output(m.type, QMessageLogContext(), m.text);
            }
        }
        held_.clear();
    }

private:
    struct Held {
        QtMsgType type;
        QString text;
    };
    static void hold(QtMsgType type, const QMessageLogContext&, const QString& text) {
        held_.push_back({type, text});
    }
    static inline QtMessageHandler previous_ = nullptr;
    static inline std::vector<Held> held_;
};

// Runs run on a session with the system's settings, processes, clock and
// temporary folder, after our temporary files of earlier runs are cleaned up;
// or only shows the usage.
template <typename Run>
int RunSession(Frontend& frontend, bool showUsage, Run run) {
    QtSettingsStore settings;
    QtProcessStarter processes;
    Session session(frontend, settings, processes, &SystemClockUtc, QDir::tempPath());
    DeleteStaleTemporaryFiles(session.tempFolder, session.nowUtc());
    if (showUsage) {
        session.tell(
            {UsageText(), QStringLiteral("Wayfold Help Dialog"), MessageIcon::Information});
        return 0;
    }
    return run(session);
}

int RunHeadless(const CommandLine& commandLine) {
    if (commandLine.showUsage) {
        std::fputs(TerminalUsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    ConsoleFrontend frontend;
    // With nothing to do and no window, the usage says what could be done.
    return RunSession(frontend, commandLine.empty, [&](Session& session) {
        RestoreOptions(session.options, session.settings);
        session.store.KeepListings = CommandsWriteListings(commandLine);
        const int status = RunCommands(session, commandLine);
        DeleteTemporaryFiles(session);
        return status;
    });
}

int RunWindow(QApplication& app, const CommandLine& commandLine) {
    WidgetFrontend frontend;
    return RunSession(frontend, commandLine.showUsage, [&](Session& session) {
        MainWindow window(session);
        frontend.attach(&window);
        window.load();
        window.show();
        RestoreOptions(session.options, session.settings);
        window.showRestoredOptions();
        window.showImportDir();
        int status = 0;
        if (!commandLine.empty) {
            status = RunCommands(session, commandLine);
            // A window closed while the command line ran has been unloaded already.
            if (status == 2 || session.QuitWhenDone || !window.isVisible()) {
                window.close();
                DeleteTemporaryFiles(session);
                return status;
            }
            // Files opened in the window while the command line imported.
            window.importQueued();
        }
        app.exec();
        DeleteTemporaryFiles(session);
        return window.exitStatus();
    });
}

}  // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    AttachParentConsole();
#endif
    const CommandLine commandLine = ReadCommandLine(argc, argv);
    if (commandLine.quitAtOnce) {
        return 0;
    }
    if (commandLine.showVersion) {
        std::printf("Wayfold %s\n", WAYFOLD_VERSION);
        return 0;
    }
    if (commandLine.headless) {
        QCoreApplication app(argc, argv);
        return RunHeadless(commandLine);
    }
    // Without a display the window cannot open; the "minimal" platform then
    // takes over and the run goes on headless. Asking Qt for the list keeps a
    // missing display from aborting the program. Windows always has its own.
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
                                       ? QByteArrayLiteral("wayland;xcb;minimal")
                                       : QByteArrayLiteral("xcb;minimal"));
    }
#endif
    // What Qt says while it looks for a display is held back: it matters only
    // when a window is going to open, not for a headless run.
    HeldMessages::start();
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() == QLatin1String("minimal")) {
        HeldMessages::stop(false);
        return RunHeadless(commandLine);
    }
    HeldMessages::stop(true);
    return RunWindow(app, commandLine);
}
