// MPS files: the user waypoints are imported; routes, tracks and maps are
// passed over by their Length. The whole file is read before anything reaches
// the store, so a refusal or a cancel leaves the store as it was.
#include "mapsource/mpsreader.h"

#include "mapsource/mapsourceinput.h"

namespace {

std::optional<UserMessage> CheckVersion(QByteArrayView version, WaypointLayout& layout,
                                        const QString& path) {
    if (version[1] == '\0' && (version[0] == 'g' || version[0] == 'h' || version[0] == 'i')) {
        layout = WaypointLayout::Mps;
        return std::nullopt;
    }
    return UnknownFormatMessage(path, MapSourceFormat::Mps, version.first(1));
}

const RecordRules kMps{MapSourceFormat::Mps, &CheckVersion, nullptr, false};

}  // namespace

ImportResult ReadMpsFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    return ReadMapSourceFile(path, kMps, store, progress);
}

ImportResult ReadMpsBytes(QByteArrayView bytes, const QString& path, WaypointStore& store,
                          ImportProgress& progress) {
    return ReadMapSourceBytes(bytes, path, kMps, store, progress);
}
