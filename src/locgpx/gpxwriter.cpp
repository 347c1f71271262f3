#include "locgpx/gpxwriter.h"

#include <QChar>
#include <QDate>
#include <QHash>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

#include "core/bytewriter.h"
#include "core/exportfields.h"
#include "core/symbols.h"
#include "locgpx/listing.h"
#include "locgpx/xmlchars.h"
#include "locgpx/xmlinput.h"

namespace {

constexpr qint32 kGeocacheSymbol = 117;
constexpr qint32 kGeocacheFoundSymbol = 118;
// Ids made from names lie from here up to twice this, above the number of
// any code of six characters (31^6 - 411120) and within 32 bits.
constexpr quint32 kNameIds = 1000000000;

// Appends text as UTF-8 element content.
void AppendText(QByteArray& out, QStringView text, qsizetype* dropped) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    // At most six bytes for each UTF-16 unit ("&quot;"); a pair of units
    // takes four.
    const qsizetype start = out.size();
    out.resize(start + 6 * n);
    char* p = out.data() + start;
    const auto put = [&p](const char* bytes, size_t length) {
        std::memcpy(p, bytes, length);
        p += length;
    };
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = CodePointAt(s, n, i);
        if (!IsXmlChar(c)) {
            ++*dropped;
            continue;
        }
        switch (c) {
            case '&':
                put("&amp;", 5);
                continue;
            case '<':
                put("&lt;", 4);
                continue;
            case '>':
                put("&gt;", 4);
                continue;
            case '"':
                put("&quot;", 6);
                continue;
            case '\'':
                put("&apos;", 6);
                continue;
            case '\r':
                put("&#13;", 5);
                continue;
            default:
                break;
        }
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.truncate(p - out.constData());
}

// The shortest decimal that reads back as the same double, never in
// exponent form (GPX numbers are XML Schema decimals).
void AppendNumber(QByteArray& out, double value) {
    char digits[400];
    const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    out.append(digits, end.ptr - digits);
}

// One element on a line of its own: indent, <tag>text</tag>.
void AppendElement(QByteArray& out, const char* indent, const char* tag, QStringView text,
                   qsizetype* dropped) {
    out.append(indent);
    out.append('<');
    out.append(tag);
    out.append('>');
    AppendText(out, text, dropped);
    out.append("</");
    out.append(tag);
    out.append(">\r\n");
}

// An element with attributes on a line of its own; an attribute whose value
// is null is left out.
using Attributes = std::initializer_list<std::pair<const char*, QString>>;

// indent, <tag attributes>; an attribute whose value is null is left out.
void AppendStartTag(QByteArray& out, const char* indent, const char* tag, Attributes attributes,
                    qsizetype* dropped) {
    out.append(indent);
    out.append('<');
    out.append(tag);
    for (const auto& [name, value] : attributes) {
        if (!value.isNull()) {
            out.append(' ');
            out.append(name);
            out.append("=\"");
            AppendText(out, value, dropped);
            out.append('"');
        }
    }
    out.append('>');
}

void AppendElement(QByteArray& out, const char* indent, const char* tag, Attributes attributes,
                   QStringView text, qsizetype* dropped) {
    AppendStartTag(out, indent, tag, attributes, dropped);
    AppendText(out, text, dropped);
    out.append("</");
    out.append(tag);
    out.append(">\r\n");
}

QString AttributeOf(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    return attribute ? AttributeText(attribute) : QString();
}

// "YYYY-MM-DDThh:mm:ssZ".
QString TimeText(qint32 seconds) {
    const qint64 days = (qint64(seconds) - ((seconds % 86400 + 86400) % 86400)) / 86400;
    const qint32 rest = static_cast<qint32>(qint64(seconds) - days * 86400);
    const QDate date = QDate(1970, 1, 1).addDays(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", date.year(), date.month(),
                  date.day(), rest / 3600, rest / 60 % 60, rest % 60);
    return QString::fromLatin1(text);
}

