#include "session/formats.h"

#include <algorithm>

#include "locgpx/fieldnotes.h"
#include "locgpx/ggzwriter.h"
#include "locgpx/gpxreader.h"
#include "locgpx/gpxwriter.h"
#include "locgpx/locreader.h"
#include "locgpx/locwriter.h"
#include "locgpx/pocketquery.h"
#include "locgpx/terrabytewriter.h"
#include "mapsource/gdbreader.h"
#include "mapsource/gdbwriter.h"
#include "mapsource/mpsreader.h"
#include "mapsource/mpswriter.h"
#include "session/garmindevice.h"
#include "session/mapsourcelauncher.h"

namespace {

constexpr ShellFileType kLocType = {u"TopoGrafix.Document", u"application/xml-loc",
                                    u"application/xml-loc", u"Geocache LOC waypoint file"};
constexpr ShellFileType kGpxType = {u"GPX.Document", u"application/xml-gpx", u"application/gpx+xml",
                                    u"GPS exchange file"};

// The LOC reader tells the two LOC formats apart by their contents, so the
// TerraByte row has no reader of its own.
const FileFormat kFormats[] = {
    {"mps", 0, "Make MPS File", "Mapsource &MPS File...", "Save Mapsource File As...",
     "Mapsource Files", "mps", 's',
     "/s:mps_save : Save imported waypoints to file mps_save as a Mapsource MPS file",
     "[/s:mps_save]", &ReadMpsFile, &WriteMpsFile, &EncodeMpsFile, nullptr},
    {"gdb", 1, "Make GDB File", "Mapsource &GDB File...", "Save Garmin Database File As...",
     "Garmin Database Files", "gdb", 'g',
     "/g:gdb_save : Save imported waypoints to file gdb_save as a Mapsource GDB file", nullptr,
     &ReadGdbFile, &WriteGdbFile, &EncodeGdbFile, nullptr},
    {"terrabyte", 3, "Make TerraByte LOC File", "&TerraByte LOC File...", "Save .LOC File As...",
     "LOC Files", "loc", 'e',
     "/e:loc_save : Save imported waypoints to file loc_save as a TerraByte LOC file",
     "[/e:loc_save]", nullptr, &WriteTerraByteFile, &EncodeTerraByteFile, nullptr},
    {"loc", 2, "Make Geocaching.com LOC File", "Geocaching.com &LOC File (XML)...",
     "Save .LOC File As...", "LOC Files", "loc", 'l',
     "/l:loc_save : Save imported waypoints to file loc_save as an XML LOC file", "[/l:loc_save]",
     &ReadLocFile, &WriteLocFile, &EncodeLocFile, &kLocType},
    {"gpx", 7, "Make GPX File (Garmin devices, BaseCamp)",
     "GP&X File (Garmin devices, BaseCamp)...", "Save GPX File As...", "GPX Files", "gpx", 'x',
     "/x:gpx_save : Save imported waypoints to file gpx_save as a GPX file", "[/x:gpx_save]",
     &ReadGpxFile, &WriteGpxFile,
     [](WaypointStore& store, const Options& options) {
         return EncodeGpxFile(store, options, GpxCreator());
     },
     &kGpxType, nullptr, true},
    // The caches alone, zipped and indexed for the devices that read large sets.
    {"ggz", 10, "Make GGZ File (Garmin, large sets)", "GG&Z File (Garmin, large sets)...",
     "Save GGZ File As...", "GGZ Files", "ggz", 'z',
     "/z:ggz_save : Save the imported caches to file ggz_save as a GGZ file (Garmin, large sets)",
     "[/z:ggz_save]", nullptr, &WriteGgzFile,
     [](WaypointStore& store, const Options& options) { return EncodeGgzFile(store, options); },
     nullptr, nullptr, true},
    // What a device logged in the field: read from its visits file, written
    // as field notes for the listing site.
    {"fieldnotes", 9, "Make Field Notes File (a device's visits)", "&Field Notes File...",
     "Save Field Notes File As...", "Field Notes Files", "txt", 'f',
     "/f:notes.txt : Save the visits read from a device to file notes.txt as field notes",
     "[/f:notes.txt]", &ReadVisitsFile, &WriteFieldNotesFile, &EncodeFieldNotes, nullptr,
     "geocache_visits.txt"},
    // Pocket queries come as ZIP archives of GPX files. The shell verbs leave
    // ZIP files alone: most of them hold something else.
    {"zip", -1, nullptr, nullptr, nullptr, nullptr, "zip", 0, nullptr, nullptr, &ReadZipFile,
     nullptr, nullptr, nullptr},
};

// MapSource reads MPS files in every version; GDB files only from the
// folder the user stored, where the version that reads them is known to be.
const Destination kDestinations[] = {
    {"mapsource", 5, "Open in Mapsource (MPS)", "Open in Mapsource (M&PS)...", 'm', false,
     "/m : Export imported waypoints to Mapsource as an MPS file", "[/m]", "mps", "MPS",
     "Unable to create temporary file",
     [](Session& session, const QString& file, const QString&) { OpenInMapSource(session, file); }},
    {"mapsource6", 6, "Open in Mapsource (GDB)", "Open in Mapsource (G&DB)...", '6', false,
     "/6 : Export imported waypoints to Mapsource as a GDB file", nullptr, "gdb", "GDB",
     "Unable to create temporary GDB file",
     [](Session& session, const QString& file, const QString&) {
         OpenInStoredMapSource(session, file);
     }},
    // The whole listing as GPX into the device's GPX folder.
    {"garmin", 8, "Send to Garmin device", "Send to &Garmin Device...", 'd', true,
     "/d[:device] : Send imported waypoints as a GPX file to the Garmin device (mounted at "
     "device)",
     "[/d[:device]]", "gpx", "GPX", "Unable to create temporary GPX file", &SendToGarminDevice},
};

// The end of the names of the files the row's reader takes.
QString ReadEnding(const FileFormat& format) {
    return format.readName != nullptr ? QLatin1String(format.readName)
                                      : QLatin1Char('.') + QLatin1String(format.extension);
}

}  // namespace

