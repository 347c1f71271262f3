#include <QtTest>

#include "mapsource/symbols.h"
#include "support/fakes.h"

class SymbolsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameToNumber_data() {
        // -1: no match.
        AddColumns<QString, int>("name", "number");
        AddRow("GEOCACHE FOUND", "GEOCACHE FOUND", 118);
        AddRow("two spaces", "geocache  found", -1);
        AddRow("city (capitol)", "city (capitol)", 72);
        AddRow("city (capital)", "city (capital)", -1);
        AddRow("Trailhead", "Trailhead", -1);
        AddRow("Trail Head", "Trail Head", 61);
        AddRow("padded", " Waypoint", -1);
        AddRow("empty", "", -1);
        AddRow("Dot", "Dot", -1);
    }
    void nameToNumber() {
        QFETCH(QString, name);
        QTEST(SymbolNumber(name).value_or(-1), "number");
    }

    void numberToName() {
        QCOMPARE(SymbolName(0), QStringLiteral("Marina"));
        QCOMPARE(SymbolName(18), QStringLiteral("Waypoint"));
        QCOMPARE(SymbolName(117), QStringLiteral("Geocache"));
        QCOMPARE(SymbolName(118), QStringLiteral("Geocache Found"));
        QCOMPARE(SymbolName(119), QString());
        QCOMPARE(SymbolName(-1), QString());
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
