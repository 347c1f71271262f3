#include "core/symbols.h"

#include <QHash>
#include <array>
#include <utility>

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

// The names Garmin devices and MapSource 6 give the symbol numbers in GPX
// files; entry n names number n.
constexpr std::array<const char*, 249> kDeviceNames = {"Anchor",
                                                       "Bell",
                                                       "Diamond, Green",
                                                       "Diamond, Red",
                                                       "Diver Down Flag 1",
                                                       "Diver Down Flag 2",
                                                       "Bank",
                                                       "Fishing Area",
                                                       "Gas Station",
                                                       "Horn",
                                                       "Residence",
                                                       "Restaurant",
                                                       "Light",
                                                       "Bar",
                                                       "Skull and Crossbones",
                                                       "Square, Green",
                                                       "Square, Red",
                                                       "Buoy, White",
                                                       "Waypoint",
                                                       "Shipwreck",
                                                       "Man Overboard",
                                                       "Navaid, Amber",
                                                       "Navaid, Black",
                                                       "Navaid, Blue",
                                                       "Navaid, Green",
                                                       "Navaid, Green/Red",
                                                       "Navaid, Green/White",
                                                       "Navaid, Orange",
                                                       "Navaid, Red",
                                                       "Navaid, Red/Green",
                                                       "Navaid, Red/White",
                                                       "Navaid, Violet",
                                                       "Navaid, White",
                                                       "Navaid, White/Green",
                                                       "Navaid, White/Red",
                                                       "Dot, White",
                                                       "Radio Beacon",
                                                       "Boat Ramp",
                                                       "Campground",
                                                       "Restroom",
                                                       "Shower",
                                                       "Drinking Water",
                                                       "Telephone",
                                                       "Medical Facility",
                                                       "Information",
                                                       "Parking Area",
                                                       "Park",
                                                       "Picnic Area",
                                                       "Scenic Area",
                                                       "Skiing Area",
                                                       "Swimming Area",
                                                       "Dam",
                                                       "Controlled Area",
                                                       "Danger Area",
                                                       "Restricted Area",
                                                       "Ball Park",
                                                       "Car",
                                                       "Hunting Area",
                                                       "Shopping Center",
                                                       "Lodging",
                                                       "Mine",
                                                       "Trail Head",
                                                       "Truck Stop",
                                                       "Exit",
                                                       "Flag",
                                                       "Circle with X",
                                                       "Mile Marker",
                                                       "TracBack Point",
                                                       "Golf Course",
                                                       "City (Small)",
                                                       "City (Medium)",
                                                       "City (Large)",
                                                       "City (Capitol)",
                                                       "Amusement Park",
                                                       "Bowling",
                                                       "Car Rental",
                                                       "Car Repair",
                                                       "Fast Food",
                                                       "Fitness Center",
                                                       "Movie Theater",
                                                       "Museum",
                                                       "Pharmacy",
                                                       "Pizza",
                                                       "Post Office",
                                                       "RV Park",
                                                       "School",
                                                       "Stadium",
                                                       "Department Store",
                                                       "Zoo",
                                                       "Convenience Store",
                                                       "Live Theater",
                                                       "Scales",
                                                       "Toll Booth",
                                                       "Bridge",
                                                       "Building",
                                                       "Cemetery",
                                                       "Church",
                                                       "Civil",
                                                       "Crossing",
                                                       "Ghost Town",
                                                       "Levee",
                                                       "Military",
                                                       "Oil Field",
                                                       "Tunnel",
                                                       "Beach",
                                                       "Forest",
                                                       "Summit",
                                                       "Airport",
                                                       "Heliport",
                                                       "Private Field",
                                                       "Soft Field",
                                                       "Tall Tower",
                                                       "Short Tower",
                                                       "Glider Area",
                                                       "Ultralight Area",
                                                       "Parachute Area",
                                                       "Seaplane Base",
                                                       "Geocache",
                                                       "Geocache Found",
                                                       "Contact, Afro",
                                                       "Contact, Alien",
                                                       "Contact, Ball Cap",
                                                       "Contact, Big Ears",
                                                       "Contact, Biker",
                                                       "Contact, Bug",
                                                       "Contact, Cat",
                                                       "Contact, Dog",
                                                       "Contact, Dreadlocks",
                                                       "Contact, Female1",
                                                       "Contact, Female2",
                                                       "Contact, Female3",
                                                       "Contact, Goatee",
                                                       "Contact, Kung-Fu",
                                                       "Contact, Pig",
                                                       "Contact, Pirate",
                                                       "Contact, Ranger",
                                                       "Contact, Smiley",
                                                       "Contact, Spike",
                                                       "Contact, Sumo",
                                                       "Water Hydrant",
                                                       "Flag, Red",
                                                       "Flag, Blue",
                                                       "Flag, Green",
                                                       "Pin, Red",
                                                       "Pin, Blue",
                                                       "Pin, Green",
                                                       "Block, Red",
                                                       "Block, Blue",
                                                       "Block, Green",
                                                       "Bike Trail",
                                                       "Fishing Hot Spot Facility",
                                                       "Police Station",
                                                       "Ski Resort",
                                                       "Ice Skating",
                                                       "Wrecker",
                                                       "Anchor Prohibited",
                                                       "Beacon",
                                                       "Coast Guard",
                                                       "Reef",
                                                       "Weed Bed",
                                                       "Dropoff",
                                                       "Dock",
                                                       "Marina",
                                                       "Bait and Tackle",
                                                       "Stump",
                                                       "Circle, Red",
                                                       "Circle, Green",
                                                       "Circle, Blue",
                                                       "Diamond, Blue",
                                                       "Oval, Red",
                                                       "Oval, Green",
                                                       "Oval, Blue",
                                                       "Rectangle, Red",
                                                       "Rectangle, Green",
                                                       "Rectangle, Blue",
                                                       "Square, Blue",
                                                       "Letter A, Red",
                                                       "Letter A, Green",
                                                       "Letter A, Blue",
                                                       "Letter B, Red",
                                                       "Letter B, Green",
                                                       "Letter B, Blue",
                                                       "Letter C, Red",
                                                       "Letter C, Green",
                                                       "Letter C, Blue",
                                                       "Letter D, Red",
                                                       "Letter D, Green",
                                                       "Letter D, Blue",
                                                       "Number 0, Red",
                                                       "Number 0, Green",
                                                       "Number 0, Blue",
                                                       "Number 1, Red",
                                                       "Number 1, Green",
                                                       "Number 1, Blue",
                                                       "Number 2, Red",
                                                       "Number 2, Green",
                                                       "Number 2, Blue",
                                                       "Number 3, Red",
                                                       "Number 3, Green",
                                                       "Number 3, Blue",
                                                       "Number 4, Red",
                                                       "Number 4, Green",
                                                       "Number 4, Blue",
                                                       "Number 5, Red",
                                                       "Number 5, Green",
                                                       "Number 5, Blue",
                                                       "Number 6, Red",
                                                       "Number 6, Green",
                                                       "Number 6, Blue",
                                                       "Number 7, Red",
                                                       "Number 7, Green",
                                                       "Number 7, Blue",
                                                       "Number 8, Red",
                                                       "Number 8, Green",
                                                       "Number 8, Blue",
                                                       "Number 9, Red",
                                                       "Number 9, Green",
                                                       "Number 9, Blue",
                                                       "Triangle, Blue",
                                                       "Triangle, Green",
                                                       "Triangle, Red",
                                                       "Contact, Blonde",
                                                       "Contact, Clown",
                                                       "Contact, Glasses",
                                                       "Contact, Panda",
                                                       "Multi-Cache",
                                                       "Letterbox Cache",
                                                       "Puzzle Cache",
                                                       "Library",
                                                       "Ground Transportation",
                                                       "City Hall",
                                                       "Winery",
                                                       "ATV",
                                                       "Big Game",
                                                       "Blind",
                                                       "Blood Trail",
                                                       "Cover",
                                                       "Covey",
                                                       "Food Source",
                                                       "Furbearer",
                                                       "Lodge",
                                                       "Small Game",
                                                       "Animal Tracks",
                                                       "Treed Quarry",
                                                       "Tree Stand",
                                                       "Truck",
                                                       "Upland Game",
                                                       "Waterfowl",
                                                       "Water Source"};

