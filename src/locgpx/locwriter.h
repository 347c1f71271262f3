#pragma once

#include <QString>

#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

class QIODevice;

// XML LOC, the listing site's download format, as written here: one line
// per element, each ended by CR LF, no indentation:
//
//   <?xml version="1.0" encoding="ISO-8859-1"?><loc version="1.0" src="Wayfold">
//   <waypoint>
//   <name id="NAME">
//   <![CDATA[DESCRIPTION]]>
//   </name>
//   <coord lat="LAT" lon="LON"/>
//   <type>geocache</type>
//   <link text="LINK NAME">URL</link>
//   </waypoint>
//   ...
//   </loc>
//
// Every character is kept: those outside ISO-8859-1 are written as numeric
// character references (&#8217;); inside the CDATA section, which cannot hold
// a reference, the section is closed around it, as it is around the ">" of a
// "]]>" in the text. Carriage returns are written as references too (a
// parser would fold CR LF into LF), and so are tabs and line feeds inside
// attributes (a parser would turn them into blanks). Only the characters that
// XML 1.0 cannot carry at all (other control characters, unpaired
// surrogates) become "?". Coordinates are written with up to 15 significant
// digits and "." as decimal point, whatever the locale.

// Sorts the store and marks exact duplicates (letter case counts), then
// builds the file: one waypoint element for each waypoint that is not a
// duplicate, in store order. No option changes what is written; the options
// are taken as every writer takes them.
EncodedFile EncodeLocFile(WaypointStore& store, const Options& options);

// Writes the store as an XML LOC file through a temporary file that replaces
// the file at path once complete. An empty store writes nothing.
WriteResult WriteLocFile(const QString& path, WaypointStore& store, const Options& options);

// The same onto an open device; path names the file in messages.
WriteResult WriteLocFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options);
