#include "desktop/shellverbs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringView>
#include <iterator>

#include "session/formats.h"
#include "session/process.h"

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace {

struct Verb {
    const char16_t* key;      // verb key under "<class>\shell"
    const char16_t* oldKey;   // the same verb as earlier releases named it
    const char16_t* caption;  // what the file manager shows
    const char16_t* flags;
    const char16_t* desktopEntry;
};

constexpr Verb kVerbs[] = {
    {u"Open_in_Mapsource_(Wayfold)", u"Open in Mapsource (Wayfold)", u"Open in Mapsource (Wayfold)",
     u"/m /q", MapSourceDesktopEntry},
    {u"Open_in_Mapsource_6_(Wayfold)", u"Open in Mapsource 6 (Wayfold)",
     u"Open in Mapsource 6 (Wayfold)", u"/6 /q", MapSource6DesktopEntry},
};

struct FileType {
    QString extension;  // with its dot
    const char16_t* fallbackClass;
    const char16_t* registryType;
    const char16_t* mimeType;
    const char16_t* mimeComment;
};

// The types the verbs are registered for: the formats that have a shell type.
const std::vector<FileType>& FileTypes() {
    static const std::vector<FileType> types = [] {
        std::vector<FileType> list;
        for (const FileFormat& format : FileFormats()) {
            if (const ShellFileType* shell = format.shellType) {
                list.push_back({QLatin1Char('.') + QLatin1String(format.extension),
                                shell->fallbackClass, shell->registryType, shell->mimeType,
                                shell->mimeComment});
            }
        }
        return list;
    }();
    return types;
}

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

const QString kShell = QStringLiteral("\\shell\\");
const QString kCommand = QStringLiteral("\\command");

QString ClassOf(const ClassRoot& root, const FileType& type) {
    const QString name = root.readValue(type.extension, QString());
    return name.isEmpty() ? Text(type.fallbackClass) : name;
}

// --- desktop entries

QString ApplicationsFolder(const QString& dataHome) {
    return dataHome + QStringLiteral("/applications");
}

QString MimeFolder(const QString& dataHome) {
    return dataHome + QStringLiteral("/mime");
}

// The Exec value of the [Desktop Entry] group, with the string escapes of the
// format undone; empty when the file or the key is not there.
QString DesktopExec(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QString();
    }
    bool inEntry = false;
    // Desktop entries are small; a huge file is not one of ours.
    const QByteArray content = file.read(1 << 20);
    for (const QByteArray& rawLine : content.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry || !line.startsWith(QLatin1String("Exec"))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || QStringView(line).mid(4, equals - 4).trimmed().size() != 0) {
            continue;
        }
        QString value;
        const QString raw = line.mid(equals + 1).trimmed();
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw.at(i) == QLatin1Char('\\') && i + 1 < raw.size()) {
                const QChar c = raw.at(++i);
                value += c == QLatin1Char('s')   ? QChar(u' ')
                         : c == QLatin1Char('n') ? QChar(u'\n')
                         : c == QLatin1Char('t') ? QChar(u'\t')
                         : c == QLatin1Char('r') ? QChar(u'\r')
                                                 : c;
            } else {
                value += raw.at(i);
            }
        }
        return value;
    }
    return QString();
}

// Writes a whole file or nothing; a message on failure.
bool WriteWholeFile(const QString& path, const QByteArray& content,
                    std::vector<UserMessage>& messages) {
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(content) != content.size() || !file.commit()) {
        messages.push_back({QStringLiteral("Error creating ") + QDir::toNativeSeparators(path) +
                                QStringLiteral("\r\n") + file.errorString(),
                            QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return false;
    }
    return true;
}

QByteArray DesktopEntryText(const Verb& verb, const QString& programPath) {
    QString mimeTypes;
    for (const FileType& type : FileTypes()) {
        mimeTypes += Text(type.mimeType) + QLatin1Char(';');
    }
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=") +
                         Text(verb.caption) + QStringLiteral("\nExec=") +
                         DesktopExecValue(programPath, Text(verb.flags)) +
                         QStringLiteral("\nMimeType=") + mimeTypes +
                         QStringLiteral("\nNoDisplay=true\nTerminal=false\n");
    return text.toUtf8();
}

QByteArray MimePackageText() {
    QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    for (const FileType& type : FileTypes()) {
        text += QStringLiteral("  <mime-type type=\"") + Text(type.mimeType) +
                QStringLiteral("\">\n    <comment>") + Text(type.mimeComment) +
                QStringLiteral("</comment>\n    <glob pattern=\"*") + type.extension +
                QStringLiteral("\"/>\n  </mime-type>\n");
    }
    text += QStringLiteral("</mime-info>\n");
    return text.toUtf8();
}

// Runs a database tool on a folder, when the tool is installed.
void Refresh(ProcessStarter& processes, const QString& tool, const QString& folder) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (!program.isEmpty()) {
        QString ignored;
        processes.startDetached(program, {folder}, &ignored);
    }
}

