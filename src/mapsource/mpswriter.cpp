#include "mapsource/mpswriter.h"

#include "mapsource/fieldencoding.h"

EncodedFile EncodeMpsFile(WaypointStore& store, const Options& options) {
    EncodedFile file;
    ByteWriter out(file.bytes);
    file.bytes.reserve(64 + qsizetype(store.WaypointCount()) * 160);
    out.literal(
        "MsRcd\0"
        "\x02\0\0\0Dg\0"
        "\x1B\0\0\0A\x9D\x01SQA\0Feb  4 1980\0"
        "06:45:00\0");
    AppendMapSourceWaypoints(out, store, options, file, [&](Waypoint& w, qsizetype* replaced) {
        const qsizetype record = out.beginRecord('W');
        AppendMapSourceWaypointFields(out, w, options, w.Description, ByteWriter::Flagged::Always,
                                      replaced);
        out.endRecord(record);
    });
    file.warnFixedCoordinates = store.CoordinatesFixed;
    return file;
}

WriteResult WriteMpsFile(const QString& path, WaypointStore& store, const Options& options) {
    return SaveStore(path, store, [&] { return EncodeMpsFile(store, options); });
}

WriteResult WriteMpsFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    return WriteStore(device, path, store, [&] { return EncodeMpsFile(store, options); });
}
