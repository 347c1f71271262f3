#pragma once

#include <QString>

#include "core/importprogress.h"
#include "core/store.h"

// Appends the waypoints of the GPX files in a ZIP archive, the way the
// listing site sends a pocket query: "<id>.gpx" with the caches and
// "<id>-wpts.gpx" with their extra waypoints. The caches files are read
// before the "-wpts" files, so that a waypoint finds its cache already in
// the store. Entries are unpacked in memory, a block at a time, straight into
// the GPX reader; nothing is written to disk.
//
// An archive is not trusted. It is refused as a whole, with nothing
// imported, when it holds more than 1000 entries, when one GPX entry would
// unpack to more than 1 GiB or all of them to more than 2 GiB, when an entry
// larger than 1 MiB, or all of them together, would unpack to more than 100
// times their packed size (no GPX file packs so well; a ZIP bomb does), and
// when it cannot be read or an entry turns out damaged while it is
// unpacked. Entries that are not read (other files,
// archives inside the archive, names that are absolute or climb out with
// "..", encrypted entries and unknown packing methods) are named in one
// message; folders are passed over. Records carry "<archive>/<entry>" as
// their file when the entry's name is a plain file name.
ImportResult ReadZipFile(const QString& path, WaypointStore& store, ImportProgress& progress);
