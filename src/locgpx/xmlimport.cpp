#include "locgpx/xmlimport.h"

#include "locgpx/xmlinput.h"

namespace {

// File progress is reported about every this many bytes.
constexpr qint64 kProgressStep = qint64(1) << 20;

}  // namespace

XmlImportRun RunXmlImport(const QString& path, std::string_view rootName,
                          std::string_view childName, WaypointStore& store,
                          ImportProgress& progress,
                          const std::function<bool(const pugi::xml_node&)>& readElement) {
    const size_t countBefore = store.Waypoints.size();
    const bool fixedBefore = store.CoordinatesFixed;
    XmlImportRun run;
    XmlInput xml(path);
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
