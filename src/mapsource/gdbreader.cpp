// GDB files of format versions 1, 2 and 3 (letters "k", "l" and "m"), as
// MapSource 5 and 6 and BaseCamp write them: the user waypoints are imported,
// every other record is passed over by its Length, and the map-set record ends
// the reading whatever follows it. The whole file is read before anything
// reaches the store, so a refusal or a cancel leaves the store as it was. The
// layouts are described in mapsourceinput.cpp.
#include "mapsource/gdbreader.h"

#include "core/ansi.h"
#include "mapsource/mapsourceinput.h"

namespace {

std::optional<UserMessage> CheckVersion(QByteArrayView version, WaypointLayout& layout,
                                        const QString& path) {
    // Version 2 differs from version 1 only in records we skip.
    if (version == QByteArrayView("k\0", 2) || version == QByteArrayView("l\0", 2)) {
        layout = WaypointLayout::Gdb1;
        return std::nullopt;
    }
    if (version == QByteArrayView("m\0", 2)) {
        layout = WaypointLayout::Gdb3;
        return std::nullopt;
    }
    return UnknownFormatMessage(path, MapSourceFormat::Gdb, version);
}

// The application name after the application record. MapSource writes
// "MapSource"; files spelt "Mapsource" exist as well, and BaseCamp writes
// "BaseCamp" into the same format.
std::optional<UserMessage> ReadApplicationName(ByteReader& file, const QString& path) {
    const qint64 nameStart = file.offset();
    const QByteArrayView name = file.text();
    if (!file.ok()) {
        return DamagedFileMessage(
            path,
            QStringLiteral("the file ends inside the application name at byte %1").arg(nameStart));
    }
    if (name == "MapSource" || name == "Mapsource" || name == "BaseCamp") {
        return std::nullopt;
    }
    return RefusedFileMessage(path, QStringLiteral("That's not a valid MapSource GDB!\r\n*") +
                                        DecodeAnsi(name.data(), name.size()) + QLatin1Char('*'));
}

const RecordRules kGdb{MapSourceFormat::Gdb, &CheckVersion, &ReadApplicationName, true};

}  // namespace

ImportResult ReadGdbFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    return ReadMapSourceFile(path, kGdb, store, progress);
}

ImportResult ReadGdbBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress) {
    return ReadMapSourceBytes(bytes, path, kGdb, store, progress);
}
