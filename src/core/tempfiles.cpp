#include "core/tempfiles.h"

#include <QFile>

#include "core/session.h"

void DeleteTemporaryFiles(Session& session) {
    for (const QString& path : session.TemporaryFiles) {
        if (!path.isEmpty()) {
            QFile::remove(path);
        }
    }
    session.TemporaryFiles.clear();
}
