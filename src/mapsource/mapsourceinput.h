#pragma once

// What the MPS and GDB readers share: loading the file, the record loop, the
// waypoint record and the texts of their refusals.

#include <QByteArrayView>
#include <QString>
#include <optional>

#include "core/bytereader.h"
#include "core/frontend.h"
#include "core/importprogress.h"
#include "core/store.h"

enum class MapSourceFormat { Mps, Gdb };

// How a file's waypoint records are laid out: MPS, GDB versions 1 and 2
// (letters "k" and "l", the same layout), GDB version 3 (letter "m").
enum class WaypointLayout { Mps, Gdb1, Gdb3 };

// What the MPS and GDB readers do differently inside the record loop they
// share.
struct RecordRules {
    MapSourceFormat format;
    // The refusal for the version record's two bytes, or nothing for a
    // version the reader reads; then layout is set to that version's layout
    // of the waypoint records.
    std::optional<UserMessage> (*checkVersion)(QByteArrayView version, WaypointLayout& layout,
                                               const QString& path);
    // GDB: reads what follows the application record outside any record (the
    // application name) and gives the refusal, if any. Null for MPS.
    std::optional<UserMessage> (*afterApplication)(ByteReader& file, const QString& path);
    // GDB: the map-set record ends the reading whatever follows it. MPS: only
    // when fewer than 6 bytes follow it; a few stray bytes after the map set
    // are no further record.
    bool mapSetEndsAlways;
};

// Reads the file and appends its user waypoints to the store. A file that is
// missing, a folder or other non-file, unreadable or empty is refused.
ImportResult ReadMapSourceFile(const QString& path, const RecordRules& rules, WaypointStore& store,
                               ImportProgress& progress);

// The same for the file's bytes already in memory; path only names the file
// in messages. The whole file is read before anything reaches the store, so
// a refusal or a cancel leaves the store as it was: nothing added, the
// refusal's one message returned.
ImportResult ReadMapSourceBytes(QByteArrayView bytes, const QString& path, const RecordRules& rules,
                                WaypointStore& store, ImportProgress& progress);

// The refusals the readers word themselves; each names the file, as a batch
// of files gives no other clue which one was refused. reason is a short
// phrase that names what is wrong and where ("the file ends inside the record
// at byte 45"); text is a message of its own, put under the file's name.
UserMessage DamagedFileMessage(const QString& path, const QString& reason);
UserMessage RefusedFileMessage(const QString& path, const QString& text);
// shown is the version as the message shows it.
UserMessage UnknownFormatMessage(const QString& path, MapSourceFormat format, QByteArrayView shown);
