#pragma once

// What every writer takes from the options for a waypoint: the symbol,
// display mode and categories it is written with, and the name it is written
// under.

#include <QString>
#include <QStringView>

#include "core/options.h"
#include "core/store.h"
#include "core/waypoint.h"

// The values a waypoint is written with in the binary formats.
struct WaypointStyle {
    qint32 DisplayMode = 0;
    qint32 Symbol = 0;
    qint16 Categories = 0;
};

// The waypoint's own display mode, symbol and categories where the options
// keep them and the waypoint has them (not NotSet), the options' otherwise.
WaypointStyle ResolveWaypointStyle(const Waypoint& waypoint, const Options& options);

// The two cache-code tables: the MapSource writers know "unknown" (UC), the
// TerraByte LOC writer does not.
enum class CacheCodes { MapSource, TerraByte };

// The two-letter code for a cache type, matched on the whole lower-cased
// text; anything unknown is "GC".
QString CacheTypeCode(QStringView cacheType, CacheCodes table);

// The name a waypoint is written under: with ModNames, a name starting with
// "gc" in any letter case gets the cache type's code instead of those two
// letters; otherwise the name as stored.
QString ExportName(const Waypoint& waypoint, const Options& options,
                   CacheCodes table = CacheCodes::MapSource);

// With SwapNameDesc, the MapSource writers exchange every waypoint's name and
// description for the time of the export. The exchange is undone when this
// goes out of scope, however the export ends.
class NameDescriptionSwap {
public:
    NameDescriptionSwap(WaypointStore& store, bool swap);
    ~NameDescriptionSwap();
    NameDescriptionSwap(const NameDescriptionSwap&) = delete;
    NameDescriptionSwap& operator=(const NameDescriptionSwap&) = delete;

private:
    void exchange();
    WaypointStore& store_;
    bool swap_;
};
