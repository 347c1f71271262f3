#pragma once

#include <QString>
#include <optional>

struct Session;

// The waypoint time of the Cat/Time tab: a "dd/mm/yyyy HH:mm:ss" text in UTC,
// turned into ManualTime (seconds since 1969-12-31 23:59:47).

// The session's current time as the time box shows it; ManualTime is set from
// that text, as choosing "Now" does.
QString TakeCurrentTime(Session& session);

// The count of a time-box text, or nothing when the text is not exactly of the
// shape dd/mm/yyyy HH:mm:ss (leading zeros included), is no real date and
// time, or gives a count outside 0 to 2^31 - 1.
std::optional<qint32> TimeEntrySeconds(const QString& text);

// What became of a time entry when the box lost the focus.
struct TimeEntryCheck {
    bool accepted = false;
    // The text the box shows now: the trimmed entry, or the current time
    // when the user took that instead of a rejected entry.
    QString text;
};

// Trims and checks an entry. An accepted entry sets ManualTime. A rejected one
// leaves ManualTime as it was and asks the "Date entry error" question; on Yes
// the current time replaces the text, to be checked again when the box next
// loses the focus.
TimeEntryCheck CheckTimeEntry(Session& session, const QString& entry);
