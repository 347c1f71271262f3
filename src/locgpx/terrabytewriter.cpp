#include "locgpx/terrabytewriter.h"

#include "core/bytewriter.h"
#include "core/exportfields.h"
#include "core/symbols.h"

namespace {

// The name of the symbol the waypoint is written with in MapSource. Real
// files carry symbol numbers beyond the table (140, 149); those fall back to
// IconNumber's name.
QString DefaultTypeText(const Waypoint& w, const Options& options) {
    QString name = SymbolName(ResolveWaypointStyle(w, options).Symbol);
    if (name.isEmpty()) {
        name = SymbolName(options.IconNumber);
    }
    return name.isEmpty() ? SymbolName(18) : name;
}

void AppendWaypoint(ByteWriter& out, const Waypoint& w, const Options& options, qsizetype* replaced,
                    qint32& cut) {
    out.byte('W');
    out.byte(1);
    cut += out.shortText(ExportName(w, options, CacheCodes::TerraByte), replaced);
    if (!w.Comment.isEmpty()) {
        out.byte(2);
        cut += out.shortText(w.Comment, replaced);
    }
    out.byte(8);
    out.zeroText(w.Description, replaced);
    out.byte(7);
    cut += out.shortText(w.TypeText, replaced);
    out.byte(0x84);
    out.int32(w.Symbol);
    out.byte(99);
    out.float64(w.Latitude);
    out.byte(100);
    out.float64(w.Longitude);
    if (w.HasAltitude != 0) {
        out.byte(101);
        out.float64(w.Altitude);
    }
    if (!w.Url.isEmpty()) {
        out.byte(9);
        out.zeroText(w.Url, replaced);
    }
    if (!w.LinkName.isEmpty()) {
        out.byte(16);
        out.zeroText(w.LinkName, replaced);
    }
    out.byte(102);
    out.run(8, 0x00);
    out.byte(0xFF);
}

}  // namespace

EncodedFile EncodeTerraByteFile(WaypointStore& store, const Options& options) {
    EncodedFile file;
    ByteWriter out(file.bytes);
    file.bytes.reserve(64 + qsizetype(store.WaypointCount()) * 160);
    out.literal("TerraByte Location File Copyright 2002 TopoGrafix\x0A\x0E");
    MarkExactDuplicates(store);
    EncodeWaypoints(store.Waypoints, file, [&](Waypoint& w, qsizetype* replaced) {
        if (w.TypeText.isEmpty()) {
            w.TypeText = DefaultTypeText(w, options);
        }
        AppendWaypoint(out, w, options, replaced, file.cutTexts);
    });
    out.byte(0);
    file.warnFixedCoordinates = store.CoordinatesFixed;
    return file;
}

WriteResult WriteTerraByteFile(const QString& path, WaypointStore& store, const Options& options) {
    return SaveStore(path, store, [&] { return EncodeTerraByteFile(store, options); });
}

WriteResult WriteTerraByteFile(QIODevice& device, const QString& path, WaypointStore& store,
                               const Options& options) {
    return WriteStore(device, path, store, [&] { return EncodeTerraByteFile(store, options); });
}
