// Records shown as labelled fields: reminders, events, Safari bookmarks and history pages. The
// list, preview, print page, and the recovery run's pages and tables all take their fields from
// here, so each shows the same labels and values.
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

// The words of field values in the language they are shown in (English unless the caller gives
// others). In a pattern "%1" stands for the number of days, weeks, months or years.
struct FieldWords
{
    std::string yes = "Yes";
    std::string no = "No";
    std::string high = "High";
    std::string medium = "Medium";
    std::string low = "Low";
    std::string daily = "daily";
    std::string weekly = "weekly";
    std::string monthly = "monthly";
    std::string yearly = "yearly";
    std::string everyDays = "every %1 days";
    std::string everyWeeks = "every %1 weeks";
    std::string everyMonths = "every %1 months";
    std::string everyYears = "every %1 years";
};

// "High" (1–4), "Medium" (5), "Low" (6–9) or "" (0) for an iCalendar priority.
std::string priorityText(std::int32_t priority, const FieldWords& words = {});

// How `event` repeats: "weekly", "every 2 weeks"…; "" when it does not.
std::string recurrenceText(const extract::CalendarEventRecord& event, const FieldWords& words = {});

// The fields of a reminder in column order: Title, List, Due, Completed ("Yes"/"No", with
// the date when known), Priority, Flagged, Created, Notes. A due day shows its date alone.
std::vector<LabelledValue> reminderFields(const extract::ReminderRecord& reminder,
                                          const FieldWords& words = {});
// The fields of an event in column order: Title, Start, End, All-day, Location, Calendar,
// Repeats, URL, Notes. All-day events show their dates alone.
std::vector<LabelledValue> calendarFields(const extract::CalendarEventRecord& event,
                                          const FieldWords& words = {});

// The fields of a Safari bookmark: Title, URL, Folder.
std::vector<LabelledValue> safariBookmarkFields(const extract::SafariBookmarkRecord& bookmark);
// The fields of a Safari history page: URL, Title, Visit Count, Last Visit, Visits (each
// visit's date on a line of its own).
std::vector<LabelledValue> safariHistoryFields(const extract::SafariHistoryRecord& page);

// The page of `fields` (one list per record, `deleted` flags alongside) in the look of
// `templateText` (a page template with "{|title|}", one <thead>…</thead> and "{|content|}"):
// every "{|title|}" becomes `title`, the column heads the labels of the first record, and
// "{|content|}" one table row per record, a deleted record's row with class "deleted". Every
// text is escaped.
std::string recordTablePage(std::string_view templateText,
                            std::string_view title,
                            const std::vector<std::vector<LabelledValue>>& fields,
                            const std::vector<bool>& deleted);

// Writes the CSV table of `fields` to `path`: the header "Deleted" and the labels, one row
// per record ("Yes" or "" first), every field quoted as needed. UTF-8 with byte-order mark
// and CR LF line ends. Returns 0 or the system error's status.
[[nodiscard]] int writeRecordCsv(const std::vector<std::vector<LabelledValue>>& fields,
                                 const std::vector<bool>& deleted,
                                 const std::string& path);

} // namespace exporting
