#pragma once

#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the waypoints (wpt elements) of a GPX file.
ImportResult ReadGpxFile(const QString& path, WaypointStore& store, ImportProgress& progress);
