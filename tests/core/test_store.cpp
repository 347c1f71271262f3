#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <limits>

#include "core/store.h"

namespace {

// The partition-exchange sort written out as plainly as possible: 1-based
// keys with an unused slot 0, both halves sorted by recursion.
void ReferenceSort(std::vector<QString>& keys, std::vector<int>& ids, int first, int last) {
    int lo = first;
    int hi = last;
    const int pivotIndex = static_cast<int>(std::nearbyint((first + last) / 2.0));
    const QString pivot = keys[pivotIndex];
    while (lo <= hi) {
        while (keys[lo] < pivot && lo < last) {
            ++lo;
        }
        while (pivot < keys[hi] && hi > first) {
            --hi;
        }
        if (lo <= hi) {
            std::swap(keys[lo], keys[hi]);
            std::swap(ids[lo], ids[hi]);
            ++lo;
            --hi;
        }
    }
    if (first < hi) {
        ReferenceSort(keys, ids, first, hi);
    }
    if (lo < last) {
        ReferenceSort(keys, ids, lo, last);
    }
}

WaypointStore StoreOf(const QStringList& names) {
    WaypointStore store;
    for (const QString& name : names) {
        Waypoint w;
        w.Name = name;
        store.Waypoints.push_back(w);
    }
    return store;
}

QStringList NamesOf(const WaypointStore& store) {
    QStringList names;
    for (const Waypoint& w : store.Waypoints) {
        names.push_back(w.Name);
    }
    return names;
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

    void sortOfASubrangeLeavesTheRestAlone() {
        WaypointStore store = StoreOf(
            {QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")});
        for (Waypoint& w : store.Waypoints) {
            w.SortKey = w.Name;
        }
        SortWaypoints(store, 2, 3);
        QCOMPARE(NamesOf(store), QStringList({QStringLiteral("d"), QStringLiteral("b"),
                                              QStringLiteral("c"), QStringLiteral("a")}));
    }

    void sortHandlesLargeAndHostileInputs() {
        // Sorted, reversed, all equal and an "organ pipe" run: each ends sorted.
        const int n = 20000;
        for (int pattern = 0; pattern < 4; ++pattern) {
            WaypointStore store;
            for (int i = 0; i < n; ++i) {
                Waypoint w;
                const int k = pattern == 0   ? i
                              : pattern == 1 ? n - i
                              : pattern == 2 ? 7
                                             : (i < n / 2 ? i : n - i);
                w.Name = QStringLiteral("%1").arg(k, 6, 10, QLatin1Char('0'));
                store.Waypoints.push_back(w);
            }
            SortAndMarkDuplicates(store);
            for (int i = 2; i <= n; ++i) {
                QVERIFY(!(store.record(i).SortKey < store.record(i - 1).SortKey));
            }
        }
    }

    void caseInsensitiveMarking_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("written");  // names not marked, in store order
        QTest::newRow("one") << QStringList{QStringLiteral("A")}
                             << QStringList{QStringLiteral("A")};
        QTest::newRow("B a A") << QStringList{QStringLiteral("B"), QStringLiteral("a"),
                                              QStringLiteral("A")}
                               << QStringList{QStringLiteral("A"), QStringLiteral("B")};
        QTest::newRow("identical") << QStringList{QStringLiteral("GC1"), QStringLiteral("GC1")}
                                   << QStringList{QStringLiteral("GC1")};
        QTest::newRow("gc1234 GC1234")
            << QStringList{QStringLiteral("gc1234"), QStringLiteral("GC1234")}
            << QStringList{QStringLiteral("GC1234")};
        // Full Unicode upper-casing: "straße" and "STRASSE" are the same name.
        QTest::newRow("sharp s") << QStringList{QString::fromUtf8("straße"),
                                                QStringLiteral("STRASSE")}
                                 << QStringList{QStringLiteral("STRASSE")};
    }
    void caseInsensitiveMarking() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, written);
        WaypointStore store = StoreOf(names);
        SortAndMarkDuplicates(store);
        QStringList kept;
        for (const Waypoint& w : store.Waypoints) {
            if (!w.Duplicate) {
                kept.push_back(w.Name);
            }
        }
        QCOMPARE(kept, written);
    }

    void exactMarkingKeepsNamesThatDifferInCase() {
        WaypointStore store = StoreOf({QStringLiteral("GC12"), QStringLiteral("gc12"),
                                       QStringLiteral("GC12"), QStringLiteral("z")});
        MarkExactDuplicates(store);
        int kept = 0;
        for (const Waypoint& w : store.Waypoints) {
            kept += w.Duplicate ? 0 : 1;
        }
        // GC12, gc12, GC12 sort together; only a record equal to the one
        // just before it is dropped, so 2 or 3 of them remain depending on
        // their order, plus "z".
        QCOMPARE(store.record(store.WaypointCount()).Name, QStringLiteral("z"));
        QVERIFY(kept == 3 || kept == 4);
        for (int i = 2; i <= store.WaypointCount(); ++i) {
            QCOMPARE(store.record(i).Duplicate, store.record(i).Name == store.record(i - 1).Name);
        }
    }

