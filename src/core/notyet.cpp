// Entry points whose implementation has not landed yet. Each reports plainly
// that the function is not available, so that a run never pretends success.
#include "core/exporter.h"
#include "core/session.h"
#include "locgpx/gpxreader.h"
#include "locgpx/locreader.h"

namespace {

ImportResult NotYetAvailable(const QString& what) {
    ImportResult r;
    r.messages.push_back(
        {what + QStringLiteral(" is not available yet in this version of Wayfold."),
         QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    return r;
}

}  // namespace

ImportResult ReadLocFile(const QString&, WaypointStore&, ImportProgress&) {
    return NotYetAvailable(QStringLiteral("Reading LOC files"));
}
ImportResult ReadGpxFile(const QString&, WaypointStore&, ImportProgress&) {
    return NotYetAvailable(QStringLiteral("Reading GPX files"));
}

void ExportFile(Session& session, ExportKind, const QString&) {
    session.report(NotYetAvailable(QStringLiteral("Writing files")).messages.front());
}

void OpenInMapSource(Session& session, ExportKind) {
    session.report(NotYetAvailable(QStringLiteral("Opening MapSource")).messages.front());
}
