#include "core/store.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

void ClearStore(WaypointStore& store) {
    store.Visits.clear();
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
template <class Record>
void SortRange(std::vector<Record>& records, qint32 first, qint32 last, qint64& workLeft) {
    const auto key = [&records](qint32 n) -> const QString& {
        return records[static_cast<size_t>(n - 1)].SortKey;
    };
    while (first < last) {
        workLeft -= last - first + 1;
        if (workLeft < 0) {
            std::stable_sort(
                records.begin() + (first - 1), records.begin() + last,
                [](const Record& a, const Record& b) { return a.SortKey < b.SortKey; });
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

// Records first..last of anything with a SortKey, in the store's order.
template <class Record>
void SortRecords(std::vector<Record>& records, qint32 first, qint32 last) {
    const qint32 n = last - first + 1;
    if (n < 2) {
        return;
    }
    qint64 workLeft = qint64(kWorkPerRecordAndLevel) * n * std::bit_width(static_cast<quint32>(n));
    SortRange(records, first, last, workLeft);
}

// A record's place in the store, carried through a sort of its key, and the
// Sequence the record has or will get at the next marking.
struct KeyedSlot {
    QString SortKey;
    qint32 slot = 0;
    qint64 Sequence = 0;
};

qint64 HighestSequence(const WaypointStore& store) {
    qint64 highest = 0;
    for (const Waypoint& w : store.Waypoints) {
        highest = std::max(highest, w.Sequence);
    }
    return highest;
}

// Records imported since the last marking lie in store order; they come
// after every record numbered before.
void NumberNewRecords(WaypointStore& store) {
    qint64 next = HighestSequence(store);
    for (Waypoint& w : store.Waypoints) {
        if (w.Sequence == 0) {
            w.Sequence = ++next;
        }
    }
}

// The sort leaves records with equal keys in an order that depends on the
// order it was given, and each export hands it the order the last one left:
// two equal keys trade places at every export. Putting each run of equal
// keys in import order makes the result the same whatever the start.
template <class Record>
void SortIntoImportOrder(std::vector<Record>& records) {
    SortRecords(records, 1, qint32(records.size()));
    for (auto run = records.begin(); run != records.end();) {
        const auto next = std::find_if(run + 1, records.end(),
                                       [&](const Record& r) { return r.SortKey != run->SortKey; });
        if (next - run > 1) {
            std::stable_sort(run, next, [](const Record& a, const Record& b) {
                return a.Sequence < b.Sequence;
            });
        }
        run = next;
    }
}

// For records in the order SortIntoImportOrder leaves: the index of the
// copy written instead of each, or -1 for a record that is written itself.
// Names equal without regard to letter case have equal keys and lie in one
// run in import order; an exact name may recur anywhere in its run, past
// other spellings, so the exact test looks at the whole run.
template <class Record, class NameOf>
std::vector<qint32> WrittenCopies(const std::vector<Record>& records, bool exact, NameOf nameOf) {
    std::vector<qint32> written(records.size(), -1);
    std::vector<qint32> run;
    for (size_t first = 0; first < records.size();) {
        size_t next = first + 1;
        while (next < records.size() && records[next].SortKey == records[first].SortKey) {
            ++next;
        }
        if (!exact) {
            for (size_t i = first + 1; i < next; ++i) {
                written[i] = qint32(first);
            }
        } else if (next - first > 1) {
            run.clear();
            for (size_t i = first; i < next; ++i) {
                run.push_back(qint32(i));
            }
            std::stable_sort(run.begin(), run.end(), [&](qint32 a, qint32 b) {
                return nameOf(records[size_t(a)]) < nameOf(records[size_t(b)]);
            });
            for (size_t i = 1, copy = 0; i < run.size(); ++i) {
                if (nameOf(records[size_t(run[i])]) == nameOf(records[size_t(run[copy])])) {
                    written[size_t(run[i])] = run[copy];
                } else {
                    copy = i;
                }
            }
        }
        first = next;
    }
    return written;
}

// The slots of the store in the order a writer's marking would leave them,
// keyed by the upper-cased names (or descriptions, for a swapping export).
std::vector<KeyedSlot> SortedSlots(const WaypointStore& store, bool byDescription) {
    std::vector<KeyedSlot> slots;
    slots.reserve(store.Waypoints.size());
    qint64 next = HighestSequence(store);
    for (size_t i = 0; i < store.Waypoints.size(); ++i) {
        const Waypoint& w = store.Waypoints[i];
        slots.push_back({(byDescription ? w.Description : w.Name).toUpper(), qint32(i),
                         w.Sequence != 0 ? w.Sequence : ++next});
    }
    SortIntoImportOrder(slots);
    return slots;
}

void MarkDuplicates(WaypointStore& store, bool exact) {
    RefreshSortKeys(store);
    NumberNewRecords(store);
    SortIntoImportOrder(store.Waypoints);
    const std::vector<qint32> written = WrittenCopies(
        store.Waypoints, exact, [](const Waypoint& w) -> const QString& { return w.Name; });
    for (size_t i = 0; i < store.Waypoints.size(); ++i) {
        store.Waypoints[i].Duplicate = written[i] >= 0;
    }
}

}  // namespace

void SortWaypoints(WaypointStore& store, qint32 first, qint32 last) {
    SortRecords(store.Waypoints, first, last);
}

DuplicateForecast ForecastDuplicates(const WaypointStore& store, bool swapNameDesc) {
    DuplicateForecast forecast;
    forecast.mapSource.assign(store.Waypoints.size(), -1);
    forecast.loc.assign(store.Waypoints.size(), -1);
    const auto fill = [](std::vector<qint32>& slotsWritten, const std::vector<KeyedSlot>& slots,
                         const std::vector<qint32>& written) {
        for (size_t i = 0; i < slots.size(); ++i) {
            if (written[i] >= 0) {
                slotsWritten[size_t(slots[i].slot)] = slots[size_t(written[i])].slot;
            }
        }
    };
    const std::vector<KeyedSlot> byName = SortedSlots(store, false);
    fill(forecast.loc, byName,
         WrittenCopies(byName, true, [&](const KeyedSlot& s) -> const QString& {
             return store.Waypoints[size_t(s.slot)].Name;
         }));
    const auto sameKey = [](const KeyedSlot& s) -> const QString& { return s.SortKey; };
    if (swapNameDesc) {
        const std::vector<KeyedSlot> byDescription = SortedSlots(store, true);
        fill(forecast.mapSource, byDescription, WrittenCopies(byDescription, false, sameKey));
    } else {
        fill(forecast.mapSource, byName, WrittenCopies(byName, false, sameKey));
    }
    return forecast;
}

void SortAndMarkDuplicates(WaypointStore& store) {
    MarkDuplicates(store, false);
}

void MarkExactDuplicates(WaypointStore& store) {
    MarkDuplicates(store, true);
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
