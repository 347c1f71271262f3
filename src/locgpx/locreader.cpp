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

#include <cstring>

#include "core/textutil.h"
#include "locgpx/terrabytereader.h"
#include "locgpx/xmlimport.h"
#include "locgpx/xmlinput.h"

namespace {

// The geodashing game's home page: the link of a waypoint that has none.
const QString kMissingUrl = QStringLiteral("http://geodashing.gpsgames.org/");
const QString kMissingLinkText = QStringLiteral("Replacement Text");

double Coordinate(const pugi::xml_attribute& attribute) {
    const char* text = attribute.value();
    return LeadingNumber(text, text + std::strlen(text));
}

QString SkippedMessageText(const QString& path, qint32 withoutName, qint32 withoutCoordinates) {
    QString text = QStringLiteral("Some waypoints in %1 were skipped:").arg(path);
    if (withoutName > 0) {
        text += QStringLiteral("\r\nwaypoint elements without a name element: %1").arg(withoutName);
    }
    if (withoutCoordinates > 0) {
        text +=
            QStringLiteral("\r\nwaypoint elements without the lat or lon attribute of coord: %1")
                .arg(withoutCoordinates);
    }
    return text + QStringLiteral("\r\nThe other waypoints were imported.");
}

}  // namespace

ImportResult ReadLocFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    qint32 withoutName = 0;
    qint32 withoutCoordinates = 0;
    auto readWaypoint = [&](const pugi::xml_node& element) {
        const pugi::xml_node name = element.child("name");
        if (!name) {
            ++withoutName;
            return false;
        }
        const pugi::xml_node coord = element.child("coord");
        const pugi::xml_attribute lat = coord.attribute("lat");
        const pugi::xml_attribute lon = coord.attribute("lon");
        if (!lat || !lon) {
            ++withoutCoordinates;
            return false;
        }
        Waypoint w;
        w.Symbol = NotSet;
        w.Display = NotSet;
        w.CategoryBits = NotSet;
        w.Description = ElementText(name);
        const pugi::xml_attribute id = name.attribute("id");
        w.Name = id ? AttributeText(id) : w.Description;
        CoordinateFix fix =
            CheckCoordinates(store, Coordinate(lat), Coordinate(lon), w.Name, w.Description);
        w.Latitude = fix.Latitude;
        w.Longitude = fix.Longitude;
        w.Name = std::move(fix.Name);
        w.Description = std::move(fix.Description);
        w.LatSemicircles = DegreesToSemicircles(w.Latitude);
        w.LonSemicircles = DegreesToSemicircles(w.Longitude);
        const pugi::xml_node link = element.child("link");
        w.Url = link ? ElementText(link) : kMissingUrl;
        const pugi::xml_attribute linkText = link.attribute("text");
        w.LinkName = linkText ? AttributeText(linkText) : kMissingLinkText;
        store.Waypoints.push_back(std::move(w));
        return true;
    };

    const XmlImportRun run = RunXmlImport(path, "loc", "waypoint", store, progress, readWaypoint);
    ImportResult result;
    switch (run.end) {
        case XmlImportEnd::ParseError:
            result = ReadTerraByteFile(path, store, progress);
            if (result.result < 0) {
                result.messages.push_back(ParseErrorMessage(path, run.problem));
            }
            return result;
        case XmlImportEnd::WrongRoot:
            result.messages.push_back({QStringLiteral("Error 808: Invalid LOC file!"),
                                       QStringLiteral("Wayfold"), MessageIcon::None});
            return result;
        case XmlImportEnd::Done:
        case XmlImportEnd::Cancelled:
            break;
    }
    result.result = run.added;
    if (withoutName + withoutCoordinates > 0) {
        result.messages.push_back({SkippedMessageText(path, withoutName, withoutCoordinates),
                                   QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    }
    return result;
}
