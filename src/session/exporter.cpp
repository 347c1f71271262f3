#include "session/exporter.h"

#include "core/filewrite.h"
#include "session/formats.h"
#include "session/session.h"
#include "session/tempfiles.h"

namespace {

// Shows the busy pointer for as long as it lives.
class BusyPointer {
public:
    explicit BusyPointer(Frontend& frontend) : frontend_(frontend) { frontend_.setBusy(true); }
    ~BusyPointer() { frontend_.setBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Frontend& frontend_;
};

}  // namespace

bool ExportFile(Session& session, const FileFormat& format, const QString& path) {
    // Checked here for every caller, so that no writer ever creates a file
    // without waypoints (the command line reaches this with whatever it
    // imported, possibly nothing).
    if (session.store.WaypointCount() == 0) {
        session.report({QStringLiteral("No waypoints to export"), QStringLiteral("Wayfold"),
                        MessageIcon::Information});
        return false;
    }
    WriteResult result;
    {
        const BusyPointer busy(session.frontend);
        result = format.write(path, session.store, session.options);
        // Writers sort the store and may fill in fields; the window follows
        // before any message of the writer is shown.
        session.frontend.storeChanged();
    }
    for (const UserMessage& message : result.messages) {
        session.report(message);
    }
    return result.status == WriteResult::Written;
}

void SendToDestination(Session& session, const Destination& destination, const QString& argument) {
    // A command line that reaches a destination with nothing imported is
    // told so, as for the files.
    if (session.store.WaypointCount() == 0) {
        session.report({QStringLiteral("No waypoints to export"), QStringLiteral("Wayfold"),
                        MessageIcon::Information});
        return;
    }
    const FileFormat* format = FormatById(QLatin1String(destination.format));
    const std::optional<QString> path =
        CreateTemporaryFile(session.tempFolder, QLatin1String(destination.temporaryPrefix));
    if (format == nullptr || !path) {
        session.report({QLatin1String(destination.temporaryFailure), QStringLiteral("Wayfold"),
                        MessageIcon::Exclamation});
        return;
    }
    session.TemporaryFiles.push_back(*path);
    if (ExportFile(session, *format, *path)) {
        destination.handOver(session, *path, argument);
    }
}
