#pragma once

#include <QString>

struct Destination;
struct FileFormat;
struct Session;

// Writes the store to a file of the format and shows what the writer
// reports. False when no file was written.
bool ExportFile(Session& session, const FileFormat& format, const QString& path);

// Writes the store in the destination's format to a temporary file, which
// is deleted when the program ends, and hands the written file over; with an
// empty store it only says that there is nothing to export.
// argument is what followed the destination's flag ("/d:path").
void SendToDestination(Session& session, const Destination& destination,
                       const QString& argument = QString());
