#include "mapsource/gdbwriter.h"

#include <algorithm>
#include <limits>

#include "mapsource/fieldencoding.h"

namespace {

// A flag byte and, when it is set, its double.
void OptionalDouble(ByteWriter& out, quint8 flag, double value) {
    if (flag == 0) {
        out.byte(0);
        return;
    }
    out.byte(1);
    out.float64(value);
}

qint32 WaypointTime(const Waypoint& w, const Options& options) {
    if (options.PreserveTimes && w.Time != 0) {
        return w.Time;
    }
    return static_cast<qint32>(std::clamp<qint64>(options.ManualTime,
                                                  std::numeric_limits<qint32>::min(),
                                                  std::numeric_limits<qint32>::max()));
}

// A geocache without a link gets the listing site's details page. The code
// is the waypoint's own name, never the description it may be written under.
void CompleteLink(Waypoint& w, const QString& code, const Options& options) {
    if (!w.Url.isEmpty() || code.size() != 6 ||
        code.left(2).compare(QLatin1String("gc"), Qt::CaseInsensitive) != 0) {
        return;
    }
    w.Url = CacheDetailsUrl(options.CacheSiteUrl, code.toUpper());
}

void AppendWaypoint(ByteWriter& out, const Waypoint& w, const Options& options,
                    qsizetype* replaced) {
    const WaypointStyle style = ResolveWaypointStyle(w, options);
    const qsizetype record = out.beginRecord('W');
    out.zeroText(ExportName(w, options), replaced);
    // Class byte 0 (a user waypoint), 3 bytes of class, the empty class text
    // and 22 fixed bytes.
    out.run(9, 0x00);
    out.run(12, 0xFF);
    out.run(2, 0x00);
    out.run(4, 0xFF);
    out.int32(w.LatSemicircles);
    out.int32(w.LonSemicircles);
    OptionalDouble(out, w.HasAltitude, w.Altitude);
    out.zeroText(options.CopyHint ? w.Hint : w.Description, replaced);
    OptionalDouble(out, w.HasProximity, w.Proximity);
    out.int32(style.DisplayMode);
    out.int32(w.Colour);
    out.int32(style.Symbol);
    out.run(4, 0x00);
    OptionalDouble(out, w.HasDepth, w.Depth);
    // 6 bytes nobody reads, then the empty directions text.
    out.run(7, 0x00);
    out.zeroText(w.Url, replaced);
    out.int16(style.Categories);
    OptionalDouble(out, w.HasTemperature, w.Temperature);
    out.byte(1);
    out.int32(WaypointTime(w, options));
    out.endRecord(record);
}

}  // namespace

EncodedFile EncodeGdbFile(WaypointStore& store, const Options& options) {
    EncodedFile file;
    ByteWriter out(file.bytes);
    file.bytes.reserve(64 + qsizetype(store.WaypointCount()) * 200);
    out.literal(
        "MsRcf\0"
        "\x02\0\0\0Dk\0"
        "\x1B\0\0\0AY\x02SQA\0Feb 04 1980\0"
        "06:45:00\0"
        "MapSource\0");

    ReplacementCounter replaced;
    {
        // Sorted and marked by the names as they stand while swapped.
        const NameDescriptionSwap swap(store, options.SwapNameDesc);
        SortAndMarkDuplicates(store);
        for (Waypoint& w : store.Waypoints) {
            if (w.Duplicate) {
                continue;
            }
            CompleteLink(w, options.SwapNameDesc ? w.Description : w.Name, options);
            AppendWaypoint(out, w, options, replaced.counter());
            replaced.endWaypoint();
            ++file.waypoints;
        }
    }
    out.literal("\x02\0\0\0V\0\x01");
    replaced.addTo(file);
    return file;
}

WriteResult WriteGdbFile(const QString& path, WaypointStore& store, const Options& options) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return SaveEncodedFile(path, EncodeGdbFile(store, options));
}

WriteResult WriteGdbFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    if (store.WaypointCount() == 0) {
        return {};
    }
    return WriteEncodedFile(device, path, EncodeGdbFile(store, options));
}
