#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/store.h"
#include "support/fakes.h"

namespace {

// The partition-exchange sort written out as plainly as possible: 1-based
// keys with an unused slot 0, both halves sorted by recursion.
void ReferenceSort(std::vector<QString>& keys, std::vector<int>& ids, int first, int last) {
    int lo = first;
    int hi = last;
    const QString pivot = keys[static_cast<int>(std::nearbyint((first + last) / 2.0))];
    while (lo <= hi) {
        while (keys[lo] < pivot && lo < last) {
            ++lo;
        }
        while (pivot < keys[hi] && hi > first) {
            --hi;
        }
        if (lo <= hi) {
            std::swap(keys[lo], keys[hi]);
            std::swap(ids[lo++], ids[hi--]);
        }
    }
    if (first < hi) {
        ReferenceSort(keys, ids, first, hi);
    }
    if (lo < last) {
        ReferenceSort(keys, ids, lo, last);
    }
}

// The listing site's code for a cache number: hexadecimal up to GCFFFF,
// then base 31 counted on from GCG000.
QString CacheCode(quint32 number) {
    if (number <= 0xFFFF) {
        return QStringLiteral("GC") + QString::number(number, 16).toUpper();
    }
    static const char digits[] = "0123456789ABCDEFGHJKMNPQRTVWXYZ";
    QString code;
    for (number += 411120; number > 0; number /= 31) {
        code.prepend(QLatin1Char(digits[number % 31]));
    }
    return QStringLiteral("GC") + code;
}

// A store of records with these names (separated by ",").
WaypointStore StoreOf(const QString& names) {
    WaypointStore store;
    for (const QString& name : names.split(u',', Qt::SkipEmptyParts)) {
        store.Waypoints.push_back(Waypoint{});
        store.Waypoints.back().Name = name;
    }
    return store;
}

}  // namespace

class StoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sortMatchesTheProcedureOnRandomArrays() {
        QRandomGenerator random(12345);
        for (int round = 0; round < 3000; ++round) {
            const int n = 1 + static_cast<int>(random.bounded(24));
            // Few distinct keys, so that equal keys are common.
            const int alphabet = 1 + static_cast<int>(random.bounded(6));
            WaypointStore store;
            std::vector<QString> keys(1);
            std::vector<int> ids(1);
            for (int i = 1; i <= n; ++i) {
                Waypoint w;
                w.SortKey = QString(QChar(u'A' + random.bounded(alphabet)));
                if (random.bounded(3) == 0) {
                    w.SortKey += QChar(u'a' + random.bounded(2));
                }
                w.Name = QString::number(i);
                store.Waypoints.push_back(w);
                keys.push_back(w.SortKey);
                ids.push_back(i);
            }
            ReferenceSort(keys, ids, 1, n);
            SortWaypoints(store, 1, n);
            for (int i = 1; i <= n; ++i) {
                QCOMPARE(store.record(i).Name, QString::number(ids[i]));
            }
        }
    }

    // Lists a user makes every day, at sizes where the procedure takes many
    // steps: each must come out exactly as the procedure orders it, equal
    // keys included.
    void sortMatchesTheProcedureOnEverydayShapes_data() {
        AddColumns<QString, int>("shape", "n");
        for (const char* shape :
             {"sorted twice", "sorted, then by number", "organ pipe", "random with duplicates"}) {
            for (const int n : {200, 500, 2000}) {
                const QByteArray tag = QByteArray(shape) + ' ' + QByteArray::number(n);
                QTest::newRow(tag.constData()) << QString::fromLatin1(shape) << n;
            }
        }
    }
    void sortMatchesTheProcedureOnEverydayShapes() {
        QFETCH(QString, shape);
        QFETCH(int, n);
        QRandomGenerator random(20261206);
        std::vector<quint32> numbers(static_cast<size_t>(n / 2));
        for (quint32& number : numbers) {
            number = random.bounded(1000u, 3000000u);
        }
        std::vector<QString> keys(1);
        const auto sortedCodes = [&numbers] {
            std::vector<QString> codes;
            for (const quint32 number : numbers) {
                codes.push_back(CacheCode(number));
            }
            std::sort(codes.begin(), codes.end());
            return codes;
        };
        if (shape == QLatin1String("sorted twice")) {
            const std::vector<QString> codes = sortedCodes();
            keys.insert(keys.end(), codes.begin(), codes.end());
            keys.insert(keys.end(), codes.begin(), codes.end());
        } else if (shape == QLatin1String("sorted, then by number")) {
            // An earlier export sorted by name, then a newer file of the same
            // caches sorted by cache number, which is not the order of the
            // codes' texts.
            const std::vector<QString> codes = sortedCodes();
            keys.insert(keys.end(), codes.begin(), codes.end());
            std::sort(numbers.begin(), numbers.end());
            for (const quint32 number : numbers) {
                keys.push_back(CacheCode(number));
            }
        } else if (shape == QLatin1String("organ pipe")) {
            for (int i = 0; i < n; ++i) {
                keys.push_back(
                    QStringLiteral("%1").arg(i < n / 2 ? i : n - i, 5, 10, QLatin1Char('0')));
            }
        } else {
            for (int i = 0; i < n; ++i) {
                keys.push_back(
                    CacheCode(numbers[random.bounded(static_cast<quint32>(numbers.size() / 4))]));
            }
        }
        WaypointStore store;
        std::vector<int> ids(1);
        for (size_t i = 1; i < keys.size(); ++i) {
            store.Waypoints.push_back(Waypoint{});
            store.Waypoints.back().SortKey = keys[i];
            store.Waypoints.back().Name = QString::number(i);
            ids.push_back(static_cast<int>(i));
        }
        const int count = store.WaypointCount();
        ReferenceSort(keys, ids, 1, count);
        SortWaypoints(store, 1, count);
        for (int i = 1; i <= count; ++i) {
            QCOMPARE(store.record(i).Name, QString::number(ids[static_cast<size_t>(i)]));
        }
    }

    // Sorted, reversed, all equal and an "organ pipe" run: each ends sorted,
    // without the recursion running out of stack.
    void sortHandlesLargeAndHostileInputs() {
        const int n = 20000;
        for (int pattern = 0; pattern < 4; ++pattern) {
            WaypointStore store;
            for (int i = 0; i < n; ++i) {
                const int k = pattern == 0   ? i
                              : pattern == 1 ? n - i
                              : pattern == 2 ? 7
                                             : (i < n / 2 ? i : n - i);
                store.Waypoints.push_back(Waypoint{});
                store.Waypoints.back().Name = QStringLiteral("%1").arg(k, 6, 10, QLatin1Char('0'));
            }
            SortAndMarkDuplicates(store);
            for (int i = 2; i <= n; ++i) {
                QVERIFY(!(store.record(i).SortKey < store.record(i - 1).SortKey));
            }
        }
    }

    void duplicateMarkings_data() {
        // Names are separated by ","; "kept" are those not marked, in store order.
        AddColumns<QString, bool, QString>("names", "exact", "kept");
        AddRow("one", "A", false, "A");
        AddRow("B a A", "B,a,A", false, "A,B");
        AddRow("gc1234 GC1234", "gc1234,GC1234", false, "GC1234");
        // Full Unicode upper-casing: "straße" and "STRASSE" are the same name.
        AddRow("sharp s", "straße,STRASSE", false, "STRASSE");
        // Exactly: only a record equal to the one just before it goes.
        AddRow("exact", "GC12,z,GC12", true, "GC12,z");
        AddRow("exact keeps case", "gc12,GC12", true, "GC12,gc12");
        AddRow("empty store", "", false, "");
        AddRow("empty store, exact", "", true, "");
    }
    void duplicateMarkings() {
        QFETCH(QString, names);
        QFETCH(bool, exact);
        WaypointStore store = StoreOf(names);
        exact ? MarkExactDuplicates(store) : SortAndMarkDuplicates(store);
        QStringList kept;
        for (const Waypoint& w : store.Waypoints) {
            if (!w.Duplicate) {
                kept.push_back(w.Name);
            }
        }
        QTEST(kept.join(u','), "kept");
    }

    void checkCoordinates_data() {
        // An empty description: nothing is fixed.
        AddColumns<double, double, double, double, QString>("lat", "lon", "fixedLat", "fixedLon",
                                                            "description");
        AddRow("limits", 90.0, -180.0, 90.0, -180.0, "");
        AddRow("lat 90.5", 90.5, 0.0, 0.0, 0.0, "FIXED from  90.5,  0. Old");
        AddRow("95.5 -200", 95.5, -200.0, 0.0, 0.0, "FIXED from  95.5, -200. Old");
        AddRow("huge", 1e20, 1.25, 0.0, 1.25, "FIXED from  1E+20,  1.25. Old");
        AddRow("15 digits", 45.0, 180.123456789012345, 45.0, 0.0,
               "FIXED from  45,  180.123456789012. Old");
        AddRow("NaN", std::numeric_limits<double>::quiet_NaN(), 1.0, 0.0, 1.0,
               "FIXED from  nan,  1. Old");
    }
    void checkCoordinates() {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(QString, description);
        WaypointStore store;
        const CoordinateFix fix =
            CheckCoordinates(store, lat, lon, QStringLiteral("W"), QStringLiteral("Old"));
        QTEST(fix.Latitude, "fixedLat");
        QTEST(fix.Longitude, "fixedLon");
        QCOMPARE(fix.Name, description.isEmpty() ? QStringLiteral("W") : QStringLiteral("FIXED-W"));
        QCOMPARE(fix.Description, description.isEmpty() ? QStringLiteral("Old") : description);
        QCOMPARE(store.CoordinatesFixed, !description.isEmpty());
        // Clearing the store resets the flag.
        ClearStore(store);
        QVERIFY(!store.CoordinatesFixed);
    }

    void semicircles_data() {
        AddColumns<double, qint32>("degrees", "semicircles");
        constexpr qint32 min = std::numeric_limits<qint32>::min();
        constexpr qint32 max = std::numeric_limits<qint32>::max();
        AddRow("90", 90.0, qint32(1 << 30));
        AddRow("-90", -90.0, qint32(-(1 << 30)));
        AddRow("-180", -180.0, min);
        AddRow("+180 clamps", 180.0, max);
        AddRow("1e300 clamps", 1e300, max);
        AddRow("-1e300 clamps", -1e300, min);
        AddRow("NaN", std::numeric_limits<double>::quiet_NaN(), qint32(0));
        // 0.5 semicircle rounds to the even neighbour 0; 1.5 to 2.
        AddRow("half to even 0", 0.5 * 180.0 / 2147483648.0, qint32(0));
        AddRow("half to even 2", 1.5 * 180.0 / 2147483648.0, qint32(2));
    }
    void semicircles() {
        QFETCH(double, degrees);
        QTEST(DegreesToSemicircles(degrees), "semicircles");
    }

    void numberText_data() {
        AddColumns<double, QString>("value", "text");
        AddRow("-0.25", -0.25, "-0.25");
        AddRow("12", 12.0, "12");
        AddRow("-0", -0.0, "0");
        AddRow("1e-20", 1e-20, "1E-20");
        AddRow("0.1+0.2", 0.1 + 0.2, "0.3");
    }
    void numberText() {
        QFETCH(double, value);
        QTEST(NumberText(value), "text");
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "support/fakes.h"
#include "test_store.moc"