// A listing-site code: "GC" and 2 to 6 letters or digits, in any letter case.
bool IsCacheCode(QStringView name) {
    if (name.size() < 4 || name.size() > 8 ||
        name.left(2).compare(QLatin1String("gc"), Qt::CaseInsensitive) != 0) {
        return false;
    }
    return std::all_of(name.begin() + 2, name.end(),
                       [](QChar c) { return c.unicode() < 0x80 && (c.isDigit() || c.isLetter()); });
}

// The site's number of a code, or 0 when the code has none.
qint64 CacheCodeNumber(QStringView code) {
    const QString digits = code.mid(2).toString().toUpper();
    const bool hex = std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
    if (digits.size() <= 4 && hex) {
        return digits.toLongLong(nullptr, 16);
    }
    static const QString alphabet = QStringLiteral("0123456789ABCDEFGHJKMNPQRTVWXYZ");
    qint64 number = 0;
    for (const QChar c : digits) {
        const qsizetype at = alphabet.indexOf(c);
        if (at < 0) {
            return 0;
        }
        number = number * 31 + at;
    }
    return std::max<qint64>(number - 411120, 0);
}

// The cache types as the site writes them; matched ignoring letter case,
// with the MapSource writers' "unknown" as the site's "Unknown Cache".
QString SiteCacheType(const QString& stored) {
    static const QString known[] = {
        QStringLiteral("Traditional Cache"), QStringLiteral("Multi-cache"),
        QStringLiteral("Unknown Cache"),     QStringLiteral("Letterbox Hybrid"),
        QStringLiteral("Event Cache"),       QStringLiteral("Earthcache"),
        QStringLiteral("Virtual Cache"),     QStringLiteral("Webcam Cache"),
        QStringLiteral("Wherigo Cache"),     QStringLiteral("Cache In Trash Out Event"),
        QStringLiteral("Mega-Event Cache"),  QStringLiteral("Locationless (Reverse) Cache"),
    };
    for (const QString& type : known) {
        if (stored.compare(type, Qt::CaseInsensitive) == 0) {
            return type;
        }
    }
    if (stored.compare(QLatin1String("unknown"), Qt::CaseInsensitive) == 0) {
        return known[2];
    }
    return stored;
}

// What the GPX reader fills in for a wpt without a cache element: such a
// type says nothing about the waypoint.
bool HasReadersFillIn(const Waypoint& w) {
    return w.CacheType == QLatin1String("Traditional Cache") &&
           w.Hint == QLatin1String(" - No Hints - ");
}

struct ListingDescription {
    QString owner;
    QString difficulty;
    QString terrain;
};

// A difficulty or terrain rating: 1 to 5 in halves.
bool IsRating(QStringView text) {
    return (text.size() == 1 || (text.size() == 3 && text.endsWith(u".5"))) && text[0] >= u'1' &&
           text[0] <= u'5';
}

// "Title by Owner, Type (D/T)", the site's description of a cache: the
// owner is what stands between the last " by " and the last ", ", and none
// of title, owner and type is empty; title and owner are one line.
std::optional<ListingDescription> ParseListingDescription(QStringView text) {
    const qsizetype open = text.lastIndexOf(u'(');
    if (!text.endsWith(u')') || open < 1 || text[open - 1] != u' ') {
        return std::nullopt;
    }
    const QStringView ratings = text.mid(open + 1, text.size() - open - 2);
    const qsizetype slash = ratings.indexOf(u'/');
    const QStringView head = text.left(open - 1);
    const qsizetype comma = head.lastIndexOf(u',');
    if (slash < 0 || !IsRating(ratings.left(slash)) || !IsRating(ratings.mid(slash + 1)) ||
        comma < 0 || head.size() < comma + 3 || head[comma + 1] != u' ' ||
        head.left(comma).contains(u'\n')) {
        return std::nullopt;
    }
    const qsizetype by = head.left(comma).lastIndexOf(u" by ");
    if (by < 1 || comma - by - 4 < 1) {
        return std::nullopt;
    }
    const QStringView owner = head.mid(by + 4, comma - by - 4);
    return ListingDescription{owner.toString(), ratings.left(slash).toString(),
                              ratings.mid(slash + 1).toString()};
}

