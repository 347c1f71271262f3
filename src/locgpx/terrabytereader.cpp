// TerraByte LOC files: TopoGrafix's binary location files, which share the
// .loc extension with the XML LOC format.
//
// Header, 51 bytes: "TerraByte Location File Copyright 2002 TopoGrafix",
// 0x0A, 0x0E. Only the first 9 bytes ("TerraByte") identify the format.
// Then waypoint records, one after the other, and a 0x00 byte after the
// last one. A record is a start byte (anything but 0x00; "W" as written)
// followed by tagged fields; each field is a tag byte and its data:
//
//   0x01 name          length byte, then that many characters
//   0x02 comment       length byte and characters
//   0x03 description   length byte and characters
//   0x05 URL           length byte and characters
//   0x06 link text     length byte and characters
//   0x07 type          length byte and characters ("geocache", "waypoint"...)
//   0x08 description   characters up to a 0x00 byte
//   0x09 URL           characters up to 0x00
//   0x10 link text     characters up to 0x00
//   0x63 latitude      little-endian IEEE double, degrees
//   0x64 longitude     double, degrees
//   0x65 altitude      double
//   0x66 (unused)      8 bytes
//   0x84 icon          4-byte integer; the symbol comes from the type instead
//   0xFF end of record; a record without a name takes its description
//   0x00 end of record
//   anything else      a tag without data
//
// Fields come in any order, any number of times; the last one wins. Texts
// are Windows-1252, one byte a character.
#include "locgpx/terrabytereader.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/ansi.h"
#include "core/store.h"
#include "core/symbols.h"
#include "locgpx/xmlimport.h"

namespace {

constexpr qint64 kHeaderSize = 51;

// Reads a file byte by byte through a buffer; every read says whether all
// its bytes were there.
class ByteInput {
public:
    explicit ByteInput(QFile& file) : file_(file), buffer_(1 << 16) {}

    qint64 offset() const { return offset_; }

    bool byte(quint8& b) {
        if (next_ == end_ && !refill()) {
            return false;
        }
        b = static_cast<quint8>(buffer_[next_++]);
        ++offset_;
        return true;
    }

    // Reads n bytes into out; false (with out partly filled) at the end.
    bool bytes(char* out, qint64 n) {
        while (n > 0) {
            if (next_ == end_ && !refill()) {
                return false;
            }
            const qint64 part = std::min(n, end_ - next_);
            std::memcpy(out, buffer_.data() + next_, static_cast<size_t>(part));
            out += part;
            next_ += part;
            offset_ += part;
            n -= part;
        }
        return true;
    }

    // A text of length-byte characters.
    bool counted(QString& text) {
        quint8 length = 0;
        char chars[255];
        if (!byte(length) || !bytes(chars, length)) {
            return false;
        }
        text = DecodeAnsi(chars, length);
        return true;
    }

    // A text ending at a 0x00 byte, which is not part of it.
    bool zeroTerminated(QString& text) {
        QByteArray chars;
        for (;;) {
            if (next_ == end_ && !refill()) {
                return false;
            }
            const char* start = buffer_.data() + next_;
            const auto* zero =
                static_cast<const char*>(std::memchr(start, 0, static_cast<size_t>(end_ - next_)));
            const qint64 part = zero != nullptr ? zero - start : end_ - next_;
            chars.append(start, part);
            next_ += part;
            offset_ += part;
            if (zero != nullptr) {
                ++next_;
                ++offset_;
                text = DecodeAnsi(chars);
                return true;
            }
        }
    }

    bool number(double& value) {
        char raw[8];
        if (!bytes(raw, 8)) {
            return false;
        }
        value = std::bit_cast<double>(qFromLittleEndian<quint64>(raw));
        return true;
    }

    bool skip(qint64 n) {
        char raw[8];
        return bytes(raw, n);
    }

private:
    bool refill() {
        const qint64 got = file_.read(buffer_.data(), static_cast<qint64>(buffer_.size()));
        next_ = 0;
        end_ = std::max<qint64>(got, 0);
        return end_ > 0;
    }

