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
// GPX 1.1 files hold the cache element in the wpt's <extensions>; a
// waypoint without one may name its cache type in its own
// <type>Geocache|Unknown Cache</type>. Names are matched as written, prefix
// included, whatever namespace they stand for. Routes, tracks and everything
// else are left alone.
#include "locgpx/gpxreader.h"

#include <QDate>
#include <QSet>
#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstring>
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

// A GPX time as seconds since 1970-01-01 00:00:00 UTC:
// year-month-day, "T" (or a blank), hours:minutes:seconds, an optional
// fraction, which is dropped, and an optional zone: "Z", or "+hh:mm" /
// "-hh:mm", which is taken off to give UTC. Without a zone the time is UTC,
// as the listing site has written it for years ("2003-06-29T00:00:00").
std::optional<qint32> GpxTime(std::string_view text) {
    size_t p = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!Digits(text, p, 4, year) || !Expect(text, p, '-') || !Digits(text, p, 2, month) ||
        !Expect(text, p, '-') || !Digits(text, p, 2, day) ||
        !(Expect(text, p, 'T') || Expect(text, p, ' ')) || !Digits(text, p, 2, hour) ||
        !Expect(text, p, ':') || !Digits(text, p, 2, minute) || !Expect(text, p, ':') ||
        !Digits(text, p, 2, second)) {
        return std::nullopt;
    }
    if (Expect(text, p, '.')) {
        while (p < text.size() && IsDigit(text[p])) {
            ++p;
        }
    }
    qint64 offset = 0;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        const int sign = text[p++] == '-' ? -1 : 1;
        int zoneHours = 0;
        int zoneMinutes = 0;
        if (!Digits(text, p, 2, zoneHours) || !Expect(text, p, ':') ||
            !Digits(text, p, 2, zoneMinutes) || zoneHours > 14 || zoneMinutes > 59) {
            return std::nullopt;
        }
        offset = sign * (zoneHours * 3600 + zoneMinutes * 60);
    } else {
        Expect(text, p, 'Z');
    }
    if (p != text.size()) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    constexpr qint64 kJulianDay1970 = 2440588;
    const qint64 seconds =
        (date.toJulianDay() - kJulianDay1970) * 86400 + hour * 3600 + minute * 60 + second - offset;
    if (seconds < std::numeric_limits<qint32>::min() ||
        seconds > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(seconds);
}

bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Copies the element that starts at raw[at] (its "<") onto out as the
// listing stores it, and returns the position after it. raw is well-formed
// (the input checked it). What pugixml would leave out on reading is left
// out: comments, processing instructions and text of white space only.
// Everything else is copied as written, references and quotes included, so
// that reading the copy gives what reading the file gave. For a cache
// element, the names inside lose the prefix "groundspeak:", its own
// namespace declarations and its encoded_hints children are left out.
size_t AppendStoredElement(std::string_view raw, size_t at, bool cache, std::string& out) {
    constexpr std::string_view kPrefix = "groundspeak:";
    const size_t n = raw.size();
    // raw is copied in spans: from here to where something is left out.
    size_t copied = at;
    const auto leaveOut = [&](size_t from, size_t to) {
        out.append(raw.data() + copied, from - copied);
        copied = to;
    };
    // The position after the ">" that ends the tag whose name starts at p.
    const auto tagEnd = [&raw, n](size_t p) { return std::min(TagEnd(raw, p), n - 1) + 1; };
    int depth = 0;
    size_t p = at;
    while (p < n) {
        const size_t lt = std::min(raw.find('<', p), n);
        // Text of white space only between tags is left out.
        if (lt > p && IsXmlSpace(raw[p]) &&
            std::all_of(raw.begin() + ptrdiff_t(p), raw.begin() + ptrdiff_t(lt), IsXmlSpace)) {
            leaveOut(p, lt);
        }
        if (lt + 1 >= n) {
            break;
        }
        const std::string_view tag = raw.substr(lt);
        if (tag.starts_with("<!--")) {
            p = std::min(raw.find("-->", lt + 4), n - 3) + 3;
            leaveOut(lt, p);
        } else if (tag.starts_with("<![CDATA[")) {
            p = std::min(raw.find("]]>", lt + 9), n - 3) + 3;
        } else if (tag[1] == '?') {
            p = std::min(raw.find("?>", lt + 2), n - 2) + 2;
            leaveOut(lt, p);
        } else if (tag[1] == '/') {
            --depth;
            if (cache && depth > 0 && tag.substr(2).starts_with(kPrefix)) {
                leaveOut(lt + 2, lt + 2 + kPrefix.size());
            }
            p = std::min(raw.find('>', lt + 2), n - 1) + 1;
            if (depth == 0) {
                break;
            }
        } else {
            if (cache && depth == 1 && tag.substr(1).starts_with("groundspeak:encoded_hints") &&
                tag.size() > 26 && !std::isalnum(static_cast<unsigned char>(tag[26])) &&
                tag[26] != '_' && tag[26] != '-' && tag[26] != '.' && tag[26] != ':') {
                // Left out whole: the hint is the waypoint's own field.
                std::string ignored;
                p = AppendStoredElement(raw, lt, false, ignored);
                leaveOut(lt, p);
                continue;
            }
            if (cache && depth > 0 && tag.substr(1).starts_with(kPrefix)) {
                leaveOut(lt + 1, lt + 1 + kPrefix.size());
            }
            p = tagEnd(lt + 1);
            if (cache && depth == 0) {
                // The cache element's namespace declarations are left out.
                const std::string_view start = raw.substr(0, p);
                for (size_t x = start.find("xmlns", lt); x < p; x = start.find("xmlns", x + 5)) {
                    const size_t value = start.find_first_of("\"'", x);
                    if (IsXmlSpace(raw[x - 1]) && value < p) {
                        const size_t after = std::min(start.find(raw[value], value + 1), p - 1) + 1;
                        leaveOut(x, after);
                        x = after - 5;
                    }
                }
            }
            if (raw[p - 2] != '/') {
                ++depth;
            } else if (depth == 0) {
                break;
            }
        }
    }
    p = std::min(p, n);
    out.append(raw.data() + copied, p - copied);
    return p;
}

