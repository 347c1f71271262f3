#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "core/frontend.h"

struct FileFormat;
struct Session;
class SettingsStore;

// The Generate list's captions, in its order. The separator entry does
// nothing, and it is what a first run starts with.
QStringList GenerateListTexts();
// The items of the File menu's "&Export New File" submenu, in the same order;
// the separator's item is an empty text (a separator line in the menu).
QStringList ExportMenuTexts();

// The first run's choice: the separator.
int DefaultGenerateMode();

// The Generate list index kept as "Generate Mode". -1 selects no entry; any
// other number outside the list gives the separator.
int StoredGenerateMode(const SettingsStore& settings);
void StoreGenerateMode(SettingsStore& settings, int index);

// The save dialog of a format, proposing the last imported file's base name.
FileDialogRequest SaveDialogRequest(const FileFormat& format, const QString& baseName);

// What "Do it!" takes from the window.
struct ExportRequest {
    int index = -1;        // the Generate list's selection; -1 when nothing is selected
    bool timeNow = false;  // "Now" is the chosen waypoint time
    QString folder;        // where the save dialog opens
    // Puts the refreshed current time into the time box (with "Now").
    std::function<void(const QString&)> showTime;
};

// "Do it!": refreshes the "Now" time, checks that there is something to
// export and an entry chosen, asks for the file name and runs the writer, or
// sends the store to a destination. Nothing happens while an import runs.
void RunExport(Session& session, const ExportRequest& request);
