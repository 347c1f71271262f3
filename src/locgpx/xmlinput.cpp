#include "locgpx/xmlinput.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>

#include "core/ansi.h"
#include "locgpx/xmlchars.h"

namespace {

constexpr qint64 kReadBlock = qint64(1) << 20;
// Decoded text before the oldest position still needed is dropped once
// there is at least this much of it.
constexpr qint64 kCompactAt = qint64(1) << 16;
// Elements nested deeper than this inside the root are refused: real files
// nest a handful of levels, and the limit keeps a hostile file from making
// the element stack and the document model as deep as the file is long.
constexpr size_t kMaxDepth = 1000;

bool IsWhiteSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Bytes that may start a name (1) or continue one (2). Every byte of a
// non-ASCII character counts as a name character.
constexpr std::array<unsigned char, 256> kNameBytes = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80) {
            table[c] = 3;
        } else if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
            table[c] = 2;
        }
    }
    return table;
}();

bool IsNameStart(int c) {
    return c >= 0 && (kNameBytes[static_cast<size_t>(c)] & 1) != 0;
}

bool IsNameChar(int c) {
    return c >= 0 && kNameBytes[static_cast<size_t>(c)] != 0;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

QString CharacterName(char32_t c) {
    return QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
}

QString DisallowedCharacter(char32_t c) {
    return QStringLiteral("a character that XML does not allow (%1)").arg(CharacterName(c));
}

enum class Utf8Stop { End, Incomplete, Invalid, Disallowed };

// The length of the longest prefix of s that is complete UTF-8 characters
// allowed in XML; stop tells why it ended there, and bad holds the
// disallowed character.
size_t ValidUtf8Prefix(const unsigned char* s, size_t n, Utf8Stop& stop, char32_t& bad) {
    constexpr quint64 kHigh = 0x8080808080808080ULL;
    constexpr quint64 kSpaces = 0x2020202020202020ULL;
    size_t i = 0;
    while (i < n) {
        if (i + 8 <= n) {
            // Eight ASCII bytes at a time; only those with a control
            // character among them are looked at one by one.
            quint64 x;
            std::memcpy(&x, s + i, 8);
            if ((x & kHigh) == 0) {
                if (((x - kSpaces) & ~x & kHigh) != 0) {
                    for (size_t k = i; k < i + 8; ++k) {
                        if (!IsXmlChar(s[k])) {
                            stop = Utf8Stop::Disallowed;
                            bad = s[k];
                            return k;
                        }
                    }
                }
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            if (!IsXmlChar(c)) {
                stop = Utf8Stop::Disallowed;
                bad = c;
                return i;
            }
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (c >= 0xC2 && c < 0xE0) {
            length = 2;
            code = c & 0x1F;
            least = 0x80;
        } else if (c >= 0xE0 && c < 0xF0) {
            length = 3;
            code = c & 0x0F;
            least = 0x800;
        } else if (c >= 0xF0 && c < 0xF5) {
            length = 4;
            code = c & 0x07;
            least = 0x10000;
        } else {
            stop = Utf8Stop::Invalid;
            return i;
        }
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= n) {
                stop = Utf8Stop::Incomplete;
                return i;
            }
            if ((s[i + k] & 0xC0) != 0x80) {
                stop = Utf8Stop::Invalid;
                return i;
            }
            code = (code << 6) | (s[i + k] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            stop = Utf8Stop::Invalid;
            return i;
        }
        if (!IsXmlChar(code)) {
            stop = Utf8Stop::Disallowed;
            bad = code;
            return i;
        }
        i += length;
    }
    stop = Utf8Stop::End;
    return i;
}

// The UTF-8 form of every byte of an 8-bit code page.
struct ByteTable {
    std::array<std::array<char, 4>, 256> bytes{};
    std::array<unsigned char, 256> lengths{};
};

ByteTable MakeByteTable(bool windows1252) {
    ByteTable table;
    char all[256];
    for (int b = 0; b < 256; ++b) {
        all[b] = static_cast<char>(b);
    }
    const QString decoded = windows1252 ? DecodeAnsi(all, 256) : QString::fromLatin1(all, 256);
    for (int b = 0; b < 256; ++b) {
        std::string utf8;
        AppendUtf8(utf8, decoded.at(b).unicode());
        std::copy(utf8.begin(), utf8.end(), table.bytes[b].begin());
        table.lengths[b] = static_cast<unsigned char>(utf8.size());
    }
    return table;
}

const ByteTable& Latin1Table() {
    static const ByteTable table = MakeByteTable(false);
    return table;
}

const ByteTable& Windows1252Table() {
    static const ByteTable table = MakeByteTable(true);
    return table;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

enum class DeclaredEncoding { Utf8, Utf16, Latin1, Windows1252, Other };

DeclaredEncoding ClassifyEncoding(std::string_view name) {
    const std::string n = Lower(name);
    // US-ASCII is a subset of UTF-8.
    if (n == "utf-8" || n == "utf8" || n == "us-ascii" || n == "ascii") {
        return DeclaredEncoding::Utf8;
    }
    if (n == "utf-16" || n == "utf-16le" || n == "utf-16be" || n == "ucs-2" ||
        n == "iso-10646-ucs-2") {
        return DeclaredEncoding::Utf16;
    }
    if (n == "iso-8859-1" || n == "iso8859-1" || n == "iso_8859-1" || n == "latin1" ||
        n == "latin-1" || n == "l1" || n == "cp819" || n == "ibm819" || n == "iso-ir-100" ||
        n == "csisolatin1") {
        return DeclaredEncoding::Latin1;
    }
    if (n == "windows-1252" || n == "cp1252" || n == "x-cp1252") {
        return DeclaredEncoding::Windows1252;
    }
    return DeclaredEncoding::Other;
}

QString Utf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Tag(std::string_view name) {
    return QLatin1Char('<') + Utf8Text(name) + QLatin1Char('>');
}

}  // namespace

bool ParseXmlDeclaration(std::string_view text, XmlDeclaration& declaration) {
    const size_t n = text.size();
    if (n < 7 || text.substr(0, 5) != "<?xml" || text.substr(n - 2) != "?>") {
        return false;
    }
    const size_t end = n - 2;
    size_t p = 5;
    auto skipSpace = [&] {
        const size_t start = p;
        while (p < end && IsWhiteSpace(static_cast<unsigned char>(text[p]))) {
            ++p;
        }
        return p > start;
    };
    // One pseudo-attribute: 1 when read, 0 when the next one is not this
    // one, -1 when it is malformed.
    auto pseudo = [&](std::string_view key, std::string& value) {
        const size_t before = p;
        if (!skipSpace() || text.substr(p, key.size()) != key) {
            p = before;
            return 0;
        }
        p += key.size();
        skipSpace();
        if (p >= end || text[p] != '=') {
            return -1;
        }
        ++p;
        skipSpace();
        if (p >= end || (text[p] != '"' && text[p] != '\'')) {
            return -1;
        }
        const size_t close = text.find(text[p], p + 1);
        if (close == std::string_view::npos || close >= end) {
            return -1;
        }
        value.assign(text.substr(p + 1, close - p - 1));
        p = close + 1;
        return 1;
    };
    if (pseudo("version", declaration.version) != 1) {
        return false;
    }
    const std::string& v = declaration.version;
    if (v.size() < 3 || v.compare(0, 2, "1.") != 0 ||
        !std::all_of(v.begin() + 2, v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const int encoding = pseudo("encoding", declaration.encoding);
    if (encoding < 0) {
        return false;
    }
    if (encoding == 1) {
        const std::string& e = declaration.encoding;
        auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        if (e.empty() || !letter(e.front()) || !std::all_of(e.begin(), e.end(), [&](char c) {
                return letter(c) || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
            })) {
            return false;
        }
    }
    const int standalone = pseudo("standalone", declaration.standalone);
    if (standalone < 0 ||
        (standalone == 1 && declaration.standalone != "yes" && declaration.standalone != "no")) {
        return false;
    }
    skipSpace();
    return p == end;
}

XmlInput::XmlInput(const QString& path) : file_(path), input_(&file_), path_(path) {}

XmlInput::XmlInput(QIODevice& device) : input_(&device) {}

std::string_view XmlInput::rootLocalName() const {
    const std::string_view name = rootName_;
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool XmlInput::fail(const QString& what, qint64 at) {
    if (at < 0) {
        problem_ = what;
    } else {
        at = std::clamp(at, countedTo_, bufferEnd());
        countLinesTo(at);
        problem_ =
            what + QStringLiteral(" (line %1, column %2)").arg(lines_ + 1).arg(columnChars_ + 1);
    }
    state_ = State::Failed;
    return false;
}

bool XmlInput::failAtEnd(const QString& what) {
    if (decodeErrorAt_ >= 0) {
        return fail(decodeError_, decodeErrorAt_);
    }
    return fail(what, bufferEnd());
}

void XmlInput::countLinesTo(qint64 at) {
    if (at <= countedTo_) {
        return;
    }
    const char* s = pointer(countedTo_);
    const char* e = pointer(at);
    while (const void* hit = std::memchr(s, '\n', static_cast<size_t>(e - s))) {
        ++lines_;
        columnChars_ = 0;
        s = static_cast<const char*>(hit) + 1;
    }
    // Columns count characters, not the bytes of their UTF-8 form.
    columnChars_ += std::count_if(s, e, [](char c) { return (c & 0xC0) != 0x80; });
    countedTo_ = at;
}

void XmlInput::compact() {
    const qint64 drop = keep_ - base_;
    if (drop < kCompactAt) {
        return;
    }
    countLinesTo(keep_);
    buf_.erase(0, static_cast<size_t>(drop));
    base_ = keep_;
}

void XmlInput::decode(const char* data, qint64 size, bool atEnd) {
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    const auto n = static_cast<size_t>(size);
    auto badCharacter = [this](const QString& what) {
        decodeErrorAt_ = bufferEnd();
        decodeError_ = what;
    };
    size_t used = 0;
    switch (encoding_) {
        case Encoding::Utf8: {
            Utf8Stop stop = Utf8Stop::End;
            char32_t bad = 0;
            used = ValidUtf8Prefix(s, n, stop, bad);
            buf_.append(data, used);
            if (stop == Utf8Stop::Invalid) {
                badCharacter(QStringLiteral("a byte sequence that is not UTF-8 (byte 0x%1)")
                                 .arg(s[used], 2, 16, QLatin1Char('0')));
            } else if (stop == Utf8Stop::Disallowed) {
                badCharacter(DisallowedCharacter(bad));
            } else if (stop == Utf8Stop::Incomplete && atEnd) {
                badCharacter(QStringLiteral("the file ends inside a UTF-8 character"));
            }
            break;
        }
        case Encoding::Latin1:
        case Encoding::Windows1252: {
            const ByteTable& table =
                encoding_ == Encoding::Latin1 ? Latin1Table() : Windows1252Table();
            buf_.reserve(buf_.size() + n + n / 4);
            for (; used < n; ++used) {
                const unsigned char b = s[used];
                if (b < 0x20 && !IsXmlChar(b)) {
                    badCharacter(DisallowedCharacter(b));
                    break;
                }
                buf_.append(table.bytes[b].data(), table.lengths[b]);
            }
            break;
        }
        case Encoding::Other: {
            // The decoder keeps a character cut by the end of the block for
            // the next call, so every byte is used.
            const QString text = decoder_->decode(QByteArrayView(data, size));
            const bool invalidBytes = decoder_->hasError();
            used = n;
            const char16_t* u = QStringView(text).utf16();
            const qsizetype length = text.size();
            buf_.reserve(buf_.size() + static_cast<size_t>(length) +
                         static_cast<size_t>(length) / 4);
            for (qsizetype i = 0; i < length; ++i) {
                char32_t c = u[i];
                if (QChar::isHighSurrogate(c) && i + 1 < length &&
                    QChar::isLowSurrogate(u[i + 1])) {
                    c = QChar::surrogateToUcs4(u[i], u[i + 1]);
                    ++i;
                }
                // What a decoder puts in place of bytes it cannot read.
                if (invalidBytes && (c == 0xFFFD || c == 0x1A)) {
                    break;
                }
                if (!IsXmlChar(c)) {
                    badCharacter(DisallowedCharacter(c));
                    break;
                }
                AppendUtf8(buf_, c);
            }
            if (invalidBytes && decodeErrorAt_ < 0) {
                badCharacter(QStringLiteral("a byte sequence that is not ") +
                             QString::fromLatin1(decoder_->name()));
            }
            break;
        }
        case Encoding::Utf16Le:
        case Encoding::Utf16Be: {
            const bool little = encoding_ == Encoding::Utf16Le;
            auto unit = [&](size_t at) -> char32_t {
                return little ? char32_t(s[at] | (s[at + 1] << 8))
                              : char32_t((s[at] << 8) | s[at + 1]);
            };
            buf_.reserve(buf_.size() + n);
            bool bad = false;
            while (!bad && used + 1 < n) {
                char32_t c = unit(used);
                size_t length = 2;
                if (c >= 0xD800 && c < 0xDC00) {
                    if (used + 3 >= n) {
                        break;
                    }
                    const char32_t low = unit(used + 2);
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    length = 4;
                    if (low < 0xDC00 || low >= 0xE000) {
                        badCharacter(QStringLiteral("a UTF-16 surrogate without its pair"));
                        bad = true;
                    }
                } else if (c >= 0xDC00 && c < 0xE000) {
                    badCharacter(QStringLiteral("a UTF-16 surrogate without its pair"));
                    bad = true;
                } else if (!IsXmlChar(c)) {
                    badCharacter(DisallowedCharacter(c));
                    bad = true;
                }
                if (!bad) {
                    AppendUtf8(buf_, c);
                    used += length;
                }
            }
            if (!bad && used < n && atEnd) {
                badCharacter(QStringLiteral("the file ends inside a UTF-16 character"));
            }
            break;
        }
    }
    consumed_ = used;
}

bool XmlInput::fill() {
    for (;;) {
        if (decodeErrorAt_ >= 0 || rawEnd_) {
            return false;
        }
        compact();
        const size_t before = buf_.size();
        const qint64 got = input_->read(block_.get() + carry_, blockSize_);
        if (got < 0) {
            rawEnd_ = true;
            decodeErrorAt_ = bufferEnd();
            decodeError_ = QStringLiteral("the file cannot be read: ") + input_->errorString();
            return false;
        }
        rawEnd_ = got == 0;
        rawRead_ += got;
        const qint64 available = static_cast<qint64>(carry_) + got;
        decode(block_.get(), available, rawEnd_);
        carry_ = static_cast<size_t>(available) - consumed_;
        std::memmove(block_.get(), block_.get() + consumed_, carry_);
        if (buf_.size() > before) {
            return true;
        }
    }
}

bool XmlInput::have(qint64 at) {
    while (at >= bufferEnd()) {
        if (!fill()) {
            return false;
        }
    }
    return true;
}

int XmlInput::peekAfterFill(qint64 at) {
    return have(at) ? static_cast<unsigned char>(*pointer(at)) : -1;
}

qint64 XmlInput::find(qint64 from, char c, bool dropPassedText) {
    qint64 p = from;
    for (;;) {
        const qint64 end = bufferEnd();
        if (p < end) {
            if (const void* hit = std::memchr(pointer(p), c, static_cast<size_t>(end - p))) {
                return base_ + (static_cast<const char*>(hit) - buf_.data());
            }
            p = end;
        }
        if (dropPassedText) {
            keep_ = p;
        }
        if (!fill()) {
            return -1;
        }
    }
}

qint64 XmlInput::findText(qint64 from, std::string_view text) {
    for (qint64 p = from;;) {
        const qint64 hit = find(p, text.front(), false);
        if (hit < 0 || !have(hit + static_cast<qint64>(text.size()) - 1)) {
            return -1;
        }
        if (std::memcmp(pointer(hit), text.data(), text.size()) == 0) {
            return hit;
        }
        p = hit + 1;
    }
}

bool XmlInput::startsWith(qint64 at, std::string_view text) {
    return have(at + static_cast<qint64>(text.size()) - 1) &&
           std::memcmp(pointer(at), text.data(), text.size()) == 0;
}

qint64 XmlInput::skipWhiteSpace(qint64 at) {
    while (IsWhiteSpace(peek(at))) {
        ++at;
    }
    return at;
}

qint64 XmlInput::scanName(qint64 at, std::string* name) {
    if (!IsNameStart(peek(at))) {
        return -1;
    }
    qint64 p = at + 1;
    for (;;) {
        // Through the buffer without a bounds check per byte; at its end the
        // name may go on in the next block.
        const char* const from = pointer(p);
        const char* const end = buf_.data() + buf_.size();
        const char* s = from;
        while (s < end && IsNameChar(static_cast<unsigned char>(*s))) {
            ++s;
        }
        p += s - from;
        if (s < end || !IsNameChar(peek(p))) {
            break;
        }
        ++p;
    }
    if (name != nullptr) {
        name->assign(pointer(at), static_cast<size_t>(p - at));
    }
    return p;
}

qint64 XmlInput::scanStartTag(qint64 at, std::string& name, bool& empty) {
    qint64 p = scanName(at + 1, &name);
    if (p < 0) {
        if (peek(at + 1) < 0) {
            failAtEnd(QStringLiteral("the file ends inside a tag"));
        } else {
            fail(QStringLiteral("an element name must follow \"<\""), at + 1);
        }
        return -1;
    }
    for (;;) {
        const qint64 q = skipWhiteSpace(p);
        const int c = peek(q);
        if (c == '>') {
            empty = false;
            return q + 1;
        }
        if (c == '/') {
            if (peek(q + 1) == '>') {
                empty = true;
                return q + 2;
            }
            fail(QStringLiteral("\"/\" must be followed by \">\" in the tag ") + Tag(name), q);
            return -1;
        }
        if (c < 0) {
            failAtEnd(QStringLiteral("the file ends inside the tag ") + Tag(name));
            return -1;
        }
        if (q == p || !IsNameStart(c)) {
            fail(QStringLiteral("an attribute or the end of the tag was expected in ") + Tag(name),
                 q);
            return -1;
        }
        p = skipWhiteSpace(scanName(q, nullptr));
        if (peek(p) != '=') {
            fail(QStringLiteral("an attribute in the tag ") + Tag(name) +
                     QStringLiteral(" has no \"=\" and value"),
                 p);
            return -1;
        }
        p = skipWhiteSpace(p + 1);
        const int quote = peek(p);
        if (quote != '"' && quote != '\'') {
            fail(QStringLiteral("an attribute value in the tag ") + Tag(name) +
                     QStringLiteral(" is not in quotes"),
                 p);
            return -1;
        }
        const qint64 close = find(p + 1, static_cast<char>(quote), false);
        if (close < 0) {
            failAtEnd(QStringLiteral("the file ends inside an attribute value of ") + Tag(name));
            return -1;
        }
        if (const void* lt = std::memchr(pointer(p + 1), '<', static_cast<size_t>(close - p - 1))) {
            fail(QStringLiteral("an attribute value in the tag ") + Tag(name) +
                     QStringLiteral(" holds \"<\""),
                 base_ + (static_cast<const char*>(lt) - buf_.data()));
            return -1;
        }
        p = close + 1;
    }
}

qint64 XmlInput::scanEndTag(qint64 at, std::string& name) {
    qint64 p = scanName(at + 2, &name);
    if (p < 0) {
        if (peek(at + 2) < 0) {
            failAtEnd(QStringLiteral("the file ends inside an end tag"));
        } else {
            fail(QStringLiteral("an element name must follow \"</\""), at + 2);
        }
        return -1;
    }
    p = skipWhiteSpace(p);
    if (peek(p) != '>') {
        if (peek(p) < 0) {
            failAtEnd(QStringLiteral("the file ends inside an end tag"));
        } else {
            fail(QStringLiteral("the end tag </") + Utf8Text(name) +
                     QStringLiteral("> is not closed by \">\""),
                 p);
        }
        return -1;
    }
    return p + 1;
}

qint64 XmlInput::scanComment(qint64 at) {
    const qint64 dashes = findText(at + 4, "--");
    if (dashes < 0) {
        failAtEnd(QStringLiteral("the file ends inside a comment"));
        return -1;
    }
    if (peek(dashes + 2) != '>') {
        fail(QStringLiteral("\"--\" inside a comment"), dashes);
        return -1;
    }
    return dashes + 3;
}

qint64 XmlInput::scanCdata(qint64 at) {
    const qint64 end = findText(at + 9, "]]>");
    if (end < 0) {
        failAtEnd(QStringLiteral("the file ends inside a CDATA section"));
        return -1;
    }
    return end + 3;
}

qint64 XmlInput::scanProcessingInstruction(qint64 at) {
    std::string target;
    const qint64 p = scanName(at + 2, &target);
    if (p < 0) {
        fail(QStringLiteral("a processing instruction has no target name"), at);
        return -1;
    }
    if (Lower(target) == "xml") {
        // Only the very first thing in the file may be the declaration.
        if (at != 0) {
            fail(QStringLiteral("an XML declaration is allowed only at the very start of the file"),
                 at);
            return -1;
        }
        const qint64 end = findText(p, "?>");
        if (end < 0) {
            failAtEnd(QStringLiteral("the file ends inside the XML declaration"));
            return -1;
        }
        XmlDeclaration declaration;
        if (!ParseXmlDeclaration(std::string_view(pointer(at), static_cast<size_t>(end + 2 - at)),
                                 declaration)) {
            fail(QStringLiteral("the XML declaration is malformed"), at);
            return -1;
        }
        // An 8-bit file was decoded as its declaration says; a byte order
        // mark decides by itself and the declaration must agree with it.
        const DeclaredEncoding declared = ClassifyEncoding(declaration.encoding);
        const bool utf16 = encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be;
        if (!declaration.encoding.empty() &&
            ((utf16 && declared != DeclaredEncoding::Utf16) ||
             (encoding_ == Encoding::Utf8 && declared != DeclaredEncoding::Utf8))) {
            fail(QStringLiteral("the declared encoding \"") + Utf8Text(declaration.encoding) +
                     QStringLiteral("\" does not match the encoding of the file's bytes"),
                 at);
            return -1;
        }
        return end + 2;
    }
    const int c = peek(p);
    if (c == '?' && peek(p + 1) == '>') {
        return p + 2;
    }
    if (!IsWhiteSpace(c)) {
        if (c < 0) {
            failAtEnd(QStringLiteral("the file ends inside a processing instruction"));
        } else {
            fail(QStringLiteral("a processing instruction's target name is malformed"), p);
        }
        return -1;
    }
    const qint64 end = findText(p, "?>");
    if (end < 0) {
        failAtEnd(QStringLiteral("the file ends inside a processing instruction"));
        return -1;
    }
    return end + 2;
}

qint64 XmlInput::scanDoctype(qint64 at) {
    // Skipped as a whole; nothing in it is read, fetched or expanded.
    const QString endsInside = QStringLiteral("the file ends inside the DOCTYPE");
    qint64 p = at + 9;
    if (!IsWhiteSpace(peek(p))) {
        fail(QStringLiteral("the DOCTYPE is malformed"), p);
        return -1;
    }
    p = scanName(skipWhiteSpace(p), nullptr);
    if (p < 0) {
        fail(QStringLiteral("the DOCTYPE names no root element"), at);
        return -1;
    }
    auto skipQuoted = [&](qint64 quoteAt) {
        const qint64 close = find(quoteAt + 1, static_cast<char>(peek(quoteAt)), false);
        if (close < 0) {
            failAtEnd(endsInside);
        }
        return close < 0 ? qint64(-1) : close + 1;
    };
    for (;;) {
        p = skipWhiteSpace(p);
        const int c = peek(p);
        if (c == '>') {
            return p + 1;
        }
        if (c < 0) {
            failAtEnd(endsInside);
            return -1;
        }
        if (c == '"' || c == '\'') {
            p = skipQuoted(p);
        } else if (IsNameStart(c)) {
            p = scanName(p, nullptr);
        } else if (c == '[') {
            // The internal subset: declarations, comments, processing
            // instructions and parameter entity references up to "]".
            ++p;
            for (;;) {
                const int d = peek(p);
                if (d == ']') {
                    ++p;
                    break;
                }
                if (d < 0) {
                    failAtEnd(endsInside);
                    return -1;
                }
                if (d == '"' || d == '\'') {
                    p = skipQuoted(p);
                } else if (startsWith(p, "<!--")) {
                    p = scanComment(p);
                } else if (startsWith(p, "<?")) {
                    const qint64 end = findText(p + 2, "?>");
                    if (end < 0) {
                        failAtEnd(endsInside);
                    }
                    p = end < 0 ? -1 : end + 2;
                } else if (d == '<') {
                    for (++p;;) {
                        const int e = peek(p);
                        if (e == '>') {
                            ++p;
                            break;
                        }
                        if (e < 0) {
                            failAtEnd(endsInside);
                            return -1;
                        }
                        if (e == '<') {
                            fail(QStringLiteral("the DOCTYPE is malformed"), p);
                            return -1;
                        }
                        p = (e == '"' || e == '\'') ? skipQuoted(p) : p + 1;
                        if (p < 0) {
                            return -1;
                        }
                    }
                } else {
                    ++p;
                }
                if (p < 0) {
                    return -1;
                }
            }
        } else {
            fail(QStringLiteral("the DOCTYPE is malformed"), p);
            return -1;
        }
        if (p < 0) {
            return -1;
        }
    }
}

bool XmlInput::scanMisc(bool beforeRoot) {
    bool doctypeSeen = false;
    for (;;) {
        keep_ = pos_;
        const int c = peek(pos_);
        if (c < 0) {
            if (decodeErrorAt_ >= 0) {
                return failAtEnd(QString());
            }
            if (beforeRoot) {
                return fail(bufferEnd() == 0 ? QStringLiteral("the file is empty")
                                             : QStringLiteral("the file holds no root element"),
                            pos_);
            }
            return true;
        }
        if (IsWhiteSpace(c)) {
            ++pos_;
            continue;
        }
        if (c != '<') {
            return fail(beforeRoot ? QStringLiteral("text before the root element")
                                   : QStringLiteral("text after the end of the root element"),
                        pos_);
        }
        const int d = peek(pos_ + 1);
        qint64 end = -1;
        if (d == '?') {
            end = scanProcessingInstruction(pos_);
        } else if (d == '!' && startsWith(pos_, "<!--")) {
            end = scanComment(pos_);
        } else if (d == '!' && startsWith(pos_, "<!DOCTYPE")) {
            if (!beforeRoot || doctypeSeen) {
                return fail(
                    QStringLiteral("a DOCTYPE is allowed only once, before the root element"),
                    pos_);
            }
            doctypeSeen = true;
            end = scanDoctype(pos_);
        } else if (d == '!') {
            return fail(QStringLiteral("markup that is not allowed outside the root element"),
                        pos_);
        } else if (d == '/') {
            return fail(QStringLiteral("an end tag without a start tag"), pos_);
        } else if (d < 0) {
            return failAtEnd(QStringLiteral("the file ends inside a tag"));
        } else if (beforeRoot) {
            return true;
        } else {
            return fail(
                QStringLiteral("a second element at the top level (only one root element is "
                               "allowed)"),
                pos_);
        }
        if (end < 0) {
            return false;
        }
        pos_ = end;
    }
}

bool XmlInput::chooseEncoding() {
    // A small file needs no more than its size (and one byte to see the end);
    // the block is not zeroed, as only what was read is ever looked at.
    blockSize_ = std::clamp(input_->size() + 1, qint64(64), kReadBlock);
    block_ = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(blockSize_) + 8);
    const qint64 got = input_->read(block_.get(), blockSize_);
    if (got < 0) {
        return fail(QStringLiteral("the file cannot be read: ") + input_->errorString(), -1);
    }
    rawRead_ = got;
    rawEnd_ = got < blockSize_ && input_->atEnd();
    const auto* s = reinterpret_cast<const unsigned char*>(block_.get());
    const auto n = static_cast<size_t>(got);
    auto bytesAre = [&](std::initializer_list<int> bytes) {
        if (n < bytes.size()) {
            return false;
        }
        size_t i = 0;
        for (const int b : bytes) {
            if (s[i++] != b) {
                return false;
            }
        }
        return true;
    };
    size_t skip = 0;
    if (bytesAre({0xEF, 0xBB, 0xBF})) {
        encoding_ = Encoding::Utf8;
        skip = 3;
    } else if (bytesAre({0xFF, 0xFE, 0x00, 0x00}) || bytesAre({0x00, 0x00, 0xFE, 0xFF}) ||
               bytesAre({0x3C, 0x00, 0x00, 0x00}) || bytesAre({0x00, 0x00, 0x00, 0x3C})) {
        return fail(QStringLiteral("the file is written in UTF-32, which is not supported"), -1);
    } else if (bytesAre({0xFF, 0xFE})) {
        encoding_ = Encoding::Utf16Le;
        skip = 2;
    } else if (bytesAre({0xFE, 0xFF})) {
        encoding_ = Encoding::Utf16Be;
        skip = 2;
    } else if (bytesAre({0x3C, 0x00, 0x3F, 0x00})) {
        encoding_ = Encoding::Utf16Le;
    } else if (bytesAre({0x00, 0x3C, 0x00, 0x3F})) {
        encoding_ = Encoding::Utf16Be;
    } else if (n >= 4 && (s[0] == 0) != (s[1] == 0) && (s[0] == 0) == (s[2] == 0) &&
               (s[1] == 0) == (s[3] == 0)) {
        // Every other byte zero: ASCII characters in UTF-16. Without a byte
        // order mark or a declaration the file would have to be UTF-8, in
        // which a zero byte is never allowed; naming the likely cause helps
        // more than pointing at the first zero byte.
        return fail(QStringLiteral("the file seems to be written in UTF-16 %1 but has neither a "
                                   "byte order mark nor an XML declaration that says so")
                        .arg(s[0] == 0 ? QStringLiteral("BE") : QStringLiteral("LE")),
                    0);
    } else if (bytesAre({'<', '?', 'x', 'm', 'l'}) && n > 5 && IsWhiteSpace(s[5])) {
        // An 8-bit file names its encoding in the declaration, which is
        // plain ASCII in all of them.
        const std::string_view head(block_.get(), n);
        const size_t end = head.find("?>");
        XmlDeclaration declaration;
        if (end == std::string_view::npos ||
            !ParseXmlDeclaration(head.substr(0, end + 2), declaration)) {
            return fail(QStringLiteral("the XML declaration is malformed"), 0);
        }
        declaration_ = head.substr(0, end + 2);
        switch (ClassifyEncoding(declaration.encoding.empty() ? std::string_view("utf-8")
                                                              : declaration.encoding)) {
            case DeclaredEncoding::Utf8:
                encoding_ = Encoding::Utf8;
                break;
            case DeclaredEncoding::Latin1:
                encoding_ = Encoding::Latin1;
                break;
            case DeclaredEncoding::Windows1252:
                encoding_ = Encoding::Windows1252;
                break;
            case DeclaredEncoding::Utf16:
                return fail(QStringLiteral("the file declares the encoding \"") +
                                Utf8Text(declaration.encoding) +
                                QStringLiteral("\" but is not written in it"),
                            0);
            case DeclaredEncoding::Other:
                // Made in place: a decoder's state must not move once made.
                decoder_.emplace(declaration.encoding.c_str());
                if (!decoder_->isValid()) {
                    return fail(QStringLiteral("the declared encoding \"") +
                                    Utf8Text(declaration.encoding) +
                                    QStringLiteral("\" is not supported"),
                                0);
                }
                encoding_ = Encoding::Other;
                break;
        }
    }
    const qint64 available = got - static_cast<qint64>(skip);
    decode(block_.get() + skip, available, rawEnd_);
    // A decoder for an encoding that is not a superset of ASCII (UTF-32,
    // EBCDIC) does not give the declaration back.
    if (encoding_ == Encoding::Other &&
        std::string_view(buf_).substr(0, declaration_.size()) != declaration_) {
        return fail(QStringLiteral("the file declares the encoding \"") +
                        QString::fromLatin1(decoder_->name()) +
                        QStringLiteral("\" but is not written in it"),
                    0);
    }
    carry_ = static_cast<size_t>(available) - consumed_;
    std::memmove(block_.get(), block_.get() + skip + consumed_, carry_);
    return true;
}

bool XmlInput::readRoot() {
    if (state_ != State::Start) {
        return false;
    }
    if (input_ == &file_) {
        const QFileInfo info(path_);
        if (info.isDir()) {
            return fail(QStringLiteral("it is a folder, not a file"), -1);
        }
        // A pipe or a device could block the open or never end.
        if (info.exists() && !info.isFile()) {
            return fail(QStringLiteral("it is not a plain file"), -1);
        }
    }
    if (!input_->isOpen() && !input_->open(QIODevice::ReadOnly)) {
        return fail(QStringLiteral("the file cannot be opened: ") + input_->errorString(), -1);
    }
    fileSize_ = input_->size();
    if (!chooseEncoding() || !scanMisc(true)) {
        return false;
    }
    bool empty = false;
    const qint64 end = scanStartTag(pos_, rootName_, empty);
    if (end < 0) {
        return false;
    }
    pos_ = end;
    state_ = empty ? State::AfterRoot : State::InRoot;
    return true;
}

qint64 XmlInput::scanElementContent(qint64 at) {
    std::string name;
    auto top = [this] { return std::string_view(openNames_).substr(openNameStarts_.back()); };
    qint64 p = at;
    for (;;) {
        const qint64 lt = find(p, '<', false);
        if (lt < 0) {
            failAtEnd(QStringLiteral("the file ends inside the element ") + Tag(top()));
            return -1;
        }
        const int d = peek(lt + 1);
        qint64 end = -1;
        if (d == '/') {
            // The usual end tag, "</", the open element's name and ">", is
            // taken without reading its name apart.
            const qint64 closing = lt + 2 + static_cast<qint64>(top().size());
            const bool usual = startsWith(lt + 2, top()) && peek(closing) == '>';
            end = usual ? closing + 1 : scanEndTag(lt, name);
            if (end < 0) {
                return -1;
            }
            if (!usual && name != top()) {
                fail(QStringLiteral("the end tag </") + Utf8Text(name) +
                         QStringLiteral("> does not match the start tag ") + Tag(top()),
                     lt);
                return -1;
            }
            openNames_.resize(openNameStarts_.back());
            openNameStarts_.pop_back();
            if (openNameStarts_.empty()) {
                return end;
            }
        } else if (d == '!') {
            if (startsWith(lt, "<!--")) {
                end = scanComment(lt);
            } else if (startsWith(lt, "<![CDATA[")) {
                end = scanCdata(lt);
            } else {
                fail(QStringLiteral("\"<!\" inside an element starts neither a comment nor a CDATA "
                                    "section"),
                     lt);
                return -1;
            }
        } else if (d == '?') {
            end = scanProcessingInstruction(lt);
        } else {
            bool empty = false;
            end = scanStartTag(lt, name, empty);
            if (end >= 0 && !empty) {
                if (openNameStarts_.size() >= kMaxDepth) {
                    fail(QStringLiteral("elements are nested more than %1 levels deep")
                             .arg(kMaxDepth),
                         lt);
                    return -1;
                }
                openNameStarts_.push_back(openNames_.size());
                openNames_ += name;
            }
        }
        if (end < 0) {
            return -1;
        }
        p = end;
    }
}

bool XmlInput::nextChild() {
    if (state_ == State::InRoot) {
        std::string name;
        for (;;) {
            keep_ = pos_;
            const qint64 lt = find(pos_, '<', true);
            if (lt < 0) {
                return failAtEnd(QStringLiteral("the file ends before the root element ") +
                                 Tag(rootName_) + QStringLiteral(" is closed"));
            }
            pos_ = keep_ = lt;
            const int d = peek(lt + 1);
            qint64 end = -1;
            if (d == '/') {
                end = scanEndTag(lt, name);
                if (end < 0) {
                    return false;
                }
                if (name != rootName_) {
                    return fail(QStringLiteral("the end tag </") + Utf8Text(name) +
                                    QStringLiteral("> does not match the start tag ") +
                                    Tag(rootName_),
                                lt);
                }
                pos_ = end;
                state_ = State::AfterRoot;
                break;
            }
            if (d == '!') {
                if (startsWith(lt, "<!--")) {
                    end = scanComment(lt);
                } else if (startsWith(lt, "<![CDATA[")) {
                    end = scanCdata(lt);
                } else {
                    return fail(QStringLiteral("\"<!\" inside an element starts neither a comment "
                                               "nor a CDATA section"),
                                lt);
                }
            } else if (d == '?') {
                end = scanProcessingInstruction(lt);
            } else {
                // A child element: everything up to its end tag is kept
                // in the buffer, so that pugixml can read it in one piece.
                childStart_ = lt;
                bool empty = false;
                end = scanStartTag(lt, childName_, empty);
                if (end >= 0 && !empty) {
                    openNames_ = childName_;
                    openNameStarts_.assign(1, 0);
                    end = scanElementContent(end);
                }
                if (end < 0) {
                    return false;
                }
                pos_ = childEnd_ = end;
                return true;
            }
            if (end < 0) {
                return false;
            }
            pos_ = end;
        }
    }
    if (state_ == State::AfterRoot) {
        if (!scanMisc(false)) {
            return false;
        }
        state_ = State::Done;
    }
    return false;
}

pugi::xml_node XmlInput::parseChild() {
    if (state_ != State::InRoot) {
        return {};
    }
    scratch_.assign(pointer(childStart_), static_cast<size_t>(childEnd_ - childStart_));
    const pugi::xml_parse_result result = document_.load_buffer_inplace(
        scratch_.data(), scratch_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!result) {
        fail(QStringLiteral("the element ") + Tag(childName_) +
                 QStringLiteral(" cannot be read: ") + QString::fromUtf8(result.description()),
             childStart_ + static_cast<qint64>(result.offset));
        return {};
    }
    return document_.document_element();
}

namespace {

std::string_view TrimmedView(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool IsText(const pugi::xml_node& node) {
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

}  // namespace

std::string_view ElementTextView(const pugi::xml_node& element, std::string& storage) {
    const pugi::xml_node only = element.first_child();
    if (!only) {
        return {};
    }
    if (IsText(only) && !only.next_sibling()) {
        return TrimmedView(only.value());
    }
    storage = ElementUtf8(element);
    return storage;
}

std::string ElementUtf8(const pugi::xml_node& element) {
    std::string text;
    pugi::xml_node n = element.first_child();
    // A walk in document order without recursion.
    while (n) {
        if (IsText(n)) {
            text += n.value();
        }
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n != element && !n.next_sibling()) {
            n = n.parent();
        }
        n = n == element ? pugi::xml_node() : n.next_sibling();
    }
    return std::string(TrimmedView(text));
}

size_t TagEnd(std::string_view text, size_t p) {
    for (;;) {
        const size_t gt = text.find('>', p);
        const std::string_view upTo = text.substr(p, gt == text.npos ? text.npos : gt - p);
        const size_t quote = std::min(upTo.find('"'), upTo.find('\''));
        if (quote == upTo.npos) {
            return gt;
        }
        const size_t close = text.find(upTo[quote], p + quote + 1);
        if (close == text.npos) {
            return text.npos;
        }
        p = close + 1;
    }
}

bool IsXmlUtf8(std::string_view text) {
    Utf8Stop stop = Utf8Stop::End;
    char32_t bad = 0;
    return ValidUtf8Prefix(reinterpret_cast<const unsigned char*>(text.data()), text.size(), stop,
                           bad) == text.size() &&
           stop == Utf8Stop::End;
}

QString ElementText(const pugi::xml_node& element) {
    std::string storage;
    return Utf8Text(ElementTextView(element, storage));
}

QString AttributeText(const pugi::xml_attribute& attribute) {
    return QString::fromUtf8(attribute.value());
}
