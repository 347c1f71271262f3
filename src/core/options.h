#pragma once

#include <QString>
#include <QtGlobal>

// The user's choices for how waypoints are written out. Filled from the
// settings store at start-up, changed by the option tabs, read by the writers.
struct Options {
    qint32 IconNumber = 0;  // MapSource symbol given to waypoints
    bool PreserveIcons = false;
    qint32 DisplayMode = 0;  // 0 symbol, 1 symbol and name, 2 symbol and description
    bool PreserveDisplay = false;
    bool ModNames = false;
    bool SwapNameDesc = false;
    bool CopyHint = false;
    qint16 Categories = 0;  // bit i = user category i + 1; bit 15 is the sign bit
    bool PreserveCats = false;
    bool PreserveTimes = false;
    qint64 ManualTime = 0;  // seconds since 1969-12-31 23:59:47
    // Scheme and host of the cache listing site, for the details-page links
    // the GDB writer completes ("https://www.geocaching.com"). Restored from
    // "CacheSiteUrl"; empty means the default site.
    QString CacheSiteUrl;
    // The GDB format version written: 1 (MapSource 6.11 and older, texts in
    // Windows-1252) or 3 (MapSource 6.12 and newer, BaseCamp, texts in
    // UTF-8). Restored from "GdbVersion"; anything but "3" is 1.
    qint32 GdbVersion = 1;
    // Where the map fetches its background: an address with {z}, {x} and {y}
    // for the zoom, column and row of a 256-pixel Web Mercator tile. Restored
    // from "TileAddress" (the OpenStreetMap tile server when none is stored);
    // empty means no tiles, the map then draws a plain grid.
    QString TileAddress;
};

// The cache listing site's short name, as the Generate list and the export
// menu show it.
QString CacheSiteShortName();

// The site that "CacheSiteUrl" can replace.
QString DefaultCacheSiteUrl();

// The scheme and host (and port) of an address, "https://host"; empty when
// the text is no absolute address with a host.
QString SiteAddress(const QString& text);

// The details page of a cache on the listing site: site (or the default site
// when empty) + "/seek/cache_details.aspx?wp=" + code.
QString CacheDetailsUrl(const QString& site, const QString& code);

// The symbol numbers the option tabs offer, in the order of their buttons.
inline constexpr qint32 OfferedIcons[] = {18, 112, 117, 118, 64, 65, 35, 99};
