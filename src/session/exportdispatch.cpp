#include "session/exportdispatch.h"

#include <cmath>

#include "core/options.h"
#include "core/textutil.h"
#include "session/optionstore.h"
#include "session/session.h"
#include "session/settingsstore.h"
#include "session/timeentry.h"

namespace {

const QString kGenerateMode = QStringLiteral("Generate Mode");

}  // namespace

QStringList GenerateListTexts() {
    return {
        QStringLiteral("Make MPS File"),
        QStringLiteral("Make GDB File"),
        QStringLiteral("Make Geocaching.com LOC File"),
        QStringLiteral("Make TerraByte LOC File"),
        QStringLiteral("-----------------------"),
        QStringLiteral("Open in Mapsource (MPS)"),
        QStringLiteral("Open in Mapsource (GDB)"),
        QStringLiteral("Make GPX File (Garmin devices, BaseCamp)"),
    };
}

QStringList ExportMenuTexts() {
    return {
        QStringLiteral("Mapsource &MPS File..."),
        QStringLiteral("Mapsource &GDB File..."),
        QStringLiteral("Geocaching.com &LOC File (XML)..."),
        QStringLiteral("&Terrabyte LOC File..."),
        QString(),
        QStringLiteral("Open in Mapsource (M&PS)..."),
        QStringLiteral("Open in Mapsource (G&DB)..."),
        QStringLiteral("GP&X File (Garmin devices, BaseCamp)..."),
    };
}

int StoredGenerateMode(const SettingsStore& settings) {
    const double stored = std::nearbyint(
        LeadingNumber(settings.valueOr(kGenerateMode, QString::number(DefaultGenerateMode))));
    // A number the list cannot select (a hand-edited store) must not keep the
    // window from opening; it falls back to the first-run choice.
    if (stored < -1 || stored >= GenerateEntryCount) {
        return DefaultGenerateMode;
    }
    return static_cast<int>(stored);
}

void StoreGenerateMode(SettingsStore& settings, int index) {
    SaveOption(settings, kGenerateMode, QString::number(index));
}

FileDialogRequest SaveDialogRequest(ExportKind kind, const QString& baseName) {
    struct Dialog {
        const char* title;
        const char* extension;
        const char* files;  // the filter's description of the kind's files
    };
    static constexpr Dialog mps = {"Save Mapsource File As...", "mps", "Mapsource Files"};
    static constexpr Dialog gdb = {"Save Garmin Database File As...", "gdb",
                                   "Garmin Database Files"};
    static constexpr Dialog loc = {"Save .LOC File As...", "loc", "LOC Files"};
    static constexpr Dialog gpx = {"Save GPX File As...", "gpx", "GPX Files"};
    const Dialog& d = kind == ExportKind::Mps   ? mps
                      : kind == ExportKind::Gdb ? gdb
                      : kind == ExportKind::Gpx ? gpx
                                                : loc;
    const QString extension = QString::fromLatin1(d.extension);
    FileDialogRequest request;
    request.title = QString::fromLatin1(d.title);
    request.defaultExtension = extension;
    request.filter = QString::fromLatin1(d.files) +
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
    if (request.index < 0 || request.index >= GenerateEntryCount) {
        session.report({QStringLiteral("Error selecting function."),
                        QStringLiteral("Wayfold Error"), MessageIcon::Critical,
                        MessageButtons::OkCancel});
        return;
    }
    const auto kind = static_cast<ExportKind>(request.index);
    switch (kind) {
        case ExportKind::Mps:
        case ExportKind::Gdb:
        case ExportKind::Loc:
        case ExportKind::TerraByte:
        case ExportKind::Gpx: {
            FileDialogRequest dialog = SaveDialogRequest(kind, session.lastImportBaseName);
            dialog.folder = request.folder;
            const std::optional<QString> path = session.frontend.saveFileDialog(dialog);
            if (!path || path->isEmpty() || path->contains(QLatin1Char('*'))) {
                return;
            }
            ExportFile(session, kind, *path);
            return;
        }
        case ExportKind::Separator:
            return;
        case ExportKind::OpenMps:
        case ExportKind::OpenGdb:
            OpenInMapSource(session, kind);
            return;
    }
}
