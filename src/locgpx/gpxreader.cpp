// GPX files with the groundspeak cache extension. Of each wpt child of the
// root:
//
//   <wpt lat="47.5" lon="7.25">
//     <ele>512.4</ele>
//     <time>2004-01-15T10:20:30.000Z</time>
//     <name>GC1234</name>
//     <desc>Cache title by owner, Traditional Cache (1.5/2)</desc>
//     <url>https://...</url>
//     <urlname>Cache title</urlname>
//     <sym>Geocache</sym>
//     <groundspeak:cache ...>
//       <groundspeak:type>Traditional Cache</groundspeak:type>
//       <groundspeak:encoded_hints>Under the bridge</groundspeak:encoded_hints>
//       ...
//
// Names are matched as written, prefix included, whatever namespace they
// stand for. Routes, tracks and everything else are left alone.
#include "locgpx/gpxreader.h"

#include <QDate>
#include <charconv>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "core/symbols.h"
#include "locgpx/xmlimport.h"
#include "locgpx/xmlinput.h"

namespace {

const QString kMissingCacheType = QStringLiteral("Traditional Cache");
const QString kMissingHint = QStringLiteral(" - No Hints - ");

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The whole text as a decimal number with "." as decimal point; blanks
// around it are already gone. Empty for anything else, for "inf" and "nan",
// and for a number too large for a double.
std::optional<double> WholeNumber(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    const char* digits = p;
    if (p < end && *p == '+') {
        p = digits = p + 1;
    } else if (p < end && *p == '-') {
        digits = p + 1;
    }
    if (digits == end || !(IsDigit(*digits) || *digits == '.')) {
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

// Reads up to maxDigits digits (at least one) at p.
bool Digits(std::string_view text, size_t& p, size_t maxDigits, int& value) {
    const size_t start = p;
    value = 0;
    while (p < text.size() && IsDigit(text[p]) && p - start < maxDigits) {
        value = value * 10 + (text[p] - '0');
        ++p;
    }
    return p > start;
}

bool Expect(std::string_view text, size_t& p, char c) {
    if (p < text.size() && text[p] == c) {
        ++p;
        return true;
    }
    return false;
}

// A GPX time as seconds since 1970-01-01 00:00:00. Every "T" becomes a
// space, and the text is cut at its first "."; the fraction and any zone
// after it are dropped. Times without a fraction, as the listing site has
// written them for years ("2003-06-29T00:00:00", "2004-01-15T10:20:30Z"),
// lose a trailing "Z" or "+hh:mm"/"-hh:mm" instead. The zone is never
// applied. What is left must be year-month-day hours:minutes:seconds.
std::optional<qint32> GpxTime(std::string_view time) {
    std::string text(time);
    for (char& c : text) {
        if (c == 'T') {
            c = ' ';
        }
    }
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        text.resize(dot);
    } else if (!text.empty() && text.back() == 'Z') {
        text.pop_back();
    } else if (const size_t n = text.size(); n >= 6 && (text[n - 6] == '+' || text[n - 6] == '-') &&
                                             IsDigit(text[n - 5]) && IsDigit(text[n - 4]) &&
                                             text[n - 3] == ':' && IsDigit(text[n - 2]) &&
                                             IsDigit(text[n - 1])) {
        text.resize(n - 6);
    }
    size_t p = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!Digits(text, p, 4, year) || !Expect(text, p, '-') || !Digits(text, p, 2, month) ||
        !Expect(text, p, '-') || !Digits(text, p, 2, day) || !Expect(text, p, ' ') ||
        !Digits(text, p, 2, hour) || !Expect(text, p, ':') || !Digits(text, p, 2, minute) ||
        !Expect(text, p, ':') || !Digits(text, p, 2, second) || p != text.size()) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    constexpr qint64 kJulianDay1970 = 2440588;
    const qint64 seconds =
        (date.toJulianDay() - kJulianDay1970) * 86400 + hour * 3600 + minute * 60 + second;
    if (seconds < std::numeric_limits<qint32>::min() ||
        seconds > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(seconds);
}

}  // namespace

ImportResult ReadGpxFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    const qint32 defaultSymbol = SymbolNumber(u"Waypoint").value_or(NotSet);
    qint32 withoutCoordinates = 0;
    ResetCoordinates reset;
    auto readWpt = [&](const pugi::xml_node& element) {
        const pugi::xml_attribute lat = element.attribute("lat");
        const pugi::xml_attribute lon = element.attribute("lon");
        if (!lat || !lon) {
            ++withoutCoordinates;
            return false;
        }
        Waypoint w;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        std::string storage;
        if (const pugi::xml_node time = element.child("time")) {
            if (const std::optional<qint32> seconds = GpxTime(ElementTextView(time, storage))) {
                w.Time = *seconds;
                w.HasTime = 255;
            }
        }
        if (const pugi::xml_node desc = element.child("desc")) {
            w.Description = ElementText(desc);
        }
        const pugi::xml_node name = element.child("name");
        w.Name = name ? ElementText(name) : w.Description;
        if (const pugi::xml_node ele = element.child("ele")) {
            if (const std::optional<double> metres = WholeNumber(ElementTextView(ele, storage))) {
                w.Altitude = *metres;
                w.HasAltitude = 1;
            }
        }
        const pugi::xml_node sym = element.child("sym");
        w.Symbol = sym ? SymbolNumber(ElementText(sym)).value_or(NotSet) : defaultSymbol;
        const pugi::xml_node cache = element.child("groundspeak:cache");
        const pugi::xml_node type = cache.child("groundspeak:type");
        w.CacheType = type ? ElementText(type) : kMissingCacheType;
        const pugi::xml_node hints = cache.child("groundspeak:encoded_hints");
        w.Hint = hints ? ElementText(hints) : kMissingHint;
        SetCoordinates(store, lat, lon, w, reset);
        if (const pugi::xml_node url = element.child("url")) {
            w.Url = ElementText(url);
        }
        if (const pugi::xml_node urlname = element.child("urlname")) {
            w.LinkName = ElementText(urlname);
        }
        store.Waypoints.push_back(std::move(w));
        return true;
    };

    const XmlImportRun run = RunXmlImport(path, "gpx", "wpt", store, progress, readWpt);
    return XmlImportResult(run, path, QStringLiteral("Error 909: Invalid GPX file!"),
                           {{"wpt elements without the lat or lon attribute", withoutCoordinates}},
                           reset);
}
