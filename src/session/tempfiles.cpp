#include "session/tempfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "session/session.h"

std::optional<QString> CreateTemporaryFile(const QString& folder, const QString& prefix) {
    QTemporaryFile file(folder + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX") +
                        QLatin1String(TemporarySuffix));
    file.setAutoRemove(false);
    if (!file.open()) {
        return std::nullopt;
    }
    const QString path = QFileInfo(file.fileName()).absoluteFilePath();
    file.close();
    return path;
}

void DeleteTemporaryFiles(Session& session) {
    const QDateTime now = session.nowUtc();
    QStringList kept;
    for (const QString& path : session.TemporaryFiles) {
        if (path.isEmpty()) {
            continue;
        }
        const auto handedOver = session.temporaryFilesHandedOver.constFind(path);
        if (handedOver != session.temporaryFilesHandedOver.constEnd() &&
            handedOver->secsTo(now) < HandOverSeconds) {
            kept.push_back(path);
            continue;
        }
        QFile::remove(path);
    }
    session.TemporaryFiles = kept;
}

void DeleteStaleTemporaryFiles(const QString& folder, const QDateTime& nowUtc) {
    const QString suffix = QLatin1String(TemporarySuffix);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {QStringLiteral("MPS*") + suffix, QStringLiteral("GDB*") + suffix},
        QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // Exactly our names: prefix, six characters, suffix.
        if (entry.fileName().size() != 3 + 6 + suffix.size()) {
            continue;
        }
        if (entry.lastModified().toUTC().secsTo(nowUtc) > 24 * 60 * 60) {
            QFile::remove(entry.absoluteFilePath());
        }
    }
}
