// The sort and the duplicate markings on seeded random stores: the sort's
// order is the one the plain partition-exchange sort gives, equal keys
// included; the markings keep the first imported copy of each name.
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "core/store.h"
#include "support/fakes.h"

namespace {

// The partition-exchange sort written out as plainly as possible: 1-based
// keys with an unused slot 0, both halves sorted by recursion.
void ReferenceSort(std::vector<QString>& keys, std::vector<int>& ids, int first, int last) {
    int lo = first;
    int hi = last;
    const QString pivot = keys[static_cast<size_t>(std::nearbyint((first + last) / 2.0))];
    while (lo <= hi) {
        while (keys[size_t(lo)] < pivot && lo < last) {
            ++lo;
        }
        while (pivot < keys[size_t(hi)] && hi > first) {
            --hi;
        }
        if (lo <= hi) {
            std::swap(keys[size_t(lo)], keys[size_t(hi)]);
            std::swap(ids[size_t(lo++)], ids[size_t(hi--)]);
        }
    }
    if (first < hi) {
        ReferenceSort(keys, ids, first, hi);
    }
    if (lo < last) {
        ReferenceSort(keys, ids, lo, last);
    }
}

// A cache code of the listing site's hexadecimal kind: codes of different
// lengths, whose texts sort otherwise than their numbers.
QString CacheCode(quint32 number) {
    return QStringLiteral("GC") + QString::number(number, 16).toUpper();
}

// n keys of a shape a user's lists take: few distinct short keys; cache
// codes sorted twice; sorted, then the same caches by number (not the order
// of the codes' texts); an organ pipe; codes with many repeats.
std::vector<QString> Keys(int shape, int n, QRandomGenerator& random) {
    std::vector<quint32> numbers(size_t(n / 2 + 1));
    std::vector<QString> codes;
    for (quint32& number : numbers) {
        number = random.bounded(1000u, 3000000u);
        codes.push_back(CacheCode(number));
    }
    std::sort(codes.begin(), codes.end());
    std::sort(numbers.begin(), numbers.end());
    const auto alphabet = quint32(1 + random.bounded(6));
    std::vector<QString> keys;
    for (int i = 0; int(keys.size()) < n; ++i) {
        const auto half = size_t(i % (n / 2 + 1));
        keys.push_back(
            shape == 0 ? QString(QChar(u'A' + random.bounded(alphabet))) +
                             QString(random.bounded(3) ? 0 : 1, QChar(u'a' + random.bounded(2)))
            : shape == 1 ? codes[half]
            : shape == 2 ? (i <= n / 2 ? codes[half] : CacheCode(numbers[half]))
            : shape == 3 ? QStringLiteral("%1").arg(std::min(i, n - i), 6, 10, QChar(u'0'))
                         : CacheCode(numbers[random.bounded(quint32(n / 8 + 1))]));
    }
    return keys;
}

}  // namespace

class StoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sortMatchesThePlainSort() {
        QRandomGenerator random(20261206);
        for (int shape = 0; shape < 5; ++shape) {
            for (const int n : {1, 2, 3, 5, 8, 13, 24, 200, 500, 2000}) {
                for (int round = 0; round < (n < 100 ? 100 : 1); ++round) {
                    std::vector<QString> keys = Keys(shape, n, random);
                    WaypointStore store;
                    std::vector<int> ids(1);
                    for (const QString& key : keys) {
                        ids.push_back(int(ids.size()));
                        store.Waypoints.emplace_back().SortKey = key;
                        store.Waypoints.back().Time = ids.back();
                    }
                    keys.insert(keys.begin(), QString());
                    ReferenceSort(keys, ids, 1, n);
                    SortWaypoints(store, 1, n);
                    for (int i = 1; i <= n; ++i) {
                        QCOMPARE(store.record(i).Time, ids[size_t(i)]);
                    }
                }
            }
        }
    }

    // Sorted, reversed, all equal and organ-pipe names: each ends sorted,
    // without the recursion running out of stack.
    void sortHandlesLargeAndHostileInputs() {
        const int n = 20000;
        for (int pattern = 0; pattern < 4; ++pattern) {
            WaypointStore store;
            for (int i = 0; i < n; ++i) {
                const int k = std::array{i, n - i, 7, std::min(i, n - i)}[size_t(pattern)];
                store.Waypoints.emplace_back().Name = QString::number(100000 + k);
            }
            SortAndMarkDuplicates(store);
            QVERIFY(std::ranges::is_sorted(store.Waypoints, {}, &Waypoint::SortKey));
        }
    }

    // On stores full of names that differ in case, sorted ones included
    // (the sort's fallback then takes part): each name is written once, from
    // its first imported copy; a second marking changes nothing; and the
    // forecast the window shows names the copy written, record by record.
    void markingsKeepTheFirstImportedCopy() {
        QRandomGenerator random(20261206);
        const QStringList names = QStringLiteral("gc1 GC1 Gc1 gc2 GC2 x").split(u' ');
        for (const int n : {1, 2, 7, 40, 600, 2000}) {
            for (const bool sorted : {false, true}) {
                WaypointStore store;
                for (int i = 0; i < n; ++i) {
                    Waypoint& w = store.Waypoints.emplace_back();
                    w.Name =
                        names.at(random.bounded(6)) + QString::number(random.bounded(n / 4 + 1));
                    w.Description = names.at(random.bounded(6));
                    w.Temperature = i;  // the order of import
                }
                if (sorted) {
                    MarkExactDuplicates(store);
                }
                for (qint32 i = 0; i < n; ++i) {
                    store.Waypoints[size_t(i)].Time = i;  // which record it is, after a sort
                }
                for (const int kind : {0, 1, 2}) {
                    const DuplicateForecast forecast = ForecastDuplicates(store, kind == 2);
                    const std::vector<qint32>& skips =
                        kind == 1 ? forecast.loc : forecast.mapSource;
                    WaypointStore marked = store;
                    for (Waypoint& w : marked.Waypoints) {
                        w.Name.swap(kind == 2 ? w.Description : w.Name);
                    }
                    const auto mark = [&] {
                        kind == 1 ? MarkExactDuplicates(marked) : SortAndMarkDuplicates(marked);
                    };
                    mark();
                    const auto same = [&](const QString& name) {
                        return kind == 1 ? name : name.toUpper();
                    };
                    std::map<QString, const Waypoint*> written;
                    for (const Waypoint& w : marked.Waypoints) {
                        if (!w.Duplicate) {
                            QVERIFY2(written.emplace(same(w.Name), &w).second, qPrintable(w.Name));
                        }
                    }
                    QStringList order;
                    for (const Waypoint& w : marked.Waypoints) {
                        const Waypoint* copy = written.at(same(w.Name));
                        QVERIFY(copy->Temperature <= w.Temperature);
                        QCOMPARE(skips[size_t(w.Time)], w.Duplicate ? copy->Time : -1);
                        order += QString::number(w.Time);
                    }
                    mark();
                    for (size_t i = 0; i < marked.Waypoints.size(); ++i) {
                        QCOMPARE(QString::number(marked.Waypoints[i].Time), order[qsizetype(i)]);
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
