// The JSON objects of reminders and calendar events in `brenvale-cli scan --json`.
#pragma once

#include "JsonWriter.h"
#include "extract/Records.h"

namespace cli {

// Writes `reminder` as one object: deleted, title, notes, list, due, completed (bool),
// completedDate, priority, created, flagged (bool).
void writeReminder(JsonWriter& json, const extract::ReminderRecord& reminder);

// Writes `event` as one object: deleted, title, start, end, allDay (bool), location,
// calendar, notes, url, recurrence.
void writeCalendarEvent(JsonWriter& json, const extract::CalendarEventRecord& event);

} // namespace cli
