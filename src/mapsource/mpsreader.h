#pragma once

#include <QByteArrayView>
#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the user waypoints of an MPS file to the store.
ImportResult ReadMpsFile(const QString& path, WaypointStore& store, ImportProgress& progress);

// The same for the file's bytes already in memory; path only names the file
// in messages.
ImportResult ReadMpsBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress);
