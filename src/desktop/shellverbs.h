#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "core/frontend.h"

class ProcessStarter;

// Two shell verbs for .loc and .gpx files that start this program on the file
// and quit after the hand-over: "/m /q" converts to MPS and opens MapSource,
// "/6 /q" converts to GDB and opens MapSource 6. On Windows they are verbs
// under the registry's class root; on Linux one freedesktop.org desktop entry
// each, with a shared-mime-info package giving .loc and .gpx their types.

// Whether the verbs are registered: the "Open in Mapsource" verb exists and
// starts the program with "/m /q". Only that verb of the .loc files is looked at.
bool ShellVerbsRegistered();

// Registers (on) or removes (off) both verbs for the program at programPath
// and returns the messages to show about writes that failed. Desktop and mime
// databases are refreshed through processes when their tools are installed.
std::vector<UserMessage> SetShellVerbs(bool on, const QString& programPath,
                                       ProcessStarter& processes);

// --- The registry's class root. The layout is kept apart from the registry
// itself so that it can be checked on every platform.

// Keys are paths with "\" between their parts; an empty value name is the
// key's unnamed default value.
class ClassRoot {
public:
    virtual ~ClassRoot() = default;
    // Empty when the key or value does not exist or is not a text.
    virtual QString readValue(const QString& key, const QString& valueName) const = 0;
    // Creates the key when needed; false when the value could not be stored.
    virtual bool writeValue(const QString& key, const QString& valueName, const QString& data) = 0;
    // Deletes a key; a key that does not exist is no error.
    virtual void deleteKey(const QString& key) = 0;
};

// The command of a verb: the program in the given folder, the file in
// double quotes and the flags ("/m /q").
QString ClassRootVerbCommand(const QString& programFolder, const QString& flags);
bool ClassRootVerbsRegistered(const ClassRoot& root);
std::vector<UserMessage> RegisterClassRootVerbs(ClassRoot& root, const QString& programFolder);
void UnregisterClassRootVerbs(ClassRoot& root);

// --- freedesktop.org desktop entries under a data folder ($XDG_DATA_HOME).

inline constexpr char16_t MapSourceDesktopEntry[] = u"wayfold-open-in-mapsource.desktop";
inline constexpr char16_t MapSource6DesktopEntry[] = u"wayfold-open-in-mapsource-6.desktop";
inline constexpr char16_t MimePackage[] = u"wayfold.xml";

// One argument of an Exec line, quoted and escaped as the Desktop Entry
// Specification asks for.
QString DesktopExecArgument(const QString& argument);
// The Exec value of a desktop entry that starts programPath on "%f" and the
// flags (through env when the path holds a "%").
QString DesktopExecValue(const QString& programPath, const QString& flags);
bool DesktopVerbsRegistered(const QString& dataHome);
std::vector<UserMessage> RegisterDesktopVerbs(const QString& dataHome, const QString& programPath,
                                              ProcessStarter& processes);
void UnregisterDesktopVerbs(const QString& dataHome, ProcessStarter& processes);
