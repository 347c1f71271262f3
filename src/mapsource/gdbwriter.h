#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

class QIODevice;

// GDB, MapSource's database file, holding only waypoints, as written here:
//
//   "MsRcf" 00                      signature
//   02 00 00 00 "D" "k" 00          format version k
//   1B 00 00 00 "A" 59 02 "SQA" 00 "Feb 04 1980" 00 "06:45:00" 00
//                                   application record, version 601
//   "MapSource" 00                  application name, outside any record
//   one "W" record per waypoint
//   02 00 00 00 "V" 00 01           map set; readers stop here
//
// Records are framed as in MPS (4-byte length of the data after the type
// letter, type letter, data). A waypoint record holds: the name
// (zero-terminated), a class byte 00, 3 x 00, an empty class text, 4 x 00,
// 12 x FF, 2 x 00, 4 x FF, latitude and longitude in semicircles, altitude
// flag [altitude], the comment, proximity flag [proximity], display mode,
// colour and symbol (4 bytes each), 4 x 00, depth flag [depth], 6 x 00, the
// empty directions text, the link address, the categories (16-bit, bit i =
// category i + 1), temperature flag [temperature], the time flag 01 and the
// time (seconds since 1970, 4 bytes). A double in brackets is there only when
// its flag is set; readers take it only after the flag value 1, so a set flag
// is always written as 01. Length = name + comment + link + 72, plus 8 for
// each set flag. Texts are Windows-1252, one byte a character.
//
// MapSource and other readers insist on the application name spelled
// "MapSource"; a file carrying any other spelling is refused.
//
// With the option GdbVersion 3 the file is of version 3 instead, which
// MapSource 6.12 and newer and BaseCamp read: the format letter "m", every
// text in UTF-8 (so no character is lost), and the waypoint record as above
// up to the depth, then the empty street address, 00, a duration of 0 and the
// empty instruction (the same 7 x 00 as in version 1), the link count (0, or
// 1 followed by the link), the categories, temperature flag [temperature],
// time flag 01 and time, a phone count of 0, and the empty country and postal
// code. Length = name + comment + 81 (bytes of UTF-8), plus link + 1 when
// there is a link, plus 8 for each set flag.

// Prepares the store (the name/description swap of SwapNameDesc, the sort,
// the case-insensitive duplicate marking, details-page links for caches that
// have none) and builds the file: one record for each waypoint that is not a
// duplicate, in store order. Afterwards the store is sorted and marked, the
// completed links stay, and every name and description is as it was. An
// empty store gives the 62-byte file without waypoints.
EncodedFile EncodeGdbFile(WaypointStore& store, const Options& options);

// Writes the store as a GDB file through a temporary file that replaces the
// file at path once complete. An empty store writes nothing.
WriteResult WriteGdbFile(const QString& path, WaypointStore& store, const Options& options);

// The same onto an open device; path names the file in messages.
WriteResult WriteGdbFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options);
