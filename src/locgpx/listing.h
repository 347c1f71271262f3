#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstring>
#include <vector>

#include "core/waypoint.h"

// Waypoint::Listing stores the elements inside a cache element without the
// prefix "groundspeak:" (a fifth of a pocket query's size) and the cache
// element without its namespace declarations and its encoded_hints (the
// waypoint's Hint holds them); the cache element itself keeps its name. The stored name of an
// element a file writes as tag: "groundspeak:logs" is stored as "logs".
inline const char* StoredName(const char* tag) {
    return std::strncmp(tag, "groundspeak:", 12) == 0 ? tag + 12 : tag;
}

// A cache's listing as the window shows it, read from what a GPX file gave
// beyond the waypoint's fields (Waypoint::Listing). Texts are as the file
// wrote them; a field the file did not give is empty.
struct CacheAttribute {
    QString id;
    bool included = true;  // false: the listing says "not" (a crossed-out attribute)
    QString text;
};

struct CacheLog {
    QString date;
    QString type;
    QString finder;
    QString text;
};

struct CacheText {
    QString text;
    bool html = false;
};

struct CacheListing {
    bool cache = false;  // the file gave a cache element
    QString id;
    QString title;
    QString placedBy;
    QString owner;
    QString type;
    QString container;
    QString difficulty;
    QString terrain;
    QString country;
    QString state;
    bool available = true;
    bool archived = false;
    std::vector<CacheAttribute> attributes;
    CacheText shortDescription;
    CacheText longDescription;
    QString hint;
    std::vector<CacheLog> logs;
    std::vector<QString> travelBugs;
    // The wpt's own comment and type ("Waypoint|Parking Area").
    QString comment;
    QString waypointType;
};

// The whole listing; the waypoint's own fields fill what the file's cache
// element leaves out (type, hint, title), as far as the file gave them.
// Empty for a waypoint without one.
CacheListing ParseListing(const Waypoint& w);

// The few fields the waypoint table shows for every row, read without going
// through descriptions and logs: a table of a hundred thousand caches reads
// them all at once.
struct ListingSummary {
    bool cache = false;
    bool cacheType = false;  // the cache element or the wpt's type named a cache type
    QString waypointType;
    QString container;
    QString difficulty;
    QString terrain;
    bool available = true;
    bool archived = false;
};
ListingSummary SummarizeListing(QByteArrayView listing);

// The id attribute of the listing's cache element as the GPX reader reads
// attributes; null when there is none.
QString ListingCacheId(QByteArrayView listing);

// The hint as the listing site decodes it: letters turned by 13 places,
// except inside [square brackets], which the site keeps as written.
QString DecodeHint(const QString& hint);

// Link texts that are no title: empty, the one the site's LOC files give
// every cache, the XML LOC reader's text for a missing link, and the
// MapSource readers' "Link".
bool IsGenericLinkText(const QString& text);
