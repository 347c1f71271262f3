#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "core/importprogress.h"

struct Session;

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
