#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

struct Session;

// Temporary MPS and GDB files live in the user's temporary folder under names
// of our own: the prefix ("MPS" or "GDB"), six random characters and this
// suffix, so that start-up can tell our old files from other programs' files.
inline constexpr char TemporarySuffix[] = ".wayfold.tmp";

// Creates a new, empty file exclusively in the folder and returns its path,
// or nothing when no file could be created there.
std::optional<QString> CreateTemporaryFile(const QString& folder, const QString& prefix);

// A started program has this long to open the file it was handed before the
// file may be deleted.
inline constexpr qint64 HandOverSeconds = 120;

// Deletes the session's temporary files, except those handed to a program so
// recently that it may not have opened them yet; a file that cannot be
// deleted (missing, in use) is left without a message.
void DeleteTemporaryFiles(Session& session);

// Deletes our own temporary files in the folder that are more than a day old
// (what earlier runs had to leave for MapSource). Other files are untouched.
void DeleteStaleTemporaryFiles(const QString& folder, const QDateTime& nowUtc);
