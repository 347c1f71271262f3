#pragma once

// The waypoint fields that MPS and GDB records share, and the part of both
// files that follows the header.

#include <QStringView>

#include "core/bytewriter.h"
#include "core/exportfields.h"
#include "core/filewrite.h"
#include "core/options.h"
#include "core/store.h"

// The fields that open an MPS or GDB waypoint record, from the name to the
// empty directions text; the double fields laid out as layout says. The
// caller frames the record and adds what its format has beyond these.
void AppendMapSourceWaypointFields(ByteWriter& out, const Waypoint& waypoint,
                                   const Options& options, QStringView comment,
                                   ByteWriter::Flagged layout, qsizetype* replaced);

// The rest of an MPS or GDB file after its header: with names and
// descriptions exchanged for SwapNameDesc, the store is sorted and marked
// (letter case ignored) and append writes the record of each waypoint that is
// not a duplicate, in store order; then the map-set record. The exchange is
// undone before this returns, however it returns.
void AppendMapSourceWaypoints(ByteWriter& out, WaypointStore& store, const Options& options,
                              EncodedFile& file, const WaypointEncoder& append);
