#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// The decimal text of value, padded with leading zeros to width digits (width
// 0 means 2); a negative value keeps its "-" in front of the zeros, and a value
// with more digits than width is written in full.
QString ZeroPad(int value, int width = 2);

// "dd/mm/yyyy HH:mm:ss" of a UTC time; the year is not padded.
QString DateTimeText(const QDateTime& utc);

// Reads a "dd/mm/yyyy HH:mm:ss" text (day first, taken as UTC) and returns the
// seconds since 1969-12-31 23:59:47, which is the Unix time plus 13. Empty when
// the text is not a valid date and time of that layout.
std::optional<qint64> ManualTimeSeconds(const QString& text);

// Takes the next argument off a command-line text: a double-quoted argument
// loses its quotes, other arguments end at the next space. The argument and
// the separator after it are removed from text.
QString NextToken(QString& text);

// The number at the start of a text, read the same way in every locale:
// leading blanks, an optional "+" or "-", digits with at most one ".", and an
// optional exponent. Text that does not start with such a number gives 0, as
// do "inf" and "nan". A magnitude too large for a double gives the largest
// double of the right sign, which every range check refuses; no text ever
// gives NaN or an infinity.
double LeadingNumber(QStringView text);
double LeadingNumber(const char* begin, const char* end);
// The same, empty when the text does not start with a number.
std::optional<double> FindLeadingNumber(const char* begin, const char* end);
