#include "locgpx/fieldnotes.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimeZone>
#include <limits>
#include <optional>
#include <variant>

namespace {

constexpr qint32 kGeocacheFoundSymbol = 118;
// A device's visits file holds a few hundred lines; anything near this is no
// visits file.
constexpr qint64 kLargestFile = 16 * 1024 * 1024;
// Bad lines named one by one in the message; the rest are counted.
constexpr int kNamedLines = 10;

std::optional<qint32> VisitTime(const QString& text) {
    for (const char* format : {"yyyy-MM-dd'T'HH:mm'Z'", "yyyy-MM-dd'T'HH:mm:ss'Z'"}) {
        QDateTime time = QDateTime::fromString(text, QLatin1String(format));
        if (time.isValid()) {
            time.setTimeZone(QTimeZone::utc());
            const qint64 seconds = time.toSecsSinceEpoch();
            if (seconds >= std::numeric_limits<qint32>::min() &&
                seconds <= std::numeric_limits<qint32>::max()) {
                return static_cast<qint32>(seconds);
            }
        }
    }
    return std::nullopt;
}

// One line as a visit, or what is wrong with it.
std::variant<Visit, QString> ParseVisit(const QString& line) {
    const qsizetype c1 = line.indexOf(u',');
    const qsizetype c2 = c1 < 0 ? -1 : line.indexOf(u',', c1 + 1);
    const qsizetype c3 = c2 < 0 ? -1 : line.indexOf(u',', c2 + 1);
    if (c3 < 0) {
        return QStringLiteral("not code, time, log type and note separated by commas");
    }
    Visit visit;
    visit.Code = line.left(c1).trimmed();
    visit.Type = line.mid(c2 + 1, c3 - c2 - 1).trimmed();
    const QString time = line.mid(c1 + 1, c2 - c1 - 1).trimmed();
    const std::optional<qint32> seconds = VisitTime(time);
    if (visit.Code.isEmpty()) {
        return QStringLiteral("no code");
    }
    if (!seconds) {
        return QStringLiteral("the time \"") + time +
               QStringLiteral("\" is not of the form 2026-12-05T10:22Z");
    }
    visit.Time = *seconds;
    const QString note = line.mid(c3 + 1).trimmed();
    if (note.size() < 2 || !note.startsWith(u'"') || !note.endsWith(u'"')) {
        return QStringLiteral("the note is not in double quotes");
    }
    visit.Note = note.mid(1, note.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return visit;
}

QString VisitLine(const Visit& visit) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(visit.Time, QTimeZone::utc());
    QString note = visit.Note;
    return visit.Code + u',' + time.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm'Z'")) + u',' +
           visit.Type + QStringLiteral(",\"") + note.replace(u'"', QStringLiteral("\"\"")) +
           QStringLiteral("\"\r\n");
}

}  // namespace

ImportResult ReadVisitsFile(const QString& path, WaypointStore& store, ImportProgress& progress) {
    ImportResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.messages.push_back(
            {QStringLiteral("Can't read ") + path + QStringLiteral(":\r\n") + file.errorString(),
             QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return result;
    }
    if (file.size() > kLargestFile) {
        result.messages.push_back({path + QStringLiteral(" is no visits file of a device: it "
                                                         "holds more than 16 MB."),
                                   QStringLiteral("Wayfold"), MessageIcon::Exclamation});
        return result;
    }
    const QByteArray bytes = file.readAll();
    // The devices write UTF-16 with a byte-order mark; a file without one
    // is taken as UTF-8.
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    QStringDecoder decode(utf16 ? QStringConverter::Utf16LE : QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless);
    const QString text = decode(utf16 ? bytes.mid(2) : bytes);
    std::vector<Visit> visits;
    QStringList bad;
    qint32 badCount = 0;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty()) {
            continue;
        }
        std::variant<Visit, QString> parsed = ParseVisit(line);
        if (Visit* visit = std::get_if<Visit>(&parsed)) {
            visits.push_back(std::move(*visit));
        } else if (++badCount <= kNamedLines) {
            bad += QStringLiteral("Line %1: %2").arg(i + 1).arg(std::get<QString>(parsed));
        }
    }
    if (decode.hasError()) {
        bad.prepend(QStringLiteral("Characters that are not ") +
                    (utf16 ? QStringLiteral("UTF-16") : QStringLiteral("UTF-8")) +
                    QStringLiteral(" were replaced."));
    }
    if (!bad.isEmpty()) {
        if (badCount > kNamedLines) {
            bad += QStringLiteral("and %1 more").arg(badCount - kNamedLines);
        }
        result.messages.push_back({QStringLiteral("Some lines of ") + path +
                                       QStringLiteral(" are no visits and were left out:\r\n") +
                                       bad.join(QStringLiteral("\r\n")),
                                   QStringLiteral("Wayfold"), MessageIcon::Exclamation});
    }

    QHash<QString, std::vector<size_t>> byName;
    for (size_t i = 0; i < store.Waypoints.size(); ++i) {
        byName[store.Waypoints[i].Name.toUpper()].push_back(i);
    }
    for (const Visit& visit : visits) {
        if (visit.Type.compare(QLatin1String("Found it"), Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const size_t i : byName.value(visit.Code.toUpper())) {
            store.Waypoints[i].Symbol = kGeocacheFoundSymbol;
            store.Waypoints[i].FoundTime = visit.Time;
        }
    }
    result.result = static_cast<qint32>(visits.size());
    store.Visits.insert(store.Visits.end(), std::make_move_iterator(visits.begin()),
                        std::make_move_iterator(visits.end()));
    progress.showRunningTotal(store.WaypointCount());
    return result;
}

EncodedFile EncodeFieldNotes(WaypointStore& store, const Options& /*options*/) {
    EncodedFile file;
    QString text;
    for (const Visit& visit : store.Visits) {
        text += VisitLine(visit);
    }
    QStringEncoder encode(QStringConverter::Utf16LE);
    file.bytes = QByteArray("\xFF\xFE", 2) + QByteArray(encode(text));
    file.waypoints = static_cast<qint32>(store.Visits.size());
    return file;
}

WriteResult WriteFieldNotesFile(const QString& path, WaypointStore& store, const Options& options) {
    if (store.Visits.empty()) {
        WriteResult nothing;
        nothing.status = WriteResult::Failed;
        nothing.messages.push_back(
            {QStringLiteral("There are no visits to write: import a device's "
                            "geocache_visits.txt first. ") +
                 path + QStringLiteral(" was not written."),
             QStringLiteral("Wayfold"), MessageIcon::Information});
        return nothing;
    }
    return SaveEncodedFile(path, EncodeFieldNotes(store, options));
}
