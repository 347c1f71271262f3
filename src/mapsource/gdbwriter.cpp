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

void AppendWaypoint(ByteWriter& out, const Waypoint& w, const Options& options, bool v3,
                    qsizetype* replaced) {
    const qsizetype record = out.beginRecord('W');
    // In version 3 the 7 bytes of 00 after the depth that this ends with are
    // the empty street address, a byte, the duration and the empty
    // instruction.
    AppendMapSourceWaypointFields(out, w, options, options.CopyHint ? w.Hint : w.Description,
                                  ByteWriter::Flagged::WhenSet, replaced);
    if (!v3) {
        out.zeroText(w.Url, replaced);
    } else if (w.Url.isEmpty()) {
        out.int32(0);
    } else {
        out.int32(1);
        out.zeroText(w.Url, replaced);
    }
    out.int16(ResolveWaypointStyle(w, options).Categories);
    out.flaggedDouble(w.HasTemperature, w.Temperature, ByteWriter::Flagged::WhenSet);
    out.byte(1);
    out.int32(WaypointTime(w, options));
    if (v3) {
        // No phone numbers, empty country and postal code.
        out.int32(0);
        out.run(2, 0x00);
    }
    out.endRecord(record);
}

}  // namespace

EncodedFile EncodeGdbFile(WaypointStore& store, const Options& options) {
    EncodedFile file;
    ByteWriter out(file.bytes);
    file.bytes.reserve(64 + qsizetype(store.WaypointCount()) * 200);
    const bool v3 = options.GdbVersion == 3;
    out.literal("MsRcf\0\x02\0\0\0D");
    out.byte(v3 ? 'm' : 'k');
    out.literal(
        "\0"
        "\x1B\0\0\0AY\x02SQA\0Feb 04 1980\0"
        "06:45:00\0"
        "MapSource\0");
    out.setUtf8Texts(v3);

    AppendMapSourceWaypoints(out, store, options, file, [&](Waypoint& w, qsizetype* replaced) {
        CompleteLink(w, options.SwapNameDesc ? w.Description : w.Name, options);
        AppendWaypoint(out, w, options, v3, replaced);
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