#ifndef Q_OS_WIN
QString DataHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}
#endif

#ifdef Q_OS_WIN
// The class root as the user's programs see it: the user's own classes
// (HKEY_CURRENT_USER\Software\Classes) over the machine's. Writes go to the
// user's classes, which need no administrator and which the file manager
// reads first. QSettings maps "Default" to a key's unnamed value and keeps
// every value a REG_SZ string.
class RegistryClassRoot final : public ClassRoot {
public:
    RegistryClassRoot()
        : user_(QStringLiteral("HKEY_CURRENT_USER\\Software\\Classes"), QSettings::NativeFormat),
          machine_(QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Classes"),
                   QSettings::NativeFormat) {}

    QString readValue(const QString& key, const QString& valueName) const override {
        QVariant v = user_.value(path(key, valueName));
        if (!v.isValid()) {
            v = machine_.value(path(key, valueName));
        }
        if (v.typeId() != QMetaType::QString) {
            return QString();
        }
        QString text = v.toString();
        const qsizetype nul = text.indexOf(QChar(u'\0'));
        return nul < 0 ? text : text.left(nul);
    }
    bool writeValue(const QString& key, const QString& valueName, const QString& data) override {
        user_.setValue(path(key, valueName), data);
        user_.sync();
        return user_.status() == QSettings::NoError;
    }
    void deleteKey(const QString& key) override {
        user_.remove(QSettingsKey(key));
        user_.sync();
    }

private:
    // QSettings divides keys at "/" only; a "\\" would end up inside one
    // value's name.
    static QString QSettingsKey(const QString& key) {
        return QString(key).replace(QLatin1Char('\\'), QLatin1Char('/'));
    }
    static QString path(const QString& key, const QString& valueName) {
        return QSettingsKey(key) + QLatin1Char('/') +
               (valueName.isEmpty() ? QStringLiteral("Default") : valueName);
    }
    mutable QSettings user_;
    mutable QSettings machine_;
};
#endif

}  // namespace

QString ClassRootVerbCommand(const QString& programFolder, const QString& flags) {
    QString folder = programFolder;
    if (!folder.endsWith(QLatin1Char('\\'))) {
        folder += QLatin1Char('\\');
    }
    // The program goes in quotes too: unquoted, a folder with blanks
    // ("C:\Program Files\...") would make Windows start the wrong program.
    return QLatin1Char('"') + folder + QStringLiteral("Wayfold.exe\" \"%1\" ") + flags;
}

bool ClassRootVerbsRegistered(const ClassRoot& root) {
    const QString locClass = root.readValue(FileTypes().front().extension, QString());
    if (locClass.isEmpty()) {
        return false;
    }
    return root.readValue(locClass + kShell + Text(kVerbs[0].key) + kCommand, QString())
        .contains(QLatin1String("/m /q"));
}

std::vector<UserMessage> RegisterClassRootVerbs(ClassRoot& root, const QString& programFolder) {
    std::vector<UserMessage> messages;
    const auto write = [&](const QString& key, const QString& valueName, const QString& data) {
        if (!root.writeValue(key, valueName, data)) {
            messages.push_back(
                {QStringLiteral("Error creating value ") + key + QLatin1Char('\\') + valueName});
        }
    };
    for (const FileType& type : FileTypes()) {
        const QString className = ClassOf(root, type);
        for (const Verb& verb : kVerbs) {
            const QString verbKey = className + kShell + Text(verb.key);
            write(verbKey, QString(), Text(verb.caption));
            write(verbKey + kCommand, QString(),
                  ClassRootVerbCommand(programFolder, Text(verb.flags)));
        }
        write(type.extension, QString(), className);
        write(type.extension, QStringLiteral("Content Type"), Text(type.registryType));
    }
    return messages;
}

void UnregisterClassRootVerbs(ClassRoot& root) {
    for (auto type = FileTypes().rbegin(); type != FileTypes().rend(); ++type) {
        const QString className = ClassOf(root, *type);
        for (const Verb& verb : kVerbs) {
            for (const char16_t* name : {verb.key, verb.oldKey}) {
                const QString verbKey = className + kShell + Text(name);
                root.deleteKey(verbKey + kCommand);
                root.deleteKey(verbKey);
            }
        }
    }
}

