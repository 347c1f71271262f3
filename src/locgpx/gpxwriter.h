#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

class QIODevice;

// GPX 1.0 as Garmin devices, BaseCamp and the phone apps file geocaches:
// UTF-8, one element a line, each line ended by CR LF.
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <gpx xmlns:xsi=... version="1.0" creator="Wayfold 0.1.0" xsi:schemaLocation=...
//        xmlns="http://www.topografix.com/GPX/1/0"
//        xmlns:groundspeak="http://www.groundspeak.com/cache/1/0/1">
//     <bounds minlat="..." minlon="..." maxlat="..." maxlon="..."/>
//     <wpt lat="47.0555" lon="7.6019">
//       <ele>, <time> (when known), <name>, <cmt> (when not empty), <desc>,
//       <url>, <urlname> (when not empty), <sym>, <type>
//       <groundspeak:cache id="32676" available="True" archived="False">
//         <groundspeak:name>, placed_by, owner, type, container,
//         difficulty, terrain, encoded_hints, logs, travelbugs
//       </groundspeak:cache>
//     </wpt>
//     ...
//   </gpx>
//
// The devices match the prefix "groundspeak:" as text and look for the cache
// element directly inside wpt (inside <extensions> they ignore it), and they
// drop caches whose ids collide.
//
// A waypoint is a geocache when its symbol is Geocache or Geocache Found, it
// carries a cache type, or its name is a listing-site code ("GC" and 2 to 6
// letters or digits). Its cache element holds what the GPX file it came
// from gave (descriptions, attributes, logs, status, ...), in the cache
// schema's order. Its id is the one the file gave; else the site's number of
// its code: codes of up to four hexadecimal digits are hexadecimal (GCEBB is
// 3771), longer ones are base 31 over "0123456789ABCDEFGHJKMNPQRTVWXYZ" less
// 411120 (GCGCA8 is 77386); else one made from the name, from 1,000,000,000
// up to 2,000,000,000, above every code of six characters and the same in
// every file; an id already given moves to the next free one. Owner,
// difficulty and terrain the file did not give come from a description of
// the site's form "Title by Owner, Type (D/T)". Any other waypoint is plain:
// the symbol, type and comment the file gave, else the devices' name of its
// symbol number, its type text and its comment.
//
// Every character is kept, written as UTF-8 with the five XML escapes;
// carriage returns are written as references (a parser would fold CR LF).
// Characters that XML 1.0 cannot carry at all (control characters other than
// tab, CR and LF, unpaired surrogates, U+FFFE and U+FFFF) are left out and
// counted. Coordinates and altitudes are written in the shortest decimal
// form that reads back as the same double.

// With names and descriptions exchanged for SwapNameDesc, sorts the store and
// marks exact duplicates (letter case counts), then builds the file: one wpt
// for each waypoint that is not a duplicate, in store order, under the name
// ExportName gives (ModNames), with the hint as comment for CopyHint. The
// exchange is undone before this returns. creator follows "creator=". With a
// sink, the file is written onto it as it is made (see EncodedFile).
EncodedFile EncodeGpxFile(WaypointStore& store, const Options& options, const QString& creator,
                          QIODevice* sink = nullptr);

// "Wayfold " and the program's version.
QString GpxCreator();

// Writes the store as a GPX file through a temporary file that replaces the
// file at path once complete. An empty store writes nothing.
WriteResult WriteGpxFile(const QString& path, WaypointStore& store, const Options& options);

// The same onto an open device; path names the file in messages.
WriteResult WriteGpxFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options);
