#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// MapSource symbol numbers 0..118 and their names ("Waypoint" is 18,
// "Geocache" 117, "Geocache Found" 118).
inline constexpr qint32 SymbolCount = 119;

// The name of a symbol number; empty outside 0..118.
QString SymbolName(qint32 number);

// The number whose name equals the whole text, ignoring letter case.
std::optional<qint32> SymbolNumber(QStringView name);
