#pragma once

#include <QString>
#include <QStringList>

struct Session;

// Starts MapSource on a written file (an MPS file). Looks in "Mapsource_Dir"
// first, then in the standard places, then asks the user to locate the
// program; remembers the folder it found.
void OpenInMapSource(Session& session, const QString& file);

// Starts MapSource on a written file (a GDB file) from the folder stored in
// "Mapsource_Dir", taken as it stands: it never searches the standard places
// (the MapSource found there may be too old for the file). When it is not
// there the user may locate it, as above.
void OpenInStoredMapSource(Session& session, const QString& file);

// The standard places MapSource installs itself in, as executable paths. On
// Windows the Program Files folders of drive C; elsewhere the same places
// inside the Wine prefix ($WINEPREFIX, default ~/.wine), under drive_c.
QStringList StandardMapSourcePlaces();

// The path of an existing regular file, each component matched without
// regard to letter case when no exact match exists (Windows names are
// case-insensitive; Wine's files on a POSIX disc are not). Empty when absent.
QString FindFileIgnoringCase(const QString& path);

// How a program is started with one file: the program itself, or wine with
// the program and the file in the form Wine understands ("Z:\..."). Empty
// program when it cannot be started (then `problem` says why).
struct StartCommand {
    QString program;
    QStringList arguments;
    QString problem;
};
StartCommand MapSourceCommand(const QString& executable, const QString& file);

// The folder text as the MPS launcher uses it: a separator is added when the
// text does not end in one ("\" in a Windows path, "/" otherwise).
QString WithTrailingSeparator(const QString& folder);
