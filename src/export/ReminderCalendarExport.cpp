// Reminders and calendar events as pages and tables.
#include "export/ReminderCalendarExport.h"

#include "export/ExportWriters.h"
#include "export/TextEscape.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace exporting {

namespace {

constexpr std::uint64_t kMaxTemplateBytes = 16U * 1024U * 1024U;
// The length of "YYYY-MM-DD".
constexpr std::size_t kDateLength = 10;

std::string yesNo(bool value)
{
    return value ? "Yes" : "No";
}

// The date part of a date text when `dayOnly`, else the whole text.
std::string shownDate(const std::string& date, bool dayOnly)
{
    return dayOnly ? date.substr(0, kDateLength) : date;
}

} // namespace

std::string priorityText(std::int32_t priority)
{
    if (priority >= 1 && priority <= 4) {
        return "High";
    }
    if (priority == 5) {
        return "Medium";
    }
    return priority >= 6 && priority <= 9 ? "Low" : "";
}

std::vector<LabelledValue> reminderFields(const extract::ReminderRecord& reminder)
{
    std::string completed = yesNo(reminder.completed);
    if (reminder.completed && !reminder.completedDate.empty()) {
        completed += ", " + reminder.completedDate;
    }
    return {{"Title", reminder.title},
            {"List", reminder.list},
            {"Due", shownDate(reminder.due, reminder.dueAllDay)},
            {"Completed", completed},
            {"Priority", priorityText(reminder.priority)},
            {"Flagged", yesNo(reminder.flagged)},
            {"Created", reminder.created},
            {"Notes", reminder.notes}};
}

std::vector<LabelledValue> calendarFields(const extract::CalendarEventRecord& event)
{
    return {{"Title", event.title},
            {"Start", shownDate(event.start, event.allDay)},
            {"End", shownDate(event.end, event.allDay)},
            {"All-day", yesNo(event.allDay)},
            {"Location", event.location},
            {"Calendar", event.calendar},
            {"Repeats", event.recurrence},
            {"URL", event.url},
            {"Notes", event.notes}};
}

int writeRecordPage(const std::string& templateFolder,
                    std::string_view templateName,
                    std::string_view title,
                    const std::vector<std::vector<LabelledValue>>& fields,
                    const std::vector<bool>& deleted,
                    const std::string& path)
{
    std::string text;
    if (const int status = platform::readWholeFile(
            platform::joinPath(templateFolder, std::string(templateName)), kMaxTemplateBytes, text);
        status != 0) {
        return status;
    }
    const std::size_t content = text.find(kContentPlaceholder);
    if (content == std::string::npos) {
        return platform::kStatusInvalid;
    }
    const std::string escapedTitle = htmlEscape(title);
    std::string page =
        replaceAll(std::string_view(text).substr(0, content), kTitlePlaceholder, escapedTitle);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        page += i < deleted.size() && deleted[i] ? "\t<tr class=\"deleted\">" : "\t<tr>";
        for (const LabelledValue& field : fields[i]) {
            page += "<td>" + htmlEscape(field.value) + "</td>";
        }
        page += "</tr>\r\n";
    }
    page += replaceAll(std::string_view(text).substr(content + kContentPlaceholder.size()),
                       kTitlePlaceholder,
                       escapedTitle);
    return platform::writeWholeFile(path, page);
}

int writeRecordCsv(const std::vector<std::vector<LabelledValue>>& fields,
                   const std::vector<bool>& deleted,
                   const std::string& path)
{
    std::string content = "Deleted";
    if (!fields.empty()) {
        for (const LabelledValue& field : fields.front()) {
            content += ',' + csvField(field.label);
        }
    }
    content += "\r\n";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        content += i < deleted.size() && deleted[i] ? "Yes" : "";
        for (const LabelledValue& field : fields[i]) {
            content += ',' + csvField(field.value);
        }
        content += "\r\n";
    }
    return writeUtf8TextFile(path, content);
}

} // namespace exporting
