#include "session/importer.h"

#include <QDir>
#include <QFileInfo>

#include "session/formats.h"
#include "session/garmindevice.h"
#include "session/session.h"

namespace {

const QString kClearCaption = QStringLiteral("Clear Imports");
const QString kCancelCaption = QStringLiteral("Cancel Import..");

// The session's side of a running import.
class SessionImportProgress final : public ImportProgress {
public:
    SessionImportProgress(Session& session, const QString& path)
        : session_(session), path_(path), labelled_(session.store.Waypoints.size()) {}

    void showRunningTotal(qint32 total) override { UpdateStatus(session_, total); }
    void showCurrentImport(qint32 count) override {
        session_.frontend.setStatusText(
            2, QStringLiteral("Current import: ") + QString::number(count));
    }
    void letEventsThrough() override {
        // The window may show the new records now.
        labelNewRecords();
        session_.frontend.processEvents();
    }
    bool takeCancelRequest() override {
        const bool requested = session_.CancelImport;
        session_.CancelImport = false;
        cancelled_ = cancelled_ || requested;
        return requested;
    }
    bool cancelled() const { return cancelled_; }
    void showFileProgress(qint64 done, qint64 total) override {
        session_.frontend.setProgress(done, total);
    }

    // Every record added since the last call carries the file's path, unless
    // the reader named a part of the file (an archive's entry). A reader that
    // took records back may add others in their places.
    void labelNewRecords() {
        std::vector<Waypoint>& records = session_.store.Waypoints;
        for (size_t i = std::min(labelled_, records.size()); i < records.size(); ++i) {
            if (records[i].File.isEmpty()) {
                records[i].File = path_;
            }
        }
        labelled_ = records.size();
    }

private:
    Session& session_;
    const QString& path_;
    size_t labelled_;
    bool cancelled_ = false;
};

}  // namespace

FileNameParts SplitFileName(const QString& path) {
#ifdef Q_OS_WIN
    const qsizetype slash =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
#else
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
#endif
    const QString fileName = path.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return {QString(), fileName};
    }
    return {fileName.mid(dot), fileName.left(dot)};
}

bool ImportFile(Session& session, const QString& given) {
    if (session.importRunning || session.windowClosed) {
        return false;
    }
    // A Garmin device's mount point imports the visits it logged; another
    // folder that no reader's extension names is said to be one.
    QString path = given;
    if (QFileInfo(given).isDir()) {
        const std::optional<GarminDevice> device = ReadGarminDevice(given);
        if (device && QFileInfo(device->visitsFile).isFile()) {
            path = device->visitsFile;
        } else if (ReaderForPath(given) == nullptr) {
            session.report({QStringLiteral("Can't import ") + QDir::toNativeSeparators(given) +
                                QStringLiteral(": it is a folder, and no Garmin device with a "
                                               "visits file (Garmin/geocache_visits.txt)."),
                            QStringLiteral("Wayfold"), MessageIcon::Information});
            return true;
        }
    }
    const FileNameParts parts = SplitFileName(path);
    session.lastImportBaseName = parts.baseName;

    const FileFormat* format = ReaderForPath(path);

    ImportResult imported;
    bool cancelled = false;
    const qint32 before = session.store.WaypointCount();
    if (format == nullptr) {
        imported.messages.push_back({QStringLiteral("Can't import files of type ") +
                                         parts.extension.toUpper() + QStringLiteral("\r\n"),
                                     QStringLiteral("Wayfold"), MessageIcon::Information});
    } else {
        session.importRunning = true;
        session.CancelImport = false;
        session.frontend.setClearCaption(kCancelCaption);
        SessionImportProgress progress(session, path);
        session.importedFiles.insert(QFileInfo(path).absoluteFilePath());
        imported = format->read(path, session.store, progress);
        progress.labelNewRecords();
        cancelled = progress.cancelled();
        session.frontend.setProgress(0, 0);
        session.importRunning = false;
    }
    for (const UserMessage& message : imported.messages) {
        session.report(message);
    }
    UpdateStatus(session, session.store.WaypointCount(), imported.result);
    if (cancelled) {
        // What of the file stays after a cancel, which the count alone does not say.
        session.frontend.setStatusText(2,
                                       QStringLiteral("Import of %1 cancelled: %2 waypoints kept")
                                           .arg(parts.baseName + parts.extension)
                                           .arg(session.store.WaypointCount() - before));
    }
    session.frontend.setClearCaption(kClearCaption);
    session.frontend.importFinished();
    return true;
}

void UpdateStatus(Session& session, std::optional<qint32> total, std::optional<qint32> last) {
    Frontend& f = session.frontend;
    if (!total) {
        f.setStatusText(1, QStringLiteral("Imported waypoints: 0"));
        f.setExportCaption(QStringLiteral("Export New File - 0 waypoints"));
        f.setStatusText(2, QString());
        return;
    }
    f.setStatusText(1, QStringLiteral("Imported waypoints: ") + QString::number(*total));
    f.setExportCaption(QStringLiteral("Export New File - ") + QString::number(*total) +
                       QStringLiteral(" waypoints"));
    if (last) {
        f.setStatusText(2, QStringLiteral("Last Import: ") + QString::number(*last));
    }
}

void ClearOrCancel(Session& session) {
    if (session.importRunning) {
        session.CancelImport = true;
        return;
    }
    ClearStore(session.store);
    session.frontend.storeChanged();
    UpdateStatus(session);
}
