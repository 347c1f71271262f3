#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

// GGZ, the zipped and indexed GPX that the larger Garmin handhelds read from
// Garmin/GGZ for tens of thousands of caches: a ZIP archive (no Zip64) of
// complete GPX files "data/wayfold-N.gpx", each as the GPX export writes it
// and at most about 4 MB, and one index
// "index/com/garmin/geocaches/v0/index.xml":
//
//   <ggz xmlns="http://www.opencaching.com/xmlschemas/ggz/1/0">
//     <time>2026-12-05T01:02:03Z</time>
//     <file>
//       <name>wayfold-1.gpx</name> <crc>1a2b3c4d</crc> <time>...</time>
//       <gch>
//         <code>GC7Q2XK</code> <name>...</name> <type>Multi-cache</type>
//         <lat>47.1</lat> <lon>7.2</lon>
//         <file_pos>1234</file_pos> <file_len>2345</file_len>
//         <ratings><awesomeness>3.0</awesomeness><difficulty>2</difficulty>
//                  <size>2</size><terrain>1.5</terrain></ratings>
//         <found>false</found>
//       </gch>
//       ...
//
// crc is the CRC-32 of the GPX file in hexadecimal; file_pos and file_len
// cut exactly the cache's wpt element out of its GPX file. Only caches go
// into a GGZ. size is the listing site's container number (1 not chosen,
// 2 micro, 3 regular, 4 large, 5 virtual, 6 other, 8 small).

// The archive of the store's caches, GPX files at most maxGpxBytes long (a
// cache larger than that has a file to itself). time is the index's time.
EncodedFile EncodeGgzFile(WaypointStore& store, const Options& options, const QString& time,
                          qint64 maxGpxBytes = 4 * 1024 * 1024);
EncodedFile EncodeGgzFile(WaypointStore& store, const Options& options);
WriteResult WriteGgzFile(const QString& path, WaypointStore& store, const Options& options);
