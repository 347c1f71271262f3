#include "mapsource/fieldencoding.h"

#include <algorithm>

#include "core/ansi.h"

void ByteWriter::zeroText(QStringView text, qsizetype* replaced) {
    const qsizetype start = out_.size();
    if (utf8_) {
        out_.append(text.toUtf8());
    } else {
        AppendAnsi(out_, text, replaced);
    }
    char* p = out_.data() + start;
    char* end = out_.data() + out_.size();
    const qsizetype nuls = std::count(p, end, '\0');
    if (nuls > 0) {
        std::replace(p, end, '\0', '?');
        if (replaced != nullptr) {
            *replaced += nuls;
        }
    }
    out_.append('\0');
}

bool ByteWriter::shortText(QStringView text, qsizetype* replaced) {
    const qsizetype lengthAt = out_.size();
    out_.append('\0');
    AppendAnsi(out_, text, replaced);
    qsizetype length = out_.size() - lengthAt - 1;
    const bool cut = length > 255;
    if (cut) {
        // Cutting the encoded bytes cuts characters, and never half of a
        // surrogate pair: such a pair was encoded as a single "?".
        out_.truncate(lengthAt + 1 + 255);
        length = 255;
    }
    out_[lengthAt] = static_cast<char>(length);
    return cut;
}

void ByteWriter::flaggedDouble(quint8 flag, double value, Flagged layout) {
    if (layout == Flagged::Always) {
        byte(flag);
        float64(value);
    } else if (flag == 0) {
        byte(0);
    } else {
        byte(1);
        float64(value);
    }
}

qsizetype ByteWriter::beginRecord(char type) {
    const qsizetype record = out_.size();
    int32(0);
    out_.append(type);
    return record;
}

void ByteWriter::endRecord(qsizetype record) {
    const qint32 length = static_cast<qint32>(out_.size() - record - 5);
    qToLittleEndian(length, out_.data() + record);
}

WaypointStyle ResolveWaypointStyle(const Waypoint& waypoint, const Options& options) {
    WaypointStyle style;
    style.DisplayMode = options.PreserveDisplay && waypoint.Display != NotSet ? waypoint.Display
                                                                              : options.DisplayMode;
    style.Symbol =
        options.PreserveIcons && waypoint.Symbol != NotSet ? waypoint.Symbol : options.IconNumber;
    // Every reader stores categories that fit 16 bits (the GDB reader
    // sign-extends bit 15), so the cast keeps all 16 of them.
    style.Categories = options.PreserveCats && waypoint.CategoryBits != NotSet
                           ? static_cast<qint16>(waypoint.CategoryBits)
                           : options.Categories;
    return style;
}

QString CacheTypeCode(QStringView cacheType, CacheCodes table) {
    const QString type = cacheType.toString().toLower();
    if (type == QLatin1String("multi-cache")) {
        return QStringLiteral("MC");
    }
    if (type == QLatin1String("webcam cache")) {
        return QStringLiteral("WC");
    }
    if (type == QLatin1String("virtual cache")) {
        return QStringLiteral("VC");
    }
    if (type == QLatin1String("locationless (reverse) cache")) {
        return QStringLiteral("LC");
    }
    // Only the exact text "unknown" counts: "Unknown Cache" is a GC.
    if (table == CacheCodes::MapSource && type == QLatin1String("unknown")) {
        return QStringLiteral("UC");
    }
    return QStringLiteral("GC");
}

QString ExportName(const Waypoint& waypoint, const Options& options, CacheCodes table) {
    const QString& name = waypoint.Name;
    if (!options.ModNames || name.size() < 2 ||
        name.left(2).compare(QLatin1String("gc"), Qt::CaseInsensitive) != 0) {
        return name;
    }
    QString written = CacheTypeCode(waypoint.CacheType, table);
    written.append(QStringView(name).mid(2));
    return written;
}

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

NameDescriptionSwap::NameDescriptionSwap(WaypointStore& store, bool swap)
    : store_(store), swap_(swap) {
    exchange();
}

NameDescriptionSwap::~NameDescriptionSwap() {
    exchange();
}

void NameDescriptionSwap::exchange() {
    if (!swap_) {
        return;
    }
    for (Waypoint& w : store_.Waypoints) {
        w.Name.swap(w.Description);
    }
}
