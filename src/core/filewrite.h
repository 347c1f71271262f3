#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "core/frontend.h"

class QIODevice;

// A whole output file, built in memory before anything is written, together
// with what the writer had to change to make the waypoints fit the format.
struct EncodedFile {
    QByteArray bytes;
    qint32 waypoints = 0;  // records written
    // Characters the format cannot carry, written as "?", and in how many
    // waypoints they were.
    qint64 replacedCharacters = 0;
    qint32 waypointsWithReplacements = 0;
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

// Writes the file to an open device in one piece. path only names the file in
// messages.
WriteResult WriteEncodedFile(QIODevice& device, const QString& path, const EncodedFile& file);

// Writes the file through a temporary file beside it that replaces the file at
// path only once it is complete: a failure (no permission, disk full, a device
// error) leaves an existing file as it was and no partial file behind.
WriteResult SaveEncodedFile(const QString& path, const EncodedFile& file);

// Counts the characters one waypoint's texts lost to the character set.
class ReplacementCounter {
public:
    // The running count of replaced characters, for the encoders to add to.
    qsizetype* counter() { return &characters_; }
    // Call after each waypoint.
    void endWaypoint() {
        if (characters_ > atLastWaypoint_) {
            ++waypoints_;
        }
        atLastWaypoint_ = characters_;
    }
    void addTo(EncodedFile& file) const {
        file.replacedCharacters += characters_;
        file.waypointsWithReplacements += waypoints_;
    }

private:
    qsizetype characters_ = 0;
    qsizetype atLastWaypoint_ = 0;
    qint32 waypoints_ = 0;
};

// The warning the MPS and TerraByte LOC writers show while the store holds
// waypoints whose coordinates the readers had to repair.
UserMessage FixedCoordinatesWarning();
