#include "mapsource/mpswriter.h"

#include "mapsource/fieldencoding.h"

namespace {

void AppendWaypoint(ByteWriter& out, const Waypoint& w, const Options& options,
                    qsizetype* replaced) {
    const WaypointStyle style = ResolveWaypointStyle(w, options);
    const qsizetype record = out.beginRecord('W');
    out.zeroText(ExportName(w, options), replaced);
    out.run(9, 0x00);
    out.run(12, 0xFF);
    out.run(2, 0x00);
    out.run(4, 0xFF);
    out.int32(w.LatSemicircles);
    out.int32(w.LonSemicircles);
    out.byte(w.HasAltitude);
    out.float64(w.Altitude);
    out.zeroText(w.Description, replaced);
    out.byte(w.HasProximity);
    out.float64(w.Proximity);
    out.int32(style.DisplayMode);
    out.int32(w.Colour);
    out.int32(style.Symbol);
    out.run(4, 0x00);
    out.byte(w.HasDepth);
    out.float64(w.Depth);
    // 6 bytes nobody reads, then the empty directions text.
    out.run(7, 0x00);
    out.endRecord(record);
}

}  // namespace

EncodedFile EncodeMpsFile(WaypointStore& store, const Options& options) {
    EncodedFile file;
    ByteWriter out(file.bytes);
    file.bytes.reserve(64 + qsizetype(store.WaypointCount()) * 160);
    out.literal(
        "MsRcd\0"
        "\x02\0\0\0Dg\0"
        "\x1B\0\0\0A\x9D\x01SQA\0Feb  4 1980\0"
        "06:45:00\0");

    ReplacementCounter replaced;
    {
        // Sorted and marked by the names as they stand while swapped.
        const NameDescriptionSwap swap(store, options.SwapNameDesc);
        SortAndMarkDuplicates(store);
        for (const Waypoint& w : store.Waypoints) {
            if (w.Duplicate) {
                continue;
            }
            AppendWaypoint(out, w, options, replaced.counter());
            replaced.endWaypoint();
            ++file.waypoints;
        }
    }
    out.literal("\x02\0\0\0V\0\x01");
    replaced.addTo(file);
    file.warnFixedCoordinates = store.CoordinatesFixed;
    return file;
}

WriteResult WriteMpsFile(const QString& path, WaypointStore& store, const Options& options) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return SaveEncodedFile(path, EncodeMpsFile(store, options));
}

WriteResult WriteMpsFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return WriteEncodedFile(device, path, EncodeMpsFile(store, options));
}
