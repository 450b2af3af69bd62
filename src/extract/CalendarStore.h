// The calendar database (Calendar.sqlitedb): its events with their calendar, location and
// recurrence, and the reminders that devices before iOS 13 kept in it as tasks.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/Database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace extract {

// Appends the events of the calendar database at `path` to `events`: live rows of CalendarItem
// read through the SQLite library, then the deleted ones `carved` (the same file opened with
// our reader; null when it does not open) recovers. Tasks are left out, and so are rows
// without title and start. All-day and floating events keep their wall-clock dates. Returns
// 0 (also without the table), the library's mapped code when the file does not open, 1006
// when a query fails, or the reader's status; what was read before a failure stays.
[[nodiscard]] int readCalendarEvents(const std::string& path,
                                     sqlitecarve::Database* carved,
                                     std::vector<CalendarEventRecord>& events);

// Appends the tasks of the calendar database at `path` to `reminders` (rows of CalendarItem
// whose entity type is that of a task, or that have a due or completion date and no start),
// each with its calendar's title as list. Statuses as readCalendarEvents.
[[nodiscard]] int readCalendarTasks(const std::string& path,
                                    sqlitecarve::Database* carved,
                                    std::vector<ReminderRecord>& reminders);

} // namespace extract
