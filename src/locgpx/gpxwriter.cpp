#include "locgpx/gpxwriter.h"

#include <QChar>
#include <QDate>
#include <QHash>
#include <algorithm>
#include <array>
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
#include "core/parallel.h"
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
// Waypoints encoded in one piece of work: some hundred kilobytes of GPX.
constexpr size_t kBatch = 100;

// The file's bytes, appended to through a pointer (QByteArray's own append
// checks sharing and aliasing on every call, a tenth of the export's time).
// The bytes are cut to what was written when this goes.
class Output {
public:
    explicit Output(QByteArray& bytes) : bytes_(bytes), used_(bytes.size()) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { bytes_.resize(used_); }

    // Room for n bytes at the end; what is written there is taken by commit.
    char* room(qsizetype n) {
        if (bytes_.size() - used_ < n) {
            const qsizetype needed = used_ + n;
            bytes_.resize(bytes_.capacity() >= needed ? bytes_.capacity()
                                                      : std::max(needed, 2 * bytes_.size()));
        }
        return bytes_.data() + used_;
    }
    void commit(const char* end) { used_ = end - bytes_.constData(); }
    void append(std::string_view text) {
        std::memcpy(room(qsizetype(text.size())), text.data(), text.size());
        used_ += qsizetype(text.size());
    }

private:
    QByteArray& bytes_;
    qsizetype used_;
};

// Writes the escape for c at p and moves p past it; false for a character
// written as it is.
bool PutEscape(char*& p, char32_t c) {
    const auto put = [&p](const char* bytes, size_t length) {
        std::memcpy(p, bytes, length);
        p += length;
        return true;
    };
    switch (c) {
        case '&':
            return put("&amp;", 5);
        case '<':
            return put("&lt;", 4);
        case '>':
            return put("&gt;", 4);
        case '"':
            return put("&quot;", 6);
        case '\'':
            return put("&apos;", 6);
        case '\r':
            return put("&#13;", 5);
        default:
            return false;
    }
}

// Appends text as UTF-8 element content.
void AppendText(Output& out, QStringView text, qsizetype* dropped) {
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    // At most six bytes for each UTF-16 unit ("&quot;"); a pair of units
    // takes four.
    char* p = out.room(6 * n);
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t c = CodePointAt(s, n, i);
        if (!IsXmlChar(c)) {
            ++*dropped;
            continue;
        }
        if (PutEscape(p, c)) {
            continue;
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
    out.commit(p);
}

// Appends UTF-8 text from a listing, byte for byte as the same text read
// into a QString would be written; text with anything else than well-formed
// characters XML allows takes that way.
void AppendText(Output& out, std::string_view text, qsizetype* dropped) {
    if (!IsXmlUtf8(text)) {
        AppendText(out, QString::fromUtf8(text.data(), qsizetype(text.size())), dropped);
        return;
    }
    // The bytes written as they are; every other one is escaped.
    static constexpr std::array<bool, 256> kPlain = [] {
        std::array<bool, 256> plain{};
        for (int c = 0x20; c < 0x100; ++c) {
            plain[size_t(c)] = c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
        }
        plain['\t'] = plain['\n'] = true;
        return plain;
    }();
    char* p = out.room(6 * qsizetype(text.size()));
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t from = i;
        while (i < text.size() && kPlain[static_cast<unsigned char>(text[i])]) {
            ++i;
        }
        std::memcpy(p, text.data() + from, i - from);
        p += i - from;
        if (i < text.size()) {
            PutEscape(p, static_cast<unsigned char>(text[i]));
        }
    }
    out.commit(p);
}

// The shortest decimal that reads back as the same double, never in
// exponent form (GPX numbers are XML Schema decimals).
void AppendNumber(Output& out, double value) {
    char* p = out.room(400);
    out.commit(std::to_chars(p, p + 400, value, std::chars_format::fixed).ptr);
}

// One element on a line of its own: indent, <tag>text</tag>. Text is a
// QString or UTF-8 from a listing.
template <typename Text>
void AppendElement(Output& out, std::string_view indent, std::string_view tag, Text text,
                   qsizetype* dropped) {
    out.append(indent);
    out.append("<");
    out.append(tag);
    out.append(">");
    AppendText(out, text, dropped);
    out.append("</");
    out.append(tag);
    out.append(">\r\n");
}

// Attribute values as UTF-8 from a listing; a null value is left out.
using Attributes = std::initializer_list<std::pair<const char*, const char*>>;

