#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <optional>
#include <pugixml.hpp>
#include <string_view>

#include "core/frontend.h"
#include "core/importprogress.h"
#include "core/store.h"
#include "core/waypoint.h"

class XmlInput;

// What the XML LOC and GPX readers share: the import loop, the coordinates
// and the result.

enum class XmlImportEnd {
    Done,       // the whole document was read
    Cancelled,  // the user cancelled; the waypoints read so far stay
    WrongRoot,  // a well-formed document whose root has another name
    ParseError  // not well-formed XML, or not readable; nothing was added
};

struct XmlImportRun {
    XmlImportEnd end = XmlImportEnd::Done;
    qint32 added = 0;
    QString problem;  // the parser's reason, for ParseError
};

// A waypoint made from one element, on any thread, with its coordinates as
// read; they are checked against the store (SetCoordinates) when it is added.
struct ReadWaypoint {
    Waypoint waypoint;
    double latitude = 0;
    double longitude = 0;
    // What was read, quoted, where a coordinate is out of range.
    QString latitudeText;
    QString longitudeText;
};

// A waypoint at lat and lon, each read as a leading number whatever the
// locale (NaN for a text that does not start with one), with display mode and
// categories not set; nothing, counted in missing, when either attribute is
// not there.
std::optional<ReadWaypoint> WaypointAt(const pugi::xml_attribute& lat,
                                       const pugi::xml_attribute& lon,
                                       std::atomic<qint32>& missing);
// Makes the waypoint of one element, given parsed and as the file wrote it
// (decoded to UTF-8; the nodes' offsets point into it), or nothing for an
// element it skips.
using ElementReader = std::function<std::optional<ReadWaypoint>(const pugi::xml_node& element,
                                                                std::string_view text)>;

// Reads the file and hands every child of the root named childName (as
// written, prefix included), when the root's local name is rootName, to a
// reader: the elements are parsed and read in batches on every core (each
// batch by a reader of its own from makeReader), and the waypoints added to
// the store in file order on the calling thread by add, which sets the
// coordinates and appends the waypoint. Running totals and the cancel test
// come every 20 waypoints, at the store slots that are multiples of 20. A
// document that turns out not to be well-formed leaves the store as it was,
// even when waypoints from before the fault had been added.
XmlImportRun RunXmlImport(const QString& path, std::string_view rootName,
                          std::string_view childName, WaypointStore& store,
                          ImportProgress& progress,
                          const std::function<ElementReader()>& makeReader,
                          const std::function<void(ReadWaypoint&&)>& add);
// The same over an input that has not read anything yet.
XmlImportRun RunXmlImport(XmlInput& xml, std::string_view rootName, std::string_view childName,
                          WaypointStore& store, ImportProgress& progress,
                          const std::function<ElementReader()>& makeReader,
                          const std::function<void(ReadWaypoint&&)>& add);

// "Error parsing <path>" with the parser's reason, in the "Parse Error" box.
UserMessage ParseErrorMessage(const QString& path, const QString& reason);

// The waypoints of one file whose coordinates the import reset to 0: how
// many, and the first few by name with what was read.
struct ResetCoordinates {
    qint32 count = 0;
    QStringList listed;
};

// Sets w's coordinates: the pair checked against the store (a value out of
// range, NaN included, is reset and marks name and description), and the
// semicircles computed from what is kept; latText and lonText say what was
// read. A reset waypoint is counted in reset.
void SetCoordinates(WaypointStore& store, double latitude, double longitude, const QString& latText,
                    const QString& lonText, Waypoint& w, ResetCoordinates& reset);

// The message that names the reset waypoints of a file; none when there were none.
std::optional<UserMessage> ResetMessage(const QString& path, const ResetCoordinates& reset);

// How many elements were skipped, and what they lacked ("wpt elements
// without the lat or lon attribute").
struct SkippedElements {
    const char* what;
    qint32 count;
};

// The reader's result of a run: a parse error, or a root of another name
// (invalidFileText, "Error 909: Invalid GPX file!"), is one message and
// nothing imported; otherwise the waypoints added, one message that names
// every kind of skipped element there was, and one that names the waypoints
// whose coordinates were reset.
ImportResult XmlImportResult(const XmlImportRun& run, const QString& path,
                             const QString& invalidFileText,
                             std::initializer_list<SkippedElements> skipped,
                             const ResetCoordinates& reset);
