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

// The name Garmin devices and MapSource 6 write in GPX for a symbol number
// (0 to 248; 2 is "Diamond, Green" where the list above says "Green
// Diamond"); empty outside.
QString DeviceSymbolName(qint32 number);

// The number of a symbol name in a GPX file: a device's name, another name
// in use for it, or a name of the list above; ignoring letter case.
std::optional<qint32> DeviceSymbolNumber(QStringView name);
