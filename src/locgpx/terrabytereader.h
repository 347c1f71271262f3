#pragma once

#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the waypoints of a TerraByte LOC file (TopoGrafix's binary .loc).
// The result is -1 when the file is no TerraByte LOC file (it cannot be
// opened, or it does not start with "TerraByte"); nothing is added then and
// no message is returned, so that the caller can report its own reason.
ImportResult ReadTerraByteFile(const QString& path, WaypointStore& store, ImportProgress& progress);
