#include "locgpx/xmlimport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/parallel.h"
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

// Elements read in one piece of work.
constexpr size_t kBatchElements = 64;

// Wanted elements as the file wrote them, back to back.
struct ElementBatch {
    std::string text;
    std::vector<size_t> starts;  // where each begins in text
    std::vector<qint32> found;   // each one's number among the wanted elements
};

struct ReadBatch {
    std::vector<std::optional<ReadWaypoint>> waypoints;
    QString problem;  // why the element after the last read could not be parsed
};

// Counts a waypoint added as the found-th wanted element; at every
// twentieth slot shows the totals, lets events through and takes a cancel
// request. False when the run was cancelled there.
bool CountAdded(XmlImportRun& run, const WaypointStore& store, ImportProgress& progress,
                qint32 found) {
    ++run.added;
    const qint32 slot = store.WaypointCount() + 1;
    if (slot % 20 == 0) {
        progress.showRunningTotal(slot);
        progress.showCurrentImport(found);
        progress.letEventsThrough();
        if (progress.takeCancelRequest()) {
            run.end = XmlImportEnd::Cancelled;
            return false;
        }
    }
    return true;
}

ReadBatch ReadElements(const ElementBatch& batch, const ElementReader& read,
                       std::string_view childName) {
    ReadBatch out;
    out.waypoints.reserve(batch.starts.size());
    pugi::xml_document document;
    for (size_t i = 0; i < batch.starts.size(); ++i) {
        const size_t end = i + 1 < batch.starts.size() ? batch.starts[i + 1] : batch.text.size();
        const std::string_view text =
            std::string_view(batch.text).substr(batch.starts[i], end - batch.starts[i]);
        const pugi::xml_parse_result result = document.load_buffer(
            text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result) {
            out.problem = QStringLiteral("the element <") + QString::fromUtf8(childName) +
                          QStringLiteral("> cannot be read: ") +
                          QString::fromUtf8(result.description());
            break;
        }
        out.waypoints.push_back(read(document.document_element(), text));
    }
    return out;
}

}  // namespace

XmlImportRun RunXmlImport(const QString& path, std::string_view rootName,
                          std::string_view childName, WaypointStore& store,
                          ImportProgress& progress,
                          const std::function<ElementReader()>& makeReader,
                          const std::function<void(ReadWaypoint&&)>& add) {
    XmlInput xml(path);
    return RunXmlImport(xml, rootName, childName, store, progress, makeReader, add);
}

XmlImportRun RunXmlImport(XmlInput& xml, std::string_view rootName, std::string_view childName,
                          WaypointStore& store, ImportProgress& progress,
                          const std::function<ElementReader()>& makeReader,
                          const std::function<void(ReadWaypoint&&)>& add) {
    const size_t countBefore = store.Waypoints.size();
    const bool fixedBefore = store.CoordinatesFixed;
    const size_t cores = WorkerCount();
    XmlImportRun run;
    WorkQueue<ReadBatch> running;
    ElementBatch batch;
    const auto launch = [&] {
        if (batch.starts.empty()) {
            return;
        }
        auto work = [batch = std::move(batch), reader = makeReader(), childName] {
            return ReadElements(batch, reader, childName);
        };
        batch = {};
        running.start(std::move(work));
    };
    // The oldest batch, into the store; false when the run ends there.
    std::vector<qint32> foundOf;  // the numbers of the elements of the batches running
    size_t foundTaken = 0;
    const auto addOldest = [&] {
        ReadBatch read = running.takeOldest();
        for (std::optional<ReadWaypoint>& w : read.waypoints) {
            const qint32 found = foundOf[foundTaken++];
            progress.letEventsThrough();
            if (!w) {
                continue;
            }
            add(std::move(*w));
            if (!CountAdded(run, store, progress, found)) {
                return false;
            }
        }
        if (!read.problem.isEmpty()) {
            run.end = XmlImportEnd::ParseError;
            run.problem = read.problem;
            return false;
        }
        return true;
    };
    bool going = xml.readRoot();
    if (going) {
        const bool wanted = xml.rootLocalName() == rootName;
        qint32 found = 0;
        qint64 nextProgress = kProgressStep;
        while (going && xml.nextChild()) {
            if (xml.bytesRead() >= nextProgress) {
                progress.showFileProgress(xml.bytesRead(), xml.fileSize());
                nextProgress = xml.bytesRead() + kProgressStep;
            }
            if (!wanted || xml.childName() != childName) {
                continue;
            }
            batch.starts.push_back(batch.text.size());
            batch.text += xml.childText();
            foundOf.push_back(++found);
            if (batch.starts.size() == kBatchElements) {
                launch();
                if (running.size() > cores) {
                    going = addOldest();
                }
            }
        }
        if (going && !xml.failed()) {
            launch();
            while (going && !running.empty()) {
                going = addOldest();
            }
            if (going) {
                run.end = wanted ? XmlImportEnd::Done : XmlImportEnd::WrongRoot;
                return run;
            }
        }
        if (run.end == XmlImportEnd::Cancelled) {
            return run;
        }
    }
    // Not well-formed: the store as it was.
    store.Waypoints.erase(store.Waypoints.begin() + static_cast<qsizetype>(countBefore),
                          store.Waypoints.end());
    store.CoordinatesFixed = fixedBefore;
    run.end = XmlImportEnd::ParseError;
    run.added = 0;
    if (run.problem.isEmpty()) {
        run.problem = xml.problem();
    }
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

std::optional<ReadWaypoint> WaypointAt(const pugi::xml_attribute& lat,
                                       const pugi::xml_attribute& lon,
                                       std::atomic<qint32>& missing) {
    if (!lat || !lon) {
        ++missing;
        return std::nullopt;
    }
    ReadWaypoint read;
    read.waypoint.Display = NotSet;
    read.waypoint.CategoryBits = NotSet;
    read.latitude = Coordinate(lat);
    read.longitude = Coordinate(lon);
    // Written so that NaN counts as out of range, as the check does.
    if (!(std::fabs(read.latitude) <= 90)) {
        read.latitudeText = Quoted(lat);
    }
    if (!(std::fabs(read.longitude) <= 180)) {
        read.longitudeText = Quoted(lon);
    }
    return read;
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
