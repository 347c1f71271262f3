#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "core/frontend.h"
#include "core/store.h"

class QIODevice;

// An output file built in memory, together with what the writer had to
// change to make the waypoints fit the format. A streamed file holds only what
// is not yet written: its bytes go to the sink in pieces as they are made.
struct EncodedFile {
    QByteArray bytes;
    // Where the records go once bytes holds a piece of a quarter mebibyte
    // (EncodeWaypoints), so that a file of any size needs no more memory than
    // that; null for a file built whole.
    QIODevice* sink = nullptr;
    // Why the sink took only part of a piece: the rest of the file was not
    // made, and writing it fails for this reason.
    std::optional<QString> sinkError;
    qint32 waypoints = 0;  // records written
    // Characters the format cannot carry, written as "?" (or left out), and
    // in how many waypoints they were.
    qint64 replacedCharacters = 0;
    qint32 waypointsWithReplacements = 0;
    // The format leaves such characters out instead of writing "?" (XML
    // files carry every other character).
    bool dropsUnwritable = false;
    // Texts longer than a length byte can announce, cut to 255 characters.
    qint32 cutTexts = 0;
    // The readers repaired out-of-range coordinates and this format warns about it.
    bool warnFixedCoordinates = false;
};

// What a writer hands back to the export that ran it.
struct WriteResult {
    enum Status {
        NothingToWrite,  // the store was empty: no file was created or touched
        Written,         // the file is complete
        Failed,          // nothing was written; any file that was there is unchanged
    };
    Status status = NothingToWrite;
    qint32 waypoints = 0;
    // Failures, warnings and reports, to be shown after the export.
    std::vector<UserMessage> messages;
};

// Writes the file (what is left of it, for a streamed one) to an open device.
// path only names the file in messages.
WriteResult WriteEncodedFile(QIODevice& device, const QString& path, const EncodedFile& file);

// Writes the file through a temporary file beside it that replaces the file at
// path only once it is complete: a failure (no permission, disk full, a device
// error) leaves an existing file as it was and no partial file behind.
WriteResult SaveEncodedFile(const QString& path, const EncodedFile& file);

// The record loop every encoder shares: append writes one waypoint, for each
// waypoint that is not marked a duplicate, in store order, and adds the
// characters it had to replace to the counter it is given. The records and
// the replacements (characters, and the waypoints that had any) are counted
// into file. A streamed file hands its pieces to the sink between records and
// ends the loop early when the sink fails.
using WaypointEncoder = std::function<void(Waypoint& waypoint, qsizetype* replaced)>;
void EncodeWaypoints(std::vector<Waypoint>& waypoints, EncodedFile& file,
                     const WaypointEncoder& append);

// For an encoder that makes its records elsewhere: appends bytes to the
// file; a streamed file hands them on to the sink once they make a piece.
// False when the sink failed (see sinkError).
bool AppendToFile(EncodedFile& file, QByteArrayView bytes);

// What every writer's two entry points do: an empty store writes nothing
// (encode is not even called); otherwise the file encode builds is saved at
// path (SaveEncodedFile) or written onto device (WriteEncodedFile).
WriteResult SaveStore(const QString& path, const WaypointStore& store,
                      const std::function<EncodedFile()>& encode);
WriteResult WriteStore(QIODevice& device, const QString& path, const WaypointStore& store,
                       const std::function<EncodedFile()>& encode);

// The same for a format whose records can be written as they are made:
// encode is given the device (the temporary file at path) to stream into.
using StreamedEncoder = std::function<EncodedFile(QIODevice* sink)>;
WriteResult SaveStore(const QString& path, const WaypointStore& store,
                      const StreamedEncoder& encode);
WriteResult WriteStore(QIODevice& device, const QString& path, const WaypointStore& store,
                       const StreamedEncoder& encode);

// The warning the MPS and TerraByte LOC writers show while the store holds
// waypoints whose coordinates the readers had to repair.
UserMessage FixedCoordinatesWarning();
