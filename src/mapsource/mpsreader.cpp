// MPS files: the user waypoints are imported; routes, tracks and maps are
// passed over by their Length. The whole file is read before anything reaches
// the store, so a refusal or a cancel leaves the store as it was.
#include "mapsource/mpsreader.h"

#include "mapsource/mapsourceinput.h"

namespace {

UserMessage UnknownFormatMessage(QByteArrayView version) {
    return {QStringLiteral("MPS is in an unknown format:  ") + ShownBytes(version.first(1)) +
                QStringLiteral("\r\nPlease inform the program author and send the MPS file you "
                               "are trying to import"),
            QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

bool KnownVersion(QByteArrayView version) {
    return version[1] == '\0' && (version[0] == 'g' || version[0] == 'h' || version[0] == 'i');
}

}  // namespace

ImportResult ReadMpsFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    const LoadedFile file = LoadMapSourceFile(path);
    if (file.refusal) {
        return Refusal(*file.refusal);
    }
    return ReadMpsBytes(file.bytes, path, store, progress);
}

ImportResult ReadMpsBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress) {
    if (std::optional<UserMessage> refusal = CheckSignature(bytes, path, MapSourceFormat::Mps)) {
        return Refusal(*refusal);
    }
    ByteReader file(bytes);
    file.skip(6);
    std::vector<Waypoint> added;
    for (;;) {
        if (file.atEnd()) {
            return Refusal(DamagedFileMessage(
                path, QStringLiteral("the file ends at byte %1 without its map-set record")
                          .arg(file.offset())));
        }
        Record record;
        if (std::optional<QString> reason = NextRecord(file, record)) {
            return Refusal(DamagedFileMessage(path, *reason));
        }
        switch (record.type) {
            case 'D': {
                const QByteArrayView version = record.data.bytes(2);
                if (!record.data.ok()) {
                    return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                }
                if (!KnownVersion(version)) {
                    return Refusal(UnknownFormatMessage(version));
                }
                break;
            }
            case 'A':
                record.data.i16();
                if (!record.data.ok()) {
                    return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                }
                break;
            case 'W':
                switch (ImportWaypointRecord(record, MapSourceFormat::Mps, added, progress,
                                             bytes.size())) {
                    case WaypointStep::Cancelled:
                        return {};
                    case WaypointStep::Damaged:
                        return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                    case WaypointStep::Kept:
                    case WaypointStep::Skipped:
                        break;
                }
                break;
            case 'R':
            case 'T':
            case 'L':
                break;
            case 'V':
                // A few stray bytes after the map set are no further record.
                if (file.bytesLeft() < 6) {
                    return Accept(std::move(added), store);
                }
                break;
            default:
                return Refusal(UnknownRecordMessage(record.type, MapSourceFormat::Mps));
        }
    }
}
