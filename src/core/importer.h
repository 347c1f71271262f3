#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "core/frontend.h"

struct Session;

// What a reader may ask of the import that runs it. Readers never talk to the
// user themselves: they report through this and return their messages.
class ImportProgress {
public:
    virtual ~ImportProgress() = default;
    // The store's count including what this reader has added so far.
    virtual void showRunningTotal(qint32 total) = 0;
    // "Current import: " + count in the second status panel.
    virtual void showCurrentImport(qint32 count) = 0;
    // Lets the window handle pending events.
    virtual void letEventsThrough() = 0;
    // True when the user asked to cancel the import; the request is used up.
    virtual bool takeCancelRequest() = 0;
    // How far through the file the reader is, for the progress bar.
    virtual void showFileProgress(qint64 done, qint64 total) = 0;
};

// What a reader hands back: the number shown as the last import's result,
// and the messages to show after it returned (errors, warnings, notes).
struct ImportResult {
    qint32 result = 0;
    std::vector<UserMessage> messages;
};

// Imports one file, choosing the reader by the file's extension, and shows
// the result in the status line. Refused (false) while another import runs
// and once the window is closed.
bool ImportFile(Session& session, const QString& path);

// Rewrites the status line: the store count in panel 1 and in the export
// frame caption, and the last import's result in panel 2. Without a total the
// line reads as after a clear.
void UpdateStatus(Session& session, std::optional<qint32> total = std::nullopt,
                  std::optional<qint32> last = std::nullopt);

// The Clear button: cancels a running import, otherwise empties the store.
void ClearOrCancel(Session& session);

// Splits a path into the file's extension (with its dot, empty when the file
// name has none) and base name (the file name without that extension).
struct FileNameParts {
    QString extension;
    QString baseName;
};
FileNameParts SplitFileName(const QString& path);
