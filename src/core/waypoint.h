#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The value of Symbol, Display and CategoryBits that means "not set": the
// writers then use the matching option instead.
inline constexpr qint32 NotSet = 999;

// One waypoint as every reader stores it and every writer reads it. A fresh
// record has every number 0, every flag 0 and every text empty.
struct Waypoint {
    // Ordered by size, so that a store of a million records wastes no room
    // on padding.
    double Latitude = 0;   // degrees, north positive
    double Longitude = 0;  // degrees, east positive
    double Altitude = 0;   // metres
    double Depth = 0;
    double Proximity = 0;
    double Temperature = 0;
    // The order of import, given by the duplicate markings to records that
    // have none yet; among equal names the lowest is the copy written.
    qint64 Sequence = 0;
    QString Name;
    QString SortKey;  // upper-cased Name, filled by the duplicate markings only
    QString Description;
    QString Url;
    QString LinkName;
    QString Comment;    // TerraByte LOC comment
    QString TypeText;   // TerraByte LOC type ("waypoint", "geocache", ...)
    QString CacheType;  // GPX cache type ("Traditional Cache", ...)
    QString Hint;
    // What a GPX file gave beyond these fields, kept as read so that the GPX
    // export writes it again: the wpt's cmt, sym and type elements and its
    // cache element (descriptions, attributes, logs, ...), as UTF-8 XML, the
    // names inside the cache element without their "groundspeak:" prefix.
    QByteArray Listing;
    // The file it was imported from, "archive.zip/entry.gpx" for an entry of
    // an archive; shown in the window, written by no writer.
    QString File;
    qint32 Symbol = 0;  // MapSource symbol number, or NotSet
    qint32 Colour = 0;
    qint32 Display = 0;  // MapSource display mode, or NotSet
    qint32 LatSemicircles = 0;
    qint32 LonSemicircles = 0;
    qint32 Time = 0;          // seconds since 1970-01-01 00:00:00
    qint32 CategoryBits = 0;  // bit n = user category n + 1, or NotSet
    // When a device logged it found (seconds since 1970); 0 when not.
    qint32 FoundTime = 0;
    bool Duplicate = false;  // an earlier imported record of the same name is written instead
    quint8 HasAltitude = 0;
    quint8 HasDepth = 0;
    quint8 HasProximity = 0;
    quint8 HasTemperature = 0;
    quint8 HasTime = 0;
};
