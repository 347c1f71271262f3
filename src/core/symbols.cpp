#include "core/symbols.h"

#include <array>

namespace {

// MapSource's symbol names; entry n names symbol number n.
constexpr std::array<const char*, SymbolCount> kSymbolNames = {
    "Marina",                // 0
    "Bell",                  // 1
    "Green Diamond",         // 2
    "Red Diamond",           // 3
    "Diver Down Flag 1",     // 4
    "Diver Down Flag 2",     // 5
    "Bank",                  // 6
    "Fishing Area",          // 7
    "Gas Station",           // 8
    "Horn",                  // 9
    "Residence",             // 10
    "Restaurant",            // 11
    "Light",                 // 12
    "Bar",                   // 13
    "Skull and Crossbones",  // 14
    "Green Square",          // 15
    "Red Square",            // 16
    "White Buoy",            // 17
    "Waypoint",              // 18
    "Shipwreck",             // 19
    "Man Overboard",         // 20
    "Navaid, Amber",         // 21
    "Navaid, Black",         // 22
    "Navaid, Blue",          // 23
    "Navaid, Green",         // 24
    "Navaid, Green/Red",     // 25
    "Navaid, Green/White",   // 26
    "Navaid, Orange",        // 27
    "Navaid, Red",           // 28
    "Navaid, Red/Green",     // 29
    "Navaid, Red/White",     // 30
    "Navaid, Violet",        // 31
    "Navaid, White",         // 32
    "Navaid, White/Green",   // 33
    "Navaid, White/Red",     // 34
    "White Dot",             // 35
    "Radio Beacon",          // 36
    "Boat Ramp",             // 37
    "Campground",            // 38
    "Restroom",              // 39
    "Shower",                // 40
    "Drinking Water",        // 41
    "Telephone",             // 42
    "Medical Facility",      // 43
    "Information",           // 44
    "Parking Area",          // 45
    "Park",                  // 46
    "Picnic Area",           // 47
    "Scenic Area",           // 48
    "Skiing Area",           // 49
    "Swimming Area",         // 50
    "Dam",                   // 51
    "Controlled Area",       // 52
    "Danger Area",           // 53
    "Restricted Area",       // 54
    "Ball Park",             // 55
    "Car",                   // 56
    "Hunting Area",          // 57
    "Shopping Center",       // 58
    "Lodging",               // 59
    "Mine",                  // 60
    "Trail Head",            // 61
    "Truck Stop",            // 62
    "Exit",                  // 63
    "Flag",                  // 64
    "Circle with X",         // 65
    "Mile Marker",           // 66
    "TracBack Point",        // 67
    "Golf Course",           // 68
    "City (Small)",          // 69
    "City (Medium)",         // 70
    "City (Large)",          // 71
    "City (Capitol)",        // 72
    "Amusement Park",        // 73
    "Bowling",               // 74
    "Car Rental",            // 75
    "Car Repair",            // 76
    "Fast Food",             // 77
    "Fitness Center",        // 78
    "Movie Theater",         // 79
    "Museum",                // 80
    "Pharmacy",              // 81
    "Pizza",                 // 82
    "Post Office",           // 83
    "RV Park",               // 84
    "School",                // 85
    "Stadium",               // 86
    "Department Store",      // 87
    "Zoo",                   // 88
    "Convenience Store",     // 89
    "Live Theater",          // 90
    "Scales",                // 91
    "Toll Booth",            // 92
    "Bridge",                // 93
    "Building",              // 94
    "Cemetery",              // 95
    "Church",                // 96
    "Civil",                 // 97
    "Crossing",              // 98
    "Ghost Town",            // 99
    "Levee",                 // 100
    "Military",              // 101
    "Oil Field",             // 102
    "Tunnel",                // 103
    "Beach",                 // 104
    "Forest",                // 105
    "Summit",                // 106
    "Airport",               // 107
    "Heliport",              // 108
    "Private Field",         // 109
    "Soft Field",            // 110
    "Tall Tower",            // 111
    "Short Tower",           // 112
    "Glider Area",           // 113
    "Ultralight Area",       // 114
    "Parachute Area",        // 115
    "Seaplane Base",         // 116
    "Geocache",              // 117
    "Geocache Found",        // 118
};

}  // namespace

QString SymbolName(qint32 number) {
    if (number < 0 || number >= SymbolCount) {
        return QString();
    }
    return QString::fromLatin1(kSymbolNames[static_cast<size_t>(number)]);
}

std::optional<qint32> SymbolNumber(QStringView name) {
    for (qint32 n = 0; n < SymbolCount; ++n) {
        if (name.compare(QLatin1String(kSymbolNames[static_cast<size_t>(n)]),
                         Qt::CaseInsensitive) == 0) {
            return n;
        }
    }
    return std::nullopt;
}
