#include "core/exporter.h"

#include "mapsource/launcher.h"

void OpenInMapSource(Session& session, ExportKind kind) {
    if (kind == ExportKind::OpenGdb) {
        OpenGdbInMapSource(session);
    } else {
        OpenMpsInMapSource(session);
    }
}
