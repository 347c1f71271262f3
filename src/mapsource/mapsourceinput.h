#pragma once

// What the MPS and GDB readers share: loading the file, the record framing,
// the waypoint record and the texts of their refusals.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "core/frontend.h"
#include "core/importer.h"
#include "core/store.h"
#include "core/waypoint.h"
#include "mapsource/bytereader.h"

enum class MapSourceFormat { Mps, Gdb };

// The whole file, or the one message that refuses it: missing, a folder or
// other non-file, unreadable, empty.
struct LoadedFile {
    QByteArray bytes;
    std::optional<UserMessage> refusal;
};
LoadedFile LoadMapSourceFile(const QString& path);

// The signature: "MsRc" and the format's fifth character ('d' for MPS; GDB
// files are not told apart by it), 6 bytes in all. The refusal when the bytes
// don't start so.
std::optional<UserMessage> CheckSignature(QByteArrayView bytes, const QString& path,
                                          MapSourceFormat format);

// The refusals found in the bytes themselves. reason is a short phrase that
// names what is wrong and where ("the file ends inside the record at byte 45").
UserMessage DamagedFileMessage(const QString& path, const QString& reason);
UserMessage NotMapSourceMessage();
UserMessage UnknownRecordMessage(quint8 letter, MapSourceFormat format);

// The bytes of a version letter or record letter as they can be shown in a
// message: Windows-1252, with any 0x00 left out (it would cut the text short).
QString ShownBytes(QByteArrayView bytes);

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
std::optional<QString> NextRecord(ByteReader& file, Record& record);

// The reason for a record whose own fields run past its length.
QString ShortRecordReason(const Record& record);

enum class WaypointClass { User, Other };

// Reads a waypoint record's data into w. A record whose class is not 0 is not
// a user waypoint: its reading stops after the class byte (the rest of the
// record is skipped with it). The caller looks at data.ok() afterwards.
WaypointClass ReadWaypointRecord(ByteReader& data, MapSourceFormat format, Waypoint& w);

enum class WaypointStep { Kept, Skipped, Cancelled, Damaged };

// Imports one waypoint record into added: counts it, shows the count every 50
// waypoints, lets events through and takes a cancel request before reading it.
// Damaged: its fields run past its length (data.ok() is false).
WaypointStep ImportWaypointRecord(Record& record, MapSourceFormat format,
                                  std::vector<Waypoint>& added, ImportProgress& progress,
                                  qint64 fileSize);

// The result of a refusal: nothing added, one message.
ImportResult Refusal(UserMessage message);
// Appends the waypoints of a file read to its end and reports their number.
ImportResult Accept(std::vector<Waypoint>&& added, WaypointStore& store);
