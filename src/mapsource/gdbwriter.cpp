#include "mapsource/gdbwriter.h"

#include <algorithm>
#include <limits>

#include "mapsource/fieldencoding.h"

namespace {

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
    const qsizetype record = out.beginRecord('W');
    AppendMapSourceWaypointFields(out, w, options, options.CopyHint ? w.Hint : w.Description,
                                  ByteWriter::Flagged::WhenSet, replaced);
    out.zeroText(w.Url, replaced);
    out.int16(ResolveWaypointStyle(w, options).Categories);
    out.flaggedDouble(w.HasTemperature, w.Temperature, ByteWriter::Flagged::WhenSet);
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

    AppendMapSourceWaypoints(out, store, options, file, [&](Waypoint& w, qsizetype* replaced) {
        CompleteLink(w, options.SwapNameDesc ? w.Description : w.Name, options);
        AppendWaypoint(out, w, options, replaced);
    });
    return file;
}

WriteResult WriteGdbFile(const QString& path, WaypointStore& store, const Options& options) {
    return SaveStore(path, store, [&] { return EncodeGdbFile(store, options); });
}

WriteResult WriteGdbFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    return WriteStore(device, path, store, [&] { return EncodeGdbFile(store, options); });
}