class GpxEncoder {
public:
    GpxEncoder(QByteArray& out, const Options& options) : out_(out), options_(options) {}

    void appendWaypoint(const Waypoint& w, qsizetype* dropped) {
        // While SwapNameDesc holds, the stored name is in the description.
        const QString& code = options_.SwapNameDesc ? w.Description : w.Name;
        const QString& description = options_.SwapNameDesc ? w.Name : w.Description;
        const bool cache = w.Symbol == kGeocacheSymbol || w.Symbol == kGeocacheFoundSymbol ||
                           (!w.CacheType.isEmpty() && !HasReadersFillIn(w)) || IsCacheCode(code);
        const QString cacheType = SiteCacheType(w.CacheType);
        // Texts written a second time count their left-out characters once.
        qsizetype repeated = 0;
        // What a GPX file gave beyond the waypoint's fields.
        pugi::xml_document listing;
        if (!w.Listing.isEmpty()) {
            listing.load_buffer(w.Listing.constData(), static_cast<size_t>(w.Listing.size()),
                                pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
        }

        out_.append("  <wpt lat=\"");
        AppendNumber(out_, w.Latitude);
        out_.append("\" lon=\"");
        AppendNumber(out_, w.Longitude);
        out_.append("\">\r\n");
        if (w.HasAltitude != 0 && std::isfinite(w.Altitude)) {
            out_.append("    <ele>");
            AppendNumber(out_, w.Altitude);
            out_.append("</ele>\r\n");
        }
        if (w.HasTime != 0) {
            AppendElement(out_, "    ", "time", TimeText(w.Time), dropped);
        }
        AppendElement(out_, "    ", "name", ExportName(w, options_), dropped);
        const QString comment = options_.CopyHint     ? w.Hint
                                : w.Comment.isEmpty() ? ElementText(listing.child("cmt"))
                                                      : w.Comment;
        if (!comment.isEmpty()) {
            AppendElement(out_, "    ", "cmt", comment,
                          cache && options_.CopyHint ? &repeated : dropped);
        }
        if (!w.Description.isEmpty()) {
            AppendElement(out_, "    ", "desc", w.Description, dropped);
        }
        if (!w.Url.isEmpty()) {
            AppendElement(out_, "    ", "url", w.Url, dropped);
        }
        if (!w.LinkName.isEmpty()) {
            AppendElement(out_, "    ", "urlname", w.LinkName, dropped);
        }
        if (!cache) {
            // A symbol and a type the file gave are written as they were.
            const pugi::xml_node sym = listing.child("sym");
            const QString symbol = sym ? ElementText(sym) : DeviceSymbolName(w.Symbol);
            if (!symbol.isEmpty()) {
                AppendElement(out_, "    ", "sym", symbol, dropped);
            }
            const QString type =
                w.TypeText.isEmpty() ? ElementText(listing.child("type")) : w.TypeText;
            if (!type.isEmpty()) {
                AppendElement(out_, "    ", "type", type, dropped);
            }
            out_.append("  </wpt>\r\n");
            return;
        }
        AppendElement(out_, "    ", "sym",
                      DeviceSymbolName(w.Symbol == kGeocacheFoundSymbol ? kGeocacheFoundSymbol
                                                                        : kGeocacheSymbol),
                      dropped);
        AppendElement(out_, "    ", "type",
                      cacheType.isEmpty() ? QStringLiteral("Geocache")
                                          : QStringLiteral("Geocache|") + cacheType,
                      dropped);
        appendCache(w, listing.child("groundspeak:cache"), code, description, cacheType, dropped,
                    &repeated);
        out_.append("  </wpt>\r\n");
    }

private:
    // The cache element in the order of the cache schema: what the file gave
    // as it was, and where it gave nothing, what the waypoint's own fields
    // and a description of the site's form "Title by Owner, Type (D/T)" say.
    void appendCache(const Waypoint& w, const pugi::xml_node& cache, const QString& code,
                     const QString& description, const QString& cacheType, qsizetype* dropped,
                     qsizetype* repeated) {
        const auto text = [&cache](const char* tag) {
            return ElementText(cache.child(StoredName(tag)));
        };
        const auto given = [&cache](const char* tag) { return bool(cache.child(StoredName(tag))); };
        const QString available = AttributeOf(cache, "available");
        const QString archived = AttributeOf(cache, "archived");
        out_.append("    <groundspeak:cache id=\"");
        out_.append(QByteArray::number(cacheId(code, AttributeOf(cache, "id"))));
        out_.append("\" available=\"");
        AppendText(out_, available.isEmpty() ? QStringLiteral("True") : available, dropped);
        out_.append("\" archived=\"");
        AppendText(out_, archived.isEmpty() ? QStringLiteral("False") : archived, dropped);
        out_.append("\">\r\n");
        const char* in = "      ";
        const char* in2 = "        ";
        const char* in3 = "          ";
        const QString title = text("groundspeak:name");
        AppendElement(out_, in, "groundspeak:name",
                      !IsGenericLinkText(title)       ? title
                      : IsGenericLinkText(w.LinkName) ? description
                                                      : w.LinkName,
                      given("groundspeak:name") ? dropped : repeated);
        const std::optional<ListingDescription> parsed = ParseListingDescription(description);
        const auto field = [&](const char* tag, const QString& fallback) {
            if (given(tag)) {
                AppendElement(out_, in, tag, text(tag), dropped);
            } else if (!fallback.isNull()) {
                AppendElement(out_, in, tag, fallback, repeated);
            }
        };
        field("groundspeak:placed_by", parsed ? parsed->owner : QString());
        if (const pugi::xml_node owner = cache.child("owner")) {
            AppendElement(out_, in, "groundspeak:owner", {{"id", AttributeOf(owner, "id")}},
                          ElementText(owner), dropped);
        } else if (parsed) {
            AppendElement(out_, in, "groundspeak:owner", parsed->owner, repeated);
        }
        field("groundspeak:type", cacheType.isEmpty() ? QString() : cacheType);
        field("groundspeak:container", QStringLiteral("Not chosen"));
        if (const pugi::xml_node attributes = cache.child("attributes")) {
            out_.append("      <groundspeak:attributes>\r\n");
            for (const pugi::xml_node a : attributes.children("attribute")) {
                AppendElement(out_, in2, "groundspeak:attribute",
                              {{"id", AttributeOf(a, "id")}, {"inc", AttributeOf(a, "inc")}},
                              ElementText(a), dropped);
            }
            out_.append("      </groundspeak:attributes>\r\n");
        }
        field("groundspeak:difficulty", parsed ? parsed->difficulty : QString());
        field("groundspeak:terrain", parsed ? parsed->terrain : QString());
        field("groundspeak:country", QString());
        field("groundspeak:state", QString());
        for (const char* tag : {"groundspeak:short_description", "groundspeak:long_description"}) {
            if (const pugi::xml_node d = cache.child(StoredName(tag))) {
                AppendElement(out_, in, tag, {{"html", AttributeOf(d, "html")}}, ElementText(d),
                              dropped);
            }
        }
        AppendElement(out_, in, "groundspeak:encoded_hints", w.Hint, dropped);
        out_.append("      <groundspeak:logs>");
        const pugi::xml_node logs = cache.child("logs");
        if (logs.child("log")) {
            out_.append("\r\n");
            for (const pugi::xml_node log : logs.children("log")) {
                AppendStartTag(out_, in2, "groundspeak:log", {{"id", AttributeOf(log, "id")}},
                               dropped);
                out_.append("\r\n");
                for (const char* tag : {"groundspeak:date", "groundspeak:type"}) {
                    if (const pugi::xml_node n = log.child(StoredName(tag))) {
                        AppendElement(out_, in3, tag, ElementText(n), dropped);
                    }
                }
                if (const pugi::xml_node finder = log.child("finder")) {
                    AppendElement(out_, in3, "groundspeak:finder",
                                  {{"id", AttributeOf(finder, "id")}}, ElementText(finder),
                                  dropped);
                }
                if (const pugi::xml_node t = log.child("text")) {
                    AppendElement(out_, in3, "groundspeak:text",
                                  {{"encoded", AttributeOf(t, "encoded")}}, ElementText(t),
                                  dropped);
                }
                if (const pugi::xml_node at = log.child("log_wpt")) {
                    AppendElement(
                        out_, in3, "groundspeak:log_wpt",
                        {{"lat", AttributeOf(at, "lat")}, {"lon", AttributeOf(at, "lon")}},
                        QString(), dropped);
                }
                out_.append(in2);
                out_.append("</groundspeak:log>\r\n");
            }
            out_.append(in);
        }
        out_.append("</groundspeak:logs>\r\n      <groundspeak:travelbugs>");
        const pugi::xml_node bugs = cache.child("travelbugs");
        if (bugs.child("travelbug")) {
            out_.append("\r\n");
            for (const pugi::xml_node bug : bugs.children("travelbug")) {
                AppendStartTag(out_, in2, "groundspeak:travelbug",
                               {{"id", AttributeOf(bug, "id")}, {"ref", AttributeOf(bug, "ref")}},
                               dropped);
                out_.append("\r\n");
                AppendElement(out_, in3, "groundspeak:name", ElementText(bug.child("name")),
                              dropped);
                out_.append(in2);
                out_.append("</groundspeak:travelbug>\r\n");
            }
            out_.append(in);
        }
        out_.append("</groundspeak:travelbugs>\r\n    </groundspeak:cache>\r\n");
    }

    // The id the file gave, else the site's number for a code, when not
    // given yet; else one made from the name (FNV-1a of its upper-cased
    // UTF-8), so that a cache has the same id in every file: devices drop
    // caches whose ids collide, also across files. Taken ids move to the
    // next free one.
    qint64 cacheId(const QString& code, const QString& fileId) {
        bool ok = false;
        const qint64 given = fileId.trimmed().toLongLong(&ok);
        if (ok && given > 0 && used_.insert(given).second) {
            return given;
        }
        const qint64 number = IsCacheCode(code) ? CacheCodeNumber(code) : 0;
        if (number > 0 && used_.insert(number).second) {
            return number;
        }
        quint32 hash = 2166136261u;
        for (const char c : code.toUpper().toUtf8()) {
            hash = (hash ^ static_cast<quint8>(c)) * 16777619u;
        }
        qint64 id = kNameIds + hash % kNameIds;
        while (!used_.insert(id).second) {
            id = id + 1 < 2 * qint64(kNameIds) ? id + 1 : kNameIds;
        }
        return id;
    }

    QByteArray& out_;
    const Options& options_;
    std::unordered_set<qint64> used_;
};

// The waypoints of a pocket query's second file are named with a prefix of
// two characters and their cache's code without "GC" (PK7Q2XK for the
// parking of GC7Q2XK). Each goes right after its cache when the cache is
// written too, so that a device lists them together; the rest keeps its
// order. name gives a record's stored name.
void PutChildrenAfterTheirCaches(std::vector<Waypoint>& waypoints,
                                 const std::function<const QString&(const Waypoint&)>& name) {
    QHash<QString, size_t> caches;
    for (size_t i = 0; i < waypoints.size(); ++i) {
        const QString& n = name(waypoints[i]);
        if (!waypoints[i].Duplicate && n.startsWith(QLatin1String("GC"), Qt::CaseInsensitive)) {
            caches.insert(n.toUpper(), i);
        }
    }
    std::vector<std::vector<size_t>> children(waypoints.size());
    std::vector<bool> child(waypoints.size(), false);
    for (size_t i = 0; i < waypoints.size(); ++i) {
        const QString& n = name(waypoints[i]);
        if (waypoints[i].Duplicate || n.size() < 4 ||
            n.startsWith(QLatin1String("GC"), Qt::CaseInsensitive)) {
            continue;
        }
        const auto parent = caches.constFind(QStringLiteral("GC") + n.mid(2).toUpper());
        if (parent != caches.constEnd()) {
            children[*parent].push_back(i);
            child[i] = true;
        }
    }
    if (std::find(child.begin(), child.end(), true) == child.end()) {
        return;
    }
    // The new order as old positions, then applied in place cycle by cycle:
    // a second vector of a large store would double its memory.
    std::vector<size_t> from;
    from.reserve(waypoints.size());
    for (size_t i = 0; i < waypoints.size(); ++i) {
        if (!child[i]) {
            from.push_back(i);
            from.insert(from.end(), children[i].begin(), children[i].end());
        }
    }
    std::vector<bool> placed(waypoints.size(), false);
    for (size_t start = 0; start < waypoints.size(); ++start) {
        if (placed[start]) {
            continue;
        }
        Waypoint first = std::move(waypoints[start]);
        size_t at = start;
        while (from[at] != start) {
            waypoints[at] = std::move(waypoints[from[at]]);
            placed[at] = true;
            at = from[at];
        }
        waypoints[at] = std::move(first);
        placed[at] = true;
    }
}

}  // namespace

