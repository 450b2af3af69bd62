// The reminders of one data file of the reminders store (Data-local.sqlite, Data-<UUID>.sqlite;
// iOS 13 and later). Newer generations keep reminders in ZREMCDREMINDER and lists in
// ZREMCDBASELIST; older ones keep every kind of object in ZREMCDOBJECT, told apart by the
// entity number that Z_PRIMARYKEY gives "REMCDReminder".
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/Database.h"

#include <string>
#include <vector>

namespace extract {

class CalendarRow;

// Appends the reminders of the data file at `path` to `reminders`: live rows read through the
// SQLite library, then the deleted ones `carved` (the same file opened with our reader; null
// when it does not open) recovers. A reminder marked for deletion is deleted too. Rows
// without title and notes are left out. Returns 0 (also for a file without reminder tables),
// the library's mapped code when the file does not open, 1006 when a query fails, or the
// reader's status; what was read before a failure stays.
[[nodiscard]] int readReminderStore(const std::string& path,
                                    sqlitecarve::Database* carved,
                                    std::vector<ReminderRecord>& reminders);

// The reminder that a row of a reminder table (either generation, or CalendarItem of the older
// calendar database) describes; `listName` is the name of its list.
ReminderRecord reminderOfRow(const CalendarRow& row, const std::string& listName);

} // namespace extract
