#pragma once

#include <QString>

#include "core/importer.h"
#include "core/store.h"

// Appends the user waypoints of an MPS file to the store.
ImportResult ReadMpsFile(const QString& path, WaypointStore& store, ImportProgress& progress);
