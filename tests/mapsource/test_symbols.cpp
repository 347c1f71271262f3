#include <QtTest>

#include "mapsource/symbols.h"

class SymbolsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameToNumber_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");  // -1: no match
        QTest::newRow("geocache found") << QStringLiteral("geocache found") << 118;
        QTest::newRow("GEOCACHE FOUND") << QStringLiteral("GEOCACHE FOUND") << 118;
        QTest::newRow("two spaces") << QStringLiteral("geocache  found") << -1;
        QTest::newRow("city (capitol)") << QStringLiteral("city (capitol)") << 72;
        QTest::newRow("city (capital)") << QStringLiteral("city (capital)") << -1;
        QTest::newRow("Trailhead") << QStringLiteral("Trailhead") << -1;
        QTest::newRow("Trail Head") << QStringLiteral("Trail Head") << 61;
        QTest::newRow("waypoint") << QStringLiteral("waypoint") << 18;
        QTest::newRow("padded") << QStringLiteral(" Waypoint") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("Dot") << QStringLiteral("Dot") << -1;
    }
    void nameToNumber() {
        QFETCH(QString, name);
        QFETCH(int, number);
        const std::optional<qint32> n = SymbolNumber(name);
        QCOMPARE(n.value_or(-1), number);
    }

    void numberToName() {
        QCOMPARE(SymbolName(0), QStringLiteral("Marina"));
        QCOMPARE(SymbolName(18), QStringLiteral("Waypoint"));
        QCOMPARE(SymbolName(117), QStringLiteral("Geocache"));
        QCOMPARE(SymbolName(118), QStringLiteral("Geocache Found"));
        QCOMPARE(SymbolName(119), QString());
        QCOMPARE(SymbolName(-1), QString());
        QCOMPARE(SymbolName(999), QString());
    }

    void namesAreDistinctAndRoundTrip() {
        QSet<QString> seen;
        for (qint32 n = 0; n < SymbolCount; ++n) {
            const QString name = SymbolName(n);
            QVERIFY(!name.isEmpty());
            QVERIFY2(!seen.contains(name.toLower()), qPrintable(name));
            seen.insert(name.toLower());
            QCOMPARE(SymbolNumber(name.toUpper()).value_or(-1), n);
        }
    }
};

QTEST_GUILESS_MAIN(SymbolsTest)
#include "test_symbols.moc"
