// The listing a GPX waypoint keeps is XML as pugixml printed it: the wpt's
// cmt, sym and type elements and then its cache element, one after another
// without a common root. The full reading goes through pugixml; the table's
// summary walks the markup itself, as it needs the cache element's first
// few children only and a pocket query's descriptions and logs are most of
// its bytes.
#include "locgpx/listing.h"

#include <iterator>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "locgpx/xmlinput.h"

namespace {

const QString kMissingHint = QStringLiteral(" - No Hints - ");

bool IsTrue(const QString& text) {
    return text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}
bool IsFalse(const QString& text) {
    return text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0;
}

bool NamesCacheType(const QString& waypointType) {
    const QLatin1StringView geocache("Geocache|");
    return waypointType.startsWith(geocache, Qt::CaseInsensitive) &&
           waypointType.size() > geocache.size();
}

// The markup walk. The text is well-formed: pugixml printed it.

constexpr size_t kNone = std::string_view::npos;

struct StartTag {
    std::string_view name;
    std::string_view attributes;
    size_t contentStart = 0;  // after the tag's ">"
    bool empty = false;       // "<name/>"
};

// The position after a comment, CDATA section or processing instruction
// starting at p, or p itself when none starts there; kNone when unclosed.
size_t SkipSpecial(std::string_view text, size_t p) {
    const auto past = [&](std::string_view close) {
        const size_t at = text.find(close, p);
        return at == kNone ? kNone : at + close.size();
    };
    const std::string_view rest = text.substr(p);
    if (rest.starts_with("<!--")) {
        return past("-->");
    }
    if (rest.starts_with("<![CDATA[")) {
        return past("]]>");
    }
    if (rest.starts_with("<?") || rest.starts_with("<!")) {
        return past(">");
    }
    return p;
}

// The next start tag at this level from p on, which it moves past the tag;
// false at an end tag (p at its "<") or at the end of the text (p kNone).
bool NextStartTag(std::string_view text, size_t& p, StartTag& tag) {
    while ((p = text.find('<', p)) != kNone) {
        const size_t skipped = SkipSpecial(text, p);
        if (skipped == kNone) {
            p = kNone;
            return false;
        }
        if (skipped != p) {
            p = skipped;
            continue;
        }
        if (p + 1 < text.size() && text[p + 1] == '/') {
            return false;
        }
        size_t nameEnd = p + 1;
        while (nameEnd < text.size() && text[nameEnd] != '>' && text[nameEnd] != '/' &&
               text[nameEnd] != ' ' && text[nameEnd] != '\t' && text[nameEnd] != '\r' &&
               text[nameEnd] != '\n') {
            ++nameEnd;
        }
        const size_t end = TagEnd(text, nameEnd);
        if (end == kNone) {
            p = kNone;
            return false;
        }
        tag.name = text.substr(p + 1, nameEnd - p - 1);
        tag.empty = text[end - 1] == '/';
        tag.attributes = text.substr(nameEnd, end - nameEnd - (tag.empty ? 1 : 0));
        tag.contentStart = end + 1;
        p = end + 1;
        return true;
    }
    return false;
}

// Where the content from `from` on ends: the "<" of the end tag that closes
// it; kNone when there is none. A loop, not a recursion: a hostile file may
// nest elements as deep as it likes.
size_t ContentEnd(std::string_view text, size_t from) {
    size_t p = from;
    size_t depth = 0;
    StartTag tag;
    while (true) {
        if (NextStartTag(text, p, tag)) {
            depth += tag.empty ? 0 : 1;
            continue;
        }
        if (p == kNone || depth == 0) {
            return p;
        }
        --depth;
        p = text.find('>', p);
        if (p == kNone) {
            return kNone;
        }
    }
}

// Moves p past the element whose start tag it has just read.
bool SkipElement(std::string_view text, size_t& p, const StartTag& tag) {
    if (tag.empty) {
        return true;
    }
    const size_t end = ContentEnd(text, tag.contentStart);
    p = end == kNone ? kNone : text.find('>', end);
    if (p == kNone) {
        return false;
    }
    ++p;
    return true;
}

void AppendUtf8(std::string& out, uint code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendReference(std::string& out, std::string_view name) {
    if (name == "lt") {
        out += '<';
    } else if (name == "gt") {
        out += '>';
    } else if (name == "amp") {
        out += '&';
    } else if (name == "quot") {
        out += '"';
    } else if (name == "apos") {
        out += '\'';
    } else if (name.starts_with('#')) {
        bool ok = false;
        const QByteArray digits(name.data() + 1, static_cast<qsizetype>(name.size() - 1));
        const uint code =
            digits.startsWith('x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            AppendUtf8(out, code);
        }
    } else {
        // pugixml leaves references it does not know as they were.
        out += '&';
        out += name;
        out += ';';
    }
}

// Text as pugixml reads it: line ends as "\n"; in attribute values every
// line end and tab is a blank.
void AppendRun(std::string& out, std::string_view run, bool attribute) {
    for (size_t i = 0; i < run.size(); ++i) {
        char c = run[i];
        if (c == '\r') {
            if (i + 1 < run.size() && run[i + 1] == '\n') {
                ++i;
            }
            c = '\n';
        }
        out += attribute && (c == '\n' || c == '\t') ? ' ' : c;
    }
}

// The character content of markup as the GPX reader takes it from pugixml:
// tags left out, references replaced, for an element's text white space
// around it removed.
QString TextOf(std::string_view markup, bool attribute = false) {
    std::string out;
    size_t p = 0;
    while (p < markup.size()) {
        const size_t special = markup.find_first_of("<&", p);
        const size_t run = special == kNone ? markup.size() : special;
        AppendRun(out, markup.substr(p, run - p), attribute);
        p = run;
        if (p >= markup.size()) {
            break;
        }
        if (markup[p] == '&') {
            const size_t semicolon = markup.find(';', p);
            if (semicolon == kNone) {
                AppendRun(out, markup.substr(p), attribute);
                break;
            }
            AppendReference(out, markup.substr(p + 1, semicolon - p - 1));
            p = semicolon + 1;
        } else if (markup.substr(p).starts_with("<![CDATA[")) {
            const size_t close = markup.find("]]>", p);
            const size_t end = close == kNone ? markup.size() : close;
            AppendRun(out, markup.substr(p + 9, end - p - 9), false);
            p = close == kNone ? markup.size() : close + 3;
        } else {
            const size_t skipped = SkipSpecial(markup, p);
            const size_t end = skipped != p ? skipped : TagEnd(markup, p);
            p = end == kNone ? markup.size() : (skipped != p ? skipped : end + 1);
        }
    }
    std::string_view text(out);
    if (!attribute) {
        const size_t first = text.find_first_not_of(" \t\r\n");
        text = first == kNone ? std::string_view()
                              : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An attribute's value in the attributes of a start tag.
QString AttributeIn(std::string_view attributes, std::string_view name) {
    size_t p = 0;
    while (p < attributes.size()) {
        while (p < attributes.size() && (attributes[p] == ' ' || attributes[p] == '\t' ||
                                         attributes[p] == '\r' || attributes[p] == '\n')) {
            ++p;
        }
        const size_t equals = attributes.find('=', p);
        if (equals == kNone) {
            break;
        }
        std::string_view key = attributes.substr(p, equals - p);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) {
            key.remove_suffix(1);
        }
        const size_t open = attributes.find_first_of("\"'", equals);
        if (open == kNone) {
            break;
        }
        const size_t close = attributes.find(attributes[open], open + 1);
        if (close == kNone) {
            break;
        }
        if (key == name) {
            return TextOf(attributes.substr(open + 1, close - open - 1), true);
        }
        p = close + 1;
    }
    return {};
}

QString Text(const pugi::xml_node& parent, const char* name) {
    const pugi::xml_node node = parent.child(name);
    return node ? ElementText(node) : QString();
}

CacheText DescriptionOf(const pugi::xml_node& node) {
    return {node ? ElementText(node) : QString(), IsTrue(AttributeText(node.attribute("html")))};
}

}  // namespace

ListingSummary SummarizeListing(QByteArrayView listing) {
    ListingSummary s;
    const std::string_view text(listing.data(), static_cast<size_t>(listing.size()));
    size_t p = 0;
    StartTag tag;
    bool typeFound = false;
    while (NextStartTag(text, p, tag)) {
        if (tag.name == "groundspeak:cache") {
            s.cache = true;
            s.available = !IsFalse(AttributeIn(tag.attributes, "available"));
            s.archived = IsTrue(AttributeIn(tag.attributes, "archived"));
            if (tag.empty) {
                break;
            }
            // Its children up to the last the table shows, which in the
            // schema's order come before descriptions and logs.
            // The first of each name counts, as for pugixml's child().
            struct Wanted {
                std::string_view name;
                QString* text;
                bool found = false;
            };
            Wanted wanted[] = {{"type", nullptr},
                               {"container", &s.container},
                               {"difficulty", &s.difficulty},
                               {"terrain", &s.terrain}};
            size_t left = std::size(wanted);
            size_t q = tag.contentStart;
            StartTag child;
            while (left > 0 && NextStartTag(text, q, child)) {
                const size_t start = child.contentStart;
                if (!SkipElement(text, q, child)) {
                    break;
                }
                for (Wanted& w : wanted) {
                    if (!w.found && child.name == w.name) {
                        w.found = true;
                        --left;
                        if (w.text != nullptr && !child.empty) {
                            *w.text = TextOf(text.substr(start, text.rfind('<', q - 1) - start));
                        }
                    }
                }
            }
            s.cacheType = wanted[0].found;
            break;
        }
        const size_t start = tag.contentStart;
        if (!SkipElement(text, p, tag)) {
            break;
        }
        if (tag.name == "type" && !typeFound) {
            typeFound = true;
            if (!tag.empty) {
                s.waypointType = TextOf(text.substr(start, text.rfind('<', p - 1) - start));
            }
        }
    }
    s.cacheType = s.cacheType || NamesCacheType(s.waypointType);
    return s;
}

QString ListingCacheId(QByteArrayView listing) {
    const std::string_view text(listing.data(), static_cast<size_t>(listing.size()));
    size_t p = 0;
    StartTag tag;
    while (NextStartTag(text, p, tag)) {
        if (tag.name == "groundspeak:cache") {
            return AttributeIn(tag.attributes, "id");
        }
        if (!SkipElement(text, p, tag)) {
            break;
        }
    }
    return {};
}

CacheListing ParseListing(const Waypoint& w) {
    CacheListing l;
    pugi::xml_document document;
    if (!w.Listing.isEmpty()) {
        document.load_buffer(w.Listing.constData(), static_cast<size_t>(w.Listing.size()),
                             pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
    }
    l.comment = Text(document, "cmt");
    l.waypointType = Text(document, "type");
    const pugi::xml_node cache = document.child("groundspeak:cache");
    l.cache = bool(cache);
    l.id = AttributeText(cache.attribute("id"));
    l.available = !IsFalse(AttributeText(cache.attribute("available")));
    l.archived = IsTrue(AttributeText(cache.attribute("archived")));
    l.title = Text(cache, "name");
    l.placedBy = Text(cache, "placed_by");
    l.owner = Text(cache, "owner");
    l.type = Text(cache, "type");
    l.container = Text(cache, "container");
    l.difficulty = Text(cache, "difficulty");
    l.terrain = Text(cache, "terrain");
    l.country = Text(cache, "country");
    l.state = Text(cache, "state");
    for (const pugi::xml_node a : cache.child("attributes").children("attribute")) {
        l.attributes.push_back({AttributeText(a.attribute("id")),
                                AttributeText(a.attribute("inc")) != QLatin1String("0"),
                                ElementText(a)});
    }
    l.shortDescription = DescriptionOf(cache.child("short_description"));
    l.longDescription = DescriptionOf(cache.child("long_description"));
    for (const pugi::xml_node log : cache.child("logs").children("log")) {
        l.logs.push_back(
            {Text(log, "date"), Text(log, "type"), Text(log, "finder"), Text(log, "text")});
    }
    for (const pugi::xml_node bug : cache.child("travelbugs").children("travelbug")) {
        l.travelBugs.push_back(Text(bug, "name"));
    }
    // The GPX reader gives every waypoint a cache type and a hint; where the
    // file gave neither, they are its own (" - No Hints - ") and say nothing.
    const bool typeGiven = bool(cache.child("type")) || NamesCacheType(l.waypointType);
    if (l.type.isEmpty()) {
        l.type = w.CacheType.isEmpty() ? w.TypeText : typeGiven ? w.CacheType : QString();
    }
    if (w.Hint != kMissingHint) {
        l.hint = w.Hint;
    }
    if (l.title.isEmpty() && !IsGenericLinkText(w.LinkName)) {
        l.title = w.LinkName;
    }
    return l;
}

QString DecodeHint(const QString& hint) {
    QString out = hint;
    bool inBrackets = false;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u == u'[') {
            inBrackets = true;
        } else if (u == u']') {
            inBrackets = false;
        } else if (!inBrackets && u >= u'a' && u <= u'z') {
            c = QChar(u'a' + (u - u'a' + 13) % 26);
        } else if (!inBrackets && u >= u'A' && u <= u'Z') {
            c = QChar(u'A' + (u - u'A' + 13) % 26);
        }
    }
    return out;
}

bool IsGenericLinkText(const QString& text) {
    return text.isEmpty() ||
           text.compare(QLatin1String("Cache Details"), Qt::CaseInsensitive) == 0 ||
           text == QLatin1String("Replacement Text") || text == QLatin1String("Link");
}
