#include "mapsource/fieldencoding.h"

#include <algorithm>

#include "core/ansi.h"

void AppendMapSourceWaypointFields(ByteWriter& out, const Waypoint& w, const Options& options,
                                   QStringView comment, ByteWriter::Flagged layout,
                                   qsizetype* replaced) {
    const WaypointStyle style = ResolveWaypointStyle(w, options);
    out.zeroText(ExportName(w, options), replaced);
    // Class byte 0 (a user waypoint), 3 bytes of class, the empty class text
    // and 22 fixed bytes.
    out.run(9, 0x00);
    out.run(12, 0xFF);
    out.run(2, 0x00);
    out.run(4, 0xFF);
    out.int32(w.LatSemicircles);
    out.int32(w.LonSemicircles);
    out.flaggedDouble(w.HasAltitude, w.Altitude, layout);
    out.zeroText(comment, replaced);
    out.flaggedDouble(w.HasProximity, w.Proximity, layout);
    out.int32(style.DisplayMode);
    out.int32(w.Colour);
    out.int32(style.Symbol);
    out.run(4, 0x00);
    out.flaggedDouble(w.HasDepth, w.Depth, layout);
    // 6 bytes nobody reads, then the empty directions text.
    out.run(7, 0x00);
}

void AppendMapSourceWaypoints(ByteWriter& out, WaypointStore& store, const Options& options,
                              EncodedFile& file, const WaypointEncoder& append) {
    {
        // Sorted and marked by the names as they stand while swapped.
        const NameDescriptionSwap swap(store, options.SwapNameDesc);
        SortAndMarkDuplicates(store);
        EncodeWaypoints(store.Waypoints, file, append);
    }
    out.literal("\x02\0\0\0V\0\x01");
}
