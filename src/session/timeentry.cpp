#include "session/timeentry.h"

#include <limits>

#include "core/textutil.h"
#include "session/session.h"

namespace {

bool HasTimeEntryShape(const QString& text) {
    return text.size() == 19 && text.at(2) == QLatin1Char('/') && text.at(5) == QLatin1Char('/') &&
           text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':') &&
           text.at(16) == QLatin1Char(':');
}

UserMessage DateEntryError() {
    return {QStringLiteral("Invalid time entry!\r\n"
                           "Time format MUST be dd/mm/yyyy HH:mm:ss.\r\n"
                           "Leading zeros (e.g. 06) must be included, and date must be between "
                           "01/01/1970 and 31/12/2037.\r\n\r\n"
                           "Would you like to set to the current time?"),
            QStringLiteral("Date entry error"), MessageIcon::Exclamation, MessageButtons::YesNo};
}

}  // namespace

QString TakeCurrentTime(Session& session) {
    const QString text = DateTimeText(session.nowUtc());
    if (const auto seconds = TimeEntrySeconds(text)) {
        session.options.ManualTime = *seconds;
    }
    return text;
}

std::optional<qint32> TimeEntrySeconds(const QString& text) {
    if (!HasTimeEntryShape(text)) {
        return std::nullopt;
    }
    const std::optional<qint64> seconds = ManualTimeSeconds(text);
    if (!seconds || *seconds < 0 || *seconds > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(*seconds);
}

TimeEntryCheck CheckTimeEntry(Session& session, const QString& entry) {
    TimeEntryCheck check{false, entry.trimmed()};
    if (const auto seconds = TimeEntrySeconds(check.text)) {
        session.options.ManualTime = *seconds;
        check.accepted = true;
        return check;
    }
    if (session.tell(DateEntryError()) == MessageAnswer::Yes) {
        check.text = DateTimeText(session.nowUtc());
    }
    return check;
}
