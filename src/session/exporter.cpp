#include "session/exporter.h"

#include "core/filewrite.h"
#include "locgpx/gpxwriter.h"
#include "locgpx/locwriter.h"
#include "locgpx/terrabytewriter.h"
#include "mapsource/gdbwriter.h"
#include "mapsource/mpswriter.h"
#include "session/launcher.h"
#include "session/session.h"

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

bool ExportFile(Session& session, ExportKind kind, const QString& path) {
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
        switch (kind) {
            case ExportKind::Mps:
                result = WriteMpsFile(path, session.store, session.options);
                break;
            case ExportKind::Gdb:
                result = WriteGdbFile(path, session.store, session.options);
                break;
            case ExportKind::Loc:
                result = WriteLocFile(path, session.store);
                break;
            case ExportKind::TerraByte:
                result = WriteTerraByteFile(path, session.store, session.options);
                break;
            case ExportKind::Gpx:
                result = WriteGpxFile(path, session.store, session.options);
                break;
            case ExportKind::Separator:
            case ExportKind::OpenMps:
            case ExportKind::OpenGdb:
                result.messages.push_back({QStringLiteral("Error selecting function."),
                                           QStringLiteral("Wayfold Error"), MessageIcon::Critical,
                                           MessageButtons::OkCancel});
                break;
        }
        // Writers sort the store and may fill in fields; the window follows
        // before any message of the writer is shown.
        session.frontend.storeChanged();
    }
    for (const UserMessage& message : result.messages) {
        session.report(message);
    }
    return result.status == WriteResult::Written;
}

void OpenInMapSource(Session& session, ExportKind kind) {
    // The launchers do nothing with an empty store; a command line that
    // reaches them with nothing imported is told so, as for the files.
    if (session.store.WaypointCount() == 0) {
        session.report({QStringLiteral("No waypoints to export"), QStringLiteral("Wayfold"),
                        MessageIcon::Information});
        return;
    }
    if (kind == ExportKind::OpenGdb) {
        OpenGdbInMapSource(session);
    } else {
        OpenMpsInMapSource(session);
    }
}
