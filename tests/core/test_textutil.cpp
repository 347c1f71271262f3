// The text and time helpers and the ANSI code page.
#include <QtTest>
#include <cmath>
#include <ctime>
#include <limits>

#include "core/ansi.h"
#include "core/textutil.h"
#include "support/fakes.h"

class TextUtilTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void zeroPad_data() {
        AddColumns<int, int, QString>("value", "width", "text");
        AddRow("7 width 0", 7, 0, "07");
        AddRow("-7", -7, 2, "-07");
        AddRow("-5 width 3", -5, 3, "-005");
        AddRow("-123", -123, 2, "-123");
        AddRow("0", 0, 2, "00");
    }
    void zeroPad() {
        QFETCH(int, value);
        QFETCH(int, width);
        QTEST(ZeroPad(value, width), "text");
    }

    void dateTimeText_data() {
        AddColumns<QDateTime, QString>("time", "text");
        AddRow("2026", QDateTime(QDate(2026, 12, 5), QTime(1, 2, 3), Qt::UTC),
               "05/12/2026 01:02:03");
        AddRow("year 800", QDateTime(QDate(800, 3, 4), QTime(5, 6, 7), Qt::UTC),
               "04/03/800 05:06:07");
    }
    void dateTimeText() {
        QFETCH(QDateTime, time);
        QTEST(DateTimeText(time), "text");
    }

    void manualTimeSeconds_data() {
        // -1 seconds: invalid.
        AddColumns<QString, qint64>("text", "seconds");
        AddRow("epoch", "01/01/1970 00:00:00", qint64(13));
        AddRow("ten seconds", "01/01/1970 00:00:10", qint64(23));
        AddRow("day first", "02/03/2010 00:00:00", qint64(1267488000 + 13));
        AddRow("last", "31/12/2037 23:59:59", qint64(2145916799 + 13));
        // The instant does not exist in Los Angeles local time; in UTC it does.
        AddRow("dst gap", "08/03/2026 02:30:00", qint64(1772937000 + 13));
        AddRow("31 February", "31/02/2010 00:00:00", qint64(-1));
        AddRow("month 13", "01/13/2010 00:00:00", qint64(-1));
        AddRow("hour 24", "01/01/2010 24:00:00", qint64(-1));
        AddRow("zone", "01/01/2010 00:00:00Z", qint64(-1));
        AddRow("iso", "2010-01-01 00:00:00", qint64(-1));
        AddRow("empty", "", qint64(-1));
    }
    void manualTimeSeconds() {
        QFETCH(QString, text);
        const QByteArray oldTz = qgetenv("TZ");
        qputenv("TZ", "America/Los_Angeles");
        tzset();
        const std::optional<qint64> result = ManualTimeSeconds(text);
        qputenv("TZ", oldTz);
        tzset();
        QTEST(result.value_or(-1), "seconds");
    }

    void nextToken_data() {
        AddColumns<QString, QString, QString>("text", "token", "rest");
        AddRow("quoted", "\"c:\\my files\\a.loc\" b.gpx", "c:\\my files\\a.loc", "b.gpx");
        AddRow("three spaces", "a.loc   b.gpx", "a.loc", "b.gpx");
        AddRow("unclosed quote", "\"a b", "\"a", "b");
        AddRow("last", "a.loc", "a.loc", "");
        AddRow("quoted last", "\"a b\"", "a b", "");
        AddRow("empty quotes", "\"\" x", "", "x");
    }
    void nextToken() {
        QFETCH(QString, text);
        QTEST(NextToken(text), "token");
        QTEST(text, "rest");
    }

    void leadingNumber_data() {
        AddColumns<QString, double>("text", "value");
        constexpr double max = std::numeric_limits<double>::max();
        AddRow("suffix", "51.5N", 51.5);
        AddRow("negative", "-73.25", -73.25);
        AddRow("blanks", "  480", 480.0);
        AddRow("exponent", "1.5e2", 150.0);
        AddRow("bare e", "12e", 12.0);
        AddRow("point first", ".5", 0.5);
        AddRow("comma", "47,5", 47.0);
        AddRow("empty", "", 0.0);
        AddRow("word", "abc", 0.0);
        AddRow("inf", "inf", 0.0);
        AddRow("nan", "nan", 0.0);
        AddRow("hex", "0x10", 0.0);
        AddRow("overflow", "1e400", max);
        AddRow("negative overflow", "-1e400", -max);
        AddRow("long overflow", QStringLiteral("9").repeated(400), max);
        AddRow("underflow", "1e-400", 0.0);
        AddRow("long underflow",
               QStringLiteral("0.%1").arg(QStringLiteral("0").repeated(400)) + u'1', 0.0);
        AddRow("non-ASCII digit", "4٥", 4.0);
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QTEST(LeadingNumber(text), "value");
    }

    void everyAnsiByteRoundTrips() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all.append(static_cast<char>(b));
        }
        const QString text = DecodeAnsi(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));  // euro sign
        QCOMPARE(text.at(0x92), QChar(0x2019));  // right single quote
        QCOMPARE(text.at(0xE9), QChar(0x00E9));
        qsizetype replaced = 0;
        QCOMPARE(EncodeAnsi(text, &replaced), all);
        QCOMPARE(replaced, qsizetype(0));
    }

    void unencodableCharactersBecomeOneQuestionMarkEach_data() {
        AddColumns<QString, QByteArray, qsizetype>("text", "bytes", "replaced");
        AddRow("Łódź", "Łódź", QByteArray("?\363d?"), qsizetype(2));
        AddRow("euro and quote", "€5 Joe’s", QByteArray("\2005 Joe\222s"), qsizetype(0));
        AddRow("outside the BMP", "a😀b", QByteArray("a?b"), qsizetype(1));
        AddRow("lone surrogate", QString(QChar(0xD800)), QByteArray("?"), qsizetype(1));
    }
    void unencodableCharactersBecomeOneQuestionMarkEach() {
        QFETCH(QString, text);
        qsizetype replaced = 0;
        QTEST(EncodeAnsi(text, &replaced), "bytes");
        QTEST(replaced, "replaced");
    }
};

QTEST_GUILESS_MAIN(TextUtilTest)
#include "support/fakes.h"
#include "test_textutil.moc"
