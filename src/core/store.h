#pragma once

#include <QString>
#include <vector>

#include "core/waypoint.h"

// The one list of waypoints that every reader appends to and every writer
// reads. Records are numbered from 1 in everything the user sees (status line,
// sort order); record n lives at Waypoints[n - 1].
// One visit a device logged in the field: code, when (seconds since 1970),
// the log type ("Found it", "Didn't find it", "Write note", ...) and the note.
struct Visit {
    QString Code;
    qint32 Time = 0;
    QString Type;
    QString Note;
};

struct WaypointStore {
    std::vector<Waypoint> Waypoints;
    // The visits read from devices, kept to be written out as field notes.
    std::vector<Visit> Visits;
    // True once the coordinate check has changed any waypoint since the last clear.
    bool CoordinatesFixed = false;
    // False for a run that writes no file carrying the caches' listings: the
    // readers then keep none, which halves what a pocket query takes.
    bool KeepListings = true;

    qint32 WaypointCount() const { return static_cast<qint32>(Waypoints.size()); }
    Waypoint& record(qint32 n) { return Waypoints[static_cast<size_t>(n - 1)]; }
    const Waypoint& record(qint32 n) const { return Waypoints[static_cast<size_t>(n - 1)]; }
};

// The result of the coordinate check.
struct CoordinateFix {
    double Latitude = 0;
    double Longitude = 0;
    QString Name;
    QString Description;
};

// Drops every record and resets CoordinatesFixed.
void ClearStore(WaypointStore& store);

// Sorts records first..last (record numbers, 1-based) in place by SortKey with
// the store's own partition-exchange sort. Records with equal keys end in the
// order this exact procedure gives; the duplicate markings then put them in
// import order.
void SortWaypoints(WaypointStore& store, qint32 first, qint32 last);

// Refreshes every SortKey, sorts, and marks each record whose name is held
// by a record imported before it: ignoring letter case (SortAndMarkDuplicates,
// for the MapSource writers) or exactly (MarkExactDuplicates, for the LOC
// writers). Records with equal keys end in the order of their import, so the
// copy written is always the first imported one, and two exports in a row
// write the same file whatever order the first left the store in. Records
// imported since the last marking get their Sequence here, in store order.
void SortAndMarkDuplicates(WaypointStore& store);
void MarkExactDuplicates(WaypointStore& store);

// Which records the next exports will skip as duplicates, worked out on a
// copy of the record order with the writers' own sort, so the store is left
// as it is. For every record (by its place in Waypoints) the place of the
// copy that is written instead, or -1 when the record itself is written.
struct DuplicateForecast {
    std::vector<qint32> mapSource;  // MPS and GDB: the same name regardless of letter case
    std::vector<qint32> loc;        // XML and TerraByte LOC: the same name exactly
};
// swapNameDesc: the MapSource exports mark by the descriptions (the names they write).
DuplicateForecast ForecastDuplicates(const WaypointStore& store, bool swapNameDesc);

// Repairs coordinates outside +-90 / +-180: the name gets "FIXED-", the
// description the original values, the bad coordinate becomes 0 and the
// store's CoordinatesFixed is set.
CoordinateFix CheckCoordinates(WaypointStore& store, double latitude, double longitude,
                               const QString& name, const QString& description);

// Degrees to semicircles (2^31 = 180 degrees), rounded half to even and
// clamped to the signed 32-bit range; NaN gives 0.
qint32 DegreesToSemicircles(double degrees);
double SemicirclesToDegrees(qint32 semicircles);

// The general number text: up to 15 significant digits, "." as decimal point,
// trailing zeros dropped, exponent form ("1E+20") only for very large or very
// small magnitudes. NumberText has no sign place; SignedNumberText puts a space
// before a value that is not negative.
QString NumberText(double value);
QString SignedNumberText(double value);
