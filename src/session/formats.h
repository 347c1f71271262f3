#pragma once

#include <QString>
#include <QStringList>
#include <span>
#include <vector>

#include "core/filewrite.h"
#include "core/importprogress.h"
#include "core/options.h"
#include "core/store.h"

struct Session;

// The file formats and the destinations, one row each. The window's Generate
// list and export menu, the save dialog, the command line's flags and usage,
// the choice of reader by extension, the file browser's patterns and the
// desktop's file types all read these tables: a new format is a row here
// plus its own reader and writer.

using FileReader = ImportResult (*)(const QString& path, WaypointStore& store,
                                    ImportProgress& progress);
using FileWriter = WriteResult (*)(const QString& path, WaypointStore& store,
                                   const Options& options);
// The whole file in memory, as the writer would write it.
using FileEncoder = EncodedFile (*)(WaypointStore& store, const Options& options);

// How the desktop knows a file type the shell verbs are registered for.
struct ShellFileType {
    const char16_t* fallbackClass;  // class used when the extension has none
    const char16_t* registryType;   // "Content Type" under the class root
    const char16_t* mimeType;       // freedesktop.org type
    const char16_t* mimeComment;
};

struct FileFormat {
    const char* id;
    // The place in the Generate list (and the export menu), kept as
    // "Generate Mode"; -1 for a format that is only read.
    int listPlace;
    const char* listCaption;
    const char* menuCaption;
    const char* saveTitle;
    const char* saveFiles;  // the save filter's description of the files
    const char* extension;  // without the dot; written and read
    char flag;              // the command-line letter of "/s:file"; 0 for none
    const char* usage;      // the usage line of the flag
    const char* synopsis;   // the flag in the usage's first line; nullptr when left out
    FileReader read;        // nullptr when files of the extension go to another row's reader
    FileWriter write;       // nullptr for a format that is only read
    FileEncoder encode;
    const ShellFileType* shellType;  // nullptr when the shell verbs leave the type alone
    // The reader takes only files whose name ends so ("geocache_visits.txt"),
    // not every file of the extension; nullptr: every file of the extension.
    const char* readName = nullptr;
    // The file carries the caches' whole listings (descriptions, logs ...):
    // a run that writes none of these need not keep them.
    bool writesListings = false;
};

// Where a written file goes after the export: the format it takes and what
// is done with the file. The file is a temporary one the exporter made.
struct Destination {
    const char* id;
    int listPlace;
    const char* listCaption;
    const char* menuCaption;
    char flag;       // the command-line letter ("/m")
    bool takesPath;  // "/d:path" names where the file goes; "/d" leaves it open
    const char* usage;
    const char* synopsis;
    const char* format;           // the id of the format it takes
    const char* temporaryPrefix;  // the temporary file's name prefix
    const char* temporaryFailure;
    // argument: the path after the flag, empty without one or from the window.
    void (*handOver)(Session& session, const QString& writtenFile, const QString& argument);
};

// The rows in the order the command line's usage lists them.
std::span<const FileFormat> FileFormats();
std::span<const Destination> Destinations();

const FileFormat* FormatById(const QString& id);
// The row whose reader takes the file, by the path's extension; nullptr when
// no reader does.
const FileFormat* ReaderForPath(const QString& path);
// The "*.ext" patterns of the files some reader takes, without repeats.
QStringList ImportablePatterns();

// One entry of the Generate list: a format, a destination or, where neither
// has its place, a separator that does nothing.
struct GenerateEntry {
    const FileFormat* format = nullptr;
    const Destination* destination = nullptr;
    bool separator() const { return format == nullptr && destination == nullptr; }
};
// The Generate list in its order.
const std::vector<GenerateEntry>& GenerateList();
