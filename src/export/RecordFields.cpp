// Records as labelled fields, and their pages and tables.
#include "export/RecordFields.h"

#include "export/ExportWriters.h"
#include "export/TextEscape.h"

namespace exporting {

namespace {

constexpr std::string_view kHeadOpen = "<thead>";
constexpr std::string_view kHeadClose = "</thead>";
// The length of "YYYY-MM-DD".
constexpr std::size_t kDateLength = 10;

std::string yesNo(bool value, const FieldWords& words)
{
    return value ? words.yes : words.no;
}

// The date part of a date text when `dayOnly`, else the whole text.
std::string shownDate(const std::string& date, bool dayOnly)
{
    return dayOnly ? date.substr(0, kDateLength) : date;
}

} // namespace

std::string priorityText(std::int32_t priority, const FieldWords& words)
{
    if (priority >= 1 && priority <= 4) {
        return words.high;
    }
    if (priority == 5) {
        return words.medium;
    }
    return priority >= 6 && priority <= 9 ? words.low : "";
}

std::string recurrenceText(const extract::CalendarEventRecord& event, const FieldWords& words)
{
    if (event.repeatFrequency < 1 || event.repeatFrequency > 4) {
        return {};
    }
    const auto index = static_cast<std::size_t>(event.repeatFrequency - 1);
    if (event.repeatInterval <= 1) {
        const std::string* once[] = {&words.daily, &words.weekly, &words.monthly, &words.yearly};
        return *once[index];
    }
    const std::string* every[] = {
        &words.everyDays, &words.everyWeeks, &words.everyMonths, &words.everyYears};
    return replaceAll(*every[index], "%1", std::to_string(event.repeatInterval));
}

std::vector<LabelledValue> reminderFields(const extract::ReminderRecord& reminder,
                                          const FieldWords& words)
{
    std::string completed = yesNo(reminder.completed, words);
    if (reminder.completed && !reminder.completedDate.empty()) {
        completed += ", " + reminder.completedDate;
    }
    return {{"Title", reminder.title},
            {"List", reminder.list},
            {"Due", shownDate(reminder.due, reminder.dueAllDay)},
            {"Completed", completed},
            {"Priority", priorityText(reminder.priority, words)},
            {"Flagged", yesNo(reminder.flagged, words)},
            {"Created", reminder.created},
            {"Notes", reminder.notes}};
}

std::vector<LabelledValue> calendarFields(const extract::CalendarEventRecord& event,
                                          const FieldWords& words)
{
    return {{"Title", event.title},
            {"Start", shownDate(event.start, event.allDay)},
            {"End", shownDate(event.end, event.allDay)},
            {"All-day", yesNo(event.allDay, words)},
            {"Location", event.location},
            {"Calendar", event.calendar},
            {"Repeats", recurrenceText(event, words)},
            {"URL", event.url},
            {"Notes", event.notes}};
}

std::vector<LabelledValue> safariBookmarkFields(const extract::SafariBookmarkRecord& bookmark)
{
    return {{"Title", bookmark.title}, {"URL", bookmark.url}, {"Folder", bookmark.folder}};
}

std::vector<LabelledValue> safariHistoryFields(const extract::SafariHistoryRecord& page)
{
    std::string visits;
    for (const std::string& date : page.visits) {
        visits += (visits.empty() ? "" : "\n") + date;
    }
    return {{"URL", page.url},
            {"Title", page.title},
            {"Visit Count", std::to_string(page.visitCount)},
            {"Last Visit", page.lastVisit},
            {"Visits", visits}};
}

std::string recordTablePage(std::string_view templateText,
                            std::string_view title,
                            const std::vector<std::vector<LabelledValue>>& fields,
                            const std::vector<bool>& deleted)
{
    std::string heads = "<tr>";
    if (!fields.empty()) {
        for (const LabelledValue& field : fields.front()) {
            heads += "<th>";
            appendHtmlEscaped(heads, field.label);
            heads += "</th>";
        }
    }
    heads += "</tr>";
    std::string rows;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        rows += i < deleted.size() && deleted[i] ? "\t<tr class=\"deleted\">" : "\t<tr>";
        for (const LabelledValue& field : fields[i]) {
            rows += "<td>";
            appendHtmlEscaped(rows, field.value);
            rows += "</td>";
        }
        rows += "</tr>\r\n";
    }
    // The title goes in before the rows, so that no placeholder text inside them is replaced.
    std::string page = replaceAll(templateText, kTitlePlaceholder, htmlEscape(title));
    const std::size_t open = page.find(kHeadOpen);
    const std::size_t close = open == std::string::npos ? open : page.find(kHeadClose, open);
    if (close != std::string::npos) {
        page.replace(open + kHeadOpen.size(), close - open - kHeadOpen.size(), heads);
    }
    const std::size_t content = page.find(kContentPlaceholder);
    if (content != std::string::npos) {
        page.replace(content, kContentPlaceholder.size(), rows);
    }
    return page;
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
