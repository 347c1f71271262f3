// XML LOC files, as the geocache listing site hands them out:
//
//   <loc version="1.0" src="...">
//     <waypoint>
//       <name id="GC1234"><![CDATA[Cache title by owner]]></name>
//       <coord lat="47.5" lon="7.25"/>
//       <type>geocache</type>
//       <link text="Cache Details">https://...</link>
//     </waypoint>
//     ...
//   </loc>
//
// The root is recognised by its local name; the waypoint children and the
// items inside them by their names as written, the first of each name
// counting. A .loc file that is not XML at all is a TerraByte LOC file, or
// nothing this program reads.
#include "locgpx/locreader.h"

#include <atomic>

#include "locgpx/terrabytereader.h"
#include "locgpx/xmlimport.h"
#include "locgpx/xmlinput.h"

namespace {

// The geodashing game's home page: the link of a waypoint that has none.
const QString kMissingUrl = QStringLiteral("http://geodashing.gpsgames.org/");
const QString kMissingLinkText = QStringLiteral("Replacement Text");

}  // namespace

ImportResult ReadLocFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    // Counted by the readers of every batch.
    std::atomic<qint32> withoutName = 0;
    std::atomic<qint32> withoutCoordinates = 0;
    const auto makeReader = [&]() -> ElementReader {
        return [&](const pugi::xml_node& element, std::string_view) -> std::optional<ReadWaypoint> {
            const pugi::xml_node name = element.child("name");
            if (!name) {
                ++withoutName;
                return std::nullopt;
            }
            const pugi::xml_node coord = element.child("coord");
            std::optional<ReadWaypoint> read =
                WaypointAt(coord.attribute("lat"), coord.attribute("lon"), withoutCoordinates);
            if (!read) {
                return std::nullopt;
            }
            Waypoint& w = read->waypoint;
            w.Symbol = NotSet;
            w.Description = ElementText(name);
            const pugi::xml_attribute id = name.attribute("id");
            w.Name = id ? AttributeText(id) : w.Description;
            const pugi::xml_node link = element.child("link");
            w.Url = link ? ElementText(link) : kMissingUrl;
            const pugi::xml_attribute linkText = link.attribute("text");
            w.LinkName = linkText ? AttributeText(linkText) : kMissingLinkText;
            return read;
        };
    };
    ResetCoordinates reset;
    const auto add = [&](ReadWaypoint&& read) {
        SetCoordinates(store, read.latitude, read.longitude, read.latitudeText, read.longitudeText,
                       read.waypoint, reset);
        store.Waypoints.push_back(std::move(read.waypoint));
    };

    const XmlImportRun run =
        RunXmlImport(path, "loc", "waypoint", store, progress, makeReader, add);
    if (run.end == XmlImportEnd::ParseError) {
        ImportResult result = ReadTerraByteFile(path, store, progress);
        if (result.result < 0) {
            result.messages.push_back(ParseErrorMessage(path, run.problem));
        }
        return result;
    }
    return XmlImportResult(run, path, QStringLiteral("Error 808: Invalid LOC file!"),
                           {{"waypoint elements without a name element", withoutName.load()},
                            {"waypoint elements without the lat or lon attribute of coord",
                             withoutCoordinates.load()}},
                           reset);
}
