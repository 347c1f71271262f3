#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/importprogress.h"
#include "core/options.h"
#include "core/store.h"

// The visits a Garmin device logs in the field (Garmin/geocache_visits.txt),
// which the listing site also takes as a field-notes upload: UTF-16
// little-endian with a byte-order mark, one visit a line ended by CR LF:
//
//   GC7Q2XK,2026-12-05T10:22Z,Found it,"TFTC, a lovely walk"
//
// the cache's code, the time in UTC (minutes, or seconds), the log type, and
// the note in double quotes (a quote inside it is doubled).

// Reads the visits into the store's visit list. A cache of the store with a
// "Found it" visit gets the symbol Geocache Found and the time it was found.
// No waypoint is added; the result is the number of visits read. A line that
// cannot be read is reported with its number, and the rest is read.
ImportResult ReadVisitsFile(const QString& path, WaypointStore& store, ImportProgress& progress);

// The store's visits in the same format; the options are taken as every
// writer takes them.
EncodedFile EncodeFieldNotes(WaypointStore& store, const Options& options);
WriteResult WriteFieldNotesFile(const QString& path, WaypointStore& store, const Options& options);
