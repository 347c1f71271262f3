#pragma once

#include <QByteArrayView>
#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the user waypoints of a GDB file to the store.
ImportResult ReadGdbFile(const QString& path, WaypointStore& store, ImportProgress& progress);

// The same for the file's bytes already in memory; path only names the file
// in messages.
ImportResult ReadGdbBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress);
