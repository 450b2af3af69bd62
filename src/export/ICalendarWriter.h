// The iCalendar files of a recovery run: Reminders.ics (one VTODO per reminder) and
// Calendar.ics (one VEVENT per event), built and serialised by libical so that escaping and
// line folding follow RFC 5545. A deleted record is written too, marked with
// X-BRENVALE-DELETED:TRUE and a first description line that says so.
#pragma once

#include "extract/Records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace exporting {

// The first description line of a deleted reminder or event.
inline constexpr std::string_view kDeletedItemLine =
    "Deleted on the device; recovered by Brenvale.";

// The RRULE value of how `event` repeats ("FREQ=WEEKLY", "FREQ=WEEKLY;INTERVAL=2"); empty
// when it does not.
std::string recurrenceRule(const extract::CalendarEventRecord& event);

// Writes `reminders` as one VCALENDAR of VTODOs to `path`: SUMMARY, DESCRIPTION (notes),
// DUE (a DATE for a due day, else UTC), STATUS and COMPLETED, PRIORITY, CREATED, and DTSTAMP
// `stampSeconds` (seconds since 1970). Returns 0, 87 when libical gives no text, or the
// system error's status of the write.
[[nodiscard]] int writeRemindersIcs(const std::string& path,
                                    const std::vector<const extract::ReminderRecord*>& reminders,
                                    std::int64_t stampSeconds);

// Writes `events` as one VCALENDAR of VEVENTs to `path`: SUMMARY, DESCRIPTION, LOCATION, URL,
// DTSTART and DTEND (DATE values for all-day events, floating wall-clock times for floating
// ones, else UTC), RRULE, and DTSTAMP. Statuses as writeRemindersIcs.
[[nodiscard]] int writeCalendarIcs(const std::string& path,
                                   const std::vector<const extract::CalendarEventRecord*>& events,
                                   std::int64_t stampSeconds);

} // namespace exporting