// indent, <tag attributes>.
void AppendStartTag(Output& out, std::string_view indent, std::string_view tag,
                    Attributes attributes, qsizetype* dropped) {
    out.append(indent);
    out.append("<");
    out.append(tag);
    for (const auto& [name, value] : attributes) {
        if (value != nullptr) {
            out.append(" ");
            out.append(name);
            out.append("=\"");
            AppendText(out, std::string_view(value), dropped);
            out.append("\"");
        }
    }
    out.append(">");
}

void AppendElement(Output& out, std::string_view indent, std::string_view tag,
                   Attributes attributes, std::string_view text, qsizetype* dropped) {
    AppendStartTag(out, indent, tag, attributes, dropped);
    AppendText(out, text, dropped);
    out.append("</");
    out.append(tag);
    out.append(">\r\n");
}

// An attribute's value, or null when the node has none.
const char* ValueOf(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    return attribute ? attribute.value() : nullptr;
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

// The code of a waypoint: its stored name, which is in the description while
// SwapNameDesc holds.
const QString& CodeOf(const Waypoint& w, const Options& options) {
    return options.SwapNameDesc ? w.Description : w.Name;
}

// A waypoint written with a cache element.
bool IsCache(const Waypoint& w, const Options& options) {
    return w.Symbol == kGeocacheSymbol || w.Symbol == kGeocacheFoundSymbol ||
           (!w.CacheType.isEmpty() && !HasReadersFillIn(w)) || IsCacheCode(CodeOf(w, options));
}

// The ids of the caches of one file, given in the order they are written.
class CacheIds {
public:
    // The id the file gave, else the site's number for a code, when not
    // given yet; else one made from the name (FNV-1a of its upper-cased
    // UTF-8), so that a cache has the same id in every file: devices drop
    // caches whose ids collide, also across files. Taken ids move to the
    // next free one.
    qint64 next(const QString& code, const QString& fileId) {
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

private:
    std::unordered_set<qint64> used_;
};

class GpxEncoder {
public:
    explicit GpxEncoder(const Options& options) : options_(options) {}

    // Appends the waypoint's wpt to bytes; a cache is given id.
    void appendWaypoint(QByteArray& bytes, const Waypoint& w, qint64 id, qsizetype* dropped) {
        Output out(bytes);
        // While SwapNameDesc holds, the stored name is in the description.
        const QString& description = options_.SwapNameDesc ? w.Name : w.Description;
        const bool cache = IsCache(w, options_);
        const QString cacheType = SiteCacheType(w.CacheType);
        // Texts written a second time count their left-out characters once.
        qsizetype repeated = 0;
        // What a GPX file gave beyond the waypoint's fields.
        listing_.reset();
        if (!w.Listing.isEmpty()) {
            listing_.load_buffer(w.Listing.constData(), static_cast<size_t>(w.Listing.size()),
                                 pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
        }

        out.append("  <wpt lat=\"");
        AppendNumber(out, w.Latitude);
        out.append("\" lon=\"");
        AppendNumber(out, w.Longitude);
        out.append("\">\r\n");
        if (w.HasAltitude != 0 && std::isfinite(w.Altitude)) {
            out.append("    <ele>");
            AppendNumber(out, w.Altitude);
            out.append("</ele>\r\n");
        }
        if (w.HasTime != 0) {
            AppendElement(out, "    ", "time", QStringView(TimeText(w.Time)), dropped);
        }
        AppendElement(out, "    ", "name", QStringView(ExportName(w, options_)), dropped);
        if (options_.CopyHint || !w.Comment.isEmpty()) {
            const QString& comment = options_.CopyHint ? w.Hint : w.Comment;
            if (!comment.isEmpty()) {
                AppendElement(out, "    ", "cmt", QStringView(comment),
                              cache && options_.CopyHint ? &repeated : dropped);
            }
        } else if (const std::string_view comment = text(listing_.child("cmt")); !comment.empty()) {
            AppendElement(out, "    ", "cmt", comment, dropped);
        }
        for (const auto& [tag, value] :
             {std::pair{"desc", &w.Description}, std::pair{"url", &w.Url},
              std::pair{"urlname", &w.LinkName}}) {
            if (!value->isEmpty()) {
                AppendElement(out, "    ", tag, QStringView(*value), dropped);
            }
        }
        if (!cache) {
            // A symbol and a type the file gave are written as they were.
            if (const pugi::xml_node sym = listing_.child("sym")) {
                if (const std::string_view symbol = text(sym); !symbol.empty()) {
                    AppendElement(out, "    ", "sym", symbol, dropped);
                }
            } else if (const QString symbol = DeviceSymbolName(w.Symbol); !symbol.isEmpty()) {
                AppendElement(out, "    ", "sym", QStringView(symbol), dropped);
            }
            if (!w.TypeText.isEmpty()) {
                AppendElement(out, "    ", "type", QStringView(w.TypeText), dropped);
            } else if (const std::string_view type = text(listing_.child("type")); !type.empty()) {
                AppendElement(out, "    ", "type", type, dropped);
            }
            out.append("  </wpt>\r\n");
            return;
        }
        AppendElement(
            out, "    ", "sym",
            QStringView(DeviceSymbolName(w.Symbol == kGeocacheFoundSymbol ? kGeocacheFoundSymbol
                                                                          : kGeocacheSymbol)),
            dropped);
        AppendElement(out, "    ", "type",
                      QStringView(cacheType.isEmpty() ? QStringLiteral("Geocache")
                                                      : QStringLiteral("Geocache|") + cacheType),
                      dropped);
        appendCache(out, w, listing_.child("groundspeak:cache"), id, description, cacheType,
                    dropped, &repeated);
        out.append("  </wpt>\r\n");
    }

private:
    // An element's text as the file gave it, in UTF-8; valid until the next call.
    std::string_view text(const pugi::xml_node& node) { return ElementTextView(node, scratch_); }

    // The cache element in the order of the cache schema: what the file gave
    // as it was, and where it gave nothing, what the waypoint's own fields
    // and a description of the site's form "Title by Owner, Type (D/T)" say.
    void appendCache(Output& out, const Waypoint& w, const pugi::xml_node& cache, qint64 id,
                     const QString& description, const QString& cacheType, qsizetype* dropped,
                     qsizetype* repeated) {
        const QString available = AttributeOf(cache, "available");
        const QString archived = AttributeOf(cache, "archived");
        out.append("    <groundspeak:cache id=\"");
        out.append(std::to_string(id));
        out.append("\" available=\"");
        AppendText(out, available.isEmpty() ? QStringLiteral("True") : available, dropped);
        out.append("\" archived=\"");
        AppendText(out, archived.isEmpty() ? QStringLiteral("False") : archived, dropped);
        out.append("\">\r\n");
        const std::string_view in = "      ";
        const std::string_view in2 = "        ";
        const std::string_view in3 = "          ";
        if (const pugi::xml_node name = cache.child("name");
            name && !IsGenericLinkText(ElementText(name))) {
            AppendElement(out, in, "groundspeak:name", text(name), dropped);
        } else {
            AppendElement(out, in, "groundspeak:name",
                          QStringView(IsGenericLinkText(w.LinkName) ? description : w.LinkName),
                          name ? dropped : repeated);
        }
        const std::optional<ListingDescription> parsed = ParseListingDescription(description);
        const auto field = [&](const char* tag, const QString& fallback) {
            if (const pugi::xml_node given = cache.child(StoredName(tag))) {
                AppendElement(out, in, tag, text(given), dropped);
            } else if (!fallback.isNull()) {
                AppendElement(out, in, tag, QStringView(fallback), repeated);
            }
        };
        field("groundspeak:placed_by", parsed ? parsed->owner : QString());
        if (const pugi::xml_node owner = cache.child("owner")) {
            AppendElement(out, in, "groundspeak:owner", {{"id", ValueOf(owner, "id")}}, text(owner),
                          dropped);
        } else if (parsed) {
            AppendElement(out, in, "groundspeak:owner", QStringView(parsed->owner), repeated);
        }
        field("groundspeak:type", cacheType.isEmpty() ? QString() : cacheType);
        field("groundspeak:container", QStringLiteral("Not chosen"));
        if (const pugi::xml_node attributes = cache.child("attributes")) {
            out.append("      <groundspeak:attributes>\r\n");
            for (const pugi::xml_node a : attributes.children("attribute")) {
                AppendElement(out, in2, "groundspeak:attribute",
                              {{"id", ValueOf(a, "id")}, {"inc", ValueOf(a, "inc")}}, text(a),
                              dropped);
            }
            out.append("      </groundspeak:attributes>\r\n");
        }
        field("groundspeak:difficulty", parsed ? parsed->difficulty : QString());
        field("groundspeak:terrain", parsed ? parsed->terrain : QString());
        field("groundspeak:country", QString());
        field("groundspeak:state", QString());
        for (const char* tag : {"groundspeak:short_description", "groundspeak:long_description"}) {
            if (const pugi::xml_node d = cache.child(StoredName(tag))) {
                AppendElement(out, in, tag, {{"html", ValueOf(d, "html")}}, text(d), dropped);
            }
        }
        AppendElement(out, in, "groundspeak:encoded_hints", QStringView(w.Hint), dropped);
        out.append("      <groundspeak:logs>");
        const pugi::xml_node logs = cache.child("logs");
        if (logs.child("log")) {
            out.append("\r\n");
            for (const pugi::xml_node log : logs.children("log")) {
                AppendStartTag(out, in2, "groundspeak:log", {{"id", ValueOf(log, "id")}}, dropped);
                out.append("\r\n");
                for (const char* tag : {"groundspeak:date", "groundspeak:type"}) {
                    if (const pugi::xml_node n = log.child(StoredName(tag))) {
                        AppendElement(out, in3, tag, text(n), dropped);
                    }
                }
                if (const pugi::xml_node finder = log.child("finder")) {
                    AppendElement(out, in3, "groundspeak:finder", {{"id", ValueOf(finder, "id")}},
                                  text(finder), dropped);
                }
                if (const pugi::xml_node t = log.child("text")) {
                    AppendElement(out, in3, "groundspeak:text",
                                  {{"encoded", ValueOf(t, "encoded")}}, text(t), dropped);
                }
                if (const pugi::xml_node at = log.child("log_wpt")) {
                    AppendElement(out, in3, "groundspeak:log_wpt",
                                  {{"lat", ValueOf(at, "lat")}, {"lon", ValueOf(at, "lon")}},
                                  std::string_view(), dropped);
                }
                out.append(in2);
                out.append("</groundspeak:log>\r\n");
            }
            out.append(in);
        }
        out.append("</groundspeak:logs>\r\n      <groundspeak:travelbugs>");
        const pugi::xml_node bugs = cache.child("travelbugs");
        if (bugs.child("travelbug")) {
            out.append("\r\n");
            for (const pugi::xml_node bug : bugs.children("travelbug")) {
                AppendStartTag(out, in2, "groundspeak:travelbug",
                               {{"id", ValueOf(bug, "id")}, {"ref", ValueOf(bug, "ref")}}, dropped);
                out.append("\r\n");
                AppendElement(out, in3, "groundspeak:name", text(bug.child("name")), dropped);
                out.append(in2);
                out.append("</groundspeak:travelbug>\r\n");
            }
            out.append(in);
        }
        out.append("</groundspeak:travelbugs>\r\n    </groundspeak:cache>\r\n");
    }

    const Options& options_;
    pugi::xml_document listing_;
    std::string scratch_;
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
    {
        Output head(out);
        AppendText(head, QStringView(creator), &ignored);
    }
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
        Output number(out);
        AppendNumber(number, bounds[i]);
    }
    out.append("\"/>\r\n");
    // The ids first, in the order of the file; then the records, in batches
    // made on every core and written in order.
    const std::vector<Waypoint>& waypoints = store.Waypoints;
    std::vector<qint64> ids(waypoints.size(), 0);
    CacheIds cacheIds;
    for (size_t i = 0; i < waypoints.size(); ++i) {
        if (!waypoints[i].Duplicate && IsCache(waypoints[i], options)) {
            ids[i] =
                cacheIds.next(CodeOf(waypoints[i], options), ListingCacheId(waypoints[i].Listing));
        }
    }
    struct Batch {
        QByteArray bytes;
        qint32 waypoints = 0;
        qint64 replaced = 0;
        qint32 waypointsWithReplacements = 0;
    };
    const auto encode = [&](size_t from, size_t to) {
        GpxEncoder encoder(options);
        Batch batch;
        for (size_t i = from; i < to; ++i) {
            if (waypoints[i].Duplicate) {
                continue;
            }
            qsizetype replaced = 0;
            encoder.appendWaypoint(batch.bytes, waypoints[i], ids[i], &replaced);
            batch.replaced += replaced;
            batch.waypointsWithReplacements += replaced > 0 ? 1 : 0;
            ++batch.waypoints;
        }
        return batch;
    };
    const auto take = [&file](const Batch& batch) {
        file.waypoints += batch.waypoints;
        file.replacedCharacters += batch.replaced;
        file.waypointsWithReplacements += batch.waypointsWithReplacements;
        return AppendToFile(file, batch.bytes);
    };
    const size_t cores = WorkerCount();
    WorkQueue<Batch> running;
    for (size_t from = 0; from < waypoints.size() && !file.sinkError; from += kBatch) {
        const size_t to = std::min(from + kBatch, waypoints.size());
        running.start([&encode, from, to] { return encode(from, to); });
        if (running.size() > cores) {
            take(running.takeOldest());
        }
    }
    while (!running.empty()) {
        take(running.takeOldest());
    }
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
