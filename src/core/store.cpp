#include "core/store.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

void ClearStore(WaypointStore& store) {
    store.Waypoints.clear();
    store.Waypoints.shrink_to_fit();
    store.CoordinatesFixed = false;
}

namespace {

// The sort's work budget in records passed over, per record and per level of
// a balanced sort (see SortRange).
constexpr int kWorkPerRecordAndLevel = 64;

// The middle of first..last, an exact half going to the even neighbour.
qint32 PivotNumber(qint32 first, qint32 last) {
    const qint64 sum = qint64(first) + qint64(last);
    qint64 middle = sum / 2;
    if (sum % 2 != 0 && middle % 2 != 0) {
        ++middle;
    }
    return static_cast<qint32>(middle);
}

// Records first..last with the two-pointer partition around the middle key.
// Both halves of a step are disjoint, so the smaller one is sorted by
// recursion and the larger one by the loop; that bounds the stack depth.
//
// Some shapes take the middle pivot far past n log n: an organ pipe is
// quadratic, and a sorted list imported twice costs up to about 150 n log2 n
// at sizes just below a power of two. workLeft counts the records that
// partition steps may still pass over in the whole sort; the budget is
// generous enough that every realistic input up to about 100,000 records is
// ordered by this procedure alone. Only a shape built against the middle
// pivot exhausts it, and then each range not yet partitioned is sorted by key
// with a stable library sort: still sorted, in bounded time.
void SortRange(std::vector<Waypoint>& records, qint32 first, qint32 last, qint64& workLeft) {
    const auto key = [&records](qint32 n) -> const QString& {
        return records[static_cast<size_t>(n - 1)].SortKey;
    };
    while (first < last) {
        workLeft -= last - first + 1;
        if (workLeft < 0) {
            std::stable_sort(
                records.begin() + (first - 1), records.begin() + last,
                [](const Waypoint& a, const Waypoint& b) { return a.SortKey < b.SortKey; });
            return;
        }
        qint32 lo = first;
        qint32 hi = last;
        const QString pivot = key(PivotNumber(first, last));
        while (lo <= hi) {
            while (key(lo) < pivot && lo < last) {
                ++lo;
            }
            while (pivot < key(hi) && hi > first) {
                --hi;
            }
            if (lo <= hi) {
                if (lo != hi) {
                    std::swap(records[static_cast<size_t>(lo - 1)],
                              records[static_cast<size_t>(hi - 1)]);
                }
                ++lo;
                --hi;
            }
        }
        if (hi - first < last - lo) {
            SortRange(records, first, hi, workLeft);
            first = lo;
        } else {
            SortRange(records, lo, last, workLeft);
            last = hi;
        }
    }
}

void RefreshSortKeys(WaypointStore& store) {
    for (Waypoint& w : store.Waypoints) {
        w.SortKey = w.Name.toUpper();
    }
}

}  // namespace

void SortWaypoints(WaypointStore& store, qint32 first, qint32 last) {
    const qint32 n = last - first + 1;
    if (n < 2) {
        return;
    }
    qint64 workLeft = qint64(kWorkPerRecordAndLevel) * n * std::bit_width(static_cast<quint32>(n));
    SortRange(store.Waypoints, first, last, workLeft);
}

void SortAndMarkDuplicates(WaypointStore& store) {
    RefreshSortKeys(store);
    SortWaypoints(store, 1, store.WaypointCount());
    // The sort keys are the upper-cased names, so comparing them compares the
    // names without regard to letter case.
    for (size_t i = 0; i < store.Waypoints.size(); ++i) {
        store.Waypoints[i].Duplicate =
            i > 0 && store.Waypoints[i].SortKey == store.Waypoints[i - 1].SortKey;
    }
}

void MarkExactDuplicates(WaypointStore& store) {
    RefreshSortKeys(store);
    SortWaypoints(store, 1, store.WaypointCount());
    for (size_t i = 0; i < store.Waypoints.size(); ++i) {
        store.Waypoints[i].Duplicate =
            i > 0 && store.Waypoints[i].Name == store.Waypoints[i - 1].Name;
    }
}

CoordinateFix CheckCoordinates(WaypointStore& store, double latitude, double longitude,
                               const QString& name, const QString& description) {
    // Written so that NaN counts as out of range.
    const bool latitudeOk = std::fabs(latitude) <= 90;
    const bool longitudeOk = std::fabs(longitude) <= 180;
    if (latitudeOk && longitudeOk) {
        return {latitude, longitude, name, description};
    }
    CoordinateFix fix;
    fix.Name = QStringLiteral("FIXED-") + name;
    fix.Description = QStringLiteral("FIXED from ") + SignedNumberText(latitude) +
                      QStringLiteral(", ") + SignedNumberText(longitude) + QStringLiteral(". ") +
                      description;
    fix.Latitude = latitudeOk ? latitude : 0;
    fix.Longitude = longitudeOk ? longitude : 0;
    store.CoordinatesFixed = true;
    return fix;
}

qint32 DegreesToSemicircles(double degrees) {
    const double value = std::nearbyint(degrees / 180.0 * 2147483648.0);
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<qint32>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<qint32>::min();
    }
    return static_cast<qint32>(value);
}

double SemicirclesToDegrees(qint32 semicircles) {
    return semicircles * 180.0 / 2147483648.0;
}

QString NumberText(double value) {
    if (value == 0) {
        value = 0;  // no "-0"
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    text.replace(QLatin1Char('e'), QLatin1Char('E'));
    return text;
}

QString SignedNumberText(double value) {
    const QString text = NumberText(value);
    return text.startsWith(QLatin1Char('-')) ? text : QLatin1Char(' ') + text;
}