// The wpt's cmt, sym and type and its cache element in the form the listing
// stores them (see StoredName); raw is the wpt as the file wrote it, which
// the nodes' offsets point into.
QByteArray ListingOf(const pugi::xml_node& wpt, const pugi::xml_node& cache, std::string_view raw,
                     std::string& scratch) {
    scratch.clear();
    const auto append = [&](const pugi::xml_node& node, bool isCache) {
        // An element's offset is that of its name, just after the "<".
        const ptrdiff_t name = node.offset_debug();
        if (name > 0 && size_t(name) < raw.size() && raw[size_t(name) - 1] == '<') {
            AppendStoredElement(raw, size_t(name) - 1, isCache, scratch);
        }
    };
    for (const char* name : {"cmt", "sym", "type"}) {
        if (const pugi::xml_node node = wpt.child(name)) {
            append(node, false);
        }
    }
    if (cache) {
        append(cache, true);
    }
    return QByteArray(scratch.data(), qsizetype(scratch.size()));
}

// The cache type that a wpt's own type gives as "Geocache|Unknown Cache",
// for a waypoint without a cache element.
QString WaypointCacheType(const pugi::xml_node& type) {
    const QString text = type ? ElementText(type) : QString();
    const QLatin1StringView geocache("Geocache|");
    if (text.startsWith(geocache, Qt::CaseInsensitive) && text.size() > geocache.size()) {
        return text.mid(geocache.size());
    }
    return kMissingCacheType;
}

}  // namespace

namespace {

// name stands for the input in the messages.
ImportResult ReadGpx(XmlInput& xml, const QString& name, WaypointStore& store,
                     ImportProgress& progress) {
    const qint32 defaultSymbol = SymbolNumber(u"Waypoint").value_or(NotSet);
    // Each batch of wpt elements is read by one of these, on any thread.
    const bool keepListings = store.KeepListings;
    // Counted by the readers of every batch.
    std::atomic<qint32> withoutCoordinates = 0;
    const auto makeReader = [&]() -> ElementReader {
        return [defaultSymbol, keepListings, &withoutCoordinates, storage = std::string(),
                listing = std::string()](
                   const pugi::xml_node& element,
                   std::string_view text) mutable -> std::optional<ReadWaypoint> {
            std::optional<ReadWaypoint> read =
                WaypointAt(element.attribute("lat"), element.attribute("lon"), withoutCoordinates);
            if (!read) {
                return std::nullopt;
            }
            Waypoint& w = read->waypoint;
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
                if (const std::optional<double> metres =
                        WholeNumber(ElementTextView(ele, storage))) {
                    w.Altitude = *metres;
                    w.HasAltitude = 1;
                }
            }
            const pugi::xml_node sym = element.child("sym");
            w.Symbol = sym ? DeviceSymbolNumber(ElementText(sym)).value_or(NotSet) : defaultSymbol;
            // GPX 1.0 holds the cache element in wpt, GPX 1.1 in its extensions.
            pugi::xml_node cache = element.child("groundspeak:cache");
            if (!cache) {
                cache = element.child("extensions").child("groundspeak:cache");
            }
            const pugi::xml_node type = cache.child("groundspeak:type");
            w.CacheType = type ? ElementText(type) : WaypointCacheType(element.child("type"));
            const pugi::xml_node hints = cache.child("groundspeak:encoded_hints");
            w.Hint = hints ? ElementText(hints) : kMissingHint;
            if (keepListings) {
                w.Listing = ListingOf(element, cache, text, listing);
            }
            if (const pugi::xml_node url = element.child("url")) {
                w.Url = ElementText(url);
            }
            if (const pugi::xml_node urlname = element.child("urlname")) {
                w.LinkName = ElementText(urlname);
            }
            return read;
        };
    };
    ResetCoordinates reset;
    // A pocket query has a dozen cache types: one copy of each is kept.
    QSet<QString> cacheTypes;
    const auto add = [&](ReadWaypoint&& read) {
        Waypoint& w = read.waypoint;
        w.CacheType = *cacheTypes.insert(w.CacheType);
        SetCoordinates(store, read.latitude, read.longitude, read.latitudeText, read.longitudeText,
                       w, reset);
        store.Waypoints.push_back(std::move(w));
    };

    const XmlImportRun run = RunXmlImport(xml, "gpx", "wpt", store, progress, makeReader, add);
    return XmlImportResult(
        run, name, QStringLiteral("Error 909: Invalid GPX file!"),
        {{"wpt elements without the lat or lon attribute", withoutCoordinates.load()}}, reset);
}

}  // namespace

ImportResult ReadGpxFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    XmlInput xml(path);
    return ReadGpx(xml, path, store, progress);
}

ImportResult ReadGpxDevice(QIODevice& device, const QString& name, WaypointStore& store,
                           ImportProgress& progress) {
    XmlInput xml(device);
    return ReadGpx(xml, name, store, progress);
}