    QFile& file_;
    std::vector<char> buffer_;
    qint64 next_ = 0;
    qint64 end_ = 0;
    qint64 offset_ = 0;
};

// Coordinates in these files are raw doubles that nothing has checked. NaN
// and the infinities are no position at all and become 0, so that they
// never reach a writer; finite values are kept as the file has them (the
// semicircles clamp to their range).
double Degrees(double value) {
    return std::isfinite(value) ? value : 0.0;
}

// Reads the fields of one record up to its end tag. False when the file
// ends first.
bool ReadFields(ByteInput& in, Waypoint& w) {
    for (;;) {
        quint8 tag = 0;
        if (!in.byte(tag)) {
            return false;
        }
        bool ok = true;
        switch (tag) {
            case 0x01:
                ok = in.counted(w.Name);
                break;
            case 0x02:
                ok = in.counted(w.Comment);
                break;
            case 0x03:
                ok = in.counted(w.Description);
                break;
            case 0x05:
                ok = in.counted(w.Url);
                break;
            case 0x06:
                ok = in.counted(w.LinkName);
                break;
            case 0x07:
                ok = in.counted(w.TypeText);
                w.Symbol = SymbolNumber(w.TypeText).value_or(NotSet);
                break;
            case 0x08:
                ok = in.zeroTerminated(w.Description);
                break;
            case 0x09:
                ok = in.zeroTerminated(w.Url);
                break;
            case 0x10:
                ok = in.zeroTerminated(w.LinkName);
                break;
            case 0x63:
                ok = in.number(w.Latitude);
                w.Latitude = Degrees(w.Latitude);
                w.LatSemicircles = DegreesToSemicircles(w.Latitude);
                break;
            case 0x64:
                ok = in.number(w.Longitude);
                w.Longitude = Degrees(w.Longitude);
                w.LonSemicircles = DegreesToSemicircles(w.Longitude);
                break;
            case 0x65:
                ok = in.number(w.Altitude);
                w.HasAltitude = 1;
                break;
            case 0x66:
                ok = in.skip(8);
                break;
            case 0x84:
                ok = in.skip(4);
                break;
            case 0xFF:
                if (w.Name.isEmpty()) {
                    w.Name = w.Description;
                }
                return true;
            case 0x00:
                return true;
            default:
                break;
        }
        if (!ok) {
            return false;
        }
    }
}

UserMessage TruncatedMessage(const QString& path, const QString& where, qint64 offset,
                             qsizetype kept) {
    return {
        QStringLiteral("The TerraByte LOC file %1 is truncated: it ends %2 (byte offset %3).\r\n"
                       "Waypoints imported from before the damage: %4")
            .arg(path, where)
            .arg(offset)
            .arg(kept),
        QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

}  // namespace

ImportResult ReadTerraByteFile(const QString& path, WaypointStore& store,
                               ImportProgress& progress) {
    ImportResult result;
    result.result = -1;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return result;
    }
    ByteInput in(file);
    char header[kHeaderSize];
    const bool wholeHeader = in.bytes(header, kHeaderSize);
    if (in.offset() < 9 || std::memcmp(header, "TerraByte", 9) != 0) {
        return result;
    }
    if (!wholeHeader) {
        result.result = 0;
        result.messages.push_back(
            TruncatedMessage(path, QStringLiteral("inside its header"), in.offset(), 0));
        return result;
    }

    std::vector<Waypoint> records;
    records.reserve(1000);
    const qint64 countBefore = store.WaypointCount();
    qint64 started = 0;
    QString damage;
    ResetCoordinates reset;
    for (;;) {
        quint8 start = 0;
        if (!in.byte(start)) {
            damage = QStringLiteral("without the end-of-records byte");
            break;
        }
        if (start == 0x00) {
            break;
        }
        ++started;
        if (started % 20 == 0) {
            progress.showRunningTotal(static_cast<qint32>(countBefore + started));
            progress.letEventsThrough();
        }
        Waypoint w;
        w.Symbol = NotSet;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        if (!ReadFields(in, w)) {
            damage = QStringLiteral("inside waypoint record %1").arg(started);
            break;
        }
        // Stored as numbers, but any number: out of range is reset as in the
        // XML formats.
        SetCoordinates(store, w.Latitude, w.Longitude, NumberText(w.Latitude),
                       NumberText(w.Longitude), w, reset);
        records.push_back(std::move(w));
    }

    store.Waypoints.insert(store.Waypoints.end(), std::make_move_iterator(records.begin()),
                           std::make_move_iterator(records.end()));
    result.result = static_cast<qint32>(records.size());
    if (!damage.isEmpty()) {
        result.messages.push_back(
            TruncatedMessage(path, damage, in.offset(), static_cast<qsizetype>(records.size())));
    }
    if (const std::optional<UserMessage> message = ResetMessage(path, reset)) {
        result.messages.push_back(*message);
    }
    return result;
}
