// The reminders and calendar pages and tables of a recovery run, and the labelled fields of
// a reminder or an event that the pages, tables, print page and preview share.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// One field of a record as shown: its label and its plain-text value.
struct LabelledValue
{
    std::string_view label;
    std::string value;
};

// "High" (1–4), "Medium" (5), "Low" (6–9) or "" (0) for an iCalendar priority.
std::string priorityText(std::int32_t priority);

// The fields of a reminder in column order: Title, List, Due, Completed ("Yes"/"No", with
// the date when known), Priority, Flagged, Created, Notes. A due day shows its date alone.
std::vector<LabelledValue> reminderFields(const extract::ReminderRecord& reminder);
// The fields of an event in column order: Title, Start, End, All-day, Location, Calendar,
// Repeats, URL, Notes. All-day events show their dates alone.
std::vector<LabelledValue> calendarFields(const extract::CalendarEventRecord& event);

// Writes the page of `fields` (one list per record, `deleted` flags alongside) to `path`
// from the template `templateName` of `templateFolder`: every "{|title|}" becomes `title`
// (escaped), "{|content|}" one table row per record, a deleted record's row with class
// "deleted". The folder of `path` must exist. Returns 0, 87 for a template without "{|content|}" or
// above 16 MiB, or the system error's status of the read or write.
[[nodiscard]] int writeRecordPage(const std::string& templateFolder,
                                  std::string_view templateName,
                                  std::string_view title,
                                  const std::vector<std::vector<LabelledValue>>& fields,
                                  const std::vector<bool>& deleted,
                                  const std::string& path);

// Writes the CSV table of `fields` to `path`: the header "Deleted" and the labels, one row
// per record ("Yes" or "" first), every field quoted as needed. UTF-8 with byte-order mark
// and CR LF line ends. Returns 0 or the system error's status.
[[nodiscard]] int writeRecordCsv(const std::vector<std::vector<LabelledValue>>& fields,
                                 const std::vector<bool>& deleted,
                                 const std::string& path);

} // namespace exporting
