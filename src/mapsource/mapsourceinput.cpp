// MapSource files as the readers see them.
//
// Both formats start with a 6-byte signature, "MsRcd" 00 for MPS and
// "MsRcf" 00 for GDB, followed by records. A record is a signed 32-bit
// little-endian Length, one type letter, then Length data bytes:
//   D  format version: a letter and 00 ("g", "h", "i" in MPS; in GDB "k"
//      for version 1, "l" for version 2, "m" for version 3)
//   A  application: 16-bit version and build texts (in GDB followed, outside
//      any record, by the zero-terminated application name: "MapSource",
//      or "BaseCamp" in files BaseCamp wrote)
//   W  waypoint      R route   T track   L map
//   V  map set: ends the file
//
// A waypoint record, as MapSource writes it in both formats:
//   name                 zero-terminated text
//   class                4 bytes; only class 0 is a user waypoint, other
//                        classes (map points, addresses...) carry other data
//   country              zero-terminated text
//   22 bytes             subclass data, fixed for user waypoints
//   latitude, longitude  signed 32-bit semicircles
//   altitude flag        1 byte, then a double
//   comment              zero-terminated text
//   proximity flag       1 byte, then a double
//   display mode, colour, symbol   signed 32-bit each
//   city, state, facility          zero-terminated texts
//   1 byte
//   depth flag           1 byte, then a double
// and then in MPS and GDB versions 1 and 2:
//   6 bytes              in GDB 2 bytes and a signed 32-bit duration (a
//                        number: route points carry values other than 0)
//   directions           zero-terminated text (the route instruction)
// and in GDB versions 1 and 2 only:
//   URL                  zero-terminated text
//   categories           signed 16-bit bit set
//   temperature flag     1 byte, then a double
//   time flag            1 byte, then signed 32-bit seconds since 1970
// MPS always carries the double after a flag; GDB carries it only when the
// flag is set, and it is read when the flag is exactly 1. Every text is
// Windows-1252, one byte a character.
//
// GDB version 3 (MapSource 6.12 and later, BaseCamp) shares the start up to
// the depth; every text in it is UTF-8, and after the depth come:
//   street address       zero-terminated text
//   1 byte
//   duration             signed 32-bit
//   instruction          zero-terminated text
//   link count           signed 32-bit, then that many zero-terminated
//                        texts; the first is the waypoint's link
//   categories           signed 16-bit bit set
//   temperature flag     1 byte, then a double
//   time flag            1 byte, then signed 32-bit seconds since 1970
//   phone count          signed 32-bit, then that many pairs of
//                        zero-terminated texts (number and its kind)
//   country              zero-terminated text
//   postal code          zero-terminated text
// The store has no fields for addresses and phone numbers; they are skipped.
//
// Writers that leave the country, city, state and facility empty write the
// same bytes as fixed runs of 00, which is why those texts are easy to miss.
#include "mapsource/mapsourceinput.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

#include "core/ansi.h"
#include "core/store.h"