// Other names in use for some numbers, read as well.
constexpr std::pair<qint32, const char*> kOtherDeviceNames[] = {
    {69, "Small City"}, {59, "Hotel"}, {10, "House"}};

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

QString DeviceSymbolName(qint32 number) {
    if (number < 0 || number >= static_cast<qint32>(kDeviceNames.size())) {
        return QString();
    }
    return QString::fromLatin1(kDeviceNames[static_cast<size_t>(number)]);
}

std::optional<qint32> DeviceSymbolNumber(QStringView name) {
    // Every name a GPX file gives is looked up: by its case-folded form, the
    // first of equal names counting.
    static const QHash<QString, qint32> numbers = [] {
        QHash<QString, qint32> table;
        const auto add = [&table](const char* name, qint32 number) {
            const QString key = QString::fromLatin1(name).toCaseFolded();
            if (!table.contains(key)) {
                table.insert(key, number);
            }
        };
        for (size_t n = 0; n < kDeviceNames.size(); ++n) {
            add(kDeviceNames[n], qint32(n));
        }
        for (const auto& [number, other] : kOtherDeviceNames) {
            add(other, number);
        }
        for (qint32 n = 0; n < SymbolCount; ++n) {
            add(kSymbolNames[size_t(n)], n);
        }
        return table;
    }();
    const auto found = numbers.constFind(name.toString().toCaseFolded());
    return found == numbers.constEnd() ? std::nullopt : std::optional<qint32>(*found);
}
