#include <QtTest>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "core/textutil.h"

class TextUtilTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void zeroPad_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("text");
        QTest::newRow("7 width 0") << 7 << 0 << QStringLiteral("07");
        QTest::newRow("-7") << -7 << 2 << QStringLiteral("-07");
        QTest::newRow("-5 width 3") << -5 << 3 << QStringLiteral("-005");
        QTest::newRow("2026") << 2026 << 2 << QStringLiteral("2026");
        QTest::newRow("-123") << -123 << 2 << QStringLiteral("-123");
        QTest::newRow("0") << 0 << 2 << QStringLiteral("00");
        QTest::newRow("12") << 12 << 2 << QStringLiteral("12");
    }
    void zeroPad() {
        QFETCH(int, value);
        QFETCH(int, width);
        QTEST(ZeroPad(value, width), "text");
    }

    void dateTimeText_data() {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("text");
        QTest::newRow("2026") << QDateTime(QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC)
                              << QStringLiteral("05/12/2026 01:02:03");
        QTest::newRow("2004") << QDateTime(QDate(2004, 1, 1), QTime(0, 0), Qt::UTC)
                              << QStringLiteral("01/01/2004 00:00:00");
        QTest::newRow("year 800") << QDateTime(QDate(800, 3, 4), QTime(5, 6, 7), Qt::UTC)
                                  << QStringLiteral("04/03/800 05:06:07");
    }
    void dateTimeText() {
        QFETCH(QDateTime, time);
        QTEST(DateTimeText(time), "text");
    }

    void manualTimeSeconds_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("epoch") << QStringLiteral("01/01/1970 00:00:00") << true << qint64(13);
        QTest::newRow("ten seconds") << QStringLiteral("01/01/1970 00:00:10") << true << qint64(23);
        QTest::newRow("2004") << QStringLiteral("15/01/2004 10:20:30") << true
                              << qint64(1074162030 + 13);
        QTest::newRow("day first")
            << QStringLiteral("02/03/2010 00:00:00") << true << qint64(1267488000 + 13);
        QTest::newRow("last") << QStringLiteral("31/12/2037 23:59:59") << true
                              << qint64(2145916799 + 13);
        // The instant does not exist in Los Angeles local time; in UTC it does.
        QTest::newRow("dst gap") << QStringLiteral("08/03/2026 02:30:00") << true
                                 << qint64(1772937000 + 13);
        QTest::newRow("31 February") << QStringLiteral("31/02/2010 00:00:00") << false << qint64(0);
        QTest::newRow("month 13") << QStringLiteral("01/13/2010 00:00:00") << false << qint64(0);
        QTest::newRow("hour 24") << QStringLiteral("01/01/2010 24:00:00") << false << qint64(0);
        QTest::newRow("zone") << QStringLiteral("01/01/2010 00:00:00Z") << false << qint64(0);
        QTest::newRow("iso") << QStringLiteral("2010-01-01 00:00:00") << false << qint64(0);
        QTest::newRow("empty") << QString() << false << qint64(0);
    }
    void manualTimeSeconds() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, seconds);
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "America/Los_Angeles");
        tzset();
        const std::optional<qint64> result = ManualTimeSeconds(text);
        qputenv("TZ", oldTz);
        tzset();
        QCOMPARE(result.has_value(), valid);
        if (valid) {
            QCOMPARE(*result, seconds);
        }
    }

    void nextToken_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("rest");
        QTest::newRow("quoted") << QStringLiteral("\"c:\\my files\\a.loc\" b.gpx")
                                << QStringLiteral("c:\\my files\\a.loc") << QStringLiteral("b.gpx");
        QTest::newRow("three spaces") << QStringLiteral("a.loc   b.gpx") << QStringLiteral("a.loc")
                                      << QStringLiteral("b.gpx");
        QTest::newRow("unclosed quote")
            << QStringLiteral("\"a b") << QStringLiteral("\"a") << QStringLiteral("b");
        QTest::newRow("last") << QStringLiteral("a.loc") << QStringLiteral("a.loc") << QString();
        QTest::newRow("quoted last")
            << QStringLiteral("\"a b\"") << QStringLiteral("a b") << QString();
        QTest::newRow("empty quotes")
            << QStringLiteral("\"\" x") << QString() << QStringLiteral("x");
    }
    void nextToken() {
        QFETCH(QString, text);
        const QString token = NextToken(text);
        QTEST(token, "token");
        QTEST(text, "rest");
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << QStringLiteral("47.5") << 47.5;
        QTest::newRow("suffix") << QStringLiteral("51.5N") << 51.5;
        QTest::newRow("x") << QStringLiteral("52.1x") << 52.1;
        QTest::newRow("negative") << QStringLiteral("-73.25") << -73.25;
        QTest::newRow("blanks") << QStringLiteral("  480") << 480.0;
        QTest::newRow("exponent") << QStringLiteral("1.5e2") << 150.0;
        QTest::newRow("bare e") << QStringLiteral("12e") << 12.0;
        QTest::newRow("point first") << QStringLiteral(".5") << 0.5;
        QTest::newRow("two points") << QStringLiteral("1.2.3") << 1.2;
        QTest::newRow("comma") << QStringLiteral("47,5") << 47.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("word") << QStringLiteral("abc") << 0.0;
        QTest::newRow("plus") << QStringLiteral("+5") << 0.0;
        QTest::newRow("inf") << QStringLiteral("inf") << 0.0;
        QTest::newRow("nan") << QStringLiteral("nan") << 0.0;
        QTest::newRow("nan(123)") << QStringLiteral("nan(123)") << 0.0;
        QTest::newRow("hex") << QStringLiteral("0x10") << 0.0;
        QTest::newRow("overflow") << QStringLiteral("1e400") << std::numeric_limits<double>::max();
        QTest::newRow("negative overflow")
            << QStringLiteral("-1e400") << -std::numeric_limits<double>::max();
        QTest::newRow("long overflow")
            << QStringLiteral("9").repeated(400) << std::numeric_limits<double>::max();
        QTest::newRow("underflow") << QStringLiteral("1e-400") << 0.0;
        QTest::newRow("long underflow")
            << QStringLiteral("0.") + QStringLiteral("0").repeated(400) + QStringLiteral("1")
            << 0.0;
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("4٥") << 4.0;
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(double, value);
        const double result = LeadingNumber(text);
        QVERIFY(std::isfinite(result));
        QCOMPARE(result, value);
    }
};

QTEST_GUILESS_MAIN(TextUtilTest)
#include "test_textutil.moc"
