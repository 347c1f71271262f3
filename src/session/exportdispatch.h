#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "core/frontend.h"
#include "session/exporter.h"

struct Session;
class SettingsStore;

// The Generate list: one entry for each ExportKind, in that order. The
// separator entry does nothing, and it is what a first run starts with.
QStringList GenerateListTexts();
// The items of the File menu's "&Export New File" submenu, in the same order;
// the separator's item is an empty text (a separator line in the menu).
QStringList ExportMenuTexts();

inline constexpr int GenerateEntryCount = 8;
inline constexpr int DefaultGenerateMode = static_cast<int>(ExportKind::Separator);

// The Generate list index kept as "Generate Mode". -1 selects no entry; any
// other number outside the list gives the separator.
int StoredGenerateMode(const SettingsStore& settings);
void StoreGenerateMode(SettingsStore& settings, int index);

// The save dialog of a kind that writes a file (Mps, Gdb, Loc, TerraByte, Gpx),
// proposing the last imported file's base name.
FileDialogRequest SaveDialogRequest(ExportKind kind, const QString& baseName);

// What "Do it!" takes from the window.
struct ExportRequest {
    int index = -1;        // the Generate list's selection; -1 when nothing is selected
    bool timeNow = false;  // "Now" is the chosen waypoint time
    QString folder;        // where the save dialog opens
    // Puts the refreshed current time into the time box (with "Now").
    std::function<void(const QString&)> showTime;
};

// "Do it!": refreshes the "Now" time, checks that there is something to
// export and a kind chosen, asks for the file name and runs the writer, or
// hands the store to MapSource. Nothing happens while an import runs.
void RunExport(Session& session, const ExportRequest& request);
