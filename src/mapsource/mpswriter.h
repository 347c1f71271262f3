#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

class QIODevice;

// MPS, MapSource's waypoint exchange file, as written here:
//
//   "MsRcd" 00                      signature
//   02 00 00 00 "D" "g" 00          format version g
//   1B 00 00 00 "A" 9D 01 "SQA" 00 "Feb  4 1980" 00 "06:45:00" 00
//                                   application record, version 413
//   one "W" record per waypoint
//   02 00 00 00 "V" 00 01           map set: empty name, flag 1
//
// Every record is a 4-byte little-endian length (the data after the type
// letter), the type letter and the data. A waypoint record holds: the name
// (zero-terminated), 9 x 00, 12 x FF, 2 x 00, 4 x FF, latitude and longitude
// in semicircles (4 bytes each, 2^31 = 180 degrees), altitude flag and
// altitude double, the comment (zero-terminated), proximity flag and double,
// display mode, colour and symbol (4 bytes each), 4 x 00, depth flag and
// double, 6 x 00 and the empty directions text. The doubles are there
// whatever their flags say, so the length is name + comment + 87. Texts are
// Windows-1252, one byte a character.

// Prepares the store (the name/description swap of SwapNameDesc, the sort,
// the case-insensitive duplicate marking) and builds the file: one record for
// each waypoint that is not a duplicate, in store order. Afterwards the store
// is sorted and marked and every name and description is as it was.
EncodedFile EncodeMpsFile(WaypointStore& store, const Options& options);

// Writes the store as an MPS file through a temporary file that replaces the
// file at path once complete. An empty store writes nothing.
WriteResult WriteMpsFile(const QString& path, WaypointStore& store, const Options& options);

// The same onto an open device; path names the file in messages.
WriteResult WriteMpsFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options);
