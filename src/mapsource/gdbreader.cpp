// GDB files of format version "k": the user waypoints are imported, every
// other record is passed over by its Length, and the map-set record ends the
// reading whatever follows it. The whole file is read before anything reaches
// the store, so a refusal or a cancel leaves the store as it was.
#include "mapsource/gdbreader.h"

#include "core/ansi.h"
#include "mapsource/mapsourceinput.h"

namespace {

UserMessage UnknownFormatMessage(QByteArrayView version) {
    return {QStringLiteral("GDB is in an unknown format:  ") + ShownBytes(version) +
                QStringLiteral("\r\nPlease inform the program author and send the GDB file you "
                               "are trying to import"),
            QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}

// MapSource writes "MapSource"; files spelt "Mapsource" exist as well (our own
// writer spells it so), and both are the same program's databases.
bool KnownApplication(QByteArrayView name) {
    return name == "MapSource" || name == "Mapsource";
}

}  // namespace

ImportResult ReadGdbFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    const LoadedFile file = LoadMapSourceFile(path);
    if (file.refusal) {
        return Refusal(*file.refusal);
    }
    return ReadGdbBytes(file.bytes, path, store, progress);
}

ImportResult ReadGdbBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress) {
    if (std::optional<UserMessage> refusal = CheckSignature(bytes, path, MapSourceFormat::Gdb)) {
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
                if (version != QByteArrayView("k\0", 2)) {
                    return Refusal(UnknownFormatMessage(version));
                }
                break;
            }
            case 'A': {
                record.data.i16();
                if (!record.data.ok()) {
                    return Refusal(DamagedFileMessage(path, ShortRecordReason(record)));
                }
                const qint64 nameStart = file.offset();
                const QByteArrayView name = file.text();
                if (!file.ok()) {
                    return Refusal(DamagedFileMessage(
                        path, QStringLiteral("the file ends inside the application name at byte %1")
                                  .arg(nameStart)));
                }
                if (!KnownApplication(name)) {
                    return Refusal({QStringLiteral("That's not a valid MapSource GDB!\r\n*") +
                                        DecodeAnsi(name.data(), name.size()) + QLatin1Char('*'),
                                    QStringLiteral("Wayfold"), MessageIcon::Exclamation});
                }
                break;
            }
            case 'W':
                switch (ImportWaypointRecord(record, MapSourceFormat::Gdb, added, progress,
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
                return Accept(std::move(added), store);
            default:
                return Refusal(UnknownRecordMessage(record.type, MapSourceFormat::Gdb));
        }
    }
}
