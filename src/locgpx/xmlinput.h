#pragma once

#include <QFile>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

// Reads an XML file in one pass and hands out the children of the root
// element one at a time, each parsed on its own by pugixml. A pocket query of
// a hundred thousand caches is a quarter of a gigabyte of GPX; a document
// model of the whole file would need several times that, while one <wpt>
// element is a few kilobytes. Memory stays at the largest single element
// plus one read block.
//
// pugixml alone is lenient about the document's outer structure: it takes
// text before the root, two roots, and even a TerraByte LOC header followed
// by "<loc/>". This reader checks the structure itself, as strictly as an
// XML 1.0 parser would: one root element, nothing but white space, comments
// and processing instructions around it, balanced and matching tags,
// well-formed tags, attributes, comments, CDATA sections and processing
// instructions, and only characters that XML allows. It does not check
// entity references in text (pugixml leaves unknown ones as they are).
//
// Encodings: UTF-8 (with or without a byte order mark), UTF-16 in either
// byte order (byte order mark, or a declaration without one), ISO-8859-1
// and windows-1252 are read directly; any other declared encoding through
// the decoder Qt has for its name (ISO-8859-15, windows-1250, Shift_JIS ...).
// Everything is turned into UTF-8 before pugixml sees it. A declared
// encoding that no decoder knows is a parse error.
//
// A DOCTYPE is skipped as a whole: nothing it declares is fetched or
// expanded, so an entity reference stays in the text as written.
class XmlInput {
public:
    explicit XmlInput(const QString& path);
    // Reads from a device instead of a file, such as an entry of an archive;
    // the device is opened if it is not. It must outlive the reader.
    explicit XmlInput(QIODevice& device);

    XmlInput(const XmlInput&) = delete;
    XmlInput& operator=(const XmlInput&) = delete;

    // Opens the file (or the device) and reads up to and including the start tag of the
    // root element. False on any problem.
    bool readRoot();
    // The root's name as written, and the part after a prefix.
    const std::string& rootName() const { return rootName_; }
    std::string_view rootLocalName() const;

    // Moves to the next child element of the root. False at the end of the
    // document, after checking that only white space, comments and
    // processing instructions follow the root, or on a problem.
    bool nextChild();
    // The name of the current child as written, prefix included.
    const std::string& childName() const { return childName_; }
    // The current child as an element of its own; a null node on a problem.
    // Valid until the next call of nextChild.
    pugi::xml_node parseChild();
    // The current child as the file wrote it (decoded to UTF-8), from its "<"
    // to the end of its end tag; the offsets pugixml gives for the parsed
    // child's nodes are offsets into it. Valid until the next call of
    // nextChild.
    std::string_view childText() const {
        return {pointer(childStart_), static_cast<size_t>(childEnd_ - childStart_)};
    }

    bool failed() const { return !problem_.isEmpty(); }
    // What is wrong and where ("... (line 3, column 7)").
    const QString& problem() const { return problem_; }

    // File bytes read so far, and the file's size, for a progress bar.
    qint64 bytesRead() const { return rawRead_; }
    qint64 fileSize() const { return fileSize_; }

private:
    enum class Encoding { Utf8, Utf16Le, Utf16Be, Latin1, Windows1252, Other };
    enum class State { Start, InRoot, AfterRoot, Done, Failed };

    // Buffer access by absolute position in the decoded (UTF-8) text; -1
    // past the end of the file.
    int peek(qint64 at) {
        return at < bufferEnd() ? static_cast<unsigned char>(*pointer(at)) : peekAfterFill(at);
    }
    int peekAfterFill(qint64 at);
    bool have(qint64 at);
    qint64 bufferEnd() const { return base_ + static_cast<qint64>(buf_.size()); }
    const char* pointer(qint64 at) const { return buf_.data() + (at - base_); }
    qint64 find(qint64 from, char c, bool dropPassedText);
    qint64 findText(qint64 from, std::string_view text);
    bool startsWith(qint64 at, std::string_view text);
    bool fill();
    // Turns file bytes into text at the end of the buffer; consumed_ tells
    // how many were used (the rest start a character the next block ends).
    void decode(const char* data, qint64 size, bool atEnd);
    void compact();
    void countLinesTo(qint64 at);

    // Markup, each given the position of its "<" and returning the position
    // after it, or -1 on a problem.
    qint64 scanStartTag(qint64 at, std::string& name, bool& empty);
    qint64 scanEndTag(qint64 at, std::string& name);
    qint64 scanName(qint64 at, std::string* name);
    qint64 scanComment(qint64 at);
    qint64 scanCdata(qint64 at);
    qint64 scanProcessingInstruction(qint64 at);
    qint64 scanDoctype(qint64 at);
    qint64 scanElementContent(qint64 at);
    qint64 skipWhiteSpace(qint64 at);
    bool scanMisc(bool beforeRoot);

    bool fail(const QString& what, qint64 at);
    bool failAtEnd(const QString& what);
    bool chooseEncoding();

    QFile file_;
    QIODevice* input_;  // file_, or the device given
    QString path_;      // empty when reading a device
    qint64 fileSize_ = 0;
    qint64 rawRead_ = 0;
    bool rawEnd_ = false;
    Encoding encoding_ = Encoding::Utf8;
    std::optional<QStringDecoder> decoder_;  // for Encoding::Other
    std::string declaration_;                // the XML declaration of an 8-bit file, as read
    std::unique_ptr<char[]> block_;          // one read from the file
    qint64 blockSize_ = 0;                   // the most one read takes
    size_t carry_ = 0;                       // bytes at its start left over from the last read
    size_t consumed_ = 0;
    std::string buf_;  // decoded text from absolute position base_ on
    qint64 base_ = 0;
    qint64 keep_ = 0;  // nothing from here on may be dropped
    qint64 pos_ = 0;
    qint64 decodeErrorAt_ = -1;
    QString decodeError_;
    // Line counting for the text already dropped from the buffer.
    qint64 countedTo_ = 0;
    qint64 lines_ = 0;
    qint64 columnChars_ = 0;

    State state_ = State::Start;
    QString problem_;
    std::string rootName_;
    std::string childName_;
    qint64 childStart_ = 0;
    qint64 childEnd_ = 0;
    std::string openNames_;  // names of the open elements, back to back
    std::vector<size_t> openNameStarts_;
    std::string scratch_;
    pugi::xml_document document_;
};

// The character content of an element and all elements inside it, CDATA
// sections included, with white space around it removed.
std::string ElementUtf8(const pugi::xml_node& element);
QString ElementText(const pugi::xml_node& element);
// The same as a view: into the document when the element holds a single
// piece of text (the usual case), otherwise into storage.
std::string_view ElementTextView(const pugi::xml_node& element, std::string& storage);
// The ">" that ends the tag whose name ends at p, past quoted attribute
// values; npos when the text ends first.
size_t TagEnd(std::string_view text, size_t p);
// True when text is well-formed UTF-8 of characters XML allows.
bool IsXmlUtf8(std::string_view text);
// An attribute's value as text.
QString AttributeText(const pugi::xml_attribute& attribute);

// The texts of an XML declaration, or false when it is malformed. text runs
// from "<?xml" to "?>" inclusive.
struct XmlDeclaration {
    std::string version;
    std::string encoding;
    std::string standalone;
};
bool ParseXmlDeclaration(std::string_view text, XmlDeclaration& declaration);
