#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/frontend.h"
#include "core/options.h"
#include "core/store.h"

class ProcessStarter;
class SettingsStore;

// The current time in UTC.
using Clock = std::function<QDateTime()>;

// The system's mounted volumes, and the room left on the volume of a path.
QStringList MountedVolumes();
qint64 FreeBytes(const QString& path);

// Everything one run of the program holds: the waypoint store, the options
// and the program-wide flags, together with the seams to the outside (user
// interface, settings store, process start, clock, temporary folder). The
// window and the console each build one; tests build theirs with fakes.
struct Session {
    Session(Frontend& frontend, SettingsStore& settings, ProcessStarter& processes, Clock clock,
            QString tempFolder);

    Frontend& frontend;
    SettingsStore& settings;
    ProcessStarter& processes;
    Clock clock;
    QString tempFolder;

    WaypointStore store;
    Options options;
    // Temporary files made for MapSource; deleted when the program ends.
    QStringList TemporaryFiles;
    // When each temporary file was handed to a started program.
    QHash<QString, QDateTime> temporaryFilesHandedOver;
    bool CancelImport = false;
    bool QuitWhenDone = false;
    // True while a reader runs; further imports and exports are refused then.
    bool importRunning = false;
    // The main window was closed: the run is over. No further file is read,
    // and what is left of a command line is not run.
    bool windowClosed = false;
    // Base name of the most recently imported file: the default save name.
    QString lastImportBaseName;
    // Every file imported in this run (absolute paths): a save dialog never
    // proposes one of them.
    QSet<QString> importedFiles;
    // Error and warning messages shown so far; a command-line run that showed
    // any ends with status 1.
    int problemCount = 0;

    // The mount points of the volumes mounted now, among which devices are
    // found, and the bytes free on the volume of a path (-1 when unknown).
    std::function<QStringList()> mountedVolumes = &MountedVolumes;
    std::function<qint64(const QString&)> freeBytes = &FreeBytes;
    // Where the map keeps the tiles it fetched; empty: the user's cache
    // folder. The tile server is the option TileAddress.
    QString tileCacheFolder;

    QDateTime nowUtc() const { return clock(); }

    // Shows an error or warning message and counts it as a problem.
    MessageAnswer report(const UserMessage& message);
    // Shows a message that reports no problem (help, information asked for).
    MessageAnswer tell(const UserMessage& message) { return frontend.showMessage(message); }
};

// The system clock.
QDateTime SystemClockUtc();
