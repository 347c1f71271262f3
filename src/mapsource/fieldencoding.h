#pragma once

// What the MapSource writers (MPS, GDB) and the TerraByte LOC writer share:
// the little-endian field writer, the values a waypoint is written with, and
// the name it is written under.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtEndian>
#include <cstring>

#include "core/filewrite.h"
#include "core/store.h"
#include "core/waypoint.h"
#include "settings/options.h"

// Appends the fields of a binary record to a byte buffer: integers and doubles
// little-endian, texts as Windows-1252 (one byte a character) or, where the
// format says so, as UTF-8.
class ByteWriter {
public:
    explicit ByteWriter(QByteArray& out) : out_(out) {}

    // Zero-terminated texts from now on in UTF-8, which carries every
    // character.
    void setUtf8Texts(bool utf8) { utf8_ = utf8; }

    void byte(quint8 value) { out_.append(static_cast<char>(value)); }
    void int16(qint16 value) { put(value); }
    void int32(qint32 value) { put(value); }
    void float64(double value) { put(value); }
    // count copies of one byte value.
    void run(qsizetype count, quint8 value) { out_.append(count, static_cast<char>(value)); }
    // Fixed bytes given as a string literal, embedded 0x00 bytes included
    // (the literal's own terminator is not written).
    template <size_t N>
    void literal(const char (&bytes)[N]) {
        out_.append(bytes, static_cast<qsizetype>(N - 1));
    }

    // A text followed by its 0x00 terminator. A NUL inside the text would end
    // the field early and throw every later field off, so it is replaced by
    // "?" like a character the code page lacks; replacements are added to
    // *replaced when given.
    void zeroText(QStringView text, qsizetype* replaced);

    // A length byte and the text, cut to 255 characters (one byte each).
    // Returns true when the text had to be cut.
    bool shortText(QStringView text, qsizetype* replaced);

    // A flag byte and its double. MPS records carry both whatever the flag
    // says, the flag as stored (Always); GDB records carry the double only
    // after a set flag, written as 01 because readers take it after no other
    // value (WhenSet).
    enum class Flagged { Always, WhenSet };
    void flaggedDouble(quint8 flag, double value, Flagged layout);

    // A record framed as MPS and GDB frame them: 4-byte length, type letter,
    // data. beginRecord returns the record's offset for endRecord, which fills
    // in the length once the data is written.
    qsizetype beginRecord(char type);
    void endRecord(qsizetype record);

    qsizetype size() const { return out_.size(); }

private:
    template <typename T>
    void put(T value) {
        const T little = qToLittleEndian(value);
        char bytes[sizeof(T)];
        std::memcpy(bytes, &little, sizeof(T));
        out_.append(bytes, sizeof(T));
    }

    QByteArray& out_;
    bool utf8_ = false;
};

// The values a waypoint is written with in the MapSource formats.
struct WaypointStyle {
    qint32 DisplayMode = 0;
    qint32 Symbol = 0;
    qint16 Categories = 0;
};

// The waypoint's own display mode, symbol and categories where the options
// keep them and the waypoint has them (not NotSet), the options' otherwise.
WaypointStyle ResolveWaypointStyle(const Waypoint& waypoint, const Options& options);

// The two cache-code tables: the MapSource writers know "unknown" (UC), the
// TerraByte LOC writer does not.
enum class CacheCodes { MapSource, TerraByte };

// The two-letter code for a cache type, matched on the whole lower-cased
// text; anything unknown is "GC".
QString CacheTypeCode(QStringView cacheType, CacheCodes table);

// The name a waypoint is written under: with ModNames, a name starting with
// "gc" in any letter case gets the cache type's code instead of those two
// letters; otherwise the name as stored.
QString ExportName(const Waypoint& waypoint, const Options& options,
                   CacheCodes table = CacheCodes::MapSource);

// The fields that open an MPS or GDB waypoint record, from the name to the
// empty directions text; the double fields laid out as layout says. The
// caller frames the record and adds what its format has beyond these.
void AppendMapSourceWaypointFields(ByteWriter& out, const Waypoint& waypoint,
                                   const Options& options, QStringView comment,
                                   ByteWriter::Flagged layout, qsizetype* replaced);

// The rest of an MPS or GDB file after its header: with names and
// descriptions exchanged for SwapNameDesc, the store is sorted and marked
// (letter case ignored) and append writes the record of each waypoint that is
// not a duplicate, in store order; then the map-set record. The exchange is
// undone before this returns, however it returns.
void AppendMapSourceWaypoints(ByteWriter& out, WaypointStore& store, const Options& options,
                              EncodedFile& file, const WaypointEncoder& append);

// With SwapNameDesc, the MapSource writers exchange every waypoint's name and
// description for the time of the export. The exchange is undone when this
// goes out of scope, however the export ends.
class NameDescriptionSwap {
public:
    NameDescriptionSwap(WaypointStore& store, bool swap);
    ~NameDescriptionSwap();
    NameDescriptionSwap(const NameDescriptionSwap&) = delete;
    NameDescriptionSwap& operator=(const NameDescriptionSwap&) = delete;

private:
    void exchange();
    WaypointStore& store_;
    bool swap_;
};
