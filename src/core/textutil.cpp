#include "core/textutil.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>

QString ZeroPad(int value, int width) {
    if (width == 0) {
        width = 2;
    }
    const QString digits = QString::number(std::abs(static_cast<qint64>(value)));
    if (digits.size() > width) {
        return QString::number(value);
    }
    const QString padded = digits.rightJustified(width, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + padded : padded;
}

QString DateTimeText(const QDateTime& utc) {
    const QDateTime t = utc.toUTC();
    const QDate d = t.date();
    const QTime time = t.time();
    return ZeroPad(d.day()) + QLatin1Char('/') + ZeroPad(d.month()) + QLatin1Char('/') +
           QString::number(d.year()) + QLatin1Char(' ') + ZeroPad(time.hour()) + QLatin1Char(':') +
           ZeroPad(time.minute()) + QLatin1Char(':') + ZeroPad(time.second());
}

std::optional<qint64> ManualTimeSeconds(const QString& text) {
    static const QRegularExpression layout(
        QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{1,4}) (\\d{1,2}):(\\d{1,2}):(\\d{1,2})$"));
    const QRegularExpressionMatch m = layout.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const QDate date(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    // Built in UTC, so that no local daylight-saving gap can make the instant invalid.
    return QDateTime(date, time, Qt::UTC).toSecsSinceEpoch() + 13;
}

QString NextToken(QString& text) {
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        if (close >= 0) {
            const QString token = text.mid(1, close - 1);
            // The closing quote and the one character after it are dropped.
            qsizetype rest = close + 2;
            while (rest < text.size() && text.at(rest) == QLatin1Char(' ')) {
                ++rest;
            }
            text = rest < text.size() ? text.mid(rest) : QString();
            return token;
        }
    }
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    if (space < 0) {
        const QString token = text;
        text.clear();
        return token;
    }
    const QString token = text.left(space);
    qsizetype rest = space + 1;
    while (rest < text.size() && text.at(rest) == QLatin1Char(' ')) {
        ++rest;
    }
    text = text.mid(rest);
    return token;
}

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<double> FindLeadingNumber(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) {
        ++p;
    }
    // A sign is part of the number; the conversion below takes only "-".
    const bool negative = p < end && *p == '-';
    if (p < end && *p == '+') {
        ++p;
    }
    const char* start = p;
    if (negative) {
        ++p;
    }
    // Mantissa: digits with at most one point, at least one digit.
    int integerDigits = 0;  // significant digits before the point
    int leadingFractionZeros = 0;
    bool anyDigit = false;
    bool nonZeroSeen = false;
    while (p < end && IsDigit(*p)) {
        anyDigit = true;
        if (*p != '0' || nonZeroSeen) {
            nonZeroSeen = true;
            ++integerDigits;
        }
        ++p;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) {
            anyDigit = true;
            if (!nonZeroSeen) {
                if (*p == '0') {
                    ++leadingFractionZeros;
                } else {
                    nonZeroSeen = true;
                }
            }
            ++p;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    // Exponent, only when digits follow the "e".
    long long exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool exponentNegative = false;
        if (q < end && (*q == '+' || *q == '-')) {
            exponentNegative = *q == '-';
            ++q;
        }
        if (q < end && IsDigit(*q)) {
            while (q < end && IsDigit(*q)) {
                if (exponent < 100000) {
                    exponent = exponent * 10 + (*q - '0');
                }
                ++q;
            }
            if (exponentNegative) {
                exponent = -exponent;
            }
            p = q;
        }
    }
    double value = 0;
    const auto result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        if (!nonZeroSeen) {
            return 0;
        }
        // The decimal exponent of the first significant digit tells overflow
        // from underflow.
        const long long magnitude =
            (integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1)) + exponent;
        if (magnitude < 0) {
            return negative ? -0.0 : 0.0;
        }
        const double huge = std::numeric_limits<double>::max();
        return negative ? -huge : huge;
    }
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return value;
}

double LeadingNumber(const char* begin, const char* end) {
    return FindLeadingNumber(begin, end).value_or(0);
}

double LeadingNumber(QStringView text) {
    // Only ASCII characters can be part of a number; anything else ends it.
    std::string ascii;
    ascii.reserve(static_cast<size_t>(std::min<qsizetype>(text.size(), 4096)));
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            break;
        }
        ascii.push_back(static_cast<char>(c.unicode()));
    }
    return LeadingNumber(ascii.data(), ascii.data() + ascii.size());
}
