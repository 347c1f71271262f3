#include "locgpx/xmlimport.h"

#include <cstring>
#include <limits>

#include "core/textutil.h"
#include "locgpx/xmlinput.h"

namespace {

// File progress is reported about every this many bytes.
constexpr qint64 kProgressStep = qint64(1) << 20;

// The reset waypoints named in the message; the count covers the rest.
constexpr qsizetype kListedResets = 10;
// What was read is quoted up to this many characters.
constexpr qsizetype kQuotedLength = 40;

// NaN for a text that does not start with a number, so that the coordinate
// check resets it as out of range rather than taking it for 0.
double Coordinate(const pugi::xml_attribute& attribute) {
    const char* text = attribute.value();
    return FindLeadingNumber(text, text + std::strlen(text))
        .value_or(std::numeric_limits<double>::quiet_NaN());
}

QString Quoted(const pugi::xml_attribute& attribute) {
    QString text = AttributeText(attribute);
    if (text.size() > kQuotedLength) {
        text = text.left(kQuotedLength) + QStringLiteral("...");
    }
    return u'"' + text + u'"';
}

}  // namespace

XmlImportRun RunXmlImport(const QString& path, std::string_view rootName,
                          std::string_view childName, WaypointStore& store,
                          ImportProgress& progress,
                          const std::function<bool(const pugi::xml_node&)>& readElement) {
    XmlInput xml(path);
    return RunXmlImport(xml, rootName, childName, store, progress, readElement);
}

XmlImportRun RunXmlImport(XmlInput& xml, std::string_view rootName, std::string_view childName,
                          WaypointStore& store, ImportProgress& progress,
                          const std::function<bool(const pugi::xml_node&)>& readElement) {
    const size_t countBefore = store.Waypoints.size();
    const bool fixedBefore = store.CoordinatesFixed;
    XmlImportRun run;
    if (xml.readRoot()) {
        const bool wanted = xml.rootLocalName() == rootName;
        qint32 found = 0;
        qint64 nextProgress = kProgressStep;
        while (xml.nextChild()) {
            if (xml.bytesRead() >= nextProgress) {
                progress.showFileProgress(xml.bytesRead(), xml.fileSize());
                nextProgress = xml.bytesRead() + kProgressStep;
            }
            if (!wanted || xml.childName() != childName) {
                continue;
            }
            const pugi::xml_node element = xml.parseChild();
            if (!element) {
                break;
            }
            ++found;
            progress.letEventsThrough();
            if (!readElement(element)) {
                continue;
            }
            ++run.added;
            const qint32 slot = store.WaypointCount() + 1;
            if (slot % 20 == 0) {
                progress.showRunningTotal(slot);
                progress.showCurrentImport(found);
                progress.letEventsThrough();
                if (progress.takeCancelRequest()) {
                    run.end = XmlImportEnd::Cancelled;
                    return run;
                }
            }
        }
        if (!xml.failed()) {
            run.end = wanted ? XmlImportEnd::Done : XmlImportEnd::WrongRoot;
            return run;
        }
    }
    store.Waypoints.erase(store.Waypoints.begin() + static_cast<qsizetype>(countBefore),
                          store.Waypoints.end());
    store.CoordinatesFixed = fixedBefore;
    run.end = XmlImportEnd::ParseError;
    run.added = 0;
    run.problem = xml.problem();
    return run;
}

UserMessage ParseErrorMessage(const QString& path, const QString& reason) {
    QString text = reason;
    if (!text.isEmpty()) {
        text[0] = text[0].toUpper();
    }
    return {QStringLiteral("Error parsing ") + path + QStringLiteral("\r\nReason: ") + text,
            QStringLiteral("Parse Error"), MessageIcon::Critical};
}

void SetCoordinates(WaypointStore& store, const pugi::xml_attribute& lat,
                    const pugi::xml_attribute& lon, Waypoint& w, ResetCoordinates& reset) {
    SetCoordinates(store, Coordinate(lat), Coordinate(lon), Quoted(lat), Quoted(lon), w, reset);
}

void SetCoordinates(WaypointStore& store, double latitude, double longitude, const QString& latText,
                    const QString& lonText, Waypoint& w, ResetCoordinates& reset) {
    CoordinateFix fix = CheckCoordinates(store, latitude, longitude, w.Name, w.Description);
    if (fix.Latitude != latitude || fix.Longitude != longitude) {
        if (++reset.count <= kListedResets) {
            QStringList read;
            if (fix.Latitude != latitude) {
                read += QStringLiteral("latitude ") + latText;
            }
            if (fix.Longitude != longitude) {
                read += QStringLiteral("longitude ") + lonText;
            }
            reset.listed += w.Name + QStringLiteral(": ") + read.join(QStringLiteral(", "));
        }
    }
    w.Latitude = fix.Latitude;
    w.Longitude = fix.Longitude;
    w.Name = std::move(fix.Name);
    w.Description = std::move(fix.Description);
    w.LatSemicircles = DegreesToSemicircles(w.Latitude);
    w.LonSemicircles = DegreesToSemicircles(w.Longitude);
}

ImportResult XmlImportResult(const XmlImportRun& run, const QString& path,
                             const QString& invalidFileText,
                             std::initializer_list<SkippedElements> skipped,
                             const ResetCoordinates& reset) {
    ImportResult result;
    switch (run.end) {
        case XmlImportEnd::ParseError:
            result.messages.push_back(ParseErrorMessage(path, run.problem));
            return result;
        case XmlImportEnd::WrongRoot:
            result.messages.push_back(
                {invalidFileText, QStringLiteral("Wayfold"), MessageIcon::None});
            return result;
        case XmlImportEnd::Done:
        case XmlImportEnd::Cancelled:
            break;
    }
    result.result = run.added;
    QString text = QStringLiteral("Some waypoints in %1 were skipped:").arg(path);
    qint32 total = 0;
    for (const SkippedElements& s : skipped) {
        if (s.count > 0) {
            text += QStringLiteral("\r\n%1: %2").arg(QLatin1String(s.what)).arg(s.count);
            total += s.count;
        }
    }
    if (total > 0) {
        result.messages.push_back({text + QStringLiteral("\r\nThe other waypoints were imported."),
                                   QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    }
    if (const std::optional<UserMessage> message = ResetMessage(path, reset)) {
        result.messages.push_back(*message);
    }
    return result;
}

std::optional<UserMessage> ResetMessage(const QString& path, const ResetCoordinates& reset) {
    if (reset.count == 0) {
        return std::nullopt;
    }
    QString lines = QStringLiteral(
                        "Some waypoints in %1 had coordinates that could not be read or were "
                        "out of range; they were set to 0 and the waypoints renamed "
                        "\"FIXED-\" + name:\r\n")
                        .arg(path) +
                    reset.listed.join(QStringLiteral("\r\n"));
    if (reset.count > reset.listed.size()) {
        lines += QStringLiteral("\r\nand %1 more").arg(reset.count - reset.listed.size());
    }
    return UserMessage{lines, QStringLiteral("Wayfold"), MessageIcon::Exclamation};
}
