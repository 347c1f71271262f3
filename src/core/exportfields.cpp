#include "core/exportfields.h"

#include <algorithm>

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
