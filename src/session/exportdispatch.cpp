#include "session/exportdispatch.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

#include "core/options.h"
#include "core/textutil.h"
#include "session/exporter.h"
#include "session/formats.h"
#include "session/optionstore.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "session/timeentry.h"

namespace {

const QString kGenerateMode = QStringLiteral("Generate Mode");
const QString kExportDir = QStringLiteral("ExportDir");

// The name the save dialog proposes in folder: the base name with the
// format's extension, numbered ("-2", "-3" ...) when that is a file this run
// imported, which a click on Save would otherwise replace.
QString ProposedName(const Session& session, const QString& folder, const QString& baseName,
                     const QString& extension) {
    QString name = baseName + QLatin1Char('.') + extension;
    for (int n = 2;
         session.importedFiles.contains(QFileInfo(QDir(folder), name).absoluteFilePath()); ++n) {
        name = baseName + QLatin1Char('-') + QString::number(n) + QLatin1Char('.') + extension;
    }
    return name;
}

}  // namespace

QStringList GenerateListTexts() {
    QStringList texts;
    for (const GenerateEntry& entry : GenerateList()) {
        texts.push_back(entry.format        ? QLatin1String(entry.format->listCaption)
                        : entry.destination ? QLatin1String(entry.destination->listCaption)
                                            : QLatin1String("-----------------------"));
    }
    return texts;
}

QStringList ExportMenuTexts() {
    QStringList texts;
    for (const GenerateEntry& entry : GenerateList()) {
        texts.push_back(entry.format        ? QLatin1String(entry.format->menuCaption)
                        : entry.destination ? QLatin1String(entry.destination->menuCaption)
                                            : QString());
    }
    return texts;
}

int DefaultGenerateMode() {
    const std::vector<GenerateEntry>& list = GenerateList();
    const auto separator = std::ranges::find_if(list, &GenerateEntry::separator);
    return static_cast<int>(separator - list.begin());
}

int StoredGenerateMode(const SettingsStore& settings) {
    const double stored = std::nearbyint(
        LeadingNumber(settings.valueOr(kGenerateMode, QString::number(DefaultGenerateMode()))));
    // A number the list cannot select (a hand-edited store) must not keep the
    // window from opening; it falls back to the first-run choice.
    if (stored < -1 || stored >= static_cast<double>(GenerateList().size())) {
        return DefaultGenerateMode();
    }
    return static_cast<int>(stored);
}

void StoreGenerateMode(SettingsStore& settings, int index) {
    SaveOption(settings, kGenerateMode, QString::number(index));
}

FileDialogRequest SaveDialogRequest(const FileFormat& format, const QString& baseName) {
    const QString extension = QLatin1String(format.extension);
    FileDialogRequest request;
    request.title = QLatin1String(format.saveTitle);
    request.defaultExtension = extension;
    request.filter = QLatin1String(format.saveFiles) +
                     QStringLiteral(" (*.%1)|*.%1|All Files (*.*)|*.*").arg(extension);
    request.fileName = baseName + QLatin1Char('.') + extension;
    return request;
}

void RunExport(Session& session, const ExportRequest& request) {
    // Exports read the store that a running reader is still filling.
    if (session.importRunning) {
        return;
    }
    if (request.timeNow) {
        const QString now = TakeCurrentTime(session);
        if (request.showTime) {
            request.showTime(now);
        }
    }
    if (session.store.WaypointCount() == 0) {
        session.tell({QStringLiteral("No waypoints to export"), QStringLiteral("Wayfold"),
                      MessageIcon::Information});
        return;
    }
    const std::vector<GenerateEntry>& list = GenerateList();
    if (request.index < 0 || request.index >= static_cast<int>(list.size())) {
        session.report({QStringLiteral("Error selecting function."),
                        QStringLiteral("Wayfold Error"), MessageIcon::Critical,
                        MessageButtons::OkCancel});
        return;
    }
    const GenerateEntry& entry = list[static_cast<size_t>(request.index)];
    if (entry.destination != nullptr) {
        SendToDestination(session, *entry.destination);
    } else if (entry.format != nullptr) {
        FileDialogRequest dialog = SaveDialogRequest(*entry.format, session.lastImportBaseName);
        // The folder of the last export, while it is there; else the browser's.
        const QString lastFolder = session.settings.valueOr(kExportDir, QString());
        dialog.folder =
            !lastFolder.isEmpty() && QFileInfo(lastFolder).isDir() ? lastFolder : request.folder;
        dialog.fileName = ProposedName(session, dialog.folder, session.lastImportBaseName,
                                       dialog.defaultExtension);
        const std::optional<QString> path = session.frontend.saveFileDialog(dialog);
        if (!path || path->isEmpty() || path->contains(QLatin1Char('*'))) {
            return;
        }
        if (ExportFile(session, *entry.format, *path)) {
            session.settings.setValue(kExportDir, QFileInfo(*path).absolutePath());
        }
    }
}