    void emptyStoreIsLeftAlone() {
        WaypointStore store;
        SortAndMarkDuplicates(store);
        MarkExactDuplicates(store);
        QCOMPARE(store.WaypointCount(), 0);
    }

    void clearStoreResetsTheFlag() {
        WaypointStore store = StoreOf({QStringLiteral("x")});
        CheckCoordinates(store, 100, 0, QStringLiteral("x"), QString());
        QVERIFY(store.CoordinatesFixed);
        ClearStore(store);
        QCOMPARE(store.WaypointCount(), 0);
        QVERIFY(!store.CoordinatesFixed);
    }

    void checkCoordinates_data() {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("fixedLat");
        QTest::addColumn<double>("fixedLon");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("limits") << 90.0 << -180.0 << 90.0 << -180.0 << QStringLiteral("W")
                                << QStringLiteral("Old tower") << false;
        QTest::newRow("lat 90.5") << 90.5 << 0.0 << 0.0 << 0.0 << QStringLiteral("FIXED-W")
                                  << QStringLiteral("FIXED from  90.5,  0. Old tower") << true;
        QTest::newRow("95.5 -200") << 95.5 << -200.0 << 0.0 << 0.0 << QStringLiteral("FIXED-W")
                                   << QStringLiteral("FIXED from  95.5, -200. Old tower") << true;
        QTest::newRow("100 10") << 100.0 << 10.0 << 0.0 << 10.0 << QStringLiteral("FIXED-W")
                                << QStringLiteral("FIXED from  100,  10. Old tower") << true;
        QTest::newRow("huge") << 1e20 << 1.25 << 0.0 << 1.25 << QStringLiteral("FIXED-W")
                              << QStringLiteral("FIXED from  1E+20,  1.25. Old tower") << true;
        QTest::newRow("15 digits")
            << 45.0 << 180.123456789012345 << 45.0 << 0.0 << QStringLiteral("FIXED-W")
            << QStringLiteral("FIXED from  45,  180.123456789012. Old tower") << true;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 1.0 << 0.0 << 1.0
                             << QStringLiteral("FIXED-W")
                             << QStringLiteral("FIXED from  nan,  1. Old tower") << true;
    }
    void checkCoordinates() {
        QFETCH(double, lat);
        QFETCH(double, lon);
        WaypointStore store;
        const CoordinateFix fix =
            CheckCoordinates(store, lat, lon, QStringLiteral("W"), QStringLiteral("Old tower"));
        QTEST(fix.Latitude, "fixedLat");
        QTEST(fix.Longitude, "fixedLon");
        QTEST(fix.Name, "name");
        QTEST(fix.Description, "description");
        QTEST(store.CoordinatesFixed, "fixed");
    }

    void semicircles_data() {
        QTest::addColumn<double>("degrees");
        QTest::addColumn<qint32>("semicircles");
        QTest::newRow("45") << 45.0 << (qint32(1) << 29);
        QTest::newRow("0") << 0.0 << qint32(0);
        QTest::newRow("90") << 90.0 << qint32(1 << 30);
        QTest::newRow("-90") << -90.0 << qint32(-(1 << 30));
        QTest::newRow("-180") << -180.0 << std::numeric_limits<qint32>::min();
        QTest::newRow("+180 clamps") << 180.0 << std::numeric_limits<qint32>::max();
        QTest::newRow("1e300 clamps") << 1e300 << std::numeric_limits<qint32>::max();
        QTest::newRow("-1e300 clamps") << -1e300 << std::numeric_limits<qint32>::min();
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << qint32(0);
        // 0.5 semicircle rounds to the even neighbour 0; 1.5 to 2.
        QTest::newRow("half to even 0") << 0.5 * 180.0 / 2147483648.0 << qint32(0);
        QTest::newRow("half to even 2") << 1.5 * 180.0 / 2147483648.0 << qint32(2);
    }
    void semicircles() {
        QFETCH(double, degrees);
        QFETCH(qint32, semicircles);
        QCOMPARE(DegreesToSemicircles(degrees), semicircles);
    }

    void semicirclesBackToDegrees() {
        QCOMPARE(SemicirclesToDegrees(1 << 29), 45.0);
        QCOMPARE(SemicirclesToDegrees(-(1 << 29)), -45.0);
        QCOMPARE(SemicirclesToDegrees(std::numeric_limits<qint32>::min()), -180.0);
    }

    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("51.5") << 51.5 << QStringLiteral("51.5");
        QTest::newRow("-0.25") << -0.25 << QStringLiteral("-0.25");
        QTest::newRow("12") << 12.0 << QStringLiteral("12");
        QTest::newRow("-0") << -0.0 << QStringLiteral("0");
        QTest::newRow("1e20") << 1e20 << QStringLiteral("1E+20");
        QTest::newRow("1e-20") << 1e-20 << QStringLiteral("1E-20");
        QTest::newRow("0.1+0.2") << 0.1 + 0.2 << QStringLiteral("0.3");
        QTest::newRow("15 digits") << 123456789.123456789 << QStringLiteral("123456789.123457");
    }
    void numberText() {
        QFETCH(double, value);
        QTEST(NumberText(value), "text");
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "test_store.moc"
