#pragma once

#include <QString>
#include <functional>
#include <pugixml.hpp>
#include <string_view>

#include "core/frontend.h"
#include "core/importer.h"
#include "core/store.h"

// The import loop that the XML LOC and GPX readers share.

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

// Reads the file and hands every child of the root named childName (as
// written, prefix included) to readElement, when the root's local name is
// rootName. readElement appends one waypoint to the store and returns true,
// or returns false when it skips the element. Running totals and the cancel
// test come every 20 waypoints, at the store slots that are multiples of 20.
// A document that turns out not to be well-formed leaves the store as it
// was, even when waypoints from before the fault had been added.
XmlImportRun RunXmlImport(const QString& path, std::string_view rootName,
                          std::string_view childName, WaypointStore& store,
                          ImportProgress& progress,
                          const std::function<bool(const pugi::xml_node&)>& readElement);

// "Error parsing <path>" with the parser's reason, in the "Parse Error" box.
UserMessage ParseErrorMessage(const QString& path, const QString& reason);
