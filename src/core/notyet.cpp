// Entry points whose implementation has not landed yet. Each reports plainly
// that the function is not available, so that a run never pretends success.
#include "core/exporter.h"
#include "core/session.h"

namespace {

UserMessage NotYetAvailable(const QString& what) {
    return {what + QStringLiteral(" is not available yet in this version of Wayfold."),
            QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

}  // namespace

void ExportFile(Session& session, ExportKind, const QString&) {
    session.report(NotYetAvailable(QStringLiteral("Writing files")));
}

void OpenInMapSource(Session& session, ExportKind) {
    session.report(NotYetAvailable(QStringLiteral("Opening MapSource")));
}