QString DesktopExecArgument(const QString& argument) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument) {
        quote = quote || reserved.contains(c);
    }
    QString out;
    if (quote) {
        out += QLatin1Char('"');
    }
    for (const QChar c : argument) {
        // Inside quotes these four take a backslash.
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\'))) {
            out += QLatin1Char('\\');
        }
        // A literal percent sign is doubled: "%" starts the field codes.
        if (c == QLatin1Char('%')) {
            out += QLatin1Char('%');
        }
        out += c;
    }
    if (quote) {
        out += QLatin1Char('"');
    }
    return out;
}

QString DesktopExecValue(const QString& programPath, const QString& flags) {
    // GLib looks for the program before it turns "%%" back into "%", and
    // finds no such file: a program whose path holds "%" is started by env.
    const QString program = programPath.contains(QLatin1Char('%'))
                                ? QStringLiteral("env ") + DesktopExecArgument(programPath)
                                : DesktopExecArgument(programPath);
    const QString line = program + QStringLiteral(" %f ") + flags;
    // The value is a string of the desktop entry itself, which has escapes of
    // its own: every backslash is doubled, control characters are written out.
    QString value;
    for (const QChar c : line) {
        if (c == QLatin1Char('\\')) {
            value += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('\n')) {
            value += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            value += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\r')) {
            value += QStringLiteral("\\r");
        } else {
            value += c;
        }
    }
    return value;
}

bool DesktopVerbsRegistered(const QString& dataHome) {
    return DesktopExec(ApplicationsFolder(dataHome) + QLatin1Char('/') +
                       Text(MapSourceDesktopEntry))
        .contains(QLatin1String("/m /q"));
}

std::vector<UserMessage> RegisterDesktopVerbs(const QString& dataHome, const QString& programPath,
                                              ProcessStarter& processes) {
    std::vector<UserMessage> messages;
    // env would take such a path for a variable to set.
    if (programPath.contains(QLatin1Char('%')) && programPath.contains(QLatin1Char('='))) {
        messages.push_back(
            {QStringLiteral("The LOC/GPX context menu items cannot be registered for a program "
                            "whose path holds both \"%\" and \"=\" (") +
                 programPath + QStringLiteral("). Move Wayfold to another folder."),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return messages;
    }
    const QString applications = ApplicationsFolder(dataHome);
    for (const Verb& verb : kVerbs) {
        WriteWholeFile(applications + QLatin1Char('/') + Text(verb.desktopEntry),
                       DesktopEntryText(verb, programPath), messages);
    }
    const QString mime = MimeFolder(dataHome);
    WriteWholeFile(mime + QStringLiteral("/packages/") + Text(MimePackage), MimePackageText(),
                   messages);
    Refresh(processes, QStringLiteral("update-mime-database"), mime);
    Refresh(processes, QStringLiteral("update-desktop-database"), applications);
    return messages;
}

void UnregisterDesktopVerbs(const QString& dataHome, ProcessStarter& processes) {
    const QString applications = ApplicationsFolder(dataHome);
    for (const Verb& verb : kVerbs) {
        for (const QString& name :
             {Text(verb.desktopEntry), Text(verb.key) + QStringLiteral(".desktop"),
              Text(verb.oldKey) + QStringLiteral(".desktop")}) {
            QFile::remove(applications + QLatin1Char('/') + name);
        }
    }
    // The mime package stays: other programs may rely on the types it gives.
    Refresh(processes, QStringLiteral("update-desktop-database"), applications);
}

bool ShellVerbsRegistered() {
#ifdef Q_OS_WIN
    return ClassRootVerbsRegistered(RegistryClassRoot());
#else
    return DesktopVerbsRegistered(DataHome());
#endif
}

std::vector<UserMessage> SetShellVerbs(bool on, const QString& programPath,
                                       ProcessStarter& processes) {
#ifdef Q_OS_WIN
    Q_UNUSED(processes);
    RegistryClassRoot root;
    if (on) {
        return RegisterClassRootVerbs(
            root, QDir::toNativeSeparators(QFileInfo(programPath).absolutePath()));
    }
    UnregisterClassRootVerbs(root);
    return {};
#else
    if (on) {
        return RegisterDesktopVerbs(DataHome(), programPath, processes);
    }
    UnregisterDesktopVerbs(DataHome(), processes);
    return {};
#endif
}
