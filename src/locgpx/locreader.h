#pragma once

#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the waypoints of a .loc file: XML LOC, or TerraByte LOC when the
// file is not XML.
ImportResult ReadLocFile(const QString& path, WaypointStore& store, ImportProgress& progress);
