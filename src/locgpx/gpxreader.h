#pragma once

#include <QIODevice>
#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the waypoints (wpt elements) of a GPX file.
ImportResult ReadGpxFile(const QString& path, WaypointStore& store, ImportProgress& progress);
// The same from a device that holds a GPX document, such as an entry of an
// archive; name stands for it in the messages.
ImportResult ReadGpxDevice(QIODevice& device, const QString& name, WaypointStore& store,
                           ImportProgress& progress);
