#pragma once

#include <QString>

#include "core/importer.h"
#include "core/store.h"

// Appends the user waypoints of a GDB file to the store.
ImportResult ReadGdbFile(const QString& path, WaypointStore& store, ImportProgress& progress);