namespace {

UserMessage Exclamation(const QString& text) {
    return {text, QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

QString Ansi(QByteArrayView bytes) {
    return DecodeAnsi(bytes.data(), bytes.size());
}

// A text of a waypoint record in the layout's character set.
QString RecordText(QByteArrayView bytes, WaypointLayout layout) {
    return layout == WaypointLayout::Gdb3 ? QString::fromUtf8(bytes) : Ansi(bytes);
}

// The bytes of a version letter or record letter as they can be shown in a
// message: Windows-1252, with any 0x00 left out (it would cut the text short).
QString ShownBytes(QByteArrayView bytes) {
    QString shown = Ansi(bytes);
    shown.remove(QChar(u'\0'));
    return shown;
}

QString FormatName(MapSourceFormat format) {
    return format == MapSourceFormat::Mps ? QStringLiteral("MPS") : QStringLiteral("GDB");
}

QString PleaseInform(MapSourceFormat format) {
    return QStringLiteral("\r\nPlease inform the program author and send the ") +
           FormatName(format) + QStringLiteral(" file you are trying to import");
}

}  // namespace

UserMessage DamagedFileMessage(const QString& path, const QString& reason) {
    return Exclamation(QStringLiteral("Can't import ") + path + QStringLiteral(": ") + reason +
                       QLatin1Char('.'));
}

UserMessage RefusedFileMessage(const QString& path, const QString& text) {
    return Exclamation(QStringLiteral("Can't import ") + path + QStringLiteral(":\r\n") + text);
}

UserMessage UnknownFormatMessage(const QString& path, MapSourceFormat format,
                                 QByteArrayView shown) {
    return RefusedFileMessage(path, FormatName(format) +
                                        QStringLiteral(" is in an unknown format:  ") +
                                        ShownBytes(shown) + PleaseInform(format));
}

namespace {

// The whole file, or the one message that refuses it: missing, a folder or
// other non-file, unreadable, empty.
struct LoadedFile {
    QByteArray bytes;
    std::optional<UserMessage> refusal;
};

LoadedFile LoadMapSourceFile(const QString& path) {
    LoadedFile loaded;
    const QFileInfo info(path);
    if (!info.exists()) {
        loaded.refusal = UserMessage{QStringLiteral("Please create ") + path +
                                         QStringLiteral(" before using this function!"),
                                     QStringLiteral("Wayfold"), MessageIcon::None};
        return loaded;
    }
    if (info.isDir()) {
        loaded.refusal = DamagedFileMessage(path, QStringLiteral("it is a folder, not a file"));
        return loaded;
    }
    // Devices and pipes could block the open or never end.
    if (!info.isFile()) {
        loaded.refusal = DamagedFileMessage(path, QStringLiteral("it is not a plain file"));
        return loaded;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.refusal = DamagedFileMessage(
            path, QStringLiteral("the file can't be opened (%1)").arg(file.errorString()));
        return loaded;
    }
    loaded.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        loaded.refusal = DamagedFileMessage(
            path, QStringLiteral("the file can't be read (%1)").arg(file.errorString()));
        loaded.bytes.clear();
        return loaded;
    }
    if (loaded.bytes.isEmpty()) {
        loaded.refusal = DamagedFileMessage(path, QStringLiteral("the file is empty"));
    }
    return loaded;
}

// The signature: "MsRc" and the format's fifth character ('d' for MPS; GDB
// files are not told apart by it), 6 bytes in all. The refusal when the bytes
// don't start so.
std::optional<UserMessage> CheckSignature(QByteArrayView bytes, const QString& path,
                                          MapSourceFormat format) {
    if (bytes.isEmpty()) {
        return DamagedFileMessage(path, QStringLiteral("the file is empty"));
    }
    if (!bytes.startsWith("MsRc")) {
        return RefusedFileMessage(path, QStringLiteral("That's not a valid Mapsource file!"));
    }
    if (format == MapSourceFormat::Mps && bytes.size() >= 5 && bytes[4] != 'd') {
        return RefusedFileMessage(path, QStringLiteral("That's not a valid MPS file!"));
    }
    if (bytes.size() < 6) {
        return DamagedFileMessage(
            path, QStringLiteral("the file ends at byte %1 inside its 6-byte signature")
                      .arg(bytes.size()));
    }
    return std::nullopt;
}

UserMessage UnknownRecordMessage(const QString& path, quint8 letter, MapSourceFormat format) {
    const char shown = static_cast<char>(letter);
    return RefusedFileMessage(
        path, QStringLiteral("Unknown record identifier: (") + QString::number(letter) +
                  QLatin1Char(')') + ShownBytes(QByteArrayView(&shown, 1)) + PleaseInform(format));
}

// One record: its type letter, where it starts in the file, and a reader over
// exactly its data bytes.
struct Record {
    qint64 start = 0;
    quint8 type = 0;
    ByteReader data{QByteArrayView()};
};

// Reads the framing of the record at the file reader's position and moves the
// file reader past the whole record. A header cut short, a negative length or
// a length beyond the end of the file gives the reason of the refusal instead.
std::optional<QString> NextRecord(ByteReader& file, Record& record) {
    record.start = file.offset();
    const qint32 length = file.i32();
    record.type = file.u8();
    if (!file.ok()) {
        return QStringLiteral("the file ends inside the record at byte %1").arg(record.start);
    }
    if (length < 0) {
        return QStringLiteral("the record at byte %1 has a negative length (%2)")
            .arg(record.start)
            .arg(length);
    }
    if (length > file.bytesLeft()) {
        return QStringLiteral(
                   "the file ends inside the record at byte %1, which declares %2 data bytes "
                   "where %3 are left")
            .arg(record.start)
            .arg(length)
            .arg(file.bytesLeft());
    }
    record.data = file.take(length);
    return std::nullopt;
}

// The reason for a record whose own fields run past its length, or that
// holds a count of more items than its length leaves room for.
QString ShortRecordReason(const Record& record) {
    const char letter = static_cast<char>(record.type);
    if (record.data.error() == ByteReader::Error::CountTooLarge) {
        return QStringLiteral(
                   "the %1 record at byte %2 holds a count at byte %3 that is negative or larger "
                   "than the rest of the record")
            .arg(ShownBytes(QByteArrayView(&letter, 1)))
            .arg(record.start)
            .arg(record.data.errorOffset());
    }
    return QStringLiteral(
               "the %1 record at byte %2 is too short for its fields (the field at byte %3 runs "
               "past its end)")
        .arg(ShownBytes(QByteArrayView(&letter, 1)))
        .arg(record.start)
        .arg(record.data.errorOffset());
}

enum class WaypointClass { User, Other };

// Reads a waypoint record's data into w. A record whose class is not 0 is not
// a user waypoint: its reading stops after the class byte (the rest of the
// record is skipped with it). The caller looks at data.ok() afterwards.
WaypointClass ReadWaypointRecord(ByteReader& data, WaypointLayout layout, Waypoint& w) {
    const bool mps = layout == WaypointLayout::Mps;
    const auto flagged = [&](quint8& flag, double& value) {
        flag = data.u8();
        if (mps || flag == 1) {
            value = data.f64();
        }
    };
    const auto text = [&] { return RecordText(data.text(), layout); };

    w.Name = text();
    // Class numbers are small, so their first byte tells them apart.
    if (data.u8() != 0) {
        return WaypointClass::Other;
    }
    data.skip(3);
    data.text();  // country
    data.skip(22);
    w.LatSemicircles = data.i32();
    w.LonSemicircles = data.i32();
    w.Latitude = SemicirclesToDegrees(w.LatSemicircles);
    w.Longitude = SemicirclesToDegrees(w.LonSemicircles);
    flagged(w.HasAltitude, w.Altitude);
    w.Description = text();
    flagged(w.HasProximity, w.Proximity);
    w.Display = data.i32();
    w.Colour = data.i32();
    w.Symbol = data.i32();
    data.text();  // city
    data.text();  // state
    data.text();  // facility
    data.skip(1);
    flagged(w.HasDepth, w.Depth);
    if (layout == WaypointLayout::Gdb3) {
        data.text();  // street address
        data.skip(1);
        data.i32();   // duration
        data.text();  // instruction
        // Every link text takes at least its 00.
        const qint32 links = data.count(1);
        for (qint32 i = 0; i < links && data.ok(); ++i) {
            const QByteArrayView link = data.text();
            if (i == 0) {
                w.Url = RecordText(link, layout);
            }
        }
    } else {
        data.skip(6);
        data.text();  // directions
        if (mps) {
            w.CategoryBits = NotSet;
            return WaypointClass::User;
        }
        w.Url = text();
    }
    w.LinkName = QStringLiteral("Link");
    w.CategoryBits = data.i16();
    flagged(w.HasTemperature, w.Temperature);
    w.HasTime = data.u8();
    if (w.HasTime == 1) {
        w.Time = data.i32();
    }
    if (layout == WaypointLayout::Gdb3) {
        // Each phone number and its kind take at least their two 00s.
        const qint32 phones = data.count(2);
        for (qint32 i = 0; i < phones && data.ok(); ++i) {
            data.text();
            data.text();
        }
        data.text();  // country
        data.text();  // postal code
    }
    return WaypointClass::User;
}

enum class WaypointStep { Kept, Skipped, Cancelled, Damaged };

// Imports one waypoint record into added: counts it, shows the count every 50
// waypoints, lets events through and takes a cancel request before reading it.
// Damaged: its fields run past its length (data.ok() is false).
WaypointStep ImportWaypointRecord(Record& record, WaypointLayout layout,
                                  std::vector<Waypoint>& added, ImportProgress& progress,
                                  qint64 fileSize) {
    const qint64 n = static_cast<qint64>(added.size()) + 1;
    if (n % 50 == 0) {
        progress.showCurrentImport(static_cast<qint32>(n));
        progress.showFileProgress(record.start, fileSize);
    }
    progress.letEventsThrough();
    if (progress.takeCancelRequest()) {
        return WaypointStep::Cancelled;
    }
    Waypoint w;
    const WaypointClass kind = ReadWaypointRecord(record.data, layout, w);
    if (!record.data.ok()) {
        return WaypointStep::Damaged;
    }
    if (kind != WaypointClass::User) {
        return WaypointStep::Skipped;
    }
    added.push_back(std::move(w));
    return WaypointStep::Kept;
}

// The result of a refusal: nothing added, one message.
ImportResult Refusal(UserMessage message) {
    ImportResult result;
    result.messages.push_back(std::move(message));
    return result;
}

// Appends the waypoints of a file read to its end and reports their number.
ImportResult Accept(std::vector<Waypoint>&& added, WaypointStore& store) {
    store.Waypoints.insert(store.Waypoints.end(), std::make_move_iterator(added.begin()),
                           std::make_move_iterator(added.end()));
    ImportResult result;
    result.result = static_cast<qint32>(added.size());
    return result;
}

}  // namespace

ImportResult ReadMapSourceFile(const QString& path, const RecordRules& rules, WaypointStore& store,
                               ImportProgress& progress) {
    const LoadedFile file = LoadMapSourceFile(path);
    if (file.refusal) {
        return Refusal(*file.refusal);
    }
    return ReadMapSourceBytes(file.bytes, path, rules, store, progress);
}

ImportResult ReadMapSourceBytes(QByteArrayView bytes, const QString& path, const RecordRules& rules,
                                WaypointStore& store, ImportProgress& progress) {
    if (std::optional<UserMessage> refusal = CheckSignature(bytes, path, rules.format)) {
        return Refusal(*refusal);
    }
    ByteReader file(bytes);
    file.skip(6);
    std::vector<Waypoint> added;
    // Until a version record says otherwise.
    WaypointLayout layout =
        rules.format == MapSourceFormat::Mps ? WaypointLayout::Mps : WaypointLayout::Gdb1;
    for (;;) {
        if (file.atEnd()) {
            return Refusal(DamagedFileMessage(
                path, QStringLiteral("the file ends at byte %1 without its map-set record")
                          .arg(file.offset())));
        }
        Record record;
        if (std::optional<QString> reason = NextRecord(file, record)) {
            return Refusal(DamagedFileMessage(path, *reason));
        }
        switch (record.type) {
            case 'D': {
                const QByteArrayView version = record.data.bytes(2);
                if (!record.data.ok()) {
                    return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                }
                if (std::optional<UserMessage> refusal =
                        rules.checkVersion(version, layout, path)) {
                    return Refusal(*refusal);
                }
                break;
            }
            case 'A':
                record.data.i16();
                if (!record.data.ok()) {
                    return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                }
                if (rules.afterApplication != nullptr) {
                    if (std::optional<UserMessage> refusal = rules.afterApplication(file, path)) {
                        return Refusal(*refusal);
                    }
                }
                break;
            case 'W':
                switch (ImportWaypointRecord(record, layout, added, progress, bytes.size())) {
                    case WaypointStep::Cancelled:
                        return {};
                    case WaypointStep::Damaged:
                        return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                    case WaypointStep::Kept:
                    case WaypointStep::Skipped:
                        break;
                }
                break;
            case 'R':
            case 'T':
            case 'L':
                break;
            case 'V':
                if (rules.mapSetEndsAlways || file.bytesLeft() < 6) {
                    return Accept(std::move(added), store);
                }
                break;
            default:
                return Refusal(UnknownRecordMessage(path, record.type, rules.format));
        }
    }
}