std::span<const FileFormat> FileFormats() {
    return kFormats;
}

std::span<const Destination> Destinations() {
    return kDestinations;
}

const FileFormat* FormatById(const QString& id) {
    const auto it = std::ranges::find_if(
        kFormats, [&id](const FileFormat& f) { return id == QLatin1String(f.id); });
    return it == std::end(kFormats) ? nullptr : &*it;
}

const FileFormat* ReaderForPath(const QString& path) {
    for (const FileFormat& format : kFormats) {
        if (format.read != nullptr && path.endsWith(ReadEnding(format), Qt::CaseInsensitive)) {
            return &format;
        }
    }
    return nullptr;
}

QStringList ImportablePatterns() {
    QStringList patterns;
    for (const FileFormat& format : kFormats) {
        const QString pattern = u'*' + ReadEnding(format);
        if (format.read != nullptr && !patterns.contains(pattern)) {
            patterns.push_back(pattern);
        }
    }
    return patterns;
}

const std::vector<GenerateEntry>& GenerateList() {
    static const std::vector<GenerateEntry> list = [] {
        std::vector<GenerateEntry> entries;
        const auto place = [&entries](int at) -> GenerateEntry& {
            if (at >= static_cast<int>(entries.size())) {
                entries.resize(static_cast<size_t>(at) + 1);
            }
            return entries[static_cast<size_t>(at)];
        };
        for (const FileFormat& format : kFormats) {
            if (format.listPlace >= 0) {
                place(format.listPlace).format = &format;
            }
        }
        for (const Destination& destination : kDestinations) {
            place(destination.listPlace).destination = &destination;
        }
        return entries;
    }();
    return list;
}
