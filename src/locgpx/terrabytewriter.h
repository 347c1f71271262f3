#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

class QIODevice;

// TerraByte LOC, TopoGrafix's binary location file, as written here:
//
//   "TerraByte Location File Copyright 2002 TopoGrafix" 0A 0E    header
//   one record per waypoint
//   00                                                           end
//
// A record is "W" and tagged fields, each a tag byte and its data:
//   01 name, 02 comment (only when there is one), 07 type text: a length
//      byte and at most 255 characters; longer texts are cut to 255;
//   08 description, 09 URL, 10 link name: characters and 00 (URL and link
//      name only when there is one);
//   84 the symbol number as stored (999 when not set), 4 bytes;
//   63 latitude, 64 longitude, 65 altitude (only when there is one):
//      8-byte doubles in degrees;
//   66 and 8 x 00; then FF ends the record.
// Texts are Windows-1252, one byte a character. Readers take the symbol from
// the type text (a symbol name), not from the 84 field.

// Sorts the store and marks exact duplicates (letter case counts), gives
// every written waypoint without a type text the name of the symbol it would
// be written with in MapSource (so that reading the file back gives that
// symbol), and builds the file: one record for each waypoint that is not a
// duplicate, in store order. Of the options only ModNames changes the written
// names, and IconNumber and PreserveIcons choose the type texts given.
EncodedFile EncodeTerraByteFile(WaypointStore& store, const Options& options);

// Writes the store as a TerraByte LOC file through a temporary file that
// replaces the file at path once complete. An empty store writes nothing.
WriteResult WriteTerraByteFile(const QString& path, WaypointStore& store, const Options& options);

// The same onto an open device; path names the file in messages.
WriteResult WriteTerraByteFile(QIODevice& device, const QString& path, WaypointStore& store,
                               const Options& options);