QString GpxCreator() {
    return QStringLiteral("Wayfold " WAYFOLD_VERSION);
}

EncodedFile EncodeGpxFile(WaypointStore& store, const Options& options, const QString& creator,
                          QIODevice* sink) {
    EncodedFile file;
    file.dropsUnwritable = true;
    file.sink = sink;
    QByteArray& out = file.bytes;
    // Room for a streamed piece, or for the whole file at a kilobyte a
    // waypoint; pages never written to are never taken from the system.
    out.reserve(sink != nullptr ? qsizetype(512) << 10
                                : 1024 + qsizetype(store.WaypointCount()) * 1024);
    out.append(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<gpx xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" version=\"1.0\" creator=\"");
    qsizetype ignored = 0;
    AppendText(out, creator, &ignored);
    out.append(
        "\" xsi:schemaLocation=\"http://www.topografix.com/GPX/1/0 "
        "http://www.topografix.com/GPX/1/0/gpx.xsd http://www.groundspeak.com/cache/1/0/1 "
        "http://www.groundspeak.com/cache/1/0/1/cache.xsd\" "
        "xmlns=\"http://www.topografix.com/GPX/1/0\" "
        "xmlns:groundspeak=\"http://www.groundspeak.com/cache/1/0/1\">\r\n");
    const NameDescriptionSwap swap(store, options.SwapNameDesc);
    MarkExactDuplicates(store);
    PutChildrenAfterTheirCaches(store.Waypoints, [&options](const Waypoint& w) -> const QString& {
        return options.SwapNameDesc ? w.Description : w.Name;
    });
    double bounds[4] = {90, 180, -90, -180};  // min lat, min lon, max lat, max lon
    for (const Waypoint& w : store.Waypoints) {
        if (!w.Duplicate) {
            bounds[0] = std::min(bounds[0], w.Latitude);
            bounds[1] = std::min(bounds[1], w.Longitude);
            bounds[2] = std::max(bounds[2], w.Latitude);
            bounds[3] = std::max(bounds[3], w.Longitude);
        }
    }
    const char* names[4] = {"  <bounds minlat=\"", "\" minlon=\"", "\" maxlat=\"", "\" maxlon=\""};
    for (int i = 0; i < 4; ++i) {
        out.append(names[i]);
        AppendNumber(out, bounds[i]);
    }
    out.append("\"/>\r\n");
    GpxEncoder encoder(out, options);
    EncodeWaypoints(store.Waypoints, file, [&encoder](const Waypoint& w, qsizetype* dropped) {
        encoder.appendWaypoint(w, dropped);
    });
    out.append("</gpx>\r\n");
    return file;
}

WriteResult WriteGpxFile(const QString& path, WaypointStore& store, const Options& options) {
    return SaveStore(path, store, [&](QIODevice* sink) {
        return EncodeGpxFile(store, options, GpxCreator(), sink);
    });
}

WriteResult WriteGpxFile(QIODevice& device, const QString& path, WaypointStore& store,
                         const Options& options) {
    return WriteStore(device, path, store, [&](QIODevice* sink) {
        return EncodeGpxFile(store, options, GpxCreator(), sink);
    });
}
