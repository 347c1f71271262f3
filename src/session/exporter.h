#pragma once

#include <QString>

struct Session;

// The entries of the Generate list, in list order.
enum class ExportKind {
    Mps = 0,
    Gdb = 1,
    Loc = 2,
    TerraByte = 3,
    Separator = 4,
    OpenMps = 5,
    OpenGdb = 6,
    Gpx = 7,
};

// Writes the store to a file of the given kind (Mps, Gdb, Loc, TerraByte, Gpx)
// and shows what the writer reports. False when no file was written.
bool ExportFile(Session& session, ExportKind kind, const QString& path);

// Writes the store to a temporary file and starts MapSource on it (OpenMps,
// OpenGdb); with an empty store it only says that there is nothing to export.
void OpenInMapSource(Session& session, ExportKind kind);
